#include "decoding/L1FTenB.h"

#include "decoding/HeaderFields.h"
#include "decoding/Level1bLoader.h"
#include "decoding/LoadContext.h"
#include "decoding/PassIdentity.h"
#include "decoding/SatelliteIdent.h"
#include "decoding/Sensor.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <cctype>

namespace kestrune {

namespace {

constexpr int64_t L1FHeaderBytes = 248;
constexpr int32_t L1FRecordBytes = 13798;
constexpr int32_t TenBPrefixBytes = 7;
constexpr int TenBLineWidth = 2048;

uint16_t LittleWordAt(const TLoadContext& load, size_t offset) {
    const std::vector<uint8_t>& header = load.HeaderBuffer;
    if (offset + 2 > header.size()) return 0;
    return static_cast<uint16_t>(header[offset] | (header[offset + 1] << 8));
}

// Text of at most count bytes at offset, ended by the first zero byte.
std::string ZeroEndedText(const TLoadContext& load, size_t offset, size_t count) {
    const auto first = load.HeaderBuffer.begin() + static_cast<std::ptrdiff_t>(offset);
    return std::string(first, std::find(first, first + static_cast<std::ptrdiff_t>(count), uint8_t{0}));
}

// A header date or time the calendar or the clock lacks refuses the file:
// it can neither be shown nor date the pass.
bool HeaderDateValid(const TNameTime& when) {
    TDateTime date = 0;
    TDateTime time = 0;
    return TryEncodeDate(when.Year, when.Month, when.Day, date) && TryEncodeTime(when.Hour, when.Minute, 0, 0, time) &&
           PassDatePossible(date, NowUtc());
}

// The 10B header's date: minutes, hours, day, month from 0, years since 1900.
TNameTime HeaderTime(const TLoadContext& load) {
    return {LittleWordAt(load, 40) + 1900, LittleWordAt(load, 38) + 1, LittleWordAt(load, 36), LittleWordAt(load, 34),
            LittleWordAt(load, 32)};
}

void CheckHeaderDate(TLoadContext& load, const TNameTime& when) {
    TDateTime date = 0;
    TDateTime time = 0;
    if (TryEncodeDate(when.Year, when.Month, when.Day, date) && TryEncodeTime(when.Hour, when.Minute, 0, 0, time)) return;
    RefuseFile(load, FormatResStr(res::SNoHeaderDate, {Format("%.4d-%.2d-%.2d %.2d:%.2d", when.Year, when.Month, when.Day,
                                                              when.Hour, when.Minute)}));
}

std::string PassText(const std::string& satellite, const TNameTime& when) {
    const std::string month = FormatDateTime("mmm", EncodeDate(2000, when.Month, 1));
    return Format("%s, %d %s %.2d, %.2d:%.2d", satellite.c_str(), when.Year, month.c_str(), when.Day, when.Hour,
                  when.Minute);
}

void ShowPass(TLoadContext& load, const std::string& satellite, const std::string& text) {
    load.State.HeaderText = text;
    load.Host.ShowSatelliteLabel(true, satellite, text);
}

// A Meteor-M 10B file is dated by its name: "2_HRPT_yyyymmdd_hhnn", the
// standard "yyyy-mm-dd-hhnn", or "yyyymmdd_hhnnss" as receivers of Meteor's
// own broadcast write it.
TNameTime MeteorNameTime(const std::string& name, bool stationPrefix) {
    TNameTime when;
    if (stationPrefix) {
        when = {NameField(name, 8, 11), NameField(name, 12, 13), NameField(name, 14, 15), NameField(name, 17, 18),
                NameField(name, 19, 20)};
    } else if (name.size() > 4 && std::isdigit(static_cast<unsigned char>(name[4])) != 0) {
        when = {NameField(name, 1, 4), NameField(name, 5, 6), NameField(name, 7, 8), NameField(name, 10, 11),
                NameField(name, 12, 13)};
    } else {
        when = {NameField(name, 1, 4), NameField(name, 6, 7), NameField(name, 9, 10), NameField(name, 12, 13),
                NameField(name, 14, 15)};
    }
    when.Date();  // a month or day the calendar lacks gives no date
    return when;
}

// Satellite and date of a 10B file; false when no date could be had.
bool Settle10BPass(TLoadContext& load, TNameTime& when) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    orbit.SetSatelliteName(ZeroEndedText(load, 4, 16));
    const std::string upper = UpperCase(orbit.SatelliteName);
    const bool meteor2 = upper == "METEOM2";
    if (meteor2 || upper == "METEOM22") {
        orbit.SetSatelliteName(meteor2 ? "METEOR-M2" : "METEOR-M2-2");
        state.MeteorPass = true;
        state.TelemetryData->MeteorPass = true;
        state.Sensor->SetSatellite(IdentityMeteor);
        try {
            when = MeteorNameTime(state.LoadedFileName, meteor2 && StartsText("2_HRPT", state.LoadedFileName));
            // A date no pass can have is told and left, as a name of no layout is.
            if (const std::string refusal = NameDateRefusal(when.Date(), NowUtc()); !refusal.empty()) {
                load.NameRuleNotUsed(refusal);
                throw EConvertError(refusal);
            }
        } catch (const EConvertError&) {
            // A name of another layout: the header's own date, where it holds one.
            when = HeaderTime(load);
            if (!HeaderDateValid(when)) return false;
            load.Log("  The name gives no date: the header's " + Format("%.4d-%.2d-%.2d %.2d:%.2d", when.Year, when.Month,
                                                                         when.Day, when.Hour, when.Minute) + " is used");
        }
        // The name's date tells which year a New Year pass is of.
        load.EarthLocations().EstimatedDate = when.DateTime();
    } else {
        when = HeaderTime(load);
        CheckHeaderDate(load, when);
    }
    // The frames count the days of the year and the time of day: the name or
    // the header adds the year.
    load.EarthLocations().BaseDate = EncodeDate(when.Year, 1, 1);
    if (state.SensorKind == SensorFengYun1) load.EarthLocations().BaseDate += LittleWordAt(load, 44);
    if (SameText(orbit.SatelliteName, "Sat 0") || SameText(orbit.SatelliteName, "FenY 1D"))
        orbit.SetSatelliteName("FY1D");
    return true;
}

}  // namespace

