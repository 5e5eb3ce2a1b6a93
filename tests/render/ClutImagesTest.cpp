#include "render/ClutImages.h"

#include "platform/DialogService.h"
#include "render/BMPExtImage.h"
#include "../platform/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

// A colour table chosen from the CLUT list, or the ash palette, that is a
// named pipe, a device or a file far larger than any picture is told and not
// read; the colours are the program's own, and the file stays as it was.
TEST(ClutImages, WhatIsNoPictureFileIsToldAndLeftAlone) {
    TTempFolder folder;
    const std::string pipe = folder / "CLUT_pipe.bmp";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string device = folder / "CLUT_zero.bmp";
    std::filesystem::create_symlink("/dev/zero", device);
    const std::string large = folder.Write("ash-palette.bmp", "");
    std::filesystem::resize_file(large, 300u << 20);
    const std::vector<std::pair<std::string, std::string>> cases{
        {pipe, "CLUT_pipe.bmp is a named pipe: it is left as it is"},
        {device, "CLUT_zero.bmp is a device: it is left as it is"},
        {large, "ash-palette.bmp holds 314572800 bytes, far more than it ever holds (at most 268435456): it is left as it is"},
    };
    TDialogService& dialogs = TDialogService::Instance();
    dialogs.SetMode(TDialogService::Mode::Scripted);
    for (const auto& [file, told] : cases) {
        SCOPED_TRACE(told);
        dialogs.ClearScript();
        EXPECT_FALSE(LoadClut(file).has_value());
        const TAshPalette ash = LoadAshPalette(file);
        EXPECT_TRUE(std::all_of(ash.begin(), ash.end(), [](const TBgrEntry& entry) { return entry == TBgrEntry{}; }));
        ASSERT_EQ(dialogs.Requests().size(), 2u);
        for (const auto& request : dialogs.Requests()) EXPECT_NE(request.text.find(told), std::string::npos) << request.text;
    }
    dialogs.SetMode(TDialogService::Mode::Unattended);
    EXPECT_EQ(std::filesystem::file_size(large), 300u << 20);
}

}  // namespace
}  // namespace kestrune
