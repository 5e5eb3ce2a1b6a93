#include "platform/Registry.h"

#include "tests/platform/TempFolder.h"
#include "tests/platform/Unprivileged.h"

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
                 "\"Flag\"=DWORD:0000000A\r\n");
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\Morvane\\Quenmar", false));
    EXPECT_EQ(registry.ReadString("TwoLineDataPath"), "/srv/keps");
    EXPECT_EQ(registry.ReadInteger("Flag"), 10);
    EXPECT_EQ(registry.GetDataType("Blob"), TRegDataType::rdBinary);
    EXPECT_FALSE(registry.KeyExists("\\Software\\Other"));
    registry.WriteInteger("Added", 3);
    EXPECT_EQ(registry.GetDataType("Blob"), TRegDataType::rdBinary);
    EXPECT_NE(TTempFolder::Read(store).find("\"Blob\"=hex:01,02,03,04\n"), std::string::npos);
}

// Replacing it would lose every value it holds.
TEST_F(RegistryTest, AStoreThatCannotBeReadIsNotReplaced) {
    const std::string stored = "[HKEY_CURRENT_USER\\Software\\Test]\n\"A\"=dword:00000001\n";
    const std::string store = folder.Write("config/Morvane/HKCU.reg", stored);
    const std::string report = testing::RunUnprivileged(folder.Path(), [&]() -> std::string {
        chmod(store.c_str(), 0200);
        TRegistry registry;
        const bool opened = registry.OpenKey("\\Software\\Test", false);
        bool written = true;
        try {
            registry.WriteInteger("B", 2);
        } catch (const ERegistryException&) {
            written = false;
        }
        chmod(store.c_str(), 0600);
        return opened ? "an unreadable key opened" : written ? "written" : "";
    });
    EXPECT_EQ(report, "");
    EXPECT_EQ(TTempFolder::Read(store), stored);
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
