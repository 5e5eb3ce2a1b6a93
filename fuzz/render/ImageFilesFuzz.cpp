// BMP and JPEG readers, and the colour tables kept as images, over any bytes:
// the first byte picks the reader and, for JPEG, the reduced size.
#include "fuzz/FuzzFiles.h"
#include "fuzz/FuzzTarget.h"
#include "render/BMPExtImage.h"
#include "render/ClutImages.h"
#include "render/JPEG_IO.h"
#include "render/JPEGwriter.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace {

using namespace kestrune;

enum TReader : uint8_t { Bmp, Jpeg, Clut, AshPalette, ReaderCount };

const fuzz::TFuzzFolder& Folder() {
    static const fuzz::TFuzzFolder folder("images");
    return folder;
}

void ReadBmp(const uint8_t* data, size_t size) {
    TExtBitmap bitmap;
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        bitmap.LoadFromStream(stream);
    } catch (const std::exception&) {
        // A refusal is the reader's answer to a broken file.
    }
}

std::string Seed(TReader reader, const std::string& bytes) { return std::string(1, static_cast<char>(reader)) + bytes; }

std::string SmallPicture(TPixelFormat format, int width, int height) {
    TExtBitmap bitmap;
    bitmap.SetPixelFormat(format);
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (size_t x = 0; x < bitmap.RowBytes(); ++x) row[x] = static_cast<uint8_t>(x * 7 + y * 13);
    }
    return bitmap.SaveToBytes();
}

std::string SmallJpeg() {
    TExtBitmap bitmap;
    bitmap.SetSize(24, 16);
    const std::string file = (Folder().Path() / "seed.jpg").string();
    SaveBitmapAsJPEG(bitmap, file, 80);
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const TReader reader = static_cast<TReader>(data[0] % ReaderCount);
    const uint8_t option = static_cast<uint8_t>(data[0] / ReaderCount);
    if (reader == Bmp) {
        ReadBmp(data + 1, size - 1);
        return 0;
    }
    const std::string file = Folder().WriteInput("data/input", data + 1, size - 1);
    TExtBitmap bitmap;
    switch (reader) {
        case Jpeg: LoadJPEGFile(&bitmap, file, option % 2 == 0, option / 2 % 5); break;
        case Clut: LoadClut(file); break;
        default: LoadAshPalette(file); break;
    }
    return 0;
}

std::vector<std::string> FuzzSeeds() {
    return {Seed(Bmp, SmallPicture(TPixelFormat::pf24bit, 5, 3)), Seed(Bmp, SmallPicture(TPixelFormat::pf8bit, 7, 2)),
            Seed(Jpeg, SmallJpeg()), Seed(AshPalette, SmallPicture(TPixelFormat::pf24bit, 101, 1)),
            Seed(Clut, SmallPicture(TPixelFormat::pf24bit, 361, 4))};
}
