// The analyst's windows opened from the main window as a user opens them:
// video adjust from the side panel, go to location from the View menu, the
// temperature profile of a pass with a known ramp, and printing to PDF
// checked page by page against the picture's tiles, and the selection
// box moved and sized with its grab handles.
#include "app/AnalystWindows.h"

#include "tests/app/AppTest.h"
#include "app/ControlSizer.h"
#include "tests/app/DirectionAnswerer.h"
#include "app/CorrectedViewForm.h"
#include "app/GoToLocationForm.h"
#include "app/HistogramForm.h"
#include "app/LoadClutForm.h"
#include "app/OverlayOptionsForm.h"
#include "app/MainCore.h"
#include "app/PrintForm.h"
#include "app/PrinterSetupForm.h"
#include "app/StandardNameForm.h"
#include "app/TalvessaForm.h"
#include "app/TemperatureProfileForm.h"
#include "app/VideoAdjustForm.h"
#include "decoding/HRPTvideo.h"
#include "decoding/Sensor.h"
#include "platform/Registry.h"
#include "platform/RegistryVariables.h"
#include "render/BMPExtImage.h"
#include "render/PixelLocation.h"
#include "tests/app/WidgetTestSupport.h"
#include "tests/platform/CommaLocale.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/LocaleFileNames.h"

