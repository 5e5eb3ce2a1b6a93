#include "orbit/Keplers.h"

#include "OrbitTestFiles.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <filesystem>

namespace kestrune {
namespace {

using testing::ArchiveText;
using testing::SetAt;
using testing::TleLine1;
using testing::TleLine2;

const TDateTime Start = EncodeDate(2020, 1, 1);

class KeplersTest : public ::testing::Test {
protected:
    testing::TempFolder temp;
    TKeplerData keplers;
    std::string message, mainFile, updateFile, line1, line2;
    std::vector<std::string> lines;
    double age = 0.0;

    std::string Base() const { return temp.Path() + "elements/"; }
    std::string WriteMain(const std::string& name, const std::string& text) {
        return temp.Write("elements/Keps/" + name + ".txt", text);
    }
    std::string WriteUpdate(const std::string& name, const std::string& text) {
        return temp.Write("elements/Keps/Updates/" + name + ".txt", text);
    }
    bool Find(const std::string& name) {
        return keplers.FindKeplerFile(name, Base(), message, mainFile, updateFile, lines);
    }
    bool Select(TDateTime passTime, bool quiet = false) {
        return keplers.SelectArchiveSet("NOAA-15", Base(), quiet, message, age, mainFile, updateFile, line1, line2,
                                        passTime);
    }
    const std::vector<TDialogRequest>& Shown() const { return TDialogService::Instance().Requests(); }
};

TEST(KeplerFields, ElementLinesEpochsAndRevolutions) {
    const testing::TleElements e = SetAt(EncodeDate(2019, 3, 1) + 0.25, 98765);
    const std::string l1 = TleLine1(e), l2 = TleLine2(e);
    EXPECT_TRUE(IsElementLine(l1));
    EXPECT_TRUE(IsElementLine("  " + l2 + "  "));
    EXPECT_TRUE(IsElementLine(l1.substr(0, 68))) << "without its checksum digit, as the catalogue takes it";
    EXPECT_FALSE(IsElementLine(l1.substr(0, 67)));
    EXPECT_FALSE(IsElementLine("3" + l1.substr(1)));
    EXPECT_NEAR(ArchiveEpoch(l1), EncodeDate(2019, 3, 1) + 0.25, 1e-8);
    EXPECT_EQ(ArchiveRevolution(l2), 98765);
    std::string bad = l1;
    bad.replace(20, 3, "3X7");
    EXPECT_DOUBLE_EQ(ArchiveEpoch(bad), 0.0);
    bad.replace(20, 3, "367");
    EXPECT_DOUBLE_EQ(ArchiveEpoch(bad), 0.0);
    bad.replace(20, 12, "-9e99       ");  // would be a date before any calendar
    EXPECT_DOUBLE_EQ(ArchiveEpoch(bad), 0.0);
    bad = l1;
    bad.replace(18, 2, "57");
    EXPECT_NEAR(ArchiveEpoch(bad), EncodeDate(1957, 3, 1) + 0.25, 1e-8);
    std::string badRevolution = l2;
    badRevolution.replace(64, 2, "x1");
    EXPECT_EQ(ArchiveRevolution(badRevolution), 0);
}

TEST_F(KeplersTest, NearestSetToThePassTime) {
    WriteMain("NOAA-15", ArchiveText(Start, 100));
    for (const auto& [pass, expected] : {std::pair{50.3, 50.0}, std::pair{50.7, 51.0}, std::pair{0.2, 0.0},
                                         std::pair{-30.0, 0.0}, std::pair{250.0, 99.0}, std::pair{98.6, 99.0}}) {
        ASSERT_TRUE(Select(Start + pass));
        EXPECT_NEAR(ArchiveEpoch(line1), Start + expected, 1e-6) << pass;
        EXPECT_NEAR(age, expected - pass, 1e-6);
    }
    EXPECT_EQ(mainFile, Base() + "Keps/NOAA-15.txt");
}

// The usual layouts: a main file and its Updates/ file, two sets in all,
// many sets, sets whose dates go back; each pass takes the set nearest it.
TEST_F(KeplersTest, NearestSetInEveryLayout) {
    struct Layout {
        const char* what;
        std::string main;
        std::string update;
        double pass;
        double expected;
    };
    const std::vector<Layout> layouts = {
        {"main file and update, pass near the older", ArchiveText(Start, 1), ArchiveText(Start + 20, 1), 2.0, 0.0},
        {"main file and update, pass near the newer", ArchiveText(Start, 1), ArchiveText(Start + 20, 1), 30.0, 20.0},
        {"two sets in the main file", ArchiveText(Start, 2, 20.0), "", 8.0, 0.0},
        {"two sets in the update file", "", ArchiveText(Start, 2, 20.0), 12.0, 20.0},
        {"three sets", ArchiveText(Start, 3, 10.0), "", 9.0, 10.0},
        {"main file and several updates", ArchiveText(Start, 5, 7.0), ArchiveText(Start + 40, 6, 2.0, 2000), 40.9, 40.0},
        {"dates going back", ArchiveText(Start + 50, 1) + ArchiveText(Start, 2, 10.0, 2000), "", 11.0, 10.0},
        {"pass before every set", ArchiveText(Start, 4, 10.0), "", -100.0, 0.0},
        {"pass after every set", ArchiveText(Start, 4, 10.0), "", 100.0, 30.0},
        // A daily fetch's empty update for a satellite its feed lacks is no update.
        {"main file and an update of one line end", ArchiveText(Start, 2, 20.0), "\n", 12.0, 20.0},
        {"main file and an update of blanks", ArchiveText(Start, 1), " \r\n\r\n", 3.0, 0.0},
    };
    for (const Layout& layout : layouts) {
        std::filesystem::remove_all(Base());
        if (!layout.main.empty()) WriteMain("NOAA-15", layout.main);
        if (!layout.update.empty()) WriteUpdate("NOAA-15", layout.update);
        ASSERT_TRUE(Select(Start + layout.pass)) << layout.what;
        EXPECT_NEAR(ArchiveEpoch(line1), Start + layout.expected, 1e-6) << layout.what;
        EXPECT_NEAR(age, layout.expected - layout.pass, 1e-6) << layout.what;
        const bool feedLacks = layout.update.find_first_not_of(" \r\n") == std::string::npos;
        EXPECT_EQ(updateFile.empty(), feedLacks) << layout.what;
        const auto toldEmpty = [](const std::string& line) { return line.find("is empty: its feed holds no sets") != std::string::npos; };
        EXPECT_EQ(std::count_if(keplers.Findings.begin(), keplers.Findings.end(), toldEmpty), !layout.update.empty() && feedLacks)
            << layout.what;
    }
}

// Sets of 2023 at days of the year, with their revolution numbers.
std::string SetsText(std::initializer_list<std::pair<double, int>> sets) {
    std::string text;
    for (const auto& [day, revolution] : sets) {
        const testing::TleElements e = SetAt(EncodeDate(2023, 1, 1) + day - 1.0, revolution);
        text += TleLine1(e) + "\n" + TleLine2(e) + "\n";
    }
    return text;
}

TDateTime Day2023(double day) { return EncodeDate(2023, 1, 1) + day - 1.0; }

// Archives written newest first, in no order at all, or with an update older
// than the main file's last set: the set nearest the pass is taken, and
// every set stays in the archive.
TEST_F(KeplersTest, SetsInAnyOrderGiveTheNearestSet) {
    struct Layout {
        const char* what;
        std::string main;
        std::string update;
        double expected;
    };
    const std::vector<Layout> layouts = {
        {"newest first", SetsText({{153.4, 44000}, {143.4, 43860}, {133.4, 43720}, {123.0, 43574}}), "", 123.0},
        {"update older than the main file's last",
         SetsText({{100.4, 43250}, {110.4, 43390}, {140.4, 43810}}), SetsText({{123.3, 43572}}), 123.3},
        {"no order", SetsText({{133.4, 43720}, {100.4, 43250}, {153.4, 44000}, {123.0, 43574}, {110.4, 43390}}), "",
         123.0},
    };
    for (const Layout& layout : layouts) {
        std::filesystem::remove_all(Base());
        WriteMain("NOAA-15", layout.main);
        if (!layout.update.empty()) WriteUpdate("NOAA-15", layout.update);
        ASSERT_TRUE(Select(Day2023(123.5))) << layout.what;
        EXPECT_NEAR(ArchiveEpoch(line1), Day2023(layout.expected), 1e-6) << layout.what;
        ASSERT_TRUE(Find("NOAA-15"));
        const size_t sets = (std::count(layout.main.begin(), layout.main.end(), '\n') +
                             std::count(layout.update.begin(), layout.update.end(), '\n')) / 2;
        ASSERT_EQ(lines.size(), 2 * sets) << layout.what;
        for (size_t i = 2; i < lines.size(); i += 2) EXPECT_LT(ArchiveEpoch(lines[i - 2]), ArchiveEpoch(lines[i]));
    }
    // The orbit number of a newest-first archive gives the epoch of its set.
    WriteMain("NOAA-15", SetsText({{153.4, 44000}, {143.4, 43860}, {133.4, 43720}, {123.0, 43574}}));
    keplers.KeplerBaseFolder = Base();
    EXPECT_NEAR(keplers.KeplerEpochForOrbit("NOAA-15", 43721), Day2023(133.4), 1e-6);
}

// A set whose revolution number goes back behind the sets dated before it
// contradicts them and is dropped; a counter that wrapped past 99999 has not
// gone back.
TEST_F(KeplersTest, ASetWhoseRevolutionGoesBackIsDropped) {
    WriteMain("NOAA-15", SetsText({{110.0, 11000}, {120.0, 12005}, {123.4, 12000}, {130.0, 13000}}));
    ASSERT_TRUE(Find("NOAA-15"));
    ASSERT_EQ(lines.size(), 6u);
    ASSERT_TRUE(Select(Day2023(123.5)));
    EXPECT_NEAR(ArchiveEpoch(line1), Day2023(120.0), 1e-6);

    WriteMain("NOAA-15", SetsText({{110.0, 99700}, {120.0, 99990}, {123.4, 3}, {130.0, 100}}));
    ASSERT_TRUE(Find("NOAA-15"));
    EXPECT_EQ(lines.size(), 8u);
    ASSERT_TRUE(Select(Day2023(123.5)));
    EXPECT_NEAR(ArchiveEpoch(line1), Day2023(123.4), 1e-6);
}

TEST_F(KeplersTest, ArchiveWithoutADateIsReported) {
    const std::string description = "file: " + Base() + "Keps/NOAA-15.txt";
    std::string text = ArchiveText(Start, 3);
    // Day 999: a number, but no day of a year.
    for (size_t set = 0; set < 3; ++set) text.replace(set * 140 + 20, 3, "999");
    WriteMain("NOAA-15", text);
    EXPECT_FALSE(Select(Start, true));
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(Select(Start));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].text.rfind("Could not determine the date of any Keplers  in " + description +
                                    ".  The first two lines were seen as: ",
                                    0),
              0u);
    // One undated set among dated ones is passed over.
    text = ArchiveText(Start, 3);
    text.replace(140 + 20, 3, "999");
    WriteMain("NOAA-15", text);
    ASSERT_TRUE(Select(Start + 1.1));
    EXPECT_NEAR(ArchiveEpoch(line1), Start + 2, 1e-6);
}

