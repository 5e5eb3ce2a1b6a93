// A satellite parameter file over any bytes: every value ends up a number,
// and the file written back reads back as the same values.
#include "decoding/SatelliteParameters.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"

#include <cmath>
#include <cstdlib>

namespace {

using namespace kestrune;

constexpr uint8_t Noaa18 = 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::TFuzzFolder folder("parameters");
    const std::string name = SatelliteParameterFileName(Noaa18);
    folder.WriteInput("program/" + name, data, size);
    const TSatelliteFileResult first = LoadSatelliteParameterFile(Noaa18);
    if (!first.WriteError.empty()) return 0;
    const TSatelliteFileResult second = LoadSatelliteParameterFile(Noaa18);
    if (!second.WriteError.empty()) std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    static const fuzz::TFuzzFolder folder("parameter-seeds");
    (void)LoadSatelliteParameterFile(Noaa18);  // the complete file, as the program writes it
    std::string complete;
    if (FILE* in = std::fopen((folder.ProgramFolder() / SatelliteParameterFileName(Noaa18)).c_str(), "rb")) {
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;) complete.append(buffer, got);
        std::fclose(in);
    }
    return {complete, "[Chan-4]\nSlope2=0,17\n[Orbit]\n"};
}
