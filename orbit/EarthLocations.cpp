#include "orbit/EarthLocations.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "orbit/FitMap.h"
#include "orbit/LineTiming.h"
#include "orbit/MapWithWarp.h"
#include "orbit/Orbits.h"
#include "platform/FileIO.h"
#include "platform/ParallelLines.h"
#include "platform/ProgramStrings.h"

namespace kestrune {

namespace {

uint16_t BigEndianWord(const uint8_t* field) {
    return static_cast<uint16_t>((field[0] << 8) | field[1]);
}

uint32_t BigEndianLong(const uint8_t* field) {
    return (static_cast<uint32_t>(field[0]) << 24) | (static_cast<uint32_t>(field[1]) << 16) |
           (static_cast<uint32_t>(field[2]) << 8) | static_cast<uint32_t>(field[3]);
}

void CopyBounded(void* destination, size_t capacity, const void* source, size_t count) {
    if (source != nullptr) std::memcpy(destination, source, std::min(count, capacity));
}

using TCodeRanges = std::initializer_list<std::pair<int, int>>;

bool InCodes(uint8_t code, TCodeRanges ranges) {
    for (const auto& [from, to] : ranges)
        if (code >= from && code <= to) return true;
    return false;
}

// Formats whose frames carry line time codes to be timed and located.
constexpr TCodeRanges TimeCodedFormats = {{1, 5}, {16, 24}, {26, 26}, {28, 34}, {36, 40}};
constexpr TCodeRanges LocatedByOrbit = {{1, 5}, {16, 22}, {24, 24}, {26, 26}, {28, 34}, {36, 40}};
constexpr TCodeRanges NeedElements = {{1, 5}, {16, 22}, {26, 26}, {28, 34}, {36, 40}};
constexpr TCodeRanges FrameFormats = {{1, 5}, {16, 22}, {26, 26}, {28, 34}, {39, 40}};
constexpr TCodeRanges MeteorFormats = {{36, 38}};
constexpr TCodeRanges Level1bFormats = {{7, 11}};
constexpr TCodeRanges GacFormats = {{9, 11}};
constexpr TCodeRanges SavedFormats = {{1, 5}, {7, 11}, {19, 22}, {24, 24}, {26, 26}, {29, 29}, {31, 33}};

constexpr double Second = 1.0 / SecsPerDay;

// Satellite zenith angle at the anchors of the older Level 1b formats.
constexpr float OlderLevel1bSatelliteZenith[LocationAnchorCount] = {
    66.1f, 62.7f, 59.5f, 56.5f, 53.5f, 50.7f, 47.9f, 45.2f, 42.5f, 39.9f, 37.3f, 34.7f, 32.2f,
    29.6f, 27.1f, 24.6f, 22.1f, 19.6f, 17.2f, 14.7f, 12.3f, 9.8f,  7.3f,  4.9f,  2.5f,  0.1f,
    2.4f,  4.9f,  7.3f,  9.8f,  12.2f, 14.7f, 17.1f, 19.6f, 22.1f, 24.6f, 27.1f, 29.6f, 32.1f,
    34.7f, 37.2f, 39.8f, 42.5f, 45.1f, 47.9f, 50.6f, 53.5f, 56.4f, 59.4f, 62.6f, 66.0f};

// Midpoint of two longitudes, across the date line when they lie apart.
float MeanLongitude(float a, float b) {
    double mean = (static_cast<double>(a) + b) / 2.0;
    if (std::fabs(static_cast<double>(a) - b) > 180.0) {
        mean -= 180.0;
        while (mean <= -180.0) mean += 360.0;
    }
    return static_cast<float>(mean);
}

// The pair of neighbouring anchors around a fractional anchor position, and
// the weight of the second; beyond the ends the end pair extrapolates.
struct TBetweenAnchors {
    size_t first;
    double weight;
};

TBetweenAnchors BetweenAnchors(double position) {
    const double first = std::clamp(std::floor(position), 0.0, static_cast<double>(LocationAnchorCount - 2));
    return {static_cast<size_t>(first), position - first};
}

// Longitude a fraction of the way from a to b, the short way round.
float LongitudeBetween(float a, float b, double weight) {
    double step = static_cast<double>(b) - a;
    if (step > 180.0) step -= 360.0;
    if (step < -180.0) step += 360.0;
    double longitude = a + weight * step;
    if (longitude > 180.0) longitude -= 360.0;
    if (longitude <= -180.0) longitude += 360.0;
    return static_cast<float>(longitude);
}

// As the map fit reads the records: a coordinate of exactly 0 means none.
bool HasLocation(const TAnchorLocation& anchor) { return anchor.Latitude != 0 && anchor.Longitude != 0; }

float AltitudeKilometres(const uint8_t* field) { return static_cast<float>(BigEndianWord(field)) / 10.0f; }

// No weather satellite flies below 500 km or above 1500 km: a damaged record.
bool SatelliteAltitude(float kilometres) { return kilometres >= 500.0f && kilometres <= 1500.0f; }

// A location outside the earth's coordinates is a damaged record.
bool OnEarth(const TAnchorLocation& anchor) {
    return std::fabs(anchor.Latitude) <= 90.0f && std::fabs(anchor.Longitude) <= 180.0f;
}

// Every anchor takes the location at its position plus shift; next to an
// anchor without a location it keeps its own.
void ShiftAnchors(TScanLineLocations& record, double shift) {
    const TScanLineLocations before = record;
    for (size_t k = 0; k < LocationAnchorCount; ++k) {
        const TBetweenAnchors at = BetweenAnchors(static_cast<double>(k) + shift);
        const TAnchorLocation& a = before.Anchors[at.first];
        const TAnchorLocation& b = before.Anchors[at.first + 1];
        if (!HasLocation(a) || !HasLocation(b)) continue;
        record.Anchors[k] = {static_cast<float>((1.0 - at.weight) * a.Latitude + at.weight * b.Latitude),
                             LongitudeBetween(a.Longitude, b.Longitude, at.weight)};
    }
}

void ShiftValues(TAnchorValues& values, double shift) {
    const TAnchorValues before = values;
    for (size_t k = 0; k < LocationAnchorCount; ++k) {
        const TBetweenAnchors at = BetweenAnchors(static_cast<double>(k) + shift);
        values[k] = static_cast<float>((1.0 - at.weight) * before[at.first] + at.weight * before[at.first + 1]);
    }
}

char* PutLittleEndianFloat(char* out, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) *out++ = static_cast<char>(bits >> (8 * i));
    return out;
}

}  // namespace

