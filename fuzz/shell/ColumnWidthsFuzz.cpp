// The column-width stream over any bytes: never more widths than columns or
// than the stream holds, and what it reads writes back to the same widths.
#include "fuzz/FuzzTarget.h"
#include "shell/UHyListRules.h"

#include <cstdlib>

using namespace kestrune::shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> stream(data, size);
    const size_t columns = size > 0 ? data[0] % 16 : 4;
    const std::vector<int32_t> widths = ReadColumnWidths(stream, columns);
    if (widths.size() > columns || 4 * (widths.size() + 1) > std::max<size_t>(size, 4)) std::abort();
    if (ReadColumnWidths(WriteColumnWidths(widths), columns) != widths) std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    std::vector<std::string> seeds;
    for (const std::vector<int32_t>& widths : {std::vector<int32_t>{200, 60, 100, 120}, std::vector<int32_t>{}}) {
        const auto bytes = WriteColumnWidths(widths);
        seeds.emplace_back(bytes.begin(), bytes.end());
    }
    return seeds;
}
