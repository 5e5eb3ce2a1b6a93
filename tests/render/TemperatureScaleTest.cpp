#include "render/TemperatureScale.h"

#include "render/BMPExtImage.h"
#include "render/ColourScales.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(TemperatureScale, RangeAndStepOfEachKind) {
    TTemperatureScaleInputs inputs;
    TScaleRange range = TemperatureScaleRange(inputs);
    EXPECT_EQ(range.Low, -60);
    EXPECT_EQ(range.High, 40);
    EXPECT_EQ(range.Step, 10);
    EXPECT_EQ(range.Colours, TScaleColours::GreySteps);
    inputs.UserRange = true;
    for (auto [min, max, step] : {std::tuple{0, 5, 1}, {-5, 5, 2}, {0, 20, 5}, {-10, 11, 10}}) {
        inputs.UserMin = min;
        inputs.UserMax = max;
        EXPECT_EQ(TemperatureScaleRange(inputs).Step, step) << min << ".." << max;
    }
    EXPECT_EQ(TemperatureScaleRange(inputs).Colours, TScaleColours::Hue);
}

TEST(TemperatureScale, PaintsTheGreyStepsWithTicksAndLabels) {
    TExtBitmap scale;
    PaintTemperatureScale(scale, 90, 200, {});
    ASSERT_EQ(scale.Width(), 90);
    ASSERT_EQ(scale.Height(), 200);
    // Row 1 is -59.5 C, the scale's black; the right edge carries no tick there.
    const uint8_t* top = scale.ScanLine(1) + 3 * 89;
    const TRgbBytes expected = TemperatureToGreyRgb(-60.0 + 100.0 * 1 / 200);
    EXPECT_EQ(top[2], expected.red);
    EXPECT_EQ(top[1], expected.green);
    // The tick of 0 C lies at row 120, drawn in black across to the right edge.
    const uint8_t* tick = scale.ScanLine(120) + 3 * 89;
    EXPECT_EQ(tick[0] + tick[1] + tick[2], 0);
    // Labels are drawn left of the strip.
    bool labelled = false;
    for (int y = 110; y < 130 && !labelled; ++y)
        for (int x = 0; x < 20 && !labelled; ++x) labelled = scale.ScanLine(y)[3 * x] != 0xFF;
    EXPECT_TRUE(labelled);
}

TEST(AutoStretch, StretchesBetweenThePercentiles) {
    TExtBitmap bitmap;
    bitmap.SetSize(500, 11);  // lines 0 and 10 give 1,000 samples, enough for percentiles
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 500; ++x) std::fill_n(bitmap.ScanLine(y) + 3 * x, 3, static_cast<uint8_t>(50 + x / 5));
    AutoStretchBitmap(bitmap);
    EXPECT_EQ(bitmap.ScanLine(5)[0], 0);
    EXPECT_EQ(bitmap.ScanLine(5)[3 * 499], 255);
    EXPECT_GT(bitmap.ScanLine(5)[3 * 250], 100);
    EXPECT_LT(bitmap.ScanLine(5)[3 * 250], 155);
}

}  // namespace
}  // namespace kestrune