void TEarthLocations::ResetPassState() {
    LocationFlags = 0;
    MapFitted = false;
    GacDiscontinuity = false;
    LocationsValid = false;
    NoPassTimecode = false;
    NoTimeConfirmed = false;
    NotLocatedCause.clear();
    Level1bLinesUnlocated = 0;
    Attitude = {0, 0, 0};
    Altitude = DefaultAltitude;
    FirstLineCorners = {};
    LastLineCorners = {};
    StartTime = 0;
    EndTime = 0;
    Residuals.reset();
    referenceLine_ = 0;
    scanPeriod_ = Second / 6.0;
}

void TEarthLocations::SetLineCount(int count) {
    unturned_.reset();
    const auto lines = static_cast<size_t>(std::max(count, 0));
    locations_.assign(lines, TScanLineLocations{});
    angles_.assign(lines, TScanLineAngles{});
    lineTimes_.assign(lines, 0.0);
    navigation_.assign(lines, {});
    ResetPassState();
}

TScanLineLocations* TEarthLocations::LineLocations(int line) {
    return ValidLine(line) ? &locations_[static_cast<size_t>(line)] : nullptr;
}

const TScanLineLocations* TEarthLocations::LineLocations(int line) const {
    return ValidLine(line) ? &locations_[static_cast<size_t>(line)] : nullptr;
}

TScanLineAngles* TEarthLocations::LineAngles(int line) {
    return ValidLine(line) ? &angles_[static_cast<size_t>(line)] : nullptr;
}

const TScanLineAngles* TEarthLocations::LineAngles(int line) const {
    return ValidLine(line) ? &angles_[static_cast<size_t>(line)] : nullptr;
}

TDateTime TEarthLocations::LineTimes(int line) const {
    return ValidLine(line) ? lineTimes_[static_cast<size_t>(line)] : 0.0;
}

void TEarthLocations::SetLineTime(int line, TDateTime time) {
    if (ValidLine(line)) lineTimes_[static_cast<size_t>(line)] = time;
}

void TEarthLocations::StoreTimeCode(int line, const void* code, size_t count) {
    StoreRawLocations(line, code, count);
}

void TEarthLocations::StoreRawLocations(int line, const void* field, size_t count) {
    if (TScanLineLocations* record = LineLocations(line))
        CopyBounded(record->Bytes(), sizeof(TScanLineLocations), field, count);
}

void TEarthLocations::StoreRawAngles(int line, const void* field, size_t count) {
    if (TScanLineAngles* record = LineAngles(line))
        CopyBounded(record->RawAngles.data(), record->RawAngles.size(), field, count);
}

void TEarthLocations::StoreRawNavigation(int line, const void* field, size_t count) {
    if (ValidLine(line))
        CopyBounded(navigation_[static_cast<size_t>(line)].data(), sizeof(TNavigationWords), field, count);
}

void TEarthLocations::SetAltitude(const uint8_t* field) {
    const float kilometres = AltitudeKilometres(field);
    Altitude = SatelliteAltitude(kilometres) ? kilometres : DefaultAltitude;
}

void TEarthLocations::SetAttitude(const uint8_t* a, const uint8_t* b, const uint8_t* c) {
    const uint8_t* fields[3] = {a, b, c};
    for (size_t i = 0; i < 3; ++i)
        Attitude[i] = static_cast<float>(static_cast<int16_t>(BigEndianWord(fields[i]))) / 1000.0f;
}

float TEarthLocations::DecodeShortLocation(const uint8_t* field) {
    return static_cast<float>(static_cast<int16_t>(BigEndianWord(field))) / 128.0f;
}

float TEarthLocations::DecodeLongLocation(const uint8_t* field) {
    return static_cast<float>(static_cast<double>(static_cast<int32_t>(BigEndianLong(field))) / 10000.0);
}

float TEarthLocations::DecodeAngle(const uint8_t* field) {
    return static_cast<float>(static_cast<int16_t>(BigEndianWord(field))) / 100.0f;
}

// ---------------------------------------------------------------- the pass

