#include "tests/support/SampleScene.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace kestrune::test {

namespace {

double Lattice(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double Smooth(double t) { return t * t * (3 - 2 * t); }

// Value noise in 0..1, three octaves, features about `scale` samples across.
double Noise(double line, double sample, double scale, uint32_t seed) {
    double total = 0;
    double weight = 0.5;
    for (int octave = 0; octave < 3; ++octave, scale /= 2, weight /= 2) {
        const double x = sample / scale;
        const double y = line / scale;
        const auto x0 = static_cast<int32_t>(std::floor(x));
        const auto y0 = static_cast<int32_t>(std::floor(y));
        const double fx = Smooth(x - x0);
        const double fy = Smooth(y - y0);
        const double top = Lattice(x0, y0, seed + octave) * (1 - fx) + Lattice(x0 + 1, y0, seed + octave) * fx;
        const double bottom =
            Lattice(x0, y0 + 1, seed + octave) * (1 - fx) + Lattice(x0 + 1, y0 + 1, seed + octave) * fx;
        total += weight * (top * (1 - fy) + bottom * fy);
    }
    return total / 0.875;
}

double Ramp(double value, double low, double high) { return Smooth(std::clamp((value - low) / (high - low), 0.0, 1.0)); }

uint16_t Count(double value) { return static_cast<uint16_t>(std::clamp(std::lround(value), 0L, 1023L)); }

}  // namespace

TElementLines SampleElementLines(int catalogNumber) {
    return MakeElementLines(catalogNumber, 2023, 123.4, 98.9, 208.0, 232.0, 14.125, 30000);
}

TSampleScene::TSampleScene(const std::string& maskFile, const TElementLines& elements, const THrptPassSpec& passSpec)
    : mask_(maskFile), geometry_(elements, passSpec, 2023, 5, 3) {}

// The land fraction of every pixel of a scan line comes from the land mask
// at the pixel's place on the earth.
uint16_t TSampleScene::Sample(int32_t line, int channel, int32_t sample) {
    const kestrune::TGroundPoint& point = geometry_.Line(line)[static_cast<size_t>(sample)];
    const double land = mask_.IsLand(point.Longitude, point.Latitude) ? 1 : 0;
    const double cloud = Ramp(Noise(line, sample, 260, 7), 0.6, 0.78);
    const double cloudTop = 225 + 35 * Noise(line, sample, 90, 11);
    const double surface = 285 + 12 * land + 2 * Noise(line, sample, 150, 3);
    const double t4 = surface * (1 - cloud) + cloudTop * cloud;
    const double visible1 = 4 * (1 - land) + 14 * land;
    const double visible2 = 3 * (1 - land) + 28 * land;
    switch (channel) {
        case 1: return Count(40 + 12 * (visible1 * (1 - cloud) + 65 * cloud));
        case 2: return Count(40 + 12 * (visible2 * (1 - cloud) + 62 * cloud));
        case 3: return Count(726 + (290 - (t4 + 2 + 25 * cloud)) * 2.5);
        case 4: return Count(391 + (290 - t4) * 4.3);
        default: return Count(387 + (290 - (t4 - 1.5)) * 4.3);
    }
}

THrptPassSpec SampleScenePass(const std::string& maskFile, const TElementLines& elements, THrptPassSpec passSpec) {
    auto scene = std::make_shared<TSampleScene>(maskFile, elements, passSpec);
    passSpec.Samples = [scene](int32_t line, int channel, int32_t sample) { return scene->Sample(line, channel, sample); };
    return passSpec;
}

}  // namespace kestrune::test
