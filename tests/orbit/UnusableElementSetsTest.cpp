// Element sets that cannot be used: fields that are no numbers, lines
// without their checksum digit, archives of binary bytes, a file's own set
// that is broken, and no archive folder at all. Each is told truly, in
// printable text, and the pass is left to a good set where one exists.
#include "orbit/Keplers.h"
#include "orbit/Orbits.h"
#include "orbit/Satellite.h"
#include "orbit/SatelliteList.h"
#include "orbit/TextLines.h"

#include "OrbitTestFiles.h"
#include "platform/ProgramFolder.h"
#include "platform/ResCodePages.h"
#include "tests/support/LocaleFileNames.h"
#include "tests/support/FileStandIns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace kestrune {
namespace {

using testing::ArchiveText;
using testing::SetAt;
using testing::TleLine1;
using testing::TleLine2;

const TDateTime Start = EncodeDate(2023, 12, 1);

// The epoch of a set with letters in it, as the station found it.
std::string WithLetteredEpoch(std::string line1) { return line1.replace(18, 14, "2312X.4000000Z"); }

bool Printable(const std::string& text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || (c >= ' ' && c <= '~'); });
}

class UnusableElementSetsTest : public ::testing::Test {
protected:
    testing::TempFolder temp;
    TKeplerData keplers;
    std::string line1, line2, mainSource, updateSource;
    double age = 0.0;

    void SetUp() override { keplers.KeplerBaseFolder = temp.Path() + "elements/"; }
    void WriteMain(const std::string& text) { temp.Write("elements/Keps/NOAA-15.txt", text); }
    bool Get() { return keplers.GetElements("NOAA-15", "25338", Start, false, line1, line2, mainSource, updateSource, age); }
    std::string Shown() const {
        std::string texts;
        for (const TDialogRequest& request : TDialogService::Instance().Requests()) texts += request.text + "\n";
        return texts;
    }
};

TEST(ElementSetFault, FieldsThatAreNoNumbersAreNamed) {
    const testing::TleElements e = SetAt(Start, 1000);
    EXPECT_EQ(ElementSetFault(TleLine1(e), TleLine2(e)), "");
    EXPECT_EQ(ElementSetFault(TleLine1(e).substr(0, 68), TleLine2(e).substr(0, 68)), "") << "no checksum digits";
    EXPECT_EQ(ElementSetFault(WithLetteredEpoch(TleLine1(e)), TleLine2(e)),
              "line 1, columns 19-32 (epoch), \"2312X.4000000Z\", are not a number");
    std::string motion = TleLine2(e);
    motion.replace(52, 3, "1O.");  // a letter O for a zero
    EXPECT_EQ(ElementSetFault(TleLine1(e), motion).rfind("line 2, columns 53-63 (mean motion)", 0), 0u);
    std::string twoPoints = TleLine2(e);
    twoPoints.replace(8, 8, " 98.9.00");
    EXPECT_NE(ElementSetFault(TleLine1(e), twoPoints).find("(inclination)"), std::string::npos);
    EXPECT_EQ(ElementSetFault(TleLine2(e), TleLine1(e)), "the lines do not begin with 1 and 2");
    EXPECT_EQ(ElementSetFault(TleLine1(e), TleLine2(SetAt(Start, 1000, 28654))), "the lines hold different catalogue numbers");
    EXPECT_EQ(ElementSetFault(TleLine1(e), TleLine2(e).substr(0, 67)), "a line is shorter than 68 characters");
}

// "2312X.4000000Z" read as a number gave a set 45,050 days out of date.
TEST_F(UnusableElementSetsTest, ASetWithLettersInANumberIsInvalidAndTold) {
    const testing::TleElements e = SetAt(Start, 1000);
    WriteMain(WithLetteredEpoch(TleLine1(e)) + "\n" + TleLine2(e) + "\n");
    EXPECT_FALSE(Get());
    EXPECT_NE(Shown().find("holds no usable element set: line 1, columns 19-32 (epoch), \"2312X.4000000Z\", are not a "
                           "number"),
              std::string::npos)
        << Shown();
    // Among good sets it costs only itself.
    WriteMain(ArchiveText(Start - 3, 2) + WithLetteredEpoch(TleLine1(e)) + "\n" + TleLine2(e) + "\n");
    ASSERT_TRUE(Get());
    EXPECT_NEAR(age, -2.0, 1e-6);
}

