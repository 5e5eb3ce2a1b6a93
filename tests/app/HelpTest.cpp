#include "app/hh.h"
#include "app/hh_funcs.h"

#include "platform/DialogService.h"
#include "platform/SysUtils.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kestrune {
namespace {

std::vector<std::string> LogLines(const std::string& file) {
    std::vector<std::string> lines;
    for (std::string line : SplitString(testing::TTempFolder::Read(file), '\n')) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
    void TearDown() override {
        SetHelpViewer(nullptr);
        InitDebugMode({});
    }

    std::string LogFile() const { return folder / "program/HHDebug.txt"; }

    testing::TTempFolder folder;
};

TEST_F(HelpTest, LogHeaderRulesAndTimeStamps) {
    const std::string file = folder / "HHDebug.txt";
    folder.Write("HHDebug.txt", "old run\r\n");
    TDLogFile log(file, true, {"pass.hpt", "-debug"});
    const std::vector<std::string> header = LogLines(file);
    ASSERT_GT(header.size(), 10u);
    EXPECT_EQ(header[0], std::string(80, '='));
    EXPECT_EQ(header[1], "Log File: " + file);
    EXPECT_TRUE(StartsText("Date: ", header[2]));
    EXPECT_EQ(header[7], "DecimalSeparator: .");
    EXPECT_EQ(header[8], std::string(80, '-'));
    EXPECT_EQ(header[11], "Parameters: pass.hpt -debug");

    log.Write("-");
    log.Write("!plain text");
    log.Write("=heading");
    log.Write("a message");
    const std::vector<std::string> lines = LogLines(file);
    const size_t end = lines.size();
    EXPECT_EQ(lines[end - 4], std::string(80, '-'));
    EXPECT_EQ(lines[end - 3], "plain text");
    EXPECT_EQ(lines[end - 2], "heading");
    const std::string stamped = lines[end - 1];
    ASSERT_EQ(stamped.size(), 19u + 3 + 9);
    EXPECT_EQ(stamped.substr(4, 1), "-");
    EXPECT_EQ(stamped.substr(19), "   a message");
}

TEST_F(HelpTest, DebugModeBySwitchOrMarkerFile) {
    InitDebugMode({"pass.hpt", "-FC:X.JPG"});
    EXPECT_FALSE(DebugMode());
    DebugOut("not written");
    EXPECT_FALSE(FileExists(LogFile()));

    InitDebugMode({"pass.hpt", "/DEBUG"});
    EXPECT_TRUE(DebugMode());
    EXPECT_EQ(DebugLog().FileName(), LogFile());
    DebugOut("written");
    EXPECT_TRUE(EndsText("   written", LogLines(LogFile()).back()));

    InitDebugMode({});
    EXPECT_FALSE(DebugMode());
    EXPECT_FALSE(FileExists(LogFile()));
    folder.Write("program/debug.debug", "");
    InitDebugMode({});
    EXPECT_TRUE(DebugMode());
    EXPECT_TRUE(FileExists(LogFile()));
}

TEST_F(HelpTest, ContextOpensThePageAndIsLogged) {
    InitDebugMode({"-debug"});
    std::vector<std::string> opened;
    SetHelpViewer([&](const std::string& address) {
        opened.push_back(address);
        return true;
    });
    {
        THookHelpSystem help("/program/Kestrune.html", "", 0);
        bool callHelp = true;
        help.HelpHook(HELP_CONTEXTPOPUP, 450, callHelp);
        help.HelpHook(HELP_SETPOPUP_POS, (7 << 16) | 0xFFFE, callHelp);
        EXPECT_EQ(help.PopupX(), -2);
        EXPECT_EQ(help.PopupY(), 7);
        help.HelpHook(HELP_FINDER, 0, callHelp);
        EXPECT_TRUE(callHelp);
        EXPECT_EQ(THookHelpSystem("x.html", "", 2).HelpHook(HELP_CONTEXT, 1, callHelp), true);
    }
    EXPECT_EQ(opened, std::vector<std::string>{"/program/Kestrune.html#450"});
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests()[0].text, "System file HH.EXE was not found in the Windows folder.");
    const std::vector<std::string> lines = LogLines(LogFile());
    const auto logged = [&](const std::string& text) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return EndsText(text, line); });
    };
    EXPECT_TRUE(logged("THookHelpSystem.Create(\"/program/Kestrune.html\",\"\", 0)"));
    EXPECT_TRUE(logged("THookHelpSystem.HelpHook(HELP_CONTEXTPOPUP (8), 450)"));
    EXPECT_TRUE(logged("ShowContext(\"/program/Kestrune.html\", 450)"));
    EXPECT_TRUE(logged("  returned - 0"));
    EXPECT_TRUE(logged("HHShowError(3), \"System file HH.EXE was not found in the Windows folder.\""));
    EXPECT_TRUE(logged("THookHelpSystem.Destroy"));
}

}  // namespace
}  // namespace kestrune
