#include "orbit/SatelliteList.h"

#include "OrbitTestFiles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrune {
namespace {

using testing::TempFolder;
using testing::TleElements;
using testing::TleLine1;
using testing::TleLine2;

TleElements Set(int catalog, double epochDay = 100.5) {
    TleElements e;
    e.catalog = catalog;
    e.epochDay = epochDay;
    return e;
}

std::string Record(const std::string& name, const TleElements& e, const char* eol = "\n") {
    return name + eol + TleLine1(e) + eol + TleLine2(e) + eol;
}

class SatelliteListTest : public ::testing::Test {
protected:
    TempFolder temp;
    std::string Folder() const { return temp.Path() + "tle/"; }
};

TEST_F(SatelliteListTest, FolderOfElementFilesAndNotes) {
    temp.Write("tle/weather.tle", Record("NOAA 15", Set(25338), "\r\n") + Record("NOAA 19", Set(33591), "\r\n"));
    temp.Write("tle/METOP.2LI", Record("METOP-A", Set(29499)));
    temp.Write("tle/plain.txt", TleLine1(Set(40069)) + "\n" + TleLine2(Set(40069)) + "\n" + TleLine1(Set(44387)) +
                                    "\n" + TleLine2(Set(44387)) + "\n");
    temp.Write("tle/TLEnotes.txt", Record("NOT A SET", Set(11111)) + "25338 137.62 +3.5 LD=1998/05/13@10:30 abc\n");
    temp.Write("tle/ignored.dat", Record("IGNORED", Set(22222)));

    TSatelliteList list(temp.Path() + "tle");
    EXPECT_EQ(list.Directory, Folder());
    ASSERT_EQ(list.Count(), 5);
    // Sorted by name; sets without a name line go under their catalogue number.
    EXPECT_EQ(list.Strings(0), "40069");
    EXPECT_EQ(list.Strings(1), "44387");
    EXPECT_EQ(list.Strings(2), "METOP-A");
    EXPECT_EQ(list.Strings(3), "NOAA 15");
    EXPECT_EQ(list.Strings(4), "NOAA 19");
    EXPECT_EQ(list.IndexOfSatellite("11111"), -1);
    EXPECT_EQ(list.IndexOfSatellite("22222"), -1);
    EXPECT_EQ(list.GetSatellite(list.IndexOfSatellite("29499"))->SourceFile, "METOP.2LI");
    EXPECT_EQ(list.IndexOf("noaa 19"), 4);

    const TSatellite& noaa15 = *list.GetSatellite(list.IndexOfSatellite("25338"));
    EXPECT_EQ(noaa15.SourceFile, "weather.tle");
    EXPECT_DOUBLE_EQ(noaa15.DownlinkFrequency, 137.62);
    EXPECT_DOUBLE_EQ(noaa15.SignedValue, 3.5);
    EXPECT_EQ(noaa15.Notes, "abc");
    EXPECT_NEAR(noaa15.LaunchDate, DateTimeToJulian(EncodeDate(1998, 5, 13) + EncodeTime(10, 30, 0, 0)), 1e-9);
}

TEST_F(SatelliteListTest, RecordWalkSkipsSeparatorsJunkAndBadRecords) {
    TleElements noChecksum = Set(10001);
    TleElements badNumbers = Set(10002);
    TleElements zeroMotion = Set(10003);
    zeroMotion.meanMotion = 0.0;
    TleElements wrongChecksum = Set(10004);
    std::string wrong2 = TleLine2(wrongChecksum);
    wrong2.back() = wrong2.back() == '0' ? '1' : '0';
    std::string badLine2 = TleLine2(Set(10009));

    const std::string text = "\n--\n  FIRST ONE  \n" + TleLine1(noChecksum).substr(0, 68) + "\n" +
                             TleLine2(noChecksum).substr(0, 68) + "\n" +  // 68 characters: no checksum
                             "--\n\nSECOND\n" + TleLine1(badNumbers) + "\n" + badLine2 + "\n" +
                             "THIRD\n" + TleLine1(zeroMotion) + "\n" + TleLine2(zeroMotion) + "\n" +
                             "A NAME LONGER THAN TWENTY-FOUR CHARACTERS\njunk\n" + TleLine2(wrongChecksum).substr(0, 67) +
                             "\n" + TleLine1(wrongChecksum) + "\n" + wrong2 + "\n";
    const std::string file = temp.Write("walk.tle", text);
    TSatelliteList list("");
    list.LoadFromFile(file);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(0), "A NAME LONGER THAN TWENT");
    EXPECT_EQ(list.Strings(1), "FIRST ONE");
    EXPECT_EQ(list.IndexOfSatellite("10002"), -1);
    EXPECT_EQ(list.IndexOfSatellite("10003"), -1);
    EXPECT_EQ(list.GetSatellite(list.IndexOfSatellite("10004"))->Name, "A NAME LONGER THAN TWENT");
}

