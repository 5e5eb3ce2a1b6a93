// Pastes and drops into a station's dated archive (base/yyyy/mm/dd, passes
// with their ".thumb.jpg" previews), with the items put on the clipboard as
// another program's Copy does (text/uri-list): a folder onto a folder of its
// name merges into it and loses nothing, and every copy keeps the time its
// pass is dated by.
#include "platform/ShellFileOps.h"
#include "platform/SystemErrors.h"
#include "shell/UHyShellTransfer.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/QtTestFolder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace kestrune::shell {
namespace {

namespace fs = std::filesystem;
using namespace ole;
using testing::TTempFolder;

// 2026-11-28 08:20:00 UTC, when the morning pass was written.
constexpr time_t MorningPass = 1795854000;

class ArchivePaste : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }
    void SetUp() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
        for (const char* time : {"0812", "1400"}) {
            Pass("base/2026/11/28", std::string("n19_20261128_") + time, std::string("archived ") + time);
        }
        Pass("backup/28", "n19_20261128_2200", "backup 2200");
    }
    // A pass and its preview in folder.
    void Pass(const std::string& folder, const std::string& stem, const std::string& bytes) {
        temp.Write(folder + "/" + stem + ".hpt", bytes);
        temp.Write(folder + "/" + stem + ".thumb.jpg", "\xFF\xD8 " + bytes);
    }
    // What another program's Copy puts on the clipboard.
    static void OtherProgramCopies(const std::vector<std::string>& paths) {
        QByteArray list;
        for (const std::string& path : paths) list += QUrl::fromLocalFile(QString::fromStdString(path)).toEncoded() + "\r\n";
        auto* data = new QMimeData;
        data->setData("text/uri-list", list);
        QGuiApplication::clipboard()->setMimeData(data);
    }
    static bool ClipboardHasFiles() {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        return data && data->hasUrls();
    }
    static HRESULT PasteInto(const std::string& folder, const std::vector<TModalResult>& answers = {}) {
        TDialogService::Instance().ClearScript();
        for (const TModalResult answer : answers) TDialogService::Instance().QueueAnswer(answer);
        return ItemsContextMenu({*IdListFromPath(folder)})->InvokeCommand({"paste"});
    }
    static HRESULT OurCopy(const std::vector<std::string>& paths, const char* verb = "copy") {
        std::vector<TItemIdList> items;
        for (const std::string& path : paths) items.push_back(*IdListFromPath(path));
        return ItemsContextMenu(items)->InvokeCommand({verb});
    }
    static std::vector<std::string> Names(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static const std::vector<TDialogRequest>& Boxes() { return TDialogService::Instance().Requests(); }
    std::string Day() const { return temp / "base/2026/11/28"; }
    TTempFolder temp;
};

const std::vector<std::string> MergedDay{"n19_20261128_0812.hpt", "n19_20261128_0812.thumb.jpg",
                                         "n19_20261128_1400.hpt", "n19_20261128_1400.thumb.jpg",
                                         "n19_20261128_2200.hpt", "n19_20261128_2200.thumb.jpg"};

// The steps of the report: "28" from a backup pasted into the month that has
// a "28", Replace answered if anything is asked. Nothing is asked (no file
// clashes) and the day holds all six files.
TEST_F(ArchivePaste, AFolderOntoItsNameMergesAndLosesNoPass) {
    OtherProgramCopies({temp / "backup/28"});
    ASSERT_EQ(PasteInto(temp / "base/2026/11", {ChoiceAnswer(0)}), S_OK);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(Names(Day()), MergedDay);
    EXPECT_EQ(TTempFolder::Read(Day() + "/n19_20261128_0812.hpt"), "archived 0812");
    EXPECT_EQ(TTempFolder::Read(Day() + "/n19_20261128_2200.thumb.jpg"), "\xFF\xD8 backup 2200");
    EXPECT_EQ(Names(temp / "backup/28").size(), 2u);  // a copy leaves the backup whole
    EXPECT_EQ(Names(temp / "base/2026/11"), std::vector<std::string>{"28"});
}

// A file clashing inside the merged folders is asked about as a file (its
// size, not "a folder"), one question per file; Replace replaces that file only.
TEST_F(ArchivePaste, ClashingFilesAreAskedAboutOneByOne) {
    temp.Write("backup/28/n19_20261128_1400.hpt", "backup 1400, reprocessed");
    temp.Write("base/2026/11/28/rejected/n19_20261128_0300.hpt", "noisy");
    temp.Write("backup/28/rejected/n19_20261128_0300.hpt", "noisy, again");
    temp.Write("backup/28/rejected/n19_20261128_0420.hpt", "short");
    OtherProgramCopies({temp / "backup/28"});
    ASSERT_EQ(PasteInto(temp / "base/2026/11", {ChoiceAnswer(0), ChoiceAnswer(2)}), S_OK);
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].text.substr(0, Boxes()[0].text.find('\r')), "\"n19_20261128_1400.hpt\" is already in " + Day() + ".");
    EXPECT_NE(Boxes()[0].text.find("There now: 13 bytes, changed "), std::string::npos) << Boxes()[0].text;
    EXPECT_EQ(Boxes()[0].choices, (std::vector<std::string>{"&Replace", "&Skip", "&Keep both"}));
    EXPECT_NE(Boxes()[1].text.find("\"n19_20261128_0300.hpt\" is already in " + Day() + "/rejected."), std::string::npos);
    EXPECT_EQ(Names(Day()), (std::vector<std::string>{"n19_20261128_0812.hpt", "n19_20261128_0812.thumb.jpg",
                                                      "n19_20261128_1400.hpt", "n19_20261128_1400.thumb.jpg",
                                                      "n19_20261128_2200.hpt", "n19_20261128_2200.thumb.jpg", "rejected"}));
    EXPECT_EQ(TTempFolder::Read(Day() + "/n19_20261128_1400.hpt"), "backup 1400, reprocessed");
    EXPECT_EQ(TTempFolder::Read(Day() + "/n19_20261128_1400.thumb.jpg"), "\xFF\xD8 archived 1400");
    EXPECT_EQ(Names(Day() + "/rejected"), (std::vector<std::string>{"n19_20261128_0300 - Copy.hpt", "n19_20261128_0300.hpt",
                                                                    "n19_20261128_0420.hpt"}));
    EXPECT_EQ(TTempFolder::Read(Day() + "/rejected/n19_20261128_0300.hpt"), "noisy");
}

