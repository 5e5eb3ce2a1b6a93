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

TEST_F(HelpTest, ALogThatCannotBeWrittenIsReportedOnceAndTheRunGoesOn) {
    const std::string file = folder / "missing-folder/HHDebug.txt";
    ::testing::internal::CaptureStderr();
    TDLogFile log(file, true, {});
    log.Write("a message");
    const std::string reported = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("Cannot write the debug log " + file), std::string::npos) << reported;
    EXPECT_EQ(reported.find("Cannot write", reported.find("Cannot write") + 1), std::string::npos) << "reported once";
}

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

}  // namespace
}  // namespace kestrune
