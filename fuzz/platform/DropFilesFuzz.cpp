// The drop-files reader over any bytes, under the locales stations run
// under: whatever names it finds are bytes of file names, and must come back
// the same from a block written of them in either width (a wide block holds
// the bytes its locale's codec cannot read as kept bytes).
#include "fuzz/FuzzTarget.h"
#include "platform/OleBlocks.h"

#include <cstdlib>

using namespace kestrune::ole;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const char* locale : {"C.UTF-8", "de_DE.ISO-8859-1", "ja_JP.EUC-JP", "ja_JP.SJIS"}) {
        setenv("LC_ALL", locale, 1);
        const std::vector<std::string> names = ReadDropFiles(TByteSpan(data, size));
        for (const bool wide : {false, true})
            if (ReadDropFiles(WriteDropFiles(names, wide)) != names) std::abort();
    }
    return 0;
}

namespace {

std::string Seed(const TBytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

std::vector<std::string> FuzzSeeds() {
    const std::vector<std::string> names{"/data/2023-05-03-1200.hpt", "/data/pass \xC3\xA9t\xC3\xA9.l1b"};
    const std::vector<std::string> notUtf8{"/d\xDA\xDA\xB3\xDA\x80\x80\xE0\xE0\xE0\x80\x80\xDA.b", "/\xF0\x90\x82\x80\x80"};
    return {Seed(WriteDropFiles(names, true)), Seed(WriteDropFiles(names, false)), Seed(WriteDropFiles({})),
            Seed(WriteDropFiles(notUtf8, false))};
}
