// The palette file as the shipped help words it loads as a palette: the
// example of the page "Side panel", completed as its text says.
#include "platform/SysUtils.h"
#include "render/ViewLookups.h"
#include "tests/platform/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrune {
namespace {

std::string ShippedPage(const std::string& name) {
    return testing::TTempFolder::Read(ExtractFilePath(KESTRUNE_EXECUTABLE) + "help/" + name);
}

// The text of the page's first <pre class="palette-example">, "" without one.
std::string PaletteExample(const std::string& page) {
    const std::string open = "<pre class=\"palette-example\">";
    const size_t start = page.find(open);
    if (start == std::string::npos) return {};
    const size_t end = page.find("</pre>", start);
    return end == std::string::npos ? std::string() : page.substr(start + open.size(), end - start - open.size());
}

TBgrEntry Rgb(int red, int green, int blue) {
    return {static_cast<uint8_t>(blue), static_cast<uint8_t>(green), static_cast<uint8_t>(red)};
}

TEST(HelpPaletteFormatTest, ThePageExampleCompletedAsWordedIsAPaletteFromBlackToRed) {
    const std::string page = ShippedPage("sidepanel.html");
    ASSERT_FALSE(page.empty()) << "no shipped help page sidepanel.html";
    std::string file = PaletteExample(page);
    ASSERT_FALSE(file.empty()) << "the page shows no palette file";
    EXPECT_NE(page.find("and so on, up to the line \"255 255 0 0\""), std::string::npos);
    for (int index = 4; index < 256; ++index) file += "\n" + std::to_string(index) + " " + std::to_string(index) + " 0 0";
    testing::TTempFolder folder;
    TPalette1D palette{};
    ASSERT_TRUE(LoadPaletteFile(palette, folder.Write("red.pal", file + "\n")));
    EXPECT_EQ(palette[0], Rgb(0, 0, 0));
    EXPECT_EQ(palette[4 * 3 + 3], Rgb(3, 0, 0));
    EXPECT_EQ(palette[4 * 128], Rgb(128, 0, 0));
    EXPECT_EQ(palette[1023], Rgb(255, 0, 0));

    // Whatever the skipped second line holds.
    const size_t secondLine = file.find('\n') + 1;
    file.replace(secondLine, file.find('\n', secondLine) - secondLine, "colours from black to red");
    EXPECT_TRUE(LoadPaletteFile(palette, folder.Write("red.pal", file)));
    EXPECT_EQ(palette[1023], Rgb(255, 0, 0));
}

// Entries from the second line on, as a reader of the page could write them,
// are not the format: the index 0 line is skipped and the rest do not match
// their places.
TEST(HelpPaletteFormatTest, ColoursFromTheSecondLineAreNotAPalette) {
    std::string file = "Palette\n";
    for (int index = 0; index < 256; ++index) file += std::to_string(index) + " " + std::to_string(index) + " 0 0\n";
    testing::TTempFolder folder;
    TPalette1D palette{};
    EXPECT_FALSE(LoadPaletteFile(palette, folder.Write("red.pal", file)));
}

}  // namespace
}  // namespace kestrune
