#include "decoding/PassIdentity.h"

#include "decoding/SatelliteIdent.h"
#include "decoding/Station16Formats.h"
#include "orbit/FrameYear.h"
#include "orbit/Orbits.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
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

// A short token such as "N15" names a satellite only where no letter runs
// into it: "JUN15" and "STATION12" are words, not satellites.
bool ContainsAfterNoLetter(const std::string& text, const std::string& token) {
    for (size_t at = text.find(token); at != std::string::npos; at = text.find(token, at + 1))
        if (at == 0 || std::isalpha(static_cast<unsigned char>(text[at - 1])) == 0) return true;
    return false;
}

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
                                              {"METOPB", "METOP-B"}, {"METOPC", "METOP-C"}, {"METOP-A", "METOP-A"},
                                              {"METOP-B", "METOP-B"}, {"METOP-C", "METOP-C"}},
                                             Contains);
    if (!metop.Satellite.empty()) return metop;
    std::vector<TNameRule> digits = NoaaTokens("", AllNoaaNumbers);
    return LastMatch(name, digits, EndsWith, TIdentityRule::NameDigits);
}

// Satellite names as formats spell them ("Metop-A", "METOP A") compared by letters and digits.
std::string SatelliteKey(const std::string& name) {
    std::string key;
    for (const char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) != 0) key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

// A satellite the program knows as it spells it ("NOAA 18" is "NOAA-18"); others as told.
std::string Spelled(const std::string& satellite) {
    const std::string known = KnownSatellite(satellite);
    return known.empty() ? satellite : known;
}

TSatelliteChoice Known(const std::string& name, TIdentityRule rule) {
    const std::string satellite = KnownSatellite(name);
    return satellite.empty() ? TSatelliteChoice{} : TSatelliteChoice{satellite, rule, {}};
}

constexpr int FirstPassYear = 1978;

TDateTime DateOf(int year, int month, int day) {
    TDateTime date = 0;
    return TryEncodeDate(year, month, day, date) ? date : 0;
}

TDateTime DayOfYearDate(int year, int day) { return DayInYear(year, day) ? EncodeDate(year, 1, 1) + day - 1 : 0; }

int Digits(const std::string& text, size_t at, size_t count) { return std::stoi(text.substr(at, count)); }

