#include "app/MainCore.h"

#include "tests/app/AppTest.h"
#include "tests/app/SettingNames.h"
#include "app/HeadlessMainHost.h"
#include "decoding/HRPTvideo.h"
#include "platform/DesktopEntry.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "tests/platform/TempFolder.h"
#include "tests/platform/Unprivileged.h"
#include "tests/support/PassFileWriter.h"

#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>
#include <map>
#include <set>
#include <thread>

namespace kestrune {
namespace {

using ::testing::ElementsAre;

class MainCoreTest : public testing::TAppTest {
protected:

    std::unique_ptr<TMainCore> Start(TParams params = {}) {
        auto core = std::make_unique<TMainCore>(host, std::move(params));
        core->FormShow();
        return core;
    }

    static TRegistry OpenKey() {
        TRegistry registry;
        registry.OpenKey(ProgramRegistryKey(), true);
        return registry;
    }

    static std::set<std::string> StoredNames() {
        TRegistry registry;
        if (!registry.OpenKeyReadOnly(ProgramRegistryKey())) return {};
        const std::vector<std::string> names = registry.GetValueNames();
        return {names.begin(), names.end()};
    }

    static bool Asked(const std::string& text) {
        const auto& requests = TDialogService::Instance().Requests();
        return std::any_of(requests.begin(), requests.end(),
                           [&](const TDialogRequest& request) { return request.text == text; });
    }

