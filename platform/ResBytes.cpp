#include "platform/ResBytes.h"

#include <bit>
#include <stdexcept>

namespace kestrune {

void TByteReader::Need(size_t count) const {
    if (count > Left()) {
        fail_();
        throw std::logic_error("byte reader: the failure handler returned");
    }
}

void TByteReader::Seek(size_t pos) {
    if (pos > bytes_.size()) {
        fail_();
        throw std::logic_error("byte reader: the failure handler returned");
    }
    pos_ = pos;
}

std::string_view TByteReader::Take(size_t count) {
    Need(count);
    const std::string_view taken = bytes_.substr(pos_, count);
    pos_ += count;
    return taken;
}

uint8_t TByteReader::U8() { return static_cast<uint8_t>(Take(1)[0]); }

uint16_t TByteReader::U16() {
    const std::string_view b = Take(2);
    return static_cast<uint16_t>(static_cast<uint8_t>(b[0]) | static_cast<uint8_t>(b[1]) << 8);
}

uint32_t TByteReader::U32() {
    const uint32_t low = U16();
    return low | static_cast<uint32_t>(U16()) << 16;
}

uint64_t TByteReader::U64() {
    const uint64_t low = U32();
    return low | static_cast<uint64_t>(U32()) << 32;
}

double TByteReader::F64() { return std::bit_cast<double>(U64()); }

std::u16string TByteReader::Wide(size_t count) {
    Need(count * 2);
    std::u16string text(count, u'\0');
    for (char16_t& c : text) c = U16();
    return text;
}

void TByteWriter::U16(uint16_t value) {
    U8(static_cast<uint8_t>(value));
    U8(static_cast<uint8_t>(value >> 8));
}

void TByteWriter::U32(uint32_t value) {
    U16(static_cast<uint16_t>(value));
    U16(static_cast<uint16_t>(value >> 16));
}

void TByteWriter::U64(uint64_t value) {
    U32(static_cast<uint32_t>(value));
    U32(static_cast<uint32_t>(value >> 32));
}

void TByteWriter::F64(double value) { U64(std::bit_cast<uint64_t>(value)); }

void TByteWriter::Wide(std::u16string_view text) {
    for (const char16_t c : text) U16(c);
}

void TByteWriter::PadTo(size_t alignment) { Zeros((alignment - out_.size() % alignment) % alignment); }

void TByteWriter::PatchU32(size_t pos, uint32_t value) {
    for (int i = 0; i < 4; ++i) out_[pos + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace kestrune
