// Housekeeping of a pass: frame by frame the sync, spacecraft id, time code,
// blackbody thermometers, blackbody and space counts are counted into
// histograms; at the end of the pass their most frequent values give the
// satellite, the calibration counts and the blackbody temperature, drive the
// thermal calibration and make the calibration report.
#pragma once

#include "decoding/qelHistogram.h"
#include "platform/SysUtils.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrune {

class TSensor;

// Satellite identities of the calibration (NOAA-15 .. NOAA-19 are 7 .. 11,
// MetOp-A .. C 12 .. 14, Meteor-M 15; 6 stands for every other satellite).
constexpr uint8_t IdentityDefault = 6;
constexpr uint8_t IdentityMeteor = 15;
inline constexpr const char* ManyBadFramesWarning = "Warning - this data file has a very large number of bad frames";

// The spacecraft id carried in bits 3..6 of the HRPT id word (or of a header
// byte that copies it).
constexpr int32_t SpacecraftIdOfWord(uint32_t idWord) { return static_cast<int32_t>((idWord >> 3) & 15); }

struct TSpacecraft {
    int32_t Id = 0;
    std::string Name;          // as the telemetry shows it: "NOAA 18", "Metop-B", "Unknown (4)"
    uint8_t Identity = IdentityDefault;
    std::string StandardName;  // as the orbit and the header readers name it: "NOAA-18"; "" when unknown
};

// The one decoder of spacecraft ids. date is the pass date (0 = unknown)
// for the service-date tests; the MetOp names need metopByDate, since only
// some inputs can carry MetOp data.
TSpacecraft DecodeSpacecraftId(int32_t id, TDateTime date, uint8_t formatCode, bool metopByDate = true);
// Name of a header byte's or word's id bits for the header readers; the
// NOAA-10/NOAA-19 choice (and the other service dates) by fileDate.
std::string SpacecraftNameFromId(uint32_t idBits, TDateTime fileDate);

// Only the AVHRR/3 (NOAA-15 on, MetOp) switches channel 3 between 3A and
// 3B; the AVHRRs of TIROS-N to NOAA-14 have channel 3 at 3.7 um throughout.
enum class TChannel3Kind { Unknown, Switching, ThermalOnly };
TChannel3Kind Channel3KindOfSatellite(const std::string& standardName);

// Service periods, both ends inclusive.
bool DateInNoaa10Service(TDateTime date);

// Modes of the twelve block histograms, in the order Target3..5, Prt1..4, Space1..5.
struct TBlockModes {
    std::array<int32_t, 12> Modes{};
    double BlackbodyTemp = 0;
    int32_t Channel3ALines = 0;  // lines of the block whose channel 3 was 3A

    int32_t Target(int channel) const { return Modes[static_cast<size_t>(channel - 3)]; }
    int32_t Prt(int index) const { return Modes[static_cast<size_t>(2 + index)]; }
};

class TTelemetryData {
public:
    TTelemetryData();

    // Starts a pass; lines (the diagnostics list, may be null) is cleared.
    void Reset(uint8_t formatCode, uint8_t sensorKind, TDateTime passDate, int32_t lineCount,
               std::vector<std::string>* lines);
    // Analyses one frame's housekeeping; lineFlag becomes 1 for a 3B line, 0 for 3A.
    void LineInfoText(std::span<const uint16_t> frame, int32_t line, uint8_t& lineFlag);
    void LineInfoTextEx(std::span<const uint16_t> frame, int32_t line, TDateTime lineTime);
    // One Level 1b record's 40 bytes of big-endian slope/intercept pairs of channels 1..5.
    void AddL1BCalibration(std::span<const uint8_t> values);
    // Settles the pass's telemetry, sets the sensor's satellite and calibrates
    // it; quiet logs the bad-frames warning instead of showing it.
    void PassSummary(TSensor& sensor, bool quiet);

    // 0 for a channel without a count.
    int32_t TargetCount(int channel) const;
    int32_t SpaceCount(int channel) const;
    int32_t MeteorCalHighMode(int k);
    int32_t MeteorCalLowMode(int k);
    // Stores the modes of the block histograms into record and clears them.
    void TakeBlockModes(TBlockModes& record);

    bool InServiceMetopB() const;
    bool InServiceMetopC() const;
    bool InServiceNoaa11() const;
    static bool InServiceNoaa7(TDateTime date);
    static bool InServiceNoaa9(TDateTime date);
    static bool InServiceNoaa10(TDateTime date);

    // Results, kept until the next Reset.
    bool TelemetryFromData = false;  // else the values are assumed ones
    std::string SatelliteName = "Unknown";
    int32_t SpacecraftId = 0;
    std::string CalibrationReport;
    std::string SpaceValuesText;
    // The counts of the blackbody thermometers and of the blackbody seen in channels 3..5 ("" before the summary).
    std::string PrtCountsText;
    std::string TargetCountsText;
    std::array<double, 3> ApparentBlackbodyTemps{};  // kelvin, channels 3B, 4, 5
    double BlackbodyTemp = 0;
    // The telemetry window's texts, in the language in effect when asked.
    std::string Heading() const;
    // SatelliteName, whose "Unknown" stays English in files.
    std::string ShownSatelliteName() const;
    std::string PrtValuesText() const;
    std::string TargetValuesText() const;
    int32_t PrtMean = 251;
    int32_t FrameCount = 0;
    int32_t GoodSyncCount = 0;
    // The pass summary found most frames without their telemetry block.
    bool ManyBadFrames = false;
    // Why the satellite's parameter file was not read or written, as the diagnostics say it ("" when it was).
    std::string ParameterFileNote;
    // Lines whose telemetry says channel 3 is 3A (visible) or 3B (thermal);
    // both 0 where the format carries no such word.
    int32_t Channel3ALines = 0;
    int32_t Channel3BLines = 0;
    std::array<double, 4> L1BThermalCoefficients{};  // slope and intercept of channel 4, then 5
    const std::vector<TBlockModes>& BlockModes() const { return blockModes_; }