// "03MAY2023": a day, a month's English abbreviation, a four-digit year.
TDateTime DayMonthNameYearAt(const std::string& name, size_t start) {
    static const char* const Months[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    const std::string text = UpperCase(name.substr(start, 9));
    if (text.size() < 9 || (name.size() > start + 9 && std::isdigit(static_cast<unsigned char>(name[start + 9]))))
        return 0;
    for (const int at : {0, 1, 5, 6, 7, 8})
        if (!std::isdigit(static_cast<unsigned char>(text[static_cast<size_t>(at)]))) return 0;
    for (int month = 1; month <= 12; ++month)
        if (text.compare(2, 3, Months[month - 1]) == 0) return DateOf(Digits(text, 5, 4), month, Digits(text, 0, 2));
    return 0;
}

// The digits of "yyyymmdd", "yyyy-mm-dd", "yyyy_mm_dd" or "yyyy_mmdd" at
// start: a separator after the year, and after the month only where one
// follows the year ("270109_1200" is no "2701-09-12"); "" when none.
std::string SeparatedDateDigitsAt(const std::string& name, size_t start) {
    const auto digitsAt = [&name](size_t at, size_t count) {
        if (at + count > name.size()) return false;
        for (size_t i = at; i < at + count; ++i)
            if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
        return true;
    };
    const auto endsAt = [&name](size_t at) { return at >= name.size() || !std::isdigit(static_cast<unsigned char>(name[at])); };
    if (!digitsAt(start, 4)) return {};
    if (digitsAt(start, 8)) return endsAt(start + 8) ? name.substr(start, 8) : std::string();
    const char separator = start + 4 < name.size() ? name[start + 4] : '\0';
    if ((separator != '-' && separator != '_') || !digitsAt(start + 5, 2)) return {};
    const size_t day = start + 7 < name.size() && name[start + 7] == separator ? start + 8 : start + 7;
    if (!digitsAt(day, 2) || !endsAt(day + 2)) return {};
    return name.substr(start, 4) + name.substr(start + 5, 2) + name.substr(day, 2);
}

TDateTime SeparatedDateAt(const std::string& name, size_t start) {
    const std::string digits = SeparatedDateDigitsAt(name, start);
    if (digits.empty()) return 0;
    return DateOf(Digits(digits, 0, 4), Digits(digits, 4, 2), Digits(digits, 6, 2));
}

// A month and a day of the month's range, which may still form no date (30 February).
bool DateShaped(int month, int day) { return month >= 1 && month <= 12 && day >= 1 && day <= 31; }

// A run of five to seven digits standing alone: "yyddd", "yymmdd", "yyyyddd";
// two-digit years as the station formats read them.
TDateTime DigitRunDateAt(const std::string& name, size_t start) {
    size_t end = start;
    while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
    const std::string run = name.substr(start, end - start);
    const auto twoDigitYear = StationTwoDigitYear;
    switch (run.size()) {
        case 5: return DayOfYearDate(twoDigitYear(Digits(run, 0, 2)), Digits(run, 2, 3));
        // As "yymmdd" or as "ddmmyy" (GTI's): the later, the nearer today;
        // "230229" is a 29 February 2023 that does not exist, not 2029-02-23.
        case 6: {
            const TDateTime asYmd = DateOf(twoDigitYear(Digits(run, 0, 2)), Digits(run, 2, 2), Digits(run, 4, 2));
            if (asYmd == 0 && DateShaped(Digits(run, 2, 2), Digits(run, 4, 2))) return 0;
            return std::max(asYmd, DateOf(twoDigitYear(Digits(run, 4, 2)), Digits(run, 2, 2), Digits(run, 0, 2)));
        }
        case 7: return DayOfYearDate(Digits(run, 0, 4), Digits(run, 4, 3));
        default: return 0;
    }
}

// The first date of the name's places that passes the test; 0 when none.
template <typename Test>
TDateTime FirstDateInName(const std::string& name, Test test) {
    for (size_t start = 0; start < name.size(); ++start) {
        if (start > 0 && std::isdigit(static_cast<unsigned char>(name[start - 1]))) continue;
        for (const auto& reading : {DayMonthNameYearAt, SeparatedDateAt, DigitRunDateAt})
            if (const TDateTime date = reading(name, start); date != 0 && test(date)) return date;
    }
    return 0;
}

int NewestPassYear(TDateTime now) { return DecodeDateTime(now + 31).year; }

std::string UpperBaseName(const std::string& fileName) {
    return UpperCase(ChangeFileExt(ExtractFileName(fileName), ""));
}

std::string Ymd(TDateTime date) { return FormatDateTime("yyyy-mm-dd", date); }

// The frames' day in the year a date source gives it (New Year's
// neighbours move it across); 0 without the frames' day, or in a year
// without that day.
TDateTime FramedDate(TDateTime source, int framesDay) {
    if (framesDay == 0) return 0;
    const int year = FrameYear(source, framesDay);
    return DayInYear(year, framesDay) ? EncodeDate(year, 1, 1) + framesDay - 1 : 0;
}

// Whether the frames' day is the date's, or its neighbour across a midnight.
bool FramesAgree(TDateTime date, int framesDay) {
    if (framesDay == 0) return true;
    const TDateTime framed = FramedDate(date, framesDay);
    return framed != 0 && std::abs(framed - std::trunc(date)) <= 1;
}

// Four digits of a year this program's passes or their stations' clocks may write.
bool YearShaped(int year) { return year >= 1900 && year <= 2099; }

// A date of the name's places that does not exist: one whose month and day
// are in range ("2023-02-29", "20230431", "230229"), and, after a year's
// four digits, any month and day ("2026-13-01", "2026-00-00", "20230532");
// "" when none. Six digits alone are as often a time ("120000").
std::string NonexistentDateInName(const std::string& name) {
    for (size_t start = 0; start < name.size(); ++start) {
        if (start > 0 && std::isdigit(static_cast<unsigned char>(name[start - 1]))) continue;
        std::string digits = SeparatedDateDigitsAt(name, start);
        const bool afterYear = !digits.empty() && YearShaped(Digits(digits, 0, 4));
        if (digits.empty()) {
            size_t end = start;
            while (end < name.size() && std::isdigit(static_cast<unsigned char>(name[end]))) ++end;
            if (end - start == 6) digits = std::to_string(StationTwoDigitYear(Digits(name, start, 2))) + name.substr(start + 2, 4);
        }
        if (digits.size() != 8) continue;
        const int month = Digits(digits, 4, 2);
        const int day = Digits(digits, 6, 2);
        if ((afterYear || DateShaped(month, day)) && DateOf(Digits(digits, 0, 4), month, day) == 0)
            return digits.substr(0, 4) + "-" + digits.substr(4, 2) + "-" + digits.substr(6, 2);
    }
    return {};
}

// The year question's name rule: a name that begins with a year of this
// century's passes. A whole date it begins with must be one a pass can have
// and one the frames do not contradict; where they do, a later date of the
// name that they confirm gives the year ("2022-01-01_2023-05-03-1200"). A
// name whose year or date cannot be the pass's is told in refusals.
int YearNameBeginsWith(const std::string& upperName, int framesDay, TDateTime now, std::vector<std::string>& refusals) {
    constexpr int FirstNamedYear = 1998;
    const int year = StrToIntDef(Copy(upperName, 1, 4), 0);
    if (year < FirstNamedYear || year > NewestPassYear(now)) return 0;
    const TDateTime date = SeparatedDateAt(upperName, 0);
    // A whole date no pass can have gives no year either.
    if (date != 0 && !PassDatePossible(date, now)) return 0;
    if (date != 0 && !FramesAgree(date, framesDay)) {
        const TDateTime confirmed = FirstDateInName(upperName, [&](TDateTime other) {
            return PassDatePossible(other, now) && FramesAgree(other, framesDay);
        });
        if (confirmed != 0) return DecodeDateTime(confirmed).year;
        refusals.push_back(FormatResStr(res::SNameDateNotFrames, {Ymd(date), std::to_string(framesDay)}));
        return 0;
    }
    const TDateTime framed = FramedDate(date != 0 ? date : EncodeDate(year, 7, 1), framesDay);
    if (framesDay != 0 && !PassDatePossible(framed, now)) {
        refusals.push_back(FormatResStr(res::SNameYearFramesImpossible,
                                        {std::to_string(year), std::to_string(framesDay), Ymd(framed)}));
        return 0;
    }
    return year;
}

// The date question's name rule: year, month and day from the first eight
// date digits of the name, wherever they stand; 0 when they do not form a
// date in 1961..2098.
TDateTime DateOfNameDigits(const std::string& upperName) {
    const size_t start = DateDigitsStart(upperName);
    std::string digits;
    for (size_t i = start; i < upperName.size(); ++i)
        if (std::isdigit(static_cast<unsigned char>(upperName[i]))) digits += upperName[i];
    if (digits.size() < 8) return 0;
    const int year = std::stoi(digits.substr(0, 4));
    const int month = std::stoi(digits.substr(4, 2));
    const int day = std::stoi(digits.substr(6, 2));
    TDateTime date = 0;
    if (year < 1961 || year > 2098 || !TryEncodeDate(year, month, day, date)) return 0;
    return date;
}

// The latest year in which the frames' day has passed a month from now; without it, the clock's year.
int LatestPassYear(int framesDay, TDateTime now) {
    if (framesDay == 0) return DecodeDateTime(now).year;
    int year = NewestPassYear(now);
    while (!DayInYear(year, framesDay) || EncodeDate(year, 1, 1) + framesDay - 1 > now + 31) --year;
    return year;
}

// A year the reader read from the name's layout, refused where the frames' day in it is no pass's.
bool ReadYearUsable(const TDateEvidence& evidence, TDateTime now, std::vector<std::string>& refusals) {
    if (evidence.ReadRule != TIdentityRule::NameLayout || evidence.FramesDay == 0) return true;
    const TDateTime source = evidence.Read != 0 ? evidence.Read : EncodeDate(evidence.ReadYear, 7, 1);
    const TDateTime framed = FramedDate(source, evidence.FramesDay);
    if (PassDatePossible(framed, now)) return true;
    refusals.push_back(FormatResStr(res::SNameYearFramesImpossible, {std::to_string(evidence.ReadYear),
                                                                     std::to_string(evidence.FramesDay), Ymd(framed)}));
    return false;
}

// The file's date dates a pass only where a pass can have it, and its frames' day in its year.
bool FileDateUsable(const TDateEvidence& evidence, TDateTime now, std::vector<std::string>& refusals) {
    if (!PassDatePossible(evidence.FileDate, now)) {
        refusals.push_back(FormatResStr(res::SFileDateImpossible, {Ymd(evidence.FileDate)}));
        return false;
    }
    const TDateTime framed = FramedDate(evidence.FileDate, evidence.FramesDay);
    if (evidence.FramesDay == 0 || PassDatePossible(framed, now)) return true;
    refusals.push_back(FormatResStr(res::SFileDateFramesImpossible,
                                    {Ymd(evidence.FileDate), Ymd(framed), std::to_string(evidence.FramesDay)}));
    return false;
}

// A date the name holds anywhere that a pass can have and the frames' day confirms; 0 without the frames' day.
TDateTime FramesConfirmedDateInName(const TDateEvidence& evidence, TDateTime now) {
    if (evidence.FramesDay == 0) return 0;
    return FirstDateInName(UpperBaseName(evidence.Name), [&](TDateTime date) {
        return PassDatePossible(date, now) && FramesAgree(date, evidence.FramesDay);
    });
}

TDateChoice DecideYear(const TDateEvidence& evidence, TDateTime now, bool nameDateExists) {
    TDateChoice choice{TDateMode::Year, 0, 0, TIdentityRule::None, 0};
    const bool readYearRefused = evidence.ReadYear != 0 && !ReadYearUsable(evidence, now, choice.Refusals);
    // A name whose layout's year was refused is not told twice over for the year it begins with.
    std::vector<std::string> beginsRefusals;
    if (evidence.ReadYear != 0 && !readYearRefused) {
        choice.Year = evidence.ReadYear;
        choice.Rule = evidence.ReadRule;
    } else if (const int year = nameDateExists ? YearNameBeginsWith(UpperBaseName(evidence.Name), evidence.FramesDay, now,
                                                                     readYearRefused ? beginsRefusals : choice.Refusals)
                                               : 0;
               year != 0 && !(readYearRefused && year == evidence.ReadYear)) {
        choice.Year = year;
        choice.Rule = TIdentityRule::NameLayout;
    } else if (FileDateUsable(evidence, now, choice.Refusals)) {
        choice.Year = DecodeDateTime(evidence.FileDate).year;
        choice.Rule = TIdentityRule::FileDate;
    } else if (const TDateChoice nearest = YearNearestElements(evidence, now); nearest.Year != 0) {
        choice.Year = nearest.Year;
        choice.Rule = TIdentityRule::ElementSets;
        choice.ElementsSatellite = nearest.ElementsSatellite;
        choice.ElementsDistance = nearest.ElementsDistance;
    } else if (const TDateTime confirmed = FramesConfirmedDateInName(evidence, now); confirmed != 0) {
        // Without sets: a date of the name's that no layout reads but the frames' day confirms ("M01_20240301_0920").
        choice.Year = DecodeDateTime(confirmed).year;
        choice.Rule = TIdentityRule::NameLayout;
        choice.NameUnread = confirmed;
    } else {
        choice.Year = LatestPassYear(evidence.FramesDay, now);
        choice.Rule = TIdentityRule::LatestYear;
    }
    return choice;
}

// The file's date, else the run's clock where no pass can have the file's.
TDateChoice DayOfFileDate(const TDateEvidence& evidence, TDateMode mode, TDateTime now) {
    const bool withTime = mode == TDateMode::DateAndTime;
    TDateChoice choice{mode, 0, 0, TIdentityRule::FileDate, 0};
    const bool usable = FileDateUsable({evidence.Name, 0, 0, evidence.ReadRule, evidence.FileDate}, now, choice.Refusals);
    const TDateTime date = usable ? evidence.FileDate : now;
    choice.Date = withTime ? date : static_cast<double>(Trunc(date));
    if (!usable) choice.Rule = TIdentityRule::LatestYear;
    return choice;
}

TDateChoice DecideDay(const TDateEvidence& evidence, TDateTime now, bool nameDateExists) {
    if (evidence.Read != 0) return {TDateMode::Date, static_cast<double>(Trunc(evidence.Read)), 0, evidence.ReadRule, 0};
    // A name's date no pass can have was refused where the name was read: it dates nothing here either.
    const TDateTime date = nameDateExists ? DateOfNameDigits(UpperBaseName(evidence.Name)) : 0;
    if (date != 0 && PassDatePossible(date, now)) return {TDateMode::Date, date, 0, TIdentityRule::NameLayout, 0};
    return DayOfFileDate(evidence, TDateMode::Date, now);
}

TDateChoice DecideDayAndTime(const TDateEvidence& evidence, TDateTime now) {
    if (evidence.Read != 0) return {TDateMode::DateAndTime, evidence.Read, 0, evidence.ReadRule, 0};
    return DayOfFileDate(evidence, TDateMode::DateAndTime, now);
}

}  // namespace

std::string KnownSatellite(const std::string& name) {
    const std::string standard = StandardSatelliteName(name);
    return CatalogNumberOf(standard).empty() ? std::string() : standard;
}

TSatelliteChoice SatelliteOfName(const std::string& upperName) {
    TSatelliteChoice found = FromNamePrefix(upperName);
    if (found.Satellite.empty()) found = LastMatch(upperName, NoaaTokens("N", AllNoaaNumbers), ContainsAfterNoLetter);
    if (found.Satellite.empty()) found = LastMatch(upperName, NoaaTokens("NO", AllNoaaNumbers), ContainsAfterNoLetter);
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
    return year >= FirstPassYear && year <= NewestPassYear(now);
}

bool PassDatePossible(TDateTime date, TDateTime now) { return date >= EncodeDate(1978, 10, 13) && date <= now + 31; }

std::string NameDateRefusal(TDateTime date, TDateTime now) {
    if (PassDatePossible(date, now)) return {};
    const int year = DecodeDateTime(date).year;
    if (!PassYearPossible(year, now)) return FormatResStr(res::SNameYearImpossible, {std::to_string(year)});
    return FormatResStr(res::SNameDateImpossible, {FormatDateTime("yyyy-mm-dd", date)});
}

TDateTime DateInName(const std::string& name, TDateTime now) {
    return FirstDateInName(name, [now](TDateTime date) { return PassDatePossible(date, now); });
}

TDateTime ImpossibleDateInName(const std::string& name, TDateTime now) {
    return FirstDateInName(name, [now](TDateTime date) { return !PassDatePossible(date, now); });
}

TDateChoice YearNearestElements(const TDateEvidence& evidence, TDateTime now) {
    TDateChoice nearest;
    if (evidence.FramesDay == 0 || evidence.ElementEpochs.empty()) return nearest;
    for (int year = FirstPassYear; year <= NewestPassYear(now); ++year) {
        const TDateTime day = DayOfYearDate(year, evidence.FramesDay);
        if (day == 0 || !PassDatePossible(day, now)) continue;
        for (const TDateTime epoch : evidence.ElementEpochs) {
            const double distance = std::abs(epoch - (day + 0.5));
            if (nearest.Year == 0 || distance < nearest.ElementsDistance) {
                nearest.Year = year;
                nearest.ElementsDistance = distance;
            }
        }
    }
    nearest.ElementsSatellite = evidence.Satellite;
    return nearest;
}

TDateChoice DecideDate(const TDateEvidence& evidence, TDateMode mode, TDateTime now) {
    const std::string baseName = ChangeFileExt(ExtractFileName(evidence.Name), "");
    // A date of the name that does not exist dates nothing, and is told.
    const std::string nonexistent = NonexistentDateInName(baseName);
    TDateChoice choice;
    switch (mode) {
        case TDateMode::Year: choice = DecideYear(evidence, now, nonexistent.empty()); break;
        case TDateMode::Date: choice = DecideDay(evidence, now, nonexistent.empty()); break;
        case TDateMode::DateAndTime: choice = DecideDayAndTime(evidence, now); break;
        case TDateMode::None:
            // Nothing asked: what the reader read stands, and nothing else dates the pass here.
            if (evidence.Read != 0) choice = DecideDayAndTime(evidence, now);
            else if (evidence.ReadYear != 0) choice = DecideYear(evidence, now, nonexistent.empty());
            break;
    }
    if (!nonexistent.empty()) choice.Refusals.insert(choice.Refusals.begin(), FormatResStr(res::SNameDateNotExisting, {nonexistent}));
    choice.FileDate = evidence.FileDate;
    choice.FramesDay = evidence.FramesDay;
    // A name whose date was refused has said why; it is not said to hold a date no layout reads.
    choice.NameLayoutUnused = !choice.Refusals.empty();
    if (choice.Rule != TIdentityRule::FileDate || choice.NameLayoutUnused) return choice;
    choice.NameHolds = DateInName(baseName, now);
    if (choice.NameHolds != 0) return choice;
    // A date no pass can have is no date of the pass, but the name is told to hold it.
    choice.NameHolds = ImpossibleDateInName(baseName, now);
    choice.NameHoldsImpossible = choice.NameHolds != 0;
    return choice;
}

