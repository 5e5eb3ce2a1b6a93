// Expander of "LZQ00" streams: a small LZ77 format in which language files,
// language-pack entries and language libraries may be stored. Damaged
// streams are refused with "Wrong stream format", never read past their end.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestrune {

class EQCompressError : public Exception {
public:
    using Exception::Exception;
};

constexpr std::string_view LZQSignature = "LZQ00";
constexpr size_t LZQHeaderSize = 9;  // signature and 32-bit uncompressed size
constexpr size_t LZQWindowSize = 2048;
constexpr unsigned LZQMinMatch = 3;
constexpr unsigned LZQMaxMatch = 18;
constexpr unsigned LZQMaxLiteralRun = 127;

// Called after each token with the source position and size.
using TLZQProgress = std::function<void(int64_t position, int64_t size)>;

// True when the bytes begin with the signature.
bool IsLZQCompressed(std::string_view stream);

// Expands a whole stream. The output must have the size its header announces;
// a token cut by the end, a match of distance 0 or one reaching before the
// first byte raise EQCompressError "Wrong stream format".
std::string LZQDecompressStream(std::string_view stream, const TLZQProgress& onProgress = {});

// Expands the beginning of a stream of which only the first bytes are at hand
// (the header of a compressed language file): a token cut by the end of the
// bytes ends the output, which may be shorter than the header announces.
std::string LZQDecompressPrefix(std::string_view streamStart);

}  // namespace kestrune
