// Earth locations of a 15-minute HRPT pass: timing the lines from their
// time codes, locating them with the orbit and fitting the map.
#include "orbit/EarthLocations.h"
#include "orbit/FitMap.h"
#include "orbit/MapWithWarp.h"
#include "orbit/Orbits.h"

#include "tests/orbit/OrbitTestFiles.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {
namespace {

constexpr int PassLines = 5400;
const TDateTime YearStart = EncodeDate(2020, 1, 1);
const TDateTime PassStart = EncodeDate(2020, 4, 9) + 0.5 + 0.5 / 24;

// The pass as the frame reader leaves it: HRPT time codes in every record.
void WritePass(TEarthLocations& locations) {
    locations.SetLineCount(PassLines);
    locations.BaseDate = YearStart;
    locations.AddLocationFlags(1);
    locations.EmbeddedTleLine1 = testing::TleLine1(testing::TleElements{});
    locations.EmbeddedTleLine2 = testing::TleLine2(testing::TleElements{});
    for (int line = 0; line < PassLines; ++line) {
        const TDateTime time = PassStart + static_cast<double>(Round(line * 1000.0 / 6.0)) / MSecsPerDay;
        const int day = static_cast<int>(time - YearStart) + 1;
        const auto ms = static_cast<uint32_t>(Round(Frac(time) * MSecsPerDay));
        const uint16_t words[4] = {static_cast<uint16_t>(day << 1), static_cast<uint16_t>(0x280 | ((ms >> 20) & 127)),
                                   static_cast<uint16_t>((ms >> 10) & 1023), static_cast<uint16_t>(ms & 1023)};
        locations.StoreTimeCode(line, words, sizeof words);
    }
}

// The main window's working objects for one pass.
struct TPassObjects {
    TPassObjects() {
        orbit.Quiet = true;
        orbit.SetSatelliteName("NOAA 15");
    }
    void Locate() {
        WritePass(locations);
        diagnostics.clear();
        locations.ComputeLocations(21, 0, diagnostics, false);
    }
    TOrbit orbit;
    TWarpedMapping mapping;
    TEarthLocations locations{&orbit, &mapping};
    std::vector<std::string> diagnostics;
};

void BM_ComputeLocationsAndFit(benchmark::State& state) {
    TPassObjects pass;
    for (auto _ : state) {
        state.PauseTiming();
        WritePass(pass.locations);
        pass.diagnostics.clear();
        state.ResumeTiming();
        pass.locations.ComputeLocations(21, 0, pass.diagnostics, false);
        benchmark::DoNotOptimize(pass.locations.MapFitted);
    }
    if (!pass.locations.MapFitted) state.SkipWithError("the map was not fitted");
}
BENCHMARK(BM_ComputeLocationsAndFit)->Unit(benchmark::kMillisecond);

// The fit alone, over the located lines of the same pass.
void BM_FitMapToImage(benchmark::State& state) {
    TPassObjects pass;
    pass.Locate();
    std::vector<TScanLineLocations> lines;
    for (int line = 0; line < PassLines; ++line) lines.push_back(*pass.locations.LineLocations(line));
    std::shared_ptr<const TResidualTable> residuals;
    for (auto _ : state) {
        const bool fitted = FitMapToImage(lines, nullptr, true, residuals, pass.mapping, 0, pass.orbit.SemiAngle, 850.0f);
        benchmark::DoNotOptimize(fitted);
    }
}
BENCHMARK(BM_FitMapToImage)->Unit(benchmark::kMillisecond);

// Overlays and the cursor project many thousands of points per redisplay.
void BM_LatLonToPixel(benchmark::State& state) {
    TPassObjects pass;
    pass.Locate();
    const TScanLineLocations& middle = *pass.locations.LineLocations(PassLines / 2);
    int k = 0;
    for (auto _ : state) {
        const TAnchorLocation& anchor = middle.Anchors[static_cast<size_t>(k)];
        int x = 0, y = 0;
        benchmark::DoNotOptimize(pass.mapping.LatLonToPixel(x, y, true, anchor.Longitude, anchor.Latitude));
        k = (k + 1) % LocationAnchorCount;
    }
}
BENCHMARK(BM_LatLonToPixel);

}  // namespace
}  // namespace kestrune
