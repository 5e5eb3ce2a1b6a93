// Pastes and drops into a station's dated archive (base/yyyy/mm/dd, passes
// with their ".thumb.jpg" previews), with the items put on the clipboard as
// another program's Copy does (text/uri-list): a folder onto a folder of its
// name merges into it and loses nothing, and every copy keeps the time its
// pass is dated by.
#include "platform/ShellFileOps.h"
#include "platform/SystemErrors.h"
#include "shell/UHyShellTransfer.h"
#include "tests/platform/SmallDisk.h"
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

// 2023-05-03 12:10:00 UTC, when a pass of that day was written.
constexpr time_t PassWritten = 1683115800;

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

// Keep both gives a pass and its preview one number, the first free for
// both, so the new preview pairs with the new pass.
TEST_F(ArchivePaste, KeepBothNumbersAPassAndItsPreviewTogether) {
    const std::string day = temp / "base/2026/12/07";
    Pass("base/2026/12/07", "n19_20261207_0812", "archived");
    temp.Write("base/2026/12/07/n19_20261207_0812 - Copy.hpt", "an older copy");
    Pass("backup/07", "n19_20261207_0812", "backup");
    OtherProgramCopies({temp / "backup/07/n19_20261207_0812.hpt", temp / "backup/07/n19_20261207_0812.thumb.jpg"});
    ASSERT_EQ(PasteInto(day, {ChoiceAnswer(2, true)}), S_OK);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(Boxes()[0].text.find("(the new one named \"n19_20261207_0812 - Copy (2).hpt\")"), std::string::npos);
    EXPECT_EQ(TTempFolder::Read(day + "/n19_20261207_0812 - Copy (2).hpt"), "backup");
    EXPECT_EQ(TTempFolder::Read(day + "/n19_20261207_0812 - Copy (2).thumb.jpg"), "\xFF\xD8 backup");
    // Pasted into their own day, they pair as well, past a number only the preview has taken.
    temp.Write("base/2026/12/07/n19_20261207_0812 - Copy (3).thumb.jpg", "an older preview");
    ASSERT_EQ(OurCopy({day + "/n19_20261207_0812.hpt", day + "/n19_20261207_0812.thumb.jpg"}), S_OK);
    ASSERT_EQ(PasteInto(day), S_OK);
    EXPECT_EQ(TTempFolder::Read(day + "/n19_20261207_0812 - Copy (4).hpt"), "archived");
    EXPECT_EQ(TTempFolder::Read(day + "/n19_20261207_0812 - Copy (4).thumb.jpg"), "\xFF\xD8 archived");
    EXPECT_EQ(Names(day).size(), 8u);
}

// What a stopped paste tells: the item, why, and what was not copied.
TEST_F(ArchivePaste, AFullDiskNamesTheItemAndWhatWasNotCopied) {
    for (const char* time : {"0812", "1400"}) temp.Write(std::string("base/2026/11/28/n19_20261128_") + time + ".hpt", std::string(200000, 'p'));
    temp.Write("backup/28/n19_20261128_2200.hpt", std::string(200000, 'p'));
    const std::string stick = temp / "stick";
    fs::create_directory(stick);
    auto data = std::make_shared<TDataObject_shtv>(
        *IdListFromPath(Day()), std::vector{*IdListFromPath("/n19_20261128_0812.hpt"), *IdListFromPath("/n19_20261128_1400.hpt")});
    auto backup = std::make_shared<TDataObject_shtv>(
        *IdListFromPath(temp / "backup/28"),
        std::vector{*IdListFromPath("/n19_20261128_2200.hpt"), *IdListFromPath("/n19_20261128_2200.thumb.jpg")});
    SKIP_WITHOUT_SMALL_DISKS();
    EXPECT_EQ(testing::RunWithSmallDisk(stick, 512 * 1024, [&]() -> std::string {
        uint32_t effect = DROPEFFECT_COPY;
        TFolderDropTarget(stick).Drop(data, MK_CONTROL, {}, effect);
        TDialogService::Instance().ClearScript();
        effect = DROPEFFECT_COPY;
        TFolderDropTarget(stick).Drop(backup, MK_CONTROL, {}, effect);
        if (effect != DROPEFFECT_NONE) return "told as copied";
        if (Names(stick) != std::vector<std::string>{"n19_20261128_0812.hpt", "n19_20261128_1400.hpt"})
            return "the stick holds " + std::to_string(Names(stick).size()) + " items";
        if (Boxes().size() != 1) return std::to_string(Boxes().size()) + " boxes";
        const std::string expected = "\"n19_20261128_2200.hpt\" was not copied to " + stick +
                                     ".\rThere is not enough space on the disk.\r\rNot copied either:\rn19_20261128_2200.thumb.jpg";
        return Boxes()[0].text == expected ? "" : Boxes()[0].text;
    }), "");
}

