// Shell data transfer and operations in temporary folders: new folder,
// delete to the trash, copy and move through drops and the clipboard, one
// error box with the system's text on failure, and the transfer blocks.
#include "platform/OleBlocks.h"
#include "platform/ResCodePages.h"
#include "platform/ShellFileOps.h"
#include "platform/SystemErrors.h"
#include "shell/UHyShellLocator.h"
#include "shell/UHyShellTransfer.h"
#include "tests/platform/TempFolder.h"
#include "tests/platform/Unprivileged.h"
#include "tests/support/LocaleFileNames.h"
#include "tests/support/QtTestFolder.h"
#include "tests/support/ShortcutWriter.h"

#include <QApplication>
#include <QListWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kestrune::shell {
namespace {

namespace fs = std::filesystem;
using namespace ole;

TItemIdList Path(const std::string& path) { return *IdListFromPath(path); }

class ShellTransfer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }
    void SetUp() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
    static const std::vector<TDialogRequest>& Boxes() { return TDialogService::Instance().Requests(); }
    // Runs checks as an ordinary user in a folder made read-only: one box, with the system's text.
    std::string OneBoxWhenReadOnly(const std::string& folder, const std::function<bool()>& attempt) {
        return testing::RunUnprivileged(temp.Path(), [&]() -> std::string {
            fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
            TDialogService::Instance().ClearScript();
            if (attempt()) return "the attempt succeeded";
            if (Boxes().size() != 1) return std::to_string(Boxes().size()) + " boxes";
            return Boxes()[0].text.find("Access is denied.") == std::string::npos ? Boxes()[0].text : "";
        });
    }
    testing::TTempFolder temp;
};

TEST_F(ShellTransfer, NewFolderNamesAndTheFailureBox) {
    const std::string parent = temp / "w";
    fs::create_directory(parent);
    WideString name;
    ASSERT_TRUE(NewFolder(Utf8ToUtf16(parent), name));
    EXPECT_EQ(name, u"New Folder");
    ASSERT_TRUE(NewFolder(Utf8ToUtf16(parent), name));
    EXPECT_EQ(name, u"New Folder (2)");
    for (int n = 3; n <= 50; ++n) fs::create_directory(parent + "/New Folder (" + std::to_string(n) + ")");
    ASSERT_TRUE(NewFolder(Utf8ToUtf16(parent), name));
    EXPECT_EQ(name, u"fldr");
    EXPECT_TRUE(Boxes().empty());

    const std::string locked = temp / "locked";
    fs::create_directory(locked);
    EXPECT_EQ(OneBoxWhenReadOnly(locked, [&] {
        WideString made;
        return NewFolder(Utf8ToUtf16(locked), made);
    }), "");
}

TEST_F(ShellTransfer, DeleteGoesToTheTrash) {
    const std::string file = temp.Write("w/n19.hpt", "pass");
    const auto menu = ItemsContextMenu({Path(file)});
    EXPECT_EQ(FindVerb(*menu, "DELETE"), 4);
    EXPECT_EQ(FindVerb(*menu, "paste"), -1);  // offered on a single folder only
    EXPECT_EQ(InvokeCommand(*menu, 0, "missing"), E_FAIL);
    ASSERT_EQ(InvokeCommand(*menu, 0, "delete"), S_OK);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(testing::TTempFolder::Read(TrashFolder() + "files/n19.hpt"), "pass");
    const std::string info = testing::TTempFolder::Read(TrashFolder() + "info/n19.hpt.trashinfo");
    EXPECT_NE(info.find("Path=" + file), std::string::npos);

    const std::string again = temp.Write("w/n19.hpt", "second");
    ASSERT_EQ(MoveToTrash(again), 0u);
    EXPECT_EQ(testing::TTempFolder::Read(TrashFolder() + "files/n19.hpt.2"), "second");

    const std::string locked = temp / "locked";
    const std::string kept = temp.Write("locked/a.hpt", "x");
    EXPECT_EQ(OneBoxWhenReadOnly(locked, [&] { return Succeeded(ItemsContextMenu({Path(kept)})->InvokeCommand({"delete"})); }), "");
}

