// Form streams over any bytes: read whole or refused, and what is read can be written again.
#include "fuzz/FuzzTarget.h"
#include "platform/ResFormStream.h"
#include "tests/support/LocSamples.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        const kestrune::TFormObject root = kestrune::ReadFormStream(bytes);
        (void)kestrune::WriteFormStream(root);
    } catch (const kestrune::Exception&) {
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() { return {kestrune::WriteFormStream(kestrune::testing::SampleMainForm())}; }