#include <QAction>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsTextItem>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMouseEvent>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace kestrune {
namespace {

using testing::Find;
using testing::WaitFor;
using testing::WhenModal;

// Channel 4 climbs one count every four samples, so a line across the pass is a temperature ramp.
uint16_t ThermalRamp(int32_t line, int channel, int32_t sample) {
    return channel == 4 ? static_cast<uint16_t>(300 + sample / 4) : test::DefaultSample(line, channel, sample);
}

// The texts the profile's chart shows: its title and the axes' labels.
QStringList ChartTexts(const TFormTemperatureProfile& profile) {
    QCoreApplication::processEvents();
    QStringList texts;
    for (const QGraphicsItem* item : Find<QChartView>(profile, "ChartProfile")->scene()->items()) {
        if (const auto* text = dynamic_cast<const QGraphicsTextItem*>(item)) texts << text->toPlainText();
        if (const auto* text = dynamic_cast<const QGraphicsSimpleTextItem*>(item)) texts << text->text();
    }
    return texts;
}

// A mouse event at a point of the control, as the window system sends it.
void SendMouse(QWidget& target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(local), QPointF(target.mapToGlobal(local)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

class AnalystWindowsTest : public testing::TAppTest {
protected:
    std::unique_ptr<TFormMain> ShowWithPass(const test::THrptPassSpec& passSpec = {}) {
        auto form = std::make_unique<TFormMain>(TParams{});
        form->show();
        WaitFor([&] { return !Find<QTimer>(*form, "TimerNewFile")->isActive(); });
        form->Core().LoadDataFile(WritePass("230503_1200_noaa18.wsd", passSpec));
        return form;
    }

    testing::TDirectionAnswerer directionAnswerer;
};

TEST_F(AnalystWindowsTest, VideoAdjustOkUsesTheTablesAndCancelDropsThem) {
    auto form = ShowWithPass();
    ASSERT_TRUE(form->Core().PassLoaded());
    const std::string xfr = folder / "saved.xfr";
    WhenModal<TFormHistogramAdjust>([&](TFormHistogramAdjust& adjust) {
        EXPECT_EQ(adjust.windowTitle(), "Talvessa - Video Adjust");
        Find<QPushButton>(adjust, "ButtonAuto")->click();
        WhenModal<QFileDialog>([&](QFileDialog& dialog) {
            EXPECT_EQ(dialog.objectName(), "SaveDialog");
            Find<QLineEdit>(dialog, "fileNameEdit")->setText(QString::fromStdString(xfr));
            static_cast<QDialog&>(dialog).accept();
        });
        Find<QPushButton>(adjust, "ButtonSave")->click();
        Find<QPushButton>(adjust, "ButtonOK")->click();
    });
    Find<QPushButton>(*form, "ButtonAdjHistogram")->click();
    TVideoAdjust& adjust = form->AnalystWindows().VideoAdjust();
    EXPECT_TRUE(adjust.UseTransfer);
    TqelHistogram& red = form->Core().Pass.Video->Histogram(adjust.Channels[ColourRed]);
    EXPECT_EQ(adjust.Colours[ColourRed].Black, red.Low());
    EXPECT_EQ(adjust.Colours[ColourRed].White, red.High());
    ASSERT_TRUE(std::filesystem::exists(xfr));
    TVideoAdjust loaded;
    ASSERT_TRUE(loaded.LoadXfr(xfr));
    EXPECT_EQ(loaded.Colours[ColourRed].Transfer, adjust.Colours[ColourRed].Transfer);

    WhenModal<TFormHistogramAdjust>([](TFormHistogramAdjust& shown) {
        Find<QPushButton>(shown, "ButtonCancel")->click();
    });
    Find<QPushButton>(*form, "ButtonAdjHistogram")->click();
    EXPECT_FALSE(adjust.UseTransfer);
}

// Esc and the window's close button are the Cancel button too: the tables
// shown while adjusting are not left applied to every later view, nor to
// the picture they were tried on with Apply (which is what is saved).
TEST_F(AnalystWindowsTest, VideoAdjustEscAndCloseDropTheTablesAsCancelDoes) {
    auto form = ShowWithPass();
    auto* tabs = Find<QTabBar>(*form, "TabControlImage");
    for (int index = 0; index < tabs->count(); ++index)
        if (tabs->tabText(index) == "RGB") tabs->setCurrentIndex(index);
    auto* stretch = Find<QCheckBox>(*form, "ColourStretch");
    if (stretch->isChecked()) stretch->click();
    const auto picture = [&] {
        const TExtBitmap& display = form->Core().View.DisplayBitmap();
        return std::vector<uint8_t>(display.ScanLine(0), display.ScanLine(0) + display.RowBytes());
    };
    const std::vector<uint8_t> plain = picture();
    TVideoAdjust& adjust = form->AnalystWindows().VideoAdjust();
    const std::vector<std::function<void(TFormHistogramAdjust&)>> leaves{
        [](TFormHistogramAdjust& shown) { Find<QPushButton>(shown, "ButtonCancel")->click(); },
        [](TFormHistogramAdjust& shown) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&shown, &escape);
        },
        [](TFormHistogramAdjust& shown) { shown.close(); }};
    for (const auto& leave : leaves) {
        WhenModal<TFormHistogramAdjust>([&](TFormHistogramAdjust& shown) {
            EXPECT_TRUE(adjust.UseTransfer) << "in use while the window shows";
            // The black marker dragged a third of the way up the scale, then tried.
            auto* panel = Find<QWidget>(shown, "PanelHistoAdj");
            SendMouse(*panel, QEvent::MouseButtonPress, QPoint(12, 190), Qt::LeftButton);
            SendMouse(*panel, QEvent::MouseMove, QPoint(140, 190), Qt::LeftButton);
            SendMouse(*panel, QEvent::MouseButtonRelease, QPoint(140, 190), Qt::NoButton);
            Find<QPushButton>(shown, "ButtonApply")->click();
            EXPECT_NE(picture(), plain) << "Apply shows the tables";
            leave(shown);
        });
        Find<QPushButton>(*form, "ButtonAdjHistogram")->click();
        EXPECT_FALSE(adjust.UseTransfer);
        EXPECT_EQ(adjust.Transfer(ColourRed), nullptr);
        EXPECT_EQ(picture(), plain) << "the picture drawn again without them";
    }
}

TEST_F(AnalystWindowsTest, GoToPicksAPlaceAndThePlacesAreKeptForTheNextRun) {
    {
        auto form = ShowWithPass();
        WhenModal<TFormGoToLocation>([](TFormGoToLocation& goTo) {
            auto* grid = Find<QTableWidget>(goTo, "StringGridGoToLocation");
            EXPECT_EQ(grid->item(0, 1)->text(), "Kelbourne");
            grid->item(1, 1)->setText("Skye, west");
            grid->item(1, 2)->setText("57,3");
            grid->item(1, 3)->setText("-6.2");
            grid->item(1, 0)->setText("typed");
            EXPECT_EQ(grid->item(1, 0)->text(), "Go!");
            goTo.GoToRow(1);
        });
        std::optional<QPoint> centred;
        form->AnalystWindows().OnCentreOn = [&](QPoint pixel) { centred = pixel; };
        Find<QAction>(*form, "MenuViewGoto")->trigger();
        EXPECT_DOUBLE_EQ(form->AnalystWindows().GoToLocation().Latitude, 57.3);
        EXPECT_DOUBLE_EQ(form->AnalystWindows().GoToLocation().Longitude, -6.2);

        // An empty row tells it found nothing and stays open.
        WhenModal<TFormGoToLocation>([](TFormGoToLocation& goTo) {
            goTo.GoToRow(4);
            EXPECT_TRUE(goTo.isVisible());
            goTo.reject();
        });
        TDialogService::Instance().ClearScript();
        Find<QAction>(*form, "MenuViewGoto")->trigger();
        ASSERT_FALSE(TDialogService::Instance().Requests().empty());
        EXPECT_EQ(TDialogService::Instance().Requests().back().text,
                  "Valid latitude or longitude for \"\" not found");
    }
    TRegistryString stored("GoToLocations", "");
    const TPlaces places = ParsePlaces(stored.Value);
    EXPECT_EQ(places[1].Name, "Skye, west");
    EXPECT_EQ(places[1].Latitude, "57,3");
}

TEST_F(AnalystWindowsTest, TheProfileOfARampFollowsThePassCalibration) {
    test::THrptPassSpec passSpec;
    passSpec.Samples = ThermalRamp;
    auto form = ShowWithPass(passSpec);
    TMainCore& core = form->Core();
    ASSERT_TRUE(core.PassLoaded());
    const double* table = core.Pass.Sensor->ThermalTable4();
    ASSERT_NE(table, nullptr);
    const TPixelLocator locator(core.Pass);
    const auto locate = [&](int x, int y, float& latitude, float& longitude) {
        return locator.PixelLocation(x, y, latitude, longitude);
    };
    const auto showAcross = [](TFormTemperatureProfile& shown) {
        shown.X1 = 400;
        shown.Y1 = 120;
        shown.X2 = 1600;
        shown.Y2 = 121;
        shown.show();
    };
    TFormTemperatureProfile profile(form.get(), core.Pass, locate);
    showAcross(profile);
    const TProfile& points = profile.Profile();
    EXPECT_TRUE(points.AlongLongitude);
    ASSERT_GT(points.Points.size(), 1000u);
    // Each point is the calibration of its own sample, and the ramp shows
    // as a steady change along the line (the store may hold the pass turned).
    const std::vector<TProfilePixel> pixels = ProfilePixels(400, 120, 1600, 121);
    ASSERT_EQ(points.Points.size(), pixels.size());
    const double direction = points.Points.back().Temperature - points.Points.front().Temperature;
    EXPECT_GT(std::abs(direction), 30.0);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint16_t sample = core.Pass.Video->SampleAddress(4, pixels[i].Y)[pixels[i].X];
        EXPECT_NEAR(points.Points[i].Temperature, table[sample], 0.1);
        const double step = i > 0 ? points.Points[i].Temperature - points.Points[i - 1].Temperature : 0.0;
        EXPECT_GE(step * direction, 0.0);
    }
    EXPECT_EQ(profile.Series()->count(), static_cast<int>(points.Points.size()));
    const double firstKelvin = points.Points.front().Temperature;
    EXPECT_TRUE(std::ranges::any_of(ChartTexts(profile), [](const QString& text) { return text.endsWith(" K"); }));
    profile.ChartProfileClick();
    EXPECT_NEAR(profile.Profile().Points.front().Temperature, firstKelvin - 273.15, 1e-9);
    // The temperature axis reads in degrees Celsius, the degree sign whole.
    const QStringList celsius = ChartTexts(profile);
    EXPECT_TRUE(std::ranges::any_of(celsius, [](const QString& text) { return text.endsWith(" \u00B0C"); }))
        << celsius.join(" | ").toStdString();
    for (const QString& text : celsius) EXPECT_FALSE(text.contains(QChar(0xFFFD))) << text.toStdString();
    profile.hide();

