#include "render/AptImage.h"

#include "render/BMPExtImage.h"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

void Fill(TExtBitmap& bitmap, uint8_t (*value)(int x, int y, int byte)) {
    const int step = BytesPerPixel(bitmap.PixelFormat());
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            for (int b = 0; b < step; ++b) row[x * step + b] = value(x, y, b);
    }
}

TEST(AptImage, GroupsResampleByTheirRules) {
    TExtBitmap source, target;
    source.SetSize(2048, 3);
    // Every byte equals the pixel's index modulo 256 (blue), or a constant.
    Fill(source, [](int x, int, int byte) -> uint8_t { return byte == 0 ? static_cast<uint8_t>(x & 255) : 7; });
    ConvertToAPT(source, target);
    const uint8_t* row = target.ScanLine(0);
    auto blue = [&](int x) { return static_cast<int>(row[3 * x]); };
    EXPECT_EQ(blue(0), 0);
    EXPECT_EQ(blue(120), 120);
    EXPECT_EQ(blue(121), 121);  // (2 x 121 + 122) div 3
    EXPECT_EQ(blue(122), 122);  // (2 x 122 + 123) div 3
    EXPECT_EQ(blue(183), (214 + 215) / 2);  // the first halving group: inputs 214, 215
    // Quarter group: output 121 + 62 + 83 + 110 = 376 from inputs 710 .. 713 (mod 256: 198 .. 201).
    EXPECT_EQ(blue(376), (198 + 199 + 200 + 201) / 4);
    // Mirrored three-to-two group: outputs 726, 727 from inputs 1834 .. 1836 (mod 256: 42 .. 44).
    EXPECT_EQ(blue(726), (42 + 2 * 43) / 3);
    EXPECT_EQ(blue(727), (43 + 2 * 44) / 3);
    EXPECT_EQ(blue(908), 2047 & 255);
    EXPECT_EQ(row[3 * 500 + 1], 7);
    EXPECT_EQ(row[3 * 500 + 2], 7);
}

TEST(AptImage, LinesMergeWithTheMiddleWeightedTwice) {
    TExtBitmap source, target;
    source.SetPixelFormat(TPixelFormat::pf8bit);
    source.SetSize(2048, 3);
    Fill(source, [](int, int y, int) -> uint8_t { return static_cast<uint8_t>(y == 0 ? 10 : y == 1 ? 20 : 90); });
    ConvertToAPT(source, target);
    EXPECT_EQ(target.ScanLine(0)[0], (10 + 40 + 90) / 4);
}

}  // namespace
}  // namespace kestrune
