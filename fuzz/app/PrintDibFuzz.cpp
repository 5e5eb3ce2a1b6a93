// The printer's dib over any bytes: a dib that is taken holds what its
// header says it holds, and its image (when it gives one) is its size.
#include "app/PrintDib.h"
#include "fuzz/FuzzTarget.h"
#include "render/BMPExtImage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kestrune;
    TDib dib;
    if (!LoadDIBFromStream({data, size}, dib)) {
        if (!dib.Header.empty() || !dib.Pixels.empty()) std::abort();
        return 0;
    }
    if (dib.Width < 1 || dib.Height == 0 || dib.Pixels.size() < 32 || dib.Pixels.size() > size) std::abort();
    const QImage image = DibToImage(dib);
    if (!image.isNull() && (image.width() != dib.Width || image.height() != std::abs(int64_t{dib.Height})))
        std::abort();
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    using namespace kestrune;
    std::vector<std::string> seeds;
    for (const TPixelFormat format : {TPixelFormat::pf24bit, TPixelFormat::pf8bit, TPixelFormat::pf32bit}) {
        TExtBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(13, 7);
        seeds.push_back(bitmap.SaveToBytes());
    }
    return seeds;
}
