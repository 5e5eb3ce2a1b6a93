// Propagation, scan-line location and archive loading.
#include "orbit/Orbits.h"

#include "tests/orbit/OrbitTestFiles.h"

#include <benchmark/benchmark.h>

namespace kestrune {
namespace {

const TDateTime Epoch = EncodeDate(2020, 4, 9) + 0.5;

void Propagate(benchmark::State& state, const testing::TleElements& elements) {
    TSatellite satellite;
    satellite.LoadTLE(testing::TleLine1(elements), testing::TleLine2(elements));
    TVector position, velocity;
    double minutes = 0.0;
    for (auto _ : state) {
        satellite.Propagate(position, velocity, satellite.EpochJD + minutes / 1440.0);
        benchmark::DoNotOptimize(position);
        minutes += 0.17;
    }
}

void BM_Sgp4Propagation(benchmark::State& state) { Propagate(state, testing::TleElements{}); }
BENCHMARK(BM_Sgp4Propagation);

// A 12-hour orbit: lunar-solar terms and the resonance integrator.
void BM_Sdp4Propagation(benchmark::State& state) {
    testing::TleElements molniya;
    molniya.meanMotion = 2.00637;
    molniya.eccentricity = 0.72;
    molniya.inclination = 63.4;
    Propagate(state, molniya);
}
BENCHMARK(BM_Sdp4Propagation);

void BM_LocateScanLine(benchmark::State& state) {
    testing::TempFolder temp;
    TOrbit orbit;
    orbit.SetSatelliteName("METOP A");
    testing::TleElements e;
    orbit.UseEmbeddedKeplers(testing::TleLine1(e), testing::TleLine2(e), Epoch);
    TScanLinePoints points{};
    double altitude = 0.0;
    double line = 0.0;
    for (auto _ : state) {
        orbit.LocateScanLine(Epoch + line / 6.0 / SecsPerDay, points, altitude);
        benchmark::DoNotOptimize(points);
        line += 1.0;
    }
}
BENCHMARK(BM_LocateScanLine);

// A per-satellite archive of 10,000 sets (CR LF), loaded and searched for a pass.
void BM_LoadArchive10000(benchmark::State& state) {
    testing::TempFolder temp;
    temp.Write("Keps/NOAA-15.txt", testing::ArchiveText(EncodeDate(1998, 6, 1), 10000, 1.0, 1000, 14, "\r\n"));
    TKeplerData keplers;
    std::string message, mainFile, updateFile, line1, line2;
    double age = 0.0;
    for (auto _ : state) {
        const bool found = keplers.SelectArchiveSet("NOAA-15", temp.Path(), true, message, age, mainFile, updateFile,
                                                    line1, line2, EncodeDate(2012, 7, 4));
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_LoadArchive10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrune
