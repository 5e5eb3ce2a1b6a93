// Language files over any bytes: the header alone, the body as a native
// dictionary, and the body as a translation into a dictionary's column.
#include "fuzz/FuzzTarget.h"
#include "localise/LocLangFile.h"
#include "tests/support/LocSamples.h"
#include "tests/support/LzqWriter.h"
#include "tools/localise/LangFileWriter.h"

#include <limits>

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        TLangFile().ReadLangFileHeader(bytes);
        TLocStorage native;
        TLangFile().ReadBody(bytes, &native, LangModeRenumber, -1);
    } catch (const ELangFileError&) {
    }
    try {
        TLocStorage storage;
        testing::FillNativeSample(storage);
        const int column = storage.AddLanguage(0, testing::German);
        TLangFile().ReadBody(bytes, &storage, static_cast<uint16_t>(size % 2 ? LangModeMatchNames : 0), column);
    } catch (const ELangFileError&) {
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    TLocStorage storage;
    testing::FillNativeSample(storage);
    const int german = testing::AddGermanSample(storage);
    std::vector<std::string> seeds;
    for (const uint16_t version : std::initializer_list<uint16_t>{1, 4, 6, 7}) {
        TLangFile header;
        header.Version = version;
        header.LanguageId = testing::German;
        seeds.push_back(WriteLangFile(header, storage, german));
    }
    seeds.push_back(testing::LZQCompress(seeds.back()));
    // The shape of a finding: an id just below the highest, then two entries
    // whose repeated id the renumbering replaces with ids after it.
    TLangFile native;
    native.LanguageId = testing::English;
    native.IsNative = true;
    storage.FindConstant(2)->Id = std::numeric_limits<int32_t>::max() - 1;
    storage.FindConstant(3)->Id = 1;
    storage.FindConstant(4)->Id = 1;
    seeds.push_back(WriteLangFile(native, storage, 0));
    return seeds;
}
