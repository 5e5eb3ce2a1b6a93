// The program's bitmap: 8-bit paletted or grey, 24-bit blue-green-red or
// 32-bit blue-green-red-unused pixels in rows from the top, each row padded
// to a multiple of 4 bytes (the layout of a BMP file's rows, and one that a
// QImage can wrap without a copy). It reads and writes BMP files, repairing
// two malformed layouts that other programs write, converts to and from our
// image-library images, and resizes through them (Interpolate).
#pragma once

#include "decoding/qelHistogram.h"
#include "platform/Ipl.h"
#include "platform/SysUtils.h"
#include "platform/UnclearedAllocator.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

class TCanvas;

// A file or stream that holds no readable bitmap.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// An operation the bitmap cannot do in its present state.
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

enum class TPixelFormat { pf8bit, pf24bit, pf32bit };

int BytesPerPixel(TPixelFormat format);

// One colour-table entry in the order of a BMP file (an RGBQUAD).
struct TRGBQuad {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    uint8_t Reserved = 0;
    friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};

// 256 greys, entry i = (i, i, i).
std::vector<TRGBQuad> GreyPalette();

class TExtBitmap {
public:
    // Empty (0 x 0), 24-bit, with a 256-bin histogram.
    TExtBitmap();
    ~TExtBitmap();
    // Bitmaps are held by pointer, as their canvas refers back to them;
    // Assign copies one into another.
    TExtBitmap(const TExtBitmap&) = delete;
    TExtBitmap& operator=(const TExtBitmap&) = delete;
    void Assign(const TExtBitmap& source);
    // Exchanges pixels, size and format with other, without a copy.
    void SwapPixels(TExtBitmap& other);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    TPixelFormat PixelFormat() const { return format_; }
    // Bytes of pixel data in a row (width x bytes per pixel).
    std::size_t RowBytes() const;
    // Bytes from one row to the next: RowBytes rounded up to a multiple of 4.
    std::size_t RowStride() const { return stride_; }

    // Pixels inside both the old and the new size are kept; new pixels are
    // white. A negative size raises EInvalidGraphicOperation.
    void SetWidth(int width);
    void SetHeight(int height);
    void SetSize(int width, int height);
    // As SetSize, but a new size leaves every pixel as the memory held it,
    // for a caller that writes every row before anything reads it: a picture
    // of a pass is some 30 MB not to be written twice. True when the size
    // changed (nothing is kept), false when the pixels stay as they were.
    bool SetSizeForOverwrite(int width, int height);
    // Converts the pixels held. Becoming 8-bit gives a grey palette (colour
    // pixels become their luminance); leaving 8-bit looks colours up in the
    // palette.
    void SetPixelFormat(TPixelFormat format);

    // Row y from the top; EInvalidGraphicOperation "Scan line index out of
    // range" outside 0..Height - 1.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;

    // The colour table of an 8-bit bitmap (1..256 entries; other formats
    // have none). Setting an empty table gives the grey one.
    const std::vector<TRGBQuad>& Palette() const { return palette_; }
    void SetPalette(std::vector<TRGBQuad> palette);

    // Filled by callers; nothing here fills it.
    TqelHistogram& Histogram() { return histogram_; }

    // Drawing with lines, shapes and text; the canvas keeps its pen, brush
    // and font between uses, as long as the bitmap lives.
    TCanvas& Canvas();

    // Set by whoever changes the pixels; setting it fires OnChange, which
    // is also fired after a change of size, format or a load.
    bool Modified() const { return modified_; }
    void SetModified(bool modified);
    std::function<void()> OnChange;

    // BMP. A 24-bit bitmap is written without a palette; the file is
    // written to a temporary name and renamed into place (EWriteError on
    // failure). An empty bitmap raises EInvalidGraphicOperation.
    void SaveToFile(const std::string& fileName) const;
    std::string SaveToBytes() const;
    // Raises EInvalidGraphic for a file that is not a readable BMP, and
    // Exception when the file cannot be opened; the bitmap is unchanged then.
    void LoadFromFile(const std::string& fileName);
    // Reads from the stream's position to its end. A stream at position 0
    // gets the repairs of malformed files; see BMPExtImage.cpp.
    void LoadFromStream(std::istream& stream);

private:
    // The file and info headers and the palette of the BMP file.
    std::string FileHeaderBytes() const;
    // The file's rows for picture lines last down to first (the file runs bottom up), padded.
    void AppendFileRows(int last, int first, std::string& out) const;
    void Reallocate(int width, int height, TPixelFormat format, bool keepPixels);
    void SetDimensions(int width, int height, TPixelFormat format);
    void ReleaseCanvas();
    void Changed();
    void TakePixelsOf(TExtBitmap& other);
    void LoadBytes(const std::vector<uint8_t>& bytes, bool repairs);
    void ReadPlainBmp(const std::vector<uint8_t>& bytes);

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = TPixelFormat::pf24bit;
    std::size_t stride_ = 0;
    // Filled by Reallocate row by row on all processors.
    std::vector<uint8_t, TUnclearedAllocator<uint8_t>> pixels_;
    std::vector<TRGBQuad> palette_;
    TqelHistogram histogram_{256};
    std::unique_ptr<TCanvas> canvas_;
    bool modified_ = false;
};

// Image-library images of a bitmap's pixel format: 1 channel for 8-bit,
// 3 (blue, green, red) for 24-bit, 8-bit samples. An empty image for a zero
// size; EInvalidGraphicOperation "Error: MakeBlankIPL called without 8 or
// 24-bit pixels." for other formats.
IplImage MakeBlankIPL(const TExtBitmap& bitmap, int width, int height);
// A copy of the bitmap's pixels (empty for an empty bitmap).
IplImage BitmapToIpl(const TExtBitmap& bitmap);
// Makes the bitmap the image's size and format (8-bit for one channel,
// 24-bit for three) and copies the pixels; 16-bit samples become bytes by a
// right shift of 7, saturated at 255. Nothing for an empty image.
void CopyIplToBitmap(TExtBitmap& bitmap, const IplImage& image);

// Resizes an 8-bit or 24-bit bitmap in place: enlarging by zoom (method -1
// means cubic), reducing by decimation (-1 means super-sampling); method
// 0..3 picks nearest, linear, cubic or super-sampling. Nothing happens when
// the size is unchanged or the bitmap is smaller than 3 x 3.
void Interpolate(TExtBitmap& bitmap, int newWidth, int newHeight, int method = -1);

}  // namespace kestrune