// A delete that stops names the item it stopped at, as the locale spells it,
// why, and the items after it that are still there.
TEST_F(ShellTransfer, AFailedDeleteNamesTheItemAndWhatIsStillThere) {
    const testing::TLocaleEnvironment locale("de_DE.ISO-8859-1");
    const std::string day = temp / "2026/11/28/";
    const std::string pass = temp.Write("2026/11/28/pass_\xDC.hpt", "pass");
    const std::string preview = temp.Write("2026/11/28/pass_\xDC.thumb.jpg", "\xFF\xD8");
    const std::string other = temp.Write("2026/11/28/n19_20261128_1400.hpt", "pass");
    EXPECT_EQ(testing::RunUnprivileged(temp.Path(), [&]() -> std::string {
        fs::permissions(day, fs::perms::owner_read | fs::perms::owner_exec);
        TDialogService::Instance().ClearScript();
        if (Succeeded(ItemsContextMenu({Path(pass), Path(preview), Path(other)})->InvokeCommand({"delete"}))) return "deleted";
        if (Boxes().size() != 1) return std::to_string(Boxes().size()) + " boxes";
        const std::string expected = "\"" + day + "pass_\xC3\x9C.hpt\" was not deleted.\rAccess is denied.\r\rNot deleted either:\r" +
                                     day + "pass_\xC3\x9C.thumb.jpg\n" + day + "n19_20261128_1400.hpt";
        return Boxes()[0].text == expected ? "" : Boxes()[0].text;
    }), "");
    EXPECT_TRUE(fs::exists(pass));
}

