// The pass loader over any bytes: the first byte picks the file's name and
// extension, so that detection and satellite identification by name are
// reached as well as by content; one pass state serves every input, as it
// serves every file a window opens.
#include "decoding/FrameCheck.h"
#include "decoding/HRPTvideo.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/decoding/UnattendedLoader.h"
#include "fuzz/FuzzTarget.h"
#include "tests/support/PassFileWriter.h"

#include <cstdlib>

namespace {

using namespace kestrune;

std::string Seed(uint8_t nameIndex, uint8_t extensionIndex, const test::TBytes& bytes) {
    std::string seed(1, static_cast<char>(nameIndex * fuzz::PassExtensions.size() + extensionIndex));
    seed.append(bytes.begin(), bytes.end());
    return seed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const fuzz::TFuzzFolder folder("loader");
    static fuzz::TUnattendedLoader underTest;
    underTest.loader.LoadDataFile(folder.WriteInput("data/" + fuzz::PassFileName(data[0]), data + 1, size - 1));
    // Nothing longer than a pass is ever sized for.
    if (underTest.state.DataLineCount > MostPassLines || underTest.state.Video->LineCount() > MostPassLines) std::abort();
    // A ".gz" input leaves its unpacked copy beside it.
    folder.ClearData();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    const test::THrptPassSpec passSpec;
    constexpr int32_t Lines = 14;  // files under the header buffer's size are refused at once
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
    const test::TBytes hrpt16 = test::Build16BitHrptFile(passSpec, Lines, false);
    return {
        Seed(0, 0, test::Build16BitHrptFile(passSpec, Lines, true, true)),
        Seed(0, 3, hrpt16),
        Seed(0, 4, test::BuildN10File(passSpec, Lines)),
        Seed(1, 5, test::BuildWsdFile(passSpec, Lines, set.Line1, set.Line2)),
        Seed(0, 1, test::BuildEssFile(passSpec, Lines, 2048)),
        Seed(2, 6, test::GzipBytes(hrpt16)),
    };
}