    THeadlessMainHost host;
};

TEST_F(MainCoreTest, FirstStartWritesEveryListedSettingWithItsDefault) {
    EXPECT_TRUE(StoredNames().empty());
    Start().reset();
    // The side panel's values are the window's, not the core's; no file was opened.
    EXPECT_EQ(StoredNames(),
              testing::Together({&testing::MainSettingNames, &testing::PlacementNames, &testing::FireSettingNames}));
    TRegistry registry = OpenKey();
    EXPECT_EQ(registry.ReadString("RenameFormat"), "yyyy-mm-dd-hhnn");
    EXPECT_EQ(registry.ReadString("CaptionText"), "Brondel Software - %D %T");
    EXPECT_EQ(registry.ReadString("DataFolder"), ProgramFolder());
    EXPECT_EQ(registry.ReadString("LandSeaMaskPath"), ProgramFolder() + "OdpsLandMask.dat");
    EXPECT_EQ(registry.ReadString("UserOverlayPath"), ProgramFolder() + "watershed.dat");
    EXPECT_EQ(registry.ReadString("BoundaryPath"), "");
    EXPECT_EQ(registry.ReadInteger("LargeMemThreshold"), 192);
    EXPECT_EQ(registry.ReadInteger("OverlayUserColour"), 16711680);
    EXPECT_EQ(registry.ReadInteger("AddImgFileSuffix"), 1);
    EXPECT_EQ(registry.ReadString("OverlayHomeLat"), "55.9");
    EXPECT_EQ(registry.ReadString("OverlayHomeLon"), "-3.2");
    EXPECT_EQ(registry.ReadString("MRU1"), "");
}

// The desktop learns of the pass files when someone sees the window, never
// from a station's run (two parameters or more) nor a run without a display.
TEST_F(MainCoreTest, TheDesktopIsOfferedThePassFilesAtAShowingButNeverInAnUnattendedRun) {
    const std::string entry = DesktopEntryPath(UserDataHome());
    const std::string package = MimePackagePath(UserDataHome());
    Start({WritePass(), "-OUTPUT:" + folder / "out/"});
    EXPECT_FALSE(std::filesystem::exists(entry));
    {
        TMainCore core(host, {});
        core.Headless = true;
        core.FormShow();
    }
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(std::filesystem::exists(package));
    Start();
    EXPECT_TRUE(std::filesystem::exists(entry));
    EXPECT_TRUE(std::filesystem::exists(package));
}

TEST_F(MainCoreTest, StoredValuesAreReadAndWrittenBack) {
    {
        TRegistry registry = OpenKey();
        registry.WriteString("ResultsFolder", "/results/");
        registry.WriteInteger("JpegSaveQuality", 2);
        registry.WriteString("Despeckle", "not a number");
        registry.WriteString("OverlayHomeLat", "12.5");
        registry.WriteString("OverlayHomeLon", "east");
    }
    auto core = Start();
    EXPECT_EQ(core->Settings.ResultsFolder->Value, "/results/");
    EXPECT_EQ(core->Settings.JpegSaveQuality->Value, 2);
    EXPECT_FALSE(core->Settings.Despeckle->Value);
    EXPECT_FLOAT_EQ(core->HomeLatitude, 12.5f);
    EXPECT_FLOAT_EQ(core->HomeLongitude, -3.2f);
    core->Settings.CaptionText->Value = "%S %D";
    core.reset();
    TRegistry registry = OpenKey();
    EXPECT_EQ(registry.ReadString("CaptionText"), "%S %D");
    EXPECT_EQ(registry.GetDataType("Despeckle"), TRegDataType::rdInteger);
    EXPECT_EQ(registry.ReadString("OverlayHomeLat"), "12.5");
    EXPECT_EQ(registry.ReadString("OverlayHomeLon"), "-3.2");
}

TEST_F(MainCoreTest, LegacyGammaIsTakenOverOnceAndRemoved) {
    OpenKey().WriteInteger("DisplayGamma", 1);
    auto core = Start();
    EXPECT_EQ(core->View.Options.ComboBoxGammaCorrectFC, 3);
    EXPECT_FALSE(RegistryValueExists("DisplayGamma"));
    core.reset();

    OpenKey().WriteInteger("DisplayGamma", 5);
    core = Start();
    EXPECT_EQ(core->View.Options.ComboBoxGammaCorrectFC, 2);
    EXPECT_FALSE(RegistryValueExists("DisplayGamma"));
}

TEST_F(MainCoreTest, PlacementIsRestoredAndStored) {
    {
        TRegistry registry = OpenKey();
        registry.WriteInteger("FormLeft", 300);
        registry.WriteInteger("FormTop", 200);
        registry.WriteInteger("FormClientWidth", 900);
    }
    auto core = Start({WritePass()});
    EXPECT_EQ(host.Window.X, 300);
    EXPECT_EQ(host.Window.Y, 200);
    EXPECT_EQ(host.Window.W, 900);
    host.Window.Y = 250;
    core.reset();
    EXPECT_EQ(OpenKey().ReadInteger("FormTop"), 250);
    // An unattended run restores the placement but never stores one.
    core = Start({WritePass(), "-FC:X.BMP"});
    EXPECT_EQ(host.Window.Y, 250);
    host.Window.Y = 800;
    core.reset();
    EXPECT_EQ(OpenKey().ReadInteger("FormTop"), 250);
}

// The run's items draw a view again only when something it shows changed.
TEST_F(MainCoreTest, AViewShownAsAskedIsNotDrawnAgain) {
    auto core = Start();
    core->LoadDataFile(WritePass());
    const auto& tabs = core->ViewTabs();
    const size_t falseColour = static_cast<size_t>(std::find(tabs.begin(), tabs.end(), "False colour") - tabs.begin());
    ASSERT_LT(falseColour, tabs.size());
    core->SelectViewTab(falseColour);
    const int drawn = host.DisplayChanges;
    core->SelectViewTab(falseColour);
    EXPECT_EQ(host.DisplayChanges, drawn);
    core->SetOverlaySwitches({true, false, false, true});
    core->SelectViewTab(falseColour);
    EXPECT_EQ(host.DisplayChanges, drawn + 1);
    core->View.Options.RadioGroupColour = 1;
    core->SelectViewTab(falseColour);
    EXPECT_EQ(host.DisplayChanges, drawn + 2);
}

// A missing element-archive folder stays missing: it is told once a start, not at every load.
TEST_F(MainCoreTest, TheMissingKeplerFolderIsToldOncePerStart) {
    const std::string pass = folder / "data/230503_1200_noaa18.wsd";
    std::filesystem::create_directories(folder / "data");
    test::WriteFileBytes(pass, test::BuildWsdFile({}, 240, "", ""));
    auto core = Start();
    for (int load = 0; load < 2; ++load) core->LoadDataFile(pass);
    const auto& requests = TDialogService::Instance().Requests();
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                            [](const TDialogRequest& request) {
                                return request.text.starts_with("Folder for Kepler data: ");
                            }),
              1);
}

// A wait for a lock shows in the window's status line, not only on
// standard error: the core tells its host.
TEST_F(MainCoreTest, AWaitForALockIsShownInTheStatusLine) {
    struct TStatusHost : THeadlessMainHost {
        std::string StatusText;
        void SetStatusText(const std::string& text) override { StatusText = text; }
    } statusHost;
    TMainCore core(statusHost, {});
    const std::string list = folder / "program/processed.lst";
    std::promise<void> taken;
    std::promise<void> done;
    std::thread holder([&] {
        const TFileWriteLock held(list);
        taken.set_value();
        done.get_future().wait();
    });
    taken.get_future().wait();
    EXPECT_THROW(TFileWriteLock(list, std::chrono::seconds(6)), ELockUnavailable);
    done.set_value();
    holder.join();
    EXPECT_NE(statusHost.StatusText.find("waiting for the lock " + list + ".lock"), std::string::npos) << statusHost.StatusText;
}

// The boundary files are read while the pass loads; what is drawn, and what
// the reading had to say, are there when the boundaries are first needed.
TEST_F(MainCoreTest, BoundariesReadBesideTheLoadAreWholeAndTheirMessageToldOnce) {
    const std::string lines = folder / "coast.dat";
    const std::string empty = folder / "empty.dat";
    // Two segments of the boundary file's layout: a point count, a kind, then longitude and latitude in minutes.
    std::string bytes;
    for (const int count : {2, 3}) {
        bytes += std::string{static_cast<char>(count), 0, 0, 0, 4};
        for (int k = 0; k < count; ++k)
            bytes += std::string{static_cast<char>(60 * k), 0, static_cast<char>(120), 0};
    }
    test::WriteFileBytes(lines, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    test::WriteFileBytes(empty, std::vector<uint8_t>{1, 0, 0, 0});
    OpenKey().WriteString("BoundaryPath", lines + "|" + empty);
    auto core = Start();
    ASSERT_EQ(core->Boundaries().Segments().size(), 2u);
    EXPECT_EQ(core->Boundaries().Segments()[1].Points.size(), 3u);
    EXPECT_FLOAT_EQ(core->Boundaries().Segments()[1].Points[2].Longitude, 2.0f);
    const std::string told = "No point could be read from the overlay file " + empty;
    const auto& requests = TDialogService::Instance().Requests();
    EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                            [&](const TDialogRequest& request) { return request.text == told; }),
              1);
}

// One that names none is told in a box, as a run tells it on standard error.
TEST_F(MainCoreTest, FirstParameterNamesAnExistingFileOrTheNewestMatch) {
    EXPECT_EQ(Start({folder / "data/missing.wsd"})->PendingFileName, "");
    const std::pair<std::string, std::string> told[] = {
        {folder / "data/missing.wsd", "The pass file \"" + folder / "data/missing.wsd" + "\" does not exist"},
        {folder / "data/*.hpt", "No file matches \"" + folder / "data/*.hpt" + "\""},
        {folder / "data", "\"" + folder / "data" + "\" is a folder, not a pass file"},
        {"-MIN", ""},
    };
    for (const auto& [named, text] : told) {
        TDialogService::Instance().ClearScript();
        Start({named})->TimerNewFileTimer();
        const auto& requests = TDialogService::Instance().Requests();
        EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                                [&](const TDialogRequest& request) { return request.text.find(named) != std::string::npos; }),
                  text.empty() ? 0 : 1) << named;
        EXPECT_TRUE(text.empty() || Asked(text)) << named;
    }
    const std::string pass = WritePass();
    EXPECT_EQ(Start({pass})->PendingFileName, pass);
    const std::string newer = WritePass("230504_1200_noaa18.wsd");
    EXPECT_EQ(Start({folder / "data/*.wsd"})->PendingFileName, newer);
    EXPECT_EQ(Start({folder / "data/*.hpt"})->PendingFileName, "");
    const std::string today = FormatDateTime("yyyy/mm/dd/", NowUtc());
    const std::string dated = folder.Write("data/" + today + "pass.hpt", "x");
    EXPECT_EQ(Start({folder / "data/*.hpt"})->PendingFileName, dated);
}

