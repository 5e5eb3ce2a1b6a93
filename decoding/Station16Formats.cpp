#include "decoding/Station16Formats.h"

#include "decoding/FramePrescan.h"
#include "decoding/HeaderFields.h"
#include "decoding/LoadContext.h"
#include "decoding/PassIdentity.h"
#include "decoding/SatelliteIdent.h"
#include "decoding/Telemetry.h"
#include "platform/ProgramStrings.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"

#include <cctype>
#include <string_view>

namespace kestrune {

namespace {

constexpr int32_t HrptWordRecord = 22180;
constexpr int32_t DartcomRecord = 22016;
constexpr int32_t DartcomChrptRecord = 44150;
constexpr int64_t GtiHeaderBytes = 52;
// Low byte of the identity word (word 6) of the second frame after the file header.
constexpr size_t GtiIdByte = GtiHeaderBytes + HrptWordRecord + 12;

// NOAA-10 .. NOAA-18 numbers that names carry.
constexpr std::string_view NoaaNumbers[] = {"10", "12", "14", "15", "16", "17", "18"};

// Starts a file of records from offset, the file positioned there.
void StartRecords(TLoadContext& load, int32_t recordSize, int64_t offset, bool packed) {
    TPassState& state = load.State;
    state.RecordSize = recordSize;
    state.DataStart = offset;
    state.PackedInput = packed;
    load.SeekInput(offset);
}

// The satellite of a GTI name, else of the identity word of its second frame;
// the question is told which.
std::string GtiNameSatellite(TLoadContext& load) {
    const std::string& name = load.State.LoadedFileName;
    load.Dialog.PresetRule = TIdentityRule::NameLayout;
    if (load.PvlFile) return "NOAA-" + Copy(name, 22, 2);
    std::string satellite;
    for (const std::string_view number : NoaaNumbers)
        if (number != "10" && Pos("NOAA-" + std::string(number), load.UpperName()) > 0) satellite = "NOAA-" + std::string(number);
    if (!satellite.empty()) return satellite;
    load.Dialog.PresetRule = TIdentityRule::Frames;
    return SpacecraftNameFromId(load.HeaderBuffer[GtiIdByte], load.State.InputFileDate);
}

// The date of a GTI name; 0 when the name gives none. DataStart follows the PVL flag.
TDateTime GtiNameDate(TLoadContext& load) {
    const std::string& name = load.State.LoadedFileName;
    try {
        const TDateTime date =
            load.PvlFile ? EncodeDate(NameField(name, 6, 9), NameField(name, 10, 11), NameField(name, 12, 13))
                         : EncodeDate(StationTwoDigitYear(NameField(name, 13, 14)), NameField(name, 9, 10), NameField(name, 11, 12));
        const std::string refusal = NameDateRefusal(date, NowUtc());
        if (refusal.empty()) return date;
        load.NameRuleNotUsed(refusal);
        return 0;
    } catch (const std::exception&) {
        return 0;
    }
}

// Elements for a named satellite and an estimated date, refined by the
// frame at mid-pass; the proposed direction.
bool PrescanNamedPass(TLoadContext& load, const std::string& satellite, TDateTime estimate) {
    TOrbit& orbit = load.Orbit();
    try {
        orbit.SetSatelliteName(satellite);
        orbit.SelectElements(estimate);
        return PrescanFrameSatellite(load);
    } catch (const std::exception&) {
        return true;
    }
}

// Why a SmartView name's year and day are not used: a day the year lacks, a date no pass can have.
std::string SmartViewDayRefusal(int year, int day) {
    if (!DayInYear(year, day)) return FormatResStr(res::SNameDayImpossible, {std::to_string(day), std::to_string(year)});
    return NameDateRefusal(EncodeDate(year, 1, 1) + day - 1, NowUtc());
}

std::string NumberAt(const std::string& name, int position) {
    std::string satellite;
    for (const std::string_view number : NoaaNumbers)
        if (Pos(number, name) == position) satellite = "NOAA-" + std::string(number);
    return satellite;
}

}  // namespace

bool DateOfStationName(const std::string& name, TDateTime& date) {
    constexpr size_t DateDigits = 6;
    if (name.size() <= DateDigits || name[DateDigits] != '_') return false;
    for (size_t i = 0; i < DateDigits; ++i)
        if (std::isdigit(static_cast<unsigned char>(name[i])) == 0) return false;
    return TryEncodeDate(StationTwoDigitYear(NameField(name, 1, 2)), NameField(name, 3, 4), NameField(name, 5, 6), date);
}

bool IsSmartViewName(const std::string& name) {
    constexpr std::string_view Form = "99999_99";
    if (name.size() != Form.size()) return false;
    for (size_t i = 0; i < Form.size(); ++i)
        if (Form[i] == '9' ? std::isdigit(static_cast<unsigned char>(name[i])) == 0 : name[i] != Form[i]) return false;
    return true;
}

int StationTwoDigitYear(int year) { return year <= 57 ? 2000 + year : 1900 + year; }

void Read16BitSeaWifsHeader(TLoadContext& load) {
    load.SetCaption(" (16-bit raw SeaWIFS format)");
    load.Log("16-bit raw SeaWIFS format");
    load.AskPassDirection("", true);
    StartRecords(load, HrptWordRecord, 0, true);
}

void ReadDartcomHeader(TLoadContext& load) {
    TEarthLocations& locations = load.EarthLocations();
    TPassDirectionRequest& request = load.Dialog;
    if (load.State.InputFormatCode == 29) {
        load.SetCaption(" (16-bit raw Dartcom format)");
        load.Log("16-bit raw Dartcom format");
        request.DateMode = TDateMode::Year;
        const TFramesSatellite framed = SpacecraftNameFromFrames(
            std::span<const uint8_t>(load.Input.Data(), static_cast<size_t>(load.Input.Size())), load.State.InputFileDate);
        load.Log(framed.Satellite.empty()
                     ? Format("  No satellite named by the %d records looked at", framed.Looked)
                     : Format("  Satellite %s named by %d of the %d records looked at", framed.Satellite.c_str(),
                              framed.Naming, framed.Looked));
        request.SatellitePreset = framed.Satellite;
        request.PresetRule = TIdentityRule::Frames;
        const int day = framed.Satellite.empty() ? 1 : framed.DayOfYear;
        if (!framed.Satellite.empty()) request.FramesDay = framed.DayOfYear;
        load.AskPassDirection("", true);
        locations.BaseDate = EncodeDate(request.PassYear, 1, 1);
        load.Orbit().SetSatelliteName(request.SatelliteText);
        // The file names none: kept as the frames looked at proposed it, the
        // satellite is what the frames of the whole pass say once read.
        load.State.SatelliteFromFrames = !framed.Satellite.empty() && request.SatelliteText == framed.Satellite;
        load.State.PreferTelemetryName = load.State.SatelliteFromFrames;
        // A December day of frames under a file time of early January is of the year before.
        const int year = locations.EstimatedDate != 0 ? FrameYear(locations.EstimatedDate, day) : request.PassYear;
        load.Log("  From direction form:  estimated date: " + FormatDateTime("yyyy-mmm-dd", EncodeDate(year, 1, 1) + day - 1) +
                 "  satellite: " + load.Orbit().SatelliteName);
        StartRecords(load, DartcomRecord, 0, false);
        return;
    }
    load.SetCaption(" (16-bit raw Dartcom CHRPT format)");
    load.Log("16-bit raw Dartcom CHRPT format");
    request.DateMode = TDateMode::Date;
    request.SatellitePreset = "FY1C";
    load.AskPassDirection(resStr(res::SHintConfirmDateDirection), true);
    load.Orbit().SetSatelliteName(request.SatelliteText);
    locations.BaseDate = request.PassDate;
    load.Log("  From direction form:  date: " + FormatDateTime("yyyy-mmm-dd", locations.BaseDate) + "  satellite: " +
             load.Orbit().SatelliteName);
    StartRecords(load, DartcomChrptRecord, 0, false);
}

void ReadGtiHeader(TLoadContext& load) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    load.SetCaption(" (16 bit GTI HRPT format)");
    load.Log("16-bit GTI HRPT format");
    const std::string satellite = GtiNameSatellite(load);
    load.Dialog.SatellitePreset = satellite;
    state.DataStart = load.PvlFile ? HrptWordRecord : GtiHeaderBytes;
    const TDateTime date = GtiNameDate(load);
    state.PackedInput = true;
    state.RecordSize = HrptWordRecord;
    state.RecordCount = static_cast<int32_t>(std::max<int64_t>(0, state.FileSizeBytes - state.DataStart) / HrptWordRecord);
    bool proposedNorthbound = true;
    if (!satellite.empty() && date != 0) {
        proposedNorthbound = PrescanNamedPass(load, satellite, date);
        // The year of the pass, not of the file's date, is proposed.
        load.Dialog.PassYear = DecodeDateTime(orbit.PassTime).year;
        load.Dialog.DateRule = TIdentityRule::NameLayout;
    }
    load.Dialog.DateMode = TDateMode::Year;
    load.AskPassDirection(resStr(res::SHintYearAndSatellite), orbit.SatelliteName.empty() ? true : proposedNorthbound);
    load.EarthLocations().BaseDate = EncodeDate(load.Dialog.PassYear, 1, 1);
    orbit.SetSatelliteName(load.Dialog.SatelliteText);
    load.SeekInput(state.DataStart);
}

