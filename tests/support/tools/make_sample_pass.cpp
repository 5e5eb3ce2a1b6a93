// Writes a pass of the sample scene (see SampleScene.h) for the program: a
// NOAA-18 ".wsd" file (10-bit frames with the element set in its header),
// gzip-packed when the name ends in ".gz"; an ESS station's file when the
// name ends in ".hpt"; a NOAA-15 16-bit file (no element set inside) when
// the name ends in ".raw16", whose element set is then written to the
// archive file given last (a "Keps/NOAA-15.txt" of the program or the user).
//   make_sample_pass <output file> <OdpsLandMask.dat> [lines [element set file]]
#include "tests/support/PassFileWriter.h"
#include "tests/support/SampleScene.h"

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

namespace {

using namespace kestrune::test;

constexpr int32_t DefaultLines = 1200;
constexpr int32_t Noaa15SpacecraftId = 7;

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::cerr << "usage: make_sample_pass <output file> <OdpsLandMask.dat> [lines [element set file]]\n";
        return 2;
    }
    try {
        const std::string output = argv[1];
        const int32_t lines = argc > 3 ? std::atoi(argv[3]) : DefaultLines;
        const auto endsWith = [&](const std::string& end) {
            return output.size() > end.size() && output.compare(output.size() - end.size(), end.size(), end) == 0;
        };
        const bool sixteenBit = endsWith(".raw16");
        THrptPassSpec passSpec;  // NOAA-18 (or NOAA-15), 3 May (day 123) at 12:00
        if (sixteenBit) passSpec.SpacecraftId = Noaa15SpacecraftId;
        const TElementLines elements = SampleElementLines(sixteenBit ? 25338 : 28654);
        passSpec = SampleScenePass(argv[2], elements, passSpec);
        TBytes file = sixteenBit        ? Build16BitHrptFile(passSpec, lines, false)
                      : endsWith(".hpt") ? BuildEssFile(passSpec, lines)
                                         : BuildWsdFile(passSpec, lines, elements.Line1, elements.Line2);
        if (argc > 4) {
            const std::string set = elements.Line1 + "\n" + elements.Line2 + "\n";
            WriteFileBytes(argv[4], TBytes(set.begin(), set.end()));
        }
        if (endsWith(".gz")) file = GzipBytes(file);
        WriteFileBytes(output, file);
    } catch (const std::exception& error) {
        std::cerr << "make_sample_pass: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
