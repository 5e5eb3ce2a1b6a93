// The folder-change watcher against the real kernel: changes in watched
// folders reach the owner as posted slot numbers, and no descriptor outlives
// a watch or the watcher.
#include "platform/Messages_qt.h"
#include "shell/UHyChangeHandler.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/QtTestFolder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace kestrune::shell {
namespace {

constexpr uint32_t ChangeMessage = WM_USER + 101;
constexpr uint32_t NameChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;

class TOwner : public QObject {
public:
    std::vector<int> Slots;
    bool event(QEvent* event) override {
        const TMessage* message = MessageOf(event);
        if (!message) return QObject::event(event);
        EXPECT_EQ(message->Msg, ChangeMessage);
        Slots.push_back(static_cast<int>(message->WParam));
        return true;
    }
    // Lets posted messages arrive until done holds or a second has passed.
    bool WaitFor(const std::function<bool()>& done) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        return done();
    }
};

size_t OpenDescriptors() {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                             std::filesystem::directory_iterator()));
}

class ChangeHandler : public ::testing::Test {
protected:
    // The one application object of the unit's tests, which have windows.
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }
    testing::TTempFolder temp;
    TOwner owner;
    std::string Folder(const std::string& name) {
        std::filesystem::create_directories(temp / name);
        return temp / name;
    }
};

TEST_F(ChangeHandler, NameChangesInAWatchedFolderPostItsSlot) {
    TChangeHandlerThread watcher(&owner, ChangeMessage);
    const std::string first = Folder("first"), second = Folder("second");
    int slot = -1;
    ASSERT_TRUE(watcher.AddWatch(first, NameChanges, slot, false));
    EXPECT_EQ(slot, 0);
    ASSERT_TRUE(watcher.AddWatch(second, NameChanges, slot, false));
    EXPECT_EQ(slot, 1);

    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"create", [&] { std::ofstream(second + "/a.hpt") << "x"; }},
        {"rename", [&] { std::filesystem::rename(second + "/a.hpt", second + "/b.hpt"); }},
        {"delete", [&] { std::filesystem::remove(second + "/b.hpt"); }},
        // Stations publish a finished pass by moving it in from elsewhere.
        {"move in", [&] {
             std::ofstream(Folder("incoming") + "/N19_1200.hpt") << "x";
             std::filesystem::rename(temp / "incoming/N19_1200.hpt", second + "/N19_1200.hpt");
         }},
    };
    for (const auto& [what, change] : changes) {
        owner.Slots.clear();
        change();
        EXPECT_TRUE(owner.WaitFor([&] { return !owner.Slots.empty(); })) << what;
        EXPECT_EQ(owner.Slots, std::vector<int>{1}) << what;
    }
}

TEST_F(ChangeHandler, TwoSlotsOnOneFolderKeepTheirOwnFilters) {
    const std::string folder = Folder("f");
    TChangeHandlerThread watcher(&owner, ChangeMessage);
    int folders = -1, files = -1;
    ASSERT_TRUE(watcher.AddWatch(folder, FILE_NOTIFY_CHANGE_DIR_NAME, folders, false));
    ASSERT_TRUE(watcher.AddWatch(folder, FILE_NOTIFY_CHANGE_FILE_NAME, files, false));
    std::ofstream(folder + "/a.hpt") << "x";
    ASSERT_TRUE(owner.WaitFor([&] { return !owner.Slots.empty(); }));
    EXPECT_EQ(owner.Slots, std::vector<int>{files});
    owner.Slots.clear();
    std::filesystem::create_directory(folder + "/sub");
    ASSERT_TRUE(owner.WaitFor([&] { return !owner.Slots.empty(); }));
    EXPECT_EQ(owner.Slots, std::vector<int>{folders});
}

TEST_F(ChangeHandler, SubtreeWatchSeesDeepAndNewFolders) {
    const std::string root = Folder("archive/2024/01");
    TChangeHandlerThread watcher(&owner, ChangeMessage);
    int slot = -1;
    ASSERT_TRUE(watcher.AddWatch(temp / "archive", NameChanges, slot, true));
    std::ofstream(root + "/pass.hpt") << "x";
    ASSERT_TRUE(owner.WaitFor([&] { return !owner.Slots.empty(); }));

    std::filesystem::create_directories(temp / "archive/2024/02");
    ASSERT_TRUE(owner.WaitFor([&] { return owner.Slots.size() >= 2; }));
    owner.Slots.clear();
    std::ofstream(temp / "archive/2024/02/pass.hpt") << "x";
    EXPECT_TRUE(owner.WaitFor([&] { return !owner.Slots.empty(); }));
    EXPECT_EQ(owner.Slots.front(), slot);
}

TEST_F(ChangeHandler, DeletingTheWatchedFolderPostsOnceAndFreesTheSlot) {
    TChangeHandlerThread watcher(&owner, ChangeMessage);
    int slot = -1;
    ASSERT_TRUE(watcher.AddWatch(Folder("keep"), NameChanges, slot, false));
    ASSERT_TRUE(watcher.AddWatch(Folder("gone"), NameChanges, slot, false));
    ASSERT_EQ(slot, 1);
    std::filesystem::remove(temp / "gone");
    ASSERT_TRUE(owner.WaitFor([&] { return !owner.Slots.empty(); }));
    int again = -1;
    ASSERT_TRUE(watcher.AddWatch(Folder("next"), NameChanges, again, false));
    EXPECT_EQ(again, 1);  // the lowest free slot
    QCoreApplication::processEvents();
    EXPECT_EQ(owner.Slots, std::vector<int>{1});
}

TEST_F(ChangeHandler, SixtyFourthWatchFailsAndEveryDescriptorIsClosed) {
    const size_t before = OpenDescriptors();
    {
        TChangeHandlerThread watcher(&owner, ChangeMessage);
        int slot = -1;
        for (int k = 0; k < TChangeHandlerThread::SlotCount; ++k) {
            ASSERT_TRUE(watcher.AddWatch(Folder("f" + std::to_string(k)), NameChanges, slot, false));
            EXPECT_EQ(slot, k);
        }
        const size_t full = OpenDescriptors();
        slot = -7;
        EXPECT_FALSE(watcher.AddWatch(Folder("f63"), NameChanges, slot, false));
        EXPECT_EQ(slot, -7);
        EXPECT_EQ(OpenDescriptors(), full);
        EXPECT_FALSE(watcher.AddWatch("", NameChanges, slot, false));
        EXPECT_FALSE(watcher.AddWatch(temp / "missing", NameChanges, slot, false));

        watcher.RemoveAllWatches();
        EXPECT_TRUE(watcher.AddWatch(Folder("f63"), NameChanges, slot, false));
        EXPECT_EQ(slot, 0);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

// Without a slot limit the watcher holds as many folders as it is given, and
// the last one added still reports its changes.
TEST_F(ChangeHandler, AnUnlimitedWatcherFollowsHundredsOfFolders) {
    const size_t before = OpenDescriptors();
    {
        TChangeHandlerThread watcher(&owner, ChangeMessage, TChangeHandlerThread::Unlimited);
        int slot = -1;
        for (int k = 0; k < 300; ++k) {
            ASSERT_TRUE(watcher.AddWatch(Folder("day" + std::to_string(k)), NameChanges, slot, false));
            ASSERT_EQ(slot, k);
        }
        std::ofstream(temp / "day299/pass.hpt") << "x";
        ASSERT_TRUE(owner.WaitFor([&] { return !owner.Slots.empty(); }));
        EXPECT_EQ(owner.Slots, std::vector<int>{299});
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

}  // namespace
}  // namespace kestrune::shell
