// Opens the main window on a pass and each of the analyst's windows in turn,
// and saves a picture of every window as PNG, so that their layout can be
// looked at (tools/window-screenshots runs it under Xvfb); then the pass
// browser over a small archive beside the pass, the results folder dialog,
// the telemetry box and each file dialog, for a tour of every text. With a
// language ("DEU"), the windows show in it, from the program's language
// files. The help window shows the help beside the program.
//
//   window_screenshots PASS-FILE OUTPUT-FOLDER [LANGUAGE]
#include "app/AnalystWindows.h"
#include "app/AvhrrBrowserForm.h"
#include "app/DirectionForm.h"
#include "app/CorrectedViewForm.h"
#include "app/FireDetectionForm.h"
#include "app/GoToLocationForm.h"
#include "app/HelpWindow.h"
#include "app/HistogramForm.h"
#include "app/LoadClutForm.h"
#include "app/MessageBoxes.h"
#include "app/MainCore.h"
#include "app/OverlayOptionsForm.h"
#include "app/PersistingControls.h"
#include "app/PrintForm.h"
#include "app/PrinterSetupForm.h"
#include "app/ResidualForm.h"
#include "app/SmallForms.h"
#include "app/StandardNameForm.h"
#include "app/TalvessaForm.h"
#include "app/TemperatureProfileForm.h"
#include "app/VideoAdjustForm.h"
#include "localise/LocOnFly.h"
#include "orbit/EarthLocations.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"
#include "platform/ProgramFolder.h"
#include "render/PixelLocation.h"
#include "platform/ResCodePages.h"
#include "shell/UHyShellControls.h"
#include "shell/UHyShellModels.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QPainter>
#include <QPrinter>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

using namespace kestrune;

