// The video adjust window's ".xfr" files over any bytes: the settings read
// stay within range, and what is saved reads back as the same tables.
#include "app/VideoAdjust.h"
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrune;
    static const fuzz::TFuzzFolder folder("xfr");
    const std::string file = folder.WriteInput("data/pass.xfr", data, size);
    TVideoAdjust adjust;
    adjust.LoadXfr(file);
    for (const TColourTransfer& colour : adjust.Colours) {
        if (colour.Black < 0 || colour.Black > TopCount || colour.White < 0 || colour.White > TopCount) std::abort();
        for (int32_t value : colour.Transfer)
            if (value < 0 || value > TopCount) std::abort();
    }
    adjust.ColourChoice();
    adjust.SaveXfr(file);
    TVideoAdjust again;
    if (!again.LoadXfr(file)) std::abort();
    for (size_t colour = 0; colour < adjust.Colours.size(); ++colour)
        if (again.Colours[colour].Black != adjust.Colours[colour].Black ||
            again.Colours[colour].White != adjust.Colours[colour].White)
            std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {"HRPT Xfer for 230503_1200_noaa18\nR 10 900 250\nG 0 1023 100\nB 40 700 50\n",
            "R,10,900,250\r\n\"G\" 1 2 3\nB 99999999999 1 1\n", std::string(300, '"')};
}