TEST_F(SatelliteListTest, LatestEpochOfACatalogueNumberWins) {
    TSatelliteList list("");
    TSatellite* older = list.AddFromLines("a.tle", "SAT A", TleLine1(Set(12345, 100.0)), TleLine2(Set(12345, 100.0)));
    TSatellite* newer = list.AddFromLines("b.tle", "SAT B", TleLine1(Set(12345, 101.0)), TleLine2(Set(12345, 101.0)));
    ASSERT_NE(older, nullptr);
    ASSERT_NE(newer, nullptr);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Strings(0), "SAT B");
    EXPECT_EQ(list.GetSatellite(0)->SourceFile, "b.tle");
    // An older or equal epoch leaves the entry as it is.
    EXPECT_EQ(list.AddFromLines("c.tle", "SAT C", TleLine1(Set(12345, 99.0)), TleLine2(Set(12345, 99.0))), newer);
    EXPECT_EQ(list.AddFromLines("d.tle", "SAT D", TleLine1(Set(12345, 101.0)), TleLine2(Set(12345, 101.0))), newer);
    EXPECT_EQ(list.Strings(0), "SAT B");
    // The same name with another catalogue number replaces the entry too.
    list.AddFromLines("e.tle", "SAT B", TleLine1(Set(54321, 102.0)), TleLine2(Set(54321, 102.0)));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.IndexOfSatellite("12345"), -1);
    EXPECT_EQ(list.IndexOfSatellite("54321"), 0);
    // A name held by another satellite is not taken over.
    list.AddFromLines("f.tle", "OTHER", TleLine1(Set(11111, 100.0)), TleLine2(Set(11111, 100.0)));
    TSatellite* kept = list.AddFromLines("g.tle", "SAT B", TleLine1(Set(11111, 105.0)), TleLine2(Set(11111, 105.0)));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(kept->Name, "OTHER");
    EXPECT_EQ(kept->SourceFile, "f.tle");
    // Invalid records change nothing.
    EXPECT_EQ(list.AddFromLines("h.tle", "X", TleLine2(Set(99999)), TleLine1(Set(99999))), nullptr);
    std::string blankNumber = TleLine1(Set(99999));
    blankNumber.replace(2, 5, "     ");
    std::string blankNumber2 = TleLine2(Set(99999));
    blankNumber2.replace(2, 5, "     ");
    EXPECT_EQ(list.AddFromLines("h.tle", "X", blankNumber, blankNumber2), nullptr);
    EXPECT_EQ(list.Count(), 2);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(SatelliteListTest, NoaaLetterNamesBecomeNumbers) {
    const std::string file = temp.Write("letters.txt", Record("NOAA-M", Set(27453)) + Record("NOAA-N", Set(28654)));
    TSatelliteList list("");
    list.ReadTLEFile(file);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Strings(0), "NOAA 17");
    EXPECT_EQ(list.Strings(1), "NOAA 18");
    EXPECT_DOUBLE_EQ(list.GetSatellite(1)->DownlinkFrequency, 137.9125);
}

}  // namespace
}  // namespace kestrune
