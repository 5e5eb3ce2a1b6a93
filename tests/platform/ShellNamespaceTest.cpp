// Our namespace over a temporary folder: exact identity with case-insensitive
// order, attributes, names, renaming, the places in front of the desktop,
// and the mount table.
#include "platform/ShellNamespace.h"
#include "platform/SystemErrors.h"
#include "tests/platform/CommaLocale.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/LocaleFileNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>

namespace kestrune {
namespace {

TItemIdList Item(uint8_t kind, const std::string& text) {
    std::vector<uint8_t> data{kind};
    data.insert(data.end(), text.begin(), text.end());
    return TItemIdList::fromItem(data);
}

class ShellNamespace : public ::testing::Test {
protected:
    testing::TTempFolder temp;
    // The folder "w" of the temporary folder (which holds others of its own).
    std::shared_ptr<IShellFolder> Folder() { return BindAbsolute(*IdListFromPath(temp / "w")); }
    std::string Write(const std::string& name, const std::string& bytes) { return temp.Write("w/" + name, bytes); }
    std::vector<std::string> Names(IShellFolder& folder, uint32_t flags) {
        std::unique_ptr<IEnumIdList> items;
        EXPECT_EQ(folder.EnumObjects(flags, items), ole::S_OK);
        std::vector<TItemIdList> lists;
        for (TItemIdList item; items->Next(item) == ole::S_OK;) lists.push_back(item);
        std::sort(lists.begin(), lists.end(), [&](const TItemIdList& a, const TItemIdList& b) {
            return CompareResult(folder.CompareIDs(0, a, b)) < 0;
        });
        std::vector<std::string> names;
        for (const TItemIdList& item : lists) {
            std::string name;
            folder.GetDisplayNameOf(item, SHGDN_INFOLDER, name);
            names.push_back(name);
        }
        return names;
    }
};

TEST_F(ShellNamespace, NamesDifferingInCaseAreTwoItemsSortedTogether) {
    for (const char* name : {"b.hpt", "a.hpt", "A.hpt", ".hidden"}) Write(name, "x");
    std::filesystem::create_directory(temp / "w/Sub");
    const auto folder = Folder();
    ASSERT_TRUE(folder);
    EXPECT_EQ(Names(*folder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS),
              (std::vector<std::string>{"Sub", "A.hpt", "a.hpt", "b.hpt"}));
    EXPECT_EQ(Names(*folder, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN), std::vector<std::string>{"Sub"});
    EXPECT_EQ(Names(*folder, SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN).front(), ".hidden");

    const TItemIdList upper = Item(FileSystemItemKind, "A.hpt"), lower = Item(FileSystemItemKind, "a.hpt");
    EXPECT_NE(CompareResult(folder->CompareIDs(0, upper, lower)), 0);
    EXPECT_EQ(CompareResult(folder->CompareIDs(0, lower, lower)), 0);
    EXPECT_LT(CompareResult(folder->CompareIDs(1, Item(FileSystemItemKind, "Sub"), lower)), 0);  // folders first by size
}

// Folders come before files in every column, also for a folder object that
// has not enumerated yet; by size, folders keep their name order whatever
// room their directory takes on the disk.
TEST_F(ShellNamespace, FoldersComeFirstInEveryColumn) {
    Write("a.hpt", std::string(10, 'x'));
    Write("B/placeholder", "");
    for (int k = 0; k < 300; ++k) Write("B/pass" + std::to_string(k) + ".hpt", "");
    std::filesystem::create_directory(temp / "w/c");
    const auto folder = Folder();
    const std::vector<TItemIdList> items = {Item(FileSystemItemKind, "a.hpt"), Item(FileSystemItemKind, "c"),
                                            Item(FileSystemItemKind, "B")};
    for (int column = 0; column < 4; ++column) {
        std::vector<TItemIdList> sorted = items;
        std::sort(sorted.begin(), sorted.end(), [&](const TItemIdList& a, const TItemIdList& b) {
            return CompareResult(folder->CompareIDs(column, a, b)) < 0;
        });
        EXPECT_EQ(sorted.back(), items[0]) << column;
        if (column < 2) {
            EXPECT_EQ(sorted.front(), items[2]) << column;
        }
    }
}

TEST_F(ShellNamespace, AttributesNamesAndDetails) {
    Write("n19.hpt", std::string(1025, 'x'));
    Write(".seen", "");
    std::filesystem::create_directories(temp / "w/d/inner");
    std::filesystem::create_symlink(temp / "w/n19.hpt", temp / "w/link.hpt");
    const auto folder = Folder();
    const auto attributes = [&](const char* name) {
        uint32_t mask = 0xFFFFFFFFu;
        const TItemIdList item = Item(FileSystemItemKind, name);
        EXPECT_EQ(folder->GetAttributesOf(std::span<const TItemIdList>(&item, 1), mask), ole::S_OK);
        return mask;
    };
    EXPECT_EQ(attributes("n19.hpt") & (SFGAO_FOLDER | SFGAO_STREAM | SFGAO_FILESYSTEM | SFGAO_CANRENAME),
              SFGAO_STREAM | SFGAO_FILESYSTEM | SFGAO_CANRENAME);
    EXPECT_TRUE(attributes("d") & SFGAO_HASSUBFOLDER);
    EXPECT_TRUE(attributes(".seen") & SFGAO_HIDDEN);
    EXPECT_TRUE(attributes(".seen") & SFGAO_GHOSTED);
    EXPECT_TRUE(attributes("link.hpt") & SFGAO_LINK);
    EXPECT_EQ(attributes("missing"), 0u);

    const TItemIdList file = Item(FileSystemItemKind, "n19.hpt");
    std::string name;
    folder->GetDisplayNameOf(file, SHGDN_FORPARSING, name);
    EXPECT_EQ(name, temp / "w/n19.hpt");
    TShellDetails details;
    folder->GetDetailsOf(nullptr, 3, details);
    EXPECT_EQ(details.Text, "Date Modified");
    EXPECT_EQ(details.CxChar, 17) << "\"12/28/26 22:58\" and room";
    folder->GetDetailsOf(&file, 1, details);
    EXPECT_EQ(details.Text, "2 KB");
    folder->GetDetailsOf(&file, 2, details);
    EXPECT_EQ(details.Text, "HPT File");
    EXPECT_EQ(folder->GetDetailsOf(&file, 4, details), ole::E_INVALIDARG);
    // The date column is as wide as a German date ("28.12.2026 22:58") needs.
    const testing::TCommaLocale comma(temp.Path());
    if (!comma.Active()) return;
    const testing::TLocaleEnvironment user(comma.Name());
    folder->GetDetailsOf(nullptr, 3, details);
    EXPECT_EQ(details.CxChar, 19);
}

TEST_F(ShellNamespace, ParsingAndRenaming) {
    Write("a.hpt", "x");
    Write("b.hpt", "x");
    const auto desktop = DesktopFolder();
    TItemIdList list;
    ASSERT_EQ(desktop->ParseDisplayName(temp / "w/a.hpt", list), ole::S_OK);
    EXPECT_EQ(list, *IdListFromPath(temp / "w/a.hpt"));
    EXPECT_EQ(desktop->ParseDisplayName(temp / "missing", list), HResultFromError(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(desktop->ParseDisplayName("relative", list), ole::E_INVALIDARG);

    const auto folder = Folder();
    TItemIdList renamed;
    EXPECT_EQ(folder->SetNameOf(Item(FileSystemItemKind, "a.hpt"), "b.hpt", renamed), HResultFromError(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(folder->SetNameOf(Item(FileSystemItemKind, "a.hpt"), "x/y", renamed), HResultFromError(ERROR_INVALID_NAME));
    ASSERT_EQ(folder->SetNameOf(Item(FileSystemItemKind, "a.hpt"), "A.hpt", renamed), ole::S_OK);
    EXPECT_EQ(renamed, Item(FileSystemItemKind, "A.hpt"));
    EXPECT_TRUE(std::filesystem::exists(temp / "w/A.hpt"));
}

TEST_F(ShellNamespace, DesktopPlacesAndTheComputer) {
    setenv("HOME", (temp / "home").c_str(), 1);
    std::filesystem::create_directory(temp / "home");
    const auto desktop = DesktopFolder();
    std::unique_ptr<IEnumIdList> items;
    desktop->EnumObjects(SHCONTF_FOLDERS, items);
    TItemIdList home, computer;
    items->Next(home);
    items->Next(computer);
    std::string name;
    desktop->GetDisplayNameOf(home, SHGDN_NORMAL, name);
    EXPECT_EQ(name, "Home");
    EXPECT_EQ(PathFromIdList(home), temp / "home");
    desktop->GetDisplayNameOf(computer, SHGDN_NORMAL, name);
    EXPECT_EQ(name, "Computer");
    EXPECT_FALSE(PathFromIdList(computer));
    TItemIdList special;
    ASSERT_EQ(SpecialFolderLocation(CSIDL_DRIVES, special), ole::S_OK);
    EXPECT_EQ(special, computer);
    EXPECT_LT(CompareResult(desktop->CompareIDs(0, computer, home)), 0);
    EXPECT_EQ(CompareResult(desktop->CompareIDs(0, home, *IdListFromPath(temp / "home"))), 0);
    const auto drives = BindAbsolute(computer);
    ASSERT_TRUE(drives);
    drives->EnumObjects(SHCONTF_FOLDERS, items);
    TItemIdList root;
    ASSERT_EQ(items->Next(root), ole::S_OK);  // every system has its root
    EXPECT_TRUE(PathFromIdList(computer.combine(root)));
}

TEST(ShellPaths, PlacesOnlyLeadOrFollowTheComputer) {
    const TItemIdList computer = Item(ComputerItemKind, "Computer");
    const TItemIdList usb = Item(PlaceItemKind, "/media/usb");
    EXPECT_EQ(PathFromIdList(computer.combine(usb).combine(Item(FileSystemItemKind, "a"))), "/media/usb/a");
    EXPECT_EQ(PathFromIdList(usb), "/media/usb");
    const TItemIdList bad[] = {
        Item(PlaceItemKind, "/x/../y"), Item(PlaceItemKind, "relative"), Item(FileSystemItemKind, ".."),
        Item(FileSystemItemKind, "a").combine(usb), computer.combine(Item(FileSystemItemKind, "a")),
        computer.combine(usb).combine(usb),
    };
    for (const TItemIdList& list : bad) EXPECT_FALSE(PathFromIdList(list));
}

TEST(ShellPaths, MountTableKeepsDevicesAndTheRoot) {
    const std::string text =
        "22 1 0:21 / / rw - overlay overlay rw\n"
        "23 22 0:22 / /proc rw - proc proc rw\n"
        "24 22 8:17 / /media/usb\\040stick rw shared:1 - vfat /dev/sdb1 rw\n"
        "garbage line\n"
        "25 22 8:1 / /data - ext4 /dev/sda1\n"
        "26 22 8:1 / - ext4 /dev/sda1 rw\n";
    EXPECT_EQ(ParseMountInfo(text), (std::vector<TMount>{{"/", "overlay", "overlay"},
                                                         {"/media/usb stick", "/dev/sdb1", "vfat"}}));
}

TEST(ShellPaths, DetailTexts) {
    const std::pair<uint64_t, const char*> sizes[] = {
        {0, "0 KB"}, {1, "1 KB"}, {1024, "1 KB"}, {1025, "2 KB"}, {1048576000, "1,024,000 KB"}, {126418944, "123,456 KB"}};
    for (const auto& [bytes, text] : sizes) EXPECT_EQ(FormatKilobytes(bytes), text);
    EXPECT_EQ(FileTypeName("/a/n19.thumb.jpg", false), "JPG File");
    EXPECT_EQ(FileTypeName("/a/README", false), "File");
    EXPECT_EQ(FileTypeName("/a/b.c", true), "File folder");
    EXPECT_EQ(SysErrorMessage(ErrorFromErrno(EEXIST)), "Cannot create a file when that file already exists.");
    // A 65 MB pass as a German reader reads it, its date beside it.
    const testing::TTempFolder folder;
    const testing::TCommaLocale comma(folder.Path());
    if (!comma.Active()) return;
    const testing::TLocaleEnvironment user(comma.Name());
    EXPECT_EQ(FormatKilobytes(66540000), "64.981 KB");
    EXPECT_TRUE(std::regex_match(FormatShortDateTime(1796738319), std::regex(R"(\d\d\.\d\d\.2026 \d\d:\d\d)")));
}

}  // namespace
}  // namespace kestrune