    // Set by the loader.
    bool MeteorPass = false;
    // The satellite the file's name, header or orbit gave; a NOAA name keeps
    // the spacecraft ids that MetOp satellites share from being read as MetOp,
    // and an older AVHRR's name keeps its lines 3B. Set before the frames are read.
    std::string NamedSatellite;
    // The date the question settled for a pass its file does not date: it
    // reads the ids two satellites held in turn (NOAA-17's, then MetOp-B's),
    // never one a NOAA and a MetOp hold at once (NOAA-18's and MetOp-C's).
    TDateTime SettledDate = 0;
    bool HeaderAtEnd = false;  // Level 1b telemetry block always taken

    // Pass histograms (1024 bins each).
    TqelHistogram& Target(int channel) { return target_.at(static_cast<size_t>(channel - 3)); }
    TqelHistogram& Prt(int index) { return prt_.at(static_cast<size_t>(index - 1)); }
    TqelHistogram& Space(int channel) { return space_.at(static_cast<size_t>(channel - 1)); }
    TqelHistogram& IdHist() { return id_; }

private:
    struct TelemetryBlock;
    // Blackbody and space counts of channels 3..5.
    struct TCalibrationCounts {
        std::array<int32_t, 3> Target;
        std::array<int32_t, 3> Space;
    };

    bool WantsText(int32_t line) const;
    bool LocateBlock(std::span<const uint16_t> frame, TelemetryBlock& block) const;
    void AddSync(const TelemetryBlock& t, std::string* text, bool& goodSync) const;
    bool MaySwitchChannel3(uint16_t idWord) const;
    void AddIdentityAndTime(const TelemetryBlock& t, std::string* text, uint8_t& lineFlag);
    void AddThermometers(std::span<const uint16_t> frame, const TelemetryBlock& t, std::string* text);
    void AddCalibrationWords(std::span<const uint16_t> frame, const TelemetryBlock& t, std::string* text);
    void AddSpaceWords(std::span<const uint16_t> frame, const TelemetryBlock& t, std::string* text);
    void CountBlockValue(TqelHistogram& pass, TqelHistogram& block, int32_t value);
    void SettleCounts();
    void SettleChannel3BCounts();
    void SettleL1BCalibration();
    TSpacecraft Spacecraft() const;
    void IdentifySatellite(TSensor& sensor);
    TCalibrationCounts PassCounts() const;
    void Calibrate(TSensor& sensor, const TCalibrationCounts& counts, double blackbodyTemp) const;
    void WriteReport(TSensor& sensor);
    void AppendSensitivity(TSensor& sensor);
    // One qualified block of the block-by-block method: its number, and the
    // temperatures of the pass's reference counts in its calibration.
    struct TKeptBlock {
        double Block = 0;
        std::array<double, 3> AtReference{};
        bool Channel3B = true;  // channel 3 was 3B on all its lines
    };
    void AppendBlockByBlock(TSensor& sensor, std::vector<TKeptBlock>& kept);
    void AppendDrift(const std::vector<TKeptBlock>& kept);
    void AppendDriftFit(size_t channel, const std::vector<TKeptBlock>& blocks, double origin, bool& first);
    void AddLine(const std::string& text);

    std::array<TqelHistogram, 3> target_;
    std::array<TqelHistogram, 4> prt_;
    TqelHistogram id_;
    std::array<TqelHistogram, 5> space_;
    // Channel 3's blackbody and space counts of its 3B lines only: on 3A
    // lines those words hold no thermal counts.
    TqelHistogram target3B_;
    TqelHistogram space3B_;
    bool line3B_ = false;
    int32_t block3ALines_ = 0;
    std::array<TqelHistogram, 12> blockHists_;
    std::array<TqelHistogram, 6> meteorCalHigh_;
    std::array<TqelHistogram, 6> meteorCalLow_;

    int32_t currentBlock_ = 0;
    std::vector<TBlockModes> blockModes_;
    std::array<int32_t, 3> targetCount_{};
    std::array<int32_t, 5> spaceCount_{};
    std::array<int32_t, 4> prtValues_{};
    uint8_t sensorKind_ = 0;
    uint8_t formatCode_ = 7;
    TDateTime passDate_ = 0;
    std::vector<std::string>* lines_ = nullptr;
    int32_t l1bCalibrationCount_ = 0;
    std::array<std::array<double, 2>, 5> l1bCalibrationSums_{};
    TDateTime meteorLineTime_ = 0;
    int32_t middleLine_ = 0;
    int32_t prtIndex_ = 0;
};

}  // namespace kestrune