TEST_F(ShellTransfer, CopyAndMoveThroughDropsAndTheClipboard) {
    const std::string source = temp.Write("from/a.hpt", "a");
    temp.Write("from/sub/b.hpt", "b");
    fs::create_directory(temp / "to");
    auto data = std::make_shared<TDataObject_shtv>(Path(temp / "from"), std::vector{Path("/a.hpt"), Path("/sub")});
    EXPECT_EQ(CommonDropEffect(*data), DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    TFolderDropTarget target(temp / "to");
    uint32_t effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(target.Drop(data, MK_CONTROL, {}, effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    EXPECT_TRUE(fs::exists(source));
    EXPECT_EQ(testing::TTempFolder::Read(temp / "to/sub/b.hpt"), "b");

    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(target.Drop(data, MK_SHIFT, {}, effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_NONE);  // both names exist there already: asked about, and skipped unanswered
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].caption, "Name already in use");
    EXPECT_TRUE(fs::exists(source));

    fs::create_directory(temp / "moved");
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    TFolderDropTarget(temp / "moved").Drop(data, 0, {}, effect);
    EXPECT_EQ(effect, DROPEFFECT_MOVE);  // one file system: a plain drop moves
    EXPECT_FALSE(fs::exists(source));

    const std::string clip = temp.Write("clip/c.hpt", "c");
    ASSERT_EQ(ItemsContextMenu({Path(clip)})->InvokeCommand({"cut"}), S_OK);
    ASSERT_EQ(ItemsContextMenu({Path(temp / "to")})->InvokeCommand({"paste"}), S_OK);
    EXPECT_FALSE(fs::exists(clip));
    EXPECT_EQ(testing::TTempFolder::Read(temp / "to/c.hpt"), "c");
}

// Three passes pasted or dropped into a day that holds the middle one
// already: each taken name is asked about before anything is copied.
class ShellTransferClash : public ShellTransfer {
protected:
    void SetUp() override {
        ShellTransfer::SetUp();
        for (const char* name : {"N19_1200.hpt", "N19_1342.hpt", "N19_1500.hpt"})
            sources_.push_back(temp.Write(std::string("2021/05/03/") + name, std::string("new ") + name));
        temp.Write("2021/05/04/N19_1342.hpt", "old");
        day_ = temp / "2021/05/04";
    }
    // Copies the three to the clipboard and pastes them into the day.
    HRESULT PasteIntoDay(const std::vector<TModalResult>& answers, const std::string& verb = "copy") {
        TDialogService::Instance().ClearScript();
        for (const TModalResult answer : answers) TDialogService::Instance().QueueAnswer(answer);
        std::vector<TItemIdList> items;
        for (const std::string& source : sources_) items.push_back(Path(source));
        EXPECT_EQ(ItemsContextMenu(items)->InvokeCommand({verb}), S_OK);
        return ItemsContextMenu({Path(day_)})->InvokeCommand({"paste"});
    }
    std::vector<std::string> DayNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(day_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string InDay(const char* name) const { return testing::TTempFolder::Read(day_ + "/" + name); }
    std::vector<std::string> sources_;
    std::string day_;
};

TEST_F(ShellTransferClash, SkipAsksOnceAndCopiesTheOthersWhole) {
    ASSERT_EQ(PasteIntoDay({ChoiceAnswer(1)}), S_OK);
    EXPECT_EQ(DayNames(), (std::vector<std::string>{"N19_1200.hpt", "N19_1342.hpt", "N19_1500.hpt"}));
    EXPECT_EQ(InDay("N19_1342.hpt"), "old");
    EXPECT_EQ(InDay("N19_1500.hpt"), "new N19_1500.hpt");
    ASSERT_EQ(Boxes().size(), 1u);
    const TDialogRequest& question = Boxes()[0];
    EXPECT_EQ(question.caption, "Name already in use");
    EXPECT_EQ(question.choices, (std::vector<std::string>{"&Replace", "&Skip", "&Keep both"}));
    EXPECT_EQ(question.checkBox, "Do the same for the &other names in use");
    EXPECT_EQ(question.buttons, mbCancel);
    EXPECT_EQ(question.defaultAnswer, ChoiceAnswer(1));  // nobody there to answer: skipped
    EXPECT_EQ(question.text.substr(0, question.text.find('\r')), "\"N19_1342.hpt\" is already in " + day_ + ".");
    EXPECT_NE(question.text.find("There now: 3 bytes, changed "), std::string::npos) << question.text;
    EXPECT_NE(question.text.find("The new one: 16 bytes, changed "), std::string::npos) << question.text;
    EXPECT_NE(question.text.find("(the new one named \"N19_1342 - Copy.hpt\")"), std::string::npos) << question.text;
}

TEST_F(ShellTransferClash, ReplaceAndKeepBoth) {
    ASSERT_EQ(PasteIntoDay({ChoiceAnswer(0)}), S_OK);
    EXPECT_EQ(DayNames(), (std::vector<std::string>{"N19_1200.hpt", "N19_1342.hpt", "N19_1500.hpt"}));
    EXPECT_EQ(InDay("N19_1342.hpt"), "new N19_1342.hpt");
    fs::remove_all(day_);
    temp.Write("2021/05/04/N19_1342.hpt", "old");
    ASSERT_EQ(PasteIntoDay({ChoiceAnswer(2)}), S_OK);
    EXPECT_EQ(DayNames(), (std::vector<std::string>{"N19_1200.hpt", "N19_1342 - Copy.hpt", "N19_1342.hpt", "N19_1500.hpt"}));
    EXPECT_EQ(InDay("N19_1342.hpt"), "old");
    EXPECT_EQ(InDay("N19_1342 - Copy.hpt"), "new N19_1342.hpt");
    EXPECT_EQ(Boxes().size(), 1u);
}

// Cancel (or Esc) copies nothing at all, not even the items before the clash.
TEST_F(ShellTransferClash, CancelLeavesTheDayAsItWas) {
    EXPECT_EQ(PasteIntoDay({mrCancel}), HResultFromError(ERROR_CANCELLED));
    EXPECT_EQ(DayNames(), std::vector<std::string>{"N19_1342.hpt"});
    EXPECT_EQ(InDay("N19_1342.hpt"), "old");
    EXPECT_EQ(Boxes().size(), 1u);  // the question, and no error box after it
    // A cut pasted and cancelled moves nothing either.
    EXPECT_EQ(PasteIntoDay({mrCancel}, "cut"), HResultFromError(ERROR_CANCELLED));
    for (const std::string& source : sources_) EXPECT_TRUE(fs::exists(source)) << source;
}

// "For all" answers every clash after it: asked once for two names.
TEST_F(ShellTransferClash, AnAnswerForAllIsAskedOnce) {
    temp.Write("2021/05/04/N19_1500.hpt", "old too");
    ASSERT_EQ(PasteIntoDay({ChoiceAnswer(0, true)}, "cut"), S_OK);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(InDay("N19_1342.hpt"), "new N19_1342.hpt");
    EXPECT_EQ(InDay("N19_1500.hpt"), "new N19_1500.hpt");
    EXPECT_EQ(DayNames(), (std::vector<std::string>{"N19_1200.hpt", "N19_1342.hpt", "N19_1500.hpt"}));
    for (const std::string& source : sources_) EXPECT_FALSE(fs::exists(source)) << source;
}

// A drop asks the same; items skipped in a move are reported as not moved.
TEST_F(ShellTransferClash, ADropAsksTooAndReportsWhatMoved) {
    auto data = std::make_shared<TDataObject_shtv>(
        Path(temp / "2021/05/03"), std::vector{Path("/N19_1200.hpt"), Path("/N19_1342.hpt"), Path("/N19_1500.hpt")});
    TDialogService::Instance().QueueAnswer(ChoiceAnswer(1));
    uint32_t effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(TFolderDropTarget(day_).Drop(data, MK_SHIFT, {}, effect), S_OK);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(DayNames(), (std::vector<std::string>{"N19_1200.hpt", "N19_1342.hpt", "N19_1500.hpt"}));
    EXPECT_TRUE(fs::exists(sources_[1]));
    EXPECT_FALSE(fs::exists(sources_[0]));
}

// A copy pasted into its own folder is made beside the original under a new
// name, as file managers do; a second copy is numbered; a cut pasted there
// changes nothing. Nobody is asked.
TEST_F(ShellTransferClash, ACopyIntoItsOwnFolderGetsANewName) {
    const std::string preview = temp.Write("2021/05/03/N19_1200.thumb.jpg", "jpeg");
    day_ = temp / "2021/05/03";
    ASSERT_EQ(PasteIntoDay({}), S_OK);
    ASSERT_EQ(PasteIntoDay({}), S_OK);
    EXPECT_EQ(DayNames(), (std::vector<std::string>{"N19_1200 - Copy (2).hpt", "N19_1200 - Copy.hpt", "N19_1200.hpt",
                                                    "N19_1200.thumb.jpg", "N19_1342 - Copy (2).hpt", "N19_1342 - Copy.hpt",
                                                    "N19_1342.hpt", "N19_1500 - Copy (2).hpt", "N19_1500 - Copy.hpt",
                                                    "N19_1500.hpt"}));
    EXPECT_EQ(InDay("N19_1342 - Copy (2).hpt"), "new N19_1342.hpt");
    const size_t before = DayNames().size();
    ASSERT_EQ(PasteIntoDay({}, "cut"), S_OK);
    EXPECT_EQ(DayNames().size(), before);
    EXPECT_TRUE(Boxes().empty());
    // The ending of a preview or a packed pass stays whole, so copies still pair.
    EXPECT_EQ(CopyName(day_, "N19_1200.thumb.jpg"), "N19_1200 - Copy.thumb.jpg");
    EXPECT_EQ(CopyName(day_, "230503_1200_noaa18.wsd.gz"), "230503_1200_noaa18 - Copy.wsd.gz");
    EXPECT_EQ(CopyName(day_, "photo.jpg"), "photo - Copy.jpg");
    EXPECT_EQ(CopyName(day_, "N19.2021.05.03.hpt"), "N19.2021.05.03 - Copy.hpt");
    EXPECT_EQ(CopyName(day_, ".hidden"), ".hidden - Copy");
    EXPECT_EQ(CopyName(temp / "2021", "05"), "05 - Copy");
    fs::create_directory(temp / "2021/05.d");
    EXPECT_EQ(CopyName(temp / "2021", "05.d"), "05.d - Copy");
}

// A folder pasted into itself is refused with the system's text, and nothing is made.
TEST_F(ShellTransferClash, AFolderIsNotCopiedIntoItself) {
    const std::string folder = temp / "2021/05";
    ASSERT_EQ(ItemsContextMenu({Path(folder)})->InvokeCommand({"copy"}), S_OK);
    EXPECT_NE(ItemsContextMenu({Path(day_)})->InvokeCommand({"paste"}), S_OK);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(DayNames(), std::vector<std::string>{"N19_1342.hpt"});
}

TEST_F(ShellTransfer, DataObjectFormatsAndBlocks) {
    TDataObject_shtv data(Path("/data"), {Path("/n19.hpt")});
    const std::pair<FORMATETC, HRESULT> queries[] = {
        {{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, S_OK},
        {{CF_IDLIST(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL | TYMED_ISTREAM}, S_OK},
        {{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM}, DV_E_TYMED},
        {{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
        {{CF_HDROP, nullptr, 4, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
    };
    for (const auto& [format, result] : queries) EXPECT_EQ(data.QueryGetData(format), result) << format.cfFormat;
    STGMEDIUM medium;
    ASSERT_EQ(data.GetData(queries[0].first, medium), S_OK);
    EXPECT_EQ(ReadDropFiles(medium.hGlobal->Bytes), std::vector<std::string>{"/data/n19.hpt"});
    EXPECT_EQ(medium.hGlobal->Bytes.size(), (13u + 1 + 1) * 2 + 20);
    ASSERT_EQ(data.GetData(queries[1].first, medium), S_OK);
    EXPECT_EQ(ReadIdListArray(medium.hGlobal->Bytes), (std::vector{Path("/data"), Path("/n19.hpt")}));
    std::unique_ptr<IEnumFORMATETC> formats;
    EXPECT_EQ(data.EnumFormatEtc(DATADIR_SET, formats), E_NOTIMPL);
    ASSERT_EQ(data.EnumFormatEtc(DATADIR_GET, formats), S_OK);
    EXPECT_EQ(formats->Skip(3), S_FALSE);
    EXPECT_EQ(IdListArrayBlock(nullptr, {}).size(), 8u + 2);
}

TEST_F(ShellTransfer, DropSourceFollowsItsButton) {
    const std::tuple<int, bool, uint32_t, HRESULT> table[] = {
        {0, false, MK_LBUTTON, S_OK},           {0, false, 0, DRAGDROP_S_DROP},
        {0, true, MK_LBUTTON, DRAGDROP_S_CANCEL}, {0, false, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
        {1, false, MK_RBUTTON | MK_SHIFT, S_OK}, {2, false, MK_LBUTTON, DRAGDROP_S_CANCEL},
    };
    for (const auto& [button, escape, keys, result] : table)
        EXPECT_EQ(TDropSource_shlvtv(button).QueryContinueDrag(escape, keys), result) << button << keys;
}

TEST_F(ShellTransfer, SendToCopiesIntoItsTargetsAndTypedLetters) {
    fs::create_directories(SendToFolder());
    fs::create_directory(temp / "backup");
    fs::create_directory_symlink(temp / "backup", SendToFolder() + "/Backup.lnk");
    temp.Write("data/Also.desktop", "");
    fs::copy(temp / "data/Also.desktop", SendToFolder() + "/Archive.desktop");
    const std::vector<TSendToEntry> entries = SendToEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].Text, u"Backup");
    const std::string file = temp.Write("w/a.hpt", "a");
    EXPECT_EQ(SendTo(entries[1], std::make_shared<TDataObject_shtv>(Path(temp / "w"), std::vector{Path("/a.hpt")})), S_OK);
    EXPECT_TRUE(fs::exists(temp / "backup/a.hpt"));
    EXPECT_TRUE(fs::exists(file));

    // Shell link files: one to a folder copies into it, one to a program starts it with the files.
    fs::create_directory(temp / "stations");
    TShortcutFields toFolder;
    toFolder.TargetPath = temp / "stations";
    const auto writeLink = [](const std::string& path, const TShortcutFields& fields, bool wide) {
        const std::vector<uint8_t> bytes = testing::WriteShortcut(fields, wide);
        std::ofstream(path, std::ios::binary) << std::string(bytes.begin(), bytes.end());
    };
    writeLink(SendToFolder() + "/Stations.lnk", toFolder, true);
    const std::string program = temp.Write("bin/show-pass", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n");
    fs::permissions(program, fs::perms::owner_all);
    TShortcutFields toProgram;
    toProgram.TargetPath = program;
    writeLink(SendToFolder() + "/Viewer.lnk", toProgram, false);
    const std::vector<TSendToEntry> withLinks = SendToEntries();
    ASSERT_EQ(withLinks.size(), 4u);
    ASSERT_EQ(withLinks[2].Text, u"Stations");
    const auto data = std::make_shared<TDataObject_shtv>(Path(temp / "w"), std::vector{Path("/a.hpt")});
    EXPECT_EQ(SendTo(withLinks[2], data), S_OK);
    EXPECT_EQ(testing::TTempFolder::Read(temp / "stations/a.hpt"), "a");
    ASSERT_EQ(withLinks[3].Text, u"Viewer");
    EXPECT_EQ(SendTo(withLinks[3], data), S_OK);
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return fs::exists(program + ".args"); }));
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return testing::TTempFolder::Read(program + ".args") == file + "\n"; }));
    // A pass whose name is no UTF-8 reaches the program as its bytes.
    const std::string notUtf8 = temp.Write("w/n19_20261128_0812_\xE9.hpt", "e");
    fs::remove(program + ".args");
    EXPECT_EQ(SendTo(withLinks[3], std::make_shared<TDataObject_shtv>(Path(temp / "w"), std::vector{Path("/n19_20261128_0812_\xE9.hpt")})), S_OK);
    ASSERT_TRUE(testing::ProcessEventsUntil([&] { return testing::TTempFolder::Read(program + ".args") == notUtf8 + "\n"; }));

    bool execute = false;
    EXPECT_EQ(SendToKey(entries, -1, u'b', execute), 1);
    EXPECT_TRUE(execute);
    EXPECT_EQ(SendToKey(entries, -1, u'A', execute), 0);
    EXPECT_EQ(SendToKey(entries, 0, u'x', execute), -1);
}

TEST_F(ShellTransfer, ScrollStepsMoveOnlyBarsWithARange) {
    QListWidget list;
    list.resize(120, 80);
    for (int i = 0; i < 100; ++i) list.addItem(QString::number(i));
    list.show();
    QApplication::processEvents();
    EXPECT_FALSE(ScrollStep(&list, 0, SB_LINEDOWN));
    EXPECT_TRUE(ScrollStep(&list, 1, SB_PAGEDOWN));
    EXPECT_TRUE(ScrollWheel(&list, 1, false));
    while (ScrollStep(&list, 1, SB_PAGEUP)) {
    }
    EXPECT_FALSE(ScrollStep(&list, 1, SB_LINEUP));  // at the top
    EXPECT_EQ(OwnerFormWindow(list.viewport()), &list);
}

}  // namespace
}  // namespace kestrune::shell
