// The pass loader reused for several passes in one state, over any bytes:
// the input holds two passes, each behind a byte that picks its name (the
// first also behind its 16-bit length); they load as first, second, first
// again into a state of this input's own, so that whatever the first leaves
// behind meets the second and a finding replays alone.
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "fuzz/decoding/UnattendedLoader.h"
#include "tests/support/PassFileWriter.h"

#include <algorithm>

namespace {

using namespace kestrune;

std::string Seed(uint8_t firstName, const test::TBytes& first, uint8_t secondName, const test::TBytes& second) {
    std::string seed(1, static_cast<char>(firstName));
    for (int shift = 0; shift < 24; shift += 8) seed += static_cast<char>((first.size() >> shift) & 0xFF);
    seed.append(first.begin(), first.end());
    seed += static_cast<char>(secondName);
    return seed.append(second.begin(), second.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    static const fuzz::TFuzzFolder folder("sequence");
    const size_t firstSize = std::min<size_t>(data[1] | data[2] << 8 | data[3] << 16, size - 5);
    const std::string first = folder.WriteInput("data/1/" + fuzz::PassFileName(data[0]), data + 4, firstSize);
    const uint8_t* rest = data + 4 + firstSize;
    const std::string second =
        folder.WriteInput("data/2/" + fuzz::PassFileName(rest[0]), rest + 1, static_cast<size_t>(data + size - rest - 1));
    fuzz::TUnattendedLoader underTest;
    for (const std::string& pass : {first, second, first}) underTest.loader.LoadDataFile(pass);
    folder.ClearData();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    test::THrptPassSpec passSpec;
    constexpr int32_t Lines = 14;  // files under the header buffer's size are refused at once
    test::THrptPassSpec later = passSpec;
    later.StartMilliseconds += 60 * 60000LL;
    const test::TBytes hrpt16 = test::Build16BitHrptFile(passSpec, Lines, false);
    return {
        Seed(3, hrpt16, 4, test::BuildN10File(later, Lines)),
        Seed(4, test::BuildN10File(passSpec, Lines), 35, test::Build16BitHrptFile(later, Lines, true, true)),
        Seed(3, hrpt16, 3, test::Build16BitHrptFile(later, 1, false)),
    };
}
