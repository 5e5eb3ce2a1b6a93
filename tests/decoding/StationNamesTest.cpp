// Passes named as receiving stations name them, through the whole loader:
// each must be dated, identified, turned and located as its file says, even
// when the file's own date says something else.
#include "decoding/HRPTvideo.h"
#include "decoding/PassDirection.h"
#include "decoding/PassLoader.h"
#include "orbit/EarthLocations.h"
#include "orbit/FrameYear.h"
#include "orbit/Orbits.h"
#include "orbit/qelMapping.h"
#include "platform/FileUtils.h"
#include "tests/support/LoaderTest.h"
#include "tests/support/PassGeometry.h"
#include "tests/support/StationFileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::TBytes;

constexpr int32_t NamedLines = 240;
constexpr int Noaa18 = 28654;
constexpr int FengYun1D = 27431;
constexpr int FengYun3A = 32958;

TDateTime At(int year, int month, int day, int hour, int minute) {
    return EncodeDate(year, month, day) + EncodeTime(hour, minute, 0, 0);
}

const TDateTime MayPass = At(2023, 5, 3, 12, 0);

// A pass file as a station names it, and what its load must settle.
struct TNamedCase {
    std::string Name;
    TBytes Bytes;
    int Code;
    std::string Satellite;
    TDateTime BaseDate;
    TDateTime Start;  // of the located pass
};

class StationNamesTest : public test::TLoaderTest {
protected:
    void SetUp() override {
        TLoaderTest::SetUp();
        WriteArchivesNear(MayPass);
    }

    // Archives of one set per satellite, of an epoch a few hours before the pass.
    void WriteArchivesNear(TDateTime pass) const {
        for (const auto& [satellite, catalogNumber] :
             {std::pair{"NOAA-18", Noaa18}, {"FY1D", FengYun1D}, {"FY3A", FengYun3A}}) {
            const test::TElementLines set = ElementsNear(catalogNumber, pass);
            const std::string text = set.Line1 + "\n" + set.Line2 + "\n";
            test::WriteFileBytes((folder / "program" / "Keps" / (std::string(satellite) + ".txt")).string(),
                                 TBytes(text.begin(), text.end()));
        }
    }

    static test::TElementLines ElementsNear(int catalogNumber, TDateTime pass) {
        const TDateTime epoch = pass - 0.1;
        const int year = DecodeDateTime(epoch).year;
        return test::MakeElementLines(catalogNumber, year, epoch - EncodeDate(year, 1, 1) + 1, 98.9, 150.0, 0.0,
                                      14.125, 30000);
    }

    // Writes the pass with a file date far from the pass's own, so that a
    // pass dated by its file lands elsewhere.
    std::string WriteDated(const std::string& name, const TBytes& bytes) {
        const std::string path = Write(name, bytes);
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(24 * 500));
        return path;
    }

    bool Failed() const { return host.StatusText == "Read cancelled or error while reading..."; }

    // Loads as in the window, whose question's proposal is kept in shown.
    void AskInTheWindow() {
        settings.Unattended = false;
        host.OnDirection = [this](const TPassDirectionRequest& request, const TPassDirectionProposal& proposal) {
            shown = proposal;
            asked = request;
            return DefaultPassDirectionAnswer(request, proposal);
        };
    }

    TPassDirectionProposal shown;
    TPassDirectionRequest asked;

    // Dated, named and located as the case says, and turned the way the
    // satellite moved.
    void ExpectLocated(const TNamedCase& file) {
        ASSERT_FALSE(Failed()) << state.DiagnosticLines.back();
        EXPECT_EQ(state.InputFormatCode, file.Code);
        EXPECT_EQ(state.Orbit->SatelliteName, file.Satellite);
        EXPECT_EQ(state.EarthLocations->BaseDate, file.BaseDate);
        const TEarthLocations& locations = *state.EarthLocations;
        ASSERT_TRUE(locations.LocationsValid) << testing::PrintToString(state.DiagnosticLines);
        EXPECT_NEAR(locations.StartTime, file.Start, 1.0 / SecsPerDay);
        EXPECT_EQ(state.Northbound, locations.Northbound);
        const TDateTime middle = file.Start + NamedLines / 2 / 6.0 / SecsPerDay;
        EXPECT_EQ(state.Northbound, state.Orbit->IsNorthbound(middle));
    }
};


// FengYun-3 frames count their milliseconds from noon, so a pass at 12:00 UTC reads 0.
test::THrptPassSpec FengYun3Frames() {
    test::THrptPassSpec frames;
    frames.StartMilliseconds = 0;
    frames.DayOfYear = 17;  // the frames' day count does not date the pass
    return frames;
}

// A New Year pass: the name dates it on the last day of 2022, its frames on the first of 2023.
test::THrptPassSpec NewYearFrames() {
    test::THrptPassSpec frames;
    frames.DayOfYear = 1;
    frames.StartMilliseconds = 10 * 60000;
    return frames;
}

