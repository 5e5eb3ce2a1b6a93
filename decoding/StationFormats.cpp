#include "decoding/StationFormats.h"

#include "decoding/FramePrescan.h"
#include "decoding/LoadContext.h"
#include "decoding/PassIdentity.h"
#include "decoding/SatelliteIdent.h"
#include "platform/ProgramStrings.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace kestrune {

namespace {

constexpr int64_t PvlTextBytes = 1500;
constexpr int64_t PackingSampleBytes = 1000;
constexpr int32_t SsbRecord = 13590;
constexpr int32_t HrptPackedRecord = 13864;    // 11,090 10-bit words, rounded up to whole bytes
constexpr int32_t ChrptPackedRecord = 27728;
constexpr int32_t ChrptWsdRecord = 27725;
constexpr int64_t WsdHeaderBytes = 1024;

// The element line of characters at offset of the file header, up to a zero byte.
std::string ElementLineAt(const std::vector<uint8_t>& header, size_t offset) {
    constexpr size_t ElementLineLength = 69;
    const auto* first = reinterpret_cast<const char*>(header.data() + offset);
    return std::string(first, std::find(first, first + ElementLineLength, '\0'));
}

void TakeEmbeddedElements(TLoadContext& load) {
    load.EarthLocations().EmbeddedTleLine1 = ElementLineAt(load.HeaderBuffer, 80);
    load.EarthLocations().EmbeddedTleLine2 = ElementLineAt(load.HeaderBuffer, 150);
}

// Satellite and date from the name of an ESS file, with its elements; false
// when the name gives none or no elements were found.
bool EssPassFromName(TLoadContext& load, bool& proposedNorthbound) {
    const std::string& name = load.State.LoadedFileName;
    const std::string upperName = load.UpperName();
    TOrbit& orbit = load.Orbit();
    try {
        TNamedPass pass;
        if (BeginsWithYear(name) || name.rfind("hrpt", 0) == 0)
            pass = EssNamePass(name, load.PvlFile);
        else if (upperName.rfind("METOP", 0) == 0)
            pass = EssMetopNamePass(upperName);
        else
            return false;
        if (const std::string refusal = NameDateRefusal(pass.When.Date(), NowUtc()); !refusal.empty()) {
            load.NameRuleNotUsed(refusal);
            return false;
        }
        orbit.SetSatelliteName(UpperCase(pass.Satellite));
        if (!orbit.CatalogNumber.empty()) orbit.SelectElements(pass.When.Date());
        // A satellite without any sets leaves the name's date and satellite standing, the pass unlocated.
        const bool noFiles =
            !orbit.CatalogNumber.empty() && orbit.Keplers != nullptr && orbit.Keplers->LastFoundNoFiles();
        if (!orbit.ElementsValid && !noFiles) {
            if (!orbit.CatalogNumber.empty())
                load.NameRuleNotUsed(FormatResStr(res::SNameNoElements, {orbit.SatelliteName, FormatDateTime("yyyy-mm-dd", pass.When.Date())}));
            orbit.SetSatelliteName("");
            return false;
        }
        load.PassDate = orbit.ElementsValid ? orbit.PassTime : pass.When.DateTime();
        const TDateTime midPass = load.TakeNamedPass(pass.When);
        proposedNorthbound = ProposeNamedPassDirection(load, pass.When, HrptPackedRecord, load.State.DataStart, midPass);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The year preset of a 10-bit name without satellite token: the epoch of the
// archived elements nearest the orbit number in the name.
void PresetYearFromOrbitNumber(TLoadContext& load) {
    const std::string& name = load.State.LoadedFileName;
    const std::string satellite = TenBitOrbitSatellite(name);
    if (satellite.empty()) return;
    try {
        const TDateTime epoch = load.Orbit().Keplers->KeplerEpochForOrbit(satellite, NameField(name, 1, 5));
        if (epoch == 0) return;
        load.Dialog.PassYear = DecodeDateTime(epoch).year;
        load.Dialog.DateRule = TIdentityRule::NameLayout;
    } catch (const std::exception&) {
        // No usable orbit number: the question proposes the year.
    }
}

// Elements and direction for the satellite named by a 10-bit file name; a
// ".wsd" file's own element set is taken before any archive's. The question
// proposes the name's year, and its date when it asks for one.
bool TenBitNamedDirection(TLoadContext& load, const std::string& satellite) {
    TOrbit& orbit = load.Orbit();
    load.SetCaption(", " + satellite + " (N10 format)");
    orbit.SetSatelliteName(satellite);
    try {
        const uint8_t code = load.State.InputFormatCode;
        const bool wsd = code == 39 || code == 40;
        const TNameTime when = TenBitNameTime(load.State.LoadedFileName, wsd);
        // Digits of a name written with a two-digit year read as a year centuries away.
        when.DateTime();
        if (const std::string refusal = NameDateRefusal(when.Date(), NowUtc()); !refusal.empty()) {
            load.NameRuleNotUsed(refusal);
            return true;
        }
        const TEarthLocations& locations = load.EarthLocations();
        if (wsd && locations.HasEmbeddedElements())
            orbit.UseEmbeddedKeplers(locations.EmbeddedTleLine1, locations.EmbeddedTleLine2, when.DateTime());
        else
            orbit.SelectElements(when.DateTime());
        load.Dialog.PassYear = when.Year;
        if (load.Dialog.DateMode == TDateMode::Date) load.Dialog.PassDate = when.Date();
        load.Dialog.DateRule = TIdentityRule::NameLayout;
        // FengYun and SeaStar frames time their lines otherwise.
        if (!StartsText("NOAA-", satellite)) return load.ProposeOrbitDirection(orbit.PassTime);
        return ProposeNamedPassDirection(load, when, HrptPackedRecord, wsd ? WsdHeaderBytes : 0, orbit.PassTime);
    } catch (const std::exception&) {
        return true;
    }
}

// The estimated date of the orbit number in the name, refined by the frame
// at mid-pass; the proposed direction.
bool SsbPassFromOrbitNumber(TLoadContext& load, const std::string& satellite) {
    TOrbit& orbit = load.Orbit();
    const TDateTime estimate = orbit.Keplers->KeplerEpochForOrbit(satellite, NameField(load.State.LoadedFileName, 4, 8));
    if (estimate == 0) return true;
    load.Dialog.PassYear = DecodeDateTime(estimate).year;
    load.Dialog.DateRule = TIdentityRule::NameLayout;
    orbit.SetSatelliteName(satellite);
    orbit.SelectElements(estimate);
    const bool northbound = PrescanFrameSatellite(load);
    load.Dialog.PassYear = DecodeDateTime(orbit.PassTime).year;
    return northbound;
}

}  // namespace

int64_t ReadPvlHeader(TInputFile& input) {
    input.Seek(0);
    const std::span<const uint8_t> bytes = input.Take(PvlTextBytes);
    const std::string text = LowerCase(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    const size_t format = text.find("begin_group = format");
    if (format == std::string::npos) return 0;
    const size_t group = text.find("begin_group = pvl_header", format);
    if (group == std::string::npos) return 0;
    const std::string key = "length = ";
    const size_t length = text.find(key, group);
    if (length == std::string::npos) return 0;
    const size_t first = length + key.size();
    size_t last = first;
    while (last < text.size() && !std::isspace(static_cast<unsigned char>(text[last])) && text[last] != ';') ++last;
    const std::string number = text.substr(first, last - first);
    int value = 0;
    if (!TryStrToInt(number, value)) throw EConvertError("'" + number + "' is not a valid integer value");
    return value;
}

void ResolveProvisionalPvlCode(TLoadContext& load) {
    TPassState& state = load.State;
    load.PvlFile = true;
    const int64_t headerLength = ReadPvlHeader(load.Input);
    state.InputFormatCode = (headerLength > 0 || load.Extension == ".native") ? 5 : 31;
    if (Pos("_hbu", state.LoadedFileName) > 0 && DetectSamplePacking(load.Input.Take(PackingSampleBytes)))
        state.InputFormatCode = 31;
}

void ReadSsbHeader(TLoadContext& load) {
    TPassState& state = load.State;
    TOrbit& orbit = load.Orbit();
    load.Log("SSB/ORBIT format - file: " + state.LoadedFileName);
    orbit.SetSatelliteName("");
    load.SeekInput(0);
    state.DataStart = 0;
    state.RecordSize = SsbRecord;
    state.RecordCount = static_cast<int32_t>(state.FileSizeBytes / SsbRecord);
    load.Dialog.DateMode = TDateMode::Year;
    const std::string satellite = SsbNameSatellite(state.LoadedFileName);
    if (satellite.empty()) {
        load.Log("SSB/Orbit format could not determine satellite name");
        load.SetCaption(" (Orbit/SSB format)");
        load.AskPassDirection(resStr(res::SHintYearAndSatellite), true);
    } else {
        bool proposedNorthbound = true;
        try {
            load.SetCaption(", " + satellite + " (Orbit/SSB format)");
            proposedNorthbound = SsbPassFromOrbitNumber(load, satellite);
        } catch (const std::exception&) {
            load.SetCaption(" (Orbit/SSB format)");
        }
        load.AskPassDirection("Year:", proposedNorthbound);
    }
    load.EarthLocations().BaseDate = EncodeDate(load.Dialog.PassYear, 1, 1);
    orbit.SetSatelliteName(load.Dialog.SatelliteText);
}

void ReadEssHeader(TLoadContext& load) {
    TPassState& state = load.State;
    load.SetCaption(" (ESS HRPT format)");
    load.Log("ESS HRPT format");
    state.RecordSize = HrptPackedRecord;
    state.DataStart = load.PvlFile ? ReadPvlHeader(load.Input) : 0;
    load.Dialog.SatellitePreset.clear();
    bool proposedNorthbound = true;
    if (EssPassFromName(load, proposedNorthbound)) {
        load.AskPassDirection("", proposedNorthbound);
    } else {
        load.Dialog.DateMode = TDateMode::Year;
        ProposeFramesSatellite(load, HrptPackedRecord, state.DataStart);
        load.AskPassDirection(resStr(res::SHintYearAndSatellite), true);
    }
    load.EarthLocations().BaseDate = EncodeDate(load.Dialog.PassYear, 1, 1);
    load.Orbit().SetSatelliteName(load.Dialog.SatelliteText);
    load.SeekInput(state.DataStart);
    state.PackedInput = true;
}

void ReadTenBitHeader(TLoadContext& load) {
    TPassState& state = load.State;
    load.SetCaption(" (N10 format)");
    load.Log("DTP N10 format");
    const std::string satellite = TenBitSatelliteToken(load.UpperName());
    // FengYun-3 names carry the date their frames' time codes lack, wherever
    // in the name the satellite stands.
    const bool fengYun3 = StartsText("FY3", state.LoadedFileName) || StartsText("FY3", satellite);
    const bool dated = state.SensorKind == SensorSeaWifs || state.SensorKind == SensorFengYun1 || fengYun3;
    load.Dialog.DateMode = dated ? TDateMode::Date : TDateMode::Year;
    const std::string hint = dated ? resStr(res::SHintConfirmDate) : resStr(res::SHintConfirmYear);
    const bool wsdHeader = state.InputFormatCode == 39 || state.InputFormatCode == 40;
    if (wsdHeader) TakeEmbeddedElements(load);
    bool proposedNorthbound = true;
    if (satellite.empty()) {
        PresetYearFromOrbitNumber(load);
        ProposeFramesSatellite(load, HrptPackedRecord, wsdHeader ? WsdHeaderBytes : 0);
    } else
        proposedNorthbound = TenBitNamedDirection(load, satellite);
    const int32_t recordSize = state.SensorKind != SensorFengYun1 ? HrptPackedRecord
                               : state.InputFormatCode == 40      ? ChrptWsdRecord
                                                                  : ChrptPackedRecord;
    if (!dated) load.Dialog.FramesDay = load.FramesDayOfYear(recordSize, wsdHeader ? WsdHeaderBytes : 0);
    // Where the frames are, for the question that may look at them again.
    state.RecordSize = recordSize;
    state.DataStart = wsdHeader ? WsdHeaderBytes : 0;
    load.AskPassDirection(hint, proposedNorthbound);

    TEarthLocations& locations = load.EarthLocations();
    locations.BaseDate = dated ? load.Dialog.PassDate : EncodeDate(load.Dialog.PassYear, 1, 1);
    load.Orbit().SetSatelliteName(load.Dialog.SatelliteText);
    load.SeekInput(0);
    state.DataStart = 0;
    state.PackedInput = true;
    state.RecordSize = recordSize;
    if (wsdHeader) load.SeekInput(WsdHeaderBytes);
}

}  // namespace kestrune