void TEarthLocations::ComputeLocations(uint8_t formatCode, uint8_t sensorKind, std::vector<std::string>& diagnostics,
                                       bool turnRound) {
    FormatCode = formatCode;
    if (!LocationsValid) {
        // Nothing of an earlier pass may stand for this one's times.
        NominalStartTime = 0;
        NotLocatedCause.clear();
        StartTime = 0;
        EndTime = 0;
        FirstLineCorners = {};
        LastLineCorners = {};
        // A repeat call only redoes the summary; the preparation rebases
        // some dates and must run once per pass.
        PrepareForFormat(diagnostics);
    }
    if (LocationFlags == 0 || LineCount() == 0) return;
    if (!LocationsValid && !TimeAndLocateLines(sensorKind, diagnostics)) return;
    Summarise(turnRound, diagnostics);
}

void TEarthLocations::PrepareForFormat(std::vector<std::string>& diagnostics) {
    const TDateTime passTime = Orbit != nullptr ? Orbit->PassTime : 0.0;
    if (InCodes(FormatCode, FrameFormats) && BaseDate == 0) LocationFlags = 0;
    if (InCodes(FormatCode, Level1bFormats)) {
        NominalStartTime = BaseDate;
        // Each record tells whether it carries a location: a file whose every
        // record is flagged invalid is a file of records without location.
        LocationFlags = 1;
    }
    if (FormatCode == 24) {
        BaseDate = std::trunc(BaseDate);
        LocationFlags = std::trunc(passTime) == BaseDate ? 1 : 0;
        BaseDate = EncodeDate(DecodeDateTime(BaseDate).year, 1, 1);
    }
    if (InCodes(FormatCode, MeteorFormats)) {
        LocationFlags = BaseDate != 0 ? 1 : 0;
        if (Frac(passTime) > 0.958333) diagnostics.push_back("Potential overnight Meteor-M pass");
    }
    if (FormatCode == 34) LocationFlags = 0;
}

// Times every line from its time code, rejects implausible codes, chooses
// the element set and locates the lines. False when the pass ends without
// locations.
bool TEarthLocations::TimeAndLocateLines(uint8_t sensorKind, std::vector<std::string>& diagnostics) {
    StartTime = 0;
    EndTime = 0;
    FirstLineCorners = {};
    LastLineCorners = {};
    scanPeriod_ = Second / 6.0;
    const int count = LineCount();
    if (InCodes(FormatCode, Level1bFormats)) {
        int unlocated = 0;
        for (int line = 0; line < count; ++line)
            if (!DecodeLevel1bLine(line)) ++unlocated;
        MeasureLevel1bPeriod();
        if (unlocated > 0)
            diagnostics.push_back(Format("%d of %d records carry no valid earth location: their lines are left without location",
                                         unlocated, count));
        Level1bLinesUnlocated = unlocated + LeaveContradictedRecordsUnlocated(diagnostics);
        LeaveOutTimesThePlacesContradict(diagnostics);
        TellLevel1bSignalGaps(diagnostics);
        TakeNavigationNearMiddle();
        LocationsValid = true;
        return true;
    }
    if (!InCodes(FormatCode, TimeCodedFormats)) {
        AbandonLocations();
        return false;
    }
    TLineTiming timing(count, BaseDate);
    const TTimeCodeReading reading{FormatCode, sensorKind, BaseDate, Orbit != nullptr ? Orbit->PassTime : 0.0,
                                   Orbit != nullptr && Orbit->SatelliteName.rfind("FY3", 0) == 0};
    for (int line = 0; line < count; ++line) {
        TScanLineLocations& record = locations_[static_cast<size_t>(line)];
        timing.DecodeTimeCode(line, record.Bytes(), reading);
        record = TScanLineLocations{};  // cleared for the location to come
    }
    if (sensorKind == 0 && FormatCode != 24) timing.SpreadOverYearEnd(reading.PassTime, EstimatedDate, diagnostics);
    lineTimes_ = timing.Times();
    if (!InCodes(FormatCode, LocatedByOrbit)) {
        AbandonLocations();  // timed, but this scanner's geometry is not modelled
        return false;
    }
    if (!TimeLines(timing, diagnostics) || !LocateLines(timing.InvalidLines() < count / 20, diagnostics)) {
        AbandonLocations();
        return false;
    }
    LocationsValid = true;
    return true;
}

// Rejects implausible codes, chooses the element set by the pass time and
// times every line from the reference line. False when the pass cannot be
// timed or has no element set.
bool TEarthLocations::TimeLines(TLineTiming& timing, std::vector<std::string>& diagnostics) {
    timing.FindQuarterHour(diagnostics);
    if (MeteorScanPeriod())
        timing.FindMeteorScanPeriod(diagnostics);
    else
        timing.RejectOffPhaseLines();
    scanPeriod_ = timing.ScanPeriod();
    timing.SetAsideStrayRuns();
    const TDateTime passTime = timing.PassTime();
    // Noise is no time: a pass whose codes no neighbour confirms is not timed from them.
    NoTimeConfirmed = passTime != 0 && !timing.AnyLineConfirmed();
    if (passTime == 0 || NoTimeConfirmed) {
        diagnostics.push_back(NoTimeConfirmed ? "No line's time code lies where that of a line near it predicts: the pass is not timed from them"
                                              : "No valid pass timecode found in minor frame data");
        NoPassTimecode = true;
        return false;
    }
    const bool elements = ChooseElements(passTime, diagnostics);
    if (!timing.FindReferenceLine(passTime, diagnostics)) {
        NotLocatedCause = resStr(res::SCauseNoMiddleTimeCode);
        return false;
    }
    referenceLine_ = timing.ReferenceLine();
    ReferenceLineTime = timing.ReferenceTime();
    timing.RegulariseTimes(diagnostics);
    lineTimes_ = timing.Times();
    return elements;
}