// Only a pass that loaded goes on the recent-file list: a missing file, one
// that is no pass and a packed pass cut short leave the list as it was.
TEST_F(MainCoreTest, AFileThatFailsToLoadIsNotARecentFile) {
    const std::string pass = WritePass();
    const std::string other = WritePass("2023-12-31-2359-NOAA18.wsd");
    auto core = Start();
    core->LoadDataFile(pass);
    ASSERT_TRUE(core->PassLoaded());
    const std::string packed = testing::TTempFolder::Read(pass).substr(0, 3000);
    for (const std::string& failing :
         {folder / "data/missing.wsd", folder.Write("data/240101_0000_noaa18.wsd", std::string(5000, 'x')),
          folder.Write("data/240102_0000_noaa18.wsd.gz", "\x1f\x8b\x08\x00" + packed)}) {
        core->LoadDataFile(failing);
        EXPECT_FALSE(core->PassLoaded()) << failing;
        EXPECT_THAT(core->MRUFileList->Files(), ElementsAre(pass)) << failing;
    }
    core->LoadDataFile(other);
    EXPECT_THAT(core->MRUFileList->Files(), ElementsAre(other, pass));
}

TEST_F(MainCoreTest, SecondParameterMayForceTheDirection) {
    EXPECT_EQ(Start({"f", "-direction:south"})->ForcedDirection, 2);
    EXPECT_EQ(Start({"f", "-DIRECTION:NORTHBOUND"})->ForcedDirection, 1);
    EXPECT_EQ(Start({"f", "-DIRECTION:"})->ForcedDirection, 0);
    EXPECT_EQ(Start({"-direction:south"})->ForcedDirection, 0);
    EXPECT_EQ(Start({"f", "-FC:X.BMP", "-direction:south"})->ForcedDirection, 0);
}

TEST_F(MainCoreTest, HelpFileByLanguage) {
    const std::string program = folder / "program/";
    folder.Write("program/help/kestrune-fr.html", "x");
    EXPECT_EQ(ChooseHelpFile(2060, program, "kestrune"), program + "help/kestrune-fr.html");
    EXPECT_EQ(ChooseHelpFile(5132, program, "kestrune"), program + "help/kestrune-fr.html");
    EXPECT_EQ(ChooseHelpFile(6156, program, "kestrune"), program + "help/Kestrune.html") << "Monaco has no French help";
    EXPECT_EQ(ChooseHelpFile(1040, program, "kestrune"), program + "help/Kestrune.html");
    EXPECT_EQ(ChooseHelpFile(1049, program, "kestrune"), program + "help/Kestrune.html");
    folder.Write("program/help/kestrune-rus.html", "x");
    EXPECT_EQ(ChooseHelpFile(1049, program, "kestrune"), program + "help/kestrune-rus.html");
    EXPECT_EQ(ChooseHelpFile(1033, program, "kestrune"), program + "help/Kestrune.html");
    EXPECT_EQ(HelpLanguageSuffix(2064), "-it");
    EXPECT_EQ(HelpLanguageSuffix(1031), "");
}

TEST(NudgeMemoryTest, OneLinePerFileNewestLastAtMost500) {
    TNudgeMemory memory;
    memory.Remember("/data/my pass.hpt", 3, -2, EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 5, 0));
    memory.Remember("/data/other.hpt", 0, 0, 0);
    memory.Remember("/data/my pass.hpt", 4, 1, 0);
    EXPECT_THAT(memory.Lines(), ElementsAre("/data/other.hpt 0 0", "/data/my_pass.hpt 4 1"));
    EXPECT_EQ(memory.Find("my_pass"), "/data/my_pass.hpt 4 1");
    EXPECT_FALSE(memory.Find("missing"));
    memory.Remember("", 1, 1, 0);
    EXPECT_EQ(memory.Lines().size(), 2u);
    for (int i = 0; i < 600; ++i) memory.Remember("/p" + std::to_string(i), i, 0, 0);
    EXPECT_EQ(memory.Lines().size(), TNudgeMemory::MaxLines);
    EXPECT_EQ(memory.Lines().front(), "/p100 100 0");
}

TEST(NudgeMemoryTest, AFileIsFoundByItsWholeName) {
    TNudgeMemory memory;
    memory.Remember("/data/pass10.hpt", 5, 5, 0);
    EXPECT_FALSE(memory.Find("pass1"));
    EXPECT_FALSE(memory.Find("ass10"));
    EXPECT_EQ(memory.Find("pass10"), "/data/pass10.hpt 5 5");
    EXPECT_EQ(memory.Find("pass10.hpt"), "/data/pass10.hpt 5 5");
    EXPECT_EQ(memory.Find("/data/pass10.hpt"), "/data/pass10.hpt 5 5");
    memory.Remember("/data/pass1.hpt", 1, 2, 0);
    memory.Remember("/data/pass10.hpt", 6, 6, 0);
    EXPECT_THAT(memory.Lines(), ElementsAre("/data/pass1.hpt 1 2", "/data/pass10.hpt 6 6"));
}

