// The whole unattended run of a receiving station on a 15-minute pass, as
// `kestrune PASS -FC:x.jpg -TEMP:t.jpg -GROUPB:` does it: load, calibrate,
// locate, the false-colour and temperature images and the "-GROUPB:"
// products, with the window's core and no window, in one process.
#include "app/HeadlessMainHost.h"
#include "app/MainCore.h"
#include "platform/DialogService.h"
#include "../tests/platform/TempFolder.h"
#include "tests/support/PassFileWriter.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace kestrune {
namespace {

constexpr int32_t PassLines = 5400;

// Text on the saved images needs the platform's fonts, offscreen.
void NeedGuiApplication() {
    if (QCoreApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "app_bench_run";
    static char* argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
}

void BM_StationRun(benchmark::State& state) {
    NeedGuiApplication();
    const testing::TTempFolder folder;
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    const std::string pass = folder / "data/230503_1200_noaa18.wsd";
    std::filesystem::create_directories(folder / "data");
    test::WriteFileBytes(pass, test::BuildWsdFile({}, PassLines, set.Line1, set.Line2));
    TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
    for (auto _ : state) {
        THeadlessMainHost host;
        TMainCore core(host, {pass, "-FC:x.jpg", "-TEMP:t.jpg", "-GROUPB:"});
        core.Headless = true;
        core.FormShow();
        core.TimerNewFileTimer();
        benchmark::DoNotOptimize(core.ExitCode());
    }
}
BENCHMARK(BM_StationRun)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kestrune
