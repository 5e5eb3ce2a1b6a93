// Shell link files: written and read back in both string forms, every
// truncation and damaged offset read without stepping outside the file.
#include "platform/ShortcutFile.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/ShortcutWriter.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TShortcutFields Sample() {
    TShortcutFields fields;
    fields.TargetPath = "C:\\HRPT\\2024\\n19.hpt";
    fields.RelativePath = "..\\2024\\n19.hpt";
    fields.Arguments = "-GROUPA:";
    fields.WorkingDirectory = "C:\\HRPT";
    fields.IconLocation = "talvessa.exe";
    fields.IconIndex = -2;
    fields.Description = "N\xc3\xb8rre pass";
    fields.ShowCommand = 3;
    fields.HotKey = 0x0641;
    fields.TargetIdList = {4, 0, 0x31, 0x41, 0, 0};
    fields.FileSize = 123456;
    fields.WriteTime = 0x01D9000000000000ull;
    return fields;
}

TEST(ShortcutFile, RoundTripsInBothStringForms) {
    for (const bool wide : {true, false}) {
        TShortcutFields read;
        ASSERT_EQ(ReadShortcut(testing::WriteShortcut(Sample(), wide), read), ole::S_OK);
        EXPECT_EQ(read.TargetPath, Sample().TargetPath);
        EXPECT_EQ(read.Arguments, "-GROUPA:");
        EXPECT_EQ(read.IconIndex, -2);
        EXPECT_EQ(read.HotKey, 0x0641);
        EXPECT_EQ(read.TargetIdList, Sample().TargetIdList);
        EXPECT_EQ(read.WriteTime, Sample().WriteTime);
        if (wide) {
            EXPECT_EQ(read.Description, Sample().Description);
        }
    }
}

TEST(ShortcutFile, DamagedFilesFailWithoutReadingOutside) {
    const std::vector<uint8_t> whole = testing::WriteShortcut(Sample(), true);
    for (size_t size = 0; size < whole.size(); ++size) {
        TShortcutFields read;
        read.Arguments = "kept";
        if (ReadShortcut(std::span<const uint8_t>(whole.data(), size), read) != ole::S_OK) {
            EXPECT_EQ(read.Arguments, "kept") << size;
        }
    }
    std::vector<uint8_t> foreign = whole;
    foreign[4] ^= 1;
    TShortcutFields read;
    EXPECT_EQ(ReadShortcut(foreign, read), ole::E_FAIL);
    std::vector<uint8_t> wildOffset = whole;
    wildOffset[0x4C + 2 + 6 + 16] = 0xFF;  // the local base path's offset past the link information
    ASSERT_EQ(ReadShortcut(wildOffset, read), ole::S_OK);
    EXPECT_EQ(read.TargetPath, "");
}

TEST(ShortcutFile, TargetFallsBackToTheRelativePath) {
    testing::TTempFolder temp;
    const std::string link = temp.Write("links/pass.lnk", "");
    TShortcutFields fields = Sample();
    EXPECT_EQ(ResolvedShortcutTarget(link, fields), temp / "links/../2024/n19.hpt");
    fields.TargetPath = temp / "links";
    EXPECT_EQ(ResolvedShortcutTarget(link, fields), temp / "links");
    EXPECT_EQ(LoadShortcut("", fields), ole::E_INVALIDARG);
    EXPECT_EQ(LoadShortcut(link, fields), ole::E_FAIL);
}

}  // namespace
}  // namespace kestrune