TEST(NudgeMemoryTest, FileRoundTrip) {
    testing::TTempFolder folder;
    TNudgeMemory memory;
    memory.Remember("/data/a.hpt", 3, -2, EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 5, 0));
    memory.SaveToFile(folder / "mru_list.ini");
    EXPECT_EQ(testing::TTempFolder::Read(folder / "mru_list.ini"), "/data/a.hpt 3 -2 2023-05-03 12:00:05\r\n");
    TNudgeMemory read;
    read.LoadFromFile(folder / "mru_list.ini");
    EXPECT_EQ(read.Lines(), memory.Lines());
    read.LoadFromFile(folder / "missing.ini");
    EXPECT_TRUE(read.Lines().empty());
}

// Two copies that end one after the other each add what they remembered to
// the file as the other left it.
TEST(NudgeMemoryTest, CopiesEndingTogetherKeepEachOthersLines) {
    testing::TTempFolder folder;
    const std::string file = folder.Write("program/mru_list.ini", "/data/old.hpt 1 1\r\n");
    TNudgeMemory first;
    TNudgeMemory second;
    first.LoadFromFile(file);
    second.LoadFromFile(file);
    first.Remember("/data/a.hpt", 3, -2, 0);
    second.Remember("/data/b.hpt", 4, 5, 0);
    second.Remember("/data/old.hpt", 2, 2, 0);
    first.SaveToFile(file);
    second.SaveToFile(file);
    EXPECT_EQ(testing::TTempFolder::Read(file), "/data/a.hpt 3 -2\r\n/data/b.hpt 4 5\r\n/data/old.hpt 2 2\r\n");
}

// A station's full memory of 500 passes is read whole; one that cannot be
// read is told and left as it is at the end, not replaced by what this run
// remembered.
TEST(NudgeMemoryTest, AFullMemoryIsReadWholeAndOneThatCannotBeReadIsLeftAsItIs) {
    std::string full;
    for (int pass = 0; pass < static_cast<int>(TNudgeMemory::MaxLines); ++pass) {
        char line[128];
        const int month = 1 + pass / 50, day = 1 + pass % 28, hour = pass % 24;
        std::snprintf(line, sizeof line, "/home/station/passes/2023/%02d/%02d/23%02d%02d_%02d12_noaa18.wsd %d -1 2023-%02d-%02d %02d:12:00\r\n",
                      month, day, month, day, hour, pass % 5, month, day, hour);
        full += line;
    }
    struct TNudgeFileCase {
        const char* Name;
        mode_t Mode;
        size_t LinesRead;
        const char* Told;  // the end of what is told, "" for nothing
        bool Replaced;     // by the memory at the end of the run
    };
    const std::vector<TNudgeFileCase> cases{
        {"station/mru_list.ini", 0644, TNudgeMemory::MaxLines, "", true},
        {"locked/mru_list.ini", 0, 0, "mru_list.ini cannot be read: Permission denied: it is left as it is", false},
    };
    testing::TTempFolder folder;
    for (const TNudgeFileCase& nudgeCase : cases) chmod(folder.Write(nudgeCase.Name, full).c_str(), nudgeCase.Mode);
    const std::string newest = "/home/station/passes/2023/12/31/231231_2359_noaa19.wsd";
    const std::string report = testing::RunUnprivileged(folder.Path(), [&] {
        std::string problems;
        for (const TNudgeFileCase& nudgeCase : cases) {
            const std::string path = folder / nudgeCase.Name;
            TNudgeMemory memory;
            const std::string told = memory.LoadFromFile(path);
            if (!told.ends_with(nudgeCase.Told) || told.empty() != std::string(nudgeCase.Told).empty())
                problems += std::string(nudgeCase.Name) + " told \"" + told + "\"; ";
            if (memory.Lines().size() != nudgeCase.LinesRead) problems += std::string(nudgeCase.Name) + ": lines read; ";
            memory.Remember(newest, 1, 1, 0);
            memory.SaveToFile(path);
            chmod(path.c_str(), 0644);
            const std::string after = testing::TTempFolder::Read(path);
            const std::string expected = nudgeCase.Replaced ? full.substr(full.find('\n') + 1) + newest + " 1 1\r\n" : full;
            if (after != expected) problems += std::string(nudgeCase.Name) + ": not as expected at the end; ";
        }
        return problems;
    });
    EXPECT_EQ(report, "");
}

