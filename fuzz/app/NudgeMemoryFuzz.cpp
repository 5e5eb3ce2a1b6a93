// The overlay nudge memory over any bytes: a file the memory saves reads
// back as the same lines.
#include "app/NudgeMemory.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrune;
    static const fuzz::TFuzzFolder folder("nudge");
    const std::string file = folder.WriteInput("data/mru_list.ini", data, size);
    TNudgeMemory memory;
    memory.LoadFromFile(file);
    memory.Find("/data/230503_1200_noaa18.wsd");
    memory.Remember("/data/230503 1200 noaa18.wsd", 3, -2, 45049.5);
    memory.SaveToFile(file);
    TNudgeMemory again;
    again.LoadFromFile(file);
    if (again.Lines() != memory.Lines()) std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"/data/230503_1200_noaa18.wsd 3 -2 45049.5\r\n/data/other.hpt 0 0\n", std::string(600, '\n')};
}
