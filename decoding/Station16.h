// Header reader of 16-bit HRPT station recordings (".raw16", ".hmf",
// ".hrpt"): one 10-bit sample per 16-bit word, in either byte order, with
// or without a one-record "[Stati" text header.
#pragma once

#include <cstdint>
#include <span>

namespace kestrune {

struct TLoadContext;

// The first sync word 284 hex stored low byte first (84 02).
bool IsPlainWordOrder(std::span<const uint8_t> fileStart);
// The first sync word stored high byte first (02 84).
bool IsSwappedWordOrder(std::span<const uint8_t> fileStart);

// Whether the 16-bit frames of a file are stored low byte first, judged by
// the six sync words of up to sixteen records spread over the file, so that a
// damaged first word or a fill frame at the start does not decide it. Without
// a sync word in either order the first two bytes decide.
bool FramesAreLittleEndian(std::span<const uint8_t> file, int64_t dataStart, int32_t recordSize);

void Read16BitHrptHeader(TLoadContext& load);

}  // namespace kestrune
