// The shell list over a folder of 20,000 passes: a full fill, and a
// difference refresh after ten files came and went.
#include "platform/ResCodePages.h"
#include "shell/UHyShellControls.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace kestrune;
using namespace kestrune::shell;

constexpr int FileCount = 20000;

struct TLargeFolder {
    TLargeFolder() : Path(fs::temp_directory_path() / ("shell-bench-" + std::to_string(::getpid()))) {
        fs::create_directories(Path);
        for (int k = 0; k < FileCount; ++k) std::ofstream(Path / ("pass" + std::to_string(k) + (k % 2 ? ".hpt" : ".thumb.jpg")));
    }
    ~TLargeFolder() { fs::remove_all(Path); }
    fs::path Path;
};

QApplication& App() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

std::unique_ptr<THyShellList> ListOver(const fs::path& folder) {
    App();
    auto list = std::make_unique<THyShellList>(nullptr);
    list->SetOptions(hysloAutoFill | hysloShowHidden);
    list->show();
    list->SetFileFilter(u"*.thumb.jpg;*.hpt");
    list->Folder.SetPath(Utf8ToUtf16(folder.string()));
    return list;
}

void BM_FillFolder(benchmark::State& state) {
    const TLargeFolder folder;
    const auto list = ListOver(folder.Path);
    for (auto _ : state) {
        list->RefreshFolder();
        benchmark::DoNotOptimize(list->ItemCount());
    }
    state.counters["rows"] = list->ItemCount();
}
BENCHMARK(BM_FillFolder)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DifferenceRefreshTenChanges(benchmark::State& state) {
    const TLargeFolder folder;
    const auto list = ListOver(folder.Path);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Five passes vanish and five new ones appear.
        for (int k = 0; k < 5; ++k) {
            fs::remove(folder.Path / ("pass" + std::to_string(round * 10 + 2 * k + 1) + ".hpt"));
            std::ofstream(folder.Path / ("new" + std::to_string(round) + "_" + std::to_string(k) + ".hpt"));
        }
        ++round;
        state.ResumeTiming();
        list->RefreshChanges();
    }
    state.counters["rows"] = list->ItemCount();
}
BENCHMARK(BM_DifferenceRefreshTenChanges)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
