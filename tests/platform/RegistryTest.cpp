#include "platform/Registry.h"
#include "platform/ProgramStrings.h"
#include "platform/RegistryVariables.h"

#include "platform/DialogService.h"

#include "tests/platform/TempFolder.h"
#include "tests/platform/Unprivileged.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace kestrune {
namespace {

using testing::TTempFolder;

class RegistryTest : public ::testing::Test {
protected:
    // Some cases script the dialog service to read what the store told: the
    // next test program's case finds it as it was.
    ~RegistryTest() override {
        TDialogService::Instance().ClearScript();
        TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
    }

    TTempFolder folder;
};

TEST_F(RegistryTest, ValuesSurviveARoundTripThroughTheFile) {
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("\\Software\\Morvane\\kestrune", true));
        registry.WriteInteger("Count", 10);
        registry.WriteInteger("Negative", -2);
        registry.WriteString("DataFolder", "C:\\passes \"old\"\nnext line");
        registry.WriteString("Empty", "");
        registry.WriteString("Degrees", "12\xC2\xB0N");
    }
    const std::string text = TTempFolder::Read(TRegistry::DefaultStoreFile());
    EXPECT_NE(text.find("Windows Registry Editor Version 5.00\n"), std::string::npos);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Morvane\\kestrune]\n"), std::string::npos);
    EXPECT_NE(text.find("\"Count\"=dword:0000000a\n"), std::string::npos);
    EXPECT_NE(text.find("\"Negative\"=dword:fffffffe\n"), std::string::npos);

    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("Software\\MORVANE\\Kestrune\\", false));
    EXPECT_EQ(registry.ReadInteger("count"), 10);
    EXPECT_EQ(registry.ReadInteger("NEGATIVE"), -2);
    EXPECT_EQ(registry.ReadString("DataFolder"), "C:\\passes \"old\"\nnext line");
    EXPECT_TRUE(registry.ValueExists("Empty"));
    EXPECT_EQ(registry.ReadString("Empty"), "");
    EXPECT_EQ(registry.ReadString("Degrees"), "12\xC2\xB0N");
    EXPECT_EQ(registry.GetValueNames(), (std::vector<std::string>{"Count", "Negative", "DataFolder", "Empty", "Degrees"}));
}

TEST_F(RegistryTest, AHandWrittenFileIsReadAndItsOtherValuesKept) {
    const std::string store = TRegistry::DefaultStoreFile();
    folder.Write("config/Morvane/HKCU.reg",
                 "Windows Registry Editor Version 5.00\r\n\r\n"
                 "; written by hand\r\n"
                 "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"Skip\"=dword:00000001\r\n\r\n"
                 "[HKEY_CURRENT_USER\\Software\\Morvane\\Quenmar]\r\n"
                 "\"TwoLineDataPath\"=\"/srv/keps\"\r\n"
                 "\"Blob\"=hex:01,02,\\\r\n  03,04\r\n"
                 "\"Flag\"=DWORD:0000000A\r\n"
                 "\"Spaced\" =\t\"/home/station/tle\"\r\n"
                 "typed by mistake\r\n"
                 "\"Unclosed=dword:1\r\n"
                 "\"Gr\xFC\xDF\"=\"x\"\r\n");
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    TDialogService::Instance().ClearScript();
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Morvane\\Quenmar", false));
    EXPECT_EQ(registry.ReadString("TwoLineDataPath"), "/srv/keps");
    EXPECT_EQ(registry.ReadInteger("Flag"), 10);
    EXPECT_EQ(registry.ReadString("Spaced"), "/home/station/tle");
    EXPECT_EQ(registry.ReadString("Gr\xFC\xDF"), "x");
    EXPECT_EQ(registry.GetDataType("Blob"), TRegDataType::rdBinary);
    EXPECT_FALSE(registry.KeyExists("\\Software\\Other"));
    registry.WriteInteger("Added", 3);
    EXPECT_EQ(registry.GetDataType("Blob"), TRegDataType::rdBinary);
    const std::string written = TTempFolder::Read(store);
    EXPECT_NE(written.find("\"Blob\"=hex:01,02,03,04\n"), std::string::npos);
    // What the program cannot read, or is not its own, is kept as it stands.
    for (const char* kept : {"; written by hand\n", "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Skip\"=dword:00000001\n",
                             "\ntyped by mistake\n\"Unclosed=dword:1\n"})
        EXPECT_NE(written.find(kept), std::string::npos) << kept << " in " << written;
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests()[0].text,
              "The settings file " + store + " holds lines that are no setting the program can read; they are kept as "
              "they stand: line 4: [HKEY_LOCAL_MACHINE\\Software\\Other]; line 13: typed by mistake; line 14: "
              "\"Unclosed=dword:1");
}

