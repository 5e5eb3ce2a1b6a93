#include "platform/SysUtils.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <locale.h>

namespace kestrune {

namespace {

// Day number of 1899-12-30 counted from 1970-01-01.
constexpr int64_t DelphiEpochFromUnix = -25569;

// Days since 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

const char* const ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const LongMonthNames[12] = {"January", "February", "March",     "April",
                                        "May",     "June",     "July",      "August",
                                        "September", "October", "November", "December"};
const char* const ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const LongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

// The "C" locale, made once, for number text independent of the user's locale.
locale_t ClassicLocale() {
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return classic;
}

// A whole number as int64_t: NaN gives 0, values beyond the range its nearest end.
int64_t SaturatedInt64(double whole) {
    constexpr double Limit = 9223372036854775808.0;  // 2^63
    if (std::isnan(whole)) return 0;
    if (whole >= Limit) return std::numeric_limits<int64_t>::max();
    if (whole < -Limit) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(whole);
}

// Date-times from 0001-01-01 up to the end of 9999-12-31; others decode to zeros.
bool InCalendar(TDateTime value) { return value >= -693593.0 && value < 2958466.0; }

std::string_view TrimView(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// The whole text as a number: blanks around it and one "+" before it are allowed.
template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    text = TrimView(text);
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

std::string Padded(int value, int width) {
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
}

// Length of the run of character c (case ignored) at pattern[i].
size_t RunLength(std::string_view pattern, size_t i) {
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(pattern[i])));
    size_t n = 0;
    while (i + n < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + n])) == c) ++n;
    return n;
}

}  // namespace

int64_t Round(double value) { return SaturatedInt64(std::nearbyint(value)); }  // default rounding mode: ties to even

int64_t Trunc(double value) { return SaturatedInt64(std::trunc(value)); }

double Frac(double value) { return value - std::trunc(value); }

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

int DayOfYear(int year, int month, int day) {
    return static_cast<int>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                            DaysFromCivil(year, 1, 1)) + 1;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    result = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                                 DelphiEpochFromUnix);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        return false;
    result = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime result = 0;
    if (!TryEncodeDate(year, month, day, result))
        throw EConvertError(Format("Invalid argument to date encode: %d-%d-%d", year, month, day));
    return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    TDateTime result = 0;
    if (!TryEncodeTime(hour, minute, second, millisecond, result))
        throw EConvertError(Format("Invalid argument to time encode: %d:%d:%d.%d", hour, minute, second, millisecond));
    return result;
}

DateParts DecodeDateTime(TDateTime value) {
    DateParts parts;
    if (!InCalendar(value)) return parts;
    const double totalMs = std::nearbyint(value * MSecsPerDay);
    const auto days = static_cast<int64_t>(std::floor(totalMs / MSecsPerDay));
    auto ms = static_cast<int64_t>(totalMs - static_cast<double>(days) * MSecsPerDay);
    CivilFromDays(days + DelphiEpochFromUnix, parts.year, parts.month, parts.day);
    parts.hour = static_cast<int>(ms / 3600000);
    ms %= 3600000;
    parts.minute = static_cast<int>(ms / 60000);
    ms %= 60000;
    parts.second = static_cast<int>(ms / 1000);
    parts.millisecond = static_cast<int>(ms % 1000);
    return parts;
}

TDateTime UnixDayDate(double days) { return days - static_cast<double>(DelphiEpochFromUnix); }

