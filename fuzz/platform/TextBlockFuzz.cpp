// The text and value readers over any bytes: 8-bit and UTF-16 text stop at
// their first zero and write back to what they read; as file names, 8-bit
// text goes to characters and back to the same bytes in every locale, and
// the bytes of a wide name do too.
#include "fuzz/FuzzTarget.h"
#include "platform/OleBlocks.h"
#include "platform/ResCodePages.h"

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
    for (const char* locale : {"C.UTF-8", "de_DE.ISO-8859-1", "ja_JP.EUC-JP", "ja_JP.SJIS"}) {
        setenv("LC_ALL", locale, 1);
        const std::string named = kestrune::FileNameFromWide(wide);
        if (kestrune::FileNameFromWide(kestrune::WideFromFileName(ansi)) != ansi ||
            kestrune::FileNameFromWide(kestrune::WideFromFileName(named)) != named)
            std::abort();
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    const TBytes wide = WriteWideText(u"Tr\u00f8ndelag pass");
    const TBytes ansi = WriteAnsiText("2023-05-03-1200.hpt");
    return {std::string(wide.begin(), wide.end()), std::string(ansi.begin(), ansi.end())};
}