std::string DateReason(const TDateChoice& choice) {
    if (choice.NameUnread != 0)
        return FormatResStr(res::SDatedByNameUnread, {std::to_string(choice.Year), Ymd(choice.NameUnread),
                                                      std::to_string(choice.FramesDay)});
    if (choice.Rule == TIdentityRule::ElementSets)
        return FormatResStr(res::SDatedNearestElements, {std::to_string(choice.Year), std::to_string(choice.FramesDay),
                                                         choice.ElementsSatellite, Format("%.1f", choice.ElementsDistance)});
    if (choice.Rule == TIdentityRule::LatestYear)
        return choice.FramesDay != 0 && choice.Mode != TDateMode::Date && choice.Mode != TDateMode::DateAndTime
                   ? FormatResStr(res::SDatedLatestYear, {std::to_string(choice.Year), std::to_string(choice.FramesDay)})
                   : FormatResStr(res::SDatedByClock, {choice.Year != 0 ? std::to_string(choice.Year) : Ymd(choice.Date)});
    if (choice.Rule != TIdentityRule::FileDate) return {};
    const std::string fileDate = Ymd(choice.FileDate);
    if (choice.NameHolds != 0)
        return FormatResStr(choice.NameHoldsImpossible ? res::SDatedByFileDateNameImpossible : res::SDatedByFileDateNameHolds,
                            {fileDate, Ymd(choice.NameHolds)});
    return FormatResStr(choice.NameLayoutUnused ? res::SDatedByFileDateNameUnused : res::SDatedByFileDate, {fileDate});
}

