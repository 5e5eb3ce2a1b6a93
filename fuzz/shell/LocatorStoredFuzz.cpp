// The folder locator's stored form over any bytes: what it accepts writes
// back to a form that reads the same locator.
#include "fuzz/FuzzTarget.h"
#include "shell/UHyShellLocator.h"

#include <cstdlib>

using namespace kestrune;
using namespace kestrune::shell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    THyShellLocator locator;
    if (!locator.ReadStored(std::span<const uint8_t>(data, size))) return 0;
    THyShellLocator again;
    if (!again.ReadStored(locator.WriteStored()) || !again.SameAs(locator)) std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    std::vector<std::string> seeds;
    THyShellLocator locator;
    const TItemIdList list = *IdListFromPath("/data/2024");
    locator.SetPidl(&list);
    for (int round = 0; round < 2; ++round) {
        const std::vector<uint8_t> bytes = locator.WriteStored();
        seeds.emplace_back(bytes.begin(), bytes.end());
        locator.SetSpecialFolder(17);
    }
    return seeds;
}
