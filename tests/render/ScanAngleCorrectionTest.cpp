#include "render/ScanAngleCorrection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace kestrune {
namespace {

constexpr double EarthRadius = 6378.135;
constexpr double MaximumScanAngle = 0.9669124056;

// Ground distance from nadir (km) of a scan angle, at an altitude: the
// inverse of the scan geometry, worked separately.
double GroundDistance(double scanAngle, double altitude) {
    const double r = EarthRadius + altitude;
    const double centralAngle = std::asin(r / EarthRadius * std::sin(scanAngle)) - scanAngle;
    return centralAngle * EarthRadius;
}

std::unique_ptr<TExtBitmap> Grey(int width, int height, int (*value)(int column)) {
    auto bitmap = std::make_unique<TExtBitmap>();
    bitmap->SetPixelFormat(TPixelFormat::pf8bit);
    bitmap->SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap->ScanLine(y)[x] = static_cast<uint8_t>(value(x));
    return bitmap;
}

class RecordingHost : public THeadlessRenderHost {
public:
    void SetProgressMax(int maximum) override { Maximum = maximum; }
    void SetProgressPosition(int position) override { Positions.push_back(position); }
    int Maximum = -1;
    std::vector<int> Positions;
};

}  // namespace

TEST(ScanAngleCorrection, FullResolutionColumnsAreEqualGroundSteps) {
    const std::vector<float> columns = PanoramaColumns(2048, false, 850);
    ASSERT_EQ(columns.size(), 2u * 1378u);  // 1378 steps of 1.09 km reach the scan edge
    EXPECT_NEAR(columns[1377], 1022.8216, 1e-3);
    EXPECT_NEAR(columns[1378], 1024.1784, 1e-3);
    EXPECT_NEAR(columns.front(), 0.3354, 1e-3);
    EXPECT_NEAR(columns.back(), 2046.6646, 1e-3);
    // Every output column lies 1.09 km of ground beyond the one before.
    for (size_t i = 1379; i < columns.size(); i += 97) {
        const auto distance = [](float column) {
            return GroundDistance((column - 1023.5) / 1023.0 * MaximumScanAngle, 850);
        };
        EXPECT_NEAR(distance(columns[i]) - distance(columns[i - 1]), 1.09, 1e-3) << i;
        EXPECT_NEAR(columns[i] - 1023.5, 1023.5 - columns[2 * 1378 - 1 - i], 1e-3);  // mirrored
    }
}

TEST(ScanAngleCorrection, AnOrbitBeyondTheScanEdgeStillEnds) {
    // From 200,000 km the whole earth lies inside the scan: the walk stops
    // at a quarter of the earth.
    const std::vector<float> columns = PanoramaColumns(2048, false, 200000);
    EXPECT_GT(columns.size(), 100u);
    EXPECT_LT(columns.size(), 20000u);
}

TEST(ScanAngleCorrection, GreyImageIsResampledAcrossTheScan) {
    const auto source = Grey(2048, 250, [](int x) { return x / 8; });
    TExtBitmap corrected;
    RecordingHost host;
    CorrectPanorama(*source, corrected, &host, false, 850);
    EXPECT_EQ(corrected.Width(), 2756);
    EXPECT_EQ(corrected.Height(), 250);
    EXPECT_EQ(corrected.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(corrected.ScanLine(0)[1377], 127);  // from source columns 1022 and 1023
    EXPECT_EQ(corrected.ScanLine(0)[1378], 128);  // from 1024 and 1025
    EXPECT_EQ(corrected.ScanLine(249)[0], 0);
    EXPECT_EQ(corrected.ScanLine(249)[2755], 255);
    // A hundred ground steps take in more scan pixels at nadir than at the edge.
    const uint8_t* row = corrected.ScanLine(5);
    EXPECT_GT(row[1378 + 100] - row[1378], 2 * (row[2755] - row[2655]));
    EXPECT_EQ(host.Maximum, 249);
    EXPECT_EQ(host.Positions, (std::vector<int>{0, 100, 200}));
}

TEST(ScanAngleCorrection, GacImageIsCorrectedAroundItsCentreColumn) {
    const std::vector<float> columns = GacPanoramaColumns();
    ASSERT_EQ(columns.size(), 2u * 455u - 1u);
    EXPECT_FLOAT_EQ(columns[454], 204.0f);
    EXPECT_NEAR(columns[455], 204.8210, 1e-3);
    EXPECT_NEAR(columns.front(), -0.0874, 1e-3);

    const auto source = Grey(409, 2, [](int x) { return x / 2; });
    TExtBitmap corrected;
    CorrectPanoramaGAC(*source, corrected);
    EXPECT_EQ(corrected.Width(), 909);
    EXPECT_EQ(corrected.ScanLine(0)[454], 102);
}

TEST(ScanAngleCorrection, NegativeFractionsDoNotWrap) {
    // The first GAC column lies just left of source column 0.
    const auto bright = Grey(409, 1, [](int x) { return x == 0 ? 255 : 0; });
    TExtBitmap corrected;
    CorrectPanoramaGAC(*bright, corrected);
    EXPECT_EQ(corrected.ScanLine(0)[0], 255);
    const auto dark = Grey(409, 1, [](int x) { return x == 0 ? 0 : 255; });
    CorrectPanoramaGAC(*dark, corrected);
    EXPECT_EQ(corrected.ScanLine(0)[0], 0);
}

}  // namespace kestrune
