// The geographic overlays drawn on the display after a view is rendered: the
// latitude/longitude graticule with its labels, circles round the poles, the
// boundary and user overlay lines, the home and station markers, and the
// fire-report region. Points go through the pass's fitted mapping (rounded
// to whole pixels; the labels through the pixel location), shifted by the
// overlay nudge.
#pragma once

#include "render/OverlayCanvas.h"

#include "render/GroundCaps.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

class TCartogList;
class TMapping;
struct TFireSettings;

// The settings read at each drawing.
struct TOverlaySettings {
    bool OverlayGridlines = false;
    bool OverlayGridlabels = true;
    TColor OverlayGridlineColour = 255;  // also the pole markers
    bool OverlayGridPoleMarkers = false;
    bool OverlayBoundaries = false;
    TColor OverlayBoundaryColour = 65535;
    bool OverlayUser = false;
    TColor OverlayUserColour = 16711680;
    bool OverlayHome = false;
    TColor OverlayHomeColour = 65535;  // also the stations
    bool OverlayStations = false;
    float HomeLatitude = 55.9f;
    float HomeLongitude = -3.2f;
};

// What an overlay pass draws besides the grid.
struct TOverlayLayers {
    const TCartogList& Boundaries;  // its mapping also places the markers
    const TCartogList& UserOverlay;
    const std::vector<std::string>& StationList;
};

// Image pixel to latitude and longitude, nudge applied.
using TPixelLocationFn = std::function<bool(int x, int y, float& latitude, float& longitude)>;

class TOverlayPainter {
public:
    TOverlayPainter(TOverlayCanvas& canvas, TMapping& mapping, TPixelLocationFn pixelLocation, int nudgeX,
                    int nudgeY);

    // True when at least one overlay element was enabled and drawn.
    bool DrawOverlay(const TOverlaySettings& settings, const TOverlayLayers& layers);
    // The fire-report region in white, one mapped point a degree; false
    // when the region is not limited.
    bool DrawFireRegion(const TFireSettings& fire);

    // Every point plotted at (x + dx, y - dy).
    void DrawGraticule(int dx, int dy, bool labels);
    void DrawPoleMarkers(int dx, int dy);

private:
    void DrawMeridian(int longitude, int firstLatitude, int lastLatitude, int dx, int dy);
    void DrawParallel(int latitude, int dx, int dy);
    void LabelMeridians(bool atTop);
    void LabelParallels(bool atRight);
    // Plots a mapped point; a point the mapping cannot place is skipped.
    void PlotPoint(float longitude, float latitude, int dx, int dy);
    void PenUp();
    // Caps covering the ground the image shows, one for each band of rows
    // about as high as the image is wide; none when a pixel has no place.
    std::vector<TGroundCap> ShownGround() const;
    std::optional<TGroundCap> ShownBand(int top, int bottom) const;
    // Extends the pen's line to a point inside the bitmap; a point outside
    // lifts the pen.
    void PlotTo(int x, int y);

    TOverlayCanvas& canvas_;
    TMapping& mapping_;
    TPixelLocationFn pixelLocation_;
    int nudgeX_;
    int nudgeY_;
    int width_;
    int height_;
    // The points drawn since the pen went down.
    std::vector<TPoint> run_;
};

}  // namespace kestrune
