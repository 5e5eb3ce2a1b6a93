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
    const int left = std::max(preview.Left - 1, box.Left);
    const int top = std::max(preview.Top - 1, box.Top);
    const int right = std::min(preview.Right(), box.Right());
    const int bottom = std::min(preview.Bottom(), box.Bottom());
    return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
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