int32_t TenBLineBytes(int channelCount, bool fengYun) {
    const int32_t words = channelCount * 2048 + (fengYun ? 1700 : 850);
    return (words * 10 + 39) / 40 * 5 + TenBPrefixBytes;
}

void ReadL1FHeader(TLoadContext& load) {
    TPassState& state = load.State;
    load.SetCaption(" (L1F format)");
    load.Log("L1F format");
    // Two-digit years: below 57 this century, otherwise the last.
    int year = LittleWordAt(load, 46);
    if (year < 57)
        year += 2000;
    else if (year < 100)
        year += 1900;
    const TNameTime when{year, LittleWordAt(load, 48), LittleWordAt(load, 50), LittleWordAt(load, 52),
                         LittleWordAt(load, 54)};
    CheckHeaderDate(load, when);
    const std::string satellite = ZeroEndedText(load, 14, 32);
    ShowPass(load, satellite, PassText(satellite, when));
    TOrbit& orbit = load.Orbit();
    load.EarthLocations().BaseDate = EncodeDate(year, 1, 1);
    orbit.SetSatelliteName(satellite);
    orbit.SelectElements(when.DateTime() + EncodeTime(0, 0, std::min<int>(LittleWordAt(load, 56), 59), 0));
    load.PassDate = orbit.PassTime;
    load.AskPassDirection("Header: " + state.HeaderText, load.ProposeOrbitDirection(orbit.PassTime));
    state.PackedInput = true;
    state.RecordSize = L1FRecordBytes;
    StartRecordsAt(load, L1FHeaderBytes);
}

void Read10BHeader(TLoadContext& load) {
    TPassState& state = load.State;
    load.SetCaption(" (10B format)");
    load.Log("10B format");
    // Checked first, so that no question is asked about a file that cannot be read.
    if (LittleWordAt(load, 22) != TenBLineWidth)
        RefuseFile(load, resStr(res::STenBFractionLines));
    TNameTime when;
    bool dated = false;
    try {
        dated = Settle10BPass(load, when);
    } catch (const EConvertError&) {
        dated = false;
    }
    const std::string& satellite = load.Orbit().SatelliteName;
    ShowPass(load, satellite, dated ? PassText(satellite, when) : satellite + ", date unknown");
    const TEarthLocations& locations = load.EarthLocations();
    load.PassDate = locations.EstimatedDate != 0 ? locations.EstimatedDate : locations.BaseDate;
    state.ChannelCount = StationChannels10(load.HeaderBuffer, state.SensorKind, state.ChannelAvailable);
    state.ChannelSelected = state.ChannelAvailable;
    load.DirectionKnown = true;  // the header says
    load.AskPassDirection("Header: " + state.HeaderText, load.HeaderBuffer[110] != 0);
    state.PackedInput = true;
    const int64_t dataStart = LittleWordAt(load, 104);
    const int32_t expected = TenBLineBytes(state.ChannelCount, state.SensorKind == SensorFengYun1);
    load.SeekInput(std::min<int64_t>(dataStart + 5, state.FileSizeBytes));
    const std::span<const uint8_t> stored = load.Input.Take(2);
    const int32_t storedLength = stored.size() == 2 ? (stored[0] | (stored[1] << 8)) + TenBPrefixBytes : 0;
    if (storedLength != expected)
        load.ShowMessage(FormatResStr(res::STenBLineLength, {std::to_string(storedLength), std::to_string(expected)}));
    state.RecordSize = expected;
    StartRecordsAt(load, dataStart);
}

}  // namespace kestrune