// False when the record holds no location (flagged invalid, it was never
// stored) or one off the earth: the line is then left without location.
bool TEarthLocations::DecodeLevel1bLine(int line) {
    TScanLineLocations& record = locations_[static_cast<size_t>(line)];
    TScanLineAngles& angles = angles_[static_cast<size_t>(line)];
    unsigned char raw[sizeof(TScanLineLocations)];
    std::memcpy(raw, record.Bytes(), sizeof raw);
    const uint8_t* rawAngles = angles.RawAngles.data();
    for (size_t k = 0; k < LocationAnchorCount; ++k) {
        if (FormatCode == 7 || FormatCode == 9) {
            record.Anchors[k] = {DecodeLongLocation(raw + 8 * k), DecodeLongLocation(raw + 8 * k + 4)};
            angles.SolarZenith[k] = DecodeAngle(rawAngles + 6 * k);
            angles.SatelliteZenith[k] = DecodeAngle(rawAngles + 6 * k + 2);
            angles.RelativeAzimuth[k] = DecodeAngle(rawAngles + 6 * k + 4);
        } else {
            record.Anchors[k] = {DecodeShortLocation(raw + 4 * k), DecodeShortLocation(raw + 4 * k + 2)};
            angles.SolarZenith[k] = static_cast<float>(rawAngles[k]) / 2.0f;
            angles.SatelliteZenith[k] = OlderLevel1bSatelliteZenith[k];
            angles.RelativeAzimuth[k] = 0.0f;  // not in the older records
        }
    }
    const bool onEarth = std::all_of(record.Anchors.begin(), record.Anchors.end(), OnEarth);
    if (!onEarth) record = TScanLineLocations{};
    return onEarth && std::any_of(record.Anchors.begin(), record.Anchors.end(), HasLocation);
}

void TEarthLocations::TakeNavigationNearMiddle() {
    constexpr size_t RecordsCompared = 9;
    const int middle = LineCount() / 2;
    std::vector<const uint8_t*> nearest;
    const auto consider = [&](int line) {
        if (!ValidLine(line) || !LineLocated(line) || nearest.size() == RecordsCompared) return;
        const uint8_t* words = navigation_[static_cast<size_t>(line)].data();
        if (SatelliteAltitude(AltitudeKilometres(words + 6))) nearest.push_back(words);
    };
    consider(middle);
    for (int distance = 1; distance <= middle && nearest.size() < RecordsCompared; ++distance) {
        consider(middle + distance);
        consider(middle - distance);
    }
    if (nearest.empty()) return;
    // Roll, pitch and yaw are signed; the altitude is not.
    const auto word = [](const uint8_t* words, size_t k) {
        return k < 3 ? static_cast<int>(static_cast<int16_t>(BigEndianWord(words + 2 * k))) : BigEndianWord(words + 2 * k);
    };
    std::array<int, 4> median{};
    for (size_t k = 0; k < median.size(); ++k) {
        std::vector<int> values;
        for (const uint8_t* words : nearest) values.push_back(word(words, k));
        std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
        median[k] = values[values.size() / 2];
    }
    // Within 0.1 degree of attitude and 5 km of altitude.
    const auto agrees = [&](const uint8_t* words) {
        for (size_t k = 0; k < median.size(); ++k)
            if (std::abs(word(words, k) - median[k]) > (k < 3 ? 100 : 50)) return false;
        return true;
    };
    const auto taken = std::find_if(nearest.begin(), nearest.end(), agrees);
    const uint8_t* words = taken != nearest.end() ? *taken : nearest.front();
    SetAttitude(words, words + 2, words + 4);
    SetAltitude(words + 6);
}

bool TEarthLocations::HasEmbeddedElements() const {
    return EmbeddedTleLine1.rfind('1', 0) == 0 && EmbeddedTleLine2.rfind('2', 0) == 0;
}

bool TEarthLocations::ChooseElements(TDateTime passTime, std::vector<std::string>& diagnostics) {
    if (Orbit == nullptr) return false;
    if (HasEmbeddedElements()) {
        Orbit->UseEmbeddedKeplers(EmbeddedTleLine1, EmbeddedTleLine2, passTime);
    } else {
        Orbit->SelectElements(passTime);
        const std::vector<std::string>& findings = Orbit->Keplers->Findings;
        diagnostics.insert(diagnostics.end(), findings.begin(), findings.end());
    }
    const std::string& name = Orbit->SatelliteName;
    if (Orbit->ElementsValid) {
        // An update file may stand alone, as a daily fetch of sets leaves it.
        diagnostics.push_back(Orbit->MainElementSource.empty()
                                  ? "  No main orbit data file for " + name + ": its sets were read from the update file alone"
                                  : "  Main orbit data for " + name + " read from " + Orbit->MainElementSource);
        if (!Orbit->UpdateElementSource.empty())
            diagnostics.push_back("  Update orbit data for " + name + " read from " + Orbit->UpdateElementSource);
        NominalStartTime = passTime - LineCount() * 0.5 / 518400.0;  // half the lines at 6 a second
    } else {
        // Without a set there is no age to tell of.
        diagnostics.push_back(" Orbit data for " + name + " is invalid");
        return false;
    }
    const double age = std::fabs(Orbit->ElementAge);
    if (age <= 3)
        diagnostics.push_back(Format("  Orbit data is only %.1f days stale - OK", age));
    else
        diagnostics.push_back("  " + FormatResStr(res::SElementSetOutOfDate, {name, Format("%.0f", age)}));
    return true;
}

