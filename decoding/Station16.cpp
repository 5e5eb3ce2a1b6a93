#include "decoding/Station16.h"

#include "decoding/FramePrescan.h"
#include "decoding/LoadContext.h"
#include "decoding/PassIdentity.h"
#include "decoding/SatelliteIdent.h"
#include "decoding/Telemetry.h"
#include "platform/ProgramStrings.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace kestrune {

namespace {

constexpr int32_t HrptWordRecord = 22180;   // one minor frame of 16-bit words
constexpr int32_t PaddedHrptRecord = 22528; // ".hrpt" records
constexpr size_t IdByte = 13;               // low byte of the id word (word 6) of a big-endian frame
constexpr size_t LittleEndianIdByte = 12;   // of a little-endian frame

bool HasStationTextHeader(const std::vector<uint8_t>& header) { return std::memcmp(header.data(), "[Stati", 6) == 0; }

// A layout that gives a satellite the program does not know ("N18-" of
// "2023-05-03-1200-n18") or a year no pass can have is not used, and told.
// Fields that form no date raise: the name is not of the layout at all.
bool Hrpt16NameUsable(TLoadContext& load, const TNamedPass& pass) {
    if (const std::string refusal = NameDateRefusal(pass.When.Date(), NowUtc()); !refusal.empty()) {
        load.NameRuleNotUsed(refusal);
        return false;
    }
    if (KnownSatellite(pass.Satellite).empty()) {
        load.NameRuleNotUsed(FormatResStr(res::SNameSatelliteUnknown, {pass.Satellite}));
        return false;
    }
    return true;
}

// Satellite, date and direction from the four name layouts; false when the
// name has none of them or does not parse.
bool Hrpt16PassFromName(TLoadContext& load, THrpt16Layout layout, TNamedPass& pass, bool& proposedNorthbound) {
    TOrbit& orbit = load.Orbit();
    try {
        pass = Hrpt16NamePass(load.State.LoadedFileName, layout);
        if (!Hrpt16NameUsable(load, pass)) return false;
        orbit.SetSatelliteName(UpperCase(pass.Satellite));
        orbit.SelectElements(pass.When.Date());
        // Only these names can carry MetOp passes, whose spacecraft ids other
        // satellites share: the telemetry needs the date to tell them apart.
        if (layout == THrpt16Layout::MetopM0) load.PassDate = orbit.PassTime;
        const TDateTime midPass = load.TakeNamedPass(pass.When);
        proposedNorthbound =
            ProposeNamedPassDirection(load, pass.When, load.State.RecordSize, load.State.DataStart, midPass);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void AskForNamedPass(TLoadContext& load, THrpt16Layout layout, const TNamedPass& pass, bool proposedNorthbound) {
    switch (layout) {
        case THrpt16Layout::AllPrefix: load.AskPassDirection("Year", proposedNorthbound); break;
        case THrpt16Layout::AhPrefix:
            load.Dialog.SatellitePreset = UpperCase(pass.Satellite);
            load.Dialog.PresetRule = TIdentityRule::NameLayout;
            load.Dialog.DateMode = TDateMode::Year;
            load.AskPassDirection(resStr(res::SHintYearAndSatellite), proposedNorthbound);
            break;
        default:
            load.Dialog.SatellitePreset.clear();
            load.AskPassDirection("", proposedNorthbound);
            break;
    }
}

}  // namespace

bool IsPlainWordOrder(std::span<const uint8_t> fileStart) {
    return fileStart.size() >= 2 && (fileStart[0] == 132 || fileStart[1] == 2);
}

bool IsSwappedWordOrder(std::span<const uint8_t> fileStart) {
    return fileStart.size() >= 2 && (fileStart[1] == 132 || fileStart[0] == 2);
}

bool FramesAreLittleEndian(std::span<const uint8_t> file, int64_t dataStart, int32_t recordSize) {
    constexpr std::array<uint16_t, 6> SyncWords = {0x284, 0x16F, 0x35C, 0x19D, 0x20F, 0x095};
    constexpr int64_t RecordsExamined = 16;
    const int64_t size = static_cast<int64_t>(file.size());
    if (dataStart < 0 || dataStart >= size) return false;
    const int64_t syncBytes = static_cast<int64_t>(2 * SyncWords.size());
    const int64_t records = recordSize > 0 ? (size - dataStart - syncBytes) / recordSize + 1 : 1;
    const int64_t step = std::max<int64_t>(1, records / RecordsExamined);
    int plain = 0;
    int swapped = 0;
    for (int64_t record = 0; record < records && record < step * RecordsExamined; record += step) {
        const int64_t start = dataStart + record * recordSize;
        if (start + syncBytes > size) break;
        const uint8_t* words = file.data() + start;
        for (size_t k = 0; k < SyncWords.size(); ++k) {
            plain += (words[2 * k] | (words[2 * k + 1] << 8)) == SyncWords[k] ? 1 : 0;
            swapped += ((words[2 * k] << 8) | words[2 * k + 1]) == SyncWords[k] ? 1 : 0;
        }
    }
    if (plain != swapped) return plain > swapped;
    return IsPlainWordOrder(file.subspan(static_cast<size_t>(dataStart)));
}

void Read16BitHrptHeader(TLoadContext& load) {
    TPassState& state = load.State;
    load.SetCaption(" (16 bit raw HRPT format)");
    load.Log("16-bit raw HRPT format");
    const bool stationHeader = HasStationTextHeader(load.HeaderBuffer);
    state.DataStart = stationHeader ? HrptWordRecord : 0;
    state.RecordSize = !stationHeader && load.Extension == ".hrpt" ? PaddedHrptRecord : HrptWordRecord;
    const std::span<const uint8_t> file(load.Input.Data(), static_cast<size_t>(load.Input.Size()));
    load.LittleEndian16 = stationHeader || FramesAreLittleEndian(file, state.DataStart, state.RecordSize);
    // The shared header stays as the file holds it; only the id byte is chosen by the word order.
    std::string proposed =
        SpacecraftNameFromId(load.HeaderBuffer[load.LittleEndian16 ? LittleEndianIdByte : IdByte], state.InputFileDate);
    const std::string upperName = load.UpperName();
    load.Dialog.PresetRule = TIdentityRule::Frames;
    if (Pos("M01_", upperName) > 0 || Pos("_M01", upperName) > 0) {
        proposed = "METOP-B";
        load.Dialog.PresetRule = TIdentityRule::NameLayout;
    }
    load.Dialog.SatellitePreset = proposed;

    const THrpt16Layout layout = Hrpt16Layout(state.LoadedFileName);
    TNamedPass pass;
    bool proposedNorthbound = true;
    if (layout != THrpt16Layout::None && Hrpt16PassFromName(load, layout, pass, proposedNorthbound)) {
        AskForNamedPass(load, layout, pass, proposedNorthbound);
    } else {
        load.Dialog.DateMode = TDateMode::Year;
        load.AskPassDirection(resStr(res::SHintYearAndSatellite), true);
    }
    load.EarthLocations().BaseDate = EncodeDate(load.Dialog.PassYear, 1, 1);
    load.Orbit().SetSatelliteName(load.Dialog.SatelliteText);
    state.PackedInput = true;
    load.SeekInput(state.DataStart);
}

}  // namespace kestrune
