// Runs checks in a child process that has a small file system of its own
// mounted on a folder (in a mount namespace no other process sees), so that
// a full disk and moves across file systems are tried on real files.
#pragma once

#include "tests/platform/ChildChecks.h"

#include <fcntl.h>
#include <sched.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace kestrune::testing {

namespace small_disk_detail {

inline bool WriteProcFile(const char* name, const std::string& text) {
    const int fd = open(name, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return close(fd) == 0 && written;
}

// A user and mount namespace of the child's own (the user keeps its own ids
// there), then a file system of bytes bytes on folder.
inline std::string MountSmallDisk(const std::string& folder, size_t bytes) {
    const uid_t user = geteuid();
    const gid_t group = getegid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return "no namespace of its own";
    WriteProcFile("/proc/self/setgroups", "deny");
    if (!WriteProcFile("/proc/self/uid_map", std::to_string(user) + " " + std::to_string(user) + " 1\n") ||
        !WriteProcFile("/proc/self/gid_map", std::to_string(group) + " " + std::to_string(group) + " 1\n"))
        return "no id map";
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return "mounts not made private";
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    return mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0 ? "" : "no small file system";
}

}  // namespace small_disk_detail

// Why no small file system can be made on this machine ("" when one can): a
// machine without user namespaces skips the checks that need one.
inline const std::string& WhySmallDisksCannotBeMade() {
    static const std::string why = [] {
        std::string folder = "/tmp/kestrune-small-disk-XXXXXX";
        if (mkdtemp(folder.data()) == nullptr) return std::string("no temporary folder");
        const std::string report = RunChecksInChild([&] { return small_disk_detail::MountSmallDisk(folder, 65536); },
                                                    [] { return std::string(); });
        rmdir(folder.c_str());
        return report;
    }();
    return why;
}

#define SKIP_WITHOUT_SMALL_DISKS()                                                                 \
    if (const std::string& whyNot = ::kestrune::testing::WhySmallDisksCannotBeMade(); !whyNot.empty()) \
    GTEST_SKIP() << "a small file system of its own cannot be made here: " << whyNot

// What the checks report ("" when they all held), or why they could not run.
inline std::string RunWithSmallDisk(const std::string& folder, size_t bytes, const std::function<std::string()>& checks) {
    return RunChecksInChild([&] { return small_disk_detail::MountSmallDisk(folder, bytes); }, checks);
}

}  // namespace kestrune::testing
