#include "orbit/CurveFit.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace kestrune {
namespace {

std::string MessageOf(auto&& call) {
    try {
        call();
    } catch (const EMathError& error) {
        return error.what();
    }
    return "no error";
}

TEST(PolyFit, TwoPointsGiveTheLineThroughThem) {
    const std::array<double, 2> x{1.0, 3.0}, y{5.0, 11.0};
    std::array<double, 2> c{};
    double correlation = -1.0;
    PolyFit(x, y, 2, 2, correlation, c);
    EXPECT_NEAR(c[0], 2.0, 1e-12);
    EXPECT_NEAR(c[1], 3.0, 1e-12);
    EXPECT_DOUBLE_EQ(correlation, 1.0);
}

TEST(PolyFit, RecoversACubicFromManyPointsWithLongerArrays) {
    // Callers pass arrays larger than the points and terms they ask for.
    std::vector<double> x(60, 99.0), y(60, -99.0), c(7, 42.0);
    for (int k = 0; k < 51; ++k) {
        x[k] = (k - 25) / 25.0;
        y[k] = 0.5 - 1.25 * x[k] + 0.75 * x[k] * x[k] + 2.0 * x[k] * x[k] * x[k];
    }
    double correlation = 0.0;
    PolyFit(x, y, 4, 51, correlation, c);
    EXPECT_NEAR(c[0], 0.5, 1e-10);
    EXPECT_NEAR(c[1], -1.25, 1e-10);
    EXPECT_NEAR(c[2], 0.75, 1e-10);
    EXPECT_NEAR(c[3], 2.0, 1e-10);
    EXPECT_EQ(c[4], 42.0);
    EXPECT_NEAR(correlation, 1.0, 1e-9);
}

TEST(PolyFit, CorrelationOfAKnownScatter) {
    // Line fit of (0,0) (1,1) (2,0): slope 0, SSE = 2/3, spread = 2/3, so r = 1.
    const std::array<double, 3> x{0.0, 1.0, 2.0}, y{0.0, 1.0, 0.0};
    std::array<double, 2> c{};
    double correlation = 5.0;
    PolyFit(x, y, 2, 3, correlation, c);
    EXPECT_NEAR(c[0], 1.0 / 3.0, 1e-12);
    EXPECT_NEAR(c[1], 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(correlation, 0.0);
    // (0,0) (1,2) (2,2) (3,4): slope 1.2, intercept 0.2, SSE 0.8, spread 8.
    const std::array<double, 4> x2{0.0, 1.0, 2.0, 3.0}, y2{0.0, 2.0, 2.0, 4.0};
    PolyFit(x2, y2, 2, 4, correlation, c);
    EXPECT_NEAR(c[0], 0.2, 1e-12);
    EXPECT_NEAR(c[1], 1.2, 1e-12);
    EXPECT_NEAR(correlation, std::sqrt(0.9), 1e-12);
}

}  // namespace
}  // namespace kestrune
