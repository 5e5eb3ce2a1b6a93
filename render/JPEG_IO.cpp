#include "render/JPEG_IO.h"

#include "platform/FileIO.h"

#include <jerror.h>

#include <algorithm>
#include <cstdint>

namespace kestrune {

namespace {

void ExitByJump(j_common_ptr codec) {
    auto* errors = reinterpret_cast<TJpegErrors*>(codec->err);
    std::longjmp(errors->jump, 1);
}

void NoteMessage(j_common_ptr codec, int level) {
    const int code = codec->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER))
        reinterpret_cast<TJpegErrors*>(codec->err)->dataEndedEarly = true;
}

// Owns a decompressor; destroying one that was never created is harmless,
// as its memory manager is still null.
struct TDecompressor {
    jpeg_decompress_struct codec{};
    TJpegErrors errors;

    TDecompressor() { codec.err = UseJpegErrors(errors); }
    ~TDecompressor() { jpeg_destroy_decompress(&codec); }
    TDecompressor(const TDecompressor&) = delete;
    TDecompressor& operator=(const TDecompressor&) = delete;
};

// Output size of a reduced read: each side divided and rounded up.
int ReducedSize(int size, int scale) {
    switch (scale) {
    case 1: return (size + 1) / 2;
    case 2: return (size + 3) / 4;
    case 3: return (size + 7) / 8;
    default: return size;
    }
}

// A damaged header can claim a picture far larger than its data: the
// bitmap is sized only for what the file could plausibly hold. Even a
// picture of one flat colour costs a bit per 8 x 8 block of each component
// in ordinary coding; the bound leaves room for arithmetic coding too.
bool PlausibleSize(int width, int height, std::size_t fileBytes) {
    constexpr uint64_t AlwaysAllowed = uint64_t{1} << 24;
    constexpr uint64_t PixelsPerByte = 4096;
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    return pixels <= std::max<uint64_t>(AlwaysAllowed, PixelsPerByte * fileBytes);
}

unsigned ScaleDenominator(int scale) { return scale >= 1 && scale <= 3 ? 1u << scale : 1u; }

int ChannelsOfBitmap(const TExtBitmap& bitmap) {
    switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf8bit: return 1;
    case TPixelFormat::pf24bit: return 3;
    default: return 0;
    }
}

TPixelFormat FormatOfChannels(int channels) {
    return channels == 1 ? TPixelFormat::pf8bit : channels == 3 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit;
}

// Four-component files are (Adobe's inverted) CMYK: each colour times the
// black channel over 255 gives red, green and blue.
void CmykToBitmapRow(const uint8_t* cmyk, uint8_t* out, int width, int channels) {
    for (int x = 0; x < width; ++x, cmyk += 4) {
        const int black = cmyk[3];
        const auto red = static_cast<uint8_t>(cmyk[0] * black / 255);
        const auto green = static_cast<uint8_t>(cmyk[1] * black / 255);
        const auto blue = static_cast<uint8_t>(cmyk[2] * black / 255);
        if (channels == 1) {
            *out++ = static_cast<uint8_t>((red * 77 + green * 150 + blue * 29) >> 8);
            continue;
        }
        *out++ = blue;
        *out++ = green;
        *out++ = red;
        if (channels == 4)
            *out++ = static_cast<uint8_t>(black);
    }
}

J_COLOR_SPACE OutputColourSpace(int fileChannels, int channels) {
    if (fileChannels == 4)
        return JCS_CMYK;
    return channels == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
}

// Empties the bitmap, gives it the file's format when it is to take it,
// and sizes it for the picture.
void PrepareBitmap(TExtBitmap& bitmap, bool takeFileFormat, int outputChannels, int width, int height) {
    bitmap.SetSize(0, 0);
    if (takeFileFormat) {
        bitmap.SetPixelFormat(FormatOfChannels(outputChannels));
        if (outputChannels == 1)
            bitmap.SetPalette(GreyPalette());
    }
    bitmap.SetSize(width, height);
}