std::string SatelliteMismatch(const std::string& named, const std::string& framedAsTold, const std::string& usedAsTold,
                              bool namedByFrames, const TSatelliteChoice& fromName) {
    if (framedAsTold.empty() || StartsText("Unknown", framedAsTold)) return {};
    const std::string framed = Spelled(framedAsTold);
    const std::string used = Spelled(usedAsTold);
    const std::string digits = SatelliteKey(fromName.Satellite);
    // The name's last two characters yielded to the frames, whether or not the loader named their satellite first.
    const bool digitsYielded = fromName.Rule == TIdentityRule::NameDigits && digits != SatelliteKey(framed) &&
                               SatelliteKey(used) == SatelliteKey(framed) &&
                               (named.empty() || SatelliteKey(named) == digits || SatelliteKey(named) == SatelliteKey(framed));
    if (digitsYielded) return FormatResStr(res::SSatelliteNameDigitsYielded, {fromName.Token, fromName.Satellite, framed, used});
    if (named.empty() || SatelliteKey(named) == SatelliteKey(framed)) return {};
    if (fromName.Rule == TIdentityRule::NameDigits && SatelliteKey(named) == digits)
        return FormatResStr(res::SSatelliteNameDigitsYielded, {fromName.Token, named, framed, used});
    if (namedByFrames) return FormatResStr(res::SSatelliteMismatchFramesLookedAt, {named, framed, used});
    const bool framesUsed = SatelliteKey(used) == SatelliteKey(framed);
    return FormatResStr(framesUsed ? res::SSatelliteMismatchFramesUsed : res::SSatelliteMismatchFileUsed, {named, framed, used});
}

}  // namespace kestrune
