#include "decoding/ViewNames.h"

namespace kestrune {

const std::array<std::string_view, ViewCount> ViewNames = {
    "All",      "Ch 1",       "Ch 2",          "Ch 3",          "Ch 4",
    "Ch 5",     "Ch 6",       "Ch 7",          "Ch 8",          "Ch 9",
    "Ch 10",    "False colour", "MVL",         "RGB",           "User",
    "NOAA",     "Paletted",   "Temperature",   "SST",           "Vegetation",
    "Ch.4 - Ch.5", "Ch.3 raw", "Ch.3 avg filt", "Ch.3 median filt", "Ch.3 raw-filt",
    "Fire",     "Ground Path", "Overlay"};

uint8_t ViewIndexOfName(std::string_view caption) {
    for (int view = 0; view < ViewCount; ++view)
        if (ViewNames[view] == caption) return static_cast<uint8_t>(view);
    return NoView;
}

std::string_view ChannelViewName(int channel) { return ViewNames.at(static_cast<size_t>(ViewChannel1 + channel - 1)); }

}  // namespace kestrune
