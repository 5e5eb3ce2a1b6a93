// The drop-files reader over any bytes: whatever names it finds must come
// back the same from a block written of them in the same width (8-bit names
// are bytes, which UTF-16 cannot always hold, and keep the bytes the locale's
// codec cannot read).
#include "fuzz/FuzzTarget.h"
#include "platform/OleBlocks.h"

#include <cstdlib>

using namespace kestrune::ole;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> names = ReadDropFiles(TByteSpan(data, size));
    const bool wide = size >= 20 && Get32(data + 16) != 0;
    if (ReadDropFiles(WriteDropFiles(names, wide)) != names) std::abort();
    return 0;
}

namespace {

std::string Seed(const TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

std::vector<std::string> FuzzSeeds() {
    const std::vector<std::string> names{"/data/2023-05-03-1200.hpt", "/data/pass \xC3\xA9t\xC3\xA9.l1b"};
    const std::vector<std::string> notUtf8{"/d\xDA\xDA\xB3\xDA\x80\x80\xE0\xE0\xE0\x80\x80\xDA.b"};
    return {Seed(WriteDropFiles(names, true)), Seed(WriteDropFiles(names, false)), Seed(WriteDropFiles({})),
            Seed(WriteDropFiles(notUtf8, false))};
}
