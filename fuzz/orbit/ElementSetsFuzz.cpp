// Element-set files and Kepler archives over any bytes: the input is split at
// its first NUL into the main archive and its update file, and also read as
// a catalogue folder's ".tle" file; the set chosen for a pass is looked up.
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "orbit/Keplers.h"
#include "orbit/Satellite.h"
#include "tests/support/PassFileWriter.h"

#include <algorithm>
#include <cstdlib>

namespace {

using namespace kestrune;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::TFuzzFolder folder("elements");
    const uint8_t* end = data + size;
    const uint8_t* split = std::find(data, end, uint8_t{0});
    const uint8_t* update = split == end ? end : split + 1;
    const std::string base = (folder.Path() / "data").string();
    folder.WriteInput("data/Keps/NOAA-18.txt", data, static_cast<size_t>(split - data));
    folder.WriteInput("data/Keps/Updates/NOAA-18.txt", update, static_cast<size_t>(end - update));
    folder.WriteInput("data/catalogue.tle", data, size);

    TKeplerData kepler;
    kepler.SetCatalogueDirectory(base);
    std::string line1, line2, mainSource, updateSource;
    double age = 0;
    // A set handed out is one whose every field is a number and whose orbit is one a satellite can fly.
    if (kepler.GetElements("NOAA-18", "28654", 45049.5, true, line1, line2, mainSource, updateSource, age) &&
        (!ElementLineFault(line1).empty() || !ElementLineFault(line2).empty()))
        std::abort();
    kepler.KeplerEpochForOrbit("NOAA-18", 92000);
    folder.ClearData();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    const test::TElementLines older = test::MakeElementLines(28654, 2023, 100.5, 98.9, 150.0, 0.0, 14.125, 29700);
    const test::TElementLines newer = test::MakeElementLines(28654, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
    const std::string main = "NOAA 18\n" + older.Line1 + "\n" + older.Line2 + "\n";
    const std::string updates = newer.Line1 + "\r\n" + newer.Line2 + "\r\n";
    return {main + std::string(1, '\0') + updates, main, older.Line1 + "\n\n" + older.Line2 + "\n"};
}
