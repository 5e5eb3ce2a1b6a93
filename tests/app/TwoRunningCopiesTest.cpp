// Two copies of the built program running at the same time, as when a
// station's scheduled run starts while another is still at work: each reads
// the shared settings at its start and writes back at its end, and neither
// may undo what the other changed, whichever ends last. Each copy is held
// between the two by a gate: its standard error is a full pipe, and the
// first thing it says is that its station list, read after its settings,
// is a named pipe; it goes on only once the test reads the pipe.
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
        // As installed, with its help and language file, it says nothing of its own before the gate.
        for (const char* installed : {"help", "kestrune.ntv.lng"})
            fs::copy(fs::path(KESTRUNE_EXECUTABLE).parent_path() / installed, folder + "/" + installed,
                     fs::copy_options::recursive);
        // The station list is read once the side panel's settings, the
        // recent files and the rest of the start's settings are: a named
        // pipe in its place is told, on the standard error the test holds full.
        if (mkfifo((folder + "/" + Gate).c_str(), 0600) != 0) throw std::runtime_error("no named pipe");
        const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
        Pass = folder + "/" + PassName;
        test::WriteFileBytes(Pass, test::BuildWsdFile({}, 240, set.Line1, set.Line2));
        std::vector<std::string> words{folder + "/kestrune", Pass};
        words.insert(words.end(), items.begin(), items.end());
        const std::string output = folder + "/program.out";
        if (mkfifo(output.c_str(), 0600) != 0) throw std::runtime_error("no named pipe");
        output_ = open(output.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        FillPipe(output);
        pid_ = test::SpawnProgram(words, output);
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
        if (output_ >= 0) close(output_);
    }
    TRunningCopy(const TRunningCopy&) = delete;
    TRunningCopy& operator=(const TRunningCopy&) = delete;

    // Waits until the copy has read its settings: it waits to write to its full standard error.
    bool ReadItsSettings() {
        const std::string waitsIn = "/proc/" + std::to_string(pid_) + "/syscall";
        const std::string writing = std::to_string(SYS_write) + " ";
        for (int waited = 0; waited < WaitLimitMs; waited += 10) {
            const std::string call = testing::TTempFolder::Read(waitsIn);
            if (call.starts_with(writing + "0x1 ") || call.starts_with(writing + "0x2 ")) return true;
            pollfd ended{pidfd_, POLLIN, 0};
            if (poll(&ended, 1, 10) == 1) return false;
        }
        return false;
    }
    // Lets the copy go on to its run and its end; its exit status, -1 when it hung or was killed.
    int Finish() {
        std::thread reader([this] { ReadOutput(); });
        pollfd ended{pidfd_, POLLIN, 0};
        const bool endedInTime = poll(&ended, 1, WaitLimitMs) == 1;
        if (!endedInTime) kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        reader.join();
        return endedInTime && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // What the copy said, without what filled its pipe.
    std::string Log() const { return log_.size() > filled_ ? log_.substr(filled_) : std::string(); }

    std::string Pass;

private:
    // Fills the pipe the copy's standard output and error go to, so that it
    // waits at the first thing it says.
    void FillPipe(const std::string& output) {
        const int writer = open(output.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (output_ < 0 || writer < 0) throw std::runtime_error("no pipe for the output");
        fcntl(writer, F_SETPIPE_SZ, 4096);
        const std::string block(4096, '.');
        for (ssize_t written = 0; (written = write(writer, block.data(), block.size())) > 0;)
            filled_ += static_cast<size_t>(written);
        close(writer);
    }
    // Reads all the copy writes until it ends.
    void ReadOutput() {
        fcntl(output_, F_SETFL, fcntl(output_, F_GETFL) & ~O_NONBLOCK);
        char chunk[4096];
        for (ssize_t got = 0; (got = read(output_, chunk, sizeof chunk)) > 0;) log_.append(chunk, static_cast<size_t>(got));
    }

    std::string folder_;
    pid_t pid_ = -1;
    int pidfd_ = -1;
    int output_ = -1;
    size_t filled_ = 0;
    std::string log_;
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
        // Each was held where it told of its station list, after its settings: the first thing it said.
        for (const TRunningCopy* copy : {&earlier, &later}) {
            const std::string log = copy->Log();
            EXPECT_NE(log.substr(0, log.find('\n')).find(std::string(Gate) + " is a named pipe"), std::string::npos) << log;
        }

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
