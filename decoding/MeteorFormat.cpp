#include "decoding/MeteorFormat.h"

#include "decoding/FrameReader.h"
#include "decoding/LoadContext.h"
#include "decoding/MN2unpacker.h"
#include "decoding/Sensor.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/FileIO.h"
#include "platform/FileUtils.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace kestrune {

namespace {

constexpr int32_t MeteorBlockRecord = 12800;   // 50 blocks of 256 bytes
constexpr int64_t MeteorBlockBytes = 256;
constexpr int64_t M2hrHeaderBytes = 1024;
constexpr int32_t FramePatternNeeded = 75;
constexpr std::array<uint8_t, 4> BlockSync = {0x1A, 0xCF, 0xFC, 0x1D};

bool HeaderStartsWith(const TLoadContext& load, const char* magic) {
    return std::memcmp(load.HeaderBuffer.data(), magic, 4) == 0;
}

// The satellite field of a Meteor header: bytes 4..19, up to a zero byte.
std::string HeaderSatellite(const TLoadContext& load) {
    const auto* first = reinterpret_cast<const char*>(load.HeaderBuffer.data() + 4);
    return std::string(first, std::find(first, first + 16, '\0'));
}

// "MN12" (N1) or "MN22" (M2) in the upper name without "-" and "_", then the
// digits of year, month, day, hour and minute from the "2" of the token.
bool SelectFromName(TLoadContext& load, const std::string& token) {
    std::string name;
    for (const char c : load.UpperName())
        if (c != '-' && c != '_') name += c;
    const int p = Pos(token, name);
    if (p == 0) return false;
    try {
        const TDateTime date = EncodeDate(NameField(name, p + 3, p + 6), NameField(name, p + 7, p + 8),
                                          NameField(name, p + 9, p + 10));
        load.Orbit().SelectElements(date + EncodeTime(NameField(name, p + 11, p + 12), NameField(name, p + 13, p + 14), 0, 0));
        return true;
    } catch (const std::exception&) {
        return false;  // the name gives no date: no elements
    }
}

// The first 256-byte block that starts a frame: the sync marker and the frame
// marker after its header. A pass's first frame comes within its first
// thousand frames; the search goes no further into a file that has none.
int64_t FindFirstFrame(TLoadContext& load) {
    constexpr int64_t MostSearchedBlocks = int64_t{1000} * MeteorBlockRecord / MeteorBlockBytes;
    int64_t dataStart = 0;
    const int64_t blocks = std::min(load.State.FileSizeBytes / 512 + 1, MostSearchedBlocks);
    for (int64_t block = 0; block < blocks; ++block) {
        const int64_t at = block * MeteorBlockBytes;
        const int64_t available = std::clamp<int64_t>(load.Input.Size() - at, 0, MeteorBlockBytes);
        const std::span<const uint8_t> bytes(load.Input.Data() + std::min(at, load.Input.Size()), static_cast<size_t>(available));
        if (bytes.size() >= 4 && std::equal(BlockSync.begin(), BlockSync.end(), bytes.begin()) &&
            FramePatternScore(bytes) > FramePatternNeeded)
            break;
        dataStart += MeteorBlockBytes;
    }
    return dataStart;
}

// Direction at the pass time, date base at its New Year, records from dataStart.
void AskAndStart(TLoadContext& load, int32_t recordSize, int64_t dataStart) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    load.AskPassDirection("", load.ProposeOrbitDirection(orbit.PassTime));
    load.EarthLocations().BaseDate = EncodeDate(DecodeDateTime(orbit.PassTime).year, 1, 1);
    state.RecordSize = recordSize;
    state.DataStart = dataStart;
    load.SeekInput(dataStart);
}

// Beside the recording, or where a recording in a folder the user cannot
// write to is converted; a conversion that cannot be written beside it (a
// full disk) goes there as well.
void ConvertRecording(TLoadContext& load, int32_t& frames) {
    const std::string folder = load.PreparedFileFolder(load.FileName);
    try {
        UnpackMN2File(load.FileName, frames, folder);
    } catch (const EWriteError& beside) {
        if (!folder.empty()) throw;
        load.Log(beside.what());
        try {
            UnpackMN2File(load.FileName, frames, load.PrivateFolder());
        } catch (const std::exception& elsewhere) {
            throw EWriteError(FormatResStr(res::SConversionWrittenNowhere, {beside.what(), elsewhere.what()}));
        }
    }
}

}  // namespace

