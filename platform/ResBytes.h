// Little-endian byte buffers for the resource, library and language file
// formats: a reader whose every read is checked against the end of the
// buffer (an overrun raises the caller's own error), and an appending writer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// Bytes are held in std::string: they compare, slice and go to files as they are.
using TBytes = std::string;

class TByteReader {
public:
    // fail raises the format's own error; it is called for every read past the end.
    using TFail = void (*)();

    TByteReader(std::string_view bytes, TFail fail) : bytes_(bytes), fail_(fail) {}

    size_t Pos() const { return pos_; }
    size_t Size() const { return bytes_.size(); }
    size_t Left() const { return bytes_.size() - pos_; }
    bool AtEnd() const { return pos_ >= bytes_.size(); }
    std::string_view Whole() const { return bytes_; }

    void Seek(size_t pos);
    void Skip(size_t count) { Take(count); }
    // Raises unless count more bytes are there.
    void Need(size_t count) const;

    uint8_t U8();
    uint16_t U16();
    uint32_t U32();
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint64_t U64();
    double F64();
    std::string_view Bytes(size_t count) { return Take(count); }
    // count UTF-16 units.
    std::u16string Wide(size_t count);

private:
    std::string_view Take(size_t count);

    std::string_view bytes_;
    size_t pos_ = 0;
    TFail fail_;
};

class TByteWriter {
public:
    explicit TByteWriter(TBytes& out) : out_(out) {}

    size_t Pos() const { return out_.size(); }
    void U8(uint8_t value) { out_.push_back(static_cast<char>(value)); }
    void U16(uint16_t value);
    void U32(uint32_t value);
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void U64(uint64_t value);
    void F64(double value);
    void Bytes(std::string_view bytes) { out_.append(bytes); }
    void Wide(std::u16string_view text);
    void Zeros(size_t count) { out_.append(count, '\0'); }
    // Zero bytes up to the next multiple of alignment (none when already there).
    void PadTo(size_t alignment);
    // Overwrites 4 bytes written earlier.
    void PatchU32(size_t pos, uint32_t value);

private:
    TBytes& out_;
};

// value rounded up to a multiple of alignment; a multiple stays as it is.
constexpr uint32_t RoundUp(uint32_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

}  // namespace kestrune
