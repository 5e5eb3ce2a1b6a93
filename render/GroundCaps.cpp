#include "render/GroundCaps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kestrune {

namespace {

constexpr double Radians = std::numbers::pi / 180.0;
constexpr double QuarterTurn = std::numbers::pi / 2;
const TGroundCap WholeEarth{};

std::array<double, 3> Direction(const TGroundPoint& point) {
    const double latitude = point.Latitude * Radians;
    const double longitude = point.Longitude * Radians;
    return {std::cos(latitude) * std::cos(longitude), std::cos(latitude) * std::sin(longitude), std::sin(latitude)};
}

double Angle(const std::array<double, 3>& a, const std::array<double, 3>& b) {
    return std::acos(std::clamp(a[0] * b[0] + a[1] * b[1] + a[2] * b[2], -1.0, 1.0));
}

double Reach(const std::array<double, 3>& centre, std::span<const TGroundPoint> points) {
    double reach = 0;
    for (const TGroundPoint& point : points) reach = std::max(reach, Angle(centre, Direction(point)));
    return reach;
}

}  // namespace

TGroundCap CapAround(std::span<const TGroundPoint> points) {
    std::array<double, 3> sum{};
    for (const TGroundPoint& point : points) {
        const auto direction = Direction(point);
        for (int k = 0; k < 3; ++k) sum[k] += direction[k];
    }
    const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    if (!(length > 1e-9 * static_cast<double>(points.size()))) return WholeEarth;
    TGroundCap cap{{sum[0] / length, sum[1] / length, sum[2] / length}, 0};
    cap.Radius = Reach(cap.Centre, points);
    return cap.Radius < QuarterTurn ? cap : WholeEarth;
}

TGroundCap CapFrom(const TGroundPoint& centre, std::span<const TGroundPoint> reached, double spare) {
    TGroundCap cap{Direction(centre), 0};
    cap.Radius = Reach(cap.Centre, reached) + spare;
    return cap;
}

double GroundAngle(const TGroundPoint& a, const TGroundPoint& b) { return Angle(Direction(a), Direction(b)); }

bool CapsMeet(const TGroundCap& a, const TGroundCap& b) {
    return a.Radius + b.Radius >= std::numbers::pi || Angle(a.Centre, b.Centre) <= a.Radius + b.Radius;
}

}  // namespace kestrune
