// A 15-minute raw Meteor-M N2 recording (5,400 MSU-MR frames in about
// 69 MB of transfer frames) converted to its ".msu2" file and loaded:
// mapping, detection, header, every line into the video store.
#include "decoding/HRPTvideo.h"
#include "decoding/HeadlessHost.h"
#include "decoding/PassLoader.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "tests/support/MeteorFileWriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

constexpr int32_t PassLines = 5400;

struct TMeteorBenchFiles {
    fs::path Folder = fs::temp_directory_path() / ("kestrune-meteor-bench-" + std::to_string(::getpid()));
    std::string RawFile;

    TMeteorBenchFiles() {
        fs::create_directories(Folder / "program");
        setenv("XDG_DATA_HOME", (Folder / "user").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Folder / "config").c_str(), 1);
        SetProgramFolderOverride((Folder / "program").string());
        TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
        RawFile = (Folder / "meteor_MN2_pass.mn2").string();
        test::WriteFileBytes(RawFile, test::BuildMn2File({}, {}, PassLines));
    }
    ~TMeteorBenchFiles() {
        SetProgramFolderOverride("");
        fs::remove_all(Folder);
    }
};

void ConvertAndLoadMeteorPass(benchmark::State& bench) {
    static TMeteorBenchFiles files;
    TPassState state;
    THeadlessHost host;
    TLoaderSettings settings;
    settings.Unattended = true;
    settings.ForcedDirection = 2;
    TPassLoader loader(state, host, settings);
    for (auto _ : bench) {
        fs::remove(fs::path(files.RawFile).replace_extension(".msu2"));
        loader.LoadDataFile(files.RawFile);
        if (state.InputFormatCode != 38 || state.Video->LineCount() != PassLines)
            throw std::runtime_error("the pass did not convert and load");
        benchmark::DoNotOptimize(state.Video->SampleAddress(1, 0));
    }
}
BENCHMARK(ConvertAndLoadMeteorPass)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace kestrune
