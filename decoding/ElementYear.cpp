#include "decoding/ElementYear.h"

#include "decoding/Telemetry.h"
#include "orbit/FrameYear.h"

#include <algorithm>
#include <optional>

namespace kestrune {

namespace {

constexpr int LastSpacecraftId = 15;
// A set this near the frames' day was fitted to passes of those days.
constexpr double FittingSetDays = 2.0;

// The satellite an id names on a day, as a MetOp-minded or a NOAA-minded format reads it.
std::vector<std::string> NamesOnDay(int32_t id, TDateTime day) {
    std::vector<std::string> names;
    for (const bool metopByDate : {true, false}) {
        const std::string name = DecodeSpacecraftId(id, day, 0, metopByDate).StandardName;
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

// The day of the year a pass can have, for each year; 0 where that year lacks it.
TDateTime DayOf(int year, int framesDay) {
    return DayInYear(year, framesDay) ? EncodeDate(year, 1, 1) + framesDay - 1 : 0;
}

constexpr int FirstYear = 1978;

// The id the frames carry: the one that names framed in some year.
std::optional<int32_t> IdOf(const std::string& framed, TDateTime now) {
    const int newest = DecodeDateTime(now + 31).year;
    for (int32_t id = 0; id <= LastSpacecraftId; ++id)
        for (int year = FirstYear; year <= newest; ++year)
            for (const std::string& name : NamesOnDay(id, EncodeDate(year, 7, 1)))
                if (name == framed) return id;
    return std::nullopt;
}

// The years in which the id names satellite on the frames' day.
std::vector<int> YearsOf(int32_t id, const std::string& satellite, int framesDay, TDateTime now) {
    std::vector<int> years;
    const int newest = DecodeDateTime(now + 31).year;
    for (int year = FirstYear; year <= newest; ++year) {
        const TDateTime day = DayOf(year, framesDay);
        if (day == 0) continue;
        const std::vector<std::string> names = NamesOnDay(id, day);
        if (std::find(names.begin(), names.end(), satellite) != names.end()) years.push_back(year);
    }
    return years;
}

// The nearest year of satellite's sets among the years given; Year 0 without sets there.
TElementYear YearOfSets(const std::string& satellite, const std::vector<int>& years, int framesDay,
                        const TElementEpochs& epochsOf, TDateTime now) {
    TElementYear found{satellite, epochsOf(satellite), {}};
    TDateEvidence evidence;
    evidence.FramesDay = framesDay;
    evidence.Satellite = satellite;
    for (const TDateTime epoch : found.Epochs)
        if (std::binary_search(years.begin(), years.end(), DecodeDateTime(epoch).year)) evidence.ElementEpochs.push_back(epoch);
    found.Year = YearNearestElements(evidence, now);
    return found;
}

}  // namespace

TElementYear NearestElementYear(const std::string& framed, const std::string& named, int framesDay,
                                const TElementEpochs& epochsOf, TDateTime now) {
    TElementYear best;
    if (framesDay == 0) return best;
    const std::optional<int32_t> id = IdOf(named.empty() ? framed : named, now);
    if (!named.empty() || !id) {
        if (named.empty() && framed.empty()) return best;
        const std::string satellite = named.empty() ? framed : named;
        std::vector<int> every;
        for (int year = FirstYear; year <= DecodeDateTime(now + 31).year; ++year) every.push_back(year);
        best = YearOfSets(satellite, every, framesDay, epochsOf, now);
        return best.Year.Year != 0 ? best : TElementYear{};
    }
    std::vector<std::string> candidates;
    for (int year = FirstYear; year <= DecodeDateTime(now + 31).year; ++year)
        for (const std::string& name : NamesOnDay(*id, EncodeDate(year, 7, 1)))
            if (std::find(candidates.begin(), candidates.end(), name) == candidates.end()) candidates.push_back(name);
    // Where the sets of two satellites both fit the frames' day, the later one:
    // a machine without a clock records today's satellites, not those of years ago.
    const auto better = [](const TElementYear& found, const TElementYear& than) {
        const bool fits = found.Year.ElementsDistance <= FittingSetDays, thanFits = than.Year.ElementsDistance <= FittingSetDays;
        if (fits && thanFits) return found.Year.Year > than.Year.Year;
        return fits || (!thanFits && found.Year.ElementsDistance < than.Year.ElementsDistance);
    };
    for (const std::string& satellite : candidates) {
        const TElementYear found = YearOfSets(satellite, YearsOf(*id, satellite, framesDay, now), framesDay, epochsOf, now);
        if (found.Year.Year != 0 && (best.Year.Year == 0 || better(found, best))) best = found;
    }
    return best;
}

}  // namespace kestrune
