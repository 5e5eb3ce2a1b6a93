#include "platform/ProgramFolder.h"

#include "platform/SysUtils.h"
#include "tests/platform/TempFolder.h"
#include "tests/platform/Unprivileged.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace kestrune {
namespace {

using testing::TTempFolder;

class ProgramFolderTest : public ::testing::Test {
protected:
    TTempFolder folder;
};

TEST_F(ProgramFolderTest, TheUsersFoldersFollowTheXdgVariablesElseTheHomeFolder) {
    EXPECT_EQ(UserConfigFolder(), folder / "config/");
    EXPECT_EQ(UserDataFolder(), folder / "data/Kestrune/");
    EXPECT_TRUE(DirectoryExists(folder / "data/Kestrune"));

    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", (folder / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", "", 1);
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserConfigFolder(), folder / "home/.config/");
    EXPECT_EQ(UserDataFolder(), folder / "home/.local/share/Kestrune/");
    EXPECT_TRUE(DirectoryExists(folder / "home/.local/share/Kestrune"));
    setenv("HOME", home.c_str(), 1);
}

TEST_F(ProgramFolderTest, FilesAreWrittenBesideTheProgramWhenItsFolderAllowsIt) {
    EXPECT_EQ(WritableProgramFile("processed.lst"), folder / "program/processed.lst");
    folder.Write("program/NOAA-18.ini", "[Chan-1]\n");
    EXPECT_EQ(WritableProgramFile("NOAA-18.ini"), folder / "program/NOAA-18.ini");
}

TEST_F(ProgramFolderTest, FilesTheProgramFolderRefusesGoToTheUsersFolder) {
    const std::string readOnlyFile = folder.Write("program/NOAA-18.ini", "[Chan-1]\n");
    const std::string report = testing::RunUnprivileged(folder.Path(), [&]() -> std::string {
        chmod(readOnlyFile.c_str(), 0444);
        const std::string forFile = WritableProgramFile("NOAA-18.ini");
        chmod((folder / "program").c_str(), 0555);
        const std::string inFolder = WritableProgramFile("hrpt.kml");
        chmod((folder / "program").c_str(), 0755);  // so that the folder can be removed
        if (forFile != folder / "data/Kestrune/NOAA-18.ini") return "read-only file kept: " + forFile;
        return inFolder == folder / "data/Kestrune/hrpt.kml" ? "" : "read-only folder kept: " + inFolder;
    });
    EXPECT_EQ(report, "");
}

TEST_F(ProgramFolderTest, ReadsLookInTheUsersFolderFirst) {
    EXPECT_EQ(ReadableProgramFile("mru_list.ini"), folder / "program/mru_list.ini");
    folder.Write("program/mru_list.ini", "shipped");
    EXPECT_EQ(ReadableProgramFile("mru_list.ini"), folder / "program/mru_list.ini");
    folder.Write("data/Kestrune/mru_list.ini", "the user's");
    EXPECT_EQ(ReadableProgramFile("mru_list.ini"), folder / "data/Kestrune/mru_list.ini");
}

}  // namespace
}  // namespace kestrune
