#include "render/OverlayDrawing.h"

#include "orbit/qelMapping.h"
#include "render/FireDetection.h"
#include "render/qelCartography.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrune {

namespace {

constexpr int StepsPerDegree = 5;        // graticule points a degree
constexpr int PoleStepsPerDegree = 45;   // pole circle points a degree
constexpr float PoleCircleLatitude = 89.9f;
constexpr int LabelledStep = 5;          // degrees between labelled grid lines
constexpr int PolarLabelStep = 15;       // ... beyond 80 degrees of latitude
constexpr float PolarLabelLatitude = 80;
constexpr float LabelReach = 0.5f;       // degrees from a grid line where its label is sought
constexpr float LabelledReach = 2.0f;    // degrees a label covers
const std::string DegreeSign = "\xC2\xB0";
constexpr int ShownGroundStep = 16;               // pixels between samples of the image's edge
constexpr double ShownGroundSpare = 0.0174533;    // a degree, in radians

// The walked coordinate at a pixel of a row or column, and the other one.
using TLocateAlong = std::function<bool(int position, float& walked, float& other)>;
using TLabelAt = std::function<void(int position, int gridLine, float other)>;

// Walks the positions of a row or column and calls label once for each grid
// line of a multiple of five degrees that it passes within half a degree, at
// the first position past the nearest one, unless that lies at the far end.
void WalkGridLines(int length, const TLocateAlong& locate, bool skipMinus180, const TLabelAt& label) {
    for (int position = 0; position < length; ++position) {
        float walked = 0, other = 0;
        if (!locate(position, walked, other)) continue;
        const int line = static_cast<int>(Round(walked / LabelledStep)) * LabelledStep;
        float distance = std::fabs(walked - static_cast<float>(line));
        if ((skipMinus180 && line == -180) || distance >= LabelReach) continue;
        while (position + 1 < length) {
            float next = 0, nextOther = 0;
            if (!locate(position + 1, next, nextOther)) break;
            ++position;
            other = nextOther;
            const float nextDistance = std::fabs(next - static_cast<float>(line));
            if (nextDistance > distance) break;
            distance = nextDistance;
        }
        if (position < length - 2) label(position, line, other);
        while (position + 1 < length) {
            float next = 0, nextOther = 0;
            if (!locate(position + 1, next, nextOther) || std::fabs(next - static_cast<float>(line)) > LabelledReach)
                break;
            ++position;
        }
    }
}

std::string GridLabel(int degrees, const char* positive, const char* negative) {
    std::string text = IntToStr(std::abs(degrees)) + DegreeSign;
    if (degrees > 0 && degrees != 180) text += positive;
    if (degrees < 0) text += negative;
    return text;
}

}  // namespace

TOverlayPainter::TOverlayPainter(TOverlayCanvas& canvas, TMapping& mapping, TPixelLocationFn pixelLocation,
                                 int nudgeX, int nudgeY)
    : canvas_(canvas), mapping_(mapping), pixelLocation_(std::move(pixelLocation)), nudgeX_(nudgeX),
      nudgeY_(nudgeY), width_(canvas.Width()), height_(canvas.Height()) {}

bool TOverlayPainter::DrawOverlay(const TOverlaySettings& settings, const TOverlayLayers& layers) {
    canvas_.Pen.Style = TPenStyle::psSolid;
    // A brush given a colour is solid: grid labels stand on white.
    canvas_.Brush = {clWhite, TBrushStyle::bsSolid};
    if (settings.OverlayGridlines) {
        canvas_.Pen.Color = settings.OverlayGridlineColour;
        DrawGraticule(nudgeX_, nudgeY_, settings.OverlayGridlabels);
    }
    if (settings.OverlayGridPoleMarkers) {
        canvas_.Pen.Color = settings.OverlayGridlineColour;
        DrawPoleMarkers(nudgeX_, nudgeY_);
    }
    // The world's shorelines are mapped only near the image.
    const std::vector<TGroundCap> shown =
        settings.OverlayBoundaries || settings.OverlayUser ? ShownGround() : std::vector<TGroundCap>{};
    if (settings.OverlayBoundaries && !layers.Boundaries.Empty()) {
        canvas_.Pen.Color = settings.OverlayBoundaryColour;
        layers.Boundaries.DrawOverlaySegments(canvas_, nudgeX_, nudgeY_, shown);
    }
    if (settings.OverlayUser && !layers.UserOverlay.Empty()) {
        canvas_.Pen.Color = settings.OverlayUserColour;
        layers.UserOverlay.DrawOverlaySegments(canvas_, nudgeX_, nudgeY_, shown);
    }
    if (settings.OverlayHome) {
        const TMarkerStyle home{settings.OverlayHomeColour, 3, TBrushStyle::bsClear, MarkerSouth, false};
        layers.Boundaries.DrawMarker(canvas_, nudgeX_, nudgeY_, settings.HomeLongitude, settings.HomeLatitude, 'o',
                                     "", home);
    }
    if (settings.OverlayStations && !layers.StationList.empty()) {
        // A black copy under each station at the four diagonal offsets.
        TMarkerStyle station{clBlack, 3, TBrushStyle::bsClear, MarkerSouth, false};
        for (const TPoint step : {TPoint{-1, -1}, TPoint{1, -1}, TPoint{-1, 1}, TPoint{1, 1}})
            layers.Boundaries.DrawMarkerFile(canvas_, nudgeX_ + step.X, nudgeY_ + step.Y, layers.StationList, true,
                                             station);
        station.Colour = settings.OverlayHomeColour;
        layers.Boundaries.DrawMarkerFile(canvas_, nudgeX_, nudgeY_, layers.StationList, true, station);
    }
    return settings.OverlayGridlines || settings.OverlayGridPoleMarkers || settings.OverlayBoundaries ||
           settings.OverlayUser || settings.OverlayHome || settings.OverlayStations;
}

