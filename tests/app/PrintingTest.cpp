// Printing as the printer gets it: pictures made dibs and read back pixel
// for pixel, damaged and hostile dib bytes refused, a picture too small for
// a dib told to the user, a PDF file there already replaced only when the
// user says so, and the long work of printing and the corrected view at
// idle priority while a reception program runs.
#include "app/CorrectedViewForm.h"
#include "app/PrintDib.h"
#include "app/PrintForm.h"
#include "render/BMPExtImage.h"
#include "render/RenderHost.h"
#include "tests/app/AppTest.h"
#include "tests/app/WidgetTestSupport.h"

#include <QFileDialog>
#include <QPrinter>

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

using testing::WaitFor;
using testing::WhenModal;

// Every pixel's colour comes from its place, so a row or column out of turn shows.
void PaintPlaces(TExtBitmap& bitmap, int width, int height) {
    bitmap.SetSize(width, height);
    const int bytes = BytesPerPixel(bitmap.PixelFormat());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * bytes; ++x) bitmap.ScanLine(y)[x] = static_cast<uint8_t>(7 * x + 31 * y);
}

std::vector<uint8_t> BmpBytes(const TExtBitmap& bitmap) {
    const std::string bytes = bitmap.SaveToBytes();
    return {bytes.begin(), bytes.end()};
}

void PutDWord(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(PrintDibTest, PicturesComeBackPixelForPixelTopRowFirst) {
    TExtBitmap colour;
    PaintPlaces(colour, 37, 11);
    TDib dib;
    ASSERT_TRUE(GraphicToDIB(colour, dib));
    EXPECT_EQ(dib.Width, 37);
    EXPECT_EQ(dib.Height, 11);
    EXPECT_EQ(dib.Pixels.size(), 11u * 112u);  // 111 bytes a row, padded to 112
    const QImage image = DibToImage(dib);
    ASSERT_EQ(image.size(), QSize(37, 11));
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 37; ++x) {
            const uint8_t* pixel = colour.ScanLine(y) + 3 * x;
            ASSERT_EQ(image.pixel(x, y), qRgb(pixel[2], pixel[1], pixel[0])) << x << "," << y;
        }

    TExtBitmap grey;
    grey.SetPixelFormat(TPixelFormat::pf8bit);
    PaintPlaces(grey, 9, 5);
    ASSERT_TRUE(GraphicToDIB(grey, dib));
    const QImage greys = DibToImage(dib);
    ASSERT_EQ(greys.size(), QSize(9, 5));
    const uint8_t corner = grey.ScanLine(4)[8];
    EXPECT_EQ(greys.pixel(8, 4), qRgb(corner, corner, corner));
}

TEST(PrintDibTest, DamagedAndHostileBytesAreRefused) {
    TExtBitmap bitmap;
    PaintPlaces(bitmap, 16, 8);
    const std::vector<uint8_t> good = BmpBytes(bitmap);
    TDib dib;
    ASSERT_TRUE(LoadDIBFromStream(good, dib));

    const auto refused = [&dib](std::vector<uint8_t> bytes, const char* why) {
        EXPECT_FALSE(LoadDIBFromStream(bytes, dib)) << why;
        EXPECT_TRUE(dib.Header.empty() && dib.Pixels.empty()) << why;
    };
    refused({good.begin(), good.begin() + 13}, "shorter than the file header");
    refused({good.begin(), good.begin() + 60}, "cut inside the pixels");
    std::vector<uint8_t> bytes = good;
    bytes[0] = 'X';
    refused(bytes, "not BM");
    bytes = good;
    PutDWord(bytes, 10, static_cast<uint32_t>(good.size()));
    refused(bytes, "pixels beyond the end");
    bytes = good;
    PutDWord(bytes, 14, 12);
    refused(bytes, "an old 12-byte header");
    bytes = good;
    PutDWord(bytes, 14 + 4, 0x7FFFFFFF);
    PutDWord(bytes, 14 + 20, 0);
    refused(bytes, "a width the bytes cannot hold");
    bytes = good;
    PutDWord(bytes, 14 + 8, 0);
    refused(bytes, "no rows");
    TExtBitmap tiny;
    PaintPlaces(tiny, 2, 2);
    refused(BmpBytes(tiny), "fewer than 32 bytes of pixels");

    // A dib of another depth, or whose rows fall short, gives no image.
    ASSERT_TRUE(LoadDIBFromStream(good, dib));
    TDib other = dib;
    other.Header[14] = 16;
    EXPECT_TRUE(DibToImage(other).isNull());
    other = dib;
    other.Pixels.resize(other.Pixels.size() - 1);
    EXPECT_TRUE(DibToImage(other).isNull());
}

