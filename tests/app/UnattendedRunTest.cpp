// The built program as a station's scheduler starts it: with a display
// that cannot be opened, without a runtime folder, with a pass whose name
// and frames disagree; and the notices it ships beside itself.
#include "app/ProgramStart.h"
#include "app/RunReport.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/ProgramFolder.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/EnvironmentSetting.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/SpawnProgram.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

fs::path BuiltProgramFolder() { return fs::path(ExecutablePath()).parent_path() / ".." / "app"; }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

TEST(SatelliteMismatchTest, SaysWhichSatelliteWasUsedAndWhy) {
    EXPECT_EQ(SatelliteMismatch("NOAA-19", "NOAA 18", "NOAA-19"),
              "The file names NOAA-19 but its frames say NOAA-18: NOAA-19 was used, since for this format the file's "
              "name or header decides and the frames only name a pass whose file names none");
    EXPECT_NE(SatelliteMismatch("NOAA-19", "NOAA 18", "NOAA 18").find("NOAA-18 was used, since for this format the "
                                                                       "frames' own identification is trusted"),
              std::string::npos);
    EXPECT_EQ(SatelliteMismatch("METOP-A", "Metop-A", "METOP-A"), "") << "one satellite, two spellings";
    EXPECT_EQ(SatelliteMismatch("", "NOAA 18", "NOAA 18"), "") << "the file names none";
    EXPECT_EQ(SatelliteMismatch("NOAA-19", "Unknown (id 3)", "NOAA-19"), "") << "the frames name none";
}

// A Dartcom file names no satellite: what the frames looked at before
// reading proposed is told as theirs, never as the file's.
TEST(SatelliteMismatchTest, FramesLookedAtAreNeverTheFileNamingASatellite) {
    const std::string told = SatelliteMismatch("NOAA-14", "NOAA 18", "NOAA 18", true);
    EXPECT_EQ(told, "The frames looked at before reading name NOAA-14 but the frames of the whole pass say NOAA-18: "
                    "NOAA-18 was used, since the file itself names no satellite");
    EXPECT_EQ(SatelliteMismatch("NOAA-18", "NOAA 18", "NOAA-18", true), "") << "the same satellite";
}

// A name whose minutes read as a NOAA number never "names" a satellite; the
// satellites are told as the program spells them, unknown ones as told.
TEST(SatelliteMismatchTest, TheNamesLastTwoCharactersAreToldAsSuch) {
    const TSatelliteChoice minutes{"NOAA-15", TIdentityRule::NameDigits, "15"};
    EXPECT_EQ(SatelliteMismatch("NOAA-15", "NOAA 18", "NOAA-18", false, minutes),
              "The last two characters of the file's name (\"15\") would name NOAA-15, but its frames say NOAA-18: "
              "NOAA-18 was used");
    EXPECT_EQ(SatelliteMismatch("NOAA-19", "NOAA 18", "NOAA-19", false, minutes).rfind("The file names NOAA-19", 0), 0u)
        << "the name chose another satellite than its minutes";
    EXPECT_NE(SatelliteMismatch("FY1D", "Fengyun-1D", "FY1D").find("its frames say Fengyun-1D:"), std::string::npos);
    EXPECT_NE(SatelliteMismatch("METEOR-M2", "Metop-C", "METEOR-M2").find("its frames say METOP-C:"), std::string::npos);
}

// A name that spells its satellite, or whose layout gives one, names it: only
// a name's last two characters are told as what they would name.
TEST(SatelliteMismatchTest, ANameThatSpellsItsSatelliteNamesIt) {
    const std::pair<TSatelliteChoice, const char*> cases[] = {
        {{"NOAA-15", TIdentityRule::NameOutright, "N15"}, "N15_20230503_1200"},
        {{"NOAA-15", TIdentityRule::NameOutright, "NOAA15"}, "2023-05-03-1200-NOAA15"},
        {{"NOAA-15", TIdentityRule::NameLayout, {}}, "NOAA-15_030523"},
    };
    for (const auto& [fromName, file] : cases)
        EXPECT_EQ(SatelliteMismatch("NOAA-15", "NOAA 18", "NOAA-15", false, fromName),
                  "The file names NOAA-15 but its frames say NOAA-18: NOAA-15 was used, since for this format the "
                  "file's name or header decides and the frames only name a pass whose file names none")
            << file;
}

