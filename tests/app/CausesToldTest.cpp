// Runs the built kestrune program on passes whose locations or frames are
// damaged and checks that standard error tells the true cause, in the
// language in effect.
#include "tests/app/EndToEndRun.h"

#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/StationFileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using CausesToldTest = testing::TEndToEndRun;
using testing::LinesOf;

bool Begins(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&text](const std::string& line) { return line.rfind("kestrune: " + text, 0) == 0; });
}

bool Holds(const std::vector<std::string>& lines, const std::string& text) {
    return std::any_of(lines.begin(), lines.end(),
                       [&text](const std::string& line) { return line.find(text) != std::string::npos; });
}

// A NOAA-18 Level 1b file of 400 records whose navigation was lost (its
// locations zeros, or each record's status flagged invalid): a file that
// carries its own locations is never told it lacks element sets, and gets
// no line in the log of processed passes and no file of locations; a record
// or a few damaged leave the map, the line and every product in place.
TEST_F(CausesToldTest, ALevel1bFileWithoutLocationsIsToldSo) {
    InstallHelpAndLanguage();
    constexpr int32_t Records = 400, LocationsAt = 640, LocationBytes = 408, StatusAt = 312;
    test::TL1BPassSpec level1b;
    level1b.Records = Records;
    level1b.Frames.SpacecraftId = 13;
    const test::TBytes intact = test::BuildL1BFile(level1b);
    const size_t recordBytes = static_cast<size_t>(test::L1BRecordBytes(level1b));
    const size_t firstRecord = intact.size() - Records * recordBytes;
    struct TDamage {
        const char* Name;
        int32_t First, Last;  // records damaged, inclusive
        int Status;
        std::vector<std::string> Told;  // lines of standard error begin so
        bool Flagged = false;           // the status says invalid (bits 12-15: 4), else the locations are zeros
    };
    const std::vector<std::string> noLocations = {
        "None of the file's 400 records carries a valid earth location of its own: no overlays are drawn",
        "The file's records carry no earth locations that fit the image: accurate sea-surface temperature data "
        "cannot be saved.",
        "-GROUPB: the SST data was not written"};
    const TDamage damages[] = {
        {"every record", 0, Records - 1, 3, noLocations},
        {"every record flagged invalid", 0, Records - 1, 3, noLocations, true},
        {"record 200", 200, 200, 0, {}},
        {"records 200-215", 200, 215, 0, {}},
    };
    for (const TDamage& damage : damages) {
        SCOPED_TRACE(damage.Name);
        test::TBytes bytes = intact;
        for (int32_t record = damage.First; record <= damage.Last; ++record) {
            const size_t start = firstRecord + record * recordBytes;
            const auto at = bytes.begin() + static_cast<std::ptrdiff_t>(start + LocationsAt);
            if (damage.Flagged)
                bytes[start + StatusAt + 2] = static_cast<uint8_t>((bytes[start + StatusAt + 2] & 0x0F) | 0x40);
            else
                std::fill(at, at + LocationBytes, 0);
        }
        fs::remove(folder / "program/processed.lst");
        test::WriteFileBytes(Data(level1b.DataSetName), bytes);
        fs::remove(folder / "program.log");
        const testing::TRunResult run = RunWith({Data(level1b.DataSetName), "-OUTPUT:" + Out(""), "-boundaries",
                                                 "-FC:x.jpg", "-GROUPB:"});
        const std::vector<std::string> told = LinesOf(Log());
        EXPECT_EQ(run.Status, damage.Status) << Log();
        for (const std::string& text : damage.Told) EXPECT_TRUE(Begins(told, text)) << text << "\n" << Log();
        EXPECT_FALSE(Holds(told, "Kepler")) << Log();
        const std::string base = level1b.DataSetName.substr(0, level1b.DataSetName.rfind('.'));
        EXPECT_EQ(fs::exists(Out(base + ".sst")), damage.Status == 0) << Log();
        EXPECT_EQ(fs::exists(folder / "program/processed.lst"), damage.Status == 0) << Log();
        EXPECT_EQ(fs::exists(Out(base + ".lcn")), damage.Status == 0) << Log();
    }
}

