// Temperature palette files over any bytes: the first four bytes set the
// palette's low and high ends, the rest is the file; loaded or refused, every
// temperature gets a colour of bytes.
#include "decoding/Sensor.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "tests/support/PaletteFileWriter.h"

#include <cstdlib>
#include <limits>

namespace {

int16_t PaletteEnd(const uint8_t* bytes) { return static_cast<int16_t>(bytes[0] | bytes[1] << 8); }

std::string Seed(int16_t low, int16_t high, const std::string& text) {
    std::string seed;
    for (const int16_t end : {low, high}) {
        seed += static_cast<char>(end & 0xFF);
        seed += static_cast<char>((end >> 8) & 0xFF);
    }
    return seed + text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrune;
    if (size < 4) return 0;
    static const fuzz::TFuzzFolder folder("palette");
    // A sensor of its own, so that no palette of an earlier input remains.
    TSensor sensor;
    sensor.SetPaletteLow(PaletteEnd(data));
    sensor.SetPaletteHigh(PaletteEnd(data + 2));
    sensor.SetPaletteFile(folder.WriteInput("data/sst.pal", data + 4, size - 4));
    constexpr double Infinity = std::numeric_limits<double>::infinity();
    for (const double celsius : {-Infinity, -1e300, -40.0, -1.0, 0.0, 12.5, 35.0, 255.999, 1e300, Infinity,
                                 std::numeric_limits<double>::quiet_NaN()}) {
        int32_t rgb[3] = {-1, -1, -1};
        sensor.TemperatureToColour(celsius, rgb[0], rgb[1], rgb[2]);
        for (const int32_t component : rgb)
            if (component < 0 || component > 255) std::abort();
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    using namespace kestrune::test;
    return {
        Seed(0, 255, TemperaturePaletteText(RampColours(256, 7), "\r\n")),
        Seed(-2, 35, TemperaturePaletteText(RampColours(256, 1))),
        Seed(10, 10, TemperaturePaletteText(RampColours(255, 2))),
        Seed(-40, 40, TemperaturePaletteText(RampColours(256, 9)) + "0 0\n"),
    };
}
