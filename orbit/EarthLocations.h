// Geolocation of every scan line of the loaded pass: the 51 anchor positions
// of each line, the sun and view angles where the data carries them, the line
// times, and the summary of the pass (start, end, direction, corners). The
// frame readers drop raw time codes and Level 1b fields into the per-line
// records; ComputeLocations turns them into final locations and fits the map.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "orbit/LineTiming.h"
#include "platform/SysUtils.h"

namespace kestrune {

class TOrbit;
class TSatellite;
class TWarpedMapping;
struct TSignalGap;

constexpr int LocationAnchorCount = 51;
constexpr int CentreAnchor = 25;
constexpr int RawAngleBytes = 306;
constexpr float DefaultAltitude = 848.0f;

struct TAnchorLocation {
    float Latitude;
    float Longitude;
};

// One line's anchors, latitude first, degrees; longitudes in (-180, 180].
// This is also the 408-byte record of the saved-locations file. Before
// ComputeLocations the bytes hold whatever the frame reader stored there
// (a time code, or raw Level 1b location words).
struct TScanLineLocations {
    std::array<TAnchorLocation, LocationAnchorCount> Anchors;

    unsigned char* Bytes() { return reinterpret_cast<unsigned char*>(this); }
    const unsigned char* Bytes() const { return reinterpret_cast<const unsigned char*>(this); }
};
static_assert(sizeof(TScanLineLocations) == 408, "saved-locations record size");

using TAnchorValues = std::array<float, LocationAnchorCount>;

// One line's angles at the anchors, degrees, and the raw Level 1b angle
// field. Level 1b passes carry them; the orbit gives them to every other
// located pass.
struct TScanLineAngles {
    TAnchorValues SolarZenith;
    TAnchorValues SatelliteZenith;
    TAnchorValues RelativeAzimuth;
    std::array<uint8_t, RawAngleBytes> RawAngles;
};

// Pixel correction at one anchor that makes the fitted mapping meet the
// located anchor exactly.
struct TResidual {
    float X;
    float Y;
};
using TResidualRow = std::array<TResidual, LocationAnchorCount>;
using TResidualTable = std::vector<TResidualRow>;

// Where the anchors of a line sit: anchor k at sample First + Step * k of
// a line of Width samples.
struct TAnchorLayout {
    int First;
    int Step;
    int Width;
};

// A 10B line of a Meteor-M2 pass holds the scan's samples in these of its 2048 columns.
constexpr uint8_t TenBFormat = 20;
constexpr int TenBMeteorFirstColumn = 248;
constexpr int TenBMeteorColumns = 1568;

// The column of a line at which a Meteor-M2 scan's first sample lies: 262
// for the scan of 1540 samples centred in a 10B line's columns 248 to 1815,
// else 0.
int MeteorScanFirstColumn(uint8_t formatCode);

// The GAC formats' 4 + 8k of 409, the Meteor-M2 scan's 20 + 30k of 1540
// (282 + 30k of a 10B line's 2048), else 24 + 40k of 2048.
TAnchorLayout AnchorLayoutOf(uint8_t formatCode, bool meteorScan);

// The columns of a line that hold the scan's samples, first and last: a 10B
// line of a Meteor-M2 pass holds them in 248 to 1815, further than one
// anchor step beyond its outer anchors; other lines in all their columns.
struct TScanColumns {
    int First;
    int Last;
};
TScanColumns ScanColumnsOf(uint8_t formatCode, bool meteorScan);

// Latitudes of anchors 0, 25 and 50, then their longitudes.
using TLineCorners = std::array<float, 6>;

class TEarthLocations {
public:
    TEarthLocations() = default;
    TEarthLocations(TOrbit* orbit, TWarpedMapping* mapping) : Orbit(orbit), Mapping(mapping) {}

