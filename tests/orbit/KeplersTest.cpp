#include "orbit/Keplers.h"

#include "OrbitTestFiles.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cmath>

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
    EXPECT_FALSE(IsElementLine(l1.substr(0, 68)));
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

TEST_F(KeplersTest, UndatedOrBackwardArchivesAreReported) {
    const std::string description = "file: " + Base() + "Keps/NOAA-15.txt";
    std::string text = ArchiveText(Start + 10, 2) + ArchiveText(Start, 2, 1.0, 2000);
    WriteMain("NOAA-15", text);
    EXPECT_FALSE(Select(Start, true));
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(Select(Start));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].text.rfind("The last Kepler sets in " + description +
                                    " are dated earlier or the same date as the first Kepler  sets so I cannot "
                                    "interpolate between them.  Please check  these file(s) carefully.  The first "
                                    "date found was: 2020-January-11 00:00 and the last date found was: "
                                    "2020-January-02 00:00.  The start and end of the file was seen as: ",
                                    0),
              0u);

    text = ArchiveText(Start, 4);
    std::string undated = text;
    undated.replace(20, 3, "ABC");
    WriteMain("NOAA-15", undated);
    EXPECT_FALSE(Select(Start));
    EXPECT_EQ(Shown().back().text.rfind("Could not determine the date of the first Keplers  in " + description +
                                        ".  The first two lines were seen as: ",
                                        0),
              0u);
    undated = text;
    undated.replace(6 * 70 + 20, 3, "ABC");
    WriteMain("NOAA-15", undated);
    EXPECT_FALSE(Select(Start));
    EXPECT_EQ(Shown().back().text.rfind("Could not determine the date of the last Keplers  in " + description, 0), 0u);
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
    // The catalogue set is nearer.
    ASSERT_TRUE(keplers.GetElements("NOAA-15", "25338", Start + 30.4, false, line1, line2, mainSource, updateSource, age));
    EXPECT_EQ(mainSource, "catalogue.tle");
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
}

// Sets are paired by their line numbers and catalogue numbers: a blank,
// stray or missing line costs only its own set, a main file ending in half a
// set keeps the update file, and a wrong checksum is reported but the set used.
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
              (std::vector<std::string>{inMain + "6: not an element line, skipped",
                                        inMain + "7: line 1 without its line 2 skipped",
                                        inMain + "8: checksum does not match (the set is still used)",
                                        inMain + "10: line 1 without its line 2 skipped",
                                        "Kepler data file " + updateFile + ", line 1: line 2 without its line 1 skipped"}));
    EXPECT_TRUE(Select(Start + 5.1));
    EXPECT_EQ(line1, set[5][0]) << "the update file's set is chosen";
}

// An installed program's folder holds no archives: the user's data folder is sought too.
TEST_F(KeplersTest, ArchivesInTheUsersDataFolder) {
    temp.Write("data/Kestrune/Keps/NOAA-15.txt", ArchiveText(Start, 2));
    EXPECT_TRUE(keplers.FindKeplerFile("NOAA-15", "", message, mainFile, updateFile, lines)) << message;
    EXPECT_EQ(mainFile, temp.Path() + "data/Kestrune/Keps/NOAA-15.txt");
}

}  // namespace
}  // namespace kestrune
