// The view parameters of an unattended run as the saved pictures show them:
// palettes that are refused and SST ranges given back to front or beyond
// the side panel's limits, each compared with the picture of a run that asked
// for the plain view or the range as the panel would hold it.
#include "tests/app/EndToEndRun.h"

namespace kestrune {
namespace {

using testing::Base;
using testing::LinesHolding;
using testing::LinesOf;
using testing::TRunResult;

class ViewItemsEndToEndTest : public testing::TEndToEndRun {
protected:
    std::string OutFolder(const std::string& name) const { return folder / ("out/" + name + "/"); }
    std::string Picture(const std::string& name, const char* suffix) const {
        return OutFolder(name) + Base + suffix;
    }
};

TEST_F(ViewItemsEndToEndTest, ARefusedPaletteSavesThePlainViewNotAnEarlierItemsPalette) {
    std::string good;
    std::string jasc = "JASC-PAL\r\n0100\r\n256\r\n";
    for (int i = 0; i < 256; ++i) {
        good += std::to_string(i) + "," + std::to_string(255 - i) + "," + std::to_string(i * 3 % 256) + "\n";
        jasc += std::to_string(255 - i) + " " + std::to_string(i) + " " + std::to_string(i * 7 % 256) + "\r\n";
    }
    folder.Write("program/good.pal", good);
    folder.Write("program/jasc.pal", jasc);
    folder.Write("program/bad.pal", "two lines\nof text\n");

    ASSERT_EQ(Run({"-OUTPUT:" + OutFolder("plain"), "-SST:x.bmp", "-NDVI:x.bmp", "-CLOSE"}).Status, 0) << Log();
    const TRunResult run =
        Run({"-OUTPUT:" + OutFolder("a"), "-SSTgood.pal:x.bmp", "-OUTPUT:" + OutFolder("b"), "-SSTbad.pal:x.bmp",
             "-OUTPUT:" + OutFolder("d"), "-NDVIjasc.pal:x.bmp", "-OUTPUT:" + OutFolder("e"), "-NDVIbad.pal:x.bmp",
             "-OUTPUT:" + OutFolder("f"), "-NDVInothere.pal:x.bmp", "-CLOSE"});
    EXPECT_EQ(run.Status, 4) << Log();
    const std::vector<std::string> told = LinesOf(Log());
    EXPECT_EQ(LinesHolding(told, "-SSTbad.pal:x.bmp: "), 1) << Log();
    EXPECT_EQ(LinesHolding(told, "-NDVIbad.pal:x.bmp: "), 1) << Log();
    EXPECT_EQ(LinesHolding(told, "-NDVInothere.pal:x.bmp: "), 1) << Log();

    ASSERT_TRUE(IsBmp(Picture("plain", "-st.bmp")) && IsBmp(Picture("plain", "-vg.bmp")));
    EXPECT_FALSE(SameContent(Picture("a", "-st.bmp"), Picture("plain", "-st.bmp"))) << "the good palette was not used";
    EXPECT_TRUE(SameContent(Picture("b", "-st.bmp"), Picture("plain", "-st.bmp")));
    EXPECT_FALSE(SameContent(Picture("d", "-vg.bmp"), Picture("plain", "-vg.bmp"))) << "the JASC palette was not used";
    EXPECT_TRUE(SameContent(Picture("e", "-vg.bmp"), Picture("plain", "-vg.bmp")));
    EXPECT_TRUE(SameContent(Picture("f", "-vg.bmp"), Picture("plain", "-vg.bmp")));
}

TEST_F(ViewItemsEndToEndTest, SstRangesAreTurnedRoundAndBroughtWithinTheLimits) {
    ASSERT_EQ(Run({"-OUTPUT:" + OutFolder("held"), "-SST(-2,10):x.bmp", "-OUTPUT:" + OutFolder("ordered"),
                   "-SST10+25:x.bmp", "-CLOSE"})
                  .Status,
              0)
        << Log();
    ASSERT_TRUE(IsBmp(Picture("held", "-st.bmp")));
    ASSERT_FALSE(SameContent(Picture("held", "-st.bmp"), Picture("ordered", "-st.bmp")));

    EXPECT_EQ(Run({"-OUTPUT:" + OutFolder("turned"), "-SST25+10:x.bmp", "-CLOSE"}).Status, 0) << Log();
    EXPECT_TRUE(SameContent(Picture("turned", "-st.bmp"), Picture("ordered", "-st.bmp")));

    const TRunResult beyond = Run({"-OUTPUT:" + OutFolder("separated"), "-SST10-25:x.bmp",
                                   "-OUTPUT:" + OutFolder("bracketed"), "-SST(-25,10):x.bmp", "-CLOSE"});
    EXPECT_EQ(beyond.Status, 4) << Log();
    const std::vector<std::string> told = LinesOf(Log());
    for (const char* item : {"-SST10-25:x.bmp: ", "-SST(-25,10):x.bmp: "})
        EXPECT_EQ(LinesHolding(told, std::string("kestrune: ") + item +
                                         "the SST range -25 to 10 C lies beyond the user range's limits"),
                  1)
            << Log();
    EXPECT_EQ(LinesHolding(told, "the view was saved with -2 to 10 C"), 2) << Log();
    EXPECT_TRUE(SameContent(Picture("separated", "-st.bmp"), Picture("held", "-st.bmp")));
    EXPECT_TRUE(SameContent(Picture("bracketed", "-st.bmp"), Picture("held", "-st.bmp")));
}

}  // namespace
}  // namespace kestrune
