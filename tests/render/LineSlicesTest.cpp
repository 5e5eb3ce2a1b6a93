#include "render/LineSlices.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace kestrune {
namespace {

// Every line of the range once, none outside it: ranges that start past 0,
// end inside a slice, are shorter than one slice or empty.
TEST(LineSlices, EveryLineOnceWhateverTheRangeAndSlice) {
    struct TCase {
        int32_t first, last, slice;
    };
    for (const TCase& c : {TCase{0, 5400, 8}, TCase{100, 903, 16}, TCase{7, 10, 8}, TCase{3, 3, 8}, TCase{0, 1, 1}}) {
        std::vector<std::atomic<int>> drawn(1000 + 5400);
        ForLineSlices(c.first, c.last, c.slice, [&](int32_t from, int32_t to) {
            EXPECT_LE(to - from, c.slice);
            for (int32_t y = from; y < to; ++y) ++drawn[static_cast<size_t>(y)];
        });
        for (int32_t y = 0; y < static_cast<int32_t>(drawn.size()); ++y)
            ASSERT_EQ(drawn[static_cast<size_t>(y)], y >= c.first && y < c.last ? 1 : 0)
                << "line " << y << " of " << c.first << ".." << c.last;
    }
}

TEST(LineSlices, WhatTheWorkRaisesIsRaisedAfterAllSlicesEnded) {
    std::atomic<int> slices{0};
    EXPECT_THROW(ForLineSlices(0, 800, 8,
                               [&](int32_t from, int32_t) {
                                   ++slices;
                                   if (from == 400) throw std::runtime_error("damaged line");
                               }),
                 std::runtime_error);
    EXPECT_GE(slices.load(), 1);
}

}  // namespace
}  // namespace kestrune
