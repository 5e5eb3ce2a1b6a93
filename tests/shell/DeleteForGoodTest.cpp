// A delete for good (Shift+Del) of a day's folder in the pass browser, some
// of whose files cannot be deleted: all that can go goes, and one box names
// each item that stayed and why, an immutable file told apart from a file
// system mounted read-only.
#include "platform/ShellFileOps.h"
#include "shell/UHyShellTransfer.h"
#include "tests/platform/SmallDisk.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/QtTestFolder.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kestrune::shell {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> DayFiles{
    "NOAA18_20230503_1200.hpt", "NOAA18_20230503_1200.thumb.jpg", "NOAA19_20230503_1341.hpt",
    "NOAA19_20230503_1341.thumb.jpg", "20230503_1215.hpt", "20230503_1215.thumb.jpg"};

// Sets or clears attribute flags; false where the platform cannot (no privilege, no such flags).
bool MarkFile(const std::string& path, int mark, bool on) {
    const int item = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int flags = 0;
    bool done = item >= 0 && ioctl(item, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | mark : flags & ~mark;
    done = done && ioctl(item, FS_IOC_SETFLAGS, &flags) == 0;
    if (item >= 0) close(item);
    return done;
}

// Deletes the folder for good as Shift+Del in the browser does, Yes answered;
// the names left in it and the text of the box after the question ("" when none).
std::pair<std::vector<std::string>, std::string> ShiftDelete(const std::string& folder) {
    auto& dialogs = TDialogService::Instance();
    dialogs.ClearScript();
    dialogs.QueueAnswer(mrYes);
    ItemsContextMenu({*IdListFromPath(folder)})->InvokeCommand({"delete", 0, true, false});
    std::vector<std::string> left;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
        left.push_back(fs::relative(entry.path(), folder).string());
    std::sort(left.begin(), left.end());
    const auto& boxes = dialogs.Requests();
    return {left, boxes.size() > 1 ? boxes.back().text : ""};
}

struct TMarkCase {
    const char* What;
    std::vector<std::string> Marked;  // below the day's folder
    int Mark;
    std::vector<std::string> Left;
    std::vector<std::string> Told;  // each line of the box after its first, below the day's folder
};

class DeleteForGood : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureQtApplication(); }
    void SetUp() override { TDialogService::Instance().SetMode(TDialogService::Mode::Scripted); }
    void TearDown() override { TDialogService::Instance().SetMode(TDialogService::Mode::Unattended); }
    std::string Day() {
        const std::string day = temp / "archive/2023/05/03";
        fs::create_directories(day);
        for (const std::string& file : DayFiles) std::ofstream(day + "/" + file) << file;
        return day;
    }
    testing::TTempFolder temp;
};

TEST_F(DeleteForGood, AllThatCanGoGoesAndWhatStaysIsNamedWithWhy) {
    const std::vector<TMarkCase> cases{
        {"one of six files immutable", {"NOAA19_20230503_1341.hpt"}, FS_IMMUTABLE_FL, {"NOAA19_20230503_1341.hpt"},
         {"NOAA19_20230503_1341.hpt: it is marked immutable"}},
        {"a pass log kept append-only", {"20230503_1215.hpt"}, FS_APPEND_FL, {"20230503_1215.hpt"},
         {"20230503_1215.hpt: it is marked append-only"}},
        {"two immutable files", {"NOAA18_20230503_1200.hpt", "NOAA18_20230503_1200.thumb.jpg"}, FS_IMMUTABLE_FL,
         {"NOAA18_20230503_1200.hpt", "NOAA18_20230503_1200.thumb.jpg"},
         {"NOAA18_20230503_1200.hpt: it is marked immutable", "NOAA18_20230503_1200.thumb.jpg: it is marked immutable"}},
    };
    for (const TMarkCase& marked : cases) {
        const std::string day = Day();
        bool markable = true;
        for (const std::string& item : marked.Marked) markable = MarkFile(day + "/" + item, marked.Mark, true) && markable;
        if (!markable) GTEST_SKIP() << "files cannot be marked immutable here (no privilege, or no such file system)";
        const auto [left, told] = ShiftDelete(temp / "archive/2023/05/03");
        for (const std::string& item : marked.Marked) MarkFile(day + "/" + item, marked.Mark, false);
        EXPECT_EQ(left, marked.Left) << marked.What;
        std::string expected = "Not everything was deleted. Still there:\r";
        for (size_t k = 0; k < marked.Told.size(); ++k) expected += (k > 0 ? "\n" : "") + day + "/" + marked.Told[k];
        EXPECT_EQ(told, expected) << marked.What;
        fs::remove_all(day);
    }
}

// A folder marked immutable keeps what it holds; the folder around it is
// emptied of all else.
TEST_F(DeleteForGood, AnImmutableFolderKeepsItsPassesAndIsToldOnce) {
    const std::string day = Day();
    fs::create_directory(day + "/kept");
    std::ofstream(day + "/kept/NOAA15_20230503_0714.hpt") << "pass";
    if (!MarkFile(day + "/kept", FS_IMMUTABLE_FL, true)) GTEST_SKIP() << "folders cannot be marked immutable here";
    const auto [left, told] = ShiftDelete(day);
    MarkFile(day + "/kept", FS_IMMUTABLE_FL, false);
    EXPECT_EQ(left, (std::vector<std::string>{"kept", "kept/NOAA15_20230503_0714.hpt"}));
    EXPECT_EQ(told, "Not everything was deleted. Still there:\r" + day + "/kept/NOAA15_20230503_0714.hpt: "
                    "its folder is marked immutable or append-only");
}

// On a file system mounted read-only nothing goes, and that is why.
TEST_F(DeleteForGood, AReadOnlyFileSystemIsToldAsSuch) {
    SKIP_WITHOUT_SMALL_DISKS();
    const std::string mounted = temp / "archive";
    fs::create_directories(mounted);
    EXPECT_EQ(testing::RunWithSmallDisk(mounted, 1 << 20, [&]() -> std::string {
        const std::string day = Day();
        if (mount(nullptr, mounted.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) return "not remounted read-only";
        const auto [left, told] = ShiftDelete(day);
        std::vector<std::string> all = DayFiles;
        std::sort(all.begin(), all.end());
        if (left != all) return "items went: " + std::to_string(DayFiles.size() - left.size());
        const std::string first = "Not everything was deleted. Still there:\r" + day + "/" + DayFiles[4] +
                                  ": the file system it is on is read-only\n";
        return told.starts_with(first) && told.find("immutable") == std::string::npos ? "" : told;
    }), "");
}

}  // namespace
}  // namespace kestrune::shell