// A store edited by hand (a language value and a recent file of another
// type, a home latitude beyond any number, a line that is no setting, blanks around "="): the run
// goes on and tells each; the line is kept, the value read.
TEST_F(CausesToldTest, AStoreEditedByHandStopsNothingAndIsTold) {
    InstallHelpAndLanguage();
    const std::string store = TRegistry::DefaultStoreFile();
    folder.Write("config/Morvane/HKCU.reg", "Windows Registry Editor Version 5.00\n"
                                            "[HKEY_CURRENT_USER\\Software\\Borland\\Locales]\n\"" + program +
                                                "\"=dword:00000007\n"
                                                "[HKEY_CURRENT_USER\\Software\\Morvane\\Quenmar]\n"
                                                "\"TwoLineDataPath\" = \"/home/station/tle\"\n"
                                                "[HKEY_CURRENT_USER\\Software\\Morvane\\kestrune]\n"
                                                "typed by mistake\n\"OverlayHomeLat\"=\"1e308\"\n"
                                                "\"MRU1\"=dword:00000001\n");
    EXPECT_EQ(Run({"-FC:x.jpg", "-CLOSE"}).Status, 0) << Log();
    const std::vector<std::string> told = LinesOf(Log());
    EXPECT_TRUE(Begins(told, "The stored setting \"" + program + "\" (dword:00000007) cannot be taken")) << Log();
    EXPECT_TRUE(Begins(told, "The stored setting \"OverlayHomeLat\" (\"1e308\") cannot be taken")) << Log();
    EXPECT_TRUE(Begins(told, "The stored setting \"MRU1\" (dword:00000001) cannot be taken")) << Log();
    EXPECT_TRUE(Begins(told, "The settings file " + store + " holds lines that are no setting the program can read; "
                             "they are kept as they stand: line 7: typed by mistake")) << Log();
    const std::string kept = testing::TTempFolder::Read(store);
    for (const char* line : {"\ntyped by mistake\n", "\n\"OverlayHomeLat\"=\"55.9\"\n", "\n\"TwoLineDataPath\"=\"/home/station/tle\"\n"})
        EXPECT_NE(kept.find(line), std::string::npos) << line << " in " << kept;
}

// Under German, a message that names what the frames lacked names it in
// German too: "a valid time code" or "a valid first sync word" is a
// fragment put into the sentence.
TEST_F(CausesToldTest, FragmentsPutIntoAMessageAreInTheLanguageInEffect) {
    InstallHelpAndLanguage();
    fs::copy(fs::path(ExecutablePath()).parent_path() / ".." / "app" / "kestrune.deu.lng",
             folder / "program/kestrune.deu.lng", fs::copy_options::overwrite_existing);
    TRegistry locales;
    ASSERT_TRUE(locales.OpenKey("\\Software\\Borland\\Locales", true));
    locales.WriteString(program, "DEU");
    struct TNoiseCase {
        const char* File;
        size_t Header;  // bytes before the first frame
        const char* Told;
    };
    for (const TNoiseCase noise :
         {TNoiseCase{"NOAA-18_030523.rhd", test::GtiHeaderBytes,
                     "Von 64 über die Datei verteilt geprüften Rahmen trugen nur 0 eine gültige Zeitmarke: "},
          TNoiseCase{"2023-05-03-1200-NOAA18.drt", 0,
                     "Von 64 über die Datei verteilt geprüften Rahmen trugen nur 0 eine gültige Zeitmarke: "},
          TNoiseCase{"2023-05-03-1200-NOAA18.raw16", 0,
                     "Von 64 über die Datei verteilt geprüften Rahmen trugen nur 0 ein gültiges erstes Synchronwort "
                     "(284 hex): "}}) {
        SCOPED_TRACE(noise.File);
        test::TBytes bytes(noise.Header + 600 * test::Hrpt16RecordBytes);
        std::mt19937 random(60);
        std::generate(bytes.begin(), bytes.end(), [&random] { return static_cast<uint8_t>(random()); });
        test::WriteFileBytes(Data(noise.File), bytes);
        fs::remove(folder / "program.log");
        RunWith({Data(noise.File), "-FC:X.JPG", "-CLOSE"});
        const std::vector<std::string> told = LinesOf(Log());
        EXPECT_TRUE(Holds(told, noise.Told)) << Log();
        EXPECT_FALSE(Holds(told, "a valid")) << Log();
    }
}

}  // namespace
}  // namespace kestrune
