#include "tests/support/PassGeometry.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kestrune::test {

namespace {

constexpr int FirstAnchorPixel = 24;
constexpr int AnchorSpacing = 40;
constexpr size_t LineSamples = 2048;

}  // namespace

TPassGeometry::TPassGeometry(const TElementLines& elements, const THrptPassSpec& passSpec, int year, int month,
                             int day)
    : passSpec_(passSpec), date_(EncodeDate(year, month, day)), points_(LineSamples) {
    orbit_.SetSatelliteName("NOAA 18");
    orbit_.UseEmbeddedKeplers(elements.Line1, elements.Line2, date_);
    if (!orbit_.ElementsValid) throw std::runtime_error("The element set cannot be propagated");
}

const std::vector<TGroundPoint>& TPassGeometry::Line(int32_t line) {
    if (line == line_) return points_;
    line_ = line;
    TScanLinePoints anchors{};
    double altitude = 0;
    orbit_.LocateScanLine(date_ + static_cast<double>(LineMilliseconds(passSpec_, line)) / MSecsPerDay, anchors,
                          altitude);
    for (size_t x = 0; x < points_.size(); ++x) {
        const double position = (static_cast<double>(x) - FirstAnchorPixel) / AnchorSpacing;
        const int k = std::clamp(static_cast<int>(std::floor(position)), 0, ScanLinePointCount - 2);
        const double t = position - k;
        const TGroundPoint& a = anchors[static_cast<size_t>(k)];
        const TGroundPoint& b = anchors[static_cast<size_t>(k) + 1];
        points_[x] = {static_cast<float>(a.Longitude + t * std::remainder(b.Longitude - a.Longitude, 360.0)),
                      static_cast<float>(a.Latitude + t * (b.Latitude - a.Latitude))};
    }
    return points_;
}

}  // namespace kestrune::test
