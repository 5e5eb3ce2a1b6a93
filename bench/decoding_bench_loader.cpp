// The whole headless load from the page cache (mapping, format detection,
// header, every line into the video store, telemetry, pass summary and
// locations) of a 15-minute 16-bit HRPT pass (5,400 lines, about 120 MB) and
// of a 12,000-line older-layout GAC file (about 40 MB).
#include "decoding/HeadlessHost.h"
#include "decoding/HRPTvideo.h"
#include "decoding/PassLoader.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/PassFileWriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

constexpr int32_t PassLines = 5400;

// A private program folder for the run, holding the pass files.
struct TBenchFolder {
    fs::path Folder = fs::temp_directory_path() / ("kestrune-loader-bench-" + std::to_string(::getpid()));

    TBenchFolder() {
        fs::create_directories(Folder / "program");
        setenv("XDG_DATA_HOME", (Folder / "user").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Folder / "config").c_str(), 1);
        SetProgramFolderOverride((Folder / "program").string());
        TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
    }
    ~TBenchFolder() {
        SetProgramFolderOverride("");
        fs::remove_all(Folder);
    }
    std::string Write(const std::string& name, const test::TBytes& bytes) const {
        const std::string path = (Folder / name).string();
        test::WriteFileBytes(path, bytes);
        return path;
    }
};

const TBenchFolder& BenchFolder() {
    static const TBenchFolder folder;
    return folder;
}

void LoadPass(benchmark::State& bench, const std::string& passFile, int32_t lines) {
    TPassState state;
    THeadlessHost host;
    TLoaderSettings settings;
    settings.Unattended = true;
    TPassLoader loader(state, host, settings);
    loader.LoadDataFile(passFile);  // warms the page cache
    for (auto _ : bench) {
        loader.LoadDataFile(passFile);
        if (state.Video->LineCount() != lines) throw std::runtime_error("the pass did not load");
        benchmark::DoNotOptimize(state.Video->SampleAddress(1, 0));
    }
    bench.SetBytesProcessed(bench.iterations() * state.FileSizeBytes);
}

void LoadSixteenBitPass(benchmark::State& bench) {
    static const std::string file =
        BenchFolder().Write("2023-05-03-1200_NOAA18.raw16", test::Build16BitHrptFile({}, PassLines, false));
    LoadPass(bench, file, PassLines);
}
BENCHMARK(LoadSixteenBitPass)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// A day's older-layout GAC archive file: 12,000 lines of 3,220 bytes (about 40 MB).
void LoadOlderGacPass(benchmark::State& bench) {
    constexpr int32_t GacLines = 12000;
    static const std::string file = [] {
        test::TL1BPassSpec passSpec;
        passSpec.Older = true;
        passSpec.Gac = true;
        passSpec.Records = GacLines;
        passSpec.DataSetName = "NSS.GHRR.NJ.D23123.S1200.E1340.B9012345.GC";
        return BenchFolder().Write("pass.l1b", test::BuildL1BFile(passSpec));
    }();
    LoadPass(bench, file, GacLines);
}
BENCHMARK(LoadOlderGacPass)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace kestrune