// A Level 1b file carries its own locations: when its map cannot be fitted,
// the operator is told how many of its records lack theirs, of how many; a
// file whose map was fitted on the rest, or whose every record is located,
// is told nothing of them. A file of several GAC pictures is told that.
TEST(LoadWarningsTest, ALevel1bFileIsToldHowManyOfItsRecordsLackLocations) {
    struct TRecordsCase {
        int Unlocated;
        bool Fitted;
        std::string Told;  // "" for none
        std::string Cause = "";
    };
    for (const TRecordsCase& records :
         {TRecordsCase{0, true, ""}, TRecordsCase{16, true, ""},
          TRecordsCase{16, false,
                       "16 of the file's 400 records carry no valid earth location of their own, and its other records "
                       "cannot be fitted to the image: no overlays are drawn"},
          TRecordsCase{399, false,
                       "399 of the file's 400 records carry no valid earth location of their own, and its other "
                       "records cannot be fitted to the image: no overlays are drawn"},
          TRecordsCase{400, false,
                       "None of the file's 400 records carries a valid earth location of its own: no overlays are "
                       "drawn"},
          TRecordsCase{0, false,
                       "The pass's earth locations cannot be mapped: the file holds more than one GAC picture: the "
                       "track jumps at line 150",
                       "the file holds more than one GAC picture: the track jumps at line 150"}}) {
        SCOPED_TRACE(records.Told);
        TPassState pass;
        pass.InputFormatCode = 7;
        pass.DataLineCount = 400;
        TEarthLocations& locations = *pass.EarthLocations;
        locations.SetLineCount(400);
        locations.AddLocationFlags(1);
        locations.LocationsValid = true;
        locations.MapFitted = records.Fitted;
        locations.Level1bLinesUnlocated = records.Unlocated;
        locations.NotLocatedCause = records.Cause;
        const std::vector<std::string> told = LoadWarnings(pass, "");
        EXPECT_EQ(told, records.Told.empty() ? std::vector<std::string>{} : std::vector<std::string>{records.Told});
    }
}

// A station pass that could not be located says why before what it costs.
TEST(LoadWarningsTest, APassNotLocatedIsToldWhy) {
    TPassState pass;
    pass.InputFormatCode = 2;
    pass.Orbit->ElementsValid = true;
    pass.EarthLocations->NotLocatedCause = "the centre points of lines 1495 to 1505 jump across 4.2 degrees of latitude";
    const std::vector<std::string> told = LoadWarnings(pass, "");
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0], "The pass could not be located: the centre points of lines 1495 to 1505 jump across 4.2 degrees of latitude");
    EXPECT_EQ(told[1].rfind("The pass is not located: ", 0), 0u);
}

// Time codes of noise are told first, not the age of a set of another date.
TEST(LoadWarningsTest, TimeCodesOfNoiseAreToldFirst) {
    TPassState pass;
    pass.InputFormatCode = 2;
    pass.Orbit->ElementsValid = true;
    pass.Orbit->ElementAge = 120;
    pass.EarthLocations->NoPassTimecode = pass.EarthLocations->NoTimeConfirmed = true;
    EXPECT_EQ(LoadWarnings(pass, "")[0].rfind("The time codes of the pass's lines confirm no time ", 0), 0u);
}

TEST(DisplayFailureLineTest, TheCauseQtGaveFirstThenWhatHappens) {
    EXPECT_EQ(DisplayFailureLine({"", "could not connect to display bogus:7", "Could not load the plugin"}, true),
              "The display could not be opened (could not connect to display bogus:7); the run goes on without one");
    EXPECT_EQ(DisplayFailureLine({}, false),
              "The display could not be opened (no platform to show windows on could be started); the program "
              "cannot start");
}

TEST(RuntimeFolderTest, OwnPrivateFolderUnderTheTemporaryFolder) {
    testing::TTempFolder folder;
    const testing::TEnvironmentSetting temporary("TMPDIR", folder.Path().c_str());
    const std::string expected = folder.Path() + "kestrune-runtime-" + std::to_string(getuid());
    fs::create_directory(expected);
    fs::permissions(expected, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(PrivateRuntimeFolder(), expected);
    struct stat info {};
    ASSERT_EQ(stat(expected.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u) << "Qt takes only a folder of the user's alone";
    // A link in its place is not the user's folder: a fresh one is made.
    fs::remove(expected);
    fs::create_directory_symlink(folder.Path() + "data", expected);
    const std::string fresh = PrivateRuntimeFolder();
    EXPECT_NE(fresh, expected);
    EXPECT_TRUE(fresh.starts_with(folder.Path() + "kestrune-runtime-")) << fresh;
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(fresh)));
}