// "Do the same for the others" answers the clashes of every merged folder;
// Cancel leaves the archive as it was.
TEST_F(ArchivePaste, AnAnswerForAllAndCancelReachIntoMergedFolders) {
    temp.Write("backup/28/n19_20261128_0812.hpt", "backup 0812");
    temp.Write("backup/28/n19_20261128_1400.hpt", "backup 1400");
    OtherProgramCopies({temp / "backup/28"});
    ASSERT_EQ(PasteInto(temp / "base/2026/11", {mrCancel}), HResultFromError(ERROR_CANCELLED));
    EXPECT_EQ(Names(Day()).size(), 4u);
    ASSERT_EQ(PasteInto(temp / "base/2026/11", {ChoiceAnswer(1, true)}), S_OK);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Names(Day()), MergedDay);
    EXPECT_EQ(TTempFolder::Read(Day() + "/n19_20261128_0812.hpt"), "archived 0812");
    EXPECT_EQ(TTempFolder::Read(Day() + "/n19_20261128_1400.hpt"), "archived 1400");
}

// A cut merges too: what moved leaves its folder, a folder emptied by the
// move goes, one that keeps a skipped file stays with it.
TEST_F(ArchivePaste, ACutMergesAndLeavesWhatWasSkipped) {
    temp.Write("backup/28/n19_20261128_1400.hpt", "backup 1400");
    temp.Write("backup/28/noaa15/n15_20261128_0950.hpt", "n15");
    temp.Write("base/2026/11/28/noaa15/n15_20261128_0600.hpt", "n15 early");
    ASSERT_EQ(OurCopy({temp / "backup/28"}, "cut"), S_OK);
    ASSERT_EQ(PasteInto(temp / "base/2026/11", {ChoiceAnswer(1)}), S_OK);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Names(Day()), (std::vector<std::string>{"n19_20261128_0812.hpt", "n19_20261128_0812.thumb.jpg",
                                                      "n19_20261128_1400.hpt", "n19_20261128_1400.thumb.jpg",
                                                      "n19_20261128_2200.hpt", "n19_20261128_2200.thumb.jpg", "noaa15"}));
    EXPECT_EQ(Names(Day() + "/noaa15"), (std::vector<std::string>{"n15_20261128_0600.hpt", "n15_20261128_0950.hpt"}));
    EXPECT_EQ(Names(temp / "backup/28"), std::vector<std::string>{"n19_20261128_1400.hpt"});
    EXPECT_EQ(TTempFolder::Read(Day() + "/n19_20261128_1400.hpt"), "archived 1400");
}

// A folder there is never replaced by a file: Replace is not offered, and a
// Replace for all given earlier keeps both. A file there can give way to a
// folder, once the folder is whole.
TEST_F(ArchivePaste, AFolderThereIsNeverReplaced) {
    temp.Write("backup/n19_20261128_0812.hpt", "backup 0812");
    temp.Write("backup/more/28", "a file named as the day");
    OtherProgramCopies({temp / "backup/more/28"});
    ASSERT_EQ(PasteInto(temp / "base/2026/11", {ChoiceAnswer(1)}), S_OK);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].choices, (std::vector<std::string>{"&Skip", "&Keep both"}));
    EXPECT_EQ(Boxes()[0].defaultAnswer, ChoiceAnswer(0));  // Skip, for nobody there to answer
    EXPECT_EQ(Names(temp / "base/2026/11"), (std::vector<std::string>{"28", "28 - Copy"}));
    EXPECT_EQ(Names(Day()).size(), 4u);

    fs::remove(temp / "base/2026/11/28 - Copy");
    CopyItems({temp / "backup/n19_20261128_0812.hpt", temp / "backup/more/28"}, temp / "base/2026/11", false,
              [](const TClash&, bool& forAll) {
                  forAll = true;
                  return TClashAction::Replace;
              });
    CopyItems({temp / "backup/n19_20261128_0812.hpt"}, Day(), false, [](const TClash&, bool&) { return TClashAction::Replace; });
    EXPECT_EQ(Names(Day()).size(), 4u);
    EXPECT_EQ(TTempFolder::Read(Day() + "/n19_20261128_0812.hpt"), "backup 0812");
    EXPECT_EQ(Names(temp / "base/2026/11"), (std::vector<std::string>{"28", "28 - Copy", "n19_20261128_0812.hpt"}));

    // The other way round: a folder replaces a file of its name.
    temp.Write("other/2026/11/28", "a file in the way");
    ASSERT_EQ(CopyItems({Day()}, temp / "other/2026/11", false, [](const TClash& clash, bool&) {
        EXPECT_TRUE(clash.Replaceable);
        return TClashAction::Replace;
    }), 0u);
    EXPECT_EQ(Names(temp / "other/2026/11/28").size(), 4u);
}

}  // namespace
}  // namespace kestrune::shell
