// For tests of windows over the file system: the one application object the
// widgets need, and a fresh temp folder named after the running test.
#pragma once

#include <QApplication>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace kestrune::testing {

inline void EnsureQtApplication() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance()) new QApplication(argc, argv);
}

// "<temp>/<prefix>-<pid>-<test name>", emptied.
inline std::filesystem::path FreshTestFolder(const std::string& prefix) {
    const auto folder = std::filesystem::temp_directory_path() /
                        (prefix + "-" + std::to_string(::getpid()) + "-" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace kestrune::testing
