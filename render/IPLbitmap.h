// A 16-bit grey image held in memory for one rendering pass (the target of
// the sharpening convolution), the image-library view of a channel of the
// video store, and the system's temporary folder.
#pragma once

#include "decoding/HRPTvideo.h"
#include "platform/Ipl.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <string>

namespace kestrune {

class EOutOfMemory : public Exception {
public:
    using Exception::Exception;
};

class TIplImg {
public:
    // 1 x 1, allocated; raises EOutOfMemory "Cannot get memory for IPL
    // image" when the memory cannot be had (also on every size change).
    TIplImg();

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A new size drops the pixels held; the same size keeps them. Sizes
    // below 1 raise EInvalidGraphicOperation: an image always has pixels.
    void SetWidth(int width);
    void SetHeight(int height);

    // Row y, 0 <= y < Height; EInvalidGraphicOperation outside.
    uint16_t* ScanLine(int y);
    const uint16_t* ScanLine(int y) const;

    IplImage& Image() { return image_; }
    const IplImage& Image() const { return image_; }

private:
    void Resize(int width, int height);
    void Allocate();

    IplImage image_;
    int height_ = 1;
    int width_ = 1;
};

// The channel's samples as a 16-bit grey image, without a copy; an empty
// image for a channel without samples.
IplImage IplImageOfChannel(const TChannelView& view);

// The system's temporary folder with a trailing "/" (TMPDIR, else /tmp),
// read once.
const std::string& TempFolderPath();

}  // namespace kestrune