    // Per-pass store, filled by the frame readers and the loader.
    void SetLineCount(int count);
    int LineCount() const { return static_cast<int>(lineTimes_.size()); }
    // nullptr before the first SetLineCount and for lines outside the pass.
    TScanLineLocations* LineLocations(int line);
    const TScanLineLocations* LineLocations(int line) const;
    TScanLineAngles* LineAngles(int line);
    const TScanLineAngles* LineAngles(int line) const;
    // The line's record was left without location (cleared): a damaged
    // Level 1b record, or a line whose time nothing confirmed.
    bool LineWithoutLocation(int line) const;
    // Some line of the pass has a location: a pass of none gets no line
    // in the log of processed passes.
    bool AnyLineLocated() const;
    // 0 for no time and for lines outside the pass.
    TDateTime LineTimes(int line) const;
    void SetLineTime(int line, TDateTime time);
    // Copies raw bytes to the start of a line's records; lines outside the
    // pass are ignored and the copy never runs past the record.
    void StoreTimeCode(int line, const void* code, size_t count);
    void StoreRawLocations(int line, const void* field, size_t count);
    void StoreRawAngles(int line, const void* field, size_t count);
    // A Level 1b record's navigation words as stored: roll, pitch and yaw,
    // then altitude, four big-endian words; the pass takes its attitude and
    // altitude from one located record near its middle.
    void StoreRawNavigation(int line, const void* field, size_t count);

    void AddLocationFlags(uint8_t flags) { LocationFlags |= flags; }
    // The big-endian word at field, in tenths of a km; below 500 km or above
    // 1500 km (no weather satellite flies there: a damaged record) gives 848.
    void SetAltitude(const uint8_t* field);
    // Three big-endian signed words, each / 1000, in the order given.
    void SetAttitude(const uint8_t* a, const uint8_t* b, const uint8_t* c);

    // Level 1b field decoders, degrees from the big-endian field as stored.
    static float DecodeShortLocation(const uint8_t* field);  // int16 / 128
    static float DecodeLongLocation(const uint8_t* field);   // int32 / 10000
    static float DecodeAngle(const uint8_t* field);          // int16 / 100

    // Times, locates and checks the lines, reports into diagnostics, turns
    // the pass round when asked and fits the map. A repeat call with
    // LocationsValid set redoes only the summary, the turn-round and the fit.
    void ComputeLocations(uint8_t formatCode, uint8_t sensorKind, std::vector<std::string>& diagnostics,
                          bool turnRound);
    // Rotates the pass by 180 degrees: line order and anchor order reversed.
    // Where the anchors stand nearer one edge of the line than the other
    // (24 and 23 samples of 2048), each line's anchors and angles are moved
    // to where the anchor samples fall once the line is reversed. Turning a
    // turned pass back restores its records exactly.
    void FlipPassDirection();
    // The anchor samples of this pass's lines (AnchorLayoutOf).
    TAnchorLayout AnchorLayout() const;
    // Writes the headerless file of 408-byte records when the pass has
    // located lines of a format that carries them; otherwise writes nothing.
    // Replaces the file in one step; throws EWriteError ("Unable to write to
    // <file>", an Exception) when it cannot be written.
    void SaveLocations(const std::string& fileName) const;
    // Short satellite name, "-" and the nominal start time formatted with the
    // date-time picture; empty when either is unknown.
    std::string PassName(const std::string& format) const;
    // Fits the warped mapping to the located lines; the result goes to MapFitted.
    void FitMap(std::vector<std::string>& diagnostics);

