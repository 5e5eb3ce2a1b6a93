#include "platform/Ipl.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace kestrune {

namespace {

constexpr std::ptrdiff_t RowAlignment = 8;

void CheckShape(int width, int height, int channels) {
    if (width < 0 || height < 0)
        throw EIplError(Format("Image size %d x %d is negative", width, height));
    if (channels < 1 || channels > 4)
        throw EIplError(Format("Images have 1 to 4 channels, not %d", channels));
}

}  // namespace

IplImage IplImage::Allocate(int width, int height, int channels, IplDepth depth) {
    CheckShape(width, height, channels);
    IplImage image;
    image.width_ = width;
    image.height_ = height;
    image.channels_ = channels;
    image.depth_ = depth;
    const auto rowBytes = static_cast<std::ptrdiff_t>(image.RowBytes());
    image.rowStep_ = (rowBytes + RowAlignment - 1) / RowAlignment * RowAlignment;
    const auto total = static_cast<std::size_t>(image.rowStep_) * static_cast<std::size_t>(height);
    if (total > 0) {
        // Unfilled, as the callers overwrite every row.
        image.owned_.reset(new uint8_t[total]);
        image.data_ = image.owned_.get();
    }
    return image;
}

IplImage IplImage::View(void* data, int width, int height, int channels, IplDepth depth,
                        std::ptrdiff_t rowStep) {
    return TiledView(data, width, height, channels, depth, rowStep, 0, 0);
}

IplImage IplImage::TiledView(void* data, int width, int height, int channels, IplDepth depth,
                             std::ptrdiff_t rowStep, int tileRows, std::ptrdiff_t tileStep) {
    CheckShape(width, height, channels);
    IplImage image;
    image.data_ = static_cast<uint8_t*>(data);
    image.width_ = width;
    image.height_ = height;
    image.channels_ = channels;
    image.depth_ = depth;
    image.rowStep_ = rowStep;
    image.tileRows_ = tileRows > 0 ? tileRows : 0;
    image.tileStep_ = tileStep;
    if (std::abs(rowStep) < static_cast<std::ptrdiff_t>(image.RowBytes()))
        throw EIplError("Image row step is shorter than a row");
    return image;
}

std::size_t IplImage::RowBytes() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(channels_) *
           static_cast<std::size_t>(BytesPerSample());
}

std::string IplImage::ColorModel() const { return channels_ == 1 ? "GRAY" : "RGB"; }

std::string IplImage::ChannelSequence() const { return channels_ == 1 ? "GRAY" : "BGR"; }

bool IplImage::SameLayout(const IplImage& other) const {
    return width_ == other.width_ && height_ == other.height_ && channels_ == other.channels_ &&
           depth_ == other.depth_;
}

IplImage iplCloneImage(const IplImage& source) {
    IplImage copy = IplImage::Allocate(source.Width(), source.Height(), source.Channels(),
                                       source.Depth());
    iplCopy(source, copy);
    return copy;
}

void iplCopy(const IplImage& source, IplImage& destination) {
    if (!source.SameLayout(destination))
        throw EIplError("Copy between images of different size or format");
    if (source.Empty())
        return;
    const std::size_t rowBytes = source.RowBytes();
    for (int y = 0; y < source.Height(); ++y)
        std::memcpy(destination.Row(y), source.Row(y), rowBytes);
}

TIplConvKernel iplCreateConvKernel(int columns, int rows, int anchorX, int anchorY,
                                   std::vector<int> values, int shift) {
    TIplConvKernel kernel{columns, rows, anchorX, anchorY, shift, std::move(values)};
    iplCheckConvKernel(kernel);
    return kernel;
}

void iplCheckConvKernel(const TIplConvKernel& kernel) {
    if (kernel.Columns < 1 || kernel.Rows < 1 ||
        kernel.Values.size() != static_cast<std::size_t>(kernel.Columns) * kernel.Rows)
        throw EIplError("Convolution kernel values do not fill the kernel");
    if (kernel.AnchorX < 0 || kernel.AnchorX >= kernel.Columns || kernel.AnchorY < 0 ||
        kernel.AnchorY >= kernel.Rows)
        throw EIplError("Convolution kernel anchor lies outside the kernel");
    if (kernel.Shift < 0 || kernel.Shift > 30)
        throw EIplError("Convolution kernel shift must be 0..30");
    // Sums of 16-bit samples must fit in an int.
    long long weight = 0;
    for (const int value : kernel.Values)
        weight += std::llabs(value);
    if (weight > 32767)
        throw EIplError("Convolution kernel weights are too large");
}

TIplConvKernel CrispenKernel() {
    return iplCreateConvKernel(3, 3, 1, 1, {-1, -3, -1, -3, 48, -3, -1, -3, -1}, 5);
}

TIplConvKernel CrispenMoreKernel() {
    return iplCreateConvKernel(5, 3, 2, 1,
                               {0, -1, -5, -1, 0, -2, -4, 58, -4, -2, 0, -1, -5, -1, 0}, 5);
}

}  // namespace kestrune