// The catalogue folder leaves such a set out instead of reading its epoch as 0.
TEST_F(UnusableElementSetsTest, TheCatalogueLeavesASetWithLettersOut) {
    const testing::TleElements e = SetAt(Start, 1000);
    temp.Write("tle/lettered.tle", "NOAA 15\n" + WithLetteredEpoch(TleLine1(e)) + "\n" + TleLine2(e) + "\n");
    EXPECT_EQ(TSatelliteList(temp.Path() + "tle/").IndexOfSatellite("25338"), -1);
    temp.Write("tle/lettered.tle", "NOAA 15\n" + TleLine1(e) + "\n" + TleLine2(e) + "\n");
    EXPECT_GE(TSatelliteList(temp.Path() + "tle/").IndexOfSatellite("25338"), 0);
}

// The catalogue takes element lines of 68 characters; the archives do too.
TEST_F(UnusableElementSetsTest, LinesWithoutTheirChecksumDigitAreTaken) {
    const testing::TleElements e = SetAt(Start - 1, 1000);
    WriteMain(TleLine1(e).substr(0, 68) + "\n" + TleLine2(e).substr(0, 68) + "\n");
    ASSERT_TRUE(Get()) << Shown();
    EXPECT_NEAR(age, -1.0, 1e-6);
    EXPECT_EQ(Shown(), "");
}

// A binary file in place of an archive: what is shown of it is printable.
TEST_F(UnusableElementSetsTest, ABinaryArchiveIsShownAsPrintableText) {
    std::string bytes;
    for (int i = 0; i < 4000; ++i) bytes += static_cast<char>((i * 97 + 13) % 256);
    WriteMain(bytes);
    EXPECT_FALSE(Get());
    ASSERT_NE(Shown(), "");
    EXPECT_TRUE(Printable(Shown())) << Shown();
    EXPECT_TRUE(Printable(PrintableText(bytes)));
    EXPECT_EQ(PrintableText("1 25338U\x01\x1b\x7f\xe9"), "1 25338U????");
    EXPECT_EQ(PrintableText(std::string(100, 'x')), std::string(80, 'x') + "...");
}

// A file's own set that cannot be used leaves the pass to the archive's.
TEST_F(UnusableElementSetsTest, AnUnusableEmbeddedSetFallsBackToTheArchives) {
    WriteMain(ArchiveText(Start - 2, 1));
    TOrbit orbit;
    orbit.Keplers->KeplerBaseFolder = keplers.KeplerBaseFolder;
    orbit.SetSatelliteName("NOAA-15");
    const testing::TleElements e = SetAt(Start, 1000);
    orbit.UseEmbeddedKeplers(WithLetteredEpoch(TleLine1(e)), TleLine2(e), Start);
    ASSERT_TRUE(orbit.ElementsValid);
    EXPECT_NEAR(orbit.ElementAge, -2.0, 1e-6);
    ASSERT_EQ(orbit.Keplers->Warnings.size(), 1u);
    EXPECT_EQ(orbit.Keplers->Warnings[0], "The element set in the file cannot be used (line 1, columns 19-32 (epoch), "
                                          "\"2312X.4000000Z\", are not a number): the sets of the Kepler archives are "
                                          "used instead");
    orbit.UseEmbeddedKeplers(TleLine1(e), TleLine2(e), Start);
    EXPECT_EQ(orbit.MainElementSource, "embedded Keplers in source data");
    EXPECT_NEAR(orbit.ElementAge, 0.0, 1e-6);
}

