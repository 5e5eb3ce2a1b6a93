#include "render/BMPExtImage.h"

#include "platform/FileIO.h"
#include "tests/platform/TempFolder.h"
#include "tests/render/DamagedCopies.h"

#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <random>
#include <sstream>

namespace kestrune {
namespace {

using testing::TTempFolder;

void FillRandom(TExtBitmap& bitmap, unsigned seed) {
    std::mt19937 random(seed);
    for (int y = 0; y < bitmap.Height(); ++y)
        for (std::size_t k = 0; k < bitmap.RowBytes(); ++k)
            bitmap.ScanLine(y)[k] = static_cast<uint8_t>(random());
}

std::vector<uint8_t> Pixels(const TExtBitmap& bitmap) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < bitmap.Height(); ++y)
        pixels.insert(pixels.end(), bitmap.ScanLine(y), bitmap.ScanLine(y) + bitmap.RowBytes());
    return pixels;
}

std::unique_ptr<TExtBitmap> MakeBitmap(int width, int height, TPixelFormat format, unsigned seed) {
    auto bitmap = std::make_unique<TExtBitmap>();
    bitmap->SetPixelFormat(format);
    bitmap->SetSize(width, height);
    FillRandom(*bitmap, seed);
    return bitmap;
}

std::vector<TRGBQuad> ColourPalette(int entries) {
    std::vector<TRGBQuad> palette;
    for (int i = 0; i < entries; ++i)
        palette.push_back(TRGBQuad{static_cast<uint8_t>(i * 7), static_cast<uint8_t>(255 - i),
                                        static_cast<uint8_t>(i * 3), 0});
    return palette;
}

// The colour a bitmap pixel shows, as Qt gives it.
QRgb ShownColour(const TExtBitmap& bitmap, int x, int y) {
    const uint8_t* row = bitmap.ScanLine(y);
    if (bitmap.PixelFormat() == TPixelFormat::pf8bit) {
        const TRGBQuad& entry = bitmap.Palette().at(row[x]);
        return qRgb(entry.Red, entry.Green, entry.Blue);
    }
    const uint8_t* pixel = row + x * BytesPerPixel(bitmap.PixelFormat());
    return qRgb(pixel[2], pixel[1], pixel[0]);
}

// Qt's reader stands for the ordinary readers of other programs.
void ExpectQtReadsTheSamePicture(const std::string& file, const TExtBitmap& bitmap) {
    const QImage image(QString::fromStdString(file), "BMP");
    ASSERT_FALSE(image.isNull()) << file;
    ASSERT_EQ(image.width(), bitmap.Width());
    ASSERT_EQ(image.height(), bitmap.Height());
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, ShownColour(bitmap, x, y) & 0xFFFFFF) << x << "," << y;
}

// An 8-bit BMP with the header values under test; rows bottom-up.
struct TRawBmp {
    int width = 10;
    int height = 4;
    uint32_t coloursUsed = 0;
    uint32_t coloursImportant = 0;
    int storedEntries = 256;
    uint32_t imageSize = 0;
    std::vector<uint8_t> indexes;  // width x height, top row first

    std::string Bytes() const {
        const int rowBytes = (width + 3) / 4 * 4;
        const uint32_t offset = 54 + storedEntries * 4;
        std::string out;
        auto u16 = [&out](uint32_t v) { out.push_back(char(v & 0xFF)); out.push_back(char((v >> 8) & 0xFF)); };
        auto u32 = [&u16](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
        u16(0x4D42); u32(offset + rowBytes * height); u32(0); u32(offset);
        u32(40); u32(width); u32(height); u16(1); u16(8); u32(0); u32(imageSize); u32(0); u32(0);
        u32(coloursUsed); u32(coloursImportant);
        for (const TRGBQuad& e : ColourPalette(storedEntries)) {
            out.push_back(char(e.Blue)); out.push_back(char(e.Green)); out.push_back(char(e.Red)); out.push_back(0);
        }
        out.resize(offset, '\0');
        for (int y = height - 1; y >= 0; --y) {
            for (int x = 0; x < width; ++x)
                out.push_back(char(indexes[y * width + x]));
            out.append(rowBytes - width, '\0');
        }
        return out;
    }
};

TRawBmp RawBmp(int width, int height, int entries) {
    TRawBmp raw;
    raw.width = width;
    raw.height = height;
    std::mt19937 random(width * 31 + height);
    for (int k = 0; k < width * height; ++k)
        raw.indexes.push_back(static_cast<uint8_t>(random() % entries));
    return raw;
}

std::string WithPixelOffset(std::string bytes, uint32_t offset) {
    std::memcpy(&bytes[10], &offset, 4);
    return bytes;
}

class BmpFiles : public ::testing::Test {
protected:
    TTempFolder folder;