TEST_F(StationNamesTest, EveryNamingPatternIsDatedIdentifiedAndLocated) {
    const test::THrptPassSpec frames;
    const test::TElementLines fengYun = ElementsNear(FengYun1D, MayPass);
    const test::TElementLines noaa = ElementsNear(Noaa18, MayPass);
    const int64_t may3 = 1683115200;  // 2023-05-03 12:00 in seconds since 1970
    const TDateTime noon = MayPass;
    const TDateTime newYear = EncodeDate(2023, 1, 1);
    const std::vector<TNamedCase> cases = {
        {"230503_1200_noaa18.wsd", test::BuildWsdFile(frames, NamedLines, noaa.Line1, noaa.Line2), 39, "NOAA-18", newYear,
         noon},
        {"230503_1200_fengyun1d.wsd", test::BuildFengYunWsdFile(frames, NamedLines, fengYun), 40, "FY1D",
         EncodeDate(2023, 5, 3), noon},
        {"20230503_1200_noaa18.n10", test::BuildN10File(frames, NamedLines), 21, "NOAA-18", newYear, noon},
        // Named in a station's local time (UTC+1, UTC-11): the frames' time gives the direction.
        {"230503_1300_noaa18.wsd", test::BuildWsdFile(frames, NamedLines, noaa.Line1, noaa.Line2), 39, "NOAA-18", newYear,
         noon},
        {"2023-05-03-0100-NOAA18.hpt", test::BuildEssFile(frames, NamedLines), 5, "NOAA-18", newYear, noon},
        {"2023-05-03-1300-NOAA18.raw16", test::Build16BitHrptFile(frames, NamedLines, false), 26, "NOAA-18", newYear, noon},
        {"FY3A_20230503_1200.n10", test::BuildN10File(FengYun3Frames(), NamedLines), 21, "FY3A", EncodeDate(2023, 5, 3),
         noon},
        // Its frames cannot date a FengYun-3 pass wherever the name puts the satellite.
        {"2023-05-03-1200-FY3A.n10", test::BuildN10File(FengYun3Frames(), NamedLines), 21, "FY3A",
         EncodeDate(2023, 5, 3), noon},
        {"20230503_1200_fy3a.n10", test::BuildN10File(FengYun3Frames(), NamedLines), 21, "FY3A", EncodeDate(2023, 5, 3),
         noon},
        {"NOAA-18_050323.rhd", test::BuildGtiFile(frames, NamedLines), 31, "NOAA-18", newYear, noon},
        {"XXXXXXX_050323.rhd", test::BuildGtiFile(frames, NamedLines), 31, "NOAA-18", newYear, noon},
        {"23123_18.svw", test::BuildSmartViewFile(frames, NamedLines), 33, "NOAA-18", newYear, noon},
        {"22365_18.svw", test::BuildSmartViewFile(NewYearFrames(), NamedLines), 33, "NOAA-18", newYear,
         At(2023, 1, 1, 0, 10)},
        {"FY1D_20230503_1200.fy1d", test::BuildQuorumFile(frames, NamedLines, true, "FENGYUN 1D", fengYun, may3), 28,
         "FY1D", EncodeDate(2023, 5, 3), noon},
        // The recorder's header names and dates it where the name does neither.
        {"passa.fy1d", test::BuildQuorumFile(frames, NamedLines, true, "FENGYUN 1D", fengYun, may3), 28, "FY1D",
         EncodeDate(2023, 5, 3), noon},
    };
    for (const TNamedCase& file : cases) {
        SCOPED_TRACE(file.Name);
        WriteArchivesNear(file.Start);
        loader.LoadDataFile(WriteDated(file.Name, file.Bytes));
        ExpectLocated(file);
        // A name's start an hour or more off its frames' is told, whichever side of UTC the station lies.
        const bool localTime = file.Name.find("1300") != std::string::npos || file.Name.find("0100") != std::string::npos;
        EXPECT_EQ(test::Contains(state.DiagnosticLines, "but its frames' time codes give 2023-05-03"), localTime);
    }
}

// A SmartView pass whose frame at 45 %, the one looked at before reading, is zeros.
TBytes SmartViewWithBlankFrameAt45Percent() {
    constexpr size_t FrameBytes = 22180;  // the recorder's text header is one frame long
    TBytes bytes = test::BuildSmartViewFile({}, NamedLines);
    const size_t blank = (1 + NamedLines * 9 / 20) * FrameBytes;
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(blank),
              bytes.begin() + static_cast<std::ptrdiff_t>(blank + FrameBytes), 0);
    return bytes;
}

// A station keeping only NOAA-18's sets: a name's minutes that read as
// another NOAA number never name the satellite, whether or not the frame
// looked at before reading could have corrected them.
TEST_F(StationNamesTest, ANamesMinutesNeverNameTheSatellite) {
    const test::THrptPassSpec frames;
    struct TCase {
        std::string Name;
        TBytes Bytes;
        TDateTime FileTime;
    };
    const TDateTime closed = At(2023, 5, 3, 12, 3);
    const TDateTime copied = At(2026, 2, 10, 9, 30);
    const std::vector<TCase> cases = {
        {"230503_1215.svw", test::BuildSmartViewFile(frames, NamedLines), copied},
        {"230503_1219.svw", test::BuildSmartViewFile(frames, NamedLines), copied},
        {"230503_1215.svw", SmartViewWithBlankFrameAt45Percent(), copied},
        {"230503_1219.svw", SmartViewWithBlankFrameAt45Percent(), closed},
        {"20230503_1215.svw", test::BuildSmartViewFile(frames, NamedLines), closed},
        {"20230503_1215.raw16", test::Build16BitHrptFile(frames, NamedLines, false), closed},
        {"20230503_1215.rhd", test::BuildGtiFile(frames, NamedLines), closed},
        {"20230503_1215.drt", test::BuildDartcomFile(frames, NamedLines, false), closed},
        {"20230503_1215.hpt", test::BuildEssFile(frames, NamedLines), closed},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = Write(c.Name, c.Bytes);
        SetFileDateTime(path, c.FileTime);
        loader.LoadDataFile(path);
        ASSERT_FALSE(Failed()) << state.DiagnosticLines.back();
        EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
        ASSERT_TRUE(state.EarthLocations->LocationsValid) << testing::PrintToString(state.DiagnosticLines);
        EXPECT_NEAR(state.EarthLocations->StartTime, MayPass, 1.0 / SecsPerDay);
    }
}

// A station keeping every satellite's sets: NOAA-15, -19 and MetOp-B on
// other orbits beside NOAA-18's, so that a pass read as another satellite
// is placed elsewhere.
class StationKeepingEverySetTest : public StationNamesTest {
protected:
    void SetUp() override {
        StationNamesTest::SetUp();
        for (const auto& [satellite, catalogNumber, node] :
             {std::tuple{"NOAA-15", 25338, 210.0}, {"NOAA-19", 33591, 90.0}, {"METOP-B", 38771, 270.0}}) {
            const TDateTime epoch = MayPass - 0.1;
            const test::TElementLines set = test::MakeElementLines(catalogNumber, 2023, epoch - EncodeDate(2023, 1, 1) + 1,
                                                                   98.9, node, 0.0, 14.125, 30000);
            const std::string text = set.Line1 + "\n" + set.Line2 + "\n";
            test::WriteFileBytes((folder / "program" / "Keps" / (std::string(satellite) + ".txt")).string(),
                                 TBytes(text.begin(), text.end()));
        }
    }

    // NOAA-18 from its own set, located from 12:00 on 3 May 2023 the way it moved.
    void ExpectNoaa18OnItsDay() {
        ASSERT_FALSE(Failed()) << state.DiagnosticLines.back();
        EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
        const TEarthLocations& locations = *state.EarthLocations;
        ASSERT_TRUE(locations.LocationsValid);
        EXPECT_NEAR(locations.StartTime, MayPass, 1.0 / SecsPerDay);
        const TDateTime middle = MayPass + NamedLines / 2 / 6.0 / SecsPerDay;
        EXPECT_EQ(locations.Northbound, state.Orbit->IsNorthbound(middle));
        EXPECT_EQ(state.Northbound, locations.Northbound) << "the picture is read the way the pass went";
        EXPECT_NE(state.PassDescription.find("; NOAA-18; 2023-05-03; 12:00-"), std::string::npos) << state.PassDescription;
    }

