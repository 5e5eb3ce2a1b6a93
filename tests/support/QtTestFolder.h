// For tests of windows over the file system: the one application object the
// widgets need, a fresh temp folder named after the running test, and a
// wait for events.
#pragma once

#include <QApplication>
#include <QElapsedTimer>

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

// Lets events arrive (a watcher thread's messages, timers) until done holds
// or five seconds have passed; whether done holds.
template <typename Done>
bool ProcessEventsUntil(Done done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
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