class PrintingTest : public testing::TAppTest {};

TEST_F(PrintingTest, APictureTooSmallForTheTileIsToldAndNothingPrinted) {
    TExtBitmap picture;
    PaintPlaces(picture, 6, 6);
    const std::string pdf = folder / "tiny.pdf";
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    // Nine sheets of a 6 x 6 picture are tiles of 2 x 2 pixels.
    EXPECT_EQ(PrintPicture(printer, picture, 9), 0);
    ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
    EXPECT_EQ(TDialogService::Instance().Requests().front().text, "Bitmap load error while printing");
    EXPECT_FALSE(std::filesystem::exists(pdf));
    TDialogService::Instance().ClearScript();
    EXPECT_EQ(PrintPicture(printer, picture, 1), 1);
    EXPECT_TRUE(TDialogService::Instance().Requests().empty());
    EXPECT_TRUE(std::filesystem::exists(pdf));
}

// The hourglass and the idle priority a window asks its host for.
class TPriorityHost : public THeadlessRenderHost {
public:
    void BeginHourglass(bool idlePriority) override { IdleAsked.push_back(idlePriority); }
    std::vector<bool> IdleAsked;
};

TEST_F(PrintingTest, AnExistingPdfIsReplacedOnlyWhenTheUserSaysSo) {
    TExtBitmap source;
    PaintPlaces(source, 400, 300);
    TPriorityHost host;
    QPrinter printer;
    const std::string pdf = folder / "earlier.pdf";
    folder.Write("earlier.pdf", "an earlier printout");
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    TFormPrint print(nullptr, printer);
    print.SourceBitmap = &source;
    print.Host = &host;
    print.ReceiverRunning = true;
    print.show();
    ASSERT_TRUE(WaitFor([&] { return !print.Corrected().isNull(); }));
    EXPECT_EQ(host.IdleAsked, std::vector<bool>{true}) << "the correction yields to the reception program";

    TDialogService& dialogs = TDialogService::Instance();
    dialogs.QueueAnswer(mrNo);
    bool askedForName = false;
    WhenModal<QFileDialog>([&](QFileDialog& dialog) {
        askedForName = true;
        EXPECT_EQ(dialog.selectedFiles().value(0).toStdString(), pdf);
        dialog.reject();
    });
    print.ButtonPrintClick();
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_NE(dialogs.Requests().front().text.find(pdf), std::string::npos);
    EXPECT_TRUE(askedForName);
    EXPECT_EQ(testing::TTempFolder::Read(pdf), "an earlier printout");

    dialogs.QueueAnswer(mrCancel);
    print.ButtonPrintClick();
    EXPECT_EQ(testing::TTempFolder::Read(pdf), "an earlier printout");

    dialogs.QueueAnswer(mrYes);
    print.ButtonPrintClick();
    EXPECT_TRUE(testing::TTempFolder::Read(pdf).starts_with("%PDF"));
    EXPECT_EQ(host.IdleAsked, (std::vector<bool>{true, true})) << "printing yields too";
    print.hide();
}

TEST_F(PrintingTest, TheCorrectedViewYieldsToAReceptionProgram) {
    TExtBitmap source;
    PaintPlaces(source, 400, 300);
    for (const bool receiverRunning : {false, true}) {
        TPriorityHost host;
        TFormCorrectedView view(nullptr, source, false, 850.0f, &host, receiverRunning);
        EXPECT_EQ(host.IdleAsked, std::vector<bool>{receiverRunning});
    }
}

}  // namespace
}  // namespace kestrune
