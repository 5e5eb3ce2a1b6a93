#include "decoding/qelHistogram.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

TEST(qelHistogram, NoMoreCountsThanBinsGivesFullRange) {
    TqelHistogram h(1024);
    h.Counts()[10] = 1000;
    h.Counts()[900] = 24;
    EXPECT_EQ(h.Total(), 1024);
    EXPECT_EQ(h.Low(), 0);
    EXPECT_EQ(h.High(), 1023);
    EXPECT_EQ(h.Mode(), 10);
}

TEST(qelHistogram, PercentilesByHand) {
    // 2000 counts: bins 0..99 hold 20 each. nLow = round(2000 * 0.5 / 100) = 10 -> bin 0;
    // nHigh = round(1990) -> counts below bin 99 are 1980 < 1990 -> bin 99; nHalf 1000 -> bin 49.
    TqelHistogram h(1024);
    for (int i = 0; i < 100; ++i) h.Counts()[i] = 20;
    EXPECT_EQ(h.Low(), 0);
    EXPECT_EQ(h.High(), 99);
    EXPECT_EQ(h.Median(), 49);
}

TEST(qelHistogram, PercentLimitsAreStrict) {
    TqelHistogram h(16);
    h.SetLowPercent(0.01f);
    h.SetHighPercent(99.99f);
    EXPECT_FLOAT_EQ(h.LowPercent(), 0.5f);
    EXPECT_FLOAT_EQ(h.HighPercent(), 99.5f);
    h.SetLowPercent(99.6f);  // above HighPercent
    EXPECT_FLOAT_EQ(h.LowPercent(), 0.5f);
    h.SetLowPercent(1.0f);
    h.SetHighPercent(90.0f);
    EXPECT_FLOAT_EQ(h.LowPercent(), 1.0f);
    EXPECT_FLOAT_EQ(h.HighPercent(), 90.0f);
}

TEST(qelHistogram, AddDropsValuesOutsideTheBins) {
    TqelHistogram h(4);
    h.Add(-1);
    h.Add(4);
    h.Add(3);
    EXPECT_EQ(h.Total(), 1);
}

}  // namespace
}  // namespace kestrune
