// What decides a pass's satellite and date: the file's name, its header,
// its frames or its file time. One function weighs what they say of the
// satellite, so that the direction question, the diagnostics and the run
// report give the same satellite for the same reason; the years a pass can
// have and the dates a name holds are judged here for every format alike.
#pragma once

#include "platform/SysUtils.h"

#include <string>

namespace kestrune {

// The rule that chose a satellite or a date, strongest first.
enum class TIdentityRule {
    None,
    NameOutright,  // the name spells a known satellite ("N18", "NOAA18", "M01_", "METOPB", "FY3A")
    NameLayout,    // the format's own name layout
    Header,        // the file's header, or frames looked at before reading
    Frames,        // the frames of the whole pass
    NameDigits,    // only the name's last two characters, which may be digits of a time
    FileDate,      // the file's modification time
    Question,      // chosen in the direction question
};

struct TSatelliteChoice {
    std::string Satellite;  // spelled as the program spells it ("NOAA-18"); "" when nothing named one
    TIdentityRule Rule = TIdentityRule::None;
    std::string Token;      // what of the name chose it ("N18", "15")
};

// What name, header and frames say of a pass's satellite.
struct TSatelliteEvidence {
    TSatelliteChoice Name;       // from the name's own rules
    std::string Header;          // from the header or the frames looked at before reading
    TIdentityRule HeaderRule = TIdentityRule::Header;
    std::string Frames;          // from the frames of the whole pass; "" before they are read
};

// "NOAA 18", "noaa-18", "Metop-B" spelled as the program spells them
// ("NOAA-18", "METOP-B"); "" for a name the program does not know.
std::string KnownSatellite(const std::string& name);

// The satellite that the upper-case file name without extension names,
// with the rule that named it; Rule None when no rule matches.
TSatelliteChoice SatelliteOfName(const std::string& upperName);

// A name that spells a known satellite outright decides; else a satellite
// the header or the frames name; only then the name's last two characters.
TSatelliteChoice DecideSatellite(const TSatelliteEvidence& evidence);

// The years a recorded pass can have: from the first AVHRR (1978) to the
// year a month after now.
bool PassYearPossible(int year, TDateTime now);

// A date of the name, as "yyyymmdd", "yyyy-mm-dd" or "yyyy_mm_dd" in a
// year a pass can have; 0 when the name holds none.
TDateTime DateInName(const std::string& name, TDateTime now);

// Why the satellite was chosen, for the diagnostics and the run report:
// "NOAA-18, named by its frames; the name's last two characters "15" do not
// name a satellite over them".
std::string SatelliteReason(const TSatelliteChoice& choice, const TSatelliteChoice& fromName);

}  // namespace kestrune
