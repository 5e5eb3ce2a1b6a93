// Which input format a file holds, from its first bytes, its name and its
// extension, and the instrument family that comes with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace kestrune {

// Bytes of the file start that the detection and the header readers look at.
constexpr size_t HeaderBufferSize = 176600;
constexpr int HighestFormatCode = 40;

// Whether a format code is one of a list of codes.
inline bool IsFormatOneOf(uint8_t code, std::initializer_list<int> codes) {
    for (const int listed : codes)
        if (listed == code) return true;
    return false;
}

// Display name of a format code; "" for codes without one (no pass-direction question).
std::string InputFormatName(int code);

struct TFormatDetection {
    uint8_t InputFormatCode = 0;  // 0 = not identified
    uint8_t SensorKind = 0;
    bool DtpAvailable = false;
    uint8_t L1BSampleKind = 2;
    std::string Message;          // a refusal the loader shows; "" when none
};

// header: the first HeaderBufferSize bytes of the file (zero-filled beyond
// its end). An archive name of a Level 1b file may be written into it at
// offsets 30..71, where a data set name stands. extension: lower case, with
// its dot. loadedFileName: the name without folder and extension.
TFormatDetection DetectInputFormat(std::span<uint8_t, HeaderBufferSize> header, const std::string& fullPath,
                                   const std::string& extension, const std::string& loadedFileName);

// True when the bytes look like 16-bit little-endian words holding 10-bit
// values: bytes above 3 are rare at odd positions.
bool DetectSamplePacking(std::span<const uint8_t> bytes);

}  // namespace kestrune