void Settle(int ms = 300) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Xvfb has no window manager to draw captions: the picture gets a bar with
// the window's title above it, as a desktop would show it.
void SaveWithTitle(QWidget& window, const std::string& folder, const char* name) {
    const QPixmap shot = window.grab();
    const int bar = window.fontMetrics().height() + 8;
    QPixmap framed(shot.width(), shot.height() + bar);
    framed.fill(QColor(0xD8, 0xDC, 0xE4));
    QPainter painter(&framed);
    painter.drawText(QRect(8, 0, shot.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
    painter.drawPixmap(0, bar, shot);
    painter.end();
    const std::string path = folder + "/" + name + ".png";
    if (!framed.save(QString::fromStdString(path))) std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

void Save(QWidget& window, const std::string& folder, const char* name) {
    window.show();
    window.raise();
    Settle();
    SaveWithTitle(window, folder, name);
    window.hide();
}

// A menu of the main window open, its accelerators underlined.
void SaveMenu(TFormMain& main, const std::string& folder, const char* menuName, int x) {
    auto* menu = main.findChild<QMenu*>(menuName);
    menu->popup(main.mapToGlobal(QPoint(x, 20)));
    Settle();
    menu->grab().save(QString::fromStdString(folder + "/" + menuName + ".png"));
    menu->hide();
}

// Runs show (which opens a modal dialog) and saves the dialog as it comes up, then closes it.
void SaveModal(const std::function<void()>& show, const std::string& folder, const char* name) {
    QTimer grab;
    QObject::connect(&grab, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        grab.stop();
        Settle();
        SaveWithTitle(*dialog, folder, name);
        dialog->reject();
    });
    grab.start(100);
    show();
}

// The pass-direction question of a pass whose satellite the file does not name.
void SaveDirectionQuestion(TFormMain& main, const std::string& folder) {
    auto* question = main.findChild<TFormPassDirection*>();
    if (question == nullptr) return;
    TPassDirectionRequest request;
    request.Caption = FormatResStr(res::SConfirmPassDirection, {"10-bit HRPT", "", "N19_1200.HPT"});
    request.FileName = "/data/N19_1200.HPT";
    request.FileDate = EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 0, 0);
    for (int channel = 1; channel <= 5; ++channel) request.ChannelEnabled[static_cast<size_t>(channel)] = true;
    const TPassDirectionProposal proposal = ProposePassDirection(request, EncodeDate(2023, 6, 1));
    SaveModal([&] { question->Ask(request, proposal, false); }, folder, "pass-direction");
}

// A day of an archive beside the pass: two passes with their previews, and a late sub-folder.
std::string MakeArchiveDay(const std::string& passFile) {
    const std::filesystem::path day = std::filesystem::path(passFile).parent_path() / "archive/2023/05/03";
    std::filesystem::create_directories(day / "late");
    for (const char* pass : {"noaa18_1200", "noaa19_1342"}) {
        std::ofstream(day / (std::string(pass) + ".hpt")) << std::string(4096, 'x');
        QImage preview(600, 160, QImage::Format_RGB32);
        preview.fill(QColor(60, 90, 130));
        preview.save(QString::fromStdString((day / (std::string(pass) + ".thumb.jpg")).string()), "JPEG");
    }
    return day.string();
}

// The pass browser on the archive's day with a pass chosen.
void SavePassBrowser(TFormMain& main, const std::string& day, const std::string& folder) {
    TFormBrowseAVHRR browser(&main);
    browser.show();
    Settle();
    browser.HyShellTreeBrowse->SetSelectedPath(Utf8ToUtf16(day));
    browser.HyShellTreeBrowseClick();
    browser.HyShellTreeBrowse->RunPendingTimerWork();
    Settle();
    auto& list = *browser.HyShellListBrowse;
    for (int row = 0; row < list.ItemCount(); ++row)
        if (Utf16ToUtf8(list.ItemData(row)->DisplayName()) == "noaa18_1200.thumb.jpg") list.setCurrentIndex(list.Model().index(row, 0));
    Save(browser, folder, "pass-browser");
}

// The dialogs the windows open: each file dialog, the results folder and the telemetry box.
void SaveDialogs(TFormMain& main, TFormHistogramAdjust& videoAdjust, TFormPrint& print, TFormOverlayStyle& overlays,
                 const std::string& folder) {
    const auto click = [](QWidget& window, const char* button) {
        return [&window, button] { window.findChild<QPushButton*>(button)->click(); };
    };
    const auto trigger = [&main](const char* item) { return [&main, item] { main.findChild<QAction*>(item)->trigger(); }; };
    SaveModal(trigger("MenuOpen"), folder, "open-dialog");
    SaveModal(trigger("OptionsSaveLocation"), folder, "results-folder");
    SaveModal(click(main, "ButtonBrowseLandSeaMask"), folder, "land-sea-mask-dialog");
    SaveModal(click(main, "ButtonLoadSSTpalette"), folder, "palette-dialog");
    videoAdjust.show();
    SaveModal(click(videoAdjust, "ButtonLoad"), folder, "transfer-load-dialog");
    SaveModal(click(videoAdjust, "ButtonSave"), folder, "transfer-save-dialog");
    videoAdjust.hide();
    overlays.show();
    SaveModal(click(overlays, "ButtonLocateBoundaries"), folder, "overlay-locate-dialog");
    overlays.hide();
    SaveModal(click(print, "ButtonPrint"), folder, "print-to-pdf-dialog");
    TDialogService::Instance().SetMode(TDialogService::Mode::Interactive);
    TDialogService::Instance().SetInteractiveHandler(ShowMessageBox);
    SaveModal(trigger("MenuViewTelemetry"), folder, "telemetry");
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
}

// The data files and the language files lie beside the program, which this
// tool is built beside.
void UseProgramFolder(const char* toolPath) {
    const std::string tools = QFileInfo(toolPath).absolutePath().toStdString();
    SetProgramFolderOverride(tools + "/../app");
    SetProgramNameOverride("kestrune");
}

// The program's own start of the localiser, then the language asked for.
void StartLanguage(const std::string& language) {
    TQLocalizerOnFly& localizer = TQLocalizerOnFly::Instance();
    localizer.ShowError = [](const std::string& error) { std::fprintf(stderr, "%s\n", error.c_str()); };
    localizer.InitLocalizer();
    if (!language.empty()) localizer.SwitchToExtension(language);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: window_screenshots PASS-FILE OUTPUT-FOLDER [LANGUAGE]\n");
        return 2;
    }
    QApplication application(argc, argv);
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    const std::string folder = argv[2];
    UseProgramFolder(argv[0]);
    StartLanguage(argc == 4 ? argv[3] : "");
    TFormMain main(TParams{});
    main.show();
    Settle(800);
    // Pass-direction questions take their default.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
    });
    answer.start(50);
    main.Core().LoadDataFile(argv[1]);
    answer.stop();
    Settle();
    TMainCore& core = main.Core();
    Save(main, folder, "main-window");
    // The Language menu open, its items named in the language shown.
    auto* languages = main.findChild<QMenu*>("MenuLanguage");
    languages->popup(main.mapToGlobal(QPoint(200, 20)));
    Settle();
    languages->grab().save(QString::fromStdString(folder + "/language-menu.png"));
    languages->hide();
    SaveMenu(main, folder, "MenuFile", 20);
    SaveMenu(main, folder, "MenuOptions", 120);
    SaveMenu(main, folder, "MenuView", 70);
    SaveMenu(main, folder, "MenuHelp", 240);
    SaveDirectionQuestion(main, folder);
    // The side panel of the views with the most controls.
    for (const char* view : {"User", "SST", "Temperature", "Ground Path"}) {
        core.SelectView(view);
        Save(main, folder, ("main-window-" + std::string(view)).c_str());
    }
    core.View.Options.CheckBoxShowAsh = true;
    core.SelectView("Ch.4 - Ch.5");
    Save(main, folder, "main-window-Ash");
    // The false colour view through each shipped colour look-up image.
    for (const char* clut : {"CLUT_Standard", "CLUT_viridis", "CLUT_batlow"}) {
        core.View.Settings.ClutFileName = core.ProgramFolder + clut + ".bmp";
        core.SelectView("False colour");
        Save(main, folder, ("main-window-" + std::string(clut)).c_str());
    }
    core.View.Settings.ClutFileName.clear();
    // Coastlines, borders, the grid and its labels over the whole pass (the
    // picture made smaller) and at one pixel a pixel.
    core.Settings.OverlayBoundaries->Value = true;
    core.Settings.OverlayGridlines->Value = true;
    core.Settings.OverlayGridlabels->Value = true;
    core.Settings.OverlayStations->Value = true;
    core.SelectView("False colour");
    Save(main, folder, "main-window-overlays-full");
    auto* zoom = main.findChild<TqelRadioGroup*>("RadioGroupZoom");
    zoom->SetItemIndex(1);
    zoom->OnClick();
    Save(main, folder, "main-window-overlays-1to1");
    zoom->SetItemIndex(0);
    zoom->OnClick();
    core.SelectView("False colour");
    main.show();

    TVideoAdjust& adjust = main.AnalystWindows().VideoAdjust();
    TFormHistogramAdjust videoAdjust(&main, adjust);
    videoAdjust.SetVideo(core.Pass.Video.get());
    adjust.Auto(*core.Pass.Video);
    Save(videoAdjust, folder, "video-adjust");

    Save(main.AnalystWindows().GoToLocation(), folder, "go-to-location");

    const TPixelLocator locator(core.Pass);
    TFormTemperatureProfile profile(&main, core.Pass, [&](int x, int y, float& latitude, float& longitude) {
        return locator.PixelLocation(x, y, latitude, longitude);
    });
    const int lines = core.View.DisplayBitmap().Height();
    profile.X1 = 200;
    profile.Y1 = lines / 2;
    profile.X2 = 1800;
    profile.Y2 = lines / 2 + 40;
    Save(profile, folder, "temperature-profile");

    QPrinter printer;
    TFormPrint print(&main, printer);
    print.SourceBitmap = &core.View.DisplayBitmap();
    print.Altitude = core.Pass.EarthLocations->Altitude;
    print.show();
    Settle(1500);
    Save(print, folder, "print");
    TFormPrinterSetup printerSetup(&main, printer);
    Save(printerSetup, folder, "print-setup");

    TFormOverlayStyle overlays(&main, ReadOverlayOptions(core));
    Save(overlays, folder, "overlay-options");
    TFormLoadCLUT clut(&main, core.ProgramFolder);
    Save(clut, folder, "choose-clut");
    TFormStandardName standardName(&main, {core.Settings.RenameFormat->Value, true, false, true});
    Save(standardName, folder, "image-name-format");
    TFireSettings fireSettings;
    TFormFireDetectionControl fire(&main, fireSettings);
    Save(fire, folder, "fire-detection");
    TFormCorrectedView corrected(&main, core.View.DisplayBitmap(), false, core.Pass.EarthLocations->Altitude, nullptr);
    Save(corrected, folder, "corrected-view");
    TFormHistogram histograms(&main);
    histograms.SetVideo(core.Pass.Video.get());
    Save(histograms, folder, "histograms");
    // A click on a channel lists its bins in a box that fits the screen.
    TDialogService::Instance().SetMode(TDialogService::Mode::Interactive);
    TDialogService::Instance().SetInteractiveHandler(ShowMessageBox);
    QTimer grab;
    QObject::connect(&grab, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        Settle();
        box->grab().save(QString::fromStdString(folder + "/histogram-listing.png"));
        box->reject();
    });
    grab.start(100);
    histograms.ShowChannel(4);
    grab.stop();
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    if (const auto& residuals = core.Pass.EarthLocations->Residuals; residuals != nullptr && !residuals->empty()) {
        TFormResiduals residualForm(&main, residuals);
        Save(residualForm, folder, "residuals");
        residualForm.findChild<QTabWidget*>("PageControl")->setCurrentIndex(1);
        Save(residualForm, folder, "residuals-data");
    }
    TFormAboutBox about(&main);
    Save(about, folder, "about");
    SavePassBrowser(main, MakeArchiveDay(argv[1]), folder);
    SaveDialogs(main, videoAdjust, print, overlays, folder);

    // The help beside the program: its contents, a view's topic, the index and a search.
    THelpWindow& help = *main.findChild<THelpWindow*>("FormHelp");
    help.ShowHelp(THelpDisplay::Contents, core.HelpFileName, {});
    Save(help, folder, "help-contents");
    help.ShowHelp(THelpDisplay::Topic, core.HelpFileName, "views.html#sst");
    Save(help, folder, "help-sst");
    help.ShowHelp(THelpDisplay::Index, core.HelpFileName, {});
    Save(help, folder, "help-index");
    help.Find("land mask");
    Save(help, folder, "help-search");
    return 0;
}