    std::string Write(const std::string& name, const std::string& bytes) { return folder.Write(name, bytes); }
};

// A picture of a pass is resized in bands on all processors: pixels inside
// both sizes stay, every new pixel (and row padding) is white, on every row.
TEST(BitmapSize, PixelsKeptAndNewOnesWhiteOnEveryRow) {
    const auto bitmap = MakeBitmap(301, 700, TPixelFormat::pf24bit, 7);
    const std::vector<uint8_t> original = Pixels(*bitmap);
    bitmap->SetSize(403, 1500);
    ASSERT_EQ(bitmap->RowStride(), 1212u);
    for (int y = 0; y < bitmap->Height(); ++y) {
        const uint8_t* row = bitmap->ScanLine(y);
        const size_t kept = y < 700 ? 301 * 3 : 0;
        ASSERT_TRUE(std::equal(row, row + kept, original.begin() + static_cast<ptrdiff_t>(y * 301 * 3))) << y;
        ASSERT_TRUE(std::all_of(row + kept, row + bitmap->RowStride(), [](uint8_t b) { return b == 0xFF; })) << y;
    }
    TExtBitmap copy;
    copy.Assign(*bitmap);
    EXPECT_EQ(Pixels(copy), Pixels(*bitmap));
    bitmap->SetSize(100, 300);
    for (int y = 0; y < 300; ++y)
        ASSERT_TRUE(std::equal(bitmap->ScanLine(y), bitmap->ScanLine(y) + 300,
                               original.begin() + static_cast<ptrdiff_t>(y * 301 * 3)))
            << y;
}

// A picture to be drawn over whole: a new size gives rows of the new
// stride and tells so; the same size keeps every pixel.
TEST(BitmapSize, SizedForOverwriteKeepsPixelsOnlyAtTheSameSize) {
    const auto bitmap = MakeBitmap(301, 70, TPixelFormat::pf24bit, 9);
    const std::vector<uint8_t> original = Pixels(*bitmap);
    EXPECT_FALSE(bitmap->SetSizeForOverwrite(301, 70));
    EXPECT_EQ(Pixels(*bitmap), original);
    EXPECT_TRUE(bitmap->SetSizeForOverwrite(403, 90));
    EXPECT_EQ(bitmap->Width(), 403);
    EXPECT_EQ(bitmap->Height(), 90);
    EXPECT_EQ(bitmap->RowStride(), 1212u);
    EXPECT_EQ(bitmap->ScanLine(89) - bitmap->ScanLine(0), 89 * 1212);
    EXPECT_THROW(bitmap->SetSizeForOverwrite(-1, 5), EInvalidGraphicOperation);
    EXPECT_EQ(bitmap->Width(), 403);
    EXPECT_TRUE(bitmap->SetSizeForOverwrite(0, 0));
    EXPECT_TRUE(bitmap->Empty());
}

TEST_F(BmpFiles, RoundTripsKeepPixelsAndColourTablesAndOrdinaryReadersAgree) {
    struct TCase {
        int width, height;
        TPixelFormat format;
        int paletteEntries;  // 8-bit only
        std::size_t fileSize;
    };
    const TCase cases[] = {{7, 5, TPixelFormat::pf24bit, 0, 54 + 24 * 5},
                           {9, 4, TPixelFormat::pf8bit, 256, 54 + 1024 + 12 * 4},
                           {5, 5, TPixelFormat::pf8bit, 16, 54 + 64 + 8 * 5},
                           {3, 2, TPixelFormat::pf32bit, 0, 54 + 12 * 2}};
    unsigned seed = 3;
    for (const TCase& c : cases) {
        auto bitmap = MakeBitmap(c.width, c.height, c.format, ++seed);
        if (c.paletteEntries > 0) {
            bitmap->SetPalette(ColourPalette(c.paletteEntries));
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x)
                    bitmap->ScanLine(y)[x] = static_cast<uint8_t>(bitmap->ScanLine(y)[x] % c.paletteEntries);
        }
        const std::string file = folder / "round.bmp";
        bitmap->SaveToFile(file);
        EXPECT_EQ(TTempFolder::Read(file).size(), c.fileSize);
        TExtBitmap loaded;
        loaded.LoadFromFile(file);
        EXPECT_EQ(loaded.PixelFormat(), c.format);
        EXPECT_EQ(loaded.Width(), c.width);
        EXPECT_EQ(loaded.Palette(), c.paletteEntries > 0 ? ColourPalette(c.paletteEntries) : std::vector<TRGBQuad>{});
        EXPECT_EQ(Pixels(loaded), Pixels(*bitmap));
        ExpectQtReadsTheSamePicture(file, *bitmap);
    }
}

// Some writers declare 200 or 224 colours (as used and as important) but
// store all 256; only files of that kind, with equal counts, are repaired.
TEST_F(BmpFiles, UndeclaredColourEntriesAreSkippedOnlyWhereStored) {
    struct TCase {
        const char* what;
        uint32_t used, important;
        int stored;
        uint32_t declaredOffset;  // 0: the true one, right after the stored table
        bool pixelsIntact;
    };
    const TCase cases[] = {
        {"256 stored, 200 declared, honest offset", 200, 200, 256, 0, true},
        {"256 stored, 224 declared", 224, 224, 256, 0, true},
        {"offset written for the declared table", 200, 200, 256, 54 + 200 * 4, true},
        {"a correct short table", 200, 200, 200, 0, true},
        // Not repaired: an offset that trusts the declared table puts the
        // stored entries 200..255 into the pixels.
        {"200 used, 224 important", 200, 224, 256, 54 + 200 * 4, false},
    };
    for (const TCase& c : cases) {
        TRawBmp raw = RawBmp(8, 30, 200);
        raw.coloursUsed = c.used;
        raw.coloursImportant = c.important;
        raw.storedEntries = c.stored;
        const std::string bytes = raw.Bytes();
        const std::string file =
            Write("declared.bmp", c.declaredOffset != 0 ? WithPixelOffset(bytes, c.declaredOffset) : bytes);
        TExtBitmap loaded;
        loaded.LoadFromFile(file);
        EXPECT_EQ(loaded.Palette(), ColourPalette(static_cast<int>(c.used))) << c.what;
        EXPECT_EQ(Pixels(loaded) == raw.indexes, c.pixelsIntact) << c.what;
        if (c.declaredOffset == 0)
            ExpectQtReadsTheSamePicture(file, loaded);
    }
}

TEST_F(BmpFiles, WrongImageSizeOf2080WideImagesIsMended) {
    for (const uint32_t declared : {0u, 12345u, 2080u * 3 + 8}) {
        TRawBmp raw = RawBmp(2080, 3, 256);
        raw.imageSize = declared;
        const std::string file = Write("wide2080.bmp", raw.Bytes());
        TExtBitmap loaded;
        loaded.LoadFromFile(file);
        EXPECT_EQ(loaded.Width(), 2080);
        EXPECT_EQ(Pixels(loaded), raw.indexes) << declared;
        ExpectQtReadsTheSamePicture(file, loaded);
    }
    TRawBmp plain = RawBmp(2048, 3, 256);
    TExtBitmap loaded;
    loaded.LoadFromFile(Write("wide2048.bmp", plain.Bytes()));
    EXPECT_EQ(Pixels(loaded), plain.indexes);
}

TEST_F(BmpFiles, TwoStrayBytesAtTheEndAreIgnored) {
    auto bitmap = MakeBitmap(6, 4, TPixelFormat::pf24bit, 7);
    const std::string file = Write("stray.bmp", bitmap->SaveToBytes() + "\r\n");
    TExtBitmap loaded;
    loaded.LoadFromFile(file);
    EXPECT_EQ(Pixels(loaded), Pixels(*bitmap));
    ExpectQtReadsTheSamePicture(file, loaded);
}

