// The picture handed to the printer: a bitmap written in its BMP form and
// read back as a packed device-independent bitmap (the 40-byte information
// header with its colour table, then the pixel rows, bottom row first, each
// padded to 4 bytes), checked on the way, and turned into the image that is
// drawn on the page.
#pragma once

#include <QImage>

#include <cstdint>
#include <span>
#include <vector>

namespace kestrune {

class TExtBitmap;

struct TDib {
    std::vector<uint8_t> Header;  // information header and colour table
    std::vector<uint8_t> Pixels;
    int Width = 0;
    int Height = 0;               // rows; the header's sign says their order
};

// Reads a BMP file's bytes. False, with an empty dib, unless the file header
// reads "BM" with an offset to the pixels inside the bytes, the header is the
// 40-byte form, width and height are at least 1 and at least 32 bytes of
// pixels are there.
bool LoadDIBFromStream(std::span<const uint8_t> bytes, TDib& dib);
// The bitmap as a dib; false when it cannot be written or read back.
bool GraphicToDIB(const TExtBitmap& bitmap, TDib& dib);
// The dib as an image, top row first; a null image for a depth other than
// 8, 24 or 32 bits, a compressed dib or pixels that fall short.
QImage DibToImage(const TDib& dib);

}  // namespace kestrune
