#include "localise/LocCommon.h"

#include "localise/LocResources.h"

namespace kestrune {

void RaiseInvalidFileFormat() { throw ELangFileError(LibraryText(res::SInvalidFileFormat)); }

namespace {

uint32_t ReadCount(TByteReader& in, TLengthPrefix prefix) { return prefix == TLengthPrefix::Word ? in.U16() : ReadVarLength(in); }

void WriteCount(TByteWriter& out, size_t count, TLengthPrefix prefix) {
    if (count > (prefix == TLengthPrefix::Word ? 0xFFFF : MaxVarLength))
        throw ELangFileError("String too long for the language file: " + std::to_string(count));
    if (prefix == TLengthPrefix::Word) out.U16(static_cast<uint16_t>(count));
    else WriteVarLength(out, static_cast<uint32_t>(count));
}

}  // namespace

uint32_t ReadVarLength(TByteReader& in) {
    const uint8_t b0 = in.U8();
    if (b0 < 128) return b0;
    const uint8_t b1 = in.U8();
    if (b1 < 128) return (b0 & 127u) + 128u * b1;
    return (b0 & 127u) + 128u * (b1 & 127u) + 16384u * in.U16();
}

void WriteVarLength(TByteWriter& out, uint32_t count) {
    if (count < 128) {
        out.U8(static_cast<uint8_t>(count));
    } else if (count < 16384) {
        out.U8(static_cast<uint8_t>(count & 127) | 128);
        out.U8(static_cast<uint8_t>(count >> 7));
    } else {
        out.U8(static_cast<uint8_t>(count & 127) | 128);
        out.U8(static_cast<uint8_t>(count >> 7 & 127) | 128);
        out.U16(static_cast<uint16_t>(count >> 14));
    }
}

std::string ReadAnsiString(TByteReader& in, TLengthPrefix prefix) { return std::string(in.Bytes(ReadCount(in, prefix))); }

std::u16string ReadWideString(TByteReader& in, TLengthPrefix prefix) { return in.Wide(ReadCount(in, prefix)); }

void WriteAnsiString(TByteWriter& out, std::string_view text, TLengthPrefix prefix) {
    WriteCount(out, text.size(), prefix);
    out.Bytes(text);
}

void WriteWideString(TByteWriter& out, std::u16string_view text, TLengthPrefix prefix) {
    WriteCount(out, text.size(), prefix);
    out.Wide(text);
}

}  // namespace kestrune
