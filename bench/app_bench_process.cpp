// The whole program timed as a process from its start to its end, as a
// receiving station runs it after a pass and as a user starts its window:
//  - `kestrune PASS -FC:x.jpg -TEMP:t.jpg -GROUPB:` without a display, on
//    16-bit NOAA-15 passes of the sample scene of 2,700, 5,400 and 10,800
//    lines, located by their element set in the user's "Keps" folder, and on
//    a 12,000-line GAC file (its cost should grow with the pass alone; the
//    writer's GAC locations fit no map, so its SST data is not written and
//    the run ends with status 3);
//  - the window on the sample pass, from its start to its first picture
//    painted (offscreen).
// Each iteration's time is the process's wall time; the counters give its
// CPU seconds (user and system), its peak memory, and wall and CPU seconds
// per 1,000 lines. The passes are made once, by the sample writer.
#include "tests/platform/TempFolder.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/PassFileWriter.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace kestrune {
namespace {

const std::string Program = KESTRUNE_EXECUTABLE;
const std::string ProgramFolder = std::filesystem::path(Program).parent_path().string() + "/";

struct TProcessRun {
    double Wall = 0;  // seconds
    double Cpu = 0;
    double PeakMiB = 0;
    int Status = -1;
};

// The environment without a display, with the settings and the user's data in the folders given.
std::vector<std::string> StationEnvironment(const std::string& config, const std::string& data) {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        const std::string name = text.substr(0, text.find('='));
        if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM" && name != "XDG_CONFIG_HOME" &&
            name != "XDG_DATA_HOME")
            variables.push_back(text);
    }
    variables.push_back("XDG_CONFIG_HOME=" + config);
    variables.push_back("XDG_DATA_HOME=" + data);
    return variables;
}

// Runs words[0] to its end (killed after two minutes), what it prints thrown away.
TProcessRun RunProcess(std::vector<std::string> words, std::vector<std::string> environment) {
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& variable : environment) envp.push_back(variable.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    TProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + words[0] + ": " + std::strerror(spawned));
    rusage usage{};
    int status = 0;
    for (auto waited = start; wait4(pid, &status, WNOHANG, &usage) == 0;) {
        if (std::chrono::steady_clock::now() - waited > std::chrono::minutes(2)) kill(pid, SIGKILL);
        usleep(500);
    }
    run.Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    run.Cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    run.PeakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The folder of the passes, the settings and the user's data, for the whole benchmark program.
const testing::TTempFolder& Folder() {
    static const testing::TTempFolder folder;
    return folder;
}

// A NOAA-15 16-bit pass of the sample scene, its element set in the user's "Keps" folder.
std::string Noaa15Pass(int32_t lines) {
    static std::map<int32_t, std::string> made;
    if (made.count(lines)) return made[lines];
    const std::string folder = Folder() / ("noaa15-" + std::to_string(lines) + "/");
    std::filesystem::create_directories(Folder() / "user/Kestrune/Keps");
    std::filesystem::create_directories(folder);
    const std::string pass = folder + "2023-05-03-1200_NOAA15.raw16";
    const TProcessRun writer =
        RunProcess({MAKE_SAMPLE_PASS, pass, ProgramFolder + "OdpsLandMask.dat", std::to_string(lines),
                    Folder() / "user/Kestrune/Keps/NOAA-15.txt"},
                   StationEnvironment(Folder() / "config", Folder() / "user"));
    if (writer.Status != 0) throw std::runtime_error("the sample writer failed");
    return made[lines] = pass;
}

// A NOAA-18 Level 1b GAC file of 12,000 lines (100 minutes), located by its own earth locations.
std::string GacPass() {
    static const std::string pass = [] {
        test::TL1BPassSpec passSpec;
        passSpec.Gac = true;
        passSpec.Records = 12000;
        passSpec.DataSetName = "NSS.GHRR.NN.D23123.S1200.E1340.B9012345.GC";
        const std::string path = Folder() / "gac/NSS.GHRR.NN.D23123.S1200.E1340.B9012345.GC";
        std::filesystem::create_directories(Folder() / "gac");
        test::WriteFileBytes(path, test::BuildL1BFile(passSpec));
        return path;
    }();
    return pass;
}

void Report(benchmark::State& state, const TProcessRun& run, int32_t lines, int status = 0) {
    state.SetIterationTime(run.Wall);
    state.counters["cpu_s"] += run.Cpu;
    state.counters["peak_MiB"] = std::max<double>(state.counters["peak_MiB"], run.PeakMiB);
    if (lines > 0) {
        state.counters["wall_per_kline_s"] += run.Wall * 1000 / lines;
        state.counters["cpu_per_kline_s"] += run.Cpu * 1000 / lines;
    }
    if (run.Status != status) state.SkipWithError("the program did not end with the status expected");
}

void AverageCounters(benchmark::State& state) {
    for (const char* name : {"cpu_s", "wall_per_kline_s", "cpu_per_kline_s"})
        if (state.counters.count(name)) state.counters[name].flags = benchmark::Counter::kAvgIterations;
}

void StationRun(benchmark::State& state, const std::string& pass, int32_t lines, int status) {
    const std::vector<std::string> environment = StationEnvironment(Folder() / "config", Folder() / "user");
    for (auto _ : state)
        Report(state, RunProcess({Program, pass, "-FC:x.jpg", "-TEMP:t.jpg", "-GROUPB:"}, environment), lines, status);
    AverageCounters(state);
}

void BM_LocatedStationRun(benchmark::State& state) {
    const auto lines = static_cast<int32_t>(state.range(0));
    StationRun(state, Noaa15Pass(lines), lines, 0);
}
BENCHMARK(BM_LocatedStationRun)->Arg(2700)->Arg(5400)->Arg(10800)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

void BM_GacStationRun(benchmark::State& state) { StationRun(state, GacPass(), 12000, 3); }
BENCHMARK(BM_GacStationRun)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

void BM_WindowFirstPicture(benchmark::State& state) {
    const std::string sample = Folder() / "window/230503_1200_noaa18.wsd";
    std::filesystem::create_directories(Folder() / "window");
    std::filesystem::copy_file(ProgramFolder + "sample/230503_1200_noaa18.wsd.gz", sample + ".gz",
                               std::filesystem::copy_options::overwrite_existing);
    RunProcess({"/bin/gunzip", "-f", sample + ".gz"}, {});
    const std::vector<std::string> environment = StationEnvironment(Folder() / "window-config", Folder() / "user");
    for (auto _ : state) Report(state, RunProcess({WINDOW_FIRST_PICTURE, ProgramFolder, sample}, environment), 0);
    AverageCounters(state);
}
BENCHMARK(BM_WindowFirstPicture)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

}  // namespace
}  // namespace kestrune
