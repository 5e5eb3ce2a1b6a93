// Shell data transfer and operations in temporary folders: new folder,
// delete to the trash, copy and move through drops and the clipboard, one
// error box with the system's text on failure, and the transfer blocks.
#include "platform/OleBlocks.h"
#include "platform/ResCodePages.h"
#include "platform/ShellFileOps.h"
#include "shell/UHyShellLocator.h"
#include "shell/UHyShellTransfer.h"
#include "tests/platform/TempFolder.h"
#include "tests/platform/Unprivileged.h"
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
    EXPECT_EQ(effect, DROPEFFECT_NONE);  // both names exist there already
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "Cannot create a file when that file already exists.");

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