TEST(MostRecentFilesTest, EightNewestFirstStoredAsMruValues) {
    testing::TTempFolder folder;
    const std::string key = "\\Software\\Morvane\\kestrune";
    {
        TMostRecentFiles files(8, key);
        for (int i = 1; i <= 9; ++i) files.AddFile("/p/" + std::to_string(i));
        EXPECT_EQ(files.Files().size(), 8u);
        EXPECT_EQ(files.Files().front(), "/p/9");
        EXPECT_EQ(files.Files().back(), "/p/2");
        files.AddFile("/p/7");
        EXPECT_THAT(std::vector<std::string>(files.Files().begin(), files.Files().begin() + 3),
                    ElementsAre("/p/7", "/p/9", "/p/8"));
    }
    {
        TMostRecentFiles files(8, key);
        EXPECT_EQ(files.Files().size(), 8u);
        EXPECT_EQ(files.Files().front(), "/p/7");
        while (files.Files().size() > 3) files.RemoveFile(files.Files().back());
    }
    TRegistry registry;
    registry.OpenKeyReadOnly(key);
    EXPECT_EQ(registry.ReadString("MRU3"), "/p/8");
    EXPECT_TRUE(registry.ValueExists("MRU4"));
    EXPECT_EQ(registry.ReadString("MRU8"), "");
    EXPECT_EQ(TMostRecentFiles(8, key).Files().size(), 3u);
    EXPECT_EQ(TMostRecentFiles(20, key).MaxFiles(), 8);
}

// Two running copies: what each added or removed is merged into the list
// stored when it closes; a copy that changed nothing writes nothing.
TEST(MostRecentFilesTest, TwoRunningCopiesMergeTheirLists) {
    testing::TTempFolder folder;
    const std::string key = "\\Software\\Morvane\\kestrune";
    {
        TMostRecentFiles files(8, key);
        for (const char* name : {"/p/old", "/p/gone", "/p/kept"}) files.AddFile(name);
    }
    auto window = std::make_unique<TMostRecentFiles>(8, key);
    auto station = std::make_unique<TMostRecentFiles>(8, key);
    auto idle = std::make_unique<TMostRecentFiles>(8, key);
    window->AddFile("/p/window");
    window->RemoveFile("/p/gone");
    station->AddFile("/p/station");
    station->AddFile("/p/old");
    window.reset();
    station.reset();
    idle.reset();
    EXPECT_THAT(TMostRecentFiles(8, key).Files(), ElementsAre("/p/old", "/p/station", "/p/window", "/p/kept"));
}

// Without a key the list lives in an ini file: a bare name is a program
// file, a name with a folder is that file, and no name is the program's
// name with ".ini".
TEST(MostRecentFilesTest, WithoutAKeyTheListIsAnIniFileSection) {
    testing::TTempFolder folder;
    SetProgramNameOverride("kestrune");
    EXPECT_EQ(TMostRecentFiles::IniFileName(""), folder / "program/kestrune.ini");
    EXPECT_EQ(TMostRecentFiles::IniFileName("recent.ini"), folder / "program/recent.ini");
    EXPECT_EQ(TMostRecentFiles::IniFileName(folder / "elsewhere/recent.ini"), folder / "elsewhere/recent.ini");
    {
        TMostRecentFiles files(4, "", "recent.ini");
        for (const char* name : {"/p/a", "/p/b", "/p/c"}) files.AddFile(name);
    }
    const std::string written = testing::TTempFolder::Read(folder / "program/recent.ini");
    EXPECT_NE(written.find("[MRU List]\r\n1=/p/c\r\n2=/p/b\r\n3=/p/a\r\n4=\r\n"), std::string::npos) << written;
    EXPECT_THAT(TMostRecentFiles(4, "", "recent.ini").Files(), ElementsAre("/p/c", "/p/b", "/p/a"));
    // The list read stops at the first empty entry; nothing went to the registry.
    folder.Write("program/kestrune.ini", "[MRU List]\n1=/p/x\n2=\n3=/p/y\n");
    EXPECT_THAT(TMostRecentFiles(8, "").Files(), ElementsAre("/p/x"));
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKeyReadOnly("\\Software\\Morvane\\kestrune") && registry.ValueExists("MRU1"));
    SetProgramNameOverride("");
}

