#include "app/PrintLayout.h"

#include <algorithm>
#include <cmath>

namespace kestrune {

TPrintRect PreviewRect(const TPrintRect& design, int pictureWidth, int pictureHeight) {
    TPrintRect preview = design;
    if (pictureWidth <= 0 || pictureHeight <= 0) return preview;
    if (pictureWidth > pictureHeight)
        preview.Height = static_cast<int>(static_cast<long long>(pictureHeight) * design.Width / pictureWidth);
    else if (pictureHeight > pictureWidth)
        preview.Width = static_cast<int>(static_cast<long long>(pictureWidth) * design.Height / pictureHeight);
    return preview;
}

TPrintRect ClampSelection(const TPrintRect& box, const TPrintRect& preview) {
    // Never less than a pixel: a box cut to nothing would leave no handle to take it by.
    const int left = std::clamp(box.Left, preview.Left - 1, std::max(preview.Left, preview.Right()) - 1);
    const int top = std::clamp(box.Top, preview.Top - 1, std::max(preview.Top, preview.Bottom()) - 1);
    const int right = std::clamp(box.Right(), left + 1, std::max(left + 1, preview.Right()));
    const int bottom = std::clamp(box.Bottom(), top + 1, std::max(top + 1, preview.Bottom()));
    return {left, top, right - left, bottom - top};
}

TPrintRect SelectionInPicture(const TPrintRect& box, const TPrintRect& preview, int pictureWidth, int pictureHeight) {
    if (preview.Width <= 0 || preview.Height <= 0 || pictureWidth <= 0 || pictureHeight <= 0) return {};
    const auto scale = [](int offset, int picture, int shown) {
        return static_cast<int>(static_cast<long long>(offset) * picture / shown);
    };
    const int left = std::max(0, scale(box.Left - preview.Left, pictureWidth, preview.Width));
    const int right = std::min(pictureWidth, scale(box.Right() - preview.Left, pictureWidth, preview.Width));
    const int top = std::max(0, scale(box.Top - preview.Top, pictureHeight, preview.Height));
    const int bottom = std::min(pictureHeight, scale(box.Bottom() - preview.Top, pictureHeight, preview.Height));
    if (right <= left || bottom <= top) return {};
    return {left, top, right - left, bottom - top};
}

std::vector<TPrintRect> SheetTiles(int sheets, int pictureWidth, int pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return {};
    const int n = sheets == 16 ? 4 : sheets == 9 ? 3 : sheets == 4 ? 2 : 1;
    const int width = pictureWidth / n;
    const int height = pictureHeight / n;
    if (width == 0 || height == 0) return {};
    std::vector<TPrintRect> tiles;
    for (int row = 0; row < n; ++row)
        for (int column = 0; column < n; ++column) tiles.push_back({column * width, row * height, width, height});
    return tiles;
}

TPrintRect FitToArea(int areaWidth, int areaHeight, int pictureWidth, int pictureHeight, bool centre) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return {};
    const double rX = static_cast<double>(areaWidth) / pictureWidth;
    const double rY = static_cast<double>(areaHeight) / pictureHeight;
    TPrintRect fit;
    if (rY <= rX) {
        fit.Height = areaHeight;
        fit.Width = static_cast<int>(std::nearbyint(pictureWidth * rY));
        fit.Left = areaWidth / 2 - fit.Width / 2;
    } else {
        fit.Width = areaWidth;
        fit.Height = static_cast<int>(std::nearbyint(pictureHeight * rX));
        fit.Top = areaHeight / 2 - fit.Height / 2;
    }
    if (!centre) fit.Left = fit.Top = 0;
    return fit;
}

}  // namespace kestrune
