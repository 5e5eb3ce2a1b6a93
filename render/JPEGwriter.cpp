#include "render/JPEGwriter.h"

#include "platform/FileIO.h"
#include "platform/ProgramStrings.h"
#include "render/JPEG_IO.h"

#include <cstdlib>

namespace kestrune {

namespace {

// Owns a compressor and the memory it writes the file into.
struct TCompressor {
    jpeg_compress_struct codec{};
    TJpegErrors errors;
    unsigned char* output = nullptr;
    unsigned long outputSize = 0;

    TCompressor() { codec.err = UseJpegErrors(errors); }
    ~TCompressor() {
        jpeg_destroy_compress(&codec);
        std::free(output);
    }
    TCompressor(const TCompressor&) = delete;
    TCompressor& operator=(const TCompressor&) = delete;
};

// The largest side the JPEG library writes (the format's own sizes are 16-bit).
constexpr int MostJpegSide = JPEG_MAX_DIMENSION;

bool Writable(const TExtBitmap& bitmap) {
    return !bitmap.Empty() &&
           (bitmap.PixelFormat() == TPixelFormat::pf8bit || bitmap.PixelFormat() == TPixelFormat::pf24bit);
}

// An 8-bit row as blue, green, red through the palette.
void ExpandThroughPalette(const uint8_t* indexes, uint8_t* out, int width,
                          const std::vector<TRGBQuad>& palette) {
    for (int x = 0; x < width; ++x) {
        const TRGBQuad entry = indexes[x] < palette.size() ? palette[indexes[x]] : TRGBQuad{};
        *out++ = entry.Blue;
        *out++ = entry.Green;
        *out++ = entry.Red;
    }
}

// Everything libjpeg may jump out of runs after the setjmp below, with no
// object that needs destroying created on the way.
bool Encode(const TExtBitmap& bitmap, int quality, TCompressor& compressor) {
    jpeg_compress_struct& codec = compressor.codec;
    if (setjmp(compressor.errors.jump) != 0)
        return false;
    jpeg_create_compress(&codec);
    jpeg_mem_dest(&codec, &compressor.output, &compressor.outputSize);
    codec.image_width = static_cast<JDIMENSION>(bitmap.Width());
    codec.image_height = static_cast<JDIMENSION>(bitmap.Height());
    codec.input_components = 3;
    codec.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&codec);  // YCbCr in the file
    jpeg_set_quality(&codec, quality, TRUE);
    jpeg_start_compress(&codec, TRUE);
    jpeg_write_marker(&codec, JPEG_COM, reinterpret_cast<const JOCTET*>(JpegComment.data()),
                      static_cast<unsigned>(JpegComment.size()));
    const bool paletted = bitmap.PixelFormat() == TPixelFormat::pf8bit;
    JSAMPARRAY expanded = paletted ? (*codec.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&codec), JPOOL_IMAGE,
                                                                codec.image_width * 3, 1)
                                   : nullptr;
    while (codec.next_scanline < codec.image_height) {
        const uint8_t* source = bitmap.ScanLine(static_cast<int>(codec.next_scanline));
        JSAMPROW row = const_cast<uint8_t*>(source);
        if (paletted) {
            ExpandThroughPalette(source, expanded[0], bitmap.Width(), bitmap.Palette());
            row = expanded[0];
        }
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    return true;
}

}  // namespace

int JpegQuality(uint8_t quality) {
    switch (quality) {
    case 0: return 65;
    case 2: return 97;
    default: return 84;
    }
}

bool SaveBitmapAsJPEG(const TExtBitmap& bitmap, const std::string& fileName, uint8_t quality) {
    if (bitmap.Width() > MostJpegSide || bitmap.Height() > MostJpegSide)
        throw EWriteError(Format("A JPEG image is at most %d pixels wide and high; this one is %d x %d", MostJpegSide,
                                 bitmap.Width(), bitmap.Height()));
    TCompressor compressor;
    if (!Writable(bitmap) || !Encode(bitmap, JpegQuality(quality), compressor))
        throw EWriteError(resStr(res::SJpegWriteError));
    // A file that cannot be written tells why (a full disk, a folder not ours).
    WriteFileAtomically(fileName, std::string_view(reinterpret_cast<const char*>(compressor.output), compressor.outputSize));
    return true;
}

}  // namespace kestrune
