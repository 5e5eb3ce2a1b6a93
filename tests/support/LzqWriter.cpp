#include "tests/support/LzqWriter.h"

#include <algorithm>

namespace kestrune::testing {

namespace {

constexpr size_t MaxDistance = 2047;
constexpr size_t MinMatch = 3;
constexpr size_t MaxMatch = 18;
constexpr size_t MaxLiteralRun = 127;

void FlushLiterals(std::string& out, std::string_view data, size_t& runStart, size_t end) {
    while (runStart < end) {
        const size_t n = std::min(end - runStart, MaxLiteralRun);
        out.push_back(static_cast<char>(n * 2));
        out.append(data.substr(runStart, n));
        runStart += n;
    }
}

}  // namespace

std::string LZQHeader(uint32_t size) {
    std::string header = "LZQ00";
    for (int i = 0; i < 4; ++i) header.push_back(static_cast<char>(size >> (8 * i)));
    return header;
}

std::string LZQMatch(unsigned distance, unsigned length) {
    const unsigned word = 1 | distance << 1 | (length - 3) << 12;
    return {static_cast<char>(word & 0xFF), static_cast<char>(word >> 8)};
}

std::string LZQCompress(std::string_view data) {
    std::string out = LZQHeader(static_cast<uint32_t>(data.size()));
    size_t literalStart = 0;
    for (size_t pos = 0; pos < data.size();) {
        size_t bestLength = 0;
        size_t bestDistance = 0;
        const size_t limit = std::min(MaxMatch, data.size() - pos);
        for (size_t distance = 1; distance <= std::min(pos, MaxDistance) && bestLength < limit; ++distance) {
            size_t length = 0;
            while (length < limit && data[pos - distance + length] == data[pos + length]) ++length;
            if (length > bestLength) {
                bestLength = length;
                bestDistance = distance;
            }
        }
        if (bestLength < MinMatch) {
            ++pos;
            continue;
        }
        FlushLiterals(out, data, literalStart, pos);
        out += LZQMatch(static_cast<unsigned>(bestDistance), static_cast<unsigned>(bestLength));
        pos += bestLength;
        literalStart = pos;
    }
    FlushLiterals(out, data, literalStart, data.size());
    return out;
}

}  // namespace kestrune::testing
