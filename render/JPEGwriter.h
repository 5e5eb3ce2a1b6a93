// Writing bitmaps as JPEG files through libjpeg-turbo, at one of three
// qualities, with the program's comment in every file.
#pragma once

#include "render/BMPExtImage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// The comment every written JPEG carries.
inline constexpr std::string_view JpegComment =
    "Created by Morvane's Talvessa program, https://www.morvane.example/ ";

// The JPEG quality of a save-quality setting: 0 gives 65, 2 gives 97, any
// other value (1 is the default setting) 84.
int JpegQuality(uint8_t quality);

// Writes an 8-bit (through its palette) or 24-bit bitmap as a three-channel
// YCbCr JPEG file, to a temporary name renamed into place. Returns True;
// every failure, a bitmap of another format or an empty one included,
// raises EWriteError "Error writing JPEG to file".
bool SaveBitmapAsJPEG(const TExtBitmap& bitmap, const std::string& fileName, uint8_t quality);

}  // namespace kestrune
