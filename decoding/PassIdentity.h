// What decides a pass's satellite and date: the file's name, its header,
// its frames or its file time. One function weighs what they say of the
// satellite, so that the direction question, the diagnostics and the run
// report give the same satellite for the same reason; the years a pass can
// have and the dates a name holds are judged here for every format alike.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

// What of the date the direction question asks for.
enum class TDateMode : uint8_t { None = 0, Year = 1, Date = 2, DateAndTime = 3 };

// The rule that chose a satellite or a date, strongest first.
enum class TIdentityRule {
    None,
    NameOutright,  // the name spells a known satellite ("N18", "NOAA18", "M01_", "METOPB", "FY3A")
    NameLayout,    // the format's own name layout
    Header,        // the file's header, or frames looked at before reading
    Frames,        // the frames of the whole pass
    NameDigits,    // only the name's last two characters, which may be digits of a time
    FileDate,      // the file's modification time
    ElementSets,   // nothing gave a possible year: the one in which the frames' day lies nearest the satellite's sets
    LatestYear,    // nor did the sets: the latest year in which the frames' day has passed
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

// The days a recorded pass can have: from the first AVHRR's launch
// (13 October 1978) to a month after now.
bool PassDatePossible(TDateTime date, TDateTime now);

// Why a name's layout that reads this date is not used ("The name's layout
// gives the year 2099, which no pass can have: ..."); "" when a pass can
// have the date.
std::string NameDateRefusal(TDateTime date, TDateTime now);

// A date of the name that a pass can have: "yyyymmdd", "yyyy-mm-dd",
// "yyyy_mm_dd", "ddMONyyyy" ("03MAY2023"), or a run of digits of its own of
// the forms stations use, "yyyyddd", "yymmdd" and "yyddd"; 0 when the name
// holds none.
TDateTime DateInName(const std::string& name, TDateTime now);
// A date of those forms that no pass can have ("2027-05-03" five months
// ahead); 0 when the name holds none.
TDateTime ImpossibleDateInName(const std::string& name, TDateTime now);

// What a reader read of a pass's date, and the file it read it from.
struct TDateEvidence {
    std::string Name;           // the file's name
    TDateTime Read = 0;         // the date (and time) the reader read; 0 when none
    int ReadYear = 0;           // the year the reader read; 0 when none
    TIdentityRule ReadRule = TIdentityRule::Header;  // what gave them: the name's layout, the header, the frames
    TDateTime FileDate = 0;     // the file's modification time
    int FramesDay = 0;          // the day of the year the frames give; 0 when none was read
    std::string Satellite{};    // the satellite whose element sets ElementEpochs holds
    std::vector<TDateTime> ElementEpochs{};  // the epochs of its sets; none where it has none or none is known
};

struct TDateChoice {
    TDateMode Mode = TDateMode::None;  // a year, a day, or a day and its time
    TDateTime Date = 0;         // the day, with its time where one was asked
    int Year = 0;               // the year, where only a year was asked
    TIdentityRule Rule = TIdentityRule::None;
    TDateTime NameHolds = 0;    // dated by the file: a date the name holds that no layout of its format read
    bool NameHoldsImpossible = false;  // ... and one no pass can have
    TDateTime FileDate = 0;     // the file's date, as the reason tells it
    int FramesDay = 0;          // the frames' day, as the reason tells it
    std::vector<std::string> Refusals{};  // each source of a date that was not used, and why
    bool NameLayoutUnused = false;      // a date the name's layout read was not used, and told why
    TDateTime NameUnread = 0;           // dated by this date of the name's that no layout reads, the frames confirm
    std::string ElementsSatellite{};    // dated by the element sets of this satellite ...
    double ElementsDistance = 0;        // ... the nearest of them this many days from the frames' day
};

// The year, among those a pass can have, in which the frames' day lies
// nearest one of the satellite's element sets: a set is fitted to a few days
// of its satellite's passes, so that a receiving machine without a clock
// still finds its pass's year. Year 0 without the frames' day or sets.
TDateChoice YearNearestElements(const TDateEvidence& evidence, TDateTime now);

// What the reader read decides; else a year the name begins with (a date its
// digits form, where a date is asked); else the file's date. The time of day
// comes only from what the reader read or the file. Where nothing is asked,
// only what the reader read. A year is taken only where the pass can have
// it, with the frames' day where they gave one; a name's date only where it
// exists and the frames do not contradict it. Where nothing gives a year a
// pass can have, the year in which the frames' day lies nearest the
// satellite's element sets; without sets, a date the name holds that the
// frames' day confirms; else the latest year in which the frames' day has
// passed.
TDateChoice DecideDate(const TDateEvidence& evidence, TDateMode mode, TDateTime now);

// Why the pass has its date, told alike on standard error and in the
// diagnostics: "The pass is dated by the file's date (2023-05-03): ...";
// "" where neither the file's date nor the clock decided.
std::string DateReason(const TDateChoice& choice);

// The one reason told, in the diagnostics and the run report alike, where
// what named the pass's satellite disagrees: what the loader named before
// reading (named: the file's name or header, or, for a file that names none,
// the frames looked at before reading, namedByFrames), what the frames of
// the whole pass say (framed) and the satellite used; a name whose last two
// characters would have named another (fromName) is told as such. "" where
// they agree or the frames name none. Satellites are told as the program
// spells them ("NOAA-18").
std::string SatelliteMismatch(const std::string& named, const std::string& framed, const std::string& used,
                              bool namedByFrames = false, const TSatelliteChoice& fromName = {});

}  // namespace kestrune