    // Under a locale of decimal commas the axes and the histogram's limits
    // write them, as the cursor read-out does.
    const testing::TTempFolder localeFolder;
    const testing::TCommaLocale comma(localeFolder.Path());
    if (!comma.Active()) return;
    const testing::TLocaleEnvironment user(comma.Name());
    TFormTemperatureProfile commaProfile(form.get(), core.Pass, locate);
    showAcross(commaProfile);
    const QStringList texts = ChartTexts(commaProfile);
    const auto any = [&](const char* pattern) {
        return std::ranges::any_of(texts, [&](const QString& text) { return QRegularExpression(pattern).match(text).hasMatch(); });
    };
    EXPECT_TRUE(any("^\\d+,\\d K$")) << texts.join(" | ").toStdString();
    EXPECT_TRUE(any("^-?\\d+,\\d\\d\u00B0[EW]$")) << texts.join(" | ").toStdString();
    EXPECT_FALSE(any("\\d\\.\\d")) << texts.join(" | ").toStdString();
    commaProfile.hide();
    TFormHistogram histograms(form.get());
    histograms.SetVideo(core.Pass.Video.get());
    histograms.show();
    EXPECT_TRUE(QRegularExpression("^Red marks indicate \\d+,\\d\\d% and \\d+,\\d\\d% limits$")
                    .match(Find<QLabel>(histograms, "LabelInfo")->text())
                    .hasMatch())
        << Find<QLabel>(histograms, "LabelInfo")->text().toStdString();
    histograms.hide();
}

