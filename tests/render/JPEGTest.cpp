#include "render/JPEG_IO.h"
#include "render/JPEGwriter.h"

#include "platform/FileIO.h"
#include "tests/platform/TempFolder.h"
#include "tests/render/DamagedCopies.h"

#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <cmath>
#include <cstdlib>

namespace kestrune {
namespace {

using testing::TTempFolder;

// A smooth picture, as photographs and satellite views are.
std::unique_ptr<TExtBitmap> Gradient(int width, int height, TPixelFormat format = TPixelFormat::pf24bit) {
    auto bitmap = std::make_unique<TExtBitmap>();
    bitmap->SetPixelFormat(format);
    bitmap->SetSize(width, height);
    const int bytes = BytesPerPixel(format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < bytes; ++c) {
                const int ramp = c == 0 ? x * 255 / width : c == 1 ? y * 255 / height : (x + y) * 127 / (width + height);
                bitmap->ScanLine(y)[x * bytes + c] = static_cast<uint8_t>(ramp);
            }
    return bitmap;
}

double MeanDifference(const TExtBitmap& a, const TExtBitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (std::size_t k = 0; k < a.RowBytes(); ++k)
            sum += std::abs(a.ScanLine(y)[k] - b.ScanLine(y)[k]);
    return sum / (static_cast<double>(a.Height()) * static_cast<double>(a.RowBytes()));
}

// A JPEG of one (grey) or four (CMYK) components, written by libjpeg itself.
std::string WriteRawJpeg(const TTempFolder& folder, const std::string& name, int width, int height,
                         int components, const std::vector<uint8_t>& samples) {
    jpeg_compress_struct codec{};
    jpeg_error_mgr errors;
    codec.err = jpeg_std_error(&errors);
    jpeg_create_compress(&codec);
    unsigned char* output = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&codec, &output, &size);
    codec.image_width = static_cast<JDIMENSION>(width);
    codec.image_height = static_cast<JDIMENSION>(height);
    codec.input_components = components;
    codec.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, 100, TRUE);
    jpeg_start_compress(&codec, TRUE);
    for (int y = 0; y < height; ++y) {
        JSAMPROW row = const_cast<uint8_t*>(samples.data() + static_cast<std::size_t>(y) * width * components);
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    const std::string path = folder.Write(name, std::string(reinterpret_cast<char*>(output), size));
    std::free(output);
    return path;
}

class JpegFiles : public ::testing::Test {
protected:
    TTempFolder folder;
};

TEST_F(JpegFiles, ColourPicturesRoundTripCloselyAndQtReadsThem) {
    const auto bitmap = Gradient(80, 40);
    const std::string file = folder / "round.jpg";
    SaveBitmapAsJPEG(*bitmap, file, 2);
    TExtBitmap loaded;
    ASSERT_TRUE(LoadJPEGFile(&loaded, file, false, 0));
    EXPECT_EQ(loaded.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(loaded.Width(), 80);
    EXPECT_EQ(loaded.Height(), 40);
    EXPECT_LT(MeanDifference(loaded, *bitmap), 3.0);
    EXPECT_TRUE(loaded.Modified());
    const QImage image(QString::fromStdString(file), "JPG");
    ASSERT_FALSE(image.isNull());
    const uint8_t* pixel = loaded.ScanLine(20) + 3 * 40;
    EXPECT_EQ(image.pixel(40, 20) & 0xFFFFFF, qRgb(pixel[2], pixel[1], pixel[0]) & 0xFFFFFF);
}

TEST_F(JpegFiles, ReducedReadsRoundEachSideUp) {
    const std::string file = folder / "big.jpg";
    SaveBitmapAsJPEG(*Gradient(1001, 601), file, 1);
    const std::vector<std::tuple<int, int, int>> cases = {
        {0, 1001, 601}, {1, 501, 301}, {2, 251, 151}, {3, 126, 76}, {7, 1001, 601}, {-1, 1001, 601}};
    for (const auto& [scale, width, height] : cases) {
        TExtBitmap loaded;
        ASSERT_TRUE(LoadJPEGFile(&loaded, file, true, scale)) << scale;
        EXPECT_EQ(loaded.Width(), width) << scale;
        EXPECT_EQ(loaded.Height(), height) << scale;
    }
    // The header alone gives the whole size, which chooses the reduction.
    int width = 0, height = 0;
    ASSERT_TRUE(ReadJPEGSize(file, width, height));
    EXPECT_EQ(width, 1001);
    EXPECT_EQ(height, 601);
    // An eighth-size read is close to the picture shrunk by area.
    auto full = std::make_unique<TExtBitmap>();
    ASSERT_TRUE(LoadJPEGFile(full.get(), file, true, 0));
    TExtBitmap eighth;
    ASSERT_TRUE(LoadJPEGFile(&eighth, file, true, 3));
    const uint8_t* reduced = eighth.ScanLine(40) + 3 * 60;
    const uint8_t* original = full->ScanLine(40 * 8 + 3) + 3 * (60 * 8 + 3);
    EXPECT_NEAR(reduced[0], original[0], 12);
}

TEST_F(JpegFiles, TruncatedAndCorruptFilesAreNotRead) {
    const std::string whole = [&] {
        SaveBitmapAsJPEG(*Gradient(120, 90), folder / "whole.jpg", 1);
        return TTempFolder::Read(folder / "whole.jpg");
    }();
    std::string scrambled = whole;
    for (std::size_t k = scrambled.size() / 3; k < scrambled.size() - 2; k += 7)
        scrambled[k] = static_cast<char>(0xFF);
    // A header that claims 65535 x 65535 pixels for a few kilobytes of data.
    std::string huge = whole;
    const std::size_t frame = huge.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    huge.replace(frame + 5, 4, "\xFF\xFF\xFF\xFF");
    const std::vector<std::string> cases = {
        "", "\xFF\xD8", whole.substr(0, 100), whole.substr(0, whole.size() / 2),
        whole.substr(0, whole.size() - 40), whole.substr(0, whole.size() - 2), std::string(5000, 'x'), "\xFF\xD8\xFF\xE0" + std::string(300, '\0'), scrambled, huge};
    for (std::size_t k = 0; k < cases.size(); ++k) {
        TExtBitmap bitmap;
        EXPECT_FALSE(LoadJPEGFile(&bitmap, folder.Write("bad.jpg", cases[k]), true, 0)) << k;
    }
}

// Whatever a damaged file holds, the reader answers True with a whole
// bitmap or False; the sanitizer build catches any read beyond the data.
TEST_F(JpegFiles, DamagedFilesAreReadWholeOrRefusedCleanly) {
    SaveBitmapAsJPEG(*Gradient(40, 24), folder / "colour.jpg", 1);
    std::vector<uint8_t> samples(24 * 16);
    for (std::size_t k = 0; k < samples.size(); ++k)
        samples[k] = static_cast<uint8_t>(k * 7);
    std::vector<uint8_t> cmyk(16 * 8 * 4);
    for (std::size_t k = 0; k < cmyk.size(); ++k)
        cmyk[k] = static_cast<uint8_t>(k * 13);
    const std::vector<std::string> goods = {TTempFolder::Read(folder / "colour.jpg"),
                                            TTempFolder::Read(WriteRawJpeg(folder, "grey.jpg", 24, 16, 1, samples)),
                                            TTempFolder::Read(WriteRawJpeg(folder, "cmyk.jpg", 16, 8, 4, cmyk))};
    int read = 0;
    int refused = 0;
    for (std::size_t g = 0; g < goods.size(); ++g) {
        const auto copies = testing::DamagedCopies(goods[g], 400, 150, static_cast<unsigned>(g));
        for (std::size_t k = 0; k < copies.size(); ++k) {
            const std::string file = folder.Write("damaged.jpg", copies[k]);
            TExtBitmap loaded;
            const bool takeFileFormat = k % 2 == 0;
            if (!LoadJPEGFile(&loaded, file, takeFileFormat, static_cast<int>(k % 4))) {
                ++refused;
                continue;
            }
            ++read;
            ASSERT_FALSE(loaded.Empty());
            EXPECT_EQ(MeanDifference(loaded, loaded), 0.0);  // every row can be read
        }
    }
    EXPECT_GT(read, 20);
    EXPECT_GT(refused, 100);
}

// A pass longer than the 65,500 lines the JPEG library writes cannot be a JPEG: told as
// such, not as a folder that cannot be written.
TEST_F(JpegFiles, AnImageTooLargeForTheFormatSaysSo) {
    const auto wide = Gradient(65501, 2);
    try {
        SaveBitmapAsJPEG(*wide, folder / "pass-fc.jpg", 1);
        ADD_FAILURE() << "a JPEG wider than the format allows";
    } catch (const EWriteError& error) {
        EXPECT_STREQ(error.what(), "A JPEG image is at most 65500 pixels wide and high; this one is 65501 x 2");
    }
    EXPECT_FALSE(FileExists(folder / "pass-fc.jpg"));
    EXPECT_TRUE(SaveBitmapAsJPEG(*Gradient(65500, 2), folder / "pass-fc.jpg", 1));
}

}  // namespace
}  // namespace kestrune
