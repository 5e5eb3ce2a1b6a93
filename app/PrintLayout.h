// The print window's geometry as pure functions: the preview keeping the
// picture's aspect, the selection box in picture pixels and clamped to the
// preview, the sheets a picture is spread over, and the fit of a picture
// into the page's equal-margin area.
#pragma once

#include <vector>

namespace kestrune {

struct TPrintRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    int Right() const { return Left + Width; }
    int Bottom() const { return Top + Height; }
    bool operator==(const TPrintRect&) const = default;
};

// The preview's size for a picture within the preview's design size; the
// design size when the picture is empty.
TPrintRect PreviewRect(const TPrintRect& design, int pictureWidth, int pictureHeight);
// The selection box pulled back onto the preview after a move or resize,
// never less than a pixel wide and high.
TPrintRect ClampSelection(const TPrintRect& box, const TPrintRect& preview);
// The box as picture pixels: empty when the preview or the picture is empty.
TPrintRect SelectionInPicture(const TPrintRect& box, const TPrintRect& preview, int pictureWidth, int pictureHeight);

// Sheets 1, 4, 9 or 16: the tiles in printing order (row by row, left to
// right), each (width div n) x (height div n); pixels beyond n tiles are not
// printed. One tile, the whole picture, for a single sheet.
std::vector<TPrintRect> SheetTiles(int sheets, int pictureWidth, int pictureHeight);

// The picture fitted into an area and centred on it (halves round to even).
TPrintRect FitToArea(int areaWidth, int areaHeight, int pictureWidth, int pictureHeight, bool centre = true);

// A picture higher than wide prints in portrait, any other in landscape.
inline bool PrintsInLandscape(int pictureWidth, int pictureHeight) { return pictureHeight <= pictureWidth; }

}  // namespace kestrune