TEST_F(AnalystWindowsTest, OverlayOptionsCancelLeavesTheSettingsAndOkWritesThem) {
    auto form = ShowWithPass();
    TMainCore& core = form->Core();
    const bool gridlines = core.Settings.OverlayGridlines->Value;
    const float latitude = core.HomeLatitude;
    WhenModal<TFormOverlayStyle>([](TFormOverlayStyle& overlays) {
        Find<QCheckBox>(overlays, "CheckBoxGridlines")->click();
        Find<QPushButton>(overlays, "ButtonCancel")->click();
    });
    Find<QAction>(*form, "OptionsOverlayOptions")->trigger();
    EXPECT_EQ(core.Settings.OverlayGridlines->Value, gridlines);

    WhenModal<TFormOverlayStyle>([](TFormOverlayStyle& overlays) {
        EXPECT_EQ(overlays.windowTitle(), "Talvessa - Overlay Options");
        EXPECT_EQ(Find<QLineEdit>(overlays, "EditLon")->text(), "-3.2");
        Find<QLineEdit>(overlays, "EditLat")->setText("north");
        Find<QLineEdit>(overlays, "EditLon")->setText("10,5");
        Find<QCheckBox>(overlays, "CheckBoxShowStations")->click();
        Find<QListWidget>(overlays, "CheckListBoxCaptionImages")->item(2)->setCheckState(Qt::Checked);
        Find<QLineEdit>(overlays, "EditTextCaption")->setText("%S over %D");
        Find<QPushButton>(overlays, "ButtonOK")->click();
    });
    Find<QAction>(*form, "OptionsOverlayOptions")->trigger();
    EXPECT_EQ(core.HomeLatitude, latitude);
    EXPECT_FLOAT_EQ(core.HomeLongitude, 10.5f);
    EXPECT_TRUE(core.Settings.OverlayStations->Value);
    EXPECT_TRUE(core.Settings.CaptionOnAPT->Value);
    EXPECT_EQ(core.Settings.CaptionText->Value, "%S over %D");
}

