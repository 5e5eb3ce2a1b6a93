#include "tools/viewdata/ColourScale.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrune::viewdata {
namespace {

using ::testing::HasSubstr;

// Two slices about a hinge at zero, as GMT writes a diverging scale.
const char* const Diverging =
    "#\n# SCM/vik : diverging, by its author [S,C=RGB]\n# COLOR_MODEL = RGB\n# SOFT_HINGE\n"
    "-1.000000\t0/18/97\t0.000000\t235/235/235\n"
    "0\t235 235 235\t1\t89 0 8\tL ; annotation\n"
    "B\t0/18/97\nF\t89/0/8\nN\t255/255/255\n";

TEST(ColourScaleTest, ColoursBetweenTheSlicesEnds) {
    const TColourScale scale = TColourScale::Read(Diverging);
    EXPECT_EQ(scale.At(0.0), (TBgrEntry{97, 18, 0}));
    EXPECT_EQ(scale.At(0.5), (TBgrEntry{235, 235, 235}));
    EXPECT_EQ(scale.At(1.0), (TBgrEntry{8, 0, 89}));
    // A quarter of the way: half way through the first slice, rounded.
    EXPECT_EQ(scale.At(0.25), (TBgrEntry{166, 127, 118}));
    EXPECT_EQ(scale.At(0.75), (TBgrEntry{122, 118, 162}));
    EXPECT_EQ(scale.At(-3.0), scale.At(0.0));
    EXPECT_EQ(scale.At(7.0), scale.At(1.0));
}

TEST(ColourScaleTest, TablesThatAreNoRgbScaleNameTheirLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"# nothing but comments\n", "The colour table holds no slices"},
        {"0 red 1 blue\n", "Line 1 of the colour table: not a slice of two RGB colours"},
        {"0 0-1-1 1 240-1-1\n", "not a slice of two RGB colours"},
        {"0 0/0/0 1\n", "not a slice of two RGB colours"},
        {"0 0/0/0 1 255/255/256\n", "Line 1 of the colour table: a colour beyond 0..255"},
        {"0 0/0/0 1 1/1/1\n1 1/1/1 0.5 2/2/2\n", "Line 2 of the colour table: a slice out of order"},
        {"0 0/0/0 1 1/1/1\n0.5 1/1/1 2 2/2/2\n", "a slice out of order"},
        {"0 0/0/0 nan 1/1/1\n", "not a slice of two RGB colours"},
        {"0 0/0/0 1 1/1/1 Q\n", "not a slice of two RGB colours"},
    };
    for (const auto& c : cases) {
        try {
            TColourScale::Read(c.text);
            ADD_FAILURE() << c.text;
        } catch (const EColourScaleError& error) {
            EXPECT_THAT(error.what(), HasSubstr(c.message)) << c.text;
        }
    }
}

}  // namespace
}  // namespace kestrune::viewdata