// No archive folder anywhere: every folder sought is named.
TEST_F(UnusableElementSetsTest, AMissingArchiveFolderNamesEveryFolderSought) {
    keplers.KeplerBaseFolder = temp.Path() + "nowhere/";
    EXPECT_FALSE(Get());
    const std::string shown = Shown();
    EXPECT_EQ(shown.rfind("Folder for Kepler data: " + temp.Path() + "nowhere/Keps/ was not found, nor ", 0), 0u) << shown;
    EXPECT_NE(shown.find(", nor " + UserDataFolder() + "Keps/"), std::string::npos) << shown;
    // Named in the locale's bytes and with a "ü" in UTF-8, a folder goes to standard error as its bytes.
    const testing::TLocaleEnvironment latin("de_DE.ISO-8859-1");
    const std::string base = temp.Path() + "app_\xDC_\xC3\xBC/";
    std::string message, mainFile, updateFile;
    std::vector<std::string> lines;
    EXPECT_FALSE(keplers.FindKeplerFile("NOAA-15", base, message, mainFile, updateFile, lines));
    EXPECT_EQ(LocaleTextFromUtf8(message).rfind("Folder for Kepler data: " + base + "Keps/ was not found", 0), 0u);
}

// Values no orbit has are refused with their cause, not used or failed on:
// the inclination of 200 degrees was used, the others were told nothing.
TEST(ElementSetFault, ValuesNoOrbitHasAreNamed) {
    testing::TleElements e = SetAt(Start, 1000);
    e.inclination = 200.0;
    EXPECT_EQ(ElementSetFault(TleLine1(e), TleLine2(e)),
              "line 2, columns 9-16 (inclination), \"200.0000\", are no inclination (0 to 180 degrees)");
    e = SetAt(Start, 1000);
    e.meanMotion = 0.0;
    EXPECT_EQ(ElementSetFault(TleLine1(e), TleLine2(e)),
              "line 2, columns 53-63 (mean motion), \" 0.00000000\", are no orbit (revolutions a day)");
    e = SetAt(Start, 1000);
    e.eccentricity = 0.9999999;
    EXPECT_EQ(ElementSetFault(TleLine1(e), TleLine2(e)),
              "line 2, columns 27-33 (eccentricity), \"9999999\", put the perigee 6378 km inside the earth");
    // Orbits that satellites fly are kept: retrograde, a Molniya orbit, the geostationary one.
    e = SetAt(Start, 1000);
    e.inclination = 180.0;
    EXPECT_EQ(ElementSetFault(TleLine1(e), TleLine2(e)), "");
    e.inclination = 63.4;
    e.eccentricity = 0.74;
    e.meanMotion = 2.006;
    EXPECT_EQ(ElementSetFault(TleLine1(e), TleLine2(e)), "");
    e.eccentricity = 0.0002;
    e.meanMotion = 1.0027;
    EXPECT_EQ(ElementSetFault(TleLine1(e), TleLine2(e)), "");
}

// Each archive that holds no usable set is told why, truly: the lines did
// begin with 1 and 2.
TEST_F(UnusableElementSetsTest, EachRefusedArchiveNamesItsRealCause) {
    const testing::TleElements e = SetAt(Start, 1000);
    const std::string otherNumber = TleLine2(SetAt(Start, 1000, 28654));
    struct TCase {
        std::string Text;
        std::string Cause;
    };
    testing::TleElements noOrbit = e;
    noOrbit.meanMotion = 0.0;
    for (const TCase& refused :
         {TCase{TleLine1(e) + "\n" + otherNumber + "\n", "line 2, catalogue number 28654 is not line 1's 25338"},
          TCase{TleLine1(e).substr(0, 40) + "\n" + TleLine2(e).substr(0, 40) + "\n", "line 1, cut to 40 characters, not 69"},
          TCase{TleLine1(noOrbit) + "\n" + TleLine2(noOrbit) + "\n", "line 2, columns 53-63 (mean motion)"},
          TCase{"NOAA 15\n" + TleLine1(e) + "\n", "line 2, line 1 without its line 2"}}) {
        SCOPED_TRACE(refused.Cause);
        TDialogService::Instance().ClearScript();
        keplers.ClearWarnings();
        WriteMain(refused.Text);
        EXPECT_FALSE(Get());
        EXPECT_NE(Shown().find("holds no usable element set: " + refused.Cause), std::string::npos) << Shown();
        EXPECT_EQ(Shown().find("do not start with"), std::string::npos) << Shown();
    }
}

