// A language pack over any bytes: its directory and each language's file are
// read or refused with "Invalid QLANGS resource", never read past the end.
#include "fuzz/FuzzTarget.h"
#include "localise/LocLangPack.h"
#include "localise/LocOnFly.h"
#include "tests/support/LocSamples.h"
#include "tests/support/LzqWriter.h"
#include "tools/localise/LangFileWriter.h"
#include "tools/localise/ProgramResources.h"

#include <cstdlib>

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const TLanguagePack pack(bytes);
        for (size_t i = 0; i < pack.Entries().size(); ++i) {
            const TPackEntry& entry = pack.Entries()[i];
            if (entry.Block.data() < bytes.data() || entry.Block.data() + entry.Block.size() > bytes.data() + bytes.size()) std::abort();
            try {
                (void)pack.LanguageFile(i);
            } catch (const ELocOnFlyError&) {
            }
        }
    } catch (const ELocOnFlyError&) {
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    TLocStorage storage;
    testing::FillNativeSample(storage);
    const std::string native = WriteLangFile(ProgramNativeHeader(storage), storage, 0);
    std::vector<std::string> seeds;
    for (const uint16_t version : {uint16_t{2}, uint16_t{5}})
        seeds.push_back(testing::WriteLanguagePack(version, {{9, "English", u"English", 1600, 0, native},
                                                             {0x407, "German", u"Deutsch", 1600, 7, testing::LZQCompress(native)}}));
    return seeds;
}
