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

void Read16BitHrptHeader(TLoadContext& load);

}  // namespace kestrune
