// Our image-processing library: images of 8-bit or 16-bit unsigned samples
// with one or more interleaved channels, resampling (zoom, decimate), a
// median filter and integer 2-D convolution. No Qt, no global state.
//
// An image either owns its pixels or views memory that belongs to someone
// else. A view may be tiled: its rows come in tiles of a fixed number of rows,
// each tile at its own address. That is how a channel of the video store
// (blocks of 8 lines, one slot per channel) is seen as a plain image without
// copying it.
#pragma once

#include "platform/SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

class EIplError : public Exception {
public:
    using Exception::Exception;
};

enum class IplDepth : int { U8 = 8, U16 = 16 };

// Interpolation codes of the zoom and decimate calls.
enum class IplInterpolation : int { Nearest = 0, Linear = 1, Cubic = 2, SuperSample = 3 };

class IplImage {
public:
    // An empty image: no pixels, width and height 0.
    IplImage() = default;
    IplImage(IplImage&&) noexcept = default;
    IplImage& operator=(IplImage&&) noexcept = default;
    IplImage(const IplImage&) = delete;
    IplImage& operator=(const IplImage&) = delete;

    // Owned, unfilled pixels; each row starts on an 8-byte boundary.
    // Throws std::bad_alloc when the memory cannot be had, EIplError for a
    // negative size or a channel count outside 1..4.
    static IplImage Allocate(int width, int height, int channels, IplDepth depth);
    // Caller's memory, rows rowStep bytes apart.
    static IplImage View(void* data, int width, int height, int channels, IplDepth depth,
                         std::ptrdiff_t rowStep);
    // Caller's memory in tiles of tileRows rows: row y lies at
    // data + (y / tileRows) * tileStep + (y % tileRows) * rowStep.
    static IplImage TiledView(void* data, int width, int height, int channels, IplDepth depth,
                              std::ptrdiff_t rowStep, int tileRows, std::ptrdiff_t tileStep);

    bool Empty() const { return data_ == nullptr || width_ <= 0 || height_ <= 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Channels() const { return channels_; }
    IplDepth Depth() const { return depth_; }
    int BytesPerSample() const { return depth_ == IplDepth::U16 ? 2 : 1; }
    // Bytes of pixel data in one row (width x channels x sample size).
    std::size_t RowBytes() const;
    // Bytes from one row to the next inside a tile (the whole image when
    // it is not tiled).
    std::ptrdiff_t RowStep() const { return rowStep_; }
    bool Tiled() const { return tileRows_ > 0; }
    bool OwnsPixels() const { return static_cast<bool>(owned_); }
    // "GRAY" for one channel, "RGB" otherwise; sequence "GRAY" or "BGR".
    std::string ColorModel() const;
    std::string ChannelSequence() const;

    uint8_t* Row(int y) {
        return tileRows_ > 0 ? data_ + (y / tileRows_) * tileStep_ + (y % tileRows_) * rowStep_
                             : data_ + y * rowStep_;
    }
    const uint8_t* Row(int y) const { return const_cast<IplImage*>(this)->Row(y); }
    template <typename T> T* RowAs(int y) { return reinterpret_cast<T*>(Row(y)); }
    template <typename T> const T* RowAs(int y) const { return reinterpret_cast<const T*>(Row(y)); }

    // Same size, channels and depth?
    bool SameLayout(const IplImage& other) const;

private:
    uint8_t* data_ = nullptr;
    std::unique_ptr<uint8_t[]> owned_;
    int width_ = 0;
    int height_ = 0;
    int channels_ = 1;
    IplDepth depth_ = IplDepth::U8;
    std::ptrdiff_t rowStep_ = 0;
    int tileRows_ = 0;
    std::ptrdiff_t tileStep_ = 0;
};

// A new owned image holding the same pixels.
IplImage iplCloneImage(const IplImage& source);
// Pixels of source into destination of the same layout.
void iplCopy(const IplImage& source, IplImage& destination);

// Resampling of the source into the destination by the factors destination
// width / source width and destination height / source height. Zoom only
// enlarges (or keeps) each dimension, decimate only reduces (or keeps).
// Both images need the same channels and depth.
void iplZoom(const IplImage& source, IplImage& destination, IplInterpolation method);
void iplDecimate(const IplImage& source, IplImage& destination, IplInterpolation method);

// Median of a size x size neighbourhood centred on each pixel (size odd,
// at most 181), per channel. Rows and columns beyond the edges repeat the
// edge pixels. Works with a sliding histogram, so the cost per pixel grows
// with the window's side, not its area.
void iplMedianFilter(const IplImage& source, IplImage& destination, int size);

// Integer kernel of columns x rows, values row by row, with its anchor
// (the kernel element placed over the output pixel) and a right shift
// applied to every sum.
struct TIplConvKernel {
    int Columns = 0;
    int Rows = 0;
    int AnchorX = 0;
    int AnchorY = 0;
    int Shift = 0;
    std::vector<int> Values;
};
// Throws EIplError when the values do not fill the kernel, the anchor lies
// outside it, the shift is outside 0..30 or the weights' magnitudes sum
// above 32767.
TIplConvKernel iplCreateConvKernel(int columns, int rows, int anchorX, int anchorY,
                                   std::vector<int> values, int shift);
// Throws EIplError for a kernel that iplCreateConvKernel would refuse.
void iplCheckConvKernel(const TIplConvKernel& kernel);
// The sharpening kernels of the false-colour view: 3 x 3 ("Crispen") and
// 5 x 3 ("More"), both summing to 32 and shifted right by 5.
TIplConvKernel CrispenKernel();
TIplConvKernel CrispenMoreKernel();

// destination(x, y) = (sum over the kernels of sum k[j][i] * source(x - ax + i,
// y - ay + j)) >> shift, saturated to the destination's sample range. The
// kernel is laid over the neighbourhood as it stands (no mirroring); edge
// pixels repeat beyond the image. Source and destination may differ in
// depth but not in size or channels; each channel is filtered alone.
void iplConvolve2D(const IplImage& source, IplImage& destination,
                   const std::vector<TIplConvKernel>& kernels);
void iplConvolve2D(const IplImage& source, IplImage& destination, const TIplConvKernel& kernel);

}  // namespace kestrune