    // Written as a station closes it, three minutes after the pass began.
    std::string WriteClosed(const std::string& name, const TBytes& bytes) const {
        const std::string path = Write(name, bytes);
        SetFileDateTime(path, At(2023, 5, 3, 12, 3));
        return path;
    }
};

// The same NOAA-18 frames under every name stations give them, in every
// station format: NOAA-18, its own set, its own date. Minutes that look like
// a NOAA number, layouts that give no satellite the program knows, a year
// read from two-digit-year digits and four-digit-year names under SmartView
// once made other satellites or other years of them.
TEST_F(StationKeepingEverySetTest, EveryNameInEveryFormatIsTheFramesSatelliteOnItsDay) {
    const test::THrptPassSpec frames;
    const std::vector<std::pair<std::string, TBytes>> formats = {
        {".hpt", test::BuildEssFile(frames, NamedLines)},
        {".raw16", test::Build16BitHrptFile(frames, NamedLines, false)},
        {".rhd", test::BuildGtiFile(frames, NamedLines)},
        {".drt", test::BuildDartcomFile(frames, NamedLines, false)},
        {".svw", test::BuildSmartViewFile(frames, NamedLines)},
        {".n10", test::BuildN10File(frames, NamedLines)},
    };
    const char* names[] = {"20230503_1215",          "20230503_1200",       "2023-05-03-1200-n18",
                           "2023-05-03-1200-NOAA-18", "2023-05-03-1200-NOAA18", "230503_1200_noaa18",
                           "20230503_1200_noaa18",   "N18_20230503_1200",   "NOAA18_20230503_1200",
                           "NOAA-18_030523",         "23123_18",            "passa",
                           "1978-10-14-1200-NOAA18", "2027-01-08-1200-NOAA18", "1978-12-31-1200-NOAA18",
                           "2026-13-01-1200-NOAA18"};
    for (const auto& [extension, bytes] : formats)
        for (const char* name : names) {
            const std::string file = name + extension;
            SCOPED_TRACE(file);
            loader.LoadDataFile(WriteClosed(file, bytes));
            ExpectNoaa18OnItsDay();
        }
}