TDateTime NowUtc() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const double ms = static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    return UnixDayDate(ms / MSecsPerDay);
}

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
    const DateParts p = DecodeDateTime(value);
    // A date outside the calendar has no month or day names.
    const bool named = InCalendar(value);
    const auto monthName = [&](const char* const (&names)[12]) -> const char* { return named ? names[p.month - 1] : ""; };
    const auto dayName = [&](const char* const (&names)[7]) -> const char* {
        if (!named) return "";
        const auto dayNumber = static_cast<int64_t>(std::floor(value));  // day 0, 1899-12-30, was a Saturday
        return names[((dayNumber % 7) + 7 + 6) % 7];
    };
    std::string out;
    bool lastWasHour = false;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        const char lc = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (c == '"' || c == '\'') {
            const size_t end = pattern.find(c, i + 1);
            const size_t stop = end == std::string_view::npos ? pattern.size() : end;
            out.append(pattern.substr(i + 1, stop - i - 1));
            i = stop + 1;
            continue;
        }
        if (lc == 'a' && pattern.substr(i).size() >= 5 && SameText(pattern.substr(i, 5), "am/pm")) {
            out += p.hour < 12 ? "am" : "pm";
            i += 5;
            continue;
        }
        const size_t n = RunLength(pattern, i);
        bool hour = false;
        switch (lc) {
            case 'y': out += n <= 2 ? Padded(p.year % 100, 2) : Padded(p.year, 4); break;
            case 'm':
                if (lastWasHour && n <= 2) {
                    out += n == 1 ? std::to_string(p.minute) : Padded(p.minute, 2);
                } else if (n == 1) {
                    out += std::to_string(p.month);
                } else if (n == 2) {
                    out += Padded(p.month, 2);
                } else if (n == 3) {
                    out += monthName(ShortMonthNames);
                } else {
                    out += monthName(LongMonthNames);
                }
                break;
            case 'd':
                if (n == 1) out += std::to_string(p.day);
                else if (n == 2) out += Padded(p.day, 2);
                else if (n == 3) out += dayName(ShortDayNames);
                else out += dayName(LongDayNames);
                break;
            case 'h': out += n == 1 ? std::to_string(p.hour) : Padded(p.hour, 2); hour = true; break;
            case 'n': out += n == 1 ? std::to_string(p.minute) : Padded(p.minute, 2); break;
            case 's': out += n == 1 ? std::to_string(p.second) : Padded(p.second, 2); break;
            case 'z':
                // "zzz" is the padded millisecond; any further z repeats the plain form.
                for (size_t k = n; k > 0;) {
                    if (k >= 3) { out += Padded(p.millisecond, 3); k -= 3; }
                    else { out += std::to_string(p.millisecond); k -= 1; }
                }
                break;
            default: out.append(static_cast<size_t>(n), c); break;
        }
        // Only letters decide whether a following "m" means minutes.
        if (std::isalpha(static_cast<unsigned char>(c))) lastWasHour = hour;
        i += n;
    }
    return out;
}

std::string Format(const char* format, ...) {
    const locale_t previous = uselocale(ClassicLocale());
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        out.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(out.data(), out.size(), format, args);
        out.resize(static_cast<size_t>(length));
    }
    va_end(args);
    uselocale(previous);
    return out;
}

bool TryStrToInt(std::string_view text, int& value) { return ParseNumber(text, value); }

int StrToIntDef(std::string_view text, int fallback) {
    int value = 0;
    return TryStrToInt(text, value) ? value : fallback;
}

bool TryStrToFloat(std::string_view text, double& value) { return ParseNumber(text, value) && std::isfinite(value); }

double StrToFloatDef(std::string_view text, double fallback) {
    double value = 0;
    return TryStrToFloat(text, value) ? value : fallback;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string CoordinateText(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string Copy(std::string_view text, int64_t index, int64_t count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > static_cast<int64_t>(text.size())) return {};
    return std::string(text.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

int Pos(std::string_view sub, std::string_view text) {
    if (sub.empty()) return 0;
    const size_t at = text.find(sub);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string UpperCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
    return out;
}

std::string LowerCase(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return out;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

bool StartsText(std::string_view prefix, std::string_view text) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool EndsText(std::string_view suffix, std::string_view text) {
    return text.size() >= suffix.size() && SameText(text.substr(text.size() - suffix.size()), suffix);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::vector<std::string> SplitString(std::string_view text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.emplace_back(text.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) break;
        start = at + 1;
    }
    return parts;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

std::string ExtractFileName(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileExt(std::string_view path) {
    const size_t dot = path.find_last_of("./");
    if (dot == std::string_view::npos || path[dot] != '.') return {};
    return std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
    const size_t dot = path.find_last_of("./");
    const size_t stem = dot != std::string_view::npos && path[dot] == '.' ? dot : path.size();
    return std::string(path.substr(0, stem)) + std::string(extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view folder) {
    std::string out(folder);
    if (out.empty() || out.back() != '/') out += '/';
    return out;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace kestrune