// With few bad time codes only the even lines (and the last) are located
// and the odd ones interpolated, except next to a gap in the times. A line
// left without time is left without location.
bool TEarthLocations::LocateLines(bool skipOddLines, std::vector<std::string>& diagnostics) {
    diagnostics.push_back(Format("Scanner semi-angle used for mapping %.2f", Orbit->SemiAngle));
    const int count = LineCount();
    const auto timed = [this](int line) { return lineTimes_[static_cast<size_t>(line)] != 0; };
    const auto interpolated = [&](int line) {
        if (!skipOddLines || line % 2 == 0 || line == count - 1) return false;
        if (!timed(line - 1) || !timed(line) || !timed(line + 1)) return false;
        // Two periods apart: no gap between them, and no time going back.
        const double span = lineTimes_[static_cast<size_t>(line + 1)] - lineTimes_[static_cast<size_t>(line - 1)];
        return span > 1.5 * scanPeriod_ && span < 2.5 * scanPeriod_;
    };
    const auto located = [&](int line) { return timed(line) && !interpolated(line); };
    std::vector<double> altitudes(static_cast<size_t>(count), 0.0);
    // The last line goes to the set itself, which is left as after locating one line after the other.
    const bool onThreads = Orbit->PropagatesWithoutHistory() && LocateLinesOnThreads(located, altitudes);
    try {
        for (int line = onThreads ? count - 1 : 0; line < count; ++line)
            if (located(line)) LocateLine(*Orbit->Satellite, line, altitudes);
    } catch (const Exception& error) {
        diagnostics.push_back(error.what());
        NotLocatedCause = FormatResStr(res::SCauseOrbitModelFailed, {error.what()});
        return false;
    }
    // An interpolated line lies between two located ones: the bands never meet.
    ForLineRanges(1, count - 1, [&interpolated, this](int32_t first, int32_t last) {
        for (int line = first; line < last; ++line)
            if (interpolated(line)) InterpolateLine(line);
    });
    // Summed in line order, as the lines were once located.
    double altitudeSum = 0;
    int locatedCount = 0;
    for (int line = 0; line < count; ++line) {
        if (!located(line)) continue;
        altitudeSum += altitudes[static_cast<size_t>(line)];
        ++locatedCount;
    }
    if (locatedCount > 0) Altitude = static_cast<float>(altitudeSum / locatedCount);
    return true;
}

// Every line but the last in bands on all processors, each band with its own
// copy of the set. False when a line cannot be located: the caller then goes
// over the lines one after the other and tells the first that failed.
bool TEarthLocations::LocateLinesOnThreads(const std::function<bool(int)>& located,
                                           std::vector<double>& altitudes) {
    std::atomic<bool> failed = false;
    ForLineRanges(0, LineCount() - 1, [&](int32_t first, int32_t last) {
        TSatellite satellite = *Orbit->Satellite;
        try {
            for (int line = first; line < last && !failed; ++line)
                if (located(line)) LocateLine(satellite, line, altitudes);
        } catch (const Exception&) {
            failed = true;
        }
    });
    if (failed) ForgetViewAngles();
    return !failed;
}

// Lines beyond a failing one keep no angles, as when none was located after it.
void TEarthLocations::ForgetViewAngles() {
    for (TScanLineAngles& angles : angles_) {
        angles.SolarZenith = {};
        angles.SatelliteZenith = {};
        angles.RelativeAzimuth = {};
    }
}

void TEarthLocations::LocateLine(TSatellite& satellite, int line,
                                 std::vector<double>& altitudes) {
    const auto index = static_cast<size_t>(line);
    TScanLinePoints points{};
    TScanLineViewAngles seen{};
    Orbit->LocateScanLineWith(satellite, lineTimes_[index], points, altitudes[index], &seen);
    TScanLineLocations& record = locations_[index];
    TScanLineAngles& angles = angles_[index];
    for (size_t k = 0; k < LocationAnchorCount; ++k) {
        record.Anchors[k] = IsLocated(points[k]) ? TAnchorLocation{points[k].Latitude, points[k].Longitude}
                                                 : TAnchorLocation{0, 0};
        angles.SolarZenith[k] = seen[k].SolarZenith;
        angles.SatelliteZenith[k] = seen[k].SatelliteZenith;
        angles.RelativeAzimuth[k] = seen[k].RelativeAzimuth;
    }
}

