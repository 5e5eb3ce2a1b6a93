// Date, number and text helpers with the semantics the stored files and
// products of the program were written with: day-based UTC date-times,
// rounding with halves to even, "." as the decimal separator whatever the
// locale, 1-based string copies, file-name parts.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// Base of every error class the program raises on purpose.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Bad date, time or number text.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Arithmetic that cannot give a result (a singular system, the square root
// of a negative, a division by zero): floating point never traps, so the
// code that would have trapped raises this instead.
class EMathError : public Exception {
public:
    using Exception::Exception;
};

// Days since 1899-12-30 00:00 UTC; the fraction is the time of day.
using TDateTime = double;

constexpr double MSecsPerDay = 86400000.0;
constexpr double SecsPerDay = 86400.0;
constexpr double MinsPerDay = 1440.0;

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
// Both give 0 for NaN and the nearest end of the range beyond it.
int64_t Round(double value);
// Toward zero.
int64_t Trunc(double value);
double Frac(double value);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
// 1-based day of the year of a valid date.
int DayOfYear(int year, int month, int day);

// Throw EConvertError for values outside the calendar or the clock.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);

struct DateParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};
// Splits a date-time, rounding to the nearest millisecond as the original did;
// all zeros for a value outside the years 1 to 9999 (or NaN).
DateParts DecodeDateTime(TDateTime value);

// Date of the Unix epoch day count (seconds / 86400 since 1970-01-01).
TDateTime UnixDayDate(double days);
// Current UTC date-time from the system clock.
TDateTime NowUtc();

// Formats with the original date patterns: yyyy yy m mm mmm mmmm d dd ddd dddd
// h hh n nn s ss z zzz am/pm "quoted" 'quoted'; "/" is the date separator
// ("/"), ":" the time separator; "m"/"mm" right after an hour is minutes.
std::string FormatDateTime(std::string_view pattern, TDateTime value);

// printf-style formatting that always uses "." as decimal separator.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Number text read with "." whatever the locale. The Def forms return the
// default on anything but a whole, valid number (surrounding blanks allowed).
int StrToIntDef(std::string_view text, int fallback);
double StrToFloatDef(std::string_view text, double fallback);
bool TryStrToFloat(std::string_view text, double& value);
bool TryStrToInt(std::string_view text, int& value);
std::string IntToStr(int64_t value);
// A coordinate as text: the shortest text that reads back as the same value, with ".".
std::string CoordinateText(float value);

// 1-based substring; "" when index lies beyond the end, shortened at the end.
std::string Copy(std::string_view text, int64_t index, int64_t count);
// 1-based position of sub in text, 0 when absent.
int Pos(std::string_view sub, std::string_view text);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
bool StartsText(std::string_view prefix, std::string_view text);
bool EndsText(std::string_view suffix, std::string_view text);
std::string Trim(std::string_view text);
std::vector<std::string> SplitString(std::string_view text, char separator);
// The lines of a text whose lines end in CR LF, LF or CR (the last may have no end).
std::vector<std::string> SplitLines(std::string_view text);

// File-name parts, with "/" as the folder separator.
std::string ExtractFileName(std::string_view path);
// Folder with its trailing separator, "" when there is none.
std::string ExtractFilePath(std::string_view path);
// Extension with its dot, "" when none.
std::string ExtractFileExt(std::string_view path);
std::string ChangeFileExt(std::string_view path, std::string_view extension);
std::string IncludeTrailingPathDelimiter(std::string_view folder);
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

}  // namespace kestrune