// Data that ends early (even by no more than the end marker) reads as grey
// rows; such a file is taken for a broken one at the first of them.
bool ReadRows(jpeg_decompress_struct& codec, const TJpegErrors& errors, TExtBitmap& bitmap, int outputChannels) {
    const bool cmyk = codec.out_color_space == JCS_CMYK;
    JSAMPARRAY cmykRow = cmyk ? (*codec.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&codec), JPOOL_IMAGE,
                                                           codec.output_width * 4, 1)
                              : nullptr;
    while (codec.output_scanline < codec.output_height) {
        const int y = static_cast<int>(codec.output_scanline);
        JSAMPROW row = cmyk ? cmykRow[0] : bitmap.ScanLine(y);
        if (jpeg_read_scanlines(&codec, &row, 1) != 1 || errors.dataEndedEarly)
            return false;
        if (cmyk)
            CmykToBitmapRow(cmykRow[0], bitmap.ScanLine(y), bitmap.Width(), outputChannels);
    }
    jpeg_finish_decompress(&codec);
    return !errors.dataEndedEarly;
}

// Everything libjpeg may jump out of runs after the setjmp below, with no
// object that needs destroying created on the way. The header's size is
// given; with no bitmap, nothing more is read.
bool Decode(TExtBitmap* bitmap, const std::string& bytes, bool takeFileFormat, int channels, int scale, int& fileWidth,
            int& fileHeight) {
    TDecompressor decompressor;
    jpeg_decompress_struct& codec = decompressor.codec;
    if (setjmp(decompressor.errors.jump) != 0)
        return false;
    jpeg_create_decompress(&codec);
    jpeg_mem_src(&codec, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (jpeg_read_header(&codec, TRUE) != JPEG_HEADER_OK)
        return false;
    fileWidth = static_cast<int>(codec.image_width);
    fileHeight = static_cast<int>(codec.image_height);
    if (bitmap == nullptr)
        return true;
    const int fileChannels = codec.num_components;
    if (fileChannels != 1 && fileChannels != 3 && fileChannels != 4)
        return false;
    const int width = ReducedSize(fileWidth, scale);
    const int height = ReducedSize(fileHeight, scale);
    if (!PlausibleSize(width, height, bytes.size()))
        return false;
    const int outputChannels = takeFileFormat ? fileChannels : channels;
    PrepareBitmap(*bitmap, takeFileFormat, outputChannels, width, height);
    codec.scale_num = 1;
    codec.scale_denom = ScaleDenominator(scale);
    codec.out_color_space = OutputColourSpace(fileChannels, outputChannels);
    jpeg_start_decompress(&codec);
    if (static_cast<int>(codec.output_width) != width || static_cast<int>(codec.output_height) != height)
        return false;
    return ReadRows(codec, decompressor.errors, *bitmap, outputChannels);
}

// The file's bytes, read whole within the bound, and decoded.
bool ReadAndDecode(TExtBitmap* bitmap, const std::string& fileName, bool takeFileFormat, int channels, int scale,
                   int& width, int& height) {
    std::string bytes;
    try {
        return ReadKeptFile(fileName, MostJpegFileBytes, bytes).Kind == TKeptFile::TKind::Read &&
               Decode(bitmap, bytes, takeFileFormat, channels, scale, width, height);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

jpeg_error_mgr* UseJpegErrors(TJpegErrors& errors) {
    jpeg_error_mgr* manager = jpeg_std_error(&errors.manager);
    manager->error_exit = ExitByJump;
    manager->emit_message = NoteMessage;
    errors.dataEndedEarly = false;
    return manager;
}

bool LoadJPEGFile(TExtBitmap* bitmap, const std::string& fileName, bool takeFileFormat, int scale) {
    if (bitmap == nullptr || !FileExists(fileName))
        return false;
    const int channels = ChannelsOfBitmap(*bitmap);
    if (channels == 0 && !takeFileFormat)
        return false;
    int width = 0, height = 0;
    const bool read = ReadAndDecode(bitmap, fileName, takeFileFormat, channels, scale, width, height);
    if (read)
        bitmap->SetModified(true);
    return read;
}

bool ReadJPEGSize(const std::string& fileName, int& width, int& height) {
    return ReadAndDecode(nullptr, fileName, false, 0, 0, width, height);
}

}  // namespace kestrune