void TEarthLocations::InterpolateLine(int line) {
    const auto index = static_cast<size_t>(line);
    const TScanLineLocations& before = locations_[index - 1];
    const TScanLineLocations& after = locations_[index + 1];
    TScanLineLocations& record = locations_[index];
    for (size_t k = 0; k < LocationAnchorCount; ++k) {
        record.Anchors[k].Latitude = (before.Anchors[k].Latitude + after.Anchors[k].Latitude) / 2;
        record.Anchors[k].Longitude = MeanLongitude(before.Anchors[k].Longitude, after.Anchors[k].Longitude);
    }
    const TScanLineAngles& anglesBefore = angles_[index - 1];
    const TScanLineAngles& anglesAfter = angles_[index + 1];
    TScanLineAngles& angles = angles_[index];
    const auto mean = [](const TAnchorValues& a, const TAnchorValues& b, TAnchorValues& result) {
        for (size_t k = 0; k < LocationAnchorCount; ++k) result[k] = (a[k] + b[k]) / 2;
    };
    mean(anglesBefore.SolarZenith, anglesAfter.SolarZenith, angles.SolarZenith);
    mean(anglesBefore.SatelliteZenith, anglesAfter.SatelliteZenith, angles.SatelliteZenith);
    mean(anglesBefore.RelativeAzimuth, anglesAfter.RelativeAzimuth, angles.RelativeAzimuth);
}

// No usable locations: nothing may read the records as positions.
void TEarthLocations::AbandonLocations() {
    unturned_.reset();
    LocationFlags = 0;
    LocationsValid = false;
    std::fill(locations_.begin(), locations_.end(), TScanLineLocations{});
}

// A real location is never exactly 0, 0 at the centre of a line: only a
// cleared record is.
bool TEarthLocations::LineWithoutLocation(int line) const {
    if (!ValidLine(line)) return false;
    const TAnchorLocation& centre = locations_[static_cast<size_t>(line)].Anchors[CentreAnchor];
    return centre.Latitude == 0 && centre.Longitude == 0;
}

bool TEarthLocations::AnyLineLocated() const {
    return std::any_of(locations_.begin(), locations_.end(),
                       [](const TScanLineLocations& record) { return HasLocation(record.Anchors[CentreAnchor]); });
}

bool TEarthLocations::LineLocated(int line) const {
    return HasLocation(locations_[static_cast<size_t>(line)].Anchors[CentreAnchor]);
}

// A time-coded line whose time nothing confirmed: it has no location.
bool TEarthLocations::LeftUntimed(int line) const {
    return InCodes(FormatCode, TimeCodedFormats) && ValidLine(line) && lineTimes_[static_cast<size_t>(line)] == 0;
}

int TEarthLocations::NextLocatedLine(int line, int step) const {
    const int from = std::clamp(line, 0, LineCount() - 1);
    for (int next = from; ValidLine(next); next += step)
        if (LineLocated(next)) return next;
    return from;
}

float TEarthLocations::CentreLatitude(int line) const {
    return locations_[static_cast<size_t>(std::clamp(line, 0, LineCount() - 1))].Anchors[CentreAnchor].Latitude;
}

// ---------------------------------------------------------------- summary

void TEarthLocations::Summarise(bool turnRound, std::vector<std::string>& diagnostics) {
    const bool elements = Orbit != nullptr && Orbit->ElementsValid;
    if (InCodes(FormatCode, NeedElements) ? !elements : !(InCodes(FormatCode, Level1bFormats) || FormatCode == 24))
        return;
    // Level 1b records of which none carries a location give the pass no
    // direction, corners or map; their times still time it.
    if (!AnyLineLocated()) {
        diagnostics.push_back("No scan line has an earth location: no map is fitted");
        if (turnRound) FlipPassDirection();
        SetStartAndEndTimes();
        return;
    }
    const int count = LineCount();
    const auto corners = [this](int line) {
        const TScanLineLocations& record = locations_[static_cast<size_t>(line)];
        return TLineCorners{record.Anchors[0].Latitude,  record.Anchors[25].Latitude,  record.Anchors[50].Latitude,
                            record.Anchors[0].Longitude, record.Anchors[25].Longitude, record.Anchors[50].Longitude};
    };
    // The pass's corners are those of its first and last located lines.
    const int first = NextLocatedLine(0, 1), last = NextLocatedLine(count - 1, -1);
    const TLineSpan heading = HeadingLines();
    Northbound = CentreLatitude(heading.First) < CentreLatitude(heading.Last);
    FirstLineCorners = corners(first);
    FirstLineNorthbound = CentreLatitude(first) < CentreLatitude(NextLocatedLine(first + 1, 1));
    LastLineCorners = corners(last);
    LastLineNorthbound = CentreLatitude(NextLocatedLine(last - 1, -1)) < CentreLatitude(last);
    ReportLine(first, FirstLineNorthbound, "First", diagnostics);
    ReportLine(last, LastLineNorthbound, "Last", diagnostics);
    if (turnRound) FlipPassDirection();
    diagnostics.push_back(Format("Sensor mean altitude: %.1fkm  (default is 848.0km)", Altitude));
    if (InCodes(FormatCode, GacFormats) && !CheckGacContinuity(diagnostics)) return;
    if (InCodes(FormatCode, FrameFormats) && !CheckCentrePoints(diagnostics)) return;
    SetStartAndEndTimes();
    FitMap(diagnostics);
}

