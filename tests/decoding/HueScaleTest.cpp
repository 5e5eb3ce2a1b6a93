#include "decoding/HueScale.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace kestrune {
namespace {

using Rgb = std::array<int32_t, 3>;

Rgb Hue(double value, double low, double high) {
    Rgb c{};
    ValueToHueRgb(value, low, high, c[0], c[1], c[2]);
    return c;
}

std::array<double, 3> Hsv(double hue, double saturation, double value) {
    std::array<double, 3> c{};
    HsvToRgb(hue, saturation, value, c[0], c[1], c[2]);
    return c;
}

TEST(HueScale, EndsOfTheRangeAreRedAndMagenta) {
    EXPECT_EQ(Hue(27.0, -1.0, 27.0), (Rgb{255, 0, 0}));
    // Hue 315: red 1, green 0, blue 1 - 0.25 -> 191.25 -> 191.
    EXPECT_EQ(Hue(-1.0, -1.0, 27.0), (Rgb{255, 0, 191}));
}

TEST(HueScale, OutsideTheRangeGivesFixedColours) {
    EXPECT_EQ(Hue(-1.001, -1.0, 27.0), (Rgb{170, 190, 190}));
    EXPECT_EQ(Hue(27.001, -1.0, 27.0), (Rgb{100, 100, 85}));
}

TEST(HueScale, InsideTheRangeRoundsHalvesToEven) {
    // A third of the way up: hue 210, sector 3 with f = 0.5: (0, 0.5, 1);
    // 127.5 rounds to the even 128.
    EXPECT_EQ(Hue(1.0, 0.0, 3.0), (Rgb{0, 128, 255}));
    // Half way: hue 157.5, sector 2, f = 0.625: (0, 1, 0.625) -> 159.375.
    EXPECT_EQ(Hue(5.0, 0.0, 10.0), (Rgb{0, 255, 159}));
}

TEST(HsvToRgb, SectorsAndWrapping) {
    EXPECT_EQ(Hsv(0.0, 1.0, 1.0), (std::array<double, 3>{1, 0, 0}));
    EXPECT_EQ(Hsv(120.0, 1.0, 1.0), (std::array<double, 3>{0, 1, 0}));
    EXPECT_EQ(Hsv(240.0, 1.0, 1.0), (std::array<double, 3>{0, 0, 1}));
    EXPECT_EQ(Hsv(360.0, 1.0, 1.0), Hsv(0.0, 1.0, 1.0));
    EXPECT_EQ(Hsv(-60.0, 1.0, 1.0), Hsv(300.0, 1.0, 1.0));
    EXPECT_EQ(Hsv(std::nan(""), 1.0, 1.0), Hsv(0.0, 1.0, 1.0));
    const auto c = Hsv(90.0, 0.5, 0.8);  // sector 1, f = 0.5: q = 0.8 x 0.75, v, p = 0.4
    EXPECT_DOUBLE_EQ(c[0], 0.6);
    EXPECT_DOUBLE_EQ(c[1], 0.8);
    EXPECT_DOUBLE_EQ(c[2], 0.4);
}

}  // namespace
}  // namespace kestrune