// The notices of the data files travel with them: the build puts the file
// beside the program, with the licence texts it names.
TEST(ShippedNoticesTest, EveryDataFileShippedHasItsLicence) {
    const fs::path program = BuiltProgramFolder();
    const std::string notices = testing::TTempFolder::Read(program / "NOTICES.txt");
    ASSERT_FALSE(notices.empty()) << "no NOTICES.txt in " << program;
    for (const auto& entry : fs::directory_iterator(program)) {
        const std::string name = entry.path().filename().string();
        const bool dataFile = name.ends_with(".dat") || name.ends_with(".bmp") || name.ends_with(".jpg");
        EXPECT_TRUE(!dataFile || notices.find(name) != std::string::npos) << name << " has no notice";
    }
    // The sample pass is shipped in a folder of its own.
    for (const auto& entry : fs::directory_iterator(program / "sample")) {
        const std::string name = "sample/" + entry.path().filename().string();
        EXPECT_NE(notices.find(name), std::string::npos) << name << " has no notice";
    }
    for (const char* named : {"GSHHG", "Lesser General Public License", "Visible Earth", "Scientific Colour Maps",
                              "Copyright (c) 2021, Fabio Crameri", "The above copyright notice and this permission notice",
                              "viridis", "CC0"})
        EXPECT_NE(notices.find(named), std::string::npos) << named;
    for (const char* licence : {"LGPL-3.txt", "GPL-3.txt"}) {
        EXPECT_NE(notices.find(licence), std::string::npos) << licence;
        EXPECT_NE(testing::TTempFolder::Read(program / licence).find("GNU"), std::string::npos) << licence;
    }
}

class UnattendedRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::permissions(folder / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        program = folder / "program/kestrune";
        std::error_code error;
        fs::create_hard_link(BuiltProgramFolder() / "kestrune", program, error);
        if (error) fs::copy_file(BuiltProgramFolder() / "kestrune", program);
        // As installed: help and language files beside it, so it has nothing of its own to say.
        for (const char* installed : {"help", "kestrune.ntv.lng"})
            fs::copy(BuiltProgramFolder() / installed, folder / ("program/" + std::string(installed)),
                     fs::copy_options::recursive);
        const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
        test::THrptPassSpec passSpec;
        passBytes = test::BuildWsdFile(passSpec, 240, set.Line1, set.Line2);
        pass = Pass("230503_1200_noaa18.wsd");
    }

    std::string Pass(const std::string& name) const {
        const std::string file = folder / ("data/" + name);
        test::WriteFileBytes(file, passBytes);
        return file;
    }

    // Runs the program to its end; what it told is in Told().
    int Run(std::vector<std::string> words) {
        words.insert(words.begin(), program);
        fs::remove(folder / "program.log");
        const pid_t pid = test::SpawnProgram(words, folder / "program.log");
        int status = 0;
        if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::vector<std::string> Told() const { return Lines(testing::TTempFolder::Read(folder / "program.log")); }
    std::string Log() const { return testing::TTempFolder::Read(folder / "program.log"); }

    testing::TTempFolder folder;
    std::string program;
    test::TBytes passBytes;
    std::string pass;
};

// A stale DISPLAY under cron or a mistyped platform: the run goes on without
// a display and says so in one line; a window nobody can have ends with 2.
TEST_F(UnattendedRunTest, ADisplayThatCannotBeOpenedNeverAbortsTheRun) {
    const std::string out = folder / "out/";
    for (const auto& [variable, value] : {std::pair{"DISPLAY", "bogus:7"}, std::pair{"QT_QPA_PLATFORM", "nonsense"}}) {
        SCOPED_TRACE(variable);
        unsetenv("QT_QPA_PLATFORM");
        setenv(variable, value, 1);
        fs::remove_all(out);
        EXPECT_EQ(Run({pass, "-OUTPUT:" + out, "-FC:x.jpg", "-CLOSE"}), 0) << Log();
        EXPECT_TRUE(fs::exists(out + "230503_1200_noaa18-fc.jpg")) << Log();
        ASSERT_EQ(Told().size(), 1u) << Log();
        EXPECT_TRUE(Told()[0].starts_with("kestrune: The display could not be opened (")) << Log();
        EXPECT_TRUE(Told()[0].ends_with("); the run goes on without one")) << Log();
        EXPECT_EQ(Run({pass}), 2) << "one parameter asks for a window";
        EXPECT_TRUE(Told()[0].ends_with("); the program cannot start")) << Log();
        unsetenv(variable);
    }
}