TEST_F(ArchivePaste, AFolderIntoItselfAndAVanishedSourceAreExplained) {
    ASSERT_EQ(OurCopy({temp / "base/2026/11"}), S_OK);
    EXPECT_NE(PasteInto(Day()), S_OK);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "\"11\" was not copied to " + Day() +
                                   ".\rThe folder it was to go into is inside it: a folder cannot hold itself.");
    EXPECT_EQ(Names(Day()).size(), 4u);

    // Removed by another program after it was copied, its name taken in the day:
    // no question about a file that is not there, and its name in the message.
    temp.Write("base/2026/11/28/n19_20261128_2200.hpt", "archived 2200");
    OtherProgramCopies({temp / "backup/28/n19_20261128_2200.hpt", temp / "backup/28/n19_20261128_2200.thumb.jpg"});
    fs::remove(temp / "backup/28/n19_20261128_2200.hpt");
    EXPECT_NE(PasteInto(Day()), S_OK);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "\"n19_20261128_2200.hpt\" was not copied to " + Day() +
                                   ".\rIt is no longer there: another program has moved or deleted it."
                                   "\r\rNot copied either:\rn19_20261128_2200.thumb.jpg");
    EXPECT_EQ(TTempFolder::Read(Day() + "/n19_20261128_2200.hpt"), "archived 2200");
}

// A cut is pasted once: then the clipboard is emptied. A copy stays, and so
// does a cut whose paste was cancelled.
TEST_F(ArchivePaste, APastedCutLeavesTheClipboard) {
    temp.Write("base/2026/11/28/n19_20261128_2200.hpt", "archived 2200");
    ASSERT_EQ(OurCopy({temp / "backup/28/n19_20261128_2200.hpt"}, "cut"), S_OK);
    EXPECT_EQ(PasteInto(Day(), {mrCancel}), HResultFromError(ERROR_CANCELLED));
    EXPECT_TRUE(ClipboardHasFiles());
    ASSERT_EQ(OurCopy({temp / "backup/28/n19_20261128_2200.thumb.jpg"}), S_OK);
    ASSERT_EQ(PasteInto(Day()), S_OK);
    EXPECT_TRUE(ClipboardHasFiles());
    ASSERT_EQ(OurCopy({temp / "backup/28/n19_20261128_2200.thumb.jpg"}, "cut"), S_OK);
    ASSERT_EQ(PasteInto(temp / "base/2026/11"), S_OK);
    EXPECT_FALSE(ClipboardHasFiles());
    EXPECT_TRUE(fs::exists(temp / "base/2026/11/n19_20261128_2200.thumb.jpg"));
    PasteInto(temp / "base/2026");  // nothing left to paste
    EXPECT_FALSE(fs::exists(temp / "base/2026/n19_20261128_2200.thumb.jpg"));
}