// Replacing it would lose every value it holds: it is kept aside, once,
// with one message, and the settings start afresh.
// Reads at a start come hundreds at a time and are answered from the text
// read last; a file changed in place (same size, at once) is read anew,
// and so is one that turns into garbage and back.
TEST_F(RegistryTest, EveryReadSeesTheFileAsItIsNow) {
    const auto store = [&](const std::string& value) {
        folder.Write("config/Morvane/HKCU.reg", "Windows Registry Editor Version 5.00\n\n"
                                                "[HKEY_CURRENT_USER\\Software\\Morvane\\kestrune]\n"
                                                "\"Station\"=\"" + value + "\"\n");
    };
    const auto station = [] {
        TRegistry registry;
        return registry.OpenKey("\\Software\\Morvane\\kestrune", false) ? registry.ReadString("Station") : std::string("(none)");
    };
    store("Dundee");
    EXPECT_EQ(station(), "Dundee");
    EXPECT_EQ(station(), "Dundee");
    store("Tromso");
    EXPECT_EQ(station(), "Tromso");
    folder.Write("config/Morvane/HKCU.reg", std::string(300, '\x01'));
    EXPECT_EQ(station(), "(none)");
    store("Tromso");
    EXPECT_EQ(station(), "Tromso");
}

TEST_F(RegistryTest, AStoreThatCannotBeReadIsKeptAside) {
    const std::string stored = "[HKEY_CURRENT_USER\\Software\\Test]\n\"A\"=dword:00000001\n";
    const std::string store = folder.Write("config/Morvane/HKCU.reg", stored);
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    TDialogService::Instance().ClearScript();
    const std::string report = testing::RunUnprivileged(folder.Path(), [&]() -> std::string {
        chmod(store.c_str(), 0200);
        TRegistry registry;
        const bool opened = registry.OpenKey("\\Software\\Test", false);
        registry.OpenKey("\\Software\\Test", true);
        registry.WriteInteger("B", 2);
        registry.WriteInteger("C", 3);
        const size_t messages = TDialogService::Instance().Requests().size();
        return opened ? "an unreadable key opened" : messages != 1 ? std::to_string(messages) + " messages" : "";
    });
    EXPECT_EQ(report, "");
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "config/Morvane"))
        if (entry.path().filename().string().starts_with("HKCU.reg.damaged-")) kept.push_back(entry.path());
    ASSERT_EQ(kept.size(), 1u);
    chmod(kept[0].c_str(), 0600);
    EXPECT_EQ(TTempFolder::Read(kept[0]), stored);
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Test", false));
    EXPECT_FALSE(registry.ValueExists("A"));
    EXPECT_EQ(registry.ReadInteger("C"), 3);
}

// What the other platform's registry editor exports is read; a file of
// which no key can be made is damaged and kept aside at the next write.
TEST_F(RegistryTest, AUtf16ExportIsReadAndGarbageIsKeptAside) {
    const std::u16string exported =
        u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n"
        u"\"Place\"=\"K\u00F8ge \U0001F6F0\"\r\n\"N\"=dword:00000007\r\n";
    for (const bool little : {true, false}) {
        std::string bytes;
        for (const char16_t unit : exported) {
            const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
            bytes += little ? std::string{low, high} : std::string{high, low};
        }
        folder.Write("config/Morvane/HKCU.reg", bytes);
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("\\Software\\Test", false)) << little;
        EXPECT_EQ(registry.ReadString("Place"), "K\xC3\xB8ge \xF0\x9F\x9B\xB0") << little;
        EXPECT_EQ(registry.ReadInteger("N"), 7) << little;
    }
    folder.Write("config/Morvane/HKCU.reg", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("\\Software\\Test", false));
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    TDialogService::Instance().ClearScript();
    registry.OpenKey("\\Software\\Test", true);
    // Kept aside with its cause, as the store's other problems are told.
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_NE(TDialogService::Instance().Requests()[0].text.find("holds no settings: its text is not that of a settings file"),
              std::string::npos)
        << TDialogService::Instance().Requests()[0].text;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "config/Morvane"),
                            std::filesystem::directory_iterator()),
              3);  // the store, its lock and the damaged file
}

// Data ending in "\" (as a damaged binary value may) is written so that it
// neither swallows the next line nor changes.
TEST_F(RegistryTest, DataEndingInABackslashReadsBackAsItself) {
    folder.Write("config/Morvane/HKCU.reg",
                 "[HKEY_CURRENT_USER\\Software\\Test]\n\"Path\"=hex:41,\\ \n\"Next\"=dword:00000001\n"
                 "\"Joined\"=hex:42,\\\\\n\n\"Last\"=\"z\"\n");
    for (int round = 0; round < 2; ++round) {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("\\Software\\Test", false));
        registry.WriteInteger("Round", round);
        EXPECT_EQ(registry.GetValueNames(), (std::vector<std::string>{"Path", "Next", "Joined", "Last", "Round"}));
        EXPECT_EQ(registry.GetDataType("Path"), TRegDataType::rdBinary);
        EXPECT_EQ(registry.ReadInteger("Next"), 1);
        EXPECT_EQ(registry.ReadString("Last"), "z");
    }
}

// A kept line ending in "\\" as the file's last line joins no value written
// after it; a name given twice is read from its last line, and its earlier
// line is kept and told, not dropped unsaid, once however often it is read.
TEST_F(RegistryTest, ALastLineContinuedAndANameGivenTwiceLoseNothing) {
    const std::string store = folder.Write("config/Morvane/HKCU.reg",
                                           "[HKEY_CURRENT_USER\\Software\\Test]\n\"Twice\"=dword:00000001\n"
                                           "\"Twice\"=dword:00000002\ntyped by mistake \\");
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    TDialogService::Instance().ClearScript();
    for (int round = 1; round <= 3; ++round) {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("\\Software\\Test", false));
        EXPECT_EQ(registry.ReadInteger("Twice"), 2) << round;
        if (round > 1) {
            EXPECT_EQ(registry.ValueExists("Round") ? registry.ReadInteger("Round") : 0, round - 1)
                << round << ": the value written after the last line was lost";
        }
        registry.WriteInteger("Round", round);
    }
    const std::string written = TTempFolder::Read(store);
    EXPECT_NE(written.find("\"Twice\"=dword:00000001\n"), std::string::npos) << written;
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_NE(TDialogService::Instance().Requests()[0].text.find("line 2: \"Twice\"=dword:00000001; line 4: typed by mistake"),
              std::string::npos)
        << TDialogService::Instance().Requests()[0].text;
}

// Lines the program cannot read, met before anybody can be told (settings
// are read before the window), are told once, in the language in effect
// when told, however often the store is read meanwhile.
TEST_F(RegistryTest, UnreadLinesAreToldOnceInTheLanguageInEffect) {
    folder.Write("config/Morvane/HKCU.reg", "[HKEY_CURRENT_USER\\Software\\Test]\ntyped by mistake\n\"A\"=dword:00000001\n");
    TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);  // no log yet: nobody is reached
    TDialogService::Instance().ClearScript();
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Test", false));
    EXPECT_EQ(registry.ReadInteger("A"), 1);
    const TResStrLookup english = SetResStrLookup([](uint16_t id) { return "<" + ProgramText(id) + ">"; });
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    TellHeldStoreProblems();
    registry.WriteInteger("A", 2);
    EXPECT_EQ(registry.ReadInteger("A"), 2);
    SetResStrLookup(english);
    const auto& requests = TDialogService::Instance().Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].text.rfind("<The settings file ", 0), 0u) << requests[0].text;
}

// A default is stored only where nothing of its type is stored yet.
TEST_F(RegistryTest, WritesIfUnsetKeepWhatIsStored) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Test", true));
    registry.WriteInteger("Number", 4);
    registry.WriteInteger("Text", 4);
    registry.WriteIntegerIfUnset("Number", 5);
    registry.WriteStringIfUnset("Text", "five");
    registry.WriteIntegerIfUnset("Missing", 6);
    EXPECT_EQ(registry.ReadInteger("Number"), 4);
    EXPECT_EQ(registry.ReadString("Text"), "five");
    EXPECT_EQ(registry.ReadInteger("Missing"), 6);
}

void WriteMany(const std::string& prefix, int count) {
    TRegistry registry;
    registry.OpenKey("\\Software\\Morvane\\Kestrune", true);
    for (int i = 0; i < count; ++i) registry.WriteInteger(prefix + std::to_string(i), i);
}

void ExpectAllPresent(const std::vector<std::string>& prefixes, int count) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Morvane\\Kestrune", false));
    EXPECT_EQ(registry.GetValueNames().size(), prefixes.size() * static_cast<size_t>(count));
    for (const std::string& prefix : prefixes)
        for (int i = 0; i < count; ++i) EXPECT_EQ(registry.ReadInteger(prefix + std::to_string(i)), i);
}

