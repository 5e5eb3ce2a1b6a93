// The shell link reader over any bytes: a file it accepts has every string
// and list inside the file's own size.
#include "fuzz/FuzzTarget.h"
#include "platform/ShortcutFile.h"
#include "tests/support/ShortcutWriter.h"

#include <cstdlib>

using namespace kestrune;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TShortcutFields fields;
    if (ReadShortcut(std::span<const uint8_t>(data, size), fields) != ole::S_OK) return 0;
    // The target path joins two strings of the file (the local base path and
    // the common suffix), whose offsets may point at the same bytes.
    if (fields.TargetIdList.size() > size || fields.TargetPath.size() > 2 * size) std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    TShortcutFields fields;
    fields.TargetPath = "C:\\HRPT\\n19.hpt";
    fields.Description = "pass";
    fields.Arguments = "-GROUPA:";
    fields.TargetIdList = {4, 0, 0x31, 0x41, 0, 0};
    std::vector<std::string> seeds;
    for (const bool wide : {true, false}) {
        const std::vector<uint8_t> bytes = testing::WriteShortcut(fields, wide);
        seeds.emplace_back(bytes.begin(), bytes.end());
    }
    return seeds;
}