void TEarthLocations::ReportLine(int line, bool northbound, const char* which,
                                 std::vector<std::string>& diagnostics) const {
    const TScanLineLocations& record = locations_[static_cast<size_t>(line)];
    diagnostics.push_back(std::string(which) + " scan line is " + (northbound ? "northbound" : "southbound") +
                          " and covers");
    diagnostics.push_back(Format("  lon: %.1f..%.1f..%.1f degrees,  lat: %.1f..%.1f..%.1f degrees",
                                 record.Anchors[0].Longitude, record.Anchors[25].Longitude, record.Anchors[50].Longitude,
                                 record.Anchors[0].Latitude, record.Anchors[25].Latitude, record.Anchors[50].Latitude));
}

// The located lines nearest the middle of the run the pass is timed from,
// one after the other: a short run near the middle, or a gap, cannot turn
// the pass. Without timed lines one scan period apart (Level 1b records),
// the located lines either side of the middle.
TLineSpan TEarthLocations::HeadingLines() const {
    const int middle = LineCount() / 2;
    const TLineSpan beside{NextLocatedLine(middle - 1, -1), NextLocatedLine(middle, 1)};
    if (!InCodes(FormatCode, TimeCodedFormats)) return beside;
    const TLineSpan run = SteadyLinesNear(lineTimes_, scanPeriod_, TimedReferenceLine(), middle - 1, 2);
    const int earlier = NextLocatedLine(run.First, 1), later = NextLocatedLine(run.Last, -1);
    return earlier < later && LineLocated(earlier) && LineLocated(later) ? TLineSpan{earlier, later} : beside;
}

// The reference line where it stands now, the pass turned or not.
int TEarthLocations::TimedReferenceLine() const {
    return unturned_ ? LineCount() - 1 - referenceLine_ : referenceLine_;
}

// Eleven lines round the middle must move a little, but not jump. They are
// taken on the reference line's side of any gap in the signal, where the
// ground jumps by right.
bool TEarthLocations::CheckCentrePoints(std::vector<std::string>& diagnostics) {
    const int count = LineCount();
    const TLineSpan lines = SteadyLinesNear(lineTimes_, scanPeriod_, TimedReferenceLine(), count / 2 - 5, 11);
    const TAnchorLocation* first = nullptr;
    float lowest = 0, highest = 0;
    bool identical = true;
    for (int line = lines.First; line <= lines.Last; ++line) {
        if (LeftUntimed(line)) continue;
        const TAnchorLocation& centre = locations_[static_cast<size_t>(line)].Anchors[CentreAnchor];
        if (first == nullptr) {
            first = &centre;
            lowest = highest = centre.Latitude;
        }
        lowest = std::min(lowest, centre.Latitude);
        highest = std::max(highest, centre.Latitude);
        identical = identical && centre.Latitude == first->Latitude && centre.Longitude == first->Longitude;
    }
    if (highest - lowest > 0.3f || identical) {
        LocationFlags = 0;
        diagnostics.push_back("The above diagnostics indicate bad earth location data");
        const std::string from = std::to_string(lines.First), to = std::to_string(lines.Last);
        NotLocatedCause = identical ? FormatResStr(res::SCauseCentrePointsTogether, {from, to})
                                    : FormatResStr(res::SCauseCentrePointsJump, {from, to, Format("%.1f", highest - lowest)});
        return false;
    }
    diagnostics.push_back(" ");
    return true;
}

void TEarthLocations::SetStartAndEndTimes() {
    StartTime = 1.0;
    EndTime = 0;
    if (!InCodes(FormatCode, Level1bFormats)) {
        // The first and last located lines' own times, not times counted
        // from the reference line across gaps; a turned pass holds them last first.
        const TDateTime first = lineTimes_[static_cast<size_t>(NextLocatedLine(0, 1))];
        const TDateTime last = lineTimes_[static_cast<size_t>(NextLocatedLine(LineCount() - 1, -1))];
        StartTime = std::min(first, last);
        EndTime = std::max(first, last) + scanPeriod_;
        return;
    }
    // Level 1b line times are times of day: a pass across midnight has the
    // late times of its first day and the early times of the next. A record
    // whose locations are damaged may hold any time: the pass is timed by
    // its located lines where it has any.
    const bool located = AnyLineLocated();
    std::vector<TDateTime> times;
    for (int line = 0; line < LineCount(); ++line) {
        const TDateTime time = lineTimes_[static_cast<size_t>(line)];
        if (time > 0 && time < 1 && (!located || LineLocated(line))) times.push_back(time);
    }
    for (TDateTime time : times) {
        StartTime = std::min(StartTime, time);
        EndTime = std::max(EndTime, time);
    }
    if (EndTime - StartTime > 0.5) {
        StartTime = 1.0;
        EndTime = 0;
        for (TDateTime time : times) {
            if (time >= 0.5) StartTime = std::min(StartTime, time);
            if (time < 0.5) EndTime = std::max(EndTime, time + 1.0);
        }
    }
    if (StartTime != 1.0 && EndTime != 0) {
        StartTime += std::trunc(BaseDate);
        EndTime += std::trunc(BaseDate);
    }
}

