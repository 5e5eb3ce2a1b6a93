// Unattended runs side by side, as a station's scheduler or `xargs -P`
// starts them on a folder of passes: sixteen copies of the program over one
// settings store and one program folder (so one "processed.lst"), each
// seeing a runtime folder of its own or none, all end well, and neither the
// list nor the store loses what another copy wrote.
#include "app/MruUnit.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/PassFileWriter.h"
#include "tests/support/SpawnProgram.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <latch>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

constexpr int Runs = 16;
constexpr int32_t PassLines = 120;
constexpr const char* ProgramKeyPath = "\\Software\\Morvane\\kestrune";

TRegistry ProgramKey() {
    TRegistry key;
    key.OpenKey(ProgramKeyPath, true);
    return key;
}

TEST(SideBySideRuns, SixteenAtOnceAllEndWellAndKeepEveryLine) {
    const testing::TTempFolder folder;
    fs::permissions(folder / "runtime", fs::perms::owner_all, fs::perm_options::replace);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string program = folder / "program/kestrune";
    std::error_code error;
    fs::create_hard_link(KESTRUNE_EXECUTABLE, program, error);
    if (error) fs::copy_file(KESTRUNE_EXECUTABLE, program);
    fs::create_directories(folder / "data");
    ProgramKey().WriteInteger("SideBySideMark", 42);  // a value no run knows or changes

    // One pass a minute from 12:00, each named for its start.
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    std::set<std::string> names;
    std::vector<pid_t> runs;
    for (int k = 0; k < Runs; ++k) {
        test::THrptPassSpec passSpec;
        passSpec.StartMilliseconds = (12 * 60 + k) * 60000LL;
        const std::string name = Format("230503_12%.2d_noaa18", k);
        names.insert(name);
        const std::string pass = folder / ("data/" + name + ".wsd");
        test::WriteFileBytes(pass, test::BuildWsdFile(passSpec, PassLines, set.Line1, set.Line2));
        // A desktop session's runtime folder of its own for half the runs, none for the others (as cron starts them).
        const std::string runtime = folder / ("runtime/" + name);
        fs::create_directory(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
        if (k % 2 == 0) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        else unsetenv("XDG_RUNTIME_DIR");
        runs.push_back(test::SpawnProgram({program, pass, "-OUTPUT:" + folder / "out/", "-TEMP:x.bmp", "-CLOSE"},
                                          folder / (name + ".log")));
        ASSERT_GT(runs.back(), 0);
    }
    for (int k = 0; k < Runs; ++k) {
        int status = 0;
        ASSERT_EQ(waitpid(runs[static_cast<size_t>(k)], &status, 0), runs[static_cast<size_t>(k)]);
        const std::string name = Format("230503_12%.2d_noaa18", k);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << testing::TTempFolder::Read(folder / (name + ".log"));
        EXPECT_TRUE(fs::exists(folder / ("out/" + name + "-th.bmp"))) << name;
    }

    // Every pass's line once, each beginning with the pass's name.
    std::set<std::string> listed;
    const std::vector<std::string> lines = SplitLines(testing::TTempFolder::Read(folder / "program/processed.lst"));
    for (const std::string& line : lines)
        if (!line.empty()) listed.insert(line.substr(0, line.find(';')));
    EXPECT_EQ(listed, names);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::string& line) { return !line.empty(); }), Runs);

    TRegistry key = ProgramKey();
    EXPECT_EQ(key.ReadInteger("SideBySideMark"), 42);
    // The recent files: eight of the passes, none twice, none lost to another copy's merge.
    std::set<std::string> recent;
    for (int k = 1; k <= 8; ++k) {
        const std::string file = key.ReadString("MRU" + std::to_string(k));
        EXPECT_EQ(names.count(fs::path(file).stem().string()), 1u) << "MRU" << k << ": " << file;
        recent.insert(file);
    }
    EXPECT_EQ(recent.size(), 8u);
}

// Copies that end at the same moment each merge their pass into the stored
// recent-file list after the one before them, whatever the timing: eight
// lists saved at once keep all eight names.
TEST(SideBySideRuns, RecentFilesSavedAtTheSameMomentKeepEveryName) {
    const testing::TTempFolder folder;
    constexpr int Copies = 8;
    std::set<std::string> passes;
    std::vector<std::unique_ptr<TMostRecentFiles>> copies;
    for (int k = 0; k < Copies; ++k) {
        copies.push_back(std::make_unique<TMostRecentFiles>(Copies, ProgramKeyPath));
        passes.insert(Format("/data/230503_12%.2d_noaa18.wsd", k));
        copies.back()->AddFile(*passes.rbegin());
    }
    std::latch together(Copies);
    std::vector<std::thread> endings;
    for (auto& copy : copies)
        endings.emplace_back([&together, &copy] {
            together.arrive_and_wait();
            copy.reset();
        });
    for (std::thread& ending : endings) ending.join();
    const std::vector<std::string> stored = TMostRecentFiles(Copies, ProgramKeyPath).Files();
    EXPECT_EQ(std::set<std::string>(stored.begin(), stored.end()), passes);
}

}  // namespace
}  // namespace kestrune