TDateTime MeteorHeaderDate(std::span<const uint8_t> header) {
    if (header.size() < 42) throw EConvertError("Meteor header is cut short");
    const auto word = [&](size_t k) { return static_cast<int>(header[30 + 2 * k] | header[31 + 2 * k] << 8); };
    return EncodeDate(word(5) + 1900, word(4) + 1, word(3)) + EncodeTime(word(2), word(1), 0, 0);
}

void PrepareMeteorFile(TLoadContext& load) {
    TPassState& state = load.State;
    std::error_code error;
    const bool converted = std::filesystem::is_regular_file(ChangeFileExt(load.FileName, ".msu2"), error);
    const std::string original = load.FileName;
    int32_t frames = 0;
    try {
        if (IsMeteorRecordingName(original)) ConvertRecording(load, frames);
    } catch (const std::exception& failure) {
        // Transfer frames read as they stand are no picture: the load ends, telling why.
        throw ELoadError(FormatResStr(res::SMeteorNotConverted, {failure.what()}));
    }
    // What this load converted goes again when the load fails: it is no pass.
    if (!converted && load.FileName != original) load.UnpackedFiles.push_back(load.FileName);
    if (converted && load.FileName != original) {
        load.Log("");
        load.Log("Using converted Meteor M-N2 file");
    } else if (load.FileName != original) {
        for (const std::string& line : {std::string(), std::string("Meteor M-N2 file converted ..."),
                                        "  from: " + ExtractFileName(original), "    to: " + ExtractFileName(load.FileName),
                                        Format("%d frames", frames), std::string()})
            load.Log(line);
    }
    if (load.FileName == original) return;
    // A file in the load's private folder goes with the load: the recent-file list keeps what the user opened.
    if (load.RecentName == original && !load.UnpackFolder) load.RecentName = load.FileName;
    state.LoadedFileName = ChangeFileExt(ExtractFileName(load.FileName), "");
}

void ReadMeteorN1Header(TLoadContext& load) {
    TOrbit& orbit = load.Orbit();
    orbit.SetSatelliteName("Meteor-M1");
    if (HeaderStartsWith(load, "MHRP"))
        orbit.SelectElements(MeteorHeaderDate(load.HeaderBuffer));
    else
        SelectFromName(load, "MN12");
    load.State.PackedInput = true;
    AskAndStart(load, MeteorBlockRecord, FindFirstFrame(load));
}

void ReadMeteorRawHeader(TLoadContext& load) {
    TOrbit& orbit = load.Orbit();
    orbit.SetSatelliteName("Meteor-M2");
    if (HeaderStartsWith(load, "MHRP") || HeaderStartsWith(load, "M2HR")) {
        load.ShowMessage(HeaderSatellite(load));
        orbit.SelectElements(MeteorHeaderDate(load.HeaderBuffer));
    } else {
        SelectFromName(load, "MN22");
    }
    load.State.PackedInput = true;
    AskAndStart(load, MeteorBlockRecord, 0);
}

void ReadMeteorConvertedHeader(TLoadContext& load) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    orbit.SetSatelliteName("Meteor-M2");
    int64_t dataStart = 0;
    if (HeaderStartsWith(load, "M2HR")) {
        if (HeaderSatellite(load) == "METEOR-MN2-2") orbit.SetSatelliteName("Meteor-M2-2");
        orbit.SelectElements(MeteorHeaderDate(load.HeaderBuffer));
        // A standard name "yyyy-mm-dd-hhnn..." tells the pass start better.
        if (Pos("MN2", load.UpperName().substr(std::min<size_t>(16, load.UpperName().size()))) > 0) {
            const std::string& name = state.LoadedFileName;
            try {
                orbit.SelectElements(EncodeDate(NameField(name, 1, 4), NameField(name, 6, 7), NameField(name, 9, 10)) +
                                     EncodeTime(NameField(name, 12, 13), NameField(name, 14, 15), 0, 0));
            } catch (const std::exception&) {
                // The header's date stands.
            }
        }
        dataStart = M2hrHeaderBytes;
    } else {
        SelectFromName(load, "MN22");
    }
    state.Sensor->SetSatellite(IdentityMeteor);
    state.MeteorPass = true;
    state.TelemetryData->MeteorPass = true;
    AskAndStart(load, MsuMrFrameBytes, dataStart);
}

}  // namespace kestrune
