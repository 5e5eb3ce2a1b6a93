#include "render/GroundCaps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace kestrune {
namespace {

constexpr double Degree = std::numbers::pi / 180;

TEST(GroundCapsTest, CapsReachTheirPointsFromTheirMeanDirection) {
    const std::vector<TGroundPoint> equator{{-10, 0}, {10, 0}};
    const TGroundCap cap = CapAround(equator);
    EXPECT_NEAR(cap.Centre[0], 1, 1e-12);
    EXPECT_NEAR(cap.Centre[1], 0, 1e-12);
    EXPECT_NEAR(cap.Centre[2], 0, 1e-12);
    EXPECT_NEAR(cap.Radius, 10 * Degree, 1e-9);
    // Round the pole, across the date line.
    const std::vector<TGroundPoint> arctic{{10, 80}, {82, 80}, {154, 80}, {-134, 80}, {-62, 80}};
    const TGroundCap polar = CapAround(arctic);
    EXPECT_GT(polar.Centre[2], 0.99);
    EXPECT_NEAR(polar.Radius, 10 * Degree, 1e-6);
    // London to Paris, 344 km on a sphere of 6371 km.
    EXPECT_NEAR(GroundAngle({-0.1278f, 51.5074f}, {2.3522f, 48.8566f}) * 6371, 344, 2);
}

// Points spread all round, reaching beyond a quarter turn, or not numbers
// give a cap of the whole earth, which meets everything.
TEST(GroundCapsTest, UnboundedPointsCoverTheEarth) {
    const std::vector<TGroundPoint> round{{0, 0}, {90, 0}, {180, 0}, {-90, 0}};
    const std::vector<TGroundPoint> wide{{0, 0}, {100, 0}, {-100, 0}};
    const std::vector<TGroundPoint> broken{{0, 0}, {std::numeric_limits<float>::quiet_NaN(), 0}};
    const TGroundCap far = CapFrom({180, 0}, std::vector<TGroundPoint>{{179, 0}}, 0);
    for (const auto& points : {round, wide, broken}) {
        const TGroundCap cap = CapAround(points);
        EXPECT_GE(cap.Radius, std::numbers::pi);
        EXPECT_TRUE(CapsMeet(cap, far));
    }
}

TEST(GroundCapsTest, CapsMeetWhenTheirRadiiSpanTheirDistance) {
    const TGroundCap britain = CapFrom({-3, 54}, std::vector<TGroundPoint>{{-3, 59}}, 0);  // 5 degrees
    EXPECT_NEAR(britain.Radius, 5 * Degree, 1e-6);
    EXPECT_TRUE(CapsMeet(britain, CapFrom({-3, 62}, std::vector<TGroundPoint>{{-3, 58.5f}}, 0)));
    EXPECT_FALSE(CapsMeet(britain, CapFrom({-3, 62}, std::vector<TGroundPoint>{{-3, 60.5f}}, 0)));
    EXPECT_TRUE(CapsMeet(britain, CapFrom({-3, 62}, std::vector<TGroundPoint>{{-3, 60.5f}}, 2 * Degree)));
}

}  // namespace
}  // namespace kestrune
