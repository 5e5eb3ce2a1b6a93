// ID-list routines, the ID-list list's duplicate rules over exact names, the
// special-folder table, idle freeing in slices, device changes and the
// message formatter.
#include "platform/Messages_qt.h"
#include "shell/UHyShConsts.h"
#include "shell/UHyShellUtils.h"
#include "platform/ResCodePages.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/QtTestFolder.h"
#include "tests/support/ShortcutWriter.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace kestrune::shell {
namespace {

TItemIdList Path(const std::string& path) { return *IdListFromPath(path); }

TEST(ShellUtils, IdListRoutines) {
    const TItemIdList one = Path("/data");
    const TItemIdList empty;
    EXPECT_EQ(IdListSize(nullptr), 0u);
    EXPECT_EQ(IdListSize(&empty), 2u);
    EXPECT_EQ(CombineIdLists(&empty, &one), one);
    EXPECT_EQ(CombineIdLists(nullptr, nullptr), empty);
    EXPECT_EQ(CompareIdListsRaw(&one, &one), 0);
    EXPECT_EQ(CompareIdListsRaw(&one, &empty), static_cast<int>(one.bytes()[0]));
    EXPECT_EQ(CompareIdListsRaw(nullptr, &empty), -2);

    const TItemIdList upper = Path("/data/A.hpt"), lower = Path("/data/a.hpt");
    EXPECT_EQ(CompareIdLists(nullptr, &empty), 0);
    EXPECT_EQ(CompareIdLists(&one, &empty), -1);
    EXPECT_NE(CompareIdLists(&upper, &lower), 0);
    EXPECT_EQ(CompareIdLists(&upper, &upper), 0);

    THyIdListArray array(&upper);
    EXPECT_EQ(array.Count(), 2);
    EXPECT_EQ(*array.Leading(2, 1), one);
    EXPECT_EQ(PathFromIdList(*array.Item(1)), "/A.hpt");
    EXPECT_EQ(array.Item(2), nullptr);

    std::shared_ptr<IShellFolder> parent;
    std::optional<TItemIdList> parentList;
    TItemIdList last;
    ASSERT_TRUE(SplitIdList(one, parent, parentList, last));
    EXPECT_FALSE(parentList);
    EXPECT_EQ(last, one);
}

TEST(ShellUtils, PidlListKeepsNamesThatDifferInCase) {
    testing::TTempFolder temp;
    for (const char* name : {"a.hpt", "A.hpt", "b.hpt"}) temp.Write(name, "x");
    THyPidlList list;
    list.SetCompareFolder(DesktopFolder());
    list.SetSorted(true);
    for (const char* name : {"b.hpt", "a.hpt", "A.hpt"}) list.Add(Path(temp / name), 7);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(PathFromIdList(list.Items(2)), temp / "b.hpt");
    EXPECT_EQ(list.IndexOf(Path(temp / "a.hpt")), list.IndexOf(Path(temp / "a.hpt")));
    EXPECT_NE(list.IndexOf(Path(temp / "a.hpt")), list.IndexOf(Path(temp / "A.hpt")));
    EXPECT_THROW(list.Add(Path(temp / "b.hpt")), EHyPidlListError);
    list.Duplicates = TDuplicates::dupIgnore;
    EXPECT_EQ(list.Add(Path(temp / "b.hpt")), 2);
    list.Duplicates = TDuplicates::dupAccept;
    list.Add(Path(temp / "b.hpt"));
    EXPECT_EQ(list.Count(), 4);
}

TEST(ShellUtils, SpecialFolders) {
    const std::pair<int, int> table[] = {{1, 0}, {15, 14}, {16, 16}, {17, 17}, {40, 40}, {41, 43}, {46, 49}, {47, 53}, {55, 62}, {56, -1}};
    for (const auto& [index, csidl] : table) EXPECT_EQ(CsidlOfSpecialFolder(index), csidl) << index;
    EXPECT_EQ(WhichSpecialFolder(TItemIdList()), 1);
    TItemIdList computer;
    ASSERT_EQ(SpecialFolderIdList(17, computer), ole::S_OK);
    EXPECT_EQ(WhichSpecialFolder(computer), 17);
    EXPECT_EQ(IconIndex(&computer, 0), siComputer);
}

TEST(ShellUtils, IdleFreeingStopsAfterSlicesOverBudget) {
    TShellMemFreeOnIdle& idle = TShellMemFreeOnIdle::Instance();
    auto now = std::chrono::steady_clock::now();
    idle.SetClock([&] { return now += std::chrono::milliseconds(300); });  // a slow allocator
    for (int i = 0; i < 1000; ++i) ShellFreeDeferred(std::make_unique<TItemIdList>());
    EXPECT_FALSE(idle.OnIdle());
    EXPECT_EQ(idle.Pending(), 500u);
    EXPECT_TRUE(idle.OnIdle());
    EXPECT_EQ(idle.Pending(), 0u);
    // The slow clock reads this test's locals: later idle slices get the real one back.
    idle.SetClock([] { return std::chrono::steady_clock::now(); });
}

TEST(ShellUtils, DeviceChangesReachHandlersThroughAPostedMessage) {
    testing::EnsureQtApplication();
    std::vector<std::pair<uint32_t, uintptr_t>> seen;
    THyDeviceChangeHandler& handler = THyDeviceChangeHandler::Instance();
    handler.Register(&seen, [&](uint32_t msg, uintptr_t wParam, intptr_t) { seen.emplace_back(msg, wParam); });
    std::vector<TMount> mounts = MountedFileSystems();
    mounts.push_back({"/media/usb", "/dev/sdz1", "vfat"});
    handler.MountsChanged(mounts);
    EXPECT_TRUE(seen.empty());  // never inside the notification
    for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
    EXPECT_EQ(seen, (std::vector<std::pair<uint32_t, uintptr_t>>{{WM_HY_DEVICECHANGE, 0x8000}}));
    mounts.pop_back();
    handler.Unregister(&seen);
    handler.MountsChanged(mounts);
    for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
    EXPECT_EQ(seen.size(), 1u);
}

TEST(ShellUtils, ShortcutsLoadTheirTarget) {
    testing::TTempFolder temp;
    TShortcutFields fields;
    fields.RelativePath = "..\\data\\n19.hpt";
    const std::vector<uint8_t> bytes = testing::WriteShortcut(fields, true);
    const std::string link = temp.Write("links/n19.lnk", std::string(bytes.begin(), bytes.end()));
    THyShortcut shortcut;
    ASSERT_EQ(shortcut.Load(Utf8ToUtf16(link)), ole::S_OK);
    EXPECT_EQ(shortcut.Target, Utf8ToUtf16(temp / "links/../data/n19.hpt"));
    EXPECT_EQ(shortcut.Load(u""), ole::E_INVALIDARG);
}

TEST(ShellUtils, TheTreeWatchesFixedDisksOnly) {
    const std::vector<TMount> mounts = {{"/", "/dev/sda2", "ext4"},
                                        {"/media/stick", "/dev/sdb1", "vfat"},
                                        {"/media/cdrom", "/dev/sr0", "iso9660"},
                                        {"/media/dvd", "/dev/sr1", "udf"},
                                        {"/data", "/dev/nvme0n1p3", "xfs"}};
    const auto removable = [](const std::string& source) { return source == "/dev/sdb1"; };
    EXPECT_EQ(WatchedDriveRoots(mounts, removable), (std::vector<std::string>{"/", "/data"}));
    // Sources that are no device, or that climb out of the device folder, are not removable.
    for (const char* source : {"tmpfs", "/dev/../etc/x", ""}) EXPECT_FALSE(RemovableDevice(source)) << source;
}

TEST(ShellUtils, FormatMessage) {
    EXPECT_EQ(FormatMessageW(u"Unable to create the folder '%2!ls!'\n\n%1!ls!", {u"Access is denied.", u"New Folder"}),
              u"Unable to create the folder 'New Folder'\n\nAccess is denied.");
    EXPECT_EQ(FormatMessageW(u"100%% %1%0 rest", {u"x"}), u"100% x");
    EXPECT_EQ(FormatMessageW(u"", {}), u"");
    EXPECT_THROW(FormatMessageW(u"%1", std::vector<WideString>(50, u"s")), Exception);
}

// The root of a medium that can be taken out is asked for its attributes
// without read-only; fixed disks, and folders below the root, with it.
TEST(ShellUtils, RemovableRootsAreNotAskedWhetherTheyAreReadOnly) {
    testing::EnsureQtApplication();
    THyDeviceChangeHandler& handler = THyDeviceChangeHandler::Instance();
    const auto removable = handler.IsRemovable;
    handler.IsRemovable = [](const std::string& source) { return source == "/dev/sdz1"; };
    std::vector<TMount> mounts = MountedFileSystems();
    mounts.push_back({"/media/usb", "/dev/sdz1", "vfat"});
    mounts.push_back({"/mnt/archive", "/dev/sdy1", "ext4"});
    handler.MountsChanged(mounts);
    EXPECT_EQ(handler.RemovableRoots(), std::vector<std::string>{"/media/usb"});
    const uint32_t mask = 0xF40F2037u;
    EXPECT_EQ(TreeAttributeRequest("/media/usb", mask, handler.RemovableRoots()), mask & ~SFGAO_READONLY);
    EXPECT_EQ(TreeAttributeRequest("/media/usb/2021", mask, handler.RemovableRoots()), mask);
    EXPECT_EQ(TreeAttributeRequest("/mnt/archive", mask, handler.RemovableRoots()), mask);
    mounts.resize(mounts.size() - 2);
    handler.MountsChanged(mounts);
    EXPECT_TRUE(handler.RemovableRoots().empty());
    handler.IsRemovable = removable;
    for (int round = 0; round < 3; ++round) QCoreApplication::processEvents();
}

}  // namespace
}  // namespace kestrune::shell
