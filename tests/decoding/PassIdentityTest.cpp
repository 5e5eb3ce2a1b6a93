// What names, headers and frames say of a pass's satellite and date, and
// which of them decides.
#include "decoding/ElementYear.h"
#include "decoding/PassIdentity.h"
#include "decoding/Station16Formats.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace kestrune {
namespace {

const TDateTime Now = EncodeDate(2026, 12, 8) + 0.5;

TEST(PassIdentityTest, NamesSpellASatelliteOutrightOrOnlyByTheirLastTwoCharacters) {
    struct TCase {
        const char* Name;  // upper case, without extension
        const char* Satellite;
        TIdentityRule Rule;
        const char* Token;
    };
    const TCase cases[] = {
        {"N18_20230503_1200", "NOAA-18", TIdentityRule::NameOutright, "N18"},
        {"NOAA18_20230503_1200", "NOAA-18", TIdentityRule::NameOutright, "NOAA18"},
        {"2023-05-03-1200-NOAA18", "NOAA-18", TIdentityRule::NameOutright, "NOAA18"},
        {"2023-05-03-1200-N18", "NOAA-18", TIdentityRule::NameOutright, "N18"},
        {"230503_1200_NOAA15", "NOAA-15", TIdentityRule::NameOutright, "NOAA15"},
        {"PASS_NO16", "NOAA-16", TIdentityRule::NameOutright, "NO16"},
        {"M01_202305031200", "METOP-B", TIdentityRule::NameOutright, "M01_"},
        {"PASS_METOPB", "METOP-B", TIdentityRule::NameOutright, "METOPB"},
        {"FY3A_20230503_1200", "FY3A", TIdentityRule::NameOutright, "FY3A"},
        // A time's minutes look like a NOAA number.
        {"20230503_1215", "NOAA-15", TIdentityRule::NameDigits, "15"},
        {"2023-05-03-1200-NOAA-18", "NOAA-18", TIdentityRule::NameDigits, "18"},
        {"23123_18", "NOAA-18", TIdentityRule::NameDigits, "18"},
        {"20230503_1200", "", TIdentityRule::None, ""},
        {"PASSA", "", TIdentityRule::None, ""},
        // A letter running into "N15" or "NO16" makes it part of a word.
        {"2023JUN15_1200", "", TIdentityRule::None, ""},
        {"STATION12_20230503_1200", "", TIdentityRule::None, ""},
        {"CASINO16_20230503_1200", "", TIdentityRule::None, ""},
        {"2023JUN15_N18_1200", "NOAA-18", TIdentityRule::NameOutright, "N18"},
        {"HRPT_N19_2023JUN15", "NOAA-19", TIdentityRule::NameOutright, "N19"},
        {"20230503-N17", "NOAA-17", TIdentityRule::NameOutright, "N17"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TSatelliteChoice found = SatelliteOfName(c.Name);
        EXPECT_EQ(found.Satellite, c.Satellite);
        EXPECT_EQ(found.Rule, c.Rule);
        EXPECT_EQ(found.Token, c.Token);
    }
}

// Every satellite a name can spell is itself, never its neighbour.
TEST(PassIdentityTest, EachKnownSatelliteANameSpellsIsItself) {
    const std::pair<const char*, const char*> cases[] = {
        {"FY1C_20030503_1200", "FY1C"},   {"FY1D_20230503_1200", "FY1D"},   {"FY3A_20230503_0131", "FY3A"},
        {"FY3B_20230503_0538", "FY3B"},   {"FY3C_20230503_0150", "FY3C"},   {"METOPA_20230503_0902", "METOP-A"},
        {"METOPB_20230503_0948", "METOP-B"}, {"METOPC_20230503_0857", "METOP-C"}, {"20230503_0902_M02_", "METOP-A"},
        {"20230503_0857_M03_", "METOP-C"},
    };
    for (const auto& [name, satellite] : cases) {
        const TSatelliteChoice found = SatelliteOfName(name);
        EXPECT_EQ(found.Satellite, satellite) << name;
        EXPECT_EQ(found.Rule, TIdentityRule::NameOutright) << name;
    }
}

TEST(PassIdentityTest, AnOutrightNameDecidesAndTheLastTwoCharactersYieldToHeaderAndFrames) {
    const TSatelliteChoice outright{"NOAA-15", TIdentityRule::NameOutright, "N15"};
    const TSatelliteChoice digits{"NOAA-15", TIdentityRule::NameDigits, "15"};
    struct TCase {
        const char* Why;
        TSatelliteEvidence Evidence;
        const char* Satellite;
        TIdentityRule Rule;
    };
    const TCase cases[] = {
        {"outright name over frames", {outright, "", TIdentityRule::Header, "NOAA 18"}, "NOAA-15", TIdentityRule::NameOutright},
        {"outright name over header", {outright, "NOAA-18", TIdentityRule::Header, ""}, "NOAA-15", TIdentityRule::NameOutright},
        {"header over digits", {digits, "NOAA-18", TIdentityRule::Header, ""}, "NOAA-18", TIdentityRule::Header},
        {"frames looked at over digits", {digits, "NOAA 18", TIdentityRule::Frames, ""}, "NOAA-18", TIdentityRule::Frames},
        {"whole pass's frames over digits", {digits, "", TIdentityRule::Header, "NOAA 18"}, "NOAA-18", TIdentityRule::Frames},
        {"digits when nothing else names one", {digits, "", TIdentityRule::Header, "Unknown (id 2)"}, "NOAA-15",
         TIdentityRule::NameDigits},
        {"an unknown header is no satellite", {digits, "N18-", TIdentityRule::Header, ""}, "NOAA-15", TIdentityRule::NameDigits},
        {"nothing", {{}, "", TIdentityRule::Header, ""}, "", TIdentityRule::None},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Why);
        const TSatelliteChoice decided = DecideSatellite(c.Evidence);
        EXPECT_EQ(decided.Satellite, c.Satellite);
        EXPECT_EQ(decided.Rule, c.Rule);
    }
}

TEST(PassIdentityTest, KnownSatellitesAreSpelledAsTheProgramSpellsThem) {
    const std::pair<const char*, const char*> cases[] = {
        {"NOAA 18", "NOAA-18"}, {"noaa-18", "NOAA-18"}, {"Metop-B", "METOP-B"}, {"FENGYUN 1D", "FY1D"},
        {"N18-", ""},           {"NOAA--1", ""},        {"-", ""},             {"", ""},
    };
    for (const auto& [name, known] : cases) EXPECT_EQ(KnownSatellite(name), known) << name;
}

TEST(PassIdentityTest, PassYearsRunFromTheFirstAvhrrToAMonthAhead) {
    EXPECT_FALSE(PassYearPossible(1977, Now));
    EXPECT_TRUE(PassYearPossible(1978, Now));
    EXPECT_TRUE(PassYearPossible(2027, Now)) << "8 December: 31 days ahead is 2027";
    EXPECT_FALSE(PassYearPossible(2027, EncodeDate(2026, 11, 30)));
    EXPECT_FALSE(PassYearPossible(2305, Now)) << "\"230503...\" read as four year digits";
}

// A whole month ahead: on 1 December, 31 days on is 1 January of the next year.
TEST(PassIdentityTest, OnTheFirstOfDecemberNextYearIsAMonthAhead) {
    EXPECT_TRUE(PassYearPossible(2027, EncodeDate(2026, 12, 1)));
    EXPECT_FALSE(PassYearPossible(2027, EncodeDate(2026, 11, 30) + 0.99));
}


TEST(PassIdentityTest, DatesANameHoldsInAnyOfItsPlaces) {
    const std::pair<const char*, TDateTime> cases[] = {
        {"NOAA18_20230503_1200", EncodeDate(2023, 5, 3)},
        {"N18_20230503_1200", EncodeDate(2023, 5, 3)},
        {"2023-05-03-1200-n18", EncodeDate(2023, 5, 3)},
        {"pass_2023_12_31", EncodeDate(2023, 12, 31)},
        {"pass_2023_12-31", 0},         // separators that differ join no date
        {"20240229_0000", EncodeDate(2024, 2, 29)},
        {"20230229_0000", 0},           // no 29 February in 2023
        {"230503_1200_noaa18", EncodeDate(2023, 5, 3)},  // yymmdd
        {"NOAA-18_030523", EncodeDate(2023, 5, 3)},      // GTI's ddmmyy: the later reading
        {"03MAY2023_1215", EncodeDate(2023, 5, 3)},      // not 2023-12-15
        {"23123_18", EncodeDate(2023, 5, 3)},            // yyddd
        {"2023123_1200", EncodeDate(2023, 5, 3)},        // yyyyddd
        {"23366_18", 0},                                 // no day 366 in 2023
        {"2027-05-03-1200-NOAA18", 0},                   // five months after today
        {"2027-01-08-1200-NOAA18", EncodeDate(2027, 1, 8)},  // a month after today, not the year
        {"2027-01-09-1200-NOAA18", 0},
        {"19781013_1200", EncodeDate(1978, 10, 13)},     // the first AVHRR's launch
        {"19781012_1200", 0},
        {"123420230503", 0},            // the digits do not start a date
        {"29990101", 0},                // no pass has that year
        {"passa", 0},
        {"2023-05", 0},
        {"270109_1200_noaa18", 0},      // yymmdd of 9 January 2027, after a month from today; no "2701-09-12"
        {"230229_1200_noaa18", 0},      // a 29 February 2023 that does not exist, not 2029-02-23
        {"2023_0503_1200", EncodeDate(2023, 5, 3)},
    };
    for (const auto& [name, date] : cases) EXPECT_EQ(DateInName(name, Now), date) << name;
    const std::pair<const char*, TDateTime> impossible[] = {
        {"2027-05-03-1200-NOAA18", EncodeDate(2027, 5, 3)},
        {"29990101", EncodeDate(2999, 1, 1)},
        {"1978-10-12-1200-TIROSN", EncodeDate(1978, 10, 12)},
        {"23366_18", 0},  // no date at all
        {"2023-05-03-1200-NOAA18", 0},
        {"270109_1200_noaa18", EncodeDate(2027, 1, 9)},
        {"230229_1200_noaa18", 0},
    };
    for (const auto& [name, date] : impossible) EXPECT_EQ(ImpossibleDateInName(name, Now), date) << name;
}

// Dates that end a name are dates; a year with its day of the year is none
// of the forms a name's date has, whatever separators join it.
TEST(PassIdentityTest, DatesEndingANameAndDaysOfTheYear) {
    const std::pair<const char*, TDateTime> cases[] = {
        {"noaa18_20230503", EncodeDate(2023, 5, 3)},
        {"NOAA18_2023-05-03", EncodeDate(2023, 5, 3)},
        {"20230503", EncodeDate(2023, 5, 3)},
        {"NOAA18_2023_123_1200", 0},
        {"2023-123-1200-NOAA18", 0},
        {"N18_2023_12_3_1200", 0},
    };
    for (const auto& [name, date] : cases) EXPECT_EQ(DateInName(name, Now), date) << name;
}

TEST(PassIdentityTest, SmartViewNamesHaveOneForm) {
    const std::pair<const char*, bool> cases[] = {
        {"23123_18", true},  {"99123_15", true},     {"22365_18", true},
        {"2312_18", false},  {"23123-18", false},    {"23123_18x", false},
        {"20230503_1215", false}, {"2023-05-03-1200-NOAA18", false}, {"passa", false},
        {"noaa1_18", false}, {"n1812_18", false}, {"23123_n8", false}, {"2312a_18", false},
    };
    for (const auto& [name, smartView] : cases) EXPECT_EQ(IsSmartViewName(name), smartView) << name;
}

TEST(PassIdentityTest, NamesBeginningAsWsdNamesAreDated) {
    const std::pair<const char*, TDateTime> cases[] = {
        {"230503_1200_noaa18", EncodeDate(2023, 5, 3)}, {"991231_2359", EncodeDate(1999, 12, 31)},
        {"570101_0000", EncodeDate(2057, 1, 1)},         {"20230503_1215", 0},
        {"230229_1200", 0},                              {"230503", 0},
        {"23123_18", 0},                                 {"2305x3_1200", 0},
        {"20121105_1200", 0},                            {"2305031200_noaa18", 0},
    };
    for (const auto& [name, expected] : cases) {
        TDateTime date = 0;
        EXPECT_EQ(DateOfStationName(name, date), expected != 0) << name;
        if (expected != 0) {
            EXPECT_EQ(date, expected) << name;
        }
    }
}

// One reason for one decision: the name's last two characters that yielded
// to the frames are told so whether the loader or the frames named first.
TEST(PassIdentityTest, ANameWhoseLastTwoCharactersYieldedIsToldSo) {
    const TSatelliteChoice digits{"NOAA-15", TIdentityRule::NameDigits, "15"};
    const std::string yielded =
        "The last two characters of the file's name (\"15\") would name NOAA-15, but its frames say NOAA-18: NOAA-18 was used";
    const struct {
        const char* Named;
        const char* Framed;
        const char* Used;
        std::string Told;
    } cases[] = {
        {"NOAA-18", "NOAA 18", "NOAA-18", yielded},  // the frames looked at proposed it to the question
        {"", "NOAA 18", "NOAA-18", yielded},         // named by the frames once read
        {"NOAA-15", "NOAA 18", "NOAA-18", yielded},
        {"NOAA-18", "Unknown (id 4)", "NOAA-18", ""},
        {"NOAA-15", "NOAA 15", "NOAA-15", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SatelliteMismatch(c.Named, c.Framed, c.Used, false, digits), c.Told) << c.Named;
    EXPECT_EQ(SatelliteMismatch("NOAA-18", "NOAA 18", "NOAA-18", false, {"NOAA-18", TIdentityRule::NameOutright, "N18"}), "");
}

// Now is 8 December 2026: a name may begin with 2027, a month ahead, not 2028.
TEST(PassIdentityTest, TheDateIsWhatTheReaderReadElseTheNamesElseTheFiles) {
    const TDateTime closed = EncodeDate(2023, 5, 3) + EncodeTime(12, 3, 0, 0);
    const TDateTime copied = EncodeDate(2026, 12, 8) + EncodeTime(6, 12, 24, 0);
    const TDateTime header = EncodeDate(2023, 5, 3) + EncodeTime(11, 59, 30, 0);
    struct TCase {
        const char* Name;
        TDateMode Mode;
        TDateTime Read;
        int ReadYear;
        TIdentityRule ReadRule;
        TDateTime FileDate;
        TIdentityRule Rule;
        int Year;            // for a year
        TDateTime Date;      // for a date
        TDateTime NameHolds;
        int FramesDay = 0;
        std::vector<TDateTime> Epochs = {};  // of the satellite's element sets
    };
    const TDateTime noClock = EncodeDate(1970, 6, 1);
    const TCase cases[] = {
        // A year.
        {"/in/2023-05-03-1200-NOAA18.raw16", TDateMode::Year, 0, 2023, TIdentityRule::NameLayout, copied,
         TIdentityRule::NameLayout, 2023, 0, 0},
        {"/in/2021-01-01-0000-NOAA18.raw16", TDateMode::Year, 0, 2023, TIdentityRule::Frames, copied, TIdentityRule::Frames,
         2023, 0, 0},
        {"/in/20230503_1215.raw16", TDateMode::Year, 0, 0, TIdentityRule::Header, copied, TIdentityRule::NameLayout, 2023, 0, 0},
        {"/in/1998_pass.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, copied, TIdentityRule::NameLayout, 1998, 0, 0},
        {"/in/2027_0101.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, copied, TIdentityRule::NameLayout, 2027, 0, 0},
        {"/in/1997-05-03.raw16", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate, 2023, 0,
         EncodeDate(1997, 5, 3)},
        {"/in/2028_0101.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate, 2023, 0,
         EncodeDate(2028, 1, 1)},
        {"/in/2027-05-03-1200-NOAA18.rhd", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate,
         2023, 0, EncodeDate(2027, 5, 3)},
        {"/in/NOAA18_20230503_1200.hpt", TDateMode::Year, 0, 0, TIdentityRule::Header, copied, TIdentityRule::FileDate, 2026,
         0, EncodeDate(2023, 5, 3)},
        {"/in/230503_1200_noaa18.n10", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate, 2023, 0,
         EncodeDate(2023, 5, 3)},
        {"/in/passa.svw", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate, 2023, 0, 0},
        // Each source is held to the day its frames give (123): a year in which that day is no pass's, a name's
        // date the frames contradict or that does not exist, a file time of a machine without a clock.
        {"/in/passa.svw", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::LatestYear, 2026, 0, 0, 123},
        {"/in/passa.n10", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::LatestYear, 2026, 0, 0},
        {"/in/M01_20240301_0920.raw16", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::NameLayout,
         2024, 0, 0, 61},
        // A file closed a little ahead of a January day: that day of 2027 is still to come.
        {"/in/passa.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, EncodeDate(2026, 12, 30), TIdentityRule::LatestYear,
         2026, 0, 0, 10},
        {"/in/2027-01-08-1200-NOAA18.raw16", TDateMode::Year, 0, 2027, TIdentityRule::NameLayout, closed,
         TIdentityRule::FileDate, 2023, 0, 0, 123},
        {"/in/1978-10-14-1200-NOAA18.raw16", TDateMode::Year, 0, 1978, TIdentityRule::NameLayout, closed,
         TIdentityRule::FileDate, 2023, 0, 0, 123},
        {"/in/2027-01-08-1200-NOAA18.svw", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate,
         2023, 0, 0, 123},
        {"/in/2022-01-01_2023-05-03-1200-NOAA18.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, copied,
         TIdentityRule::NameLayout, 2023, 0, 0, 123},
        {"/in/2024-02-29-1200-NOAA18.svw", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate,
         2023, 0, 0, 123},
        {"/in/19990503_1215.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::NameLayout, 1999, 0,
         0, 123},
        {"/in/2023-02-29-1200-NOAA18.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, copied, TIdentityRule::FileDate,
         2026, 0, 0},
        {"/in/230229_1200_noaa18.n10", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate, 2023,
         0, 0},
        {"/in/2023-12-31-2350-NOAA18.raw16", TDateMode::Year, 0, 2023, TIdentityRule::NameLayout, copied,
         TIdentityRule::NameLayout, 2023, 0, 0, 1},
        // Without a clock: day 366 last came in 2024.
        {"/in/passa.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::LatestYear, 2024, 0, 0, 366},
        // Without a clock, with element sets: the year in which the frames' day lies nearest one of them.
        {"/in/passa.svw", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::ElementSets, 2023, 0, 0, 123,
         {EncodeDate(2019, 8, 1), EncodeDate(2023, 5, 3) - 0.1, EncodeDate(2026, 1, 5)}},
        {"/in/passa.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, EncodeDate(2099, 1, 1), TIdentityRule::ElementSets,
         2012, 0, 0, 366, {EncodeDate(2013, 1, 2)}},
        {"/in/passa.raw16", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::ElementSets, 2024, 0, 0, 1,
         {EncodeDate(2023, 12, 30)}},
        // A set of this week and the frames' day 2: the coming year, the newest a pass can have.
        {"/in/passa.raw16", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::ElementSets, 2027, 0, 0, 2,
         {EncodeDate(2026, 12, 6), EncodeDate(2026, 3, 20)}},
        // A set older than the first AVHRR dates no pass before it.
        {"/in/passa.hpt", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::ElementSets, 1979, 0, 0, 123,
         {EncodeDate(1975, 5, 3)}},
        // The sets come before a name's date no layout reads: "790503_1200_noaa18" of a NOAA-18 pass is no pass of 1979.
        {"/in/M01_20240301_0920.raw16", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::ElementSets,
         2024, 0, 0, 61, {EncodeDate(2024, 3, 2)}},
        {"/in/790503_1200_noaa18.n10", TDateMode::Year, 0, 0, TIdentityRule::Header, noClock, TIdentityRule::ElementSets,
         2023, 0, 0, 123, {EncodeDate(2023, 5, 3)}},
        {"/in/1988-05-03-1400.raw16", TDateMode::Year, 0, 0, TIdentityRule::Header, EncodeDate(2099, 1, 1),
         TIdentityRule::ElementSets, 2023, 0, 0, 123, {EncodeDate(2023, 5, 3)}},
        // TIROS-N's second day (day 287 of 1978): the frames' day decides, not the middle of the name's year.
        {"/in/1978-10-14-1200-TIROSN.raw16", TDateMode::Year, 0, 1978, TIdentityRule::NameLayout, closed,
         TIdentityRule::NameLayout, 1978, 0, 0, 287},
        // A pass across midnight: the name's date is a month from today, its frames' day 9 January is after it.
        {"/in/2027-01-08-2350-NOAA18.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate,
         2023, 0, 0, 9},
        {"/in/2023-12-31-2350-NOAA18.drt", TDateMode::Year, 0, 0, TIdentityRule::Header, copied, TIdentityRule::NameLayout,
         2023, 0, 0, 1},
        // A day: the reader's without its time, the name's digits, the file's.
        {"/in/passa.qrm", TDateMode::Date, header, 0, TIdentityRule::Header, copied, TIdentityRule::Header, 0,
         EncodeDate(2023, 5, 3), 0},
        {"/in/noaa_2023-05-03_1201.n10", TDateMode::Date, 0, 0, TIdentityRule::Header, copied, TIdentityRule::NameLayout, 0,
         EncodeDate(2023, 5, 3), 0},
        {"/in/FY3C_20220704.n10", TDateMode::Date, 0, 0, TIdentityRule::Header, copied, TIdentityRule::NameLayout, 0,
         EncodeDate(2022, 7, 4), 0},
        {"/in/pass_20231303.n10", TDateMode::Date, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate, 0,
         EncodeDate(2023, 5, 3), 0},
        {"/in/pass_2023_12_31x.n10", TDateMode::Date, 0, 0, TIdentityRule::Header, closed, TIdentityRule::NameLayout, 0,
         EncodeDate(2023, 12, 31), 0},
        // A day no pass can have, refused where the name was read, is no day here either.
        {"/in/2099-05-03-1200-FY3A.n10", TDateMode::Date, 0, 0, TIdentityRule::Header, closed, TIdentityRule::FileDate, 0,
         EncodeDate(2023, 5, 3), EncodeDate(2099, 5, 3)},
        // A day and its time: only the reader's or the file's.
        {"/in/passa.raw8", TDateMode::DateAndTime, header, 0, TIdentityRule::None, copied, TIdentityRule::None, 0, header, 0},
        {"/in/passa.raw8", TDateMode::DateAndTime, 0, 0, TIdentityRule::None, noClock, TIdentityRule::LatestYear, 0, Now, 0},
        {"/in/NOAA18_20230503_1200.raw8", TDateMode::DateAndTime, 0, 0, TIdentityRule::Header, closed,
         TIdentityRule::FileDate, 0, closed, EncodeDate(2023, 5, 3)},
        // Nothing asked: only what the reader read.
        {"/in/2023-05-03-1200-NOAA18.raw16", TDateMode::None, 0, 2023, TIdentityRule::NameLayout, closed,
         TIdentityRule::NameLayout, 2023, 0, 0},
        {"/in/passa.l1b", TDateMode::None, header, 0, TIdentityRule::Header, closed, TIdentityRule::Header, 0, header, 0},
        {"/in/2023-05-03-1200-n18.raw16", TDateMode::None, 0, 0, TIdentityRule::Header, closed, TIdentityRule::None, 0, 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TDateChoice decided =
            DecideDate({c.Name, c.Read, c.ReadYear, c.ReadRule, c.FileDate, c.FramesDay, "NOAA-18", c.Epochs}, c.Mode, Now);
        if (c.Mode != TDateMode::None) {
            EXPECT_EQ(decided.Mode, c.Mode) << "a year, a day, or a day and its time";
        }
        EXPECT_EQ(decided.Rule, c.Rule);
        EXPECT_EQ(decided.Year, c.Year);
        EXPECT_EQ(decided.Date, c.Date);
        EXPECT_EQ(decided.NameHolds, c.NameHolds);
        EXPECT_EQ(decided.NameHoldsImpossible, c.NameHolds > Now) << "a date after a month from now is no pass's";
    }
    // A name whose layout's year was refused is told once, not again for the date it begins with.
    const TDateChoice refused =
        DecideDate({"/in/2027-01-08-1200-NOAA18.raw16", 0, 2027, TIdentityRule::NameLayout, closed, 123}, TDateMode::Year, Now);
    EXPECT_EQ(refused.Refusals, std::vector<std::string>{"The name gives the year 2027, in which day 123 of the frames is "
                                                         "2027-05-03, a date no pass can have: its date is not used"});
}

TEST(PassIdentityTest, OnlyAFilesDateThatDecidedIsToldWithTheDateTheNameHolds) {
    const TDateTime may3 = EncodeDate(2023, 5, 3);
    const TDateTime closed = may3 + 0.5;
    const auto fileDated = [closed](TDateChoice choice) {
        choice.FileDate = closed;
        return choice;
    };
    const std::pair<TDateChoice, const char*> cases[] = {
        {fileDated({TDateMode::Year, 0, 2023, TIdentityRule::FileDate, 0}),
         "The pass is dated by the file's date (2023-05-03): neither its name nor its header gives one"},
        {fileDated({TDateMode::Year, 0, 2026, TIdentityRule::FileDate, EncodeDate(2022, 5, 3)}),
         "The pass is dated by the file's date (2023-05-03): its name holds the date 2022-05-03, but no name layout of "
         "this format reads it"},
        {fileDated({TDateMode::Date, may3, 0, TIdentityRule::FileDate, 0}),
         "The pass is dated by the file's date (2023-05-03): neither its name nor its header gives one"},
        {fileDated({TDateMode::DateAndTime, may3 + 0.5, 0, TIdentityRule::FileDate, EncodeDate(2027, 12, 31), true}),
         "The pass is dated by the file's date (2023-05-03): its name holds the date 2027-12-31, which no pass can have"},
        // A receiving machine without a clock: the frames' day in the latest year it has passed.
        {{TDateMode::Year, 0, 2026, TIdentityRule::LatestYear, 0, false, EncodeDate(1970, 6, 1), 123},
         "The pass is dated in 2026, the latest year in which day 123 of its frames has passed: nothing else gives it a "
         "date a pass can have"},
        {{TDateMode::Year, 0, 2023, TIdentityRule::ElementSets, 0, false, EncodeDate(1970, 6, 1), 123, {}, false, 0, "NOAA-18", 0.14},
         "The pass is dated in 2023, the year in which day 123 of its frames lies nearest an element set of NOAA-18 (0.1 "
         "days away): nothing else gives it a date a pass can have"},
        {{TDateMode::Year, 0, 2024, TIdentityRule::NameLayout, 0, false, EncodeDate(1970, 1, 1), 61, {}, false, EncodeDate(2024, 3, 1)},
         "The pass is dated in 2024 by the date 2024-03-01 its name holds, which no name layout of its format reads but "
         "day 61 of its frames confirms: nothing else gives it a date a pass can have"},
        {fileDated({TDateMode::Year, 0, 2023, TIdentityRule::NameLayout, 0}), ""},
        {{TDateMode::Date, may3, 0, TIdentityRule::Header, 0}, ""},
        {{TDateMode::Year, 0, 2022, TIdentityRule::Question, 0}, ""},
    };
    for (const auto& [choice, told] : cases) EXPECT_EQ(DateReason(choice), told);
}

// The satellites a spacecraft id names over the years, each weighed by its
// own sets in its own years: MetOp-B's frames carry NOAA-17's id, NOAA-19's
// NOAA-10's.
TEST(PassIdentityTest, APassNothingDatesTakesTheSatelliteAndYearItsSetsFit) {
    const std::map<std::string, std::vector<TDateTime>> sets = {
        {"METOP-B", {EncodeDate(2024, 3, 1) + 0.3}},
        {"NOAA-10", {EncodeDate(1990, 5, 3)}},
        {"NOAA-18", {EncodeDate(2023, 5, 3), EncodeDate(2019, 5, 3) + 0.4}},
        {"NOAA-17", {EncodeDate(2012, 6, 1), EncodeDate(2013, 3, 1)}},
    };
    const TElementEpochs epochsOf = [&sets](const std::string& satellite) {
        const auto found = sets.find(satellite);
        return found == sets.end() ? std::vector<TDateTime>{} : found->second;
    };
    struct TCase {
        const char* Framed;
        const char* Named;
        int FramesDay;
        const char* Satellite;
        int Year;
    };
    const TCase cases[] = {
        {"NOAA-17", "", 61, "METOP-B", 2024},   // NOAA-17's set of 2013 fits too: the later satellite
        {"NOAA-17", "", 153, "NOAA-17", 2012},  // MetOp-B's set lies months away
        {"NOAA-19", "", 123, "NOAA-10", 1990},  // NOAA-19 has no sets
        {"NOAA-18", "", 123, "NOAA-18", 2019},
        {"", "NOAA-18", 122, "NOAA-18", 2023},
        {"", "METOP-B", 61, "METOP-B", 2024},
        {"", "NOAA-19", 61, "", 0},             // named, without sets
        {"", "", 61, "", 0},
        {"NOAA-18", "", 0, "", 0},              // no day of the frames
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Framed) + "/" + c.Named + " day " + std::to_string(c.FramesDay));
        const TElementYear found = NearestElementYear(c.Framed, c.Named, c.FramesDay, epochsOf, Now);
        EXPECT_EQ(found.Satellite, c.Satellite);
        EXPECT_EQ(found.Year.Year, c.Year);
        if (c.Year != 0) {
            EXPECT_EQ(found.Epochs, sets.at(c.Satellite));
        }
    }
}

}  // namespace
}  // namespace kestrune
