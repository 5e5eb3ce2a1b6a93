// The decoded pass: what the loader settles about the loaded file and the
// working objects that hold its samples, telemetry, calibration and
// geolocation. The window, the renderer and the unattended run read the
// same state; one instance lives for the whole run and every load reuses it.
#pragma once

#include "decoding/PassIdentity.h"
#include "platform/SysUtils.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

class THRPTvideo;
class TTelemetryData;
class TSensor;
class TOrbit;
class TEarthLocations;
class TWarpedMapping;

// Channel flags indexed by channel number 1..10; element 0 is unused.
using TChannelFlags = std::array<bool, 11>;
constexpr int MaxChannels = 10;

// Instrument families.
enum TSensorKind : uint8_t {
    SensorAvhrr = 0,
    SensorSeaWifs = 1,
    SensorFengYun1 = 2,
    SensorSpot = 3,
    SensorMeteorMhrp = 4,
    SensorMeteorMn2 = 5
};

struct TPassState {
    TPassState();
    ~TPassState();
    TPassState(const TPassState&) = delete;
    TPassState& operator=(const TPassState&) = delete;

    // What the file is.
    uint8_t InputFormatCode = 0;      // 0 = not identified
    uint8_t SensorKind = SensorAvhrr;
    std::string LoadedFileName;       // name without folder and extension; base of output names
    std::string InputFolder;          // with trailing "/"
    TDateTime InputFileDate = 0;
    int64_t FileSizeBytes = 0;

    // Record geometry.
    int64_t DataStart = 0;            // byte offset of record 0
    int32_t RecordSize = 0;
    int64_t HeaderLength = 0;         // file position of the first record read
    int32_t RecordCount = 0;
    int32_t SkipRecords = 0;
    int32_t HeaderLineCount = 0;
    bool PackedInput = false;
    uint8_t L1BSampleKind = 2;

    // The picture.
    int32_t DataLineCount = 0;
    int32_t CentreLine = 0;
    int32_t ImageWidth = 2048;
    int32_t ChannelCount = 5;
    TChannelFlags ChannelAvailable{};
    TChannelFlags ChannelSelected{};
    bool Northbound = false;
    bool MeteorPass = false;
    bool DtpAvailable = false;
    bool PreferTelemetryName = false;
    // The satellite came from frames looked at before reading, not from the file's name or header.
    bool SatelliteFromFrames = false;
    // The satellite the loader settled on and the rule that chose it, and
    // what the file's name alone said; the run report tells the same reason.
    TSatelliteChoice SatelliteChoice;
    TSatelliteChoice NameSatellite;
    // Why the satellite used is not what something else named (diagnostics and run report).
    std::string SatelliteNote;
    // Name rules of the format that were not used, and why (diagnostics and run report).
    std::vector<std::string> NameNotes;

    // Texts.
    std::string HeaderText;           // one line from the header reader
    std::string StandardName;
    std::string PassDescription;      // the processed-pass line
    std::string PaletteFileName;      // first "*.pal" of the program folder
    std::string NdviPaletteFileName;  // vegetation palette of the pass, "" = built-in
    std::string SstPaletteFileName;   // sea-surface palette of the pass, "" = built-in

    // Overlay nudge memory of this file.
    int32_t NudgeX = 0;
    int32_t NudgeY = 0;
    TDateTime PassDateTime = 0;       // 0 = none remembered

    // Run state.
    bool Loading = false;
    bool AbortRequested = false;      // the one cancel flag
    std::vector<std::string> DiagnosticLines;
    // Why the last load failed ("" when it did not): its first cause, such as
    // a packed file that could not be unpacked.
    std::string LoadFailure;
    // The pass's year or date and what decided it: the file's date, for
    // want of a better source, is told.
    TDateChoice DateChoice;
    // What the input lacks of the pass its header gives ("" when whole): the
    // whole records it holds are read, and an unattended run says so.
    std::string CutShort;
    // Level 1b line times that the lines around them contradict, left out ("" when none).
    std::string RecordTimesNote;
    // What went wrong with the pass's line of "processed.lst" ("" when
    // nothing), and whether it could be added nowhere.
    std::string ProcessedListNote;
    bool ProcessedLineLost = false;

    // Working objects, created with the state and reused for every pass.
    std::unique_ptr<THRPTvideo> Video;
    std::unique_ptr<TTelemetryData> TelemetryData;
    std::unique_ptr<TSensor> Sensor;
    std::unique_ptr<TOrbit> Orbit;
    std::unique_ptr<TWarpedMapping> WarpedMapping;
    std::unique_ptr<TEarthLocations> EarthLocations;  // refers to Orbit and WarpedMapping

    // The channel exists in the file and is read into the video store.
    bool ChannelInStore(int channel) const { return ChannelAvailable[channel] && ChannelSelected[channel]; }
    TChannelFlags ChannelsInStore() const {
        TChannelFlags read{};
        for (int channel = 1; channel <= MaxChannels; ++channel) read[channel] = ChannelInStore(channel);
        return read;
    }
    int SelectedChannelCount() const {
        int count = 0;
        for (int channel = 1; channel <= MaxChannels; ++channel) count += ChannelInStore(channel) ? 1 : 0;
        return count;
    }
};

// The telemetry said channel 3 was 3A (visible) on this line of the store:
// it holds no temperature there. False for formats that do not tell.
bool Channel3AOnLine(const TPassState& pass, int32_t line);

}  // namespace kestrune
