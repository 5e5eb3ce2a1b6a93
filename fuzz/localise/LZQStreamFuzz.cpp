// "LZQ00" streams over any bytes: expanded whole and as a header prefix,
// refused or expanded, never read or written outside their buffers.
#include "fuzz/FuzzTarget.h"
#include "localise/qcompress.h"
#include "tests/support/LzqWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const bool whole : {true, false}) {
        try {
            if (whole) kestrune::LZQDecompressStream(bytes);
            else kestrune::LZQDecompressPrefix(bytes);
        } catch (const kestrune::EQCompressError&) {
        }
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    using kestrune::testing::LZQCompress;
    std::string text;
    for (int i = 0; i < 200; ++i) text += "Caption=Open " + std::to_string(i % 7) + "\r\n";
    return {LZQCompress(""), LZQCompress("abc"), LZQCompress(text), LZQCompress(std::string(300, 'x'))};
}
