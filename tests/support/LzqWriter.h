// Compressor of "LZQ00" streams for the tests, the fuzz seeds and the tools:
// greedy LZ77 over the format's 2047-byte reach, matches of 3 to 18 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune::testing {

std::string LZQCompress(std::string_view data);

// The 9-byte header alone, announcing size bytes.
std::string LZQHeader(uint32_t size);
// One match token of the given distance (0..2047) and length (3..18).
std::string LZQMatch(unsigned distance, unsigned length);

}  // namespace kestrune::testing
