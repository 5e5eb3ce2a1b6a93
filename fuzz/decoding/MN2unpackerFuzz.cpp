// The Meteor-M N2 conversion over any bytes: whatever it finds, every frame
// it writes is whole and begins with the frame marker.
#include "decoding/MN2unpacker.h"
#include "fuzz/FuzzTarget.h"
#include "tests/support/MeteorFileWriter.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t frames = 0;
    const std::string_view recording(reinterpret_cast<const char*>(data), size);
    const std::string output = kestrune::ConvertMN2(recording, frames);
    const size_t header = recording.substr(0, 4) == "M2HR" && size >= 1024 ? 1024 : 0;
    if (output.size() != header + static_cast<size_t>(frames) * kestrune::MsuMrFrameBytes) std::abort();
    for (int32_t frame = 0; frame < frames; ++frame)
        if (static_cast<uint8_t>(output[header + static_cast<size_t>(frame) * kestrune::MsuMrFrameBytes]) != 0x02) std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    const kestrune::test::THrptPassSpec passSpec;
    kestrune::test::TMeteorSpec meteor;
    std::vector<std::string> seeds;
    for (const bool header : {true, false}) {
        meteor.Header = header;
        const kestrune::test::TBytes file = kestrune::test::BuildMn2File(passSpec, meteor, 4);
        seeds.emplace_back(file.begin(), file.end());
    }
    return seeds;
}
