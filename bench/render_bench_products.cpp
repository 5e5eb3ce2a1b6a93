// Data products and fire detection of a full 15-minute pass: 5,400 lines of
// 2,048 samples, located and map-fitted.
#include "orbit/EarthLocations.h"
#include "render/DataProducts.h"
#include "render/FireDetection.h"
#include "../tests/platform/TempFolder.h"
#include "../tests/render/SyntheticPass.h"

#include <benchmark/benchmark.h>

namespace kestrune {
namespace {

constexpr int PassWidth = 2048;
constexpr int PassLines = 5400;

// Smooth fields with some texture, warm enough for sea-surface temperatures.
uint16_t PassCount(int channel, int x, int y) {
    return static_cast<uint16_t>((250 + channel * 40 + ((x / 7 + y / 5) % 200) + ((x * y) >> 9) % 97) & 1023);
}

// A pass sweeping north: anchors across 30 degrees of longitude, sun high
// on the first half of each line.
void LocatePass(TEarthLocations& locations) {
    locations.SetLineCount(PassLines);
    for (int y = 0; y < PassLines; ++y) {
        TScanLineLocations& line = *locations.LineLocations(y);
        TScanLineAngles& angles = *locations.LineAngles(y);
        for (size_t k = 0; k < LocationAnchorCount; ++k) {
            line.Anchors[k] = {20.0f + static_cast<float>(y) * 0.01f, -15.0f + 0.6f * static_cast<float>(k)};
            angles.SolarZenith[k] = k < 25 ? 40.0f : 80.0f;
            angles.SatelliteZenith[k] = std::abs(static_cast<float>(k) - 25.0f) * 2.5f;
        }
    }
    locations.LocationsValid = true;
    locations.MapFitted = true;
}

struct TBenchPass {
    TBenchPass() : products(pass, host, settings) {
        testing::MakePass(pass, PassWidth, PassLines, {1, 2, 3, 4, 5}, PassCount);
        pass.InputFolder = folder.Path();
        LocatePass(*pass.EarthLocations);
        fire.FireUseAvg = true;
        fire.FireAvgMethod = 1;
    }
    testing::TTempFolder folder;
    TPassState pass;
    THeadlessRenderHost host;
    TSaveSettings settings;
    TDataProducts products;
    TFireSettings fire;
    TFireFilterImages images;
};

TBenchPass& Pass() {
    static TBenchPass pass;
    return pass;
}

// What "-GROUPB:" writes as data: albedos, temperatures of channels 3 to 5, SST.
void BM_GroupBDataFiles(benchmark::State& state) {
    TBenchPass& bench = Pass();
    for (auto _ : state) {
        bench.products.SaveAlbedoFiles("pass");
        for (int channel = 3; channel <= 5; ++channel) bench.products.SaveTemperatureData(channel, ".bt", "pass");
        benchmark::DoNotOptimize(bench.products.SaveSstData(".sst", "pass"));
    }
}

void BM_SstRaster(benchmark::State& state) {
    TBenchPass& bench = Pass();
    for (auto _ : state) benchmark::DoNotOptimize(bench.products.SaveSstData(".sst", "pass"));
}

void BM_FireFilterImages(benchmark::State& state) {
    TBenchPass& bench = Pass();
    for (auto _ : state) {
        BuildFireFilterImagesAfterLoad(bench.pass, bench.fire, bench.images, {});
        benchmark::DoNotOptimize(bench.images.Image(3));
    }
}

void BM_FirePixelList(benchmark::State& state) {
    TBenchPass& bench = Pass();
    BuildFireFilterImagesAfterLoad(bench.pass, bench.fire, bench.images, {});
    for (auto _ : state) benchmark::DoNotOptimize(FirePixelListText(bench.pass, bench.fire, bench.images, "pass"));
}

BENCHMARK(BM_GroupBDataFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SstRaster)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FireFilterImages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirePixelList)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrune
