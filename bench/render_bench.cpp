// Rendering and saving a full 15-minute pass: 5,400 lines of 2,048 samples.
#include "render/JPEGwriter.h"
#include "render/RenderView.h"
#include "../tests/platform/TempFolder.h"
#include "../tests/render/SyntheticPass.h"

#include <benchmark/benchmark.h>

namespace kestrune {
namespace {

constexpr int PassWidth = 2048;
constexpr int PassLines = 5400;

// A realistic spread of counts: smooth fields with some texture.
uint16_t PassCount(int channel, int x, int y) {
    return static_cast<uint16_t>((200 + channel * 90 + ((x / 7 + y / 5) % 300) + ((x * y) >> 9) % 97) & 1023);
}

struct TBenchPass {
    TBenchPass() : view(pass, host) {
        testing::MakePass(pass, PassWidth, PassLines, {1, 2, 3, 4, 5}, PassCount);
        view.SetViewTabs(testing::ViewsOffered(pass));
    }
    testing::TTempFolder folder;
    TPassState pass;
    THeadlessRenderHost host;
    TRenderView view;
};

TBenchPass& Pass() {
    static TBenchPass pass;
    return pass;
}

void RenderView(benchmark::State& state, const char* view) {
    TBenchPass& bench = Pass();
    bench.view.SelectView(view);
    for (auto _ : state) {
        bench.view.Redisplay();
        benchmark::DoNotOptimize(bench.view.DisplayBitmap().ScanLine(0));
    }
}

void BM_FalseColour(benchmark::State& state) { RenderView(state, "False colour"); }
void BM_FalseColourCrispened(benchmark::State& state) {
    Pass().view.Options.RadioGroupCrispenFC = 2;
    RenderView(state, "False colour");
    Pass().view.Options.RadioGroupCrispenFC = 0;
}
void BM_ChannelView(benchmark::State& state) { RenderView(state, "Ch 2"); }
void BM_Temperature(benchmark::State& state) { RenderView(state, "Temperature"); }
void BM_Sst(benchmark::State& state) { RenderView(state, "SST"); }
void BM_Vegetation(benchmark::State& state) { RenderView(state, "Vegetation"); }

void BM_JpegSave(benchmark::State& state) {
    TBenchPass& bench = Pass();
    bench.view.SelectView("False colour");
    const std::string file = bench.folder / "pass-fc.jpg";
    for (auto _ : state) SaveBitmapAsJPEG(bench.view.DisplayBitmap(), file, 1);
}

BENCHMARK(BM_FalseColour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FalseColourCrispened)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChannelView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Temperature)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sst)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Vegetation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegSave)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrune
