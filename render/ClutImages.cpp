#include "render/ClutImages.h"

#include "render/BMPExtImage.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace kestrune {

namespace {

bool ReadBitmap(TExtBitmap& bitmap, const std::string& fileName) {
    try {
        bitmap.LoadFromFile(fileName);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The file less its last two bytes.
bool ReadBitmapShortened(TExtBitmap& bitmap, const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file.is_open()) return false;
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (bytes.size() < 2) return false;
    bytes.resize(bytes.size() - 2);
    std::istringstream stream(bytes);
    try {
        bitmap.LoadFromStream(stream);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

TBgrEntry PixelAt(const TExtBitmap& bitmap, int x, int y) {
    const uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
    return {pixel[0], pixel[1], pixel[2]};
}

}  // namespace

std::optional<TClutImage> LoadClut(const std::string& fileName) {
    if (fileName.empty() || !FileExists(fileName)) return std::nullopt;
    TExtBitmap bitmap;
    if (!ReadBitmap(bitmap, fileName) && !ReadBitmapShortened(bitmap, fileName)) return std::nullopt;
    if (bitmap.PixelFormat() != TPixelFormat::pf24bit || bitmap.Width() != TClutImage::Width ||
        bitmap.Height() != TClutImage::Height)
        return std::nullopt;
    TClutImage clut;
    for (int row = 0; row < TClutImage::Height; ++row)
        for (int column = 0; column < TClutImage::Width; ++column) clut.Pixel(column, row) = PixelAt(bitmap, column, row);
    return clut;
}

TAshPalette LoadAshPalette(const std::string& fileName) {
    TAshPalette palette{};
    TExtBitmap bitmap;
    if (!FileExists(fileName) || !ReadBitmap(bitmap, fileName)) return palette;
    if (bitmap.Width() != static_cast<int>(palette.size()) || bitmap.Height() < 1) return palette;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    for (int k = 0; k < static_cast<int>(palette.size()); ++k) palette[k] = PixelAt(bitmap, k, 0);
    return palette;
}

}  // namespace kestrune
