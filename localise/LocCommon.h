// Length-prefixed strings of the language files and language packs: a 16-bit
// count before version 6, a variable 1-, 2- or 4-byte count from version 6.
// A count beyond the bytes left raises "Invalid file format".
#pragma once

#include "platform/ResBytes.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// Every error of reading a language file.
class ELangFileError : public Exception {
public:
    using Exception::Exception;
};

[[noreturn]] void RaiseInvalidFileFormat();

enum class TLengthPrefix { Word, Variable };

// The body's prefix of a file version; the header's names always have a 16-bit one.
constexpr TLengthPrefix BodyPrefix(int version) { return version >= 6 ? TLengthPrefix::Variable : TLengthPrefix::Word; }

// Largest count the 4-byte form can carry.
constexpr uint32_t MaxVarLength = 127 + 127 * 128 + 65535u * 16384;

uint32_t ReadVarLength(TByteReader& in);
void WriteVarLength(TByteWriter& out, uint32_t count);

// ANSI strings count bytes, wide strings UTF-16 units.
std::string ReadAnsiString(TByteReader& in, TLengthPrefix prefix);
std::u16string ReadWideString(TByteReader& in, TLengthPrefix prefix);
void WriteAnsiString(TByteWriter& out, std::string_view text, TLengthPrefix prefix);
void WriteWideString(TByteWriter& out, std::u16string_view text, TLengthPrefix prefix);

}  // namespace kestrune