TEST_F(AnalystWindowsTest, TheSmallerWindowsOpenFromTheMenus) {
    auto form = ShowWithPass();
    TMainCore& core = form->Core();
    core.Settings.RenameFormat->Value = "";
    WhenModal<TFormStandardName>([](TFormStandardName& names) {
        auto* edit = Find<QLineEdit>(names, "EditFormatString");
        EXPECT_EQ(edit->text(), "yyyy-mm-dd-hhnn");
        edit->setText("yymmdd-hhnn");
        Find<QCheckBox>(names, "CheckBoxRename")->click();
        EXPECT_NE(Find<QLabel>(names, "LabelExample")->text().indexOf("-n18"), -1);
        Find<QPushButton>(names, "ButtonOK")->click();
    });
    Find<QAction>(*form, "OptionsImageNameFormat")->trigger();
    EXPECT_EQ(core.Settings.RenameFormat->Value, "yymmdd-hhnn");
    EXPECT_TRUE(core.Settings.RenameSource->Value);

    core.View.Settings.ClutFileName = "/somewhere/CLUT_old.bmp";
    WhenModal<TFormLoadCLUT>([](TFormLoadCLUT& clut) { Find<QPushButton>(clut, "ButtonCancel")->click(); });
    Find<QAction>(*form, "OptionsCLUT")->trigger();
    EXPECT_EQ(core.View.Settings.ClutFileName, "/somewhere/CLUT_old.bmp");
    WhenModal<TFormLoadCLUT>([](TFormLoadCLUT& clut) { Find<QPushButton>(clut, "ButtonStandardLUT")->click(); });
    Find<QAction>(*form, "OptionsCLUT")->trigger();
    EXPECT_EQ(core.View.Settings.ClutFileName, "");

    WhenModal<TFormHistogram>([](TFormHistogram& histograms) {
        EXPECT_TRUE(histograms.windowTitle().startsWith("Multi-channel histogram - "));
        histograms.grab();
        EXPECT_TRUE(Find<QLabel>(histograms, "LabelChan4")->isEnabled());
        EXPECT_FALSE(Find<QLabel>(histograms, "LabelChan9")->isEnabled());
        EXPECT_TRUE(Find<QLabel>(histograms, "LabelInfo")->text().startsWith("Red marks indicate"));
        Find<QPushButton>(histograms, "ButtonClose")->click();
    });
    Find<QAction>(*form, "MenuViewHistograms")->trigger();

    WhenModal<TFormCorrectedView>([](TFormCorrectedView& view) {
        EXPECT_GT(view.Image().pixmap().width(), 0);
        view.reject();
    });
    Find<QAction>(*form, "MenuViewCorrectedImage")->trigger();
}

// "Use selected" takes the entry highlighted, however it came to be: the
// first as the chooser opens, one reached by the arrow keys or clicked; with
// no picture to choose it is not offered.
TEST_F(AnalystWindowsTest, UseSelectedTakesTheHighlightedColourTable) {
    const std::string clutFolder = folder / "program/";
    for (const char* name : {"CLUT_Standard.bmp", "CLUT_batlow.bmp", "CLUT_viridis.bmp"}) folder.Write("program/" + std::string(name), "");
    struct TChoiceCase {
        const char* What;
        std::string Folder;
        std::function<void(QListWidget&)> Highlight;
        std::string Chosen;  // the false colour view's table after "Use selected"
    };
    const auto press = [](Qt::Key key) {
        return [key](QListWidget& list) {
            QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(&list, &event);
        };
    };
    const std::vector<TChoiceCase> cases{
        {"as it opens", clutFolder, [](QListWidget&) {}, clutFolder + "CLUT_batlow.bmp"},
        {"one down", clutFolder, press(Qt::Key_Down), clutFolder + "CLUT_Standard.bmp"},
        {"to the end", clutFolder, press(Qt::Key_End), clutFolder + "CLUT_viridis.bmp"},
        {"clicked", clutFolder,
         [](QListWidget& list) {
             list.setCurrentRow(1);
             emit list.itemClicked(list.currentItem());
         },
         clutFolder + "CLUT_Standard.bmp"},
    };
    for (const TChoiceCase& choice : cases) {
        SCOPED_TRACE(choice.What);
        TFormLoadCLUT dialog(nullptr, choice.Folder);
        auto* list = Find<QListWidget>(dialog, "ListBoxCLUTs");
        ASSERT_EQ(list->count(), 3);  // in the order of their names, case aside
        EXPECT_EQ(list->currentRow(), 0) << "the first entry is highlighted";
        choice.Highlight(*list);
        auto* use = Find<QPushButton>(dialog, "ButtonUseLUT");
        ASSERT_TRUE(use->isEnabled());
        WhenModal<TFormLoadCLUT>([use](TFormLoadCLUT&) { use->click(); });
        const int result = dialog.exec();
        EXPECT_EQ(ClutAfterChoice(result, dialog.Chosen, "/somewhere/CLUT_old.bmp"), choice.Chosen);
    }
    std::filesystem::create_directories(folder / "empty");
    TFormLoadCLUT empty(nullptr, folder / "empty/");
    EXPECT_FALSE(Find<QPushButton>(empty, "ButtonUseLUT")->isEnabled()) << "nothing to use";
    EXPECT_EQ(empty.Chosen, "");
}

