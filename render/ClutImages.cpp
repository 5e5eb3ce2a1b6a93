#include "render/ClutImages.h"

#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "render/BMPExtImage.h"

namespace kestrune {

namespace {

// The bitmap reader itself tries the file once more without its last two
// bytes, which some writers append. What is no picture file one can read (a
// named pipe, a device, a file far too large) is told; the colours are then
// the program's own, as when there is no file at all.
bool ReadBitmap(TExtBitmap& bitmap, const std::string& fileName, TLeftAloneTold* told) {
    try {
        bitmap.LoadFromFile(fileName);
        if (told != nullptr) told->Forget();
        return true;
    } catch (const EFileLeftAlone& leftAlone) {
        if (told == nullptr || told->TellNow(fileName))
            TDialogService::Instance().ShowMessage(leftAlone.what(), {}, TMsgDlgType::mtWarning);
        return false;
    } catch (const std::exception&) {
        return false;
    }
}

TBgrEntry PixelAt(const TExtBitmap& bitmap, int x, int y) {
    const uint8_t* pixel = bitmap.ScanLine(y) + 3 * x;
    return {pixel[0], pixel[1], pixel[2]};
}

}  // namespace

bool TLeftAloneTold::TellNow(const std::string& fileName) {
    if (fileName == told_) return false;
    told_ = fileName;
    return true;
}

std::optional<TClutImage> LoadClut(const std::string& fileName, TLeftAloneTold* told) {
    if (fileName.empty()) {
        if (told != nullptr) told->Forget();
        return std::nullopt;
    }
    TExtBitmap bitmap;
    if (!ReadBitmap(bitmap, fileName, told)) return std::nullopt;
    if (bitmap.PixelFormat() != TPixelFormat::pf24bit || bitmap.Width() != TClutImage::Width ||
        bitmap.Height() != TClutImage::Height)
        return std::nullopt;
    TClutImage clut;
    for (int row = 0; row < TClutImage::Height; ++row)
        for (int column = 0; column < TClutImage::Width; ++column) clut.Pixel(column, row) = PixelAt(bitmap, column, row);
    return clut;
}

TAshPalette LoadAshPalette(const std::string& fileName, TLeftAloneTold* told) {
    TAshPalette palette{};
    TExtBitmap bitmap;
    if (!ReadBitmap(bitmap, fileName, told)) return palette;
    if (bitmap.Width() != static_cast<int>(palette.size()) || bitmap.Height() < 1) return palette;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    for (int k = 0; k < static_cast<int>(palette.size()); ++k) palette[k] = PixelAt(bitmap, k, 0);
    return palette;
}

}  // namespace kestrune