void TEarthLocations::FitMap(std::vector<std::string>& diagnostics) {
    MapFitted = false;
    Residuals.reset();
    if (Mapping == nullptr || LineCount() == 0) return;
    const std::vector<TSignalGap> gaps =
        InCodes(FormatCode, Level1bFormats) ? Level1bSignalGaps() : FindSignalGaps(lineTimes_, scanPeriod_);
    int fittedLines = LineCount();
    for (const TSignalGap& gap : gaps) fittedLines += gap.Missing;
    Mapping->WarpStep = fittedLines > 15000 ? 8.0f : (fittedLines > 9000 ? 6.0f : 4.0f);
    Mapping->SetScanColumnOffset(MeteorScanFirstColumn(FormatCode));
    std::shared_ptr<const TResidualTable> residuals;
    try {
        MapFitted = FitMapToImage(locations_, &diagnostics, false, residuals, *Mapping, 0,
                                  Orbit != nullptr ? Orbit->SemiAngle : 0.0f, Altitude, gaps);
    } catch (const EMathError& error) {
        diagnostics.push_back(error.what());
    }
    Residuals = std::move(residuals);
    if (MapFitted) Mapping->SetRowsWithoutLocation(LinesLeftUntimed());
}

std::vector<int> TEarthLocations::LinesLeftUntimed() const {
    // A Level 1b record without a valid location shows no ground either.
    const bool level1b = InCodes(FormatCode, Level1bFormats);
    std::vector<int> lines;
    for (int line = 0; line < LineCount(); ++line)
        if (LeftUntimed(line) || (level1b && !LineLocated(line))) lines.push_back(line);
    return lines;
}

// ---------------------------------------------------------------- turning, saving, naming

int MeteorScanFirstColumn(uint8_t formatCode) {
    constexpr int scanSamples = 1540;
    return formatCode == TenBFormat ? TenBMeteorFirstColumn + (TenBMeteorColumns - scanSamples) / 2 : 0;
}

TAnchorLayout AnchorLayoutOf(uint8_t formatCode, bool meteorScan) {
    if (InCodes(formatCode, GacFormats)) return {4, 8, 409};
    if (meteorScan && formatCode == TenBFormat) return {MeteorScanFirstColumn(formatCode) + 20, 30, 2048};
    if (meteorScan) return {20, 30, 1540};
    return {24, 40, 2048};
}

TScanColumns ScanColumnsOf(uint8_t formatCode, bool meteorScan) {
    if (meteorScan && formatCode == TenBFormat)
        return {TenBMeteorFirstColumn, TenBMeteorFirstColumn + TenBMeteorColumns - 1};
    return {0, AnchorLayoutOf(formatCode, meteorScan).Width - 1};
}

bool TEarthLocations::MeteorScanPeriod() const {
    return InCodes(FormatCode, MeteorFormats) || (FormatCode == TenBFormat && Orbit != nullptr && Orbit->IsMeteorM2());
}

TAnchorLayout TEarthLocations::AnchorLayout() const {
    return AnchorLayoutOf(FormatCode, Orbit != nullptr && Orbit->IsMeteorM2());
}

// A reversed line's sample x was sample ImageWidth - 1 - x: anchor k of the
// turned line lies where the reversed anchors stand at k + shift.
double TEarthLocations::TurnShift() const {
    const TAnchorLayout layout = AnchorLayout();
    const int width = ImageWidth > 0 ? ImageWidth : layout.Width;
    const int lastAnchor = layout.First + (LocationAnchorCount - 1) * layout.Step;
    if (lastAnchor >= width) return 0.0;  // the anchors are not of this image
    return static_cast<double>(layout.First - (width - 1 - lastAnchor)) / layout.Step;
}

void TEarthLocations::FlipPassDirection() {
    if (LocationFlags == 0) return;
    // Turning back gives the records exactly as they were, not shifted twice.
    if (unturned_) {
        locations_ = std::move(unturned_->Locations);
        angles_ = std::move(unturned_->Angles);
        lineTimes_ = std::move(unturned_->Times);
        unturned_.reset();
        return;
    }
    unturned_ = TUnturnedRecords{locations_, angles_, lineTimes_};
    std::reverse(locations_.begin(), locations_.end());
    std::reverse(angles_.begin(), angles_.end());
    std::reverse(lineTimes_.begin(), lineTimes_.end());
    const double shift = TurnShift();
    for (TScanLineLocations& record : locations_) {
        std::reverse(record.Anchors.begin(), record.Anchors.end());
        if (shift != 0.0) ShiftAnchors(record, shift);
    }
    for (TScanLineAngles& angles : angles_) {
        for (TAnchorValues* values : {&angles.SolarZenith, &angles.SatelliteZenith, &angles.RelativeAzimuth}) {
            std::reverse(values->begin(), values->end());
            if (shift != 0.0) ShiftValues(*values, shift);
        }
    }
}

void TEarthLocations::SaveLocations(const std::string& fileName) const {
    if (LineCount() == 0 || LocationFlags == 0 || !LocationsValid || !InCodes(FormatCode, SavedFormats) ||
        !AnyLineLocated())
        return;
    std::string bytes(locations_.size() * sizeof(TScanLineLocations), '\0');
    char* out = bytes.data();
    for (const TScanLineLocations& record : locations_) {
        for (const TAnchorLocation& anchor : record.Anchors) {
            out = PutLittleEndianFloat(out, anchor.Latitude);
            out = PutLittleEndianFloat(out, anchor.Longitude);
        }
    }
    WriteFileAtomically(fileName, bytes);
}

std::string TEarthLocations::PassName(const std::string& format) const {
    if (NominalStartTime == 0 || Orbit == nullptr || Orbit->ShortName.empty()) return {};
    return Orbit->ShortName + "-" + FormatDateTime(format, NominalStartTime + 0.5 * Second);
}

}  // namespace kestrune
