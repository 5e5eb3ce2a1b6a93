// Copies of a station's dated archive keep the times passes are dated by,
// and a full disk is told as such.
#include "platform/FileTreeCopy.h"
#include "tests/platform/SmallDisk.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using testing::TTempFolder;

// 2023-05-03 12:10:00 UTC, when the pass's file was last written.
constexpr time_t PassWritten = 1683115800;

void SetTimes(const std::string& path, time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds - 3600, 0}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info;
}

// The last-write time to the nanosecond, and the permission bits (the copy reads the
// source, so its access time is the reading's).
void ExpectSameTimesAndMode(const std::string& source, const std::string& copy) {
    const struct stat from = StatOf(source), to = StatOf(copy);
    EXPECT_EQ(to.st_mtim.tv_sec, from.st_mtim.tv_sec) << copy;
    EXPECT_EQ(to.st_mtim.tv_nsec, from.st_mtim.tv_nsec) << copy;
    EXPECT_EQ(to.st_mode, from.st_mode) << copy;
}

TEST(FileTreeCopy, ADayFolderKeepsEveryTimeAndItsPermissions) {
    TTempFolder temp;
    const std::string day = temp / "base/2023/05/03";
    const std::string pass = temp.Write("base/2023/05/03/n15_20230503_1200.raw16", std::string(300000, '\x5a'));
    const std::string preview = temp.Write("base/2023/05/03/n15_20230503_1200.thumb.jpg", "\xFF\xD8 preview");
    const std::string older = temp.Write("base/2023/05/03/older/n15_20230503_0140.raw16", "night pass");
    fs::create_symlink("n15_20230503_1200.raw16", day + "/latest.raw16");
    fs::permissions(preview, fs::perms::owner_read | fs::perms::group_read);
    SetTimes(pass, PassWritten, 123456789);
    SetTimes(preview, PassWritten + 60, 0);
    SetTimes(older, PassWritten - 38400, 5);
    SetTimes(day + "/latest.raw16", PassWritten + 120, 0);
    SetTimes(day + "/older", PassWritten - 38000, 0);
    fs::permissions(day + "/older", fs::perms::owner_read | fs::perms::owner_exec);  // a folder made read-only
    SetTimes(day, PassWritten + 300, 0);

    const std::string copy = temp / "backup/03";
    fs::create_directories(temp / "backup");
    ASSERT_EQ(CopyKeepingTimes(day, copy), 0);
    for (const char* item : {"", "/n15_20230503_1200.raw16", "/n15_20230503_1200.thumb.jpg", "/older",
                             "/older/n15_20230503_0140.raw16", "/latest.raw16"})
        ExpectSameTimesAndMode(day + item, copy + item);
    EXPECT_EQ(TTempFolder::Read(copy + "/n15_20230503_1200.raw16"), TTempFolder::Read(pass));
    EXPECT_EQ(TTempFolder::Read(copy + "/older/n15_20230503_0140.raw16"), "night pass");
    EXPECT_EQ(fs::read_symlink(copy + "/latest.raw16"), "n15_20230503_1200.raw16");  // a link stays a link
    fs::permissions(day + "/older", fs::perms::owner_all);
    fs::permissions(copy + "/older", fs::perms::owner_all);
}

TEST(FileTreeCopy, FailuresAreTheSystemsOwn) {
    TTempFolder temp;
    const std::string pass = temp.Write("base/2023/05/03/n15_20230503_1200.raw16", "pass");
    EXPECT_EQ(CopyKeepingTimes(temp / "base/2023/05/03/gone.raw16", temp / "copy.raw16"), ENOENT);
    EXPECT_EQ(CopyKeepingTimes(pass, pass), EEXIST);  // never written over
    EXPECT_EQ(TTempFolder::Read(pass), "pass");
    ASSERT_EQ(mkfifo((temp / "feed").c_str(), 0600), 0);
    EXPECT_EQ(CopyKeepingTimes(temp / "feed", temp / "feed copy"), ENOTSUP);
}

// A disk that fills during the copy says so (not "Input/output error").
TEST(FileTreeCopy, AFullDiskIsToldAsSuch) {
    TTempFolder temp;
    const std::string pass = temp.Write("base/2023/05/03/n15_20230503_1200.raw16", std::string(400000, '\x11'));
    const std::string small = temp / "small";
    fs::create_directory(small);
    SKIP_WITHOUT_SMALL_DISKS();
    EXPECT_EQ(testing::RunWithSmallDisk(small, 128 * 1024, [&]() -> std::string {
        const int error = CopyKeepingTimes(pass, small + "/n15_20230503_1200.raw16");
        if (error != ENOSPC) return "from another disk: error " + std::to_string(error);
        // Within the one file system, where the kernel copies.
        fs::remove(small + "/n15_20230503_1200.raw16");
        const std::string preview = small + "/n15_20230503_1200.thumb.jpg";
        std::ofstream(preview, std::ios::binary) << std::string(70000, '\x22');
        const int within = CopyKeepingTimes(preview, small + "/n15_20230503_1200 - Copy.thumb.jpg");
        return within == ENOSPC ? "" : "within: error " + std::to_string(within);
    }), "");
}

}  // namespace
}  // namespace kestrune