// Without XDG_RUNTIME_DIR the run tells only what concerns the run: the
// program keeps a runtime folder of its own.
TEST_F(UnattendedRunTest, NoLineAboutAMissingRuntimeFolder) {
    const testing::TEnvironmentSetting runtime("XDG_RUNTIME_DIR", nullptr);
    const testing::TEnvironmentSetting temporary("TMPDIR", (folder / "").c_str());
    EXPECT_EQ(Run({pass, "-OUTPUT:" + (folder / "out/"), "-FC:x.jpg", "-CLOSE"}), 0) << Log();
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(fs::is_directory(folder / ("kestrune-runtime-" + std::to_string(getuid()))));
}

// An image whose folder cannot be made goes to the program's folder: told
// once, with the cause and where it went, and the run ends with 3.
TEST_F(UnattendedRunTest, AnImageSavedInTheProgramFolderIsToldOnce) {
    EXPECT_EQ(Run({pass, "-OUTPUT:/proc/no-such-folder/", "-FC:x.jpg", "-CLOSE"}), 3) << Log();
    const std::string written = folder / "program/230503_1200_noaa18-fc.jpg";
    EXPECT_TRUE(fs::exists(written));
    ASSERT_EQ(Told().size(), 1u) << Log();
    EXPECT_EQ(Told()[0], "kestrune: Could not save to results folder: /proc/no-such-folder/ (Unable to write to "
                         "/proc/no-such-folder/230503_1200_noaa18-fc.jpg: No such file or directory), saved to " +
                             written + " instead");
}

// The fire list named otherwise still names the pass it was found in; a
// pass named for NOAA-19 that holds NOAA-18 frames is told in one line.
TEST_F(UnattendedRunTest, FireListNamesThePassAndDisagreeingSatellitesAreTold) {
    const std::string out = folder / "out/";
    EXPECT_EQ(Run({pass, "-OUTPUT:" + out + "named", "-FIRETEXT:", "-CLOSE"}), 0) << Log();
    const std::string list = testing::TTempFolder::Read(out + "named.fire.txt");
    EXPECT_NE(list.find("from file: " + (folder / "data/230503_1200_noaa18") + "\r\n"), std::string::npos) << list;
    EXPECT_EQ(Run({Pass("230503_1300_noaa19.wsd"), "-OUTPUT:" + out, "-FC:x.jpg", "-CLOSE"}), 0) << Log();
    ASSERT_EQ(Told().size(), 1u) << Log();
    EXPECT_EQ(Told()[0].rfind("kestrune: The file names NOAA-19 but its frames say NOAA", 0), 0u) << Log();
}

// What decided a pass's satellite and date, told as the diagnostics tell it:
// a name's minutes never as "the file names", a date the name holds but the
// format does not read, and why a ".wsd" name is refused.
TEST_F(UnattendedRunTest, WhatDecidedThePassIsToldAsItIs) {
    const test::TBytes ess = test::BuildEssFile({}, 240);
    const auto told = [this](const std::string& name, const test::TBytes& bytes) {
        const std::string file = folder / ("data/" + name);
        test::WriteFileBytes(file, bytes);
        Run({file, "-OUTPUT:" + (folder / "out/"), "-FC:x.jpg", "-CLOSE"});
        return Log();
    };
    const struct {
        std::string Name;
        test::TBytes Bytes;
        std::string Line;
    } cases[] = {
        {"20230503_1215.hpt", ess,
         "kestrune: The last two characters of the file's name (\"15\") would name NOAA-15, but its frames say NOAA-18: "
         "NOAA-18 was used\n"},
        {"NOAA18_20230503_1200.hpt", ess,
         "its name holds the date 2023-05-03, but no name layout of this format reads it\n"},
        {"2023-05-03-1200-n18.raw16", test::Build16BitHrptFile({}, 240, false),
         "kestrune: The name's layout gives the satellite \"n18-\", which the program does not know: that layout is "
         "not used\n"},
        {"2023-02-29-1200-NOAA18.raw16", test::Build16BitHrptFile({}, 240, false),
         "kestrune: The name holds the date 2023-02-29, which does not exist: its date is not used\n"},
        {"230503_1200_noaa18.n10", test::BuildN10File({}, 240),
         "its name holds the date 2023-05-03, but no name layout of this format reads it\n"},
        {"2027-05-03-1200-NOAA18.n10", test::BuildN10File({}, 240),
         "kestrune: The name's layout gives the date 2027-05-03, which no pass can have: its date is not used\n"},
        {"N18_20230503_1200.wsd", passBytes,
         "kestrune: The data format of \"N18_20230503_1200.wsd\" was not recognised (extension \".wsd\"): a \".wsd\" "
         "file is read only when its name contains \"noaa\" or \"fengyun\"\n"},
    };
    for (const auto& c : cases) {
        const std::string log = told(c.Name, c.Bytes);
        EXPECT_NE(log.find(c.Line), std::string::npos) << c.Name << ":\n" << log;
        EXPECT_EQ(log.find("The file names"), std::string::npos) << log;
        EXPECT_EQ(log.find("neither its name nor its header"), std::string::npos) << log;
    }
}

