// Reading JPEG files into bitmaps through libjpeg-turbo, whole or reduced to
// a half, a quarter or an eighth; and the error handling that the reader and
// the writer (JPEGwriter) share.
#pragma once

#include "render/BMPExtImage.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <string>

#include <jpeglib.h>

namespace kestrune {

// Reads a JPEG file into the bitmap. With takeFileFormat the bitmap becomes
// 8-bit (grey, one channel), 24-bit (three) or 32-bit (four: CMYK, turned
// into blue, green, red and the black channel); otherwise an 8-bit or 24-bit
// bitmap keeps its format and the pixels are converted to it. scale 1, 2
// and 3 read a half, a quarter and an eighth of each side (rounded up); any
// other value the whole picture. False for a nil bitmap, a missing file, a
// bitmap of another format without takeFileFormat (all three leave the
// bitmap alone), and a file that is not a readable JPEG or whose data ends
// early, even by no more than its end marker (the bitmap may then be empty
// or sized with undefined pixels).
bool LoadJPEGFile(TExtBitmap* bitmap, const std::string& fileName, bool takeFileFormat, int scale);
// The picture's width and height as its header gives them; false for a file
// that is not a JPEG whose header can be read.
bool ReadJPEGSize(const std::string& fileName, int& width, int& height);
// Nor is a file larger than this read: JPEG files are read whole, and the
// largest the program reads (its world picture, a product) are a few MB.
inline constexpr int64_t MostJpegFileBytes = int64_t{256} << 20;

// libjpeg reports a fatal error through error_exit, which must not return:
// ours jumps back to the setjmp of the code running the codec. Warnings
// are not printed; a file whose data ends early is noted.
struct TJpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    bool dataEndedEarly = false;
};

// Prepares errors and returns the manager to put into a codec's err field.
jpeg_error_mgr* UseJpegErrors(TJpegErrors& errors);

}  // namespace kestrune
