// The geometry of the analogue APT weather-fax image made from a
// full-resolution view: three scan lines become one, and each 2048-pixel line
// is squeezed to 909 pixels, finest at nadir and coarsest at the edges.
#pragma once

namespace kestrune {

class TExtBitmap;

constexpr int AptSourceWidth = 2048;
constexpr int AptWidth = 909;

// Only 8-bit and 24-bit views exactly 2048 pixels wide can be converted.
bool AptApplies(const TExtBitmap& source);

// Does nothing unless the source is 2048 pixels wide. The target takes the
// source's pixel format, a height of source height div 3 and a width of 909;
// an 8-bit target gets the grey palette. Pixels are written for 8-bit and
// 24-bit sources only.
void ConvertToAPT(const TExtBitmap& source, TExtBitmap& target);

// A 256-entry grey palette for an 8-bit bitmap; other bitmaps are left alone.
void SetGreyPalette(TExtBitmap& bitmap);

}  // namespace kestrune
