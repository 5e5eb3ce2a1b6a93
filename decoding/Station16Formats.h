// Header readers of the 16-bit station recordings other than plain HRPT and
// Quorum files: SeaWiFS, Dartcom (HRPT and CHRPT), GTI and SmartView. Their
// headers say little; satellite and date come from names, identity words and
// the frame at mid-pass.
#pragma once

#include "platform/SysUtils.h"

#include <string>

namespace kestrune {

struct TLoadContext;

void Read16BitSeaWifsHeader(TLoadContext& load);  // code 27
void ReadDartcomHeader(TLoadContext& load);       // codes 29 and 30
void ReadGtiHeader(TLoadContext& load);           // code 31
void ReadSmartViewHeader(TLoadContext& load);     // code 33

// The SmartView form of a name, "yyddd_nn" (year, day of year, NOAA number),
// the only one whose digits give the pass's year, day and satellite.
bool IsSmartViewName(const std::string& name);

// A name that begins as ".wsd" passes are named, "yymmdd_...": its date.
bool DateOfStationName(const std::string& name, TDateTime& date);

// Two-digit years of GTI and SmartView names: 57 and below are of this century.
int StationTwoDigitYear(int year);

}  // namespace kestrune