// The loader dates a pass by its file's time: every copy keeps it.
class ArchivePasteTimes : public ArchivePaste {
protected:
    void SetUp() override {
        ArchivePaste::SetUp();
        pass_ = temp.Write("base/2023/05/03/n15_20230503_1200.raw16", "n15 raw");
        preview_ = temp.Write("base/2023/05/03/n15_20230503_1200.thumb.jpg", "\xFF\xD8 n15");
        for (const std::string& path : {pass_, preview_}) {
            const timespec times[2] = {{PassWritten, 0}, {PassWritten, 250000000}};
            utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
    }
    static timespec WrittenAt(const std::string& path) {
        struct stat info {};
        return lstat(path.c_str(), &info) == 0 ? info.st_mtim : timespec{};
    }
    static std::string TimeCheck(const std::string& path) {
        const timespec written = WrittenAt(path);
        return written.tv_sec == PassWritten && written.tv_nsec == 250000000
                   ? ""
                   : path + " written at " + std::to_string(written.tv_sec) + "\n";
    }
    std::string pass_, preview_;
};

TEST_F(ArchivePasteTimes, APastedPassKeepsItsTime) {
    OtherProgramCopies({pass_, preview_});
    fs::create_directories(temp / "base/2023/05/04");
    ASSERT_EQ(PasteInto(temp / "base/2023/05/04"), S_OK);
    EXPECT_EQ(TimeCheck(temp / "base/2023/05/04/n15_20230503_1200.raw16"), "");
    EXPECT_EQ(TimeCheck(temp / "base/2023/05/04/n15_20230503_1200.thumb.jpg"), "");
    // Keep both, pasted into its own day.
    ASSERT_EQ(PasteInto(temp / "base/2023/05/03"), S_OK);
    EXPECT_EQ(TimeCheck(temp / "base/2023/05/03/n15_20230503_1200 - Copy.raw16"), "");
    // A whole day copied: every file in it.
    OtherProgramCopies({temp / "base/2023/05/03"});
    fs::create_directory(temp / "base/2023/06");
    ASSERT_EQ(PasteInto(temp / "base/2023/06"), S_OK);
    EXPECT_EQ(TimeCheck(temp / "base/2023/06/03/n15_20230503_1200.raw16"), "");
    EXPECT_EQ(TimeCheck(temp / "base/2023/06/03/n15_20230503_1200 - Copy.thumb.jpg"), "");
}

TEST_F(ArchivePasteTimes, SendToAndMovesAcrossFileSystemsKeepItToo) {
    fs::create_directories(SendToFolder());
    fs::create_directory(temp / "backup/2023");
    fs::create_directory_symlink(temp / "backup/2023", SendToFolder() + "/Backup");
    const std::vector<TSendToEntry> entries = SendToEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(SendTo(entries[0], std::make_shared<TDataObject_shtv>(*IdListFromPath(temp / "base/2023/05"),
                                                                    std::vector{*IdListFromPath("/03")})),
              S_OK);
    EXPECT_EQ(TimeCheck(temp / "backup/2023/03/n15_20230503_1200.raw16"), "");

    // A disk of its own: moves from it to the archive and to the trash copy the files.
    const std::string removable = temp / "removable";
    fs::create_directory(removable);
    fs::create_directory(temp / "base/2023/05/04");
    SKIP_WITHOUT_SMALL_DISKS();
    EXPECT_EQ(testing::RunWithSmallDisk(removable, 1 << 20, [&]() -> std::string {
        for (const std::string& name : {"n15_20230503_1200.raw16", "n15_20230503_1200.thumb.jpg"})
            fs::copy(temp / "base/2023/05/03/" + name, removable + "/" + name);
        std::string report;
        for (const std::string& name : {"n15_20230503_1200.raw16", "n15_20230503_1200.thumb.jpg"}) {
            const timespec times[2] = {{PassWritten, 0}, {PassWritten, 250000000}};
            utimensat(AT_FDCWD, (removable + "/" + name).c_str(), times, 0);
        }
        if (CopyItems({removable + "/n15_20230503_1200.raw16"}, temp / "base/2023/05/04", true, {}) != 0 ||
            fs::exists(removable + "/n15_20230503_1200.raw16"))
            report += "not moved\n";
        report += TimeCheck(temp / "base/2023/05/04/n15_20230503_1200.raw16");
        if (MoveToTrash(removable + "/n15_20230503_1200.thumb.jpg") != 0) report += "not trashed\n";
        return report + TimeCheck(TrashFolder() + "files/n15_20230503_1200.thumb.jpg");
    }), "");
}

}  // namespace
}  // namespace kestrune::shell
