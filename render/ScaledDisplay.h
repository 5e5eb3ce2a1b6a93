// The view shown smaller than it is ("Full" zoom): the picture is scaled by
// averaging the pixels each screen pixel covers; the overlays are drawn
// again over it at the screen's scale (TBitmapOverlayCanvas over the copy),
// so that coastlines and grid lines stay whole and labels keep their size.
#pragma once

namespace kestrune {

class TExtBitmap;

// The 24-bit source at width x height, each pixel the mean of those it
// covers. An empty source or size leaves an empty target.
void ScaleSmoothly(const TExtBitmap& source, TExtBitmap& target, int width, int height);

}  // namespace kestrune