    float Altitude = DefaultAltitude;
    TDateTime BaseDate = 0;
    // The date near the pass whose year the loader gave BaseDate (the file's
    // time), 0 when the year came with the orbit's pass time or alone. It
    // tells which year a pass across New Year's midnight was dated by.
    TDateTime EstimatedDate = 0;
    TDateTime NominalStartTime = 0;
    uint8_t FormatCode = 0;
    // Samples per line of the image the anchors belong to, set by the
    // loader; 0 for the anchor layout's own width.
    int ImageWidth = 0;
    bool FirstLineNorthbound = false;
    TLineCorners FirstLineCorners{};
    TDateTime StartTime = 0;
    uint8_t LocationFlags = 0;
    bool LastLineNorthbound = false;
    TLineCorners LastLineCorners{};
    TDateTime EndTime = 0;
    bool MapFitted = false;
    TDateTime ReferenceLineTime = 0;
    bool GacDiscontinuity = false;
    bool Northbound = false;
    // Filled by the map fit; empty when there was no fit.
    std::shared_ptr<const TResidualTable> Residuals;
    std::array<float, 3> Attitude{};
    int GacBreakLine = 0;
    bool LocationsValid = false;
    // No line's time code could time the pass: its elements were never sought.
    bool NoPassTimecode = false;
    // Of those, a pass whose codes (noise) no neighbouring line confirms.
    bool NoTimeConfirmed = false;
    // Why a timed pass with an element set was still not located (lines
    // with no acceptable time near its middle, centre points that jump), or
    // a Level 1b pass not mapped (several GAC pictures), in the language in
    // effect; empty otherwise.
    std::string NotLocatedCause;
    // Level 1b records without a valid location of their own.
    int Level1bLinesUnlocated = 0;
    TOrbit* Orbit = nullptr;            // not owned
    TWarpedMapping* Mapping = nullptr;  // not owned
    // Element lines found in the data file by the loader, or empty.
    std::string EmbeddedTleLine1;
    std::string EmbeddedTleLine2;
    bool HasEmbeddedElements() const;

private:
    void ResetPassState();
    // Meteor scans keep a period of their own, measured from the line times.
    bool MeteorScanPeriod() const;
    bool ValidLine(int line) const { return line >= 0 && line < LineCount(); }
    void PrepareForFormat(std::vector<std::string>& diagnostics);
    bool TimeAndLocateLines(uint8_t sensorKind, std::vector<std::string>& diagnostics);
    bool DecodeLevel1bLine(int line);
    // Attitude and altitude from the located record nearest the middle
    // whose altitude is one a satellite flies at and whose words agree with
    // most of the nine such records nearest the middle, so a damaged record
    // costs only its own line; the defaults stand where no record qualifies.
    void TakeNavigationNearMiddle();
    bool ChooseElements(TDateTime passTime, std::vector<std::string>& diagnostics);
    bool TimeLines(TLineTiming& timing, std::vector<std::string>& diagnostics);
    bool LocateLines(bool skipOddLines, std::vector<std::string>& diagnostics);
    bool LocateLinesOnThreads(const std::function<bool(int)>& located, std::vector<double>& altitudes);
    void LocateLine(TSatellite& satellite, int line, std::vector<double>& altitudes);
    void ForgetViewAngles();
    void InterpolateLine(int line);
    void Summarise(bool turnRound, std::vector<std::string>& diagnostics);
    void ReportLine(int line, bool northbound, const char* which, std::vector<std::string>& diagnostics) const;
    bool CheckGacContinuity(std::vector<std::string>& diagnostics);
    bool CheckCentrePoints(std::vector<std::string>& diagnostics);
    TLineSpan HeadingLines() const;
    int TimedReferenceLine() const;
    void SetStartAndEndTimes();
    void AbandonLocations();
    float CentreLatitude(int line) const;
    float TrackLatitude(int from, int to, bool byTime) const;
    // Located lines, in order, that continue one track.
    using TTrackRun = std::vector<int>;
    struct TTrackStep {
        double Latitude;
        double Longitude;
    };
    TTrackStep MedianTrackStep() const;
    bool ContinuesRun(const TTrackRun& run, int line, const TTrackStep& passStep) const;
    bool LiesStepsOn(int from, int to, int steps, const TTrackStep& step) const;
    int PeriodsAcross(int from, int to) const;
    std::vector<TTrackRun> TimedRuns() const;
    void LeaveOutTimesThePlacesContradict(std::vector<std::string>& diagnostics);
    void TellLevel1bSignalGaps(std::vector<std::string>& diagnostics) const;
    std::vector<TTrackRun> TrackRuns(std::vector<int>& contradicted) const;
    int LeaveContradictedRecordsUnlocated(std::vector<std::string>& diagnostics);
    int PeriodsBetween(int from, int to) const;
    void MeasureLevel1bPeriod();
    std::vector<TSignalGap> Level1bSignalGaps() const;
    bool LineLocated(int line) const;
    bool LeftUntimed(int line) const;
    // The lines that show no ground: those left untimed, and Level 1b lines without location.
    std::vector<int> LinesLeftUntimed() const;
    // The first line from line on, step by step, that has a location; line
    // itself (within the pass) when none has.
    int NextLocatedLine(int line, int step) const;
    // Anchor positions by which the anchors move when a line is reversed.
    double TurnShift() const;

    int referenceLine_ = 0;
    double scanPeriod_ = 1.0 / 6.0 / SecsPerDay;  // days

    std::vector<TScanLineLocations> locations_;
    std::vector<TScanLineAngles> angles_;
    std::vector<TDateTime> lineTimes_;
    // In the order the records were read, never turned: taken from only
    // when the records are decoded.
    using TNavigationWords = std::array<uint8_t, 8>;
    std::vector<TNavigationWords> navigation_;
    // The records as they were before the pass was turned, while it is.
    struct TUnturnedRecords {
        std::vector<TScanLineLocations> Locations;
        std::vector<TScanLineAngles> Angles;
        std::vector<TDateTime> Times;
    };
    std::optional<TUnturnedRecords> unturned_;
};

}  // namespace kestrune
