// The text and value readers over any bytes: 8-bit and UTF-16 text stop at
// their first zero and write back to what they read.
#include "fuzz/FuzzTarget.h"
#include "platform/OleBlocks.h"

#include <cstdlib>

using namespace kestrune::ole;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const TByteSpan block(data, size);
    const std::string ansi = ReadAnsiText(block);
    const std::u16string wide = ReadWideText(block);
    if (ReadAnsiText(WriteAnsiText(ansi)) != ansi || ReadWideText(WriteWideText(wide)) != wide) std::abort();
    Utf8FromWide(wide);
    WideFromUtf8(ansi);
    ReadNameList(block, true);
    ReadNameList(block, false);
    ReadDword(block);
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    const TBytes wide = WriteWideText(u"Tr\u00f8ndelag pass");
    const TBytes ansi = WriteAnsiText("2023-05-03-1200.hpt");
    return {std::string(wide.begin(), wide.end()), std::string(ansi.begin(), ansi.end())};
}
