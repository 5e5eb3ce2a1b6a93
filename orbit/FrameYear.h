// The year of a frame's day of the year. HRPT time codes count days of the
// year without the year; the pass is dated by something near it (a name, a
// file's time, an orbit number's element set), which may lie on the other
// side of New Year's midnight from the frames.
#pragma once

#include "platform/SysUtils.h"

namespace kestrune {

// The date source's year, or the next when a date source late in the year
// meets a frame early in January, or the year before when a date source
// early in January meets a frame late in December. "Early" and "late" are
// the first 60 and the last 60 days of a year, so that an orbit number's
// estimate some weeks off still finds the year.
int FrameYear(TDateTime dateSource, int dayOfYear);

// Whether the year has such a day: 366 only in a leap year.
bool DayInYear(int year, int dayOfYear);

}  // namespace kestrune
