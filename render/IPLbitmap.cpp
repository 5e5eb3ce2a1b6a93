#include "render/IPLbitmap.h"

#include "render/BMPExtImage.h"

#include <cstdlib>
#include <new>

namespace kestrune {

TIplImg::TIplImg() { Allocate(); }

void TIplImg::Allocate() {
    try {
        image_ = IplImage::Allocate(width_, height_, 1, IplDepth::U16);
    } catch (const std::bad_alloc&) {
        image_ = IplImage();
        throw EOutOfMemory("Cannot get memory for IPL image");
    }
}

void TIplImg::SetWidth(int width) { Resize(width, height_); }

void TIplImg::SetHeight(int height) { Resize(width_, height); }

void TIplImg::Resize(int width, int height) {
    if (width == width_ && height == height_)
        return;
    if (width < 1 || height < 1)
        throw EInvalidGraphicOperation(Format("Cannot size an IPL image to %d x %d pixels", width, height));
    image_ = IplImage();
    width_ = width;
    height_ = height;
    Allocate();
}

uint16_t* TIplImg::ScanLine(int y) {
    if (y < 0 || y >= height_ || image_.Empty())
        throw EInvalidGraphicOperation("Scan line index out of range");
    return image_.RowAs<uint16_t>(y);
}

const uint16_t* TIplImg::ScanLine(int y) const { return const_cast<TIplImg*>(this)->ScanLine(y); }

IplImage IplImageOfChannel(const TChannelView& view) {
    if (!view.Valid())
        return {};
    constexpr std::ptrdiff_t WordBytes = sizeof(uint16_t);
    return IplImage::TiledView(view.Base, view.Width, view.Height, 1, IplDepth::U16, view.LineStride * WordBytes,
                               TileLines, view.TileStride * WordBytes);
}

const std::string& TempFolderPath() {
    static const std::string folder = [] {
        const char* variable = std::getenv("TMPDIR");
        return IncludeTrailingPathDelimiter(variable != nullptr && *variable != '\0' ? variable : "/tmp");
    }();
    return folder;
}

}  // namespace kestrune
