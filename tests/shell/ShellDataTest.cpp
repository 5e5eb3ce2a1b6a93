// The tree's and list's item records over a temporary folder, the folder
// locator and its stored form, Explorer's colours and the keyboard table.
#include "platform/Registry.h"
#include "platform/ResCodePages.h"
#include "shell/UHyShellData.h"
#include "shell/UHyShellLocator.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune::shell {
namespace {

class TListOwner : public IShListOwner {
public:
    TListOwner(const std::string& path, bool details)
        : list_(*IdListFromPath(path)), folder_(BindAbsolute(list_)), details_(details ? GetShellDetails(folder_) : nullptr) {}
    const TItemIdList& FolderIdList() const override { return list_; }
    std::shared_ptr<IShellFolder> ShellFolder() const override { return folder_; }
    std::shared_ptr<IShellDetails> ShellDetails() const override { return details_; }

private:
    TItemIdList list_;
    std::shared_ptr<IShellFolder> folder_;
    std::shared_ptr<IShellDetails> details_;
};

TItemIdList Name(const std::string& name) { return IdListFromPath("/" + name)->last(); }

TEST(ShellData, TreeNodeRecords) {
    testing::TTempFolder temp;
    temp.Write("w/sub/n19.hpt", "x");
    THyShTreeData root(nullptr, *IdListFromPath(temp / "w"));
    EXPECT_EQ(root.RelativeIdList(), Name("w"));
    EXPECT_EQ(root.DisplayName(), u"w");
    EXPECT_TRUE(root.Attributes() & SFGAO_HASSUBFOLDER);
    EXPECT_TRUE(root.CanRename());
    THyShTreeData child(&root, Name("sub"));
    EXPECT_EQ(child.AbsoluteIdList(), *IdListFromPath(temp / "w/sub"));
    ASSERT_TRUE(child.Folder());
    EXPECT_EQ(child.Folder()->IdList(), child.AbsoluteIdList());
    child.SetIdList(Name("missing"));
    EXPECT_FALSE(child.Folder());

    THyShTreeData desktop(nullptr, TItemIdList());
    EXPECT_FALSE(desktop.CanRename());
    EXPECT_TRUE(desktop.Folder());
}

TEST(ShellData, ListItemRecords) {
    testing::TTempFolder temp;
    temp.Write("w/n19.hpt", std::string(2000, 'x'));
    temp.Write("w/Link.LNK", "");
    std::filesystem::create_directory(temp / "w/2024");
    for (const bool details : {false, true}) {
        TListOwner owner(temp / "w", details);
        THyShListData file(owner, Name("n19.hpt"));
        EXPECT_EQ(file.GetPathName(), Utf8ToUtf16(temp / "w/n19.hpt"));
        EXPECT_EQ(file.Details(0), u"");
        EXPECT_EQ(file.Details(1), u"2 KB") << details;
        EXPECT_EQ(file.Details(2), u"HPT File");
        EXPECT_FALSE(file.Details(3).empty());
        EXPECT_FALSE(file.IsFolder(false));
        EXPECT_TRUE(file.IsFileSystem());
        file.SetRelativeIdList(Name("2024"));
        EXPECT_EQ(file.DisplayName(), u"2024");
        EXPECT_TRUE(file.IsFolder(false));
        EXPECT_EQ(file.Details(1), u"");
        EXPECT_TRUE(THyShListData(owner, Name("Link.LNK")).IsShortcut());
    }
}

TEST(ShellData, LocatorChangesAndStoredForm) {
    testing::TTempFolder temp;
    THyShellLocator locator;
    int changes = 0;
    locator.OnChange = [&] { ++changes; };
    locator.SetPidl(nullptr);
    EXPECT_EQ(changes, 0);
    const TItemIdList folder = *IdListFromPath(temp / "data");
    locator.SetPidl(&folder);
    locator.SetPidl(&folder);
    EXPECT_EQ(changes, 1);
    THyShellLocator copy;
    ASSERT_TRUE(copy.ReadStored(locator.WriteStored()));
    EXPECT_TRUE(copy.SameAs(locator));

    locator.SetPath(Utf8ToUtf16(temp / "missing"));
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(locator.GetPidl(), nullptr);

    const uint8_t desktop[] = {1, 1};
    ASSERT_TRUE(copy.ReadStored(desktop));
    ASSERT_NE(copy.GetPidl(), nullptr);
    EXPECT_TRUE(copy.GetPidl()->isEmpty());
    EXPECT_EQ(copy.GetPidl(), copy.GetPidl());

    const std::vector<std::vector<uint8_t>> damaged = {
        {}, {1}, {1, 56}, {2, 0}, {0, 1, 0}, {0, 9, 0, 0, 0, 4, 0, 0, 0}, {0, 4, 0, 0, 0, 5, 0, 0, 0},
        {0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0}, {0, 6, 0, 0, 0, 2, 0, 0, 0, 0, 0}};
    for (const std::vector<uint8_t>& bytes : damaged) EXPECT_FALSE(copy.ReadStored(bytes)) << bytes.size();
}

TEST(ShellData, ExplorerColoursFromTheRegistry) {
    testing::TTempFolder temp;
    EXPECT_FALSE(ReadExplorerColours().ShowColours);
    TRegistry registry;
    registry.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", true);
    registry.WriteInteger("ShowCompColor", 1);
    registry.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", true);
    registry.WriteInteger("AltColor", 0x0000FF);
    const TExplorerColours colours = ReadExplorerColours();
    EXPECT_TRUE(colours.ShowColours);
    EXPECT_EQ(colours.Compressed, QColor(255, 0, 0));
    EXPECT_EQ(colours.Encrypted, QColor(0, 128, 0));
}

TEST(ShellData, KeyboardShortcuts) {
    const std::pair<const char*, uint16_t> table[] = {
        {"Ctrl+A", 0x4041}, {"Del", 46}, {"F5", 116}, {"Shift+Ctrl+Alt+F2", 0xE000 + 113}, {"^c", 0x4043},
        {"#600", 0}, {"#300", 300}, {"Nonsense", 0}};
    for (const auto& [text, code] : table) EXPECT_EQ(TextToShortCut(text), code) << text;
    EXPECT_EQ(ShortCutToText(0xE000 + 113), "Shift+Ctrl+Alt+F2");
    EXPECT_EQ(KeyCommands()[kcRename], 113);
}

}  // namespace
}  // namespace kestrune::shell