// A NOAA-19 set in NOAA-18's file, nearest the pass, placed the pass over
// Antarctica: sets of another satellite are left out and reported once.
TEST_F(KeplersTest, SetsOfAnotherSatelliteAreLeftOutAndReported) {
    const auto setOf = [](TDateTime date, int revolution, int catalog) {
        const testing::TleElements e = SetAt(date, revolution, catalog);
        return TleLine1(e) + "\n" + TleLine2(e) + "\n";
    };
    WriteMain("NOAA-18", setOf(Start, 50000, 28654) + setOf(Start + 10, 50140, 28654) + setOf(Start + 20, 90000, 33591) +
                             setOf(Start + 21, 90014, 33591) + setOf(Start + 30, 50420, 28654));
    WriteUpdate("NOAA-18", setOf(Start + 35, 90100, 33591));
    std::string mainSource, updateSource;
    keplers.KeplerBaseFolder = Base();
    ASSERT_TRUE(keplers.GetElements("NOAA-18", "28654", Start + 20.2, true, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(line1.substr(2, 5), "28654");
    EXPECT_NEAR(ArchiveEpoch(line1), Start + 30, 1e-6) << "the own set after the foreign ones stays in";
    EXPECT_NEAR(age, 9.8, 1e-6);
    const std::string file = Base() + "Keps/NOAA-18.txt";
    const std::vector<std::string> expected = {
        "Kepler data file " + file + " holds 2 element sets of another satellite (catalogue number 33591, not "
        "NOAA-18's 28654): left out",
        "Kepler data file " + Base() + "Keps/Updates/NOAA-18.txt holds 1 element set of another satellite (catalogue "
        "number 33591, not NOAA-18's 28654): left out"};
    EXPECT_EQ(keplers.Findings, expected);
    EXPECT_EQ(keplers.Warnings, expected);
    // Read again for the next pass: still one line each.
    ASSERT_TRUE(keplers.GetElements("NOAA-18", "28654", Start, true, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(keplers.Warnings, expected);
    keplers.ClearWarnings();
    EXPECT_TRUE(keplers.Warnings.empty());
    // Sets of two other satellites in one file: one line for the file.
    WriteMain("NOAA-18", setOf(Start, 50000, 28654) + setOf(Start + 1, 90000, 33591) + setOf(Start + 2, 9000, 25338) +
                             setOf(Start + 3, 90014, 33591));
    std::filesystem::remove(Base() + "Keps/Updates/NOAA-18.txt");
    ASSERT_TRUE(keplers.GetElements("NOAA-18", "28654", Start, true, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(keplers.Warnings, std::vector<std::string>{"Kepler data file " + file + " holds 3 element sets of other "
                                                         "satellites (catalogue numbers 33591, 25338, not NOAA-18's "
                                                         "28654): left out"});
    keplers.ClearWarnings();

    // A satellite without a known number: the number most sets carry is its own.
    WriteMain("SATELLITE-X", setOf(Start, 100, 11111) + setOf(Start + 1, 114, 22222) + setOf(Start + 2, 128, 11111));
    ASSERT_TRUE(keplers.SelectArchiveSet("SATELLITE-X", Base(), true, message, age, mainFile, updateFile, line1, line2,
                                         Start + 1));
    EXPECT_EQ(line1.substr(2, 5), "11111");
    // An archive of nothing but another satellite's sets has none for this one.
    WriteMain("NOAA-15", setOf(Start, 100, 33591));
    EXPECT_FALSE(Select(Start, true));
    EXPECT_EQ(message, "Kepler data file: " + Base() + "Keps/NOAA-15.txt holds no element set of NOAA-15");
}

TEST_F(KeplersTest, CatalogueOrArchiveWhicheverIsNearer) {
    temp.Write("elements/catalogue.tle", "NOAA 15\n" + ArchiveText(Start + 30.5, 1));
    WriteMain("NOAA-15", ArchiveText(Start, 31));
    keplers.SetCatalogueDirectory(Base());
    EXPECT_EQ(keplers.KeplerBaseFolder, Base());
    std::string mainSource, updateSource;
    // Equally old: the archive wins.
    ASSERT_TRUE(keplers.GetElements("NOAA-15", "25338", Start + 30.0, false, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(mainSource, Base() + "Keps/NOAA-15.txt");
    EXPECT_NEAR(age, 0.0, 1e-6);
    ASSERT_TRUE(keplers.GetElements("NOAA-15", "25338", Start + 30.25, false, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(mainSource, Base() + "Keps/NOAA-15.txt");
    EXPECT_DOUBLE_EQ(age, -0.25);
    // The catalogue set is nearer: its file is named with its folder.
    ASSERT_TRUE(keplers.GetElements("NOAA-15", "25338", Start + 30.4, false, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(mainSource, Base() + "catalogue.tle");
    EXPECT_NEAR(age, 0.1, 1e-6);
    EXPECT_NEAR(ArchiveEpoch(line1), Start + 30.5, 1e-6);
    // Only the catalogue knows the satellite.
    ASSERT_TRUE(keplers.GetElements("NOAA-16", "25338", Start, true, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(mainSource, Base() + "catalogue.tle");
    EXPECT_TRUE(updateSource.empty());
    // Neither: the archive's message unless quiet.
    EXPECT_FALSE(keplers.GetElements("NOAA-16", "26536", Start, true, line1, line2, mainSource, updateSource, age));
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(keplers.GetElements("NOAA-16", "26536", Start, false, line1, line2, mainSource, updateSource, age));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].text.rfind("****  WARNING  ****", 0), 0u);
    // Sought again for the same pass: said once; for the next pass, again.
    EXPECT_FALSE(keplers.GetElements("NOAA-16", "26536", Start, false, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(Shown().size(), 1u);
    keplers.ClearWarnings();
    EXPECT_FALSE(keplers.GetElements("NOAA-16", "26536", Start, false, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(Shown().size(), 2u);
}

// Sets are paired by their line numbers and catalogue numbers: a blank,
// stray or missing line costs only its own set, a main file ending in half a
// set keeps the update file, and a wrong checksum is reported but the set used.
// The name line before a line 1 ("NOAA 15") is a three-line file's, not a fault.
TEST_F(KeplersTest, DamagedLinesCostOnlyTheirOwnSets) {
    std::vector<std::string> set[6];
    for (int i = 0; i < 6; ++i) {
        const testing::TleElements e = SetAt(Start + i, 1000 + 14 * i);
        set[i] = {TleLine1(e), TleLine2(e)};
    }
    std::string wrongChecksum = set[3][0];
    wrongChecksum.back() = wrongChecksum.back() == '0' ? '1' : '0';
    WriteMain("NOAA-15", set[0][0] + "\n" + set[0][1] + "\n\n" + set[1][0] + "\n" + set[1][1] + "\nNOAA 15\n" +
                             set[2][0] + "\n" + wrongChecksum + "\n" + set[3][1] + "\n" + set[4][0] + "\n");
    WriteUpdate("NOAA-15", set[5][1] + "\n" + set[5][0] + "\n" + set[5][1] + "\n");
    ASSERT_TRUE(Find("NOAA-15"));
    EXPECT_EQ(lines, (std::vector<std::string>{set[0][0], set[0][1], set[1][0], set[1][1], wrongChecksum, set[3][1],
                                               set[5][0], set[5][1]}));
    const std::string inMain = "Kepler data file " + mainFile + ", line ";
    EXPECT_EQ(keplers.Findings,
              (std::vector<std::string>{inMain + "7: line 1 without its line 2 skipped",
                                        inMain + "8: checksum does not match (the set is still used)",
                                        inMain + "10: line 1 without its line 2 skipped",
                                        "Kepler data file " + updateFile + ", line 1: line 2 without its line 1 skipped"}));
    // The operator hears of each damaged file once, in a line of its own.
    const std::string told = " holds damaged element sets, left out (skipped lines: ";
    EXPECT_EQ(keplers.Warnings, (std::vector<std::string>{"Kepler data file " + mainFile + told + "2; the pass's diagnostics name each)",
                                                          "Kepler data file " + updateFile + told + "1; the pass's diagnostics name each)"}));
    EXPECT_TRUE(Select(Start + 5.1));
    EXPECT_EQ(line1, set[5][0]) << "the update file's set is chosen";
}

// An update file alone, as the daily fetch leaves it for a satellite the
// feed lacks: what is told of it names it.
TEST_F(KeplersTest, AnUpdateFileAloneIsNamedInWhatIsTold) {
    const testing::TleElements e = SetAt(Start, 1000);
    for (const auto& [text, told] : {std::pair<std::string, std::string>{"x\n", " is invalid because it has less than two lines"},
                                     {TleLine1(e).substr(0, 40) + "\n" + TleLine2(e) + "\n", " holds no usable element set: line 1, cut"}}) {
        const std::string update = WriteUpdate("NOAA-15", text);
        EXPECT_FALSE(Find("NOAA-15"));
        EXPECT_EQ(message.rfind("Kepler data file: " + update + told, 0), 0u) << message;
    }
    // Empty, it is a feed without the satellite: no damaged file.
    for (const std::string empty : {"", "\r\n"}) {
        const std::string update = WriteUpdate("NOAA-15", empty);
        EXPECT_FALSE(Find("NOAA-15"));
        EXPECT_EQ(message, "No element sets for NOAA-15: " + Base() + "Keps/NOAA-15.txt does not exist, and the update file " +
                               update + " is empty (its feed holds no sets for it)");
    }
}

// An installed program's folder holds no archives: the user's data folder is sought too.
TEST_F(KeplersTest, ArchivesInTheUsersDataFolder) {
    temp.Write("data/Kestrune/Keps/NOAA-15.txt", ArchiveText(Start, 2));
    EXPECT_TRUE(keplers.FindKeplerFile("NOAA-15", "", message, mainFile, updateFile, lines)) << message;
    EXPECT_EQ(mainFile, temp.Path() + "data/Kestrune/Keps/NOAA-15.txt");
}

}  // namespace
}  // namespace kestrune
