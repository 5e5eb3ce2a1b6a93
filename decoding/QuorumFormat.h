// Header readers of the 16-bit recordings that may carry a Quorum header:
// a frame holding the satellite name and its element set as 16-bit texts,
// and a frame holding the recording's start. Quorum files (HRPT, or CHRPT
// of ten FengYun channels) and 16-bit CHRPT files.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <span>
#include <string>

namespace kestrune {

struct TLoadContext;

struct TQuorumHeader {
    int32_t Length = 0;  // 22,180, 44,360 (FengYun CHRPT) or 0: no Quorum header
    TDateTime Date = 0;
    std::string Name;
    std::string Line1;
    std::string Line2;
};

// The header at the start of header (the file's first bytes).
TQuorumHeader ReadQuorumHeader(std::span<const uint8_t> header);

// Code 28: 16-bit CHRPT.
void Read16BitChrptHeader(TLoadContext& load);
// Code 32: Quorum.
void ReadQuorumFileHeader(TLoadContext& load);

}  // namespace kestrune