void TOverlayPainter::DrawGraticule(int dx, int dy, bool labels) {
    for (int longitude = -180; longitude < 180; ++longitude) {
        if (longitude % 15 == 0)
            DrawMeridian(longitude, -89, 89, dx, dy);
        else if (longitude % 5 == 0)
            DrawMeridian(longitude, -80, 80, dx, dy);
    }
    for (int latitude = -85; latitude <= 85; latitude += 5) DrawParallel(latitude, dx, dy);
    PenUp();
    if (!labels) return;
    LabelMeridians(true);
    LabelMeridians(false);
    LabelParallels(false);
    LabelParallels(true);
}

void TOverlayPainter::DrawMeridian(int longitude, int firstLatitude, int lastLatitude, int dx, int dy) {
    PenUp();
    for (int step = 0; step <= (lastLatitude - firstLatitude) * StepsPerDegree; ++step)
        PlotPoint(static_cast<float>(longitude),
                  static_cast<float>(firstLatitude + static_cast<double>(step) / StepsPerDegree), dx, dy);
}

void TOverlayPainter::DrawParallel(int latitude, int dx, int dy) {
    PenUp();
    for (int step = 0; step <= 360 * StepsPerDegree; ++step)
        PlotPoint(static_cast<float>(-180 + static_cast<double>(step) / StepsPerDegree), static_cast<float>(latitude),
                  dx, dy);
}

void TOverlayPainter::DrawPoleMarkers(int dx, int dy) {
    for (const float latitude : {PoleCircleLatitude, -PoleCircleLatitude}) {
        PenUp();
        for (int step = 0; step <= 360 * PoleStepsPerDegree; ++step)
            PlotPoint(static_cast<float>(-180 + static_cast<double>(step) / PoleStepsPerDegree), latitude, dx, dy);
    }
    PenUp();
}

void TOverlayPainter::LabelMeridians(bool atTop) {
    const int row = atTop ? 3 : height_ - 4;
    const TLocateAlong locate = [&](int x, float& longitude, float& latitude) {
        return pixelLocation_(x, row, latitude, longitude);
    };
    WalkGridLines(width_, locate, true, [&](int column, int longitude, float latitude) {
        if (std::fabs(latitude) > PolarLabelLatitude && longitude % PolarLabelStep != 0) return;
        const std::string text = GridLabel(longitude, "E", "W");
        const TSize extent = canvas_.TextExtent(text);
        if (column > extent.Width && column < width_ - extent.Width)
            canvas_.TextOut(column - extent.Width / 2, atTop ? 0 : height_ - extent.Height, text);
    });
}

void TOverlayPainter::LabelParallels(bool atRight) {
    const int column = atRight ? width_ - 11 : 10;
    const TLocateAlong locate = [&](int y, float& latitude, float& longitude) {
        return pixelLocation_(column, y, latitude, longitude);
    };
    WalkGridLines(height_, locate, false, [&](int row, int latitude, float) {
        const std::string text = GridLabel(latitude, "N", "S");
        const TSize extent = canvas_.TextExtent(text);
        if (row > extent.Height && row < height_ - extent.Height)
            canvas_.TextOut(atRight ? width_ - extent.Width : 0, row - extent.Height / 2, text);
    });
}

