#include "app/PrintDib.h"

#include "render/BMPExtImage.h"

#include <cstdlib>
#include <cstring>

namespace kestrune {

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr size_t InfoHeaderSize = 40;
constexpr uint64_t LeastPixelBytes = 32;
constexpr uint16_t BitmapType = 0x4D42;  // "BM"

uint16_t Word(std::span<const uint8_t> bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t DWord(std::span<const uint8_t> bytes, size_t at) {
    return uint32_t{bytes[at]} | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16 |
           uint32_t{bytes[at + 3]} << 24;
}

int32_t Long(std::span<const uint8_t> bytes, size_t at) { return static_cast<int32_t>(DWord(bytes, at)); }

// Bytes of one stored row: whole 32-bit words.
uint64_t RowBytes(int64_t width, int bits) { return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32 * 4; }

uint64_t Magnitude(int32_t value) { return static_cast<uint64_t>(std::llabs(int64_t{value})); }

}  // namespace

bool LoadDIBFromStream(std::span<const uint8_t> bytes, TDib& dib) {
    dib = {};
    if (bytes.size() < FileHeaderSize || Word(bytes, 0) != BitmapType) return false;
    const uint64_t offset = DWord(bytes, 10);
    if (offset < FileHeaderSize + 1 || offset >= bytes.size()) return false;
    const std::span<const uint8_t> header = bytes.subspan(FileHeaderSize, offset - FileHeaderSize);
    if (header.size() < InfoHeaderSize || DWord(header, 0) != InfoHeaderSize) return false;
    const int32_t width = Long(header, 4);
    const int32_t height = Long(header, 8);
    const int bits = Word(header, 14);
    uint64_t pixelBytes = DWord(header, 20);
    if (pixelBytes == 0) pixelBytes = Magnitude(height) * RowBytes(width, bits);
    const uint64_t available = bytes.size() - offset;
    if (width < 1 || height == 0 || pixelBytes < LeastPixelBytes || pixelBytes > available) return false;
    dib.Header.assign(header.begin(), header.end());
    dib.Pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                      bytes.begin() + static_cast<std::ptrdiff_t>(offset + pixelBytes));
    dib.Width = width;
    dib.Height = height;
    return true;
}

bool GraphicToDIB(const TExtBitmap& bitmap, TDib& dib) {
    dib = {};
    try {
        const std::string bmp = bitmap.SaveToBytes();
        return LoadDIBFromStream({reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size()}, dib);
    } catch (const std::exception&) {
        return false;
    }
}

QImage DibToImage(const TDib& dib) {
    if (dib.Header.size() < InfoHeaderSize || dib.Width < 1 || dib.Height == 0) return {};
    const std::span<const uint8_t> header(dib.Header);
    const int bits = Word(header, 14);
    const QImage::Format format = bits == 8    ? QImage::Format_Indexed8
                                  : bits == 24 ? QImage::Format_BGR888
                                  : bits == 32 ? QImage::Format_RGB32
                                               : QImage::Format_Invalid;
    const uint64_t rows = Magnitude(dib.Height);
    const uint64_t rowBytes = RowBytes(dib.Width, bits);
    if (format == QImage::Format_Invalid || DWord(header, 16) != 0 || dib.Pixels.size() < rows * rowBytes) return {};
    QImage image(dib.Width, static_cast<int>(rows), format);
    if (image.isNull()) return {};
    if (bits == 8) {
        const uint32_t used = DWord(header, 32);
        const size_t entries = used == 0 || used > 256 ? 256 : used;
        if (header.size() < InfoHeaderSize + 4 * entries) return {};
        QList<QRgb> colours;
        for (size_t entry = 0; entry < entries; ++entry) {
            const size_t at = InfoHeaderSize + 4 * entry;
            colours.append(qRgb(header[at + 2], header[at + 1], header[at]));
        }
        image.setColorTable(colours);
    }
    const size_t lineBytes = static_cast<size_t>(dib.Width) * static_cast<size_t>(bits / 8);
    for (uint64_t row = 0; row < rows; ++row) {
        // A positive height stores the bottom row first.
        const uint64_t stored = dib.Height > 0 ? rows - 1 - row : row;
        std::memcpy(image.scanLine(static_cast<int>(row)), dib.Pixels.data() + stored * rowBytes, lineBytes);
    }
    return image;
}

}  // namespace kestrune
