// The pass loader as the fuzz targets drive it: one pass state for every
// input, as one serves every file a window opens, and an unattended run that
// never waits for an answer.
#pragma once

#include "decoding/HeadlessHost.h"
#include "decoding/PassLoader.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrune::fuzz {

struct TUnattendedLoader {
    TPassState state;
    THeadlessHost host;
    TLoaderSettings settings;
    TPassLoader loader{state, host, settings};
    TUnattendedLoader() { settings.Unattended = true; }
};

// A pass file's name picked by a byte of the input, so that detection and
// satellite identification by name are reached as well as by content.
inline constexpr std::array<const char*, 32> PassExtensions = {
    ".raw", ".hpt", ".hrp", ".raw16", ".n10", ".wsd", ".raw16.gz", ".l1b", ".lac", ".gac", ".gc", ".rhd", ".hmf",
    ".c10", ".s10", ".hrp8", ".hrpt", ".fi5", ".fy1c", ".fy1d", ".fy8", ".gaca", ".img", ".mn1", ".mn2",
    ".msu2", ".native", ".we", ".wi", ".l1f", ".gz", ""};
// Names as stations and archives write them (the low bits choose the extension).
inline constexpr std::array<const char*, 8> PassNames = {
    "pass", "230503_1200_noaa18", "20230503_1200_NOAA18", "noaa18_20230503_120000",
    "NSS.HRPT.NN.D23123.S1200.E1215.B1234567.WI", "METOP-A_20230503_1200", "meteor_m2_20230503_1200",
    "FY3A_20230503_1200"};

inline std::string PassFileName(uint8_t selector) {
    return std::string(PassNames[selector / PassExtensions.size()]) + PassExtensions[selector % PassExtensions.size()];
}

}  // namespace kestrune::fuzz
