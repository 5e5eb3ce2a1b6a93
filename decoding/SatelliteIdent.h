// Satellite and pass date from the way receiving stations name their files.
// Positions are 1-based characters of the file name without folder and
// extension; a field that is not a decimal number raises EConvertError, which
// drops the whole name as a source.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <string>

namespace kestrune {

struct TNameTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;

    // EConvertError for a month outside 1..12 or a day the month lacks.
    TDateTime Date() const;
    TDateTime DateTime() const;
};

struct TNamedPass {
    std::string Satellite;  // as the name spells it; "" when the name gives none
    TNameTime When;
};

// Characters first..last read as a decimal number.
int NameField(const std::string& name, int first, int last);

// Lines of a pass are six a second: the middle of a pass of recordCount
// lines that starts at the given date and hour:minute.
TDateTime MidPassTime(TDateTime date, int hour, int minute, int32_t recordCount);

// A name of the dated layouts begins with the four digits of its year;
// whether a pass can have that date is the date's own check.
bool BeginsWithYear(const std::string& name);

// ESS names: with the PVL flag "yyyymmddhhnn..." or "hrpt..." layouts,
// without it "yyyy?mm?dd?hhnn?SSSSNN" with MetOp tokens at 17.
TNamedPass EssNamePass(const std::string& name, bool pvlFile);
// ESS names that begin with "METOPA", "METOPB" or "METOPC".
TNamedPass EssMetopNamePass(const std::string& upperName);

// SSB/Orbit names begin (as written) with "N10" .. "N18"; "" when not.
std::string SsbNameSatellite(const std::string& name);

// The four layouts of 16-bit HRPT names.
enum class THrpt16Layout { None, AllPrefix, Dated, MetopM0, AhPrefix };
THrpt16Layout Hrpt16Layout(const std::string& name);
TNamedPass Hrpt16NamePass(const std::string& name, THrpt16Layout layout);

// 10-bit family: the satellite token of the upper name, "" when none.
std::string TenBitSatelliteToken(const std::string& upperName);
// 10-bit family without a token: "_10" .. "_18" at 6 name a NOAA satellite
// whose orbit number stands in characters 1..5; "" when the name has none.
std::string TenBitOrbitSatellite(const std::string& name);
// Where the date digits of a name begin: after a leading FengYun code such
// as "FY3A" or "FY1D", whose digit is no part of the date; else at the start.
size_t DateDigitsStart(const std::string& name);
// 10-bit family: every digit of the name from DateDigitsStart, with "20" in
// front for the two-digit years of ".wsd" names.
TNameTime TenBitNameTime(const std::string& name, bool twoDigitYear);

}  // namespace kestrune
