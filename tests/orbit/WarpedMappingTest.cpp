#include "orbit/MapWithWarp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace kestrune;

namespace {

constexpr double Radians = std::numbers::pi / 180.0;

// A full-resolution pass around (0, 0), 850 km up, 1.09 km per line. The
// ground step meets the 55.37 degree scan edge at column 1375 (worked
// separately from the scan geometry), so the image is 2 + 2 x 1375 wide.
TWarpedMapping FullResolution(int centreLine = 1000) {
    TWarpedMapping map;
    map.BuildWarpTables(1, centreLine, 0, 0, 850, 1.09f, 55.37f);
    return map;
}

}  // namespace

TEST(WarpedMapping, ScanGeometryOfAFullResolutionPass) {
    TWarpedMapping map = FullResolution();
    EXPECT_TRUE(map.Fitted());
    EXPECT_EQ(map.ScanMode(), 1);
    EXPECT_EQ(map.OutputWidth(), 2752);
    EXPECT_EQ(map.GetHeight(), 2752);
    const TGroundTable& scan = map.GroundToScan();
    EXPECT_NEAR(scan[0], 1023.5 + 0.6794, 1e-3);  // half a ground step from nadir
    EXPECT_NEAR(scan[-1], 1023.5 - 0.6794, 1e-3);
    EXPECT_NEAR(scan[1374], 2047.53, 1e-2);       // the scan edge
    for (int g = -2047; g <= 2047; ++g) {
        EXPECT_NEAR(scan[g] + scan[-g - 1], 2047.0, 1e-3) << g;  // symmetric about nadir
        EXPECT_GT(scan[g], scan[g - 1]) << g;
    }
    // Beyond the edge the table goes on by the last increment.
    EXPECT_NEAR(scan[2000] - scan[1999], map.ScanIncrement(), 1e-3);
}

TEST(WarpedMapping, ScanToGroundInvertsGroundToScan) {
    TWarpedMapping map = FullResolution();
    const TGroundTable& scan = map.GroundToScan();
    for (int j = -1024; j <= 1023; j += 7) {
        const double ground = map.ScanToGround2048()[j];
        const int below = static_cast<int>(std::floor(ground));
        const double t = ground - below;
        const double pixel = (1 - t) * scan[below] + t * scan[below + 1] - 1024.0;
        EXPECT_NEAR(pixel, j, 1.6) << j;  // Newton on whole columns: within the column's width
    }
    EXPECT_NEAR(map.ScanToGround2048()[0], 0.5, 1.0);
}

TEST(WarpedMapping, AFineGroundStepStaysInsideTheTables) {
    TWarpedMapping map;
    map.BuildWarpTables(1, 100, 0, 0, 850, 0.5f, 55.37f);  // the swath needs 2997 columns a side
    EXPECT_EQ(map.OutputWidth(), 2 + 2 * 2048);
    EXPECT_TRUE(std::isfinite(map.GroundToScan()[2047]));
    EXPECT_TRUE(std::isfinite(map.GroundToScan()[-2048]));
}

TEST(WarpedMapping, WarpCoefficientsApply) {
    TWarpedMapping map = FullResolution();
    float x0 = 0, y0 = 0, x = 0, y = 0;
    ASSERT_TRUE(map.LatLonToImage(x0, y0, false, 3, 1));
    map.SetHorizontalWarp(2, 0, 0);
    ASSERT_TRUE(map.LatLonToImage(x, y, false, 3, 1));
    EXPECT_NEAR(x - 1376, 2 * (x0 - 1376), 1e-2);
    map.SetHorizontalWarp(1, 0, 0);
    map.SetVerticalWarp(0, 0.5f, 0);
    ASSERT_TRUE(map.LatLonToImage(x, y, false, 3, 1));
    EXPECT_NEAR(y - 1000, 0.5 * (y0 - 1000), 1e-2);
    map.SetVerticalWarp(0, 1, 0);
    map.SetSkew(0.1f, 0, 0);
    ASSERT_TRUE(map.LatLonToImage(x, y, false, 3, 1));
    EXPECT_NEAR(x - x0, 0.1 * 1376, 1e-2);
    map.SetSkew(0, 0, 0);
    map.SetWarpRotation(90);
    EXPECT_NEAR(map.GetWarpRotation(), 90, 1e-4);
    ASSERT_TRUE(map.LatLonToImage(x, y, false, 3, 0));  // east turns to north
    EXPECT_NEAR(x, 1376, 1e-2);
    EXPECT_LT(y, 1000);
}

TEST(WarpedMapping, ResidualsInterpolateBetweenAnchorsAndHoldTheLastRow) {
    TWarpedMapping map = FullResolution(1);
    auto table = std::make_shared<TResidualTable>(3, TResidualRow{});
    for (size_t k = 0; k < LocationAnchorCount; ++k) {
        (*table)[0][k] = {static_cast<float>(k), 0};
        (*table)[2][k] = {0, static_cast<float>(k)};
    }
    map.SetResiduals(table, 3, 0, 0, 40, 24, LocationAnchorCount);
    float before = 0, y0 = 0, x = 0, y = 0;
    // A point whose row lies past the table's last row uses the last row.
    TWarpedMapping plain = FullResolution(1);
    ASSERT_TRUE(plain.LatLonToImage(before, y0, true, 2, -0.2f));
    ASSERT_GT(std::lround(y0), 2);
    ASSERT_TRUE(map.LatLonToImage(x, y, true, 2, -0.2f));
    const double segment = std::clamp((static_cast<double>(before) - 24) / 40.0, 0.0, 50.0);
    EXPECT_NEAR(x, before, 1e-4);
    EXPECT_NEAR(y - y0, segment, 1e-3);
    // Left of the first anchor the first pair applies unweighted.
    ASSERT_TRUE(plain.LatLonToImage(before, y0, true, -13.5f, 0));
    ASSERT_LE(before, 24.0f);
    ASSERT_TRUE(map.LatLonToImage(x, y, true, -13.5f, 0));
    EXPECT_NEAR(y - y0, 0, 1e-4);

    map.BuildWarpTables(1, 1, 0, 0, 850, 1.09f, 55.37f);  // a new pass drops them
    ASSERT_TRUE(map.LatLonToImage(x, y, true, 2, -0.2f));
    ASSERT_TRUE(plain.LatLonToImage(before, y0, true, 2, -0.2f));
    EXPECT_FLOAT_EQ(y, y0);
}

// Rows strictly between two rows, in either order, lie without location
// where one of them is listed: a hole of one row as much as of several.
TEST(WarpedMapping, RowsWithoutLocationBetweenTwoRows) {
    TWarpedMapping map = FullResolution();
    map.SetRowsWithoutLocation({5, 6, 7, 10});
    const struct {
        int Row, OtherRow;
        bool Between;
    } cases[] = {{4, 8, true}, {8, 4, true},  {5, 7, true},   {9, 11, true},   {11, 9, true},
                 {7, 8, false}, {4, 5, false}, {10, 10, false}, {11, 20, false}, {0, 4, false}};
    for (const auto& test : cases)
        EXPECT_EQ(map.RowWithoutLocationBetween(test.Row, test.OtherRow), test.Between) << test.Row << " to " << test.OtherRow;
}
