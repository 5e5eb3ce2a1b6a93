// Overlays on a full 15-minute pass (5,400 lines of 2,048 samples) going
// south over the British Isles: drawing the built coastlines and borders
// ("Countries.dat") through the pass's fitted mapping, all of them or only
// those near the pass, and the land/sea mask
// ("OdpsLandMask.dat") asked about every pixel, as the SST view does.
#include "orbit/EarthLocations.h"
#include "orbit/MapWithWarp.h"
#include "orbit/Orbits.h"
#include "platform/ProgramFolder.h"
#include "render/BMPExtImage.h"
#include "render/qelCartography.h"
#include "render/qelODPSdata.h"
#include "tests/support/PassGeometry.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace kestrune {
namespace {

constexpr int PassWidth = 2048;
constexpr int PassLines = 5400;

// The map files the build puts beside the program.
std::string MapFile(const std::string& name) {
    return ExtractFilePath(ExecutablePath()) + "../app/" + name;
}

struct TOverlayPass {
    TOverlayPass() : elements(test::MakeElementLines(28654, 2023, 123.4, 98.9, 208.0, 232.0, 14.125, 30000)) {
        orbit.Quiet = true;
        orbit.SetSatelliteName("NOAA 18");
        const TDateTime yearStart = EncodeDate(2023, 1, 1);
        locations.SetLineCount(PassLines);
        locations.BaseDate = yearStart;
        locations.AddLocationFlags(1);
        locations.EmbeddedTleLine1 = elements.Line1;
        locations.EmbeddedTleLine2 = elements.Line2;
        for (int line = 0; line < PassLines; ++line) {
            const int64_t ms = test::LineMilliseconds(passSpec, line);
            const auto code = static_cast<uint32_t>(ms);
            const uint16_t words[4] = {static_cast<uint16_t>(passSpec.DayOfYear << 1),
                                       static_cast<uint16_t>(0x280 | ((code >> 20) & 127)),
                                       static_cast<uint16_t>((code >> 10) & 1023), static_cast<uint16_t>(code & 1023)};
            locations.StoreTimeCode(line, words, sizeof words);
        }
        locations.ComputeLocations(21, 0, diagnostics, false);
    }
    test::TElementLines elements;
    test::THrptPassSpec passSpec;
    TOrbit orbit;
    TWarpedMapping mapping;
    TEarthLocations locations{&orbit, &mapping};
    std::vector<std::string> diagnostics;
};

// The built coastlines and borders drawn over the pass again and again;
// with caps of the ground it shows, lines away from it are passed over.
void DrawCountries(benchmark::State& state, bool nearThePassOnly) {
    TOverlayPass pass;
    if (!pass.locations.MapFitted) return state.SkipWithError("the map was not fitted");
    TCartogList countries;
    countries.LoadFile(MapFile("Countries.dat"));
    if (countries.Empty()) return state.SkipWithError("no Countries.dat beside the program: build map_data");
    countries.Mapping = &pass.mapping;
    // Bands of the pass about as long as it is wide, each in a cap, as the overlay step makes them.
    std::vector<TGroundCap> shown;
    test::TPassGeometry geometry(pass.elements, pass.passSpec, 2023, 5, 3);
    for (int top = 0; nearThePassOnly && top < PassLines; top += PassWidth) {
        const int bottom = std::min(top + PassWidth, PassLines) - 1;
        std::vector<TGroundPoint> edge(geometry.Line(top).begin(), geometry.Line(top).end());
        edge.insert(edge.end(), geometry.Line(bottom).begin(), geometry.Line(bottom).end());
        for (int line = top; line <= bottom; line += 16) {
            edge.push_back(geometry.Line(line).front());
            edge.push_back(geometry.Line(line).back());
        }
        shown.push_back(CapFrom(geometry.Line((top + bottom) / 2)[PassWidth / 2], edge, 0.05));
    }
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(PassWidth, PassLines);
    for (auto _ : state) {
        TBitmapOverlayCanvas canvas(bitmap);
        canvas.Pen.Color = 65535;
        countries.DrawOverlaySegments(canvas, 0, 0, shown);
        benchmark::DoNotOptimize(bitmap.ScanLine(0));
    }
    state.counters["segments"] = static_cast<double>(countries.Segments().size());
}

void BM_DrawCoastlinesAndBorders(benchmark::State& state) { DrawCountries(state, false); }
BENCHMARK(BM_DrawCoastlinesAndBorders)->Unit(benchmark::kMillisecond);

void BM_DrawCoastlinesNearThePass(benchmark::State& state) { DrawCountries(state, true); }
BENCHMARK(BM_DrawCoastlinesNearThePass)->Unit(benchmark::kMillisecond);

void BM_IsLandEveryPixel(benchmark::State& state) {
    if (!FileExists(MapFile("OdpsLandMask.dat")))
        return state.SkipWithError("no OdpsLandMask.dat beside the program: build map_data");
    test::THrptPassSpec passSpec;
    test::TPassGeometry geometry(test::MakeElementLines(28654, 2023, 123.4, 98.9, 208.0, 232.0, 14.125, 30000), passSpec,
                                 2023, 5, 3);
    std::vector<TGroundPoint> pixels;
    pixels.reserve(static_cast<size_t>(PassWidth) * PassLines);
    for (int line = 0; line < PassLines; ++line) {
        const auto& row = geometry.Line(line);
        pixels.insert(pixels.end(), row.begin(), row.end());
    }
    TODPSdata mask(MapFile("OdpsLandMask.dat"));
    int64_t land = 0;
    for (auto _ : state) {
        land = 0;
        for (const TGroundPoint& pixel : pixels) land += mask.IsLand(pixel.Longitude, pixel.Latitude) ? 1 : 0;
        benchmark::DoNotOptimize(land);
    }
    state.counters["land %"] = 100.0 * static_cast<double>(land) / static_cast<double>(pixels.size());
    state.counters["detail reads"] = mask.DetailReads();
}
BENCHMARK(BM_IsLandEveryPixel)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrune
