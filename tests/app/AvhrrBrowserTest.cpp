#include "app/AvhrrBrowser.h"

#include <gtest/gtest.h>

#include <set>

namespace kestrune {
namespace {

TEST(AvhrrBrowserTest, DatedFoldersParseByTheirLastTwelveCharacters) {
    const auto dated = ParseDatedFolder("/data/2021/05/04/");
    ASSERT_TRUE(dated);
    EXPECT_EQ(dated->Base, "/data/");
    EXPECT_EQ(dated->Date, EncodeDate(2021, 5, 4));
    for (const char* path : {"/data/misc/", "/data/2021/13/04/", "/data/2021/02/30/", "2021/05/04/", "/data/2021/05/4x/", ""})
        EXPECT_FALSE(ParseDatedFolder(path)) << path;
}

TEST(AvhrrBrowserTest, DayStepsCrossMonthAndYearEnds) {
    const struct {
        TDateTime From;
        int Step;
        const char* Folder;
    } cases[] = {
        {EncodeDate(2021, 5, 4), -1, "/a/2021/05/03/"},
        {EncodeDate(2021, 1, 31), 1, "/a/2021/02/01/"},
        {EncodeDate(2020, 12, 31), 1, "/a/2021/01/01/"},
        {EncodeDate(2021, 1, 1), -1, "/a/2020/12/31/"},
        {EncodeDate(2024, 2, 28), 1, "/a/2024/02/29/"},
    };
    for (const auto& c : cases) EXPECT_EQ(DatedFolderPath("/a/", c.From + c.Step), c.Folder);
    // Round trip of a day folder and its parse.
    EXPECT_EQ(ParseDatedFolder(DatedFolderPath("/b/", EncodeDate(1999, 12, 31)))->Date, EncodeDate(1999, 12, 31));
}

TEST(AvhrrBrowserTest, PreviewsPairWithHptBeforeRaw16) {
    const struct {
        std::set<std::string> Present;
        const char* Chosen;
        const char* Data;
        const char* Preview;
    } cases[] = {
        {{"x.thumb.jpg", "x.hpt", "x.raw16"}, "x.thumb.jpg", "x.hpt", "x.thumb.jpg"},
        {{"x.thumb.jpg", "x.raw16"}, "x.thumb.jpg", "x.raw16", "x.thumb.jpg"},
        {{"x.THUMB.JPG"}, "x.THUMB.JPG", "", "x.THUMB.JPG"},
        {{"x.hpt"}, "x.hpt", "x.hpt", ""},
        {{"x.RAW16", "x.thumb.jpg"}, "x.RAW16", "x.RAW16", "x.thumb.jpg"},
        // Stations that write upper case pair as well, on a file system that tells cases apart.
        {{"N19_1200.HPT", "N19_1200.THUMB.JPG"}, "N19_1200.THUMB.JPG", "N19_1200.HPT", "N19_1200.THUMB.JPG"},
        {{"N19_1200.HPT", "N19_1200.THUMB.JPG"}, "N19_1200.HPT", "N19_1200.HPT", "N19_1200.THUMB.JPG"},
        {{"m02.Raw16", "m02.Thumb.Jpg"}, "m02.Thumb.Jpg", "m02.Raw16", "m02.Thumb.Jpg"},
        // The exact name wins over one that differs only in case.
        {{"x.thumb.jpg", "x.HPT", "x.hpt"}, "x.thumb.jpg", "x.hpt", "x.thumb.jpg"},
    };
    for (const auto& c : cases) {
        const auto files = PairPassFiles(c.Chosen, [&](const std::string& name) {
            for (const std::string& present : c.Present)
                if (present == name) return present;
            for (const std::string& present : c.Present)
                if (SameText(present, name)) return present;
            return std::string();
        });
        ASSERT_TRUE(files) << c.Chosen;
        EXPECT_EQ(files->Data, c.Data) << c.Chosen;
        EXPECT_EQ(files->Preview, c.Preview) << c.Chosen;
    }
    EXPECT_FALSE(PairPassFiles("x.jpg", [](const std::string& name) { return name; }));
}

TEST(AvhrrBrowserTest, FilterFollowsTheCheckBoxes) {
    EXPECT_EQ(BrowserFileFilter(false, false), "*.thumb.jpg;*.hpt");
    EXPECT_EQ(BrowserFileFilter(true, false), "*.hpt");
    EXPECT_EQ(BrowserFileFilter(false, true), "*.thumb.jpg");
    EXPECT_EQ(BrowserFileFilter(true, true), "*.hpt;*.thumb.jpg");
}

TEST(AvhrrBrowserTest, APreviewFarLargerThanThePaneIsReadReduced) {
    const struct {
        int Width, Height;
        std::optional<int> Scale;
    } cases[] = {
        {1024, 600, 0},                   // a station's preview, read whole
        {2048, 2048, 0},
        {2049, 1000, 1},                  // a half of 2049 is 1025
        {4096, 3000, 1},
        {8192, 100, 2},
        {16000, 12000, 3},                // the 3 MB picture: 2000 x 1500
        {16384, 16384, 3},
        {16385, 100, std::nullopt},       // 2049 even at an eighth
        {100, 65535, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(PreviewScale(c.Width, c.Height), c.Scale) << c.Width << " x " << c.Height;
}

TEST(AvhrrBrowserTest, ArchiveBaseFallsBackToTheRoot) {
    const auto exists = [](const std::string& folder) { return folder == "/p/" || folder == "/q/"; };
    EXPECT_EQ(ArchiveBase("/p/", "", exists), "/p/");
    EXPECT_EQ(ArchiveBase("/p/", "/q/", exists), "/q/");
    EXPECT_EQ(ArchiveBase("/p/", "/gone/", exists), "/");
    EXPECT_EQ(ArchiveBase("", "", exists), "/");
}

TEST(AvhrrBrowserTest, FolderCaptionLosesLeadingFoldersUntilItFits) {
    const auto shorterThan = [](size_t n) { return [n](const std::string& s) { return s.size() < n; }; };
    EXPECT_EQ(TrimFolderCaption("/data/2021/05/04/", shorterThan(100)), "/data/2021/05/04/");
    EXPECT_EQ(TrimFolderCaption("/data/2021/05/04/", shorterThan(10)), "05/04/");
    EXPECT_EQ(TrimFolderCaption("/data/2021/05/04/", shorterThan(1)), "");
    // A caption without a separator ends the loop instead of spinning.
    EXPECT_EQ(TrimFolderCaption("name", shorterThan(2)), "");
}

}  // namespace
}  // namespace kestrune