std::vector<TGroundCap> TOverlayPainter::ShownGround() const {
    std::vector<TGroundCap> caps;
    if (width_ <= 0 || height_ <= 0) return caps;
    const int bands = std::max(1, (height_ + width_ / 2) / std::max(width_, 1));
    for (int band = 0; band < bands; ++band) {
        const auto cap = ShownBand(height_ * band / bands, height_ * (band + 1) / bands - 1);
        if (!cap) return {};
        caps.push_back(*cap);
    }
    return caps;
}

// A cap round the band's middle pixel reaching pixels sampled along its
// edges (the farthest ground of a picture lies on its edge), with the step
// between two samples and a degree to spare for the nudge and the rounding
// of points.
std::optional<TGroundCap> TOverlayPainter::ShownBand(int top, int bottom) const {
    std::vector<TGroundPoint> edge;
    double step = 0;
    const auto located = [&](int x, int y, bool followsLast) {
        float latitude = 0, longitude = 0;
        if (!pixelLocation_(x, y, latitude, longitude) || !std::isfinite(latitude) || !std::isfinite(longitude))
            return false;
        const TGroundPoint point{longitude, latitude};
        if (followsLast && !edge.empty()) step = std::max(step, GroundAngle(edge.back(), point));
        edge.push_back(point);
        return true;
    };
    const auto walk = [&](int fromX, int fromY, int toX, int toY) {
        const int length = std::max({std::abs(toX - fromX), std::abs(toY - fromY), 1});
        for (int i = 0; i <= length; i = i == length ? length + 1 : std::min(i + ShownGroundStep, length))
            if (!located(fromX + (toX - fromX) * i / length, fromY + (toY - fromY) * i / length, i > 0)) return false;
        return true;
    };
    const int right = width_ - 1;
    if (!walk(0, top, right, top) || !walk(right, top, right, bottom) || !walk(right, bottom, 0, bottom) ||
        !walk(0, bottom, 0, top))
        return std::nullopt;
    float latitude = 0, longitude = 0;
    if (!pixelLocation_(width_ / 2, (top + bottom) / 2, latitude, longitude)) return std::nullopt;
    return CapFrom({longitude, latitude}, edge, step + ShownGroundSpare);
}

bool TOverlayPainter::DrawFireRegion(const TFireSettings& fire) {
    if (!fire.FireSaveLimitRegion) return false;
    const TColor pen = canvas_.Pen.Color;
    canvas_.Pen.Color = clWhite;
    const int north = fire.FireSaveNorthLat, south = fire.FireSaveSouthLat;
    const int west = fire.FireSaveWestLon, east = fire.FireSaveEastLon;
    // The outline runs round the region unclipped and without the nudge,
    // starting with the pen up.
    bool penDown = false;
    const auto plot = [&](int longitude, int latitude) {
        int x = 0, y = 0;
        if (!mapping_.LatLonToXY(x, y, static_cast<float>(longitude), static_cast<float>(latitude))) return;
        if (penDown)
            canvas_.LineTo(x, y);
        else
            canvas_.MoveTo(x, y);
        penDown = true;
    };
    plot(west, north);
    for (int longitude = west + 1; longitude <= east; ++longitude) plot(longitude, north);
    for (int latitude = north - 1; latitude >= south; --latitude) plot(east, latitude);
    for (int longitude = east - 1; longitude >= west; --longitude) plot(longitude, south);
    for (int latitude = south + 1; latitude <= north; ++latitude) plot(west, latitude);
    canvas_.Pen.Color = pen;
    return true;
}

// Ground the pass does not show (past the swath, lost in a gap in the
// signal, or on lines without location) breaks the line: no stroke is
// drawn across it.
void TOverlayPainter::PlotPoint(float longitude, float latitude, int dx, int dy) {
    int x = 0, y = 0;
    if (!mapping_.LatLonToXY(x, y, longitude, latitude)) {
        PenUp();
        return;
    }
    if (!run_.empty() && mapping_.RowWithoutLocationBetween(run_.back().Y + dy, y)) PenUp();
    PlotTo(x + dx, y - dy);
}

void TOverlayPainter::PenUp() {
    if (run_.size() >= 2) canvas_.Polyline(run_);
    run_.clear();
}

void TOverlayPainter::PlotTo(int x, int y) {
    if (x >= 0 && x < width_ && y >= 0 && y < height_)
        run_.push_back({x, y});
    else
        PenUp();
}

}  // namespace kestrune