// A three-line file names each set on the line before its line 1: that line
// is no fault; a line that names nothing still is.
TEST_F(UnusableElementSetsTest, TheNameLineOfAThreeLineFileIsNotSkipped) {
    const testing::TleElements e = SetAt(Start, 1000);
    WriteMain("NOAA 15                 \n" + TleLine1(e) + "\n" + TleLine2(e) + "\n");
    ASSERT_TRUE(Get());
    EXPECT_TRUE(keplers.Findings.empty()) << keplers.Findings.front();
    WriteMain("NOAA 15\n" + TleLine1(e) + "\n" + TleLine2(e) + "\nNOAA 15\n");
    ASSERT_TRUE(Get());
    ASSERT_EQ(keplers.Findings.size(), 1u);
    EXPECT_NE(keplers.Findings[0].find("line 4: not an element line, skipped"), std::string::npos);
}

// A file larger than any element-set file is not read at all (2 GB took
// 4.2 GB and 65 s): it is told, and an update file's sets still serve.
TEST_F(UnusableElementSetsTest, AnArchiveLargerThanAnyIsToldAndNotRead) {
    const testing::TleElements e = SetAt(Start, 1000);
    WriteMain(TleLine1(e) + "\n" + TleLine2(e) + "\n");
    const std::string mainFile = temp.Path() + "elements/Keps/NOAA-15.txt";
    std::filesystem::resize_file(mainFile, LargestElementSetFile + 1);
    EXPECT_FALSE(Get());
    EXPECT_NE(Shown().find("NOAA-15.txt holds 65 MB, more than any element-set file (64 MB): it is not read"),
              std::string::npos)
        << Shown();
    temp.Write("elements/Keps/Updates/NOAA-15.txt", ArchiveText(Start - 1, 1));
    ASSERT_TRUE(Get());
    ASSERT_EQ(keplers.Warnings.size(), 1u);
    EXPECT_NE(keplers.Warnings[0].find("holds 65 MB"), std::string::npos);
    // The catalogue passes such a file over too.
    temp.Write("tle/huge.tle", "NOAA 15\n" + TleLine1(e) + "\n" + TleLine2(e) + "\n");
    std::filesystem::resize_file(temp.Path() + "tle/huge.tle", LargestElementSetFile + 1);
    EXPECT_EQ(TSatelliteList(temp.Path() + "tle/").IndexOfSatellite("25338"), -1);
}

// An archive that is a named pipe or a device is told as what it is, not as
// missing nor passed over, and never waited on; an update file's sets still serve.
TEST_F(UnusableElementSetsTest, AnArchiveThatIsNoFileIsToldAsWhatItIs) {
    const std::string mainFile = temp.Path() + "elements/Keps/NOAA-15.txt";
    using testing::TFileStandIn;
    const std::vector<std::pair<TFileStandIn, std::string>> cases{
        {TFileStandIn::Pipe, mainFile + " is a named pipe: it is left as it is"},
        {TFileStandIn::LinkToZero, mainFile + " is a device: it is left as it is"},
    };
    for (const auto& [standIn, told] : cases) {
        SCOPED_TRACE(told);
        std::filesystem::remove_all(temp.Path() + "elements");
        WriteMain("");
        testing::PutStandIn(mainFile, standIn);
        TDialogService::Instance().ClearScript();
        EXPECT_FALSE(Get());
        EXPECT_NE(Shown().find(told), std::string::npos) << Shown();
        EXPECT_EQ(Shown().find("Missing Kepler data file"), std::string::npos) << Shown();
        temp.Write("elements/Keps/Updates/NOAA-15.txt", ArchiveText(Start - 1, 1));
        ASSERT_TRUE(Get());
        ASSERT_EQ(keplers.Warnings.size(), 1u);
        EXPECT_NE(keplers.Warnings[0].find(told), std::string::npos) << keplers.Warnings[0];
        keplers.ClearWarnings();
    }
}

}  // namespace
}  // namespace kestrune
