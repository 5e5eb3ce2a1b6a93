#include "app/MostRecentFilesMenu.h"

#include "tests/app/AppTest.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "platform/RegistryVariables.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/TempFolder.h"

#include <QAction>
#include <QMenu>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrune {
namespace {

using ::testing::ElementsAre;

class MostRecentFilesMenuTest : public testing::TAppTest {
protected:

    std::string Pass(const std::string& name) { return folder.Write("data/" + name, "x"); }

    static QStringList Texts(const QMenu& menu) {
        QStringList texts;
        for (const QAction* item : menu.actions()) texts << (item->isSeparator() ? "-" : item->text());
        return texts;
    }

    QMenu menu;
};

TEST_F(MostRecentFilesMenuTest, EntriesAreNumberedNewestFirstWithSeparatorsOnlyWhereNeeded) {
    TMostRecentFiles files(8, ProgramRegistryKey());
    TMostRecentFilesMenu recent(files, menu);
    recent.Rebuild();
    EXPECT_TRUE(menu.actions().isEmpty());
    files.AddFile("/data/a & b.hpt");
    files.AddFile("/data/second.hpt");
    recent.Rebuild();
    EXPECT_EQ(Texts(menu), (QStringList{"&1  second.hpt", "&2  a && b.hpt"}));
    recent.ShowFullPath = true;
    recent.Rebuild();
    EXPECT_EQ(Texts(menu), (QStringList{"&1  /data/second.hpt", "&2  /data/a && b.hpt"}));

    // Between other items the entries are set apart, once.
    QMenu file;
    file.addAction("Open");
    file.addAction("Exit");
    TMostRecentFilesMenu inFile(files, file);
    inFile.MenuPosition = 1;
    inFile.Rebuild();
    inFile.Rebuild();
    EXPECT_EQ(Texts(file), (QStringList{"Open", "-", "&1  second.hpt", "&2  a && b.hpt", "-", "Exit"}));
}

// A pick is opened; it goes to the top when it loads (the loader adds it),
// and a file that fails to load keeps its place.
TEST_F(MostRecentFilesMenuTest, APickGoesToTheTopOnlyWhenItLoads) {
    TMostRecentFiles files(8, ProgramRegistryKey());
    const std::string damaged = Pass("240101_0000_noaa18.wsd");
    const std::string good = Pass("230503_1200_noaa18.wsd");
    files.AddFile(damaged);
    files.AddFile(good);
    files.AddFile(Pass("2023-12-31-2359-NOAA18.hpt"));
    TMostRecentFilesMenu recent(files, menu);
    std::vector<std::string> opened;
    recent.OnMenuClick = [&](const std::string& name) {
        opened.push_back(name);
        if (name != damaged) files.AddFile(name);
        recent.Rebuild();
    };
    recent.Rebuild();
    menu.actions()[2]->trigger();
    EXPECT_THAT(opened, ElementsAre(damaged));
    EXPECT_EQ(Texts(menu), (QStringList{"&1  2023-12-31-2359-NOAA18.hpt", "&2  230503_1200_noaa18.wsd",
                                        "&3  240101_0000_noaa18.wsd"}));
    menu.actions()[1]->trigger();
    EXPECT_THAT(opened, ElementsAre(damaged, good));
    EXPECT_EQ(Texts(menu), (QStringList{"&1  230503_1200_noaa18.wsd", "&2  2023-12-31-2359-NOAA18.hpt",
                                        "&3  240101_0000_noaa18.wsd"}));
}

TEST_F(MostRecentFilesMenuTest, AnEntryWhoseFileIsGoneIsDropped) {
    TMostRecentFiles files(8, ProgramRegistryKey());
    files.AddFile(Pass("kept.hpt"));
    files.AddFile(folder / "data/gone.hpt");
    TMostRecentFilesMenu recent(files, menu);
    std::vector<std::string> missing;
    recent.OnFileNotExist = [&](const std::string& name) { missing.push_back(name); };
    bool opened = false;
    recent.OnMenuClick = [&](const std::string&) { opened = true; };
    recent.Rebuild();
    menu.actions()[0]->trigger();
    EXPECT_FALSE(opened);
    EXPECT_THAT(missing, ElementsAre(folder / "data/gone.hpt"));
    EXPECT_THAT(files.Files(), ElementsAre(folder / "data/kept.hpt"));
    EXPECT_EQ(Texts(menu), QStringList{"&1  kept.hpt"});

    // Without a handler the user is told.
    files.AddFile(folder / "data/gone.hpt");
    recent.OnFileNotExist = nullptr;
    recent.Rebuild();
    menu.actions()[0]->trigger();
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests()[0].text,
              "The file\r\"" + folder / "data/gone.hpt" + "\"\rno longer exists.");
}

// A settings store whose lock cannot be had is told by the store, once; the list says no more.
TEST_F(MostRecentFilesMenuTest, AStoreThatCannotBeSavedIsToldOnce) {
    ::testing::internal::CaptureStderr();
    {
        TMostRecentFiles files(8, ProgramRegistryKey());
        files.AddFile(Pass("230503_1200_noaa18.hpt"));
        std::filesystem::create_directories(TRegistry::DefaultStoreFile() + ".lock");
    }
    const std::string stderrText = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(stderrText.find("recent-file list"), std::string::npos) << stderrText;
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests()[0].text.rfind("The settings cannot be saved: ", 0), 0u);
}

}  // namespace
}  // namespace kestrune
