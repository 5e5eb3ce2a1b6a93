#include "orbit/FrameYear.h"

#include <cmath>

namespace kestrune {

namespace {

constexpr int LateInYearDays = 305;
constexpr int EarlyInYearDays = 60;

}  // namespace

int FrameYear(TDateTime dateSource, int dayOfYear) {
    const int year = DecodeDateTime(dateSource).year;
    const double daysIn = std::trunc(dateSource) - EncodeDate(year, 1, 1);
    const int daysBefore = dayOfYear - 1;
    if (daysIn > LateInYearDays && daysBefore < EarlyInYearDays) return year + 1;
    if (daysIn < EarlyInYearDays && daysBefore > LateInYearDays) return year - 1;
    return year;
}

bool DayInYear(int year, int dayOfYear) { return dayOfYear >= 1 && dayOfYear <= (IsLeapYear(year) ? 366 : 365); }

}  // namespace kestrune
