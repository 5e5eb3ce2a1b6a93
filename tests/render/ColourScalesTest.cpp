#include "render/ColourScales.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kestrune {
namespace {

TEST(ColourScales, HueSegmentsInterpolateWithinTheirSegment) {
    const auto warm = TemperatureToHueLightness(true, 25.0);
    EXPECT_NEAR(warm.hue, 41.0, 1e-9);
    EXPECT_NEAR(warm.factor, 0.232, 1e-9);
    // Segment starts and the clamped ends of the scale.
    EXPECT_NEAR(TemperatureToHueLightness(true, -60.0).hue, 330.0, 1e-9);
    EXPECT_NEAR(TemperatureToHueLightness(true, -200.0).factor, 0.05, 1e-9);
    EXPECT_NEAR(TemperatureToHueLightness(true, 0.0).hue, 110.0, 1e-9);
    EXPECT_NEAR(TemperatureToHueLightness(true, 10.0).hue, 85.0, 1e-9);
    EXPECT_NEAR(TemperatureToHueLightness(true, 39.4).hue, 35.0 - 20.0 * 11.4 / 12.0, 1e-9);
    EXPECT_NEAR(TemperatureToHueLightness(true, 100.0).hue, 35.0 - 20.0 * 11.4 / 12.0, 1e-9);
    // -0.4 rounds to 0 and lies before its segment's start: f is held at 0.
    EXPECT_NEAR(TemperatureToHueLightness(true, -0.4).hue, 110.0, 1e-9);
    // -50.6 rounds to -51, still the first segment.
    EXPECT_NEAR(TemperatureToHueLightness(true, -50.6).hue, 330.0 - 50.0 * 0.94, 1e-9);
    // NaN is taken as the cold end rather than trapping.
    EXPECT_NEAR(TemperatureToHueLightness(true, std::nan("")).hue, 330.0, 1e-9);
}

TEST(ColourScales, GreyTemperatureScaleAtItsEdges) {
    // Index 50 (-49.5 C) is the plain grey row, even exponent.
    EXPECT_EQ(TemperatureToGreyRgb(-49.5), (TRgbBytes{177, 177, 177}));
    // First row: black; index 41 still black.
    EXPECT_EQ(TemperatureToGreyRgb(-60.0), (TRgbBytes{0, 0, 0}));
    EXPECT_EQ(TemperatureToGreyRgb(-58.5), (TRgbBytes{0, 0, 0}));
    // Just below the scale: grey 0.5, index 39 odd -> 0.5^0.67.
    EXPECT_EQ(TemperatureToGreyRgb(-60.5), (TRgbBytes{160, 160, 160}));
    // Last row, index 139 (odd): red 1, green and blue 0.8^0.67.
    EXPECT_EQ(TemperatureToGreyRgb(39.9), (TRgbBytes{255, 220, 220}));
    // 40 .. 99.9 C white; 100 C grey again.
    EXPECT_EQ(TemperatureToGreyRgb(40.0), (TRgbBytes{255, 255, 255}));
    EXPECT_EQ(TemperatureToGreyRgb(99.9), (TRgbBytes{255, 255, 255}));
    EXPECT_EQ(TemperatureToGreyRgb(100.0), (TRgbBytes{177, 177, 177}));
    // Index 108 (8 C, even): 0.2, 1, 0.3.
    EXPECT_EQ(TemperatureToGreyRgb(8.0), (TRgbBytes{109, 255, 135}));
    // Trunc goes toward zero: -100.5 gives index 0 (even).
    EXPECT_EQ(TemperatureToGreyRgb(-100.5), (TRgbBytes{177, 177, 177}));
    EXPECT_EQ(TemperatureToGreyRgb(std::nan("")), (TRgbBytes{177, 177, 177}));
}

struct TCurvePoint {
    int curve;
    double temperature;
    int grey;
};

// Every segment end of every curve, typed from the curve definitions.
const TCurvePoint SegmentEnds[] = {
    // BD
    {1, 28.2, 0}, {1, 9.4, 255}, {1, 9.2, 109}, {1, -30.5, 202}, {1, -30.7, 60}, {1, -41.9, 60},
    {1, -42.2, 110}, {1, -54, 110}, {1, -54.4, 160}, {1, -64, 160}, {1, -64.4, 0}, {1, -69.5, 0},
    {1, -69.9, 255}, {1, -75.7, 255}, {1, -76.2, 135}, {1, -80.6, 135}, {1, -81.2, 85}, {1, -110.3, 85},
    // CC
    {2, 24.7, 1}, {2, -0.1, 50}, {2, -0.2, 50}, {2, -35.2, 250}, {2, -35.5, 105}, {2, -41.1, 105},
    {2, -41.4, 155}, {2, -47.4, 155}, {2, -47.6, 185}, {2, -52.1, 185}, {2, -52.5, 70}, {2, -58.4, 70},
    {2, -58.8, 0}, {2, -62.1, 0}, {2, -62.5, 0}, {2, -80, 255}, {2, -80.6, 255}, {2, -110.3, 255},
    // EC
    {3, 37.2, 1}, {3, 20.8, 32}, {3, 20.6, 33}, {3, -13.3, 200}, {3, -13.5, 0}, {3, -15.8, 0},
    {3, -15.9, 52}, {3, -50.3, 255}, {3, -50.6, 0}, {3, -60.2, 0}, {3, -60.6, 168}, {3, -70.4, 168},
    {3, -70.8, 255}, {3, -110.3, 255},
    // HE
    {4, 27.7, 0}, {4, 15.9, 60}, {4, 15.7, 65}, {4, 0.1, 210}, {4, -0.1, 80}, {4, -29.8, 255},
    {4, -30.1, 60}, {4, -39.8, 60}, {4, -40.1, 110}, {4, -44.8, 110}, {4, -45.1, 160}, {4, -49.7, 160},
    {4, -50, 0}, {4, -54.7, 0}, {4, -55, 255}, {4, -59.9, 255}, {4, -60.2, 55}, {4, -79.5, 255},
    {4, -80, 55}, {4, -99.4, 255}, {4, -100.4, 255}, {4, -110.3, 255},
    // HF
    {5, 27.7, 0}, {5, -29.8, 255}, {5, -30.1, 60}, {5, -39.8, 60}, {5, -40.1, 110}, {5, -44.8, 110},
    {5, -45.1, 160}, {5, -49.7, 160}, {5, -50, 0}, {5, -54.7, 0}, {5, -55, 255}, {5, -59.9, 255},
    {5, -60.2, 55}, {5, -79.5, 255}, {5, -80, 55}, {5, -99.4, 255}, {5, -100.4, 255}, {5, -110.3, 255},
    // JF
    {6, 24.7, 10}, {6, 10.2, 255}, {6, 10, 255}, {6, 0.1, 255}, {6, -0.1, 115}, {6, -32.9, 177},
    {6, -33.2, 117}, {6, -42.7, 117}, {6, -43, 155}, {6, -53.7, 155}, {6, -54, 70}, {6, -59.9, 70},
    {6, -60.2, 0}, {6, -63.6, 0}, {6, -64, 15}, {6, -80, 255}, {6, -80.6, 255}, {6, -110.3, 255},
    // JJ
    {7, 22.7, 5}, {7, 0.1, 255}, {7, -0.1, 115}, {7, -32.9, 177}, {7, -33.2, 117}, {7, -42, 117},
    {7, -42.2, 1}, {7, -59.8, 209}, {7, -60.2, 36}, {7, -80.6, 255}, {7, -81.2, 8}, {7, -104.9, 255},
    {7, -106.9, 255}, {7, -110.3, 255},
    // MD
    {8, 29.2, 0}, {8, 6.8, 100}, {8, 6.7, 101}, {8, -31.2, 176}, {8, -31.6, 117}, {8, -42.3, 117},
    {8, -42.5, 155}, {8, -53.3, 155}, {8, -53.6, 70}, {8, -59.4, 70}, {8, -59.7, 0}, {8, -63.1, 0},
    {8, -63.5, 0}, {8, -80.5, 255}, {8, -81.1, 255}, {8, -110.1, 255},
    // MB
    {9, 29.2, 0}, {9, 6.8, 135}, {9, 6.7, 136}, {9, -31.2, 210}, {9, -31.6, 85}, {9, -42.3, 120},
    {9, -42.5, 150}, {9, -53.3, 185}, {9, -53.6, 60}, {9, -59.4, 95}, {9, -59.7, 0}, {9, -63.1, 0},
    {9, -63.5, 0}, {9, -80.5, 255}, {9, -81.1, 255}, {9, -110.1, 255},
    // WV old, WV new
    {10, -10.8, 0}, {10, -60.2, 255}, {10, -60.5, 255}, {10, -124.9, 255},
    {11, -5, 0}, {11, -90, 255}, {11, -90.1, 255}, {11, -124.9, 255},
    // ZA
    {12, 29.2, 0}, {12, 6.8, 100}, {12, 6.7, 101}, {12, -55.7, 200}, {12, -56, 203}, {12, -75.2, 255},
    // BD enh
    {13, 9, 160}, {13, -31, 202}, {13, -42, 60}, {13, -54, 110}, {13, -64, 160}, {13, -70, 0},
    {13, -75, 255}, {13, -80.2, 135}, {13, -83.9, 95}, {13, -84, 64},
    // BD1
    {14, 9, 160}, {14, -31, 202}, {14, -42, 60}, {14, -54, 110}, {14, -64, 160}, {14, -70, 0},
    {14, -76, 255}, {14, -81, 132}, {14, -83.9, 92}, {14, -84, 64},
};

TEST(ColourScales, EnhancementCurvesHitEverySegmentEnd) {
    for (const auto& point : SegmentEnds)
        EXPECT_EQ(TemperatureToGrey(point.curve, point.temperature), point.grey)
            << "curve " << point.curve << " at " << point.temperature;
}

TEST(ColourScales, EnhancementCurvesBetweenAndBeyondTheirEnds) {
    EXPECT_EQ(TemperatureToGrey(1, 30.0), 0);      // extrapolated below 0, clamped
    EXPECT_EQ(TemperatureToGrey(1, -70.0), 255);
    EXPECT_EQ(TemperatureToGrey(0, 10.0), 0);
    EXPECT_EQ(TemperatureToGrey(15, 10.0), 0);
    EXPECT_EQ(TemperatureToGrey(-1, 10.0), 0);
    EXPECT_EQ(TemperatureToGrey(1, -150.0), 85);   // the coldest segment takes everything colder
    EXPECT_EQ(TemperatureToGrey(13, 40.0), 160);   // the warmest step takes everything warmer
    EXPECT_EQ(TemperatureToGrey(13, -31.1), 60);   // between steps: the colder step
    // Gap between BD's first two segments: the colder one, extrapolated.
    EXPECT_EQ(TemperatureToGrey(1, 9.3), 109);
    // Midway along WV new: 127.5 rounds to the even 128.
    EXPECT_EQ(TemperatureToGrey(11, -47.5), 128);
    // ZA's last segment is linear and extrapolates below its end, clamped at 255.
    EXPECT_EQ(TemperatureToGrey(12, -100.0), 255);
    EXPECT_EQ(TemperatureToGrey(12, std::nan("")), 0);
}

}  // namespace
}  // namespace kestrune