// 5 MB of noise named as a GTI pass is no pass: the reason comes first on
// standard error and the run ends with 1, with no product. A pass whose
// first half is noise loads, and the many bad frames are told.
TEST_F(UnattendedRunTest, NoiseIsRefusedWithItsReasonAndBadFramesAreTold) {
    std::mt19937 random(5);
    test::TBytes noise(5000000);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    const std::string out = folder / "out/";
    const std::string garbage = folder / "data/2023-05-06-1200-NOAA19.rhd";
    test::WriteFileBytes(garbage, noise);
    EXPECT_EQ(Run({garbage, "-OUTPUT:" + out, "-CH4:x.jpg", "-CLOSE"}), 1) << Log();
    ASSERT_FALSE(Told().empty());
    EXPECT_EQ(Told()[0].rfind("kestrune: Out of 64 frames looked at across the file, only ", 0), 0u) << Log();
    EXPECT_NE(Told()[0].find("carried a valid time code: the file holds no readable 16-bit GTI HRPT frames"),
              std::string::npos) << Log();
    EXPECT_FALSE(fs::exists(out + "2023-05-06-1200-NOAA19-c4.jpg"));

    std::copy_n(noise.begin(), passBytes.size() / 2, passBytes.begin() + test::WsdHeaderBytes);
    EXPECT_EQ(Run({Pass("230503_1200_noaa18.wsd"), "-OUTPUT:" + out, "-FC:x.jpg", "-CLOSE"}), 0) << Log();
    EXPECT_NE(Log().find("kestrune: Warning - this data file has a very large number of bad frames\n"), std::string::npos)
        << Log();
}

// A Level 1b file cut short loads what it holds, and the operator reads on
// standard error what is missing, as for other damaged input; the products
// asked for are written, so the status stays 0.
TEST_F(UnattendedRunTest, Level1bFileCutShortIsTold) {
    test::TL1BPassSpec passSpec;
    test::TBytes bytes = test::BuildL1BFile(passSpec);
    bytes.resize(bytes.size() - 73 * static_cast<size_t>(test::L1BRecordBytes(passSpec)) - 1000);
    const std::string cut = folder / "data/NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI";
    test::WriteFileBytes(cut, bytes);
    const std::string out = folder / "out/";
    EXPECT_EQ(Run({cut, "-OUTPUT:" + out, "-FC:x.jpg", "-CLOSE"}), 0) << Log();
    const std::vector<std::string> told = Told();
    EXPECT_NE(std::find(told.begin(), told.end(),
                        "kestrune: The file does not hold the 120 records its header gives: the 46 whole records it "
                        "holds are read"),
              told.end())
        << Log();
    EXPECT_TRUE(fs::exists(out + "NSS.HRPT.NN.D23123.S1200.E1210.B9012345-fc.jpg")) << Log();
}

// Noise named as a pass of a satellite whose element sets are missing, or
// with no element archive at all: the refusal is all the run tells, since
// the elements of a file that holds no pass are no news.
TEST_F(UnattendedRunTest, NoiseRefusedForItsFramesTellsOnlyTheRefusal) {
    std::mt19937 random(7);
    test::TBytes noise(3000000);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    const std::string garbage = folder / "data/2023-05-03-1200-NOAA18.hpt";
    test::WriteFileBytes(garbage, noise);
    const test::TElementLines set = test::MakeElementLines(33591, 2023, 123.4, 99.1, 150.0, 0.0, 14.125, 30000);
    for (const bool archive : {true, false}) {
        SCOPED_TRACE(archive ? "an archive without NOAA-18" : "no archive");
        if (archive) folder.Write("program/Keps/NOAA-19.txt", set.Line1 + "\n" + set.Line2 + "\n");
        else fs::remove_all(folder / "program/Keps");
        EXPECT_EQ(Run({garbage, "-OUTPUT:" + (folder / "out/"), "-FC:x.jpg", "-CLOSE"}), 1) << Log();
        ASSERT_EQ(Told().size(), 2u) << Log();
        EXPECT_NE(Told()[0].find("the file holds no readable ESS HRPT frames"), std::string::npos) << Log();
        EXPECT_EQ(Told()[1], "kestrune: No pass could be loaded from \"" + garbage + "\"") << Log();
    }
}

}  // namespace
}  // namespace kestrune
