#include "decoding/TimestepFormat.h"

#include "decoding/HeaderFields.h"
#include "decoding/LoadContext.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <string_view>

namespace kestrune {

namespace {

constexpr int64_t TimestepHeaderBytes = 2048;
constexpr int32_t WindowsPackedRecord = 13868;
constexpr int32_t WindowsChrptRecord = 27728;
constexpr int32_t WindowsWordRecord = 22180;

uint16_t HeaderWord(const std::vector<uint8_t>& header, size_t offset) {
    return static_cast<uint16_t>(header[offset] | header[offset + 1] << 8);
}

// Characters at offset, up to a zero byte.
std::string HeaderText(const std::vector<uint8_t>& header, size_t offset, size_t count) {
    const auto* first = reinterpret_cast<const char*>(header.data() + offset);
    return std::string(first, std::find(first, first + count, '\0'));
}

std::string SatelliteOfWord(uint16_t word) {
    switch (word) {
        case 9: return "NOAA-17";
        case 10: return "NOAA-10";
        case 11: return "NOAA-11";
        case 12: return "NOAA-12";
        case 13: return "NOAA-16";
        case 14: return "NOAA-14";
        case 15: return "NOAA-15";
        case 16: return "NOAA-16";
        case 17: return "NOAA-17";
        case 18: case 65535: return "NOAA-18";
        default: return "";
    }
}

// Below 57 the years are of this century, 57 to 99 of the last.
int TimestepYear(int year) {
    if (year < 57) return year + 2000;
    if (year <= 99) return year + 1900;
    return year;
}

std::string FengYunSatellite(const std::string& tag, const std::string& upperName) {
    if (tag == "+FY1D") return "FY1D";
    if (tag != "+FY1C") return "";
    const int fy = Pos("FY", upperName);
    return fy > 0 && Pos("1D", upperName.substr(static_cast<size_t>(fy))) > 0 ? "FY1D" : "FY1C";
}

int32_t TimestepRecordSize(const TPassState& state) {
    switch (state.InputFormatCode) {
        case 1:
            if (!state.PackedInput) return WindowsWordRecord;
            return state.SensorKind == SensorFengYun1 ? WindowsChrptRecord : WindowsPackedRecord;
        case 2: return (state.ChannelCount + 1) * 2560;
        default: return (state.ChannelCount + 1) * 2048;
    }
}

}  // namespace

void DecodeTimestepHeader(TLoadContext& load) {
    const std::vector<uint8_t>& header = load.HeaderBuffer;
    TOrbit& orbit = load.Orbit();
    load.Log("TIMESTEP HEADER DECODED");
    load.Log(header[0] != 0 ? "  Descending pass" : "  Ascending pass");
    load.Log(load.State.PackedInput ? "  Packed" : "  Unpacked");
    load.Log("  Format string:  " + HeaderText(header, 200, 7));
    load.Log("  Old format string:  " + HeaderText(header, 1000, 8));
    const uint16_t satelliteWord = HeaderWord(header, 88);
    orbit.SetSatelliteName(SatelliteOfWord(satelliteWord));
    const std::string fengYun = FengYunSatellite(std::string(reinterpret_cast<const char*>(&header[207]), 5), load.UpperName());
    if (!fengYun.empty()) orbit.SetSatelliteName(fengYun);

    TDateTime date = 0;
    TDateTime time = 0;
    const int year = TimestepYear(HeaderWord(header, 8));
    if (!TryEncodeDate(year, HeaderWord(header, 10), HeaderWord(header, 12), date) ||
        !TryEncodeTime(HeaderWord(header, 14), HeaderWord(header, 16), HeaderWord(header, 18), HeaderWord(header, 20),
                       time))
        return;  // no usable capture time: no header text, no date base
    const TDateTime captured = date + time;
    load.EarthLocations().BaseDate = fengYun.empty() ? EncodeDate(year, 1, 1) : date;
    load.Log("  Decoded base date is " + FormatDateTime("yyyy-mmm-dd", captured) + " and satellite name \"" +
             orbit.SatelliteName + "\"");
    if (satelliteWord == 10 && !TTelemetryData::InServiceNoaa10(captured)) orbit.SetSatelliteName("NOAA-19");
    load.State.HeaderText =
        FormatResStr(res::STimestepCaptured, {orbit.SatelliteName, FormatDateTime("yyyy-mmm-dd  hh:nn", captured)});
}

void ReadTimestepHeader(TLoadContext& load) {
    TPassState& state = load.State;
    const uint8_t code = state.InputFormatCode;
    const bool dos = code != 1;
    static constexpr std::string_view Names[] = {"Timestep Windows format", "Timestep DOS format",
                                                 "Timestep DOS format (8-bit)"};
    static constexpr std::string_view Suffixes[] = {" (Timestep Windows format)", " (Timestep DOS format)",
                                                    " (Timestep 8-bit DOS format)"};
    load.Log(std::string(Names[code - 1]));
    if (!dos) state.PackedInput = state.SensorKind == SensorFengYun1 || load.HeaderBuffer[7] != 0;
    DecodeTimestepHeader(load);
    if (dos) state.PackedInput = true;
    load.SetCaption(std::string(Suffixes[code - 1]));
    const bool ascending = load.HeaderBuffer[0] == 0;
    if (dos) {
        state.ChannelCount = StationChannels5(load.HeaderBuffer, state.SensorKind, state.ChannelAvailable);
        state.ChannelSelected = state.ChannelAvailable;
        state.Northbound = ascending;
    }
    load.DirectionKnown = true;  // the header says
    load.AskPassDirection(state.HeaderText, ascending);
    if (dos && load.Orbit().SatelliteName.empty()) {
        load.Orbit().SetSatelliteName(load.Dialog.SatelliteText);
        state.HeaderText = load.Orbit().SatelliteName + ", " + state.HeaderText;
    }
    state.RecordSize = TimestepRecordSize(state);
    load.SeekInput(TimestepHeaderBytes);
    state.DataStart = TimestepHeaderBytes;
}

}  // namespace kestrune
