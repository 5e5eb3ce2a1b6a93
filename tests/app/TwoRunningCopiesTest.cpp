// Two copies of the built program running at the same time, as when a
// station's scheduled run starts while another is still at work: each reads
// the shared settings at its start and writes back at its end, and neither
// may undo what the other changed, whichever ends last. Each copy is held
// between the two by a gate: a named pipe in its program folder where it
// reads a file after its settings, which lets it on only once the test
// opens the other end.
#include "platform/Registry.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/SpawnProgram.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

constexpr int WaitLimitMs = 60000;
constexpr const char* PassName = "230503_1200_noaa18.wsd";
constexpr const char* Gate = "stations.dat";

// One running copy of the program, in a program folder of its own.
class TRunningCopy {
public:
    TRunningCopy(const std::string& folder, const std::vector<std::string>& items) : folder_(folder) {
        fs::create_directories(folder);
        // A link, or a copy on another file system: the program folder is where the executable is.
        std::error_code error;
        fs::create_hard_link(KESTRUNE_EXECUTABLE, folder + "/kestrune", error);
        if (error) fs::copy_file(KESTRUNE_EXECUTABLE, folder + "/kestrune");
        // The station list is read once the side panel's settings, the
        // recent files and the rest of the start's settings are: a named
        // pipe in its place holds the copy there until it is opened.
        if (mkfifo((folder + "/" + Gate).c_str(), 0600) != 0) throw std::runtime_error("no named pipe");
        const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
        Pass = folder + "/" + PassName;
        test::WriteFileBytes(Pass, test::BuildWsdFile({}, 240, set.Line1, set.Line2));
        std::vector<std::string> words{folder + "/kestrune", Pass};
        words.insert(words.end(), items.begin(), items.end());
        pid_ = test::SpawnProgram(words, folder + "/program.log");
        if (pid_ < 0) throw std::runtime_error("the program could not be started");
        // (glibc 2.36 declares pidfd_open without C linkage: the system call itself.)
        pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    }
    ~TRunningCopy() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (pidfd_ >= 0) close(pidfd_);
    }
    TRunningCopy(const TRunningCopy&) = delete;
    TRunningCopy& operator=(const TRunningCopy&) = delete;

    // Waits until the copy has read its settings: it waits at the gate.
    bool ReadItsSettings() {
        const std::string waitsOn = "/proc/" + std::to_string(pid_) + "/wchan";
        for (int waited = 0; waited < WaitLimitMs; waited += 10) {
            // Opening a named pipe that nobody writes, it waits for a partner.
            if (testing::TTempFolder::Read(waitsOn) == "wait_for_partner") return true;
            pollfd ended{pidfd_, POLLIN, 0};
            if (poll(&ended, 1, 10) == 1) return false;
        }
        return false;
    }
    // Lets the copy go on to its run and its end; its exit status, -1 when it hung or was killed.
    int Finish() {
        if (!PassGate(Gate)) return -1;
        pollfd ended{pidfd_, POLLIN, 0};
        if (poll(&ended, 1, WaitLimitMs) != 1) return -1;
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Log() const { return testing::TTempFolder::Read(folder_ + "/program.log"); }

    std::string Pass;

private:
    // Opens the writing end of the gate, which returns once the copy opens
    // it to read; false when the copy ended or hung before it came there.
    bool PassGate(const char* name) {
        const std::string gate = folder_ + "/" + name;
        std::array<int, 2> opened{};
        if (pipe(opened.data()) != 0) return false;
        std::thread opener([&] {
            const int end = open(gate.c_str(), O_WRONLY);
            if (end >= 0) close(end);
            close(opened[1]);
        });
        std::array<pollfd, 2> events{{{opened[0], POLLIN, 0}, {pidfd_, POLLIN, 0}}};
        poll(events.data(), events.size(), WaitLimitMs);
        const bool passed = events[0].revents != 0;
        // A copy that never came leaves the opener waiting: its own reading end frees it.
        const int reader = passed ? -1 : open(gate.c_str(), O_RDONLY | O_NONBLOCK);
        opener.join();
        if (reader >= 0) close(reader);
        close(opened[0]);
        return passed;
    }

    std::string folder_;
    pid_t pid_ = -1;
    int pidfd_ = -1;
};

class TwoRunningCopiesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::permissions(folder / "runtime", fs::perms::owner_all, fs::perm_options::replace);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    static TRegistry ProgramKey() {
        TRegistry registry;
        registry.OpenKey("\\Software\\Morvane\\kestrune", true);
        return registry;
    }

    static std::set<std::string> RecentFiles() {
        std::set<std::string> names;
        TRegistry key = ProgramKey();
        for (int k = 1; k <= 8; ++k)
            if (const std::string name = "MRU" + std::to_string(k); key.ValueExists(name))
                names.insert(key.ReadString(name));
        names.erase("");
        return names;
    }

    testing::TTempFolder folder;
};

// The first copy changes the RGB view's channels, the second the user SST
// range; both have read the settings before either ends.
TEST_F(TwoRunningCopiesTest, BothChangesSurviveWhicheverEndsLast) {
    for (const bool firstEndsFirst : {true, false}) {
        const std::string round = firstEndsFirst ? "first-ends-first/" : "second-ends-first/";
        for (const auto& [name, design] : {std::pair{"RedChannel", 0}, {"BlueChannel", 3}, {"UserMinSST", 0},
                                           {"UserMaxSST", 27}, {"SSTDisplayRange", 0}})
            ProgramKey().WriteInteger(name, design);
        TRunningCopy first(folder / (round + "first"), {"-RGBR4G2B1:x.bmp", "-CLOSE"});
        ASSERT_TRUE(first.ReadItsSettings()) << first.Log();
        TRunningCopy second(folder / (round + "second"), {"-SST10+25:x.bmp", "-CLOSE"});
        ASSERT_TRUE(second.ReadItsSettings()) << second.Log();
        TRunningCopy& earlier = firstEndsFirst ? first : second;
        TRunningCopy& later = firstEndsFirst ? second : first;
        ASSERT_EQ(earlier.Finish(), 0) << earlier.Log();
        ASSERT_EQ(later.Finish(), 0) << later.Log();

        TRegistry key = ProgramKey();
        EXPECT_EQ(key.ReadInteger("RedChannel"), 3) << round;
        EXPECT_EQ(key.ReadInteger("BlueChannel"), 0) << round;
        EXPECT_EQ(key.ReadInteger("UserMinSST"), 10) << round;
        EXPECT_EQ(key.ReadInteger("UserMaxSST"), 25) << round;
        EXPECT_EQ(key.ReadInteger("SSTDisplayRange"), 4) << round;
        const std::set<std::string> recent = RecentFiles();
        EXPECT_TRUE(recent.count(first.Pass) == 1 && recent.count(second.Pass) == 1) << round;
    }
}

}  // namespace
}  // namespace kestrune
