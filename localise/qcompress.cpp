#include "localise/qcompress.h"

#include "localise/LocResources.h"
#include "platform/ResBytes.h"

#include <algorithm>

namespace kestrune {

namespace {

[[noreturn]] void WrongStreamFormat() { throw EQCompressError(LibraryText(res::SWrongStreamFormat)); }

enum class TEndRule { Whole, Prefix };

// Thrown inside the decoder when the source ends inside a token.
struct TTokenCut {};

[[noreturn]] void CutToken() { throw TTokenCut{}; }

uint32_t ReadHeader(TByteReader& source) {
    if (source.Left() < LZQHeaderSize || source.Bytes(LZQSignature.size()) != LZQSignature) WrongStreamFormat();
    return source.U32();
}

// Repeats length bytes starting distance bytes back; byte by byte, so that a
// match may overlap the bytes it produces.
void CopyMatch(std::string& out, unsigned distance, unsigned length) {
    if (distance == 0 || distance > out.size()) WrongStreamFormat();
    size_t from = out.size() - distance;
    for (unsigned k = 0; k < length; ++k) out.push_back(out[from++]);
}

void DecodeTokens(TByteReader& tokens, std::string& out, uint32_t uncompressedSize, const TLZQProgress& onProgress) {
    while (!tokens.AtEnd()) {
        const uint8_t control = tokens.U8();
        if (control & 1) {
            const unsigned word = control | static_cast<unsigned>(tokens.U8()) << 8;
            const unsigned distance = (word & 0x0FFF) >> 1;
            const unsigned length = (word >> 12) + LZQMinMatch;
            CopyMatch(out, distance, length);
        } else {
            out.append(tokens.Bytes(control >> 1));
        }
        if (out.size() > uncompressedSize) WrongStreamFormat();
        if (onProgress) onProgress(static_cast<int64_t>(tokens.Pos()), static_cast<int64_t>(tokens.Size()));
    }
}

std::string Decode(std::string_view stream, TEndRule rule, const TLZQProgress& onProgress) {
    TByteReader header(stream, WrongStreamFormat);
    const uint32_t uncompressedSize = ReadHeader(header);
    TByteReader tokens(stream.substr(LZQHeaderSize), CutToken);
    std::string out;
    // A token yields at most 9 bytes per source byte: a damaged size cannot reserve more than that.
    out.reserve(std::min<size_t>(uncompressedSize, tokens.Size() * 9));
    try {
        DecodeTokens(tokens, out, uncompressedSize, onProgress);
    } catch (const TTokenCut&) {
        if (rule == TEndRule::Whole) WrongStreamFormat();
        return out;
    }
    if (rule == TEndRule::Whole && out.size() != uncompressedSize) WrongStreamFormat();
    return out;
}

}  // namespace

bool IsLZQCompressed(std::string_view stream) { return stream.starts_with(LZQSignature); }

std::string LZQDecompressStream(std::string_view stream, const TLZQProgress& onProgress) {
    return Decode(stream, TEndRule::Whole, onProgress);
}

std::string LZQDecompressPrefix(std::string_view streamStart) { return Decode(streamStart, TEndRule::Prefix, {}); }

}  // namespace kestrune