// A core that writes each product where and when it is asked for.
class TSerialCore : public TMainCore {
public:
    using TMainCore::TMainCore;
    unsigned ProductThreads() const override { return 0; }
};

// A pass's line of processed.lst is never lost unsaid: where the program's
// folder cannot take it (a folder stands in its place, as a full disk
// refuses it), it goes to the user's data folder and is told; where it can
// go nowhere, the run says so and ends with status 3.
TEST_F(MainCoreTest, ThePassLogLineIsNeverLostUnsaid) {
    TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
    const std::string pass = WritePass();
    const std::filesystem::path mine = folder / "data/Kestrune/processed.lst";
    std::filesystem::create_directories(folder / "program/processed.lst");
    const auto run = [&] {
        ::testing::internal::CaptureStderr();
        auto core = Start({pass, "-OUTPUT:" + folder / "out/", "-FC:x.jpg"});
        core->TimerNewFileTimer();
        const int status = core->ExitCode();
        core.reset();
        return std::pair<int, std::string>(status, ::testing::internal::GetCapturedStderr());
    };
    const auto [status, told] = run();
    EXPECT_EQ(status, 0);
    EXPECT_NE(told.find("kestrune: Could not add the pass to processed.lst: "), std::string::npos) << told;
    EXPECT_NE(told.find("; its line went to " + mine.string()), std::string::npos) << told;
    const std::string list = testing::TTempFolder::Read(mine.string());
    EXPECT_EQ(list.rfind("230503_1200_noaa18; NOAA", 0), 0u) << list;

    std::filesystem::remove(mine);
    std::filesystem::create_directories(mine);
    const auto [lostStatus, lostTold] = run();
    EXPECT_EQ(lostStatus, 3);
    EXPECT_NE(lostTold.find("the pass's line is written nowhere"), std::string::npos) << lostTold;
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
}

// Every file of a folder with its bytes; the diagnostics' start time left out.
std::map<std::string, std::string> FolderFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::string bytes = testing::TTempFolder::Read(entry.path().string());
        const size_t started = bytes.find("run started at ");
        if (started != std::string::npos) bytes.erase(started, bytes.find('\n', started) - started);
        files[entry.path().filename().string()] = bytes;
    }
    return files;
}

// A station's run writes the same files, says the same and ends the same,
// whether its products are written one after the other or at the same time;
// the diagnostics at its end hold what the products said.
TEST_F(MainCoreTest, ProductsWrittenAtTheSameTimeAreThoseWrittenInTurn) {
    TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
    const std::string pass = WritePass();
    const std::string out = folder / "out/";
    const auto run = [&](bool serial) {
        std::filesystem::remove_all(out);
        // Folders where two data products go: they cannot be written.
        std::filesystem::create_directories(out + "230503_1200_noaa18.t2.alb");
        std::filesystem::create_directories(out + "230503_1200_noaa18.sst");
        const TParams params{pass, "-OUTPUT:" + out, "-FC:x.jpg", "-TEMP:t.jpg", "-GROUPB:", "-DIAGNOSTICS:"};
        auto core = serial ? std::make_unique<TSerialCore>(host, params) : std::make_unique<TMainCore>(host, params);
        core->FormShow();
        core->TimerNewFileTimer();
        EXPECT_EQ(core->ExitCode(), 3);
        return FolderFiles(out);
    };
    const auto serial = run(true);
    const auto threads = run(false);
    EXPECT_EQ(serial.size(), 10u);
    for (const auto& [name, bytes] : serial) {
        ASSERT_TRUE(threads.count(name)) << name;
        EXPECT_TRUE(threads.at(name) == bytes) << name << " differs";
    }
    const std::string diagnostics = threads.at("230503_1200_noaa18_diag.txt");
    EXPECT_NE(diagnostics.find("-GROUPB: the SST data was not written"), std::string::npos) << diagnostics;
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
}

}  // namespace
}  // namespace kestrune
