#include "platform/SystemUtils.h"

#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <thread>

namespace kestrune {
namespace {

TEST(SystemUtils, MedianOfOddAndEvenCounts) {
    EXPECT_DOUBLE_EQ(MedianOfDoubles({3, 1, 2}), 2.0);
    EXPECT_DOUBLE_EQ(MedianOfDoubles({4, 1, 3, 2}), 2.5);
    EXPECT_DOUBLE_EQ(MedianOfDoubles({7}), 7.0);
    EXPECT_DOUBLE_EQ(MedianOfDoubles({5, 5, 1, 9, 5, 0}), 5.0);
    EXPECT_DOUBLE_EQ(MedianOfDoubles({}), 0.0);
    const double nan = std::nan("");
    EXPECT_DOUBLE_EQ(MedianOfDoubles({nan, 3, nan, 1, 2}), 3.0);
    EXPECT_DOUBLE_EQ(MedianOfDoubles({nan, 4, 1, 2}), 3.0);
    std::vector<double> many(1000, nan);
    many[7] = 1;
    EXPECT_TRUE(std::isnan(MedianOfDoubles(many)));
}

TEST(SystemUtils, ByteOrder) {
    EXPECT_EQ(ByteSwap32(0x12345678u), 0x78563412u);
    EXPECT_EQ(ByteSwap16(0x0284u), 0x8402u);
    const uint8_t bytes[] = {0xFF, 0xFE, 0x01, 0x02};
    EXPECT_EQ(ReadBigEndian16(bytes), 0xFFFEu);
    EXPECT_EQ(ReadBigEndian32(bytes), 0xFFFE0102u);
    EXPECT_EQ(ReadBigEndianInt32(bytes), -130814);
}

std::string CommandLineOf(pid_t process) {
    std::ifstream file("/proc/" + std::to_string(process) + "/cmdline", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Only the positive case: another run of these tests may have its own receiver running.
TEST(SystemUtils, AReceptionProgramIsFoundByItsFullCommandLine) {
    const pid_t child = fork();
    if (child == 0) {
        // Longer than the 15 characters a process's short name keeps.
        execl("/bin/sleep", "C:\\Program Files\\Station\\Tc-Cast-Client.exe", "60", static_cast<char*>(nullptr));
        _exit(1);
    }
    while (CommandLineOf(child).find("Tc-Cast") == std::string::npos) {
        ASSERT_EQ(waitpid(child, nullptr, WNOHANG), 0) << "the stand-in receiver ended before it ran";
        std::this_thread::yield();
    }
    EXPECT_TRUE(IsReceiverRunning());
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace kestrune
