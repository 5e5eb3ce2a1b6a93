// What the overlay file targets share: a mapping of the whole earth onto a
// 3600 x 1800 picture, and a surface that draws nothing, so that every
// segment a reader accepts also goes through the drawing.
#pragma once

#include "orbit/qelMapping.h"
#include "render/qelCartography.h"

#include <cmath>
#include <string>
#include <string_view>

namespace kestrune::fuzz {

class TWorldMapping : public TMapping {
public:
    int GetHeight() const override { return 1800; }
    bool LatLonToXY(int& X, int& Y, float Longitude, float Latitude) override {
        if (!std::isfinite(Longitude) || !std::isfinite(Latitude) || std::fabs(Longitude) > 1e6f ||
            std::fabs(Latitude) > 1e6f)
            return false;
        X = static_cast<int>(std::lround((Longitude + 180) * 10));
        Y = static_cast<int>(std::lround((90 - Latitude) * 10));
        return true;
    }
};

class TNullCanvas : public TOverlayCanvas {
public:
    int Width() const override { return 3600; }
    int Height() const override { return 1800; }
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void Polyline(std::span<const TPoint> points) override { Points += points.size(); }
    void Ellipse(int, int, int, int) override {}
    void TextOut(int, int, const std::string&) override {}
    TSize TextExtent(const std::string& text) override { return {static_cast<int>(text.size()) * 6, 12}; }

    size_t Points = 0;
};

inline void DrawAll(TCartogList& list) {
    TWorldMapping mapping;
    TNullCanvas canvas;
    list.Mapping = &mapping;
    list.DrawOverlaySegments(canvas, 0, 0);
    list.Mapping = nullptr;
}

inline std::string_view Text(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace kestrune::fuzz
