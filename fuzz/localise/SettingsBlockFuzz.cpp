// Settings blocks over any bytes: the block alone, and a resource image read
// as the program's or a library's module; a bad one is refused by name.
#include "fuzz/FuzzTarget.h"
#include "localise/LocUtils.h"
#include "tests/support/LocSamples.h"
#include "tools/localise/ProgramResources.h"

#include <cstdlib>

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const TDLLInfoItem item = ParseDLLSettings(bytes, "fuzz");
        if (item.AnsiName.size() + 2 * item.WideName.size() > size) std::abort();
    } catch (const ELocUtilsError&) {
    }
    try {
        const auto module = TResModule::FromImage(bytes, "fuzz");
        for (const bool library : {true, false}) {
            try {
                (void)module->ReadSettings(library);
            } catch (const ELocUtilsError&) {
            }
        }
        (void)module->FindString(100);
    } catch (const Exception&) {
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    TLocStorage storage;
    testing::FillNativeSample(storage);
    const TBytes image = WriteProgramResources(storage, {}, ProgramNativeHeader(storage));
    std::vector<std::string> seeds{image};
    TResProcessor set;
    set.LoadResourcesFromModule(image);
    for (const std::string_view name : {LibSettingsName, ExeSettingsName})
        seeds.push_back(set.RCData()->Items(static_cast<size_t>(set.RCData()->IndexOfName(std::string(name)))).Data);
    return seeds;
}
