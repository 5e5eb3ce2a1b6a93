#include "platform/IniFiles.h"

#include "tests/platform/CommaLocale.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kestrune {
namespace {

using testing::TTempFolder;

class IniFileTest : public ::testing::Test {
protected:
    TTempFolder folder;
};

TEST_F(IniFileTest, ReadsAWindowsFileAndWritesItBackWithItsComments) {
    const std::string path = folder.Write("NOAA-19.ini",
                                          "; user notes\r\n"
                                          "[Chan-1]\r\n"
                                          "  Intersection = 496 \r\n"
                                          "Slope1=0.055091\r\n"
                                          "\r\n"
                                          "[Orbit]\r\n"
                                          "Name=NOAA 19\r\n"
                                          "[chan-1]\r\n"
                                          "Slope2=0.16253\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("CHAN-1", "intersection", 0), 496);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Chan-1", "Slope1", 0.0), 0.055091);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Chan-1", "Slope2", 0.0), 0.16253);
    EXPECT_EQ(ini.ReadString("Orbit", "Name", ""), "NOAA 19");

    ini.WriteInteger("Chan-1", "Intersection", 500);
    ini.WriteString("Chan-2", "Slope1", "x");
    EXPECT_EQ(TTempFolder::Read(path),
              "; user notes\r\n"
              "\r\n[Chan-1]\r\n"
              "Intersection=500\r\n"
              "Slope1=0.055091\r\n"
              "Slope2=0.16253\r\n"
              "\r\n[Orbit]\r\n"
              "Name=NOAA 19\r\n"
              "\r\n[Chan-2]\r\n"
              "Slope1=x\r\n");
    EXPECT_EQ(TIniFile(path).ReadInteger("Chan-1", "Intersection", 0), 500);
}

TEST_F(IniFileTest, AMarksBytesThatBeginNoFileAreKeptWhenTheyComeFirst) {
    // Behind a blank line they are a key's own bytes; written first, they must not read as a mark.
    const std::string path = folder.Write("NOAA-18.ini", "\r\n\xEF\xBB\xBFKey=1\r\n");
    TIniFile(path).WriteString("Chan-3", "Slope1", "0.03");
    const TIniFile again(path);
    EXPECT_EQ(again.ReadString("", "\xEF\xBB\xBFKey", ""), "1");
    EXPECT_EQ(again.ReadString("", "Key", "none"), "none");
}

TEST_F(IniFileTest, NumbersUseAPointWhateverTheLocale) {
    const testing::TCommaLocale comma(folder.Path());
    ASSERT_TRUE(comma.Active()) << "no locale with a decimal comma (the locales package gives one)";
    TIniFile ini(folder / "b.ini");
    ini.WriteFloat("S", "X", 1.25);
    EXPECT_EQ(TTempFolder::Read(ini.FileName()), "[S]\r\nX=1.25\r\n");
    EXPECT_DOUBLE_EQ(TIniFile(ini.FileName()).ReadFloat("S", "X", 0.0), 1.25);
}

TEST_F(IniFileTest, AShippedFileIsReadAndItsCopyWrittenElsewhere) {
    const std::string shipped = folder.Write("program/NOAA-18.ini", "[Chan-1]\nIntersection=501\n");
    TIniFile ini(shipped, folder / "data/NOAA-18.ini");
    EXPECT_EQ(ini.ReadInteger("Chan-1", "Intersection", 0), 501);
    ini.WriteInteger("Chan-1", "Slope1", 1);
    EXPECT_EQ(TTempFolder::Read(folder / "data/NOAA-18.ini"), "[Chan-1]\r\nIntersection=501\r\nSlope1=1\r\n");
    EXPECT_EQ(TTempFolder::Read(shipped), "[Chan-1]\nIntersection=501\n");
}

TEST_F(IniFileTest, AFileThatCannotBeWrittenRaisesAndLeavesNoTemporaryFile) {
    const std::string path = folder.Write("gone/c.ini", "[S]\nA=1\n");
    TIniFile ini(path);
    std::filesystem::remove_all(folder / "gone");
    EXPECT_NO_THROW(ini.WriteInteger("S", "A", 1));  // unchanged: nothing to write
    try {
        ini.WriteInteger("S", "A", 2);
        FAIL();
    } catch (const EWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + path + ": No such file or directory");
    }
    std::filesystem::create_directory(folder / "gone");
    std::filesystem::create_directory(path);  // a folder where the file should be
    EXPECT_THROW(ini.WriteInteger("S", "A", 3), EWriteError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "gone"), {}), 1);
}

// A satellite's file far larger than any (a sparse file of zeros, say) is
// set aside once, when it is first written; the file begun in its place
// keeps every value written after.
TEST_F(IniFileTest, AFileFarTooLargeIsSetAsideOnceAndTheNewOneKeepsEveryValue) {
    const std::string path = folder.Write("program/NOAA-18.ini", "");
    std::filesystem::resize_file(path, TIniFile::MostFileBytes + 1);
    TIniFile ini(path);
    EXPECT_TRUE(ini.Note().starts_with(path + " holds 4194305 bytes")) << ini.Note();
    ini.WriteInteger("Chan-3", "Intersection", 501);
    ini.WriteFloat("Chan-3", "Slope1", 0.25);
    ini.WriteInteger("Chan-4", "Intersection", 500);
    EXPECT_EQ(TTempFolder::Read(path), "[Chan-3]\r\nIntersection=501\r\nSlope1=0.25\r\n\r\n[Chan-4]\r\nIntersection=500\r\n");
    std::vector<std::string> setAside;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "program"))
        if (entry.path().string() != path) setAside.push_back(entry.path().filename().string());
    ASSERT_EQ(setAside.size(), 1u);
    EXPECT_TRUE(setAside[0].starts_with("NOAA-18.ini.too-large-")) << setAside[0];
    EXPECT_EQ(std::filesystem::file_size(folder / ("program/" + setAside[0])), static_cast<uintmax_t>(TIniFile::MostFileBytes + 1));
    EXPECT_NE(ini.Note().find(setAside[0]), std::string::npos) << ini.Note();
}

}  // namespace
}  // namespace kestrune
