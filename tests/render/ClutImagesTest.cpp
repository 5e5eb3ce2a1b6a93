#include "render/ClutImages.h"

#include "render/BMPExtImage.h"
#include "../platform/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace kestrune {
namespace {

using testing::TTempFolder;

std::string WriteImage(const TTempFolder& folder, const std::string& name, int width, int height) {
    TExtBitmap bitmap;
    bitmap.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = bitmap.ScanLine(y) + 3 * x;
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = static_cast<uint8_t>(x >> 8);
        }
    const std::string path = folder / name;
    bitmap.SaveToFile(path);
    return path;
}

TEST(ClutImages, ExactSizeClutLoadsOthersDoNot) {
    TTempFolder folder;
    const auto clut = LoadClut(WriteImage(folder, "clut.bmp", 361, 1024));
    ASSERT_TRUE(clut.has_value());
    EXPECT_EQ(clut->Pixel(360, 1023).Blue, 360 & 255);
    EXPECT_EQ(clut->Pixel(360, 1023).Red, 1);
    EXPECT_EQ(clut->Pixel(5, 700).Green, 700 & 255);
    EXPECT_FALSE(LoadClut(WriteImage(folder, "short.bmp", 361, 1023)).has_value());
    EXPECT_FALSE(LoadClut(folder / "none.bmp").has_value());
    EXPECT_FALSE(LoadClut("").has_value());
}

TEST(ClutImages, ClutWithTwoTrailingBytesStillLoads) {
    TTempFolder folder;
    const std::string path = WriteImage(folder, "clut.bmp", 361, 1024);
    std::ofstream(path, std::ios::binary | std::ios::app) << "\r\n";
    EXPECT_TRUE(LoadClut(path).has_value());
    std::ofstream(folder / "junk.bmp", std::ios::binary) << "not a bitmap at all";
    EXPECT_FALSE(LoadClut(folder / "junk.bmp").has_value());
}

}  // namespace
}  // namespace kestrune
