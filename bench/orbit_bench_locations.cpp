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

testing::TleElements NoaaSet() {
    testing::TleElements e;
    e.epochDay = 100.5;
    e.meanMotion = 14.26;
    e.inclination = 98.7;
    return e;
}

// The pass as the frame reader leaves it: HRPT time codes in every record.
void WritePass(TEarthLocations& locations) {
    locations.SetLineCount(PassLines);
    locations.BaseDate = YearStart;
    locations.AddLocationFlags(1);
    locations.EmbeddedTleLine1 = testing::TleLine1(NoaaSet());
    locations.EmbeddedTleLine2 = testing::TleLine2(NoaaSet());
    for (int line = 0; line < PassLines; ++line) {
        const TDateTime time = PassStart + static_cast<double>(Round(line * 1000.0 / 6.0)) / MSecsPerDay;
        const int day = static_cast<int>(time - YearStart) + 1;
        const auto ms = static_cast<uint32_t>(Round(Frac(time) * MSecsPerDay));
        const uint16_t words[4] = {static_cast<uint16_t>(day << 1), static_cast<uint16_t>(0x280 | ((ms >> 20) & 127)),
                                   static_cast<uint16_t>((ms >> 10) & 1023), static_cast<uint16_t>(ms & 1023)};
        locations.StoreTimeCode(line, words, sizeof words);
    }
}

void BM_ComputeLocationsAndFit(benchmark::State& state) {
    TOrbit orbit;
    orbit.Quiet = true;
    orbit.SetSatelliteName("NOAA 15");
    TWarpedMapping mapping;
    TEarthLocations locations(&orbit, &mapping);
    std::vector<std::string> diagnostics;
    for (auto _ : state) {
        state.PauseTiming();
        WritePass(locations);
        diagnostics.clear();
        state.ResumeTiming();
        locations.ComputeLocations(21, 0, diagnostics, false);
        benchmark::DoNotOptimize(locations.MapFitted);
    }
    if (!locations.MapFitted) state.SkipWithError("the map was not fitted");
}
BENCHMARK(BM_ComputeLocationsAndFit)->Unit(benchmark::kMillisecond);

// The fit alone, over the located lines of the same pass.
void BM_FitMapToImage(benchmark::State& state) {
    TOrbit orbit;
    orbit.Quiet = true;
    orbit.SetSatelliteName("NOAA 15");
    TWarpedMapping mapping;
    TEarthLocations locations(&orbit, &mapping);
    std::vector<std::string> diagnostics;
    WritePass(locations);
    locations.ComputeLocations(21, 0, diagnostics, false);
    std::vector<TScanLineLocations> lines;
    for (int line = 0; line < PassLines; ++line) lines.push_back(*locations.LineLocations(line));
    std::shared_ptr<const TResidualTable> residuals;
    for (auto _ : state) {
        const bool fitted = FitMapToImage(lines, nullptr, true, residuals, mapping, 0, orbit.SemiAngle, 850.0f);
        benchmark::DoNotOptimize(fitted);
    }
}
BENCHMARK(BM_FitMapToImage)->Unit(benchmark::kMillisecond);

// Overlays and the cursor project many thousands of points per redisplay.
void BM_LatLonToPixel(benchmark::State& state) {
    TOrbit orbit;
    orbit.Quiet = true;
    orbit.SetSatelliteName("NOAA 15");
    TWarpedMapping mapping;
    TEarthLocations locations(&orbit, &mapping);
    std::vector<std::string> diagnostics;
    WritePass(locations);
    locations.ComputeLocations(21, 0, diagnostics, false);
    const TScanLineLocations& middle = *locations.LineLocations(PassLines / 2);
    int k = 0;
    for (auto _ : state) {
        const TAnchorLocation& anchor = middle.Anchors[static_cast<size_t>(k)];
        int x = 0, y = 0;
        benchmark::DoNotOptimize(mapping.LatLonToPixel(x, y, true, anchor.Longitude, anchor.Latitude));
        k = (k + 1) % LocationAnchorCount;
    }
}
BENCHMARK(BM_LatLonToPixel);

}  // namespace
}  // namespace kestrune