// Passes copied without their file times are still dated by the names of
// their formats' own layouts, and by ".wsd"-style names under SmartView.
TEST_F(StationKeepingEverySetTest, CopiesWithoutTheirTimesAreDatedByTheirNames) {
    const test::THrptPassSpec frames;
    const test::TElementLines set = ElementsNear(Noaa18, MayPass);
    const std::vector<std::pair<std::string, TBytes>> cases = {
        {"23123_18.svw", test::BuildSmartViewFile(frames, NamedLines)},
        {"230503_1200_noaa18.svw", test::BuildSmartViewFile(frames, NamedLines)},
        {"230503_1200.svw", test::BuildSmartViewFile(frames, NamedLines)},
        {"2023-05-03-1200-NOAA18.hpt", test::BuildEssFile(frames, NamedLines)},
        {"2023-05-03-1200-NOAA18.raw16", test::Build16BitHrptFile(frames, NamedLines, false)},
        {"20230503_1200_noaa18.n10", test::BuildN10File(frames, NamedLines)},
        {"230503_1200_noaa18.wsd", test::BuildWsdFile(frames, NamedLines, set.Line1, set.Line2)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        loader.LoadDataFile(WriteDated(name, bytes));
        ExpectNoaa18OnItsDay();
    }
}

// Why a name was not read is in the diagnostics, once a pass, as the run report tells it.
TEST_F(StationKeepingEverySetTest, NameRulesLeftUnusedAreTold) {
    const test::THrptPassSpec frames;
    struct TCase {
        std::string File;
        TBytes Bytes;
        std::string Told;
    };
    const std::vector<TCase> cases = {
        {"2023-05-03-1200-n18.raw16", test::Build16BitHrptFile(frames, NamedLines, false),
         "The name's layout gives the satellite \"n18-\", which the program does not know"},
        {"2023-05-03-1200-NOAA-18.raw16", test::Build16BitHrptFile(frames, NamedLines, false),
         "The name's layout gives the satellite \"NOAA--1\""},
        {"230503_1200_noaa18.n10", test::BuildN10File(frames, NamedLines),
         "The pass is dated by the file's date (2023-05-03): its name holds the date 2023-05-03, but no name layout of "
         "this format reads it"},
        {"2099-05-03-1200-NOAA18.hpt", test::BuildEssFile(frames, NamedLines),
         "The name's layout gives the year 2099, which no pass can have"},
        {"1900-05-03-1200-NOAA18.hpt", test::BuildEssFile(frames, NamedLines),
         "The name's layout gives the year 1900, which no pass can have"},
        {"2099-05-03-1200-NOAA18.drt", test::BuildDartcomFile(frames, NamedLines, false),
         "The pass is dated by the file's date (2023-05-03): its name holds the date 2099-05-03, which no pass can have"},
        {"2023-02-29-1200-NOAA18.raw16", test::Build16BitHrptFile(frames, NamedLines, false),
         "The name holds the date 2023-02-29, which does not exist: its date is not used"},
        {"20230431_1200_noaa18.drt", test::BuildDartcomFile(frames, NamedLines, false),
         "The name holds the date 2023-04-31, which does not exist"},
        {"230229_1200_noaa18.n10", test::BuildN10File(frames, NamedLines),
         "The name holds the date 2023-02-29, which does not exist"},
        {"2026-13-01-1200-NOAA18.hpt", test::BuildEssFile(frames, NamedLines),
         "The name holds the date 2026-13-01, which does not exist: its date is not used"},
        {"2026-00-00-1200-NOAA18.raw16", test::Build16BitHrptFile(frames, NamedLines, false),
         "The name holds the date 2026-00-00, which does not exist"},
        {"2023-13-03-1200-NOAA18.n10", test::BuildN10File(frames, NamedLines),
         "The name holds the date 2023-13-03, which does not exist"},
        {"2023-05-32-1200-NOAA18.drt", test::BuildDartcomFile(frames, NamedLines, false),
         "The name holds the date 2023-05-32, which does not exist"},
        {"20230532_1200_noaa18.svw", test::BuildSmartViewFile(frames, NamedLines),
         "The name holds the date 2023-05-32, which does not exist"},
        {"2024-02-29-1200-NOAA18.svw", test::BuildSmartViewFile(frames, NamedLines),
         "The name's date 2024-02-29 is not day 123 of the year, which its frames give: its date is not used"},
        {"2027-01-08-1200-NOAA18.raw16", test::Build16BitHrptFile(frames, NamedLines, false),
         "The name gives the year 2027, in which day 123 of the frames is 2027-05-03, a date no pass can have"},
        {"23366_18.svw", test::BuildSmartViewFile(frames, NamedLines), "The name's layout gives day 366 of 2023"},
        {"2023-05-03-1200-NOAA18.svw", test::BuildSmartViewFile(frames, NamedLines),
         "The name is not of the SmartView form"},
        {"NOAA18_20230503_1200.hpt", test::BuildEssFile(frames, NamedLines),
         "The pass is dated by the file's date (2023-05-03): its name holds the date 2023-05-03, but no name layout of "
         "this format reads it"},
        {"20230503_1215.hpt", test::BuildEssFile(frames, NamedLines),
         "The last two characters of the file's name (\"15\") would name NOAA-15, but its frames say NOAA-18: NOAA-18 was used"},
        {"20230503_1215.raw16", test::Build16BitHrptFile(frames, NamedLines, false),
         "The last two characters of the file's name (\"15\") would name NOAA-15, but its frames say NOAA-18"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        loader.LoadDataFile(WriteClosed(c.File, c.Bytes));
        EXPECT_TRUE(test::Contains(state.DiagnosticLines, c.Told)) << testing::PrintToString(state.DiagnosticLines);
    }
    EXPECT_EQ(state.NameNotes.size(), 0u) << "a name's last two characters yielding is no rule left unused";
    loader.LoadDataFile(WriteClosed("23123_18.svw", test::BuildSmartViewFile(frames, NamedLines)));
    EXPECT_TRUE(state.NameNotes.empty()) << "the SmartView form is read";
}

// A ".wsd" file without "noaa" or "fengyun" in its name is still refused, and says why.
TEST_F(StationKeepingEverySetTest, AWsdNameWithoutItsSatelliteIsRefusedSayingSo) {
    const test::TElementLines set = ElementsNear(Noaa18, MayPass);
    const TBytes bytes = test::BuildWsdFile({}, NamedLines, set.Line1, set.Line2);
    for (const char* name : {"N18_20230503_1200.wsd", "2023-05-03-1200-n18.wsd", "passa.wsd"}) {
        SCOPED_TRACE(name);
        loader.LoadDataFile(WriteClosed(name, bytes));
        EXPECT_TRUE(Failed());
        EXPECT_NE(state.LoadFailure.find("(extension \".wsd\"): a \".wsd\" file is read only when its name contains "
                                         "\"noaa\" or \"fengyun\""),
                  std::string::npos)
            << state.LoadFailure;
    }
    loader.LoadDataFile(WriteClosed("230503_1200_noaa18.wsd", bytes));
    EXPECT_FALSE(Failed());
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
}

// What dated each pass, kept with the pass: the layout of the format's own
// names, a name that begins with its year, the orbit number a name gives,
// and only then the file's date, which the diagnostics tell as the choice
// says, with a date the name holds that no layout read.
TEST_F(StationKeepingEverySetTest, EachPassKeepsTheRuleThatDatedItAndTellsAFilesDateByIt) {
    const test::THrptPassSpec frames;
    const TBytes ess = test::BuildEssFile(frames, NamedLines);
    const TBytes raw16 = test::Build16BitHrptFile(frames, NamedLines, false);
    const TBytes smartView = test::BuildSmartViewFile(frames, NamedLines);
    const TBytes dartcom = test::BuildDartcomFile(frames, NamedLines, false);
    const TBytes n10 = test::BuildN10File(frames, NamedLines);
    struct TCase {
        std::string File;
        const TBytes& Bytes;
        TIdentityRule Rule;
        TDateTime NameHolds;
    };
    const TDateTime may3 = EncodeDate(2023, 5, 3);
    const std::vector<TCase> cases = {
        {"N18_20230503_1200.hpt", ess, TIdentityRule::FileDate, may3},  // no layout of ESS names reads it
        {"NOAA18_20230503_1200.hpt", ess, TIdentityRule::FileDate, may3},
        {"passa.hpt", ess, TIdentityRule::FileDate, 0},
        {"1979-05-03-1200-NOAA18.hpt", ess, TIdentityRule::NameLayout, 0},  // a year before this century's
        {"2023-05-03-1200-NOAA18.raw16", raw16, TIdentityRule::NameLayout, 0},
        {"2023-05-03-1200-n18.raw16", raw16, TIdentityRule::NameLayout, 0},  // the year question's name rule
        {"20230503_1215.raw16", raw16, TIdentityRule::NameLayout, 0},
        {"NOAA18_20230503_1200.raw16", raw16, TIdentityRule::FileDate, may3},
        {"23123_18.svw", smartView, TIdentityRule::NameLayout, 0},
        {"230503_1200_noaa18.svw", smartView, TIdentityRule::NameLayout, 0},
        {"passa.svw", smartView, TIdentityRule::FileDate, 0},
        {"NOAA18_20230503_1200.drt", dartcom, TIdentityRule::FileDate, may3},
        {"20230503_1200_noaa18.n10", n10, TIdentityRule::NameLayout, 0},
        {"230503_1200_noaa18.n10", n10, TIdentityRule::FileDate, may3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.File);
        loader.LoadDataFile(WriteClosed(c.File, c.Bytes));
        ASSERT_FALSE(Failed());
        EXPECT_EQ(state.DateChoice.Rule, c.Rule);
        EXPECT_EQ(state.DateChoice.NameHolds, c.NameHolds);
        if (c.Rule == TIdentityRule::FileDate) {
            EXPECT_EQ(state.DateChoice.Year, 2023);
            EXPECT_TRUE(test::Contains(state.DiagnosticLines, DateReason(state.DateChoice)))
                << testing::PrintToString(state.DiagnosticLines);
        }
        EXPECT_FALSE(test::Contains(state.DiagnosticLines, "taken from the file's date") && c.Rule != TIdentityRule::FileDate);
    }
}

// A year changed in the window's question is the question's, and no file's date is told.
TEST_F(StationKeepingEverySetTest, AYearChangedInTheQuestionIsTheQuestions) {
    settings.Unattended = false;
    host.OnDirection = [](const TPassDirectionRequest& request, const TPassDirectionProposal& proposal) {
        TPassDirectionAnswer answer = DefaultPassDirectionAnswer(request, proposal);
        answer.PassYear = proposal.Year - 1;
        return answer;
    };
    loader.LoadDataFile(WriteClosed("passa.hpt", test::BuildEssFile({}, NamedLines)));
    EXPECT_EQ(state.DateChoice.Rule, TIdentityRule::Question);
    EXPECT_EQ(state.DateChoice.Year, 2022);
    EXPECT_FALSE(test::Contains(state.DiagnosticLines, "taken from the file's date"));
}

// The window's question proposes the satellite that decided, not the name's minutes.
TEST_F(StationKeepingEverySetTest, TheQuestionProposesWhatDecided) {
    AskInTheWindow();
    const test::THrptPassSpec frames;
    loader.LoadDataFile(WriteClosed("20230503_1215.raw16", test::Build16BitHrptFile(frames, NamedLines, false)));
    EXPECT_EQ(shown.Satellite, "NOAA-18");
    EXPECT_EQ(shown.Decided.Rule, TIdentityRule::Frames);
    loader.LoadDataFile(WriteClosed("N15_20230503_1215.raw16", test::Build16BitHrptFile(frames, NamedLines, false)));
    EXPECT_EQ(shown.Satellite, "NOAA-15") << "a name that spells its satellite outright decides";
    EXPECT_EQ(shown.Decided.Rule, TIdentityRule::NameOutright);
    // Names whose last two characters are the minutes of a time, in formats that do not read them as a date.
    const TBytes ess = test::BuildEssFile(frames, NamedLines);
    const TBytes smartView = test::BuildSmartViewFile(frames, NamedLines);
    const TBytes n10 = test::BuildN10File(frames, NamedLines);
    for (const auto& [name, bytes] : {std::pair{"pass_0503_1215.hpt", &ess}, {"pass_0503_1215.svw", &smartView},
                                      {"pass_0503_1215.n10", &n10}, {"03MAY2023_1215.n10", &n10}}) {
        loader.LoadDataFile(WriteClosed(name, *bytes));
        EXPECT_EQ(shown.Satellite, "NOAA-18") << name;
        EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18") << name;
    }
    // Whatever the name and the clock, the direction proposed is the one the
    // pass is located in, with the orbit that gave it: taken, it is not turned.
    const TBytes raw16 = test::Build16BitHrptFile(frames, NamedLines, false);
    const TBytes gti = test::BuildGtiFile(frames, NamedLines);
    for (const auto& [name, bytes] :
         {std::pair{"passa.hpt", &ess}, {"passa.raw16", &raw16}, {"passa.svw", &smartView}, {"passa.n10", &n10},
          {"passa.rhd", &gti}, {"1978-10-14-1200-NOAA18.hpt", &ess}, {"2027-01-08-1200-NOAA18.raw16", &raw16},
          {"20230503_1215.raw16", &raw16}, {"2026-13-01-1200-NOAA18.n10", &n10}})
        for (const TDateTime clock : {At(2023, 5, 3, 12, 3), EncodeDate(1970, 1, 1)}) {
            SCOPED_TRACE(std::string(name) + " of " + FormatDateTime("yyyy-mm-dd", clock));
            const std::string path = Write(name, *bytes);
            SetFileDateTime(path, clock);
            loader.LoadDataFile(path);
            ExpectNoaa18OnItsDay();
            EXPECT_EQ(asked.Northbound, state.EarthLocations->Northbound);
            EXPECT_FALSE(test::Contains(state.DiagnosticLines, "turned round"));
            EXPECT_EQ(asked.DirectionReason.rfind("Southbound, as the element set of NOAA-18 moves it at 2023-05-03 12:0", 0), 0u)
                << asked.DirectionReason;
        }
}

// Frames that outrank a name's minutes are told as frames in every format,
// SmartView's own form included, never as the file's name or header.
TEST_F(StationKeepingEverySetTest, FramesOverANamesMinutesAreToldAsFramesInEveryFormat) {
    const test::THrptPassSpec frames;
    const std::vector<std::pair<std::string, TBytes>> cases = {
        {"20230503_1215.hpt", test::BuildEssFile(frames, NamedLines)},
        {"20230503_1215.raw16", test::Build16BitHrptFile(frames, NamedLines, false)},
        {"20230503_1215.rhd", test::BuildGtiFile(frames, NamedLines)},
        {"20230503_1215.drt", test::BuildDartcomFile(frames, NamedLines, false)},
        {"20230503_1215.svw", test::BuildSmartViewFile(frames, NamedLines)},
        {"23123_15.svw", test::BuildSmartViewFile(frames, NamedLines)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        loader.LoadDataFile(WriteClosed(name, bytes));
        ExpectNoaa18OnItsDay();
        EXPECT_EQ(state.SatelliteChoice.Rule, TIdentityRule::Frames);
        EXPECT_TRUE(test::Contains(state.DiagnosticLines, "The last two characters of the file's name (\"15\") would name "
                                                          "NOAA-15, but its frames say NOAA-18: NOAA-18 was used"))
            << testing::PrintToString(state.DiagnosticLines);
    }
}

// Archives unpacked without their times leave files of 1980 or 1970: a name
// that dates its pass still does, and names written in capitals read as in
// small letters.
TEST_F(StationKeepingEverySetTest, NamesDatePassesWhateverTheirFileTimesAndCase) {
    const test::THrptPassSpec frames;
    const test::TElementLines set = ElementsNear(Noaa18, MayPass);
    struct TCase {
        std::string Name;
        TBytes Bytes;
        TDateTime FileTime;
    };
    const TDateTime fat = EncodeDate(1980, 1, 1);
    const TDateTime epoch = EncodeDate(1970, 1, 1);
    const TDateTime copied = At(2026, 2, 10, 9, 30);
    const std::vector<TCase> cases = {
        {"2023-05-03-1200-NOAA18.raw16", test::Build16BitHrptFile(frames, NamedLines, false), fat},
        {"2023-05-03-1200-NOAA18.raw16", test::Build16BitHrptFile(frames, NamedLines, false), epoch},
        {"20230503_1200_noaa18.n10", test::BuildN10File(frames, NamedLines), fat},
        {"230503_1200_noaa18.wsd", test::BuildWsdFile(frames, NamedLines, set.Line1, set.Line2), epoch},
        {"230503_1200_NOAA18.wsd", test::BuildWsdFile(frames, NamedLines, set.Line1, set.Line2), copied},
        {"230503_1200_Noaa18.wsd", test::BuildWsdFile(frames, NamedLines, set.Line1, set.Line2), copied},
        {"230503_1215.svw", test::BuildSmartViewFile(frames, NamedLines), copied},
        {"230503_1215_NOAA18.svw", test::BuildSmartViewFile(frames, NamedLines), copied},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name + " of " + FormatDateTime("yyyy-mm-dd", c.FileTime));
        const std::string path = Write(c.Name, c.Bytes);
        SetFileDateTime(path, c.FileTime);
        loader.LoadDataFile(path);
        ExpectNoaa18OnItsDay();
        EXPECT_TRUE(state.NameNotes.empty()) << testing::PrintToString(state.NameNotes);
        EXPECT_NE(state.DateChoice.Rule, TIdentityRule::FileDate);
    }
}

// A receiving machine without a clock leaves files of 1970 (or of 2099): the
// frames' day 123 is taken in the year in which it lies nearest NOAA-18's
// element sets, 2023, and told so with the distance.
TEST_F(StationKeepingEverySetTest, PassesOfAMachineWithoutAClockAreDatedByTheirFramesDay) {
    const test::THrptPassSpec frames;
    const std::vector<std::pair<std::string, TBytes>> cases = {
        {"passa.hpt", test::BuildEssFile(frames, NamedLines)},
        {"passa.raw16", test::Build16BitHrptFile(frames, NamedLines, false)},
        {"passa.drt", test::BuildDartcomFile(frames, NamedLines, false)},
        {"passa.svw", test::BuildSmartViewFile(frames, NamedLines)},
        {"passa.n10", test::BuildN10File(frames, NamedLines)},
        {"passa.rhd", test::BuildGtiFile(frames, NamedLines)},
    };
    for (const auto& [name, bytes] : cases)
        for (const TDateTime clock : {EncodeDate(1970, 6, 1), EncodeDate(2099, 1, 1)}) {
            SCOPED_TRACE(name + " of " + FormatDateTime("yyyy-mm-dd", clock));
            const std::string path = Write(name, bytes);
            SetFileDateTime(path, clock);
            loader.LoadDataFile(path);
            EXPECT_TRUE(test::Contains(state.DiagnosticLines, "The pass is dated in 2023, the year in which day 123 of its "
                                                              "frames lies nearest an element set of NOAA-18 (0."))
                << testing::PrintToString(state.DiagnosticLines);
            EXPECT_EQ(state.EarthLocations->EstimatedDate, EncodeDate(2023, 5, 3));
            ExpectNoaa18OnItsDay();
        }
}

// MetOp-B's frames carry the id NOAA-17's carried until 2013: an unnamed pass
// of MetOp-B is MetOp-B's, dated by its file's date or by its frames' day.
TEST_F(StationKeepingEverySetTest, AnUnnamedPassOfMetopBIsNoNoaa17) {
    test::THrptPassSpec frames;
    frames.SpacecraftId = 11;
    for (const TDateTime fileDate : {EncodeDate(2023, 5, 3) + EncodeTime(12, 5, 0, 0), EncodeDate(1970, 6, 1)}) {
        const std::string path = Write("passa.hpt", test::BuildEssFile(frames, NamedLines));
        SetFileDateTime(path, fileDate);
        loader.LoadDataFile(path);
        EXPECT_EQ(state.Orbit->SatelliteName, "METOP-B") << fileDate;
    }
    // NOAA-17's frames of its last days are NOAA-17's, under a name whose year was refused too.
    const TDateTime lastDays = At(2013, 4, 9, 10, 0);
    const test::TElementLines set = ElementsNear(27453, lastDays);
    const std::string text = set.Line1 + "\n" + set.Line2 + "\n";
    test::WriteFileBytes((folder / "program" / "Keps" / "NOAA-17.txt").string(), TBytes(text.begin(), text.end()));
    frames.DayOfYear = 99;
    frames.StartMilliseconds = 10 * 3600000LL;
    for (const char* name : {"passa.hpt", "2027-01-08-1000-NOAA17.hpt", "2013-04-09-1000-NOAA17.hpt"}) {
        SCOPED_TRACE(name);
        const std::string path = Write(name, test::BuildEssFile(frames, NamedLines));
        SetFileDateTime(path, lastDays + 3.0 / 1440);
        loader.LoadDataFile(path);
        EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-17");
        EXPECT_FALSE(test::Contains(state.DiagnosticLines, "METOP-B")) << testing::PrintToString(state.DiagnosticLines);
        EXPECT_NE(state.PassDescription.find("; NOAA-17; 2013-04-09; 10:00-"), std::string::npos) << state.PassDescription;
    }
}

// Another satellite chosen in the question is told as chosen there, not as
// what the proposal's rule named.
TEST_F(StationKeepingEverySetTest, ASatelliteChosenInTheQuestionIsToldAsChosen) {
    settings.Unattended = false;
    host.OnDirection = [](const TPassDirectionRequest& request, const TPassDirectionProposal& proposal) {
        TPassDirectionAnswer answer = DefaultPassDirectionAnswer(request, proposal);
        answer.SatelliteText = "NOAA-19";
        return answer;
    };
    loader.LoadDataFile(WriteClosed("20230503_1215.raw16", test::Build16BitHrptFile({}, NamedLines, false)));
    ASSERT_FALSE(Failed()) << state.DiagnosticLines.back();
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-19");
    EXPECT_EQ(state.SatelliteChoice.Satellite, "NOAA-19");
    EXPECT_EQ(state.SatelliteChoice.Rule, TIdentityRule::Question);
    EXPECT_FALSE(test::Contains(state.DiagnosticLines, "would name NOAA-15, but its frames say NOAA-18"))
        << testing::PrintToString(state.DiagnosticLines);
}

// A NOAA-18 pass from 23:59:30 on 31 December 2023 to 00:00:10 on 1 January
// 2024; its frame at 45 % is still of 31 December.
test::THrptPassSpec AcrossNewYear() {
    test::THrptPassSpec frames;
    frames.DayOfYear = 365;
    frames.StartMilliseconds = (23 * 3600 + 59 * 60 + 30) * 1000LL;
    return frames;
}

const TDateTime NewYearPassStart = At(2023, 12, 31, 23, 59) + 30.0 / SecsPerDay;

class NewYearPassTest : public StationNamesTest {
protected:
    // One archive of three sets of different orbits, 30 and 31 December and
    // 2 January: only the 31 December set puts the pass where it was.
    void WriteNewYearArchive() {
        std::string text;
        for (const TDateTime epoch : {At(2023, 12, 30, 12, 0), At(2023, 12, 31, 12, 0), At(2024, 1, 2, 12, 0)}) {
            const int year = DecodeDateTime(epoch).year;
            const test::TElementLines set = test::MakeElementLines(
                Noaa18, year, epoch - EncodeDate(year, 1, 1) + 1, 98.9, 150.0 + 20 * (epoch - NewYearPassStart), 0.0,
                14.125, 30000);
            text += set.Line1 + "\n" + set.Line2 + "\n";
            if (epoch == At(2023, 12, 31, 12, 0)) passSet = set;
        }
        test::WriteFileBytes((folder / "program" / "Keps" / "NOAA-18.txt").string(), TBytes(text.begin(), text.end()));
    }

    // Written as a station closes it, five minutes after midnight.
    std::string WriteClosedAfterMidnight(const std::string& name, const TBytes& bytes) const {
        const std::string path = Write(name, bytes);
        SetFileDateTime(path, At(2024, 1, 1, 0, 5));
        return path;
    }

    // Each line's sub-satellite point lies within 0.1 km of where the
    // 31 December set puts it at the line's own time.
    void ExpectSubSatellitePointsOfThePassSet(const test::THrptPassSpec& frames = AcrossNewYear(), int day = 31) {
        const TEarthLocations& locations = *state.EarthLocations;
        test::TPassGeometry geometry(passSet, frames, day == 31 ? 2023 : 2024, day == 31 ? 12 : 1, day);
        for (const int32_t stored : {0, 1, NamedLines / 2, NamedLines - 2, NamedLines - 1}) {
            const bool turned = state.Northbound;
            const int32_t line = turned ? NamedLines - 1 - stored : stored;
            const TGroundPoint predicted = geometry.Line(line)[turned ? 1023 : 1024];
            const TAnchorLocation& located = locations.LineLocations(stored)->Anchors[CentreAnchor];
            float km = 0, bearing = 0;
            GreatCircleDistance(located.Longitude, located.Latitude, predicted.Longitude, predicted.Latitude, km, bearing);
            EXPECT_LT(km, 0.1) << "stored line " << stored;
        }
    }

    test::TElementLines passSet;
};

// A New Year pass that its file or name dates by its 1 January part is
// dated, chosen elements for and located in the years its lines belong to.
TEST_F(NewYearPassTest, PassesDatedByTheirJanuaryPartLieInTheirOwnYears) {
    WriteNewYearArchive();
    const test::THrptPassSpec frames = AcrossNewYear();
    const std::vector<std::pair<std::string, TBytes>> cases = {
        {"dartcom_ny.drt", test::BuildDartcomFile(frames, NamedLines, false)},
        {"XXXXXXX_010124.rhd", test::BuildGtiFile(frames, NamedLines)},
        {"24001_18.svw", test::BuildSmartViewFile(frames, NamedLines)},
        {"NOAA18.n10", test::BuildN10File(frames, NamedLines)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        loader.LoadDataFile(WriteClosedAfterMidnight(name, bytes));
        ASSERT_FALSE(Failed()) << state.DiagnosticLines.back();
        const TEarthLocations& locations = *state.EarthLocations;
        ASSERT_TRUE(locations.LocationsValid) << testing::PrintToString(state.DiagnosticLines);
        EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
        EXPECT_NEAR(locations.StartTime, NewYearPassStart, 1.0 / SecsPerDay);
        EXPECT_NEAR(locations.EndTime, At(2024, 1, 1, 0, 0) + 10.0 / SecsPerDay, 1.0 / SecsPerDay);
        EXPECT_TRUE(test::Contains(state.DiagnosticLines, "The pass crosses midnight of 31 December"));
        EXPECT_TRUE(test::Contains(state.DiagnosticLines, "  Orbit data is only 0.5 days stale - OK"));
        EXPECT_NE(state.PassDescription.find("; 2023-12-31; 23:59-"), std::string::npos) << state.PassDescription;
        ExpectSubSatellitePointsOfThePassSet();
    }
    loader.LoadDataFile(WriteClosedAfterMidnight("dartcom_ny.drt", test::BuildDartcomFile(frames, NamedLines, false)));
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "  From direction form:  estimated date: 2023-Dec-31  satellite: NOAA-18"));
}

// Frames of 31 December from 23:57:00, and of 1 January from 00:00:30.
test::THrptPassSpec BeforeNewYear() {
    test::THrptPassSpec frames;
    frames.DayOfYear = 365;
    frames.StartMilliseconds = (23 * 3600 + 57 * 60) * 1000LL;
    return frames;
}

test::THrptPassSpec AfterNewYear() {
    test::THrptPassSpec frames;
    frames.DayOfYear = 1;
    frames.DaysInYear = 366;
    frames.StartMilliseconds = 30 * 1000LL;
    return frames;
}

// A pass wholly on one side of midnight, dated by a name or a file's time
// from the other side, lies in the year of its frames in every format.
TEST_F(NewYearPassTest, OneSidedPassesDatedFromTheOtherSideLieInTheirFramesYear) {
    WriteNewYearArchive();
    struct TOneSided {
        std::string Name;
        TBytes Bytes;
        TDateTime FileTime;  // 0: the name dates the pass
    };
    const test::THrptPassSpec before = BeforeNewYear();
    const test::THrptPassSpec after = AfterNewYear();
    const std::vector<TOneSided> december = {
        {"dartcom_dec.drt", test::BuildDartcomFile(before, NamedLines, false), At(2024, 1, 1, 0, 1)},
        {"20240101_0000_NOAA18.n10", test::BuildN10File(before, NamedLines), 0},
        {"2024-01-01-0000-NOAA18.hpt", test::BuildEssFile(before, NamedLines), 0},
        {"240101_0000_noaa18.wsd", test::BuildWsdFile(before, NamedLines, passSet.Line1, passSet.Line2), 0},
    };
    const std::vector<TOneSided> january = {
        {"2023-12-31-2359-NOAA18.hpt", test::BuildEssFile(after, NamedLines), 0},
        {"2023-12-31-2359-NOAA18.raw16", test::Build16BitHrptFile(after, NamedLines, false), 0},
        {"20231231_2359_NOAA18.n10", test::BuildN10File(after, NamedLines), 0},
        {"231231_2359_noaa18.wsd", test::BuildWsdFile(after, NamedLines, passSet.Line1, passSet.Line2), 0},
        {"dartcom_jan.drt", test::BuildDartcomFile(after, NamedLines, false), At(2023, 12, 31, 23, 59)},
    };
    const auto load = [this](const TOneSided& file) {
        const std::string path = Write(file.Name, file.Bytes);
        SetFileDateTime(path, file.FileTime != 0 ? file.FileTime : At(2024, 1, 1, 0, 5));
        loader.LoadDataFile(path);
        ASSERT_FALSE(Failed()) << state.DiagnosticLines.back();
        ASSERT_TRUE(state.EarthLocations->LocationsValid) << testing::PrintToString(state.DiagnosticLines);
        EXPECT_TRUE(test::Contains(state.DiagnosticLines, "  Orbit data is only 0.5 days stale - OK"));
    };
    for (const TOneSided& file : december) {
        SCOPED_TRACE(file.Name);
        load(file);
        EXPECT_NEAR(state.EarthLocations->StartTime, At(2023, 12, 31, 23, 57), 1.0 / SecsPerDay);
        EXPECT_TRUE(test::Contains(state.DiagnosticLines,
                                   "The pass lies wholly before midnight of 31 December: its lines are dated 2023"));
        EXPECT_NE(state.PassDescription.find("; 2023-12-31; 23:57-23:57;"), std::string::npos) << state.PassDescription;
        ExpectSubSatellitePointsOfThePassSet(before, 31);
    }
    // Eight frames near 9/20 of such a pass whose codes agree on 26 April 2024
    // 09:15 do not set its quarter hour: its own lines, dated 2023, count too.
    TBytes strayRun = test::Build16BitHrptFile(before, NamedLines, true);
    for (int32_t frame = NamedLines * 9 / 20, k = 0; k < 8; ++frame, ++k) {
        const int milliseconds = (9 * 3600 + 15 * 60) * 1000 + k * 1000 / 6;
        const std::array<int, 4> code = {117 << 1, 0x280 | milliseconds >> 20, milliseconds >> 10 & 1023,
                                         milliseconds & 1023};
        for (size_t w = 0; w < code.size(); ++w) {
            const size_t at = (static_cast<size_t>(frame) * 11090 + 8 + w) * 2;
            strayRun[at] = static_cast<uint8_t>(code[w]);
            strayRun[at + 1] = static_cast<uint8_t>(code[w] >> 8);
        }
    }
    load({"2024-01-01-0000-NOAA18.raw16", strayRun, 0});
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "Decoded pass quarter hour is 2024-Jan-01 00:00 UTC"));
    EXPECT_NE(state.PassDescription.find("; 2023-12-31; 23:57-23:57;"), std::string::npos) << state.PassDescription;
    for (const TOneSided& file : january) {
        SCOPED_TRACE(file.Name);
        load(file);
        EXPECT_NEAR(state.EarthLocations->StartTime, At(2024, 1, 1, 0, 0) + 30.0 / SecsPerDay, 1.0 / SecsPerDay);
        EXPECT_TRUE(test::Contains(state.DiagnosticLines,
                                   "The pass lies wholly after midnight of 31 December: its lines are dated 2024"));
        EXPECT_NE(state.PassDescription.find("; 2024-01-01; 00:00-00:01;"), std::string::npos) << state.PassDescription;
        ExpectSubSatellitePointsOfThePassSet(after, 1);
    }
}

// A year of 365 days has no day 366: a frame that says so has no time, and
// does not date the pass a day on.
TEST(FrameYearTest, Day366IsOnlyOfALeapYear) {
    EXPECT_TRUE(DayInYear(2024, 366));
    EXPECT_FALSE(DayInYear(2023, 366));
    EXPECT_TRUE(DayInYear(2023, 365));
    EXPECT_FALSE(DayInYear(2023, 0));
    // The 2024/25 New Year: 31 December 2024 is day 366, dated from 1 January 2025.
    EXPECT_EQ(FrameYear(EncodeDate(2025, 1, 1) + 0.001, 366), 2024);
    EXPECT_EQ(FrameYear(EncodeDate(2024, 12, 31) + 0.999, 1), 2025);
}

// In the window the question opens with the date the name gives and the
// direction the satellite took then.
TEST_F(StationNamesTest, TheQuestionProposesTheNamesDate) {
    AskInTheWindow();
    const test::TElementLines fengYun = ElementsNear(FengYun1D, MayPass);
    loader.LoadDataFile(WriteDated("230503_1200_fengyun1d.wsd", test::BuildFengYunWsdFile({}, NamedLines, fengYun)));
    ASSERT_EQ(host.DirectionRequests.size(), 1u);
    EXPECT_TRUE(shown.ShowDatePicker);
    EXPECT_EQ(shown.Date, EncodeDate(2023, 5, 3));
    EXPECT_EQ(host.DirectionRequests[0].Northbound, state.Orbit->IsNorthbound(MayPass));

    loader.LoadDataFile(WriteDated("FY3A_20230503_1200.n10", test::BuildN10File(FengYun3Frames(), NamedLines)));
    ASSERT_EQ(host.DirectionRequests.size(), 2u);
    EXPECT_EQ(host.DirectionRequests[1].DateMode, TDateMode::Date) << "a date, not only a year";
    EXPECT_EQ(shown.Date, EncodeDate(2023, 5, 3));
}

// A station whose feed lacks the satellite (no archive, an empty update)
// still has a name that dates and names the pass: the name is not blamed.
TEST_F(StationNamesTest, ANameStandsForASatelliteWithoutSets) {
    const fs::path keps = folder / "program" / "Keps";
    fs::remove(keps / "NOAA-18.txt");
    fs::create_directories(keps / "Updates");
    test::WriteFileBytes((keps / "Updates" / "NOAA-18.txt").string(), {});
    loader.LoadDataFile(WriteDated("2023-05-03-1200-NOAA18.hpt", test::BuildEssFile({}, NamedLines)));
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
    EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(2023, 1, 1));
    EXPECT_FALSE(test::Contains(state.DiagnosticLines, "that layout is not used"));
}

}  // namespace
}  // namespace kestrune