void ReadSmartViewHeader(TLoadContext& load) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    TPassDirectionRequest& request = load.Dialog;
    load.SetCaption(" (16 bit SmartView HRPT format)");
    load.Log("16-bit SmartView HRPT format");
    request.DateMode = TDateMode::Year;
    orbit.Quiet = load.Settings.Unattended;
    const std::string& name = state.LoadedFileName;
    std::string satellite;
    int year = 0;
    int day = 0;
    TDateTime named = 0;
    if (IsSmartViewName(name)) {
        year = StationTwoDigitYear(NameField(name, 1, 2));
        day = NameField(name, 3, 5);
        if (const std::string refusal = SmartViewDayRefusal(year, day); refusal.empty()) {
            satellite = NumberAt(name, 7);
            request.PassYear = year;
        } else {
            load.NameRuleNotUsed(refusal);
            year = day = 0;
        }
    } else if (DateOfStationName(name, named)) {
        // Renamed as ".wsd" passes are named; the name's own satellite, when it spells one, is refined by the frames.
        year = DecodeDateTime(named).year;
        request.PassYear = year;
        day = static_cast<int>(named - EncodeDate(year, 1, 1)) + 1;
        if (const TSatelliteChoice spelled = SatelliteOfName(load.UpperName()); spelled.Rule == TIdentityRule::NameOutright)
            satellite = spelled.Satellite;
        load.Log("  Year and day from the name's date " + FormatDateTime("yyyy-mm-dd", named));
    } else if (StrToIntDef(Copy(name, 1, 2), -1) >= 0 || !NumberAt(name, static_cast<int>(name.size()) - 1).empty()) {
        // Other names' digits are dates and times of other forms ("2023-05-03-1200-NOAA18").
        load.NameRuleNotUsed(resStr(res::SNameFormNotSmartView));
    }
    if (satellite.empty()) ProposeFramesSatellite(load, HrptWordRecord, HrptWordRecord);
    if (!satellite.empty()) {
        request.SatellitePreset = satellite;
        request.PresetRule = TIdentityRule::NameLayout;
    }
    request.DateRule = TIdentityRule::NameLayout;
    // The first record is the recorder's text header, not a line of the picture.
    state.PackedInput = true;
    state.RecordSize = HrptWordRecord;
    state.DataStart = HrptWordRecord;
    state.RecordCount = static_cast<int32_t>(std::max<int64_t>(0, state.FileSizeBytes - HrptWordRecord) / HrptWordRecord);
    orbit.SetSatelliteName("");
    bool proposedNorthbound = true;
    if (!satellite.empty() && year != 0 && day != 0) {
        proposedNorthbound = PrescanNamedPass(load, satellite, EncodeDate(year, 1, 1) + day - 1);
        // The frame at mid-pass may name another satellite than the name.
        if (orbit.SatelliteName != satellite) request.PresetRule = TIdentityRule::Frames;
        request.SatellitePreset = orbit.SatelliteName;
        // A pass the name dates late in December may be the next year's.
        request.PassYear = DecodeDateTime(orbit.PassTime).year;
    }
    request.SatelliteText.clear();
    load.AskPassDirection(resStr(res::SHintYearAndSatellite), orbit.SatelliteName.empty() ? true : proposedNorthbound);
    load.EarthLocations().BaseDate = EncodeDate(request.PassYear, 1, 1);
    orbit.SetSatelliteName(request.SatelliteText);
    load.SeekInput(state.DataStart);
}

}  // namespace kestrune
