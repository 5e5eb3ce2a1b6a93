// Header readers of the two station formats that carry whole HRPT (or
// FengYun CHRPT) lines behind a fixed little-endian file header: L1F (248
// header bytes, 13,798-byte lines) and 10B (lines of 10-bit words behind a
// header whose length it states).
#pragma once

#include <cstdint>

namespace kestrune {

struct TLoadContext;

void ReadL1FHeader(TLoadContext& load);
void Read10BHeader(TLoadContext& load);

// Bytes of one 10B line: the words of a frame of channelCount channels,
// rounded up to whole groups of four, five bytes each, and the 7-byte prefix.
int32_t TenBLineBytes(int channelCount, bool fengYun);

}  // namespace kestrune
