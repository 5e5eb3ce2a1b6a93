#include "app/RunReport.h"

#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/FileIO.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"
#include "platform/SysUtils.h"

#include <sys/stat.h>

#include <cmath>

namespace kestrune {

namespace {

// Level 1b files carry their own earth locations; every other pass is
// located from its satellite's element sets.
bool LocatedFromElements(uint8_t formatCode) { return formatCode < 7 || formatCode > 15; }

// Passes whose scan the program does not model: timed, but never located.
bool TimedOnly(const TPassState& pass) {
    return pass.SensorKind == SensorSeaWifs || pass.SensorKind == SensorSpot || pass.InputFormatCode == 25;
}

std::string SatelliteOf(const TPassState& pass) {
    const std::string& name = pass.Orbit->SatelliteName;
    return name.empty() ? "a satellite the file does not name" : name;
}

}  // namespace

std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) {
        const bool lineBreak = c == '\r' || c == '\n';
        if (lineBreak && (line.empty() || line.back() == ' ')) continue;
        line += lineBreak ? ' ' : c;
    }
    return Trim(line);
}

std::string UnloadedFileCause(const std::string& fileName) {
    const std::string shown = ShownFileNameText(fileName);
    if (fileName.find('*') != std::string::npos) return FormatResStr(res::SNoFileMatches, {shown});
    if (DirectoryExists(fileName)) return FormatResStr(res::SPassIsFolder, {shown});
    struct stat info {};
    if (stat(fileName.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return FormatResStr(res::SPassIsKind, {shown, KindOfFile(info.st_mode)});
    if (!FileExists(fileName)) return FormatResStr(res::SPassFileMissing, {shown});
    return {};
}

std::vector<std::string> LoadFailureReport(const TPassState& pass, const std::string& fileName) {
    std::vector<std::string> lines;
    const std::string cause = pass.LoadFailure.empty() ? UnloadedFileCause(fileName) : OneLine(pass.LoadFailure);
    if (!cause.empty()) lines.push_back(cause);
    lines.push_back(FormatResStr(res::SNoPassLoaded, {ShownFileNameText(fileName)}));
    return lines;
}

std::vector<std::string> LoadWarnings(const TPassState& pass, const std::string& keplerNote) {
    std::vector<std::string> lines;
    lines.insert(lines.end(), pass.NameNotes.begin(), pass.NameNotes.end());
    // Worded as the diagnostics word it.
    if (const std::string reason = DateReason(pass.DateChoice); !reason.empty()) lines.push_back(reason);
    const TOrbit& orbit = *pass.Orbit;
    const TTelemetryData& telemetry = *pass.TelemetryData;
    if (telemetry.ManyBadFrames) lines.push_back(resStr(res::SManyBadFrames));
    if (!telemetry.ParameterFileNote.empty()) lines.push_back(telemetry.ParameterFileNote);
    if (!pass.CutShort.empty()) lines.push_back(pass.CutShort);
    if (!pass.RecordTimesNote.empty()) lines.push_back(pass.RecordTimesNote);
    if (!pass.SatelliteNote.empty()) lines.push_back(pass.SatelliteNote);
    // Archive files holding another satellite's sets: one line each.
    lines.insert(lines.end(), orbit.Keplers->Warnings.begin(), orbit.Keplers->Warnings.end());
    if (LocatedFromElements(pass.InputFormatCode) && !TimedOnly(pass)) {
        // Noise for time codes is told before any element set chosen by another date.
        if (pass.EarthLocations->NoTimeConfirmed) {
            lines.push_back(resStr(res::SNoTimeConfirmed));
        } else if (!orbit.ElementsValid && pass.EarthLocations->NoPassTimecode) {
            lines.push_back(resStr(res::SNoPassTimecode));
        } else if (!orbit.ElementsValid) {
            lines.push_back(FormatResStr(res::SNoElementSetsFound, {SatelliteOf(pass)}) +
                            (keplerNote.empty() ? std::string() : ": " + OneLine(keplerNote)));
        } else if (std::fabs(orbit.ElementAge) > StaleElementDays) {
            lines.push_back(FormatResStr(res::SElementSetOutOfDate, {SatelliteOf(pass), Format("%.0f", std::fabs(orbit.ElementAge))}));
        }
    }
    if (!pass.ProcessedListNote.empty()) lines.push_back(pass.ProcessedListNote);
    const TEarthLocations& locations = *pass.EarthLocations;
    if (!locations.LocationsValid || locations.LocationFlags == 0) {
        if (!locations.NotLocatedCause.empty())
            lines.push_back(FormatResStr(res::SNotLocatedCause, {locations.NotLocatedCause}));
        lines.push_back(resStr(TimedOnly(pass) ? res::STimedNotLocated : res::SNotLocated));
    }
    // Several GAC pictures in one file: its records are located, but no map fits them all.
    else if (!locations.MapFitted && !locations.NotLocatedCause.empty())
        lines.push_back(FormatResStr(res::SNotMappedCause, {locations.NotLocatedCause}));
    else if (!locations.MapFitted && locations.Level1bLinesUnlocated == locations.LineCount())
        lines.push_back(FormatResStr(res::SLevel1bNoLocations, {std::to_string(locations.LineCount())}));
    else if (!locations.MapFitted && locations.Level1bLinesUnlocated > 0)
        lines.push_back(FormatResStr(res::SLevel1bLocationsUnfit, {std::to_string(locations.Level1bLinesUnlocated),
                                                                   std::to_string(locations.LineCount())}));
    return lines;
}

}  // namespace kestrune
