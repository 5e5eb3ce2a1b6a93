#include "platform/FileUtils.h"

#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

using testing::TTempFolder;

TEST(MatchesMask, StarsAndQuestionMarksIgnoringCase) {
    EXPECT_TRUE(MatchesMask("NOAA19.tle", "*.TLE"));
    EXPECT_TRUE(MatchesMask("noaa19.tle", "NOAA??.tle"));
    EXPECT_FALSE(MatchesMask("noaa1.tle", "NOAA??.tle"));
    EXPECT_TRUE(MatchesMask("2024-02-09-0705.hpt", "2024*09*.hpt"));
    EXPECT_FALSE(MatchesMask("a.hpt.thumb.jpg", "*.hpt"));
    EXPECT_TRUE(MatchesMask("a.hpt.thumb.jpg", "*.thumb.jpg"));
    EXPECT_TRUE(MatchesMask("README", "*.*"));
    EXPECT_TRUE(MatchesMask("", "*"));
    EXPECT_FALSE(MatchesMask("", "?"));
    EXPECT_TRUE(MatchesMask("aXbXc", "*X*X*c"));
}

class FileSearchTest : public ::testing::Test {
protected:
    TTempFolder folder;
};

TEST_F(FileSearchTest, NewestDatedFileLooksInTheMasksOwnFolderFirst) {
    folder.Write("arc/2024-02-01-1000.hpt", "x");
    folder.Write("arc/2024/02/09/2024-02-09-0705.hpt", "x");
    const TDateTime day = EncodeDate(2024, 2, 9);
    EXPECT_EQ(FindNewestDatedFile(folder / "arc/*.hpt", day), folder / "arc/2024-02-01-1000.hpt");
}

TEST_F(FileSearchTest, NewestDatedFileWalksBackThroughTheDayFolders) {
    folder.Write("arc/2024/02/07/2024-02-07-0705.hpt", "x");
    folder.Write("arc/2024/02/07/2024-02-07-2210.hpt", "x");
    folder.Write("arc/2024/02/05/2024-02-05-0101.hpt", "x");
    const TDateTime day = EncodeDate(2024, 2, 9) + 0.75;
    EXPECT_EQ(FindNewestDatedFile(folder / "arc/*.hpt", day), folder / "arc/2024/02/07/2024-02-07-2210.hpt");
    EXPECT_EQ(FindNewestDatedFile(folder / "arc/*.hpt", 0), "");
    // 28 days back is still searched, 29 days back is not.
    EXPECT_EQ(FindNewestDatedFile(folder / "arc/*.hpt", EncodeDate(2024, 3, 6)),
              folder / "arc/2024/02/07/2024-02-07-2210.hpt");
    EXPECT_EQ(FindNewestDatedFile(folder / "arc/*.hpt", EncodeDate(2024, 3, 7)), "");
}

TEST_F(FileSearchTest, FileDatesAreUtcAndStoredInTwoSecondSteps) {
    const std::string file = folder.Write("pass.raw", "x");
    const TDateTime when = EncodeDate(2024, 2, 9) + EncodeTime(7, 5, 3, 420);
    SetFileDateTime(file, when);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", GetFileDateUtc(file)), "2024-02-09 07:05:02.000");
    EXPECT_DOUBLE_EQ(GetFileDate(file), GetFileDateUtc(file));
    SetFileDateTime(file, 0);
    EXPECT_EQ(FormatDateTime("hh:nn:ss", GetFileDate(file)), "07:05:02");
    EXPECT_EQ(GetFileDateUtc(folder / "missing"), 0);
    EXPECT_EQ(GetFileDateUtc(folder.Path()), 0);
    SetFileDateTime(folder / "missing", when);
    EXPECT_FALSE(FileExists(folder / "missing"));
}

TEST_F(FileSearchTest, ExpandLongPathGivesAnAbsoluteNormalPath) {
    folder.Write("a/b/c.raw", "x");
    EXPECT_EQ(ExpandLongPath(folder / "a/./b/../b/c.raw"), folder / "a/b/c.raw");
    EXPECT_EQ(ExpandLongPath(folder / "a/b/"), folder / "a/b");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder / "a");
    EXPECT_EQ(ExpandLongPath("b/c.raw"), folder / "a/b/c.raw");
    std::filesystem::current_path(previous);
    try {
        ExpandLongPath(folder / "a/x/c.raw");
        FAIL();
    } catch (const Exception& error) {
        EXPECT_EQ(std::string(error.what()), "Path " + (folder / "a/x") + " does not exist!");
    }
}

}  // namespace
}  // namespace kestrune
