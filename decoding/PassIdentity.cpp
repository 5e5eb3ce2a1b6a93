#include "decoding/PassIdentity.h"

#include "orbit/Orbits.h"

#include <cctype>
#include <initializer_list>
#include <vector>

namespace kestrune {

namespace {

struct TNameRule {
    std::string Token;
    std::string Satellite;
};

// Names are compared in upper case, so the case-blind tests match exactly.
bool StartsWith(const std::string& text, const std::string& prefix) { return StartsText(prefix, text); }
bool EndsWith(const std::string& text, const std::string& suffix) { return EndsText(suffix, text); }
bool Contains(const std::string& text, const std::string& token) { return Pos(token, text) > 0; }

// Rules of one group; every match assigns, so the last match wins.
template <typename Test>
TSatelliteChoice LastMatch(const std::string& name, const std::vector<TNameRule>& rules, Test test,
                           TIdentityRule rule = TIdentityRule::NameOutright) {
    TSatelliteChoice found;
    for (const TNameRule& candidate : rules)
        if (test(name, candidate.Token)) found = {candidate.Satellite, rule, candidate.Token};
    return found;
}

std::vector<TNameRule> NoaaTokens(const std::string& prefix, std::initializer_list<int> numbers) {
    std::vector<TNameRule> rules;
    for (const int number : numbers) rules.push_back({prefix + std::to_string(number), "NOAA-" + std::to_string(number)});
    return rules;
}

const std::initializer_list<int> ListedNoaaNumbers = {10, 12, 14, 15, 16, 17, 18, 19};
const std::initializer_list<int> AllNoaaNumbers = {10, 11, 12, 13, 14, 15, 16, 17, 18, 19};

TSatelliteChoice FromNamePrefix(const std::string& name) {
    std::vector<TNameRule> rules = NoaaTokens("N", ListedNoaaNumbers);
    for (const char* fengyun : {"FY1C", "FY1D", "FY3A", "FY3B", "FY3C"}) rules.push_back({fengyun, fengyun});
    TSatelliteChoice found = LastMatch(name, rules, StartsWith);
    if (Contains(name, ".MN2.HRPT")) found = {"METEOR-M2", TIdentityRule::NameOutright, ".MN2.HRPT"};
    return found;
}

// The last group: MetOp tokens name their satellite outright; without one,
// the last two characters, which are as often the minutes of a time.
TSatelliteChoice FromNameEnd(const std::string& name) {
    const TSatelliteChoice metop = LastMatch(name,
                                             {{"_M02_", "METOP-A"}, {"_M03_", "METOP-C"}, {"M01_", "METOP-B"},
                                              {"M02_", "METOP-A"}, {"M03_", "METOP-C"}, {"METOPA", "METOP-A"},
                                              {"METOPB", "METOP-B"}, {"METOPC", "METOP-C"}},
                                             Contains);
    if (!metop.Satellite.empty()) return metop;
    std::vector<TNameRule> digits = NoaaTokens("", AllNoaaNumbers);
    return LastMatch(name, digits, EndsWith, TIdentityRule::NameDigits);
}

TSatelliteChoice Known(const std::string& name, TIdentityRule rule) {
    const std::string satellite = KnownSatellite(name);
    return satellite.empty() ? TSatelliteChoice{} : TSatelliteChoice{satellite, rule, {}};
}

constexpr int FirstPassYear = 1978;

}  // namespace

std::string KnownSatellite(const std::string& name) {
    const std::string standard = StandardSatelliteName(name);
    return CatalogNumberOf(standard).empty() ? std::string() : standard;
}

TSatelliteChoice SatelliteOfName(const std::string& upperName) {
    TSatelliteChoice found = FromNamePrefix(upperName);
    if (found.Satellite.empty()) found = LastMatch(upperName, NoaaTokens("N", AllNoaaNumbers), Contains);
    if (found.Satellite.empty()) found = LastMatch(upperName, NoaaTokens("NO", AllNoaaNumbers), Contains);
    if (found.Satellite.empty()) found = LastMatch(upperName, NoaaTokens("NOAA", AllNoaaNumbers), Contains);
    if (found.Satellite.empty()) found = FromNameEnd(upperName);
    return found;
}

TSatelliteChoice DecideSatellite(const TSatelliteEvidence& evidence) {
    const TIdentityRule named = evidence.Name.Rule;
    if (named == TIdentityRule::NameOutright || named == TIdentityRule::NameLayout) return evidence.Name;
    if (TSatelliteChoice header = Known(evidence.Header, evidence.HeaderRule); !header.Satellite.empty()) return header;
    if (TSatelliteChoice frames = Known(evidence.Frames, TIdentityRule::Frames); !frames.Satellite.empty()) return frames;
    return evidence.Name;
}

bool PassYearPossible(int year, TDateTime now) {
    return year >= FirstPassYear && year <= DecodeDateTime(now + 31).year;
}

TDateTime DateInName(const std::string& name, TDateTime now) {
    // Digits with at most one "-" or "_" between the year, the month and the day.
    for (size_t start = 0; start + 8 <= name.size(); ++start) {
        if (start > 0 && std::isdigit(static_cast<unsigned char>(name[start - 1]))) continue;
        std::string digits;
        size_t i = start;
        while (i < name.size() && digits.size() < 8) {
            const char c = name[i];
            const bool separator = (c == '-' || c == '_') && (digits.size() == 4 || digits.size() == 6);
            if (std::isdigit(static_cast<unsigned char>(c)))
                digits += c;
            else if (!separator)
                break;
            ++i;
        }
        if (digits.size() < 8) continue;
        const int year = std::stoi(digits.substr(0, 4));
        TDateTime date = 0;
        if (PassYearPossible(year, now) && TryEncodeDate(year, std::stoi(digits.substr(4, 2)), std::stoi(digits.substr(6, 2)), date))
            return date;
    }
    return 0;
}

std::string SatelliteReason(const TSatelliteChoice& choice, const TSatelliteChoice& fromName) {
    std::string reason = choice.Satellite;
    switch (choice.Rule) {
        case TIdentityRule::NameOutright: reason += ", named by the file's name (\"" + choice.Token + "\")"; break;
        case TIdentityRule::NameLayout: reason += ", named by the file's name"; break;
        case TIdentityRule::Header: reason += ", named by the file's header"; break;
        case TIdentityRule::Frames: reason += ", named by its frames"; break;
        case TIdentityRule::NameDigits:
            reason += ", taken from the last two characters of the file's name (\"" + choice.Token + "\")";
            break;
        case TIdentityRule::Question: reason += ", chosen in the direction question"; break;
        case TIdentityRule::FileDate:
        case TIdentityRule::None: return {};
    }
    if (fromName.Rule == TIdentityRule::NameDigits && choice.Rule != TIdentityRule::NameDigits &&
        fromName.Satellite != choice.Satellite)
        reason += "; the last two characters of the name (\"" + fromName.Token + "\") do not name a satellite over them";
    return reason;
}

}  // namespace kestrune