// ---- printing ---------------------------------------------------------------------

std::string RunText(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return output;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    pclose(pipe);
    return output;
}

int PdfPages(const std::string& pdf) {
    const std::string info = RunText("pdfinfo '" + pdf + "' 2>/dev/null");
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// The picture's colour says where a pixel is: red across, green down.
void PaintPositions(TExtBitmap& picture, int width, int height) {
    picture.SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        uint8_t* line = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            line[3 * x] = 128;
            line[3 * x + 1] = static_cast<uint8_t>(y * 255 / height);
            line[3 * x + 2] = static_cast<uint8_t>(x * 255 / width);
        }
    }
}

// The printed part of a rendered page: the box of its non-white pixels.
QRect PrintedBox(const QImage& page) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (QColor(page.pixel(x, y)).blue() < 200) box = box.united(QRect(x, y, 1, 1));
    return box;
}

TEST_F(AnalystWindowsTest, SheetsPrintedToPdfShowTheirTiles) {
    if (RunText("command -v pdftoppm").empty()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    TExtBitmap picture;
    PaintPositions(picture, 2048, 5400);
    for (int sheets : {1, 4, 9}) {
        const std::string pdf = folder / ("sheets" + std::to_string(sheets) + ".pdf");
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        std::vector<int> progress;
        EXPECT_EQ(PrintPicture(printer, picture, sheets, [&](int sheet, int) {
                      progress.push_back(sheet);
                      return true;
                  }),
                  sheets);
        EXPECT_EQ(progress.size(), static_cast<size_t>(sheets));
        ASSERT_EQ(PdfPages(pdf), sheets);
        const std::string pages = folder / ("page" + std::to_string(sheets));
        RunText("pdftoppm -r 40 -png '" + pdf + "' '" + pages + "'");
        const std::vector<TPrintRect> tiles = SheetTiles(sheets, 2048, 5400);
        for (int page = 0; page < sheets; ++page) {
            const std::string number = sheets > 9 ? QString::asprintf("%02d", page + 1).toStdString()
                                                  : std::to_string(page + 1);
            const QImage rendered(QString::fromStdString(pages + "-" + number + ".png"));
            ASSERT_FALSE(rendered.isNull()) << pages << " page " << page + 1;
            const QRect box = PrintedBox(rendered);
            const TPrintRect& tile = tiles[static_cast<size_t>(page)];
            EXPECT_NEAR(static_cast<double>(box.width()) / box.height(),
                        static_cast<double>(tile.Width) / tile.Height, 0.03);
            for (double fx : {0.25, 0.5, 0.75})
                for (double fy : {0.25, 0.5, 0.75}) {
                    const QColor shown(rendered.pixel(box.left() + static_cast<int>(fx * box.width()),
                                                      box.top() + static_cast<int>(fy * box.height())));
                    const uint8_t* source = picture.ScanLine(tile.Top + static_cast<int>(fy * tile.Height)) +
                                            3 * (tile.Left + static_cast<int>(fx * tile.Width));
                    EXPECT_NEAR(shown.red(), source[2], 8) << sheets << " sheets, page " << page + 1;
                    EXPECT_NEAR(shown.green(), source[1], 8) << sheets << " sheets, page " << page + 1;
                }
        }
    }
}

TEST_F(AnalystWindowsTest, ThePrintWindowPrintsTheSelectionOfTheCorrectedPicture) {
    auto form = ShowWithPass();
    QPrinter& printer = form->AnalystWindows().Printer();
    const std::string pdf = folder / "selection.pdf";
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    WhenModal<TFormPrint>([&pdf](TFormPrint& print) {
        EXPECT_EQ(print.windowTitle(), "Talvessa - print image");
        ASSERT_TRUE(WaitFor([&] { return !print.Corrected().isNull(); }));
        for (QRadioButton* item : print.findChildren<QRadioButton*>())
            if (item->text() == "Selection" || item->text() == "On 4 sheets") item->click();
        EXPECT_TRUE(print.SelectionBox()->isVisible());
        EXPECT_EQ(print.Sheets, 4);
        const TPrintRect preview = print.PreviewArea();
        EXPECT_EQ(print.SelectionBox()->width(), preview.Width / 2);
        // Dragged by its body far beyond the picture's lower right, the box stops at its corner.
        QWidget& box = *print.SelectionBox();
        SendMouse(box, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
        SendMouse(box, QEvent::MouseMove, {3000, 3000}, Qt::LeftButton);
        SendMouse(box, QEvent::MouseButtonRelease, {3000, 3000}, Qt::NoButton);
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(box.geometry().bottomRight(), QPoint(preview.Right() - 1, preview.Bottom() - 1));
        // A box on the preview's frame holds no picture: told, and no file asked for.
        box.setGeometry(0, 0, 1, 1);
        TDialogService::Instance().ClearScript();
        print.ButtonPrintClick();
        ASSERT_EQ(TDialogService::Instance().Requests().size(), 1u);
        EXPECT_NE(TDialogService::Instance().Requests()[0].text.find("The selection holds no part of the picture"),
                  std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(pdf));
        box.setGeometry(preview.Left, preview.Top, preview.Width / 2, preview.Height / 2);
        print.ButtonPrintClick();
        Find<QPushButton>(print, "ButtonClose")->click();
    });
    Find<QAction>(*form, "FilePrint")->trigger();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    if (!RunText("command -v pdfinfo").empty()) {
        EXPECT_EQ(PdfPages(pdf), 4);
    }
}


// Chooses the PDF file and A3 in a print setup that is open, with OK or Cancel. The
// orientation is no choice: the dialog says that each picture's shape sets it.
void ChooseA3Landscape(TFormPrinterSetup& setup, const char* button) {
    EXPECT_TRUE(setup.findChildren<QRadioButton*>().isEmpty()) << "an orientation to choose that would not be taken";
    EXPECT_EQ(Find<QLabel>(setup, "LabelOrientation")->text(),
              "As the picture: landscape when it is wider than high, else portrait");
    EXPECT_EQ(setup.windowTitle(), "Print setup");
    EXPECT_EQ(Find<QPushButton>(setup, "ButtonOK")->text(), "OK");
    for (QPushButton* item : setup.findChildren<QPushButton*>()) EXPECT_NE(item->text(), "Print");
    setup.ComboBoxPrinter->setCurrentIndex(setup.ComboBoxPrinter->count() - 1);
    EXPECT_EQ(setup.ComboBoxPrinter->currentText(), "PDF file");
    setup.ComboBoxPaper->setCurrentIndex(setup.ComboBoxPaper->findText(QPageSize(QPageSize::A3).name()));
    Find<QPushButton>(setup, button)->click();
}

TEST_F(AnalystWindowsTest, PrintSetupChoosesPrinterAndPaperForTheNextPrint) {
    auto form = ShowWithPass();
    QPrinter& printer = form->AnalystWindows().Printer();
    const QPageLayout before = printer.pageLayout();
    WhenModal<TFormPrinterSetup>([](TFormPrinterSetup& setup) { ChooseA3Landscape(setup, "ButtonCancel"); });
    Find<QAction>(*form, "FilePrintSetup")->trigger();
    EXPECT_TRUE(printer.pageLayout().isEquivalentTo(before)) << "Cancel keeps the printer as it was";

    WhenModal<TFormPrinterSetup>([](TFormPrinterSetup& setup) { ChooseA3Landscape(setup, "ButtonOK"); });
    Find<QAction>(*form, "FilePrintSetup")->trigger();
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A3);
    EXPECT_TRUE(printer.outputFileName().isEmpty()) << "setting up prints nothing";

    // The print window's Setup is the same dialog and shows the same choice; the print uses it.
    const std::string pdf = folder / "a3.pdf";
    printer.setOutputFileName(QString::fromStdString(pdf));
    WhenModal<TFormPrint>([](TFormPrint& print) {
        ASSERT_TRUE(WaitFor([&] { return !print.Corrected().isNull(); }));
        WhenModal<TFormPrinterSetup>([](TFormPrinterSetup& setup) {
            EXPECT_EQ(setup.ComboBoxPrinter->currentText(), "PDF file");
            EXPECT_EQ(setup.ComboBoxPaper->currentText(), QPageSize(QPageSize::A3).name());
            setup.reject();
        });
        Find<QPushButton>(print, "ButtonPrintSetup")->click();
        print.ButtonPrintClick();
        Find<QPushButton>(print, "ButtonClose")->click();
    });
    Find<QAction>(*form, "FilePrint")->trigger();
    ASSERT_TRUE(std::filesystem::exists(pdf));
    if (!RunText("command -v pdfinfo").empty()) {
        const std::string info = RunText("pdfinfo '" + pdf + "'");
        EXPECT_NE(info.find("1191 x 842 pts (A3)"), std::string::npos) << info << "A3 landscape";
    }
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

TEST(ControlSizerWindowTest, TheBoxMovesOnlyPastTheThresholdAndResizesByItsHandles) {
    QWidget parent;
    parent.resize(400, 300);
    auto* box = new QWidget(&parent);
    box->setGeometry(100, 100, 50, 40);
    parent.show();
    TControlSizer sizer(nullptr);
    int moves = 0;
    int sizes = 0;
    std::string events;
    sizer.OnStartMove = [&] { events += "start move,"; };
    sizer.OnStartSize = [&] { events += "start size,"; };
    sizer.OnEndMove = [&] {
        ++moves;
        events += "end move,";
    };
    sizer.OnEndSize = [&] {
        ++sizes;
        events += "end size,";
    };
    sizer.SetControl(box);
    EXPECT_TRUE(sizer.Handle(4)->isVisible());
    EXPECT_EQ(sizer.Handle(4)->geometry().center(), QPoint(150, 140));

    SendMouse(*box, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    SendMouse(*box, QEvent::MouseMove, {12, 11}, Qt::LeftButton);
    SendMouse(*box, QEvent::MouseButtonRelease, {12, 11}, Qt::NoButton);
    EXPECT_EQ(box->pos(), QPoint(100, 100));
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(events, "") << "no move started below the threshold";

    SendMouse(*box, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    SendMouse(*box, QEvent::MouseMove, {13, 10}, Qt::LeftButton);
    SendMouse(*box, QEvent::MouseMove, {40, 20}, Qt::LeftButton);
    SendMouse(*box, QEvent::MouseButtonRelease, {40, 20}, Qt::NoButton);
    EXPECT_EQ(box->pos(), QPoint(130, 110));
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(events, "start move,end move,");
    events.clear();

    QWidget& corner = *sizer.Handle(4);
    const QPoint target = corner.mapFromGlobal(parent.mapToGlobal(QPoint(90, 80)));
    SendMouse(corner, QEvent::MouseButtonPress, {2, 2}, Qt::LeftButton);
    SendMouse(corner, QEvent::MouseMove, target, Qt::LeftButton);
    SendMouse(corner, QEvent::MouseButtonRelease, target, Qt::NoButton);
    EXPECT_EQ(box->geometry(), QRect(QPoint(90, 80), QPoint(129, 109)));
    EXPECT_EQ(sizes, 1);
    EXPECT_EQ(events, "start size,end size,");
    sizer.SetControl(nullptr);
    EXPECT_FALSE(sizer.Handle(4)->isVisible());
}

}  // namespace
}  // namespace kestrune
