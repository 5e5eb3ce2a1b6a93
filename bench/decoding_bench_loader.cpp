// The whole headless load of a 15-minute 16-bit HRPT pass (5,400 lines,
// about 120 MB) from the page cache: mapping, format detection, header,
// every line into the video store, telemetry and pass summary.
#include "decoding/HeadlessHost.h"
#include "decoding/HRPTvideo.h"
#include "decoding/PassLoader.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "tests/support/PassFileWriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

constexpr int32_t PassLines = 5400;

// The pass file and a private program folder, made once for the run.
struct TBenchFiles {
    fs::path Folder = fs::temp_directory_path() / ("kestrune-loader-bench-" + std::to_string(::getpid()));
    std::string PassFile;

    TBenchFiles() {
        fs::create_directories(Folder / "program");
        setenv("XDG_DATA_HOME", (Folder / "user").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Folder / "config").c_str(), 1);
        SetProgramFolderOverride((Folder / "program").string());
        TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
        PassFile = (Folder / "2023-05-03-1200_NOAA18.raw16").string();
        test::WriteFileBytes(PassFile, test::Build16BitHrptFile({}, PassLines, false));
    }
    ~TBenchFiles() {
        SetProgramFolderOverride("");
        fs::remove_all(Folder);
    }
};

void LoadSixteenBitPass(benchmark::State& bench) {
    static TBenchFiles files;
    TPassState state;
    THeadlessHost host;
    TLoaderSettings settings;
    settings.Unattended = true;
    TPassLoader loader(state, host, settings);
    loader.LoadDataFile(files.PassFile);  // warms the page cache
    for (auto _ : bench) {
        loader.LoadDataFile(files.PassFile);
        if (state.Video->LineCount() != PassLines) throw std::runtime_error("the pass did not load");
        benchmark::DoNotOptimize(state.Video->SampleAddress(1, 0));
    }
    bench.SetBytesProcessed(bench.iterations() * state.FileSizeBytes);
}
BENCHMARK(LoadSixteenBitPass)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace kestrune