TEST_F(BmpFiles, TruncatedAndCorruptFilesGiveCleanErrorsAndLeaveTheBitmapAlone) {
    const std::string paletted = MakeBitmap(9, 5, TPixelFormat::pf8bit, 8)->SaveToBytes();
    const std::string good = MakeBitmap(4, 4, TPixelFormat::pf24bit, 10)->SaveToBytes();
    auto corrupt = [&good](std::size_t offset, uint32_t value, int bytes) {
        std::string copy = good;
        std::memcpy(&copy[offset], &value, bytes);
        return copy;
    };
    std::string colourCount = corrupt(46, 1000, 4);
    colourCount[28] = 8;
    std::vector<std::string> cases = {
        corrupt(0, 0x5842, 2),       // signature "BX"
        corrupt(14, 7, 4),           // information header size
        corrupt(14, 0x7FFFFFFF, 4),  // header larger than the file
        corrupt(18, 0, 4),           // width 0
        corrupt(18, 0x40000000, 4),  // width far beyond the data
        corrupt(22, 0, 4),           // height 0
        corrupt(28, 16, 2),          // 16 bits per pixel
        corrupt(30, 1, 4),           // run-length compressed
        corrupt(30, 3, 4),           // bit fields on 24-bit pixels
        colourCount,                 // 1000 colours of 8-bit pixels
    };
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{13}, std::size_t{30},
                                     std::size_t{54}, std::size_t{300}, paletted.size() - 3})
        cases.push_back(paletted.substr(0, length));
    auto target = MakeBitmap(2, 2, TPixelFormat::pf24bit, 9);
    const std::vector<uint8_t> before = Pixels(*target);
    for (std::size_t k = 0; k < cases.size(); ++k) {
        EXPECT_THROW(target->LoadFromFile(Write("damaged.bmp", cases[k])), EInvalidGraphic) << k;
        EXPECT_EQ(target->Width(), 2);
        EXPECT_EQ(Pixels(*target), before);
    }
    EXPECT_THROW(target->LoadFromFile(folder / "missing.bmp"), Exception);
}

// Whatever a damaged file holds, the reader either gives a whole bitmap or
// raises EInvalidGraphic; the sanitizer build catches any read beyond it.
TEST(DamagedBmpFiles, AreReadWholeOrRefusedCleanly) {
    TRawBmp declared200 = RawBmp(8, 6, 200);
    declared200.coloursUsed = declared200.coloursImportant = 200;
    auto shortTable = MakeBitmap(5, 7, TPixelFormat::pf8bit, 21);
    shortTable->SetPalette(ColourPalette(16));
    const std::vector<std::string> goods = {
        MakeBitmap(9, 5, TPixelFormat::pf8bit, 20)->SaveToBytes(), shortTable->SaveToBytes(),
        MakeBitmap(7, 6, TPixelFormat::pf24bit, 22)->SaveToBytes(),
        MakeBitmap(3, 4, TPixelFormat::pf32bit, 23)->SaveToBytes(), declared200.Bytes(),
        RawBmp(2080, 2, 256).Bytes()};
    int read = 0;
    int refused = 0;
    for (std::size_t g = 0; g < goods.size(); ++g)
        for (const std::string& copy : testing::DamagedCopies(goods[g], 70, 150, static_cast<unsigned>(g))) {
            std::istringstream stream(copy);
            TExtBitmap loaded;
            try {
                loaded.LoadFromStream(stream);
            } catch (const EInvalidGraphic&) {
                ++refused;
                EXPECT_TRUE(loaded.Empty());
                continue;
            }
            ++read;
            ASSERT_FALSE(loaded.Empty());
            EXPECT_LE(loaded.Palette().size(), 256u);
            EXPECT_EQ(Pixels(loaded).size(), loaded.RowBytes() * static_cast<std::size_t>(loaded.Height()));
        }
    // Both outcomes occur, so the copies reach past the first checks.
    EXPECT_GT(read, 50);
    EXPECT_GT(refused, 50);
}

}  // namespace
}  // namespace kestrune