// Whatever stands in the store's place is met at once, told with its cause,
// and costs no more than the defaults: the run goes on.
class StoreInPlaceTest : public RegistryTest {
protected:
    void SetUp() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }

    std::string Told() const {
        std::string texts;
        for (const TDialogRequest& request : TDialogService::Instance().Requests()) texts += request.text + "\n";
        return texts;
    }

    // Opens the program's key for reading, then tries to store one value.
    static std::string OpenAndSave() {
        TRegistry registry;
        if (registry.OpenKey("\\Software\\Morvane\\kestrune", false)) return "a key was read";
        try {
            registry.OpenKey("\\Software\\Morvane\\kestrune", true);
            registry.WriteInteger("JpegSaveQuality", 2);
        } catch (const ERegistryException& error) {
            return error.what();
        }
        return "saved";
    }

    std::string Store() const { return folder / "config/Morvane/HKCU.reg"; }

    std::vector<std::string> KeptAside() const {
        std::vector<std::string> kept;
        for (const auto& entry : std::filesystem::directory_iterator(folder / "config/Morvane"))
            if (entry.path().filename().string().starts_with("HKCU.reg.damaged-")) kept.push_back(entry.path());
        return kept;
    }
};

int64_t PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

TEST_F(StoreInPlaceTest, AStoreLargerThanAnyIsKeptAsideUnread) {
    const int64_t before = PeakMiB();
    std::string lines = "[HKEY_CURRENT_USER\\Software\\Morvane\\kestrune]\n";
    while (lines.size() < (size_t{20} << 20)) lines += "\"x\"=\"y\"\n";
    folder.Write("config/Morvane/HKCU.reg", lines);
    EXPECT_EQ(OpenAndSave(), "saved");
    ASSERT_EQ(KeptAside().size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(KeptAside()[0]), lines.size());
    EXPECT_NE(Told().find("holds " + std::to_string(lines.size()) + " bytes, far more than any settings file"), std::string::npos)
        << Told();
    EXPECT_EQ(TDialogService::Instance().Requests().size(), 1u) << Told();

    // Two gigabytes of zeros, as a full disk's remains may be.
    std::filesystem::remove(KeptAside()[0]);
    folder.Write("config/Morvane/HKCU.reg", "");
    std::filesystem::resize_file(Store(), uintmax_t{2} << 30);
    EXPECT_EQ(OpenAndSave(), "saved");
    ASSERT_EQ(KeptAside().size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(KeptAside()[0]), uintmax_t{2} << 30);
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Morvane\\kestrune", false));
    EXPECT_EQ(registry.ReadInteger("JpegSaveQuality"), 2);
    EXPECT_LT(PeakMiB() - before, 200);
}

// A named pipe or a folder in the store's place is left as it is; so is a
// file where the store's folder should be. Nothing waits on them.
TEST_F(StoreInPlaceTest, WhatIsNoFileIsLeftAloneAndTold) {
    std::filesystem::create_directories(folder / "config/Morvane");
    ASSERT_EQ(mkfifo(Store().c_str(), 0600), 0);
    // A pipe that nobody writes would hold a reader for good: the child ends the wait.
    // The child is started afresh, not forked: a fork of a process whose other
    // tests left threads may inherit a lock one of them held.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            alarm(20);
            const std::string saved = OpenAndSave();
            const bool told = Told().find(Store() + " is a named pipe") != std::string::npos;
            std::exit(saved.find("is a named pipe") != std::string::npos && told ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    struct stat info {};
    ASSERT_EQ(stat(Store().c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    std::filesystem::remove(Store());

    std::filesystem::create_directories(Store());
    EXPECT_NE(OpenAndSave().find(Store() + " is a folder"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(Store()));
    std::filesystem::remove(Store());

    std::filesystem::remove_all(folder / "config/Morvane");
    folder.Write("config/Morvane", "not a folder");
    const std::string why = "The settings folder " + (folder / "config/Morvane") + " is a file, not a folder";
    EXPECT_NE(OpenAndSave().find(why), std::string::npos);
    EXPECT_NE(Told().find(why), std::string::npos) << Told();
    EXPECT_EQ(TTempFolder::Read(folder / "config/Morvane"), "not a folder");
}

// A lock that cannot be taken says why.
TEST_F(StoreInPlaceTest, ALockFileThatCannotBeOpenedIsToldWithItsCause) {
    std::filesystem::create_directories(Store() + ".lock");
    EXPECT_NE(OpenAndSave().find("Could not open lock file " + Store() + ".lock: Is a directory"), std::string::npos);
    EXPECT_NE(Told().find("The settings cannot be saved: Could not open lock file " + Store() + ".lock: Is a directory"),
              std::string::npos)
        << Told();
    // Told once: a writer that meets it again after the store said so says no more.
    std::string logged;
    SetRegistryErrorLog([&](const std::string& text) { logged += text; });
    WriteOwnAppPath();
    SetRegistryErrorLog({});
    EXPECT_EQ(logged, "");
}

TEST_F(RegistryTest, TwoProcessesWritingAtOnceLoseNothing) {
    const pid_t child = fork();
    if (child == 0) {
        WriteMany("Child", 60);
        _exit(0);
    }
    WriteMany("Parent", 60);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ExpectAllPresent({"Child", "Parent"}, 60);
}

}  // namespace
}  // namespace kestrune
