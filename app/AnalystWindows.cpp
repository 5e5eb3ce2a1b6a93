#include "app/AnalystWindows.h"

#include "app/CorrectedViewForm.h"
#include "app/EventGuard.h"
#include "app/GoToLocationForm.h"
#include "app/HelpTopics.h"
#include "app/HistogramForm.h"
#include "app/LoadClutForm.h"
#include "app/OverlayOptionsForm.h"
#include "app/MainCore.h"
#include "app/PrintForm.h"
#include "app/PrinterSetupForm.h"
#include "app/ResidualForm.h"
#include "app/ShellOpen.h"
#include "app/StandardNameForm.h"
#include "app/TemperatureProfileForm.h"
#include "app/VideoAdjustForm.h"
#include "decoding/HRPTvideo.h"
#include "orbit/EarthLocations.h"
#include "orbit/MapWithWarp.h"
#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"
#include "render/PixelLocation.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QPrinter>
#include <QKeyEvent>

namespace kestrune {

// F1 in any of the program's windows, modal ones too, asks for the topic of that window.
class TAnalystWindows::THelpKey : public QObject {
public:
    explicit THelpKey(TAnalystWindows& windows) : windows_(windows) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
        QWidget* pressedIn = qobject_cast<QWidget*>(watched);
        Guarded([this, pressedIn] { windows_.ContextHelp(pressedIn); });
        return true;
    }

private:
    TAnalystWindows& windows_;
};

TAnalystWindows::TAnalystWindows(QMainWindow& window, TMainCore& core, TRenderHost& host)
    : window_(window), core_(core), host_(host) {
    adjustForm_ = new TFormHistogramAdjust(&window, adjust_);
    adjustForm_->OnRedisplay = [this] { core_.Redisplay(); };
    goTo_ = new TFormGoToLocation(&window);
    histograms_ = new TFormHistogram(&window);
    helpKey_ = std::make_unique<THelpKey>(*this);
    QApplication::instance()->installEventFilter(helpKey_.get());
    TRenderServices& services = core.View.Services;
    services.SetAdjustChannels = [this](int red, int green, int blue) { adjust_.Channels = {red, green, blue}; };
    services.AdjustTransfer = [this](int colour) { return adjust_.Transfer(colour); };
}

// The two windows of the run are children of the main window, which frees
// them; the go-to window writes its places back then.
TAnalystWindows::~TAnalystWindows() {
    QApplication::instance()->removeEventFilter(helpKey_.get());
    TRenderServices& services = core_.View.Services;
    services.SetAdjustChannels = nullptr;
    services.AdjustTransfer = nullptr;
    delete adjustForm_;
    delete goTo_;
    delete histograms_;
}

bool TAnalystWindows::MenuClick(std::string_view item) {
    if (item == "FilePrint") FilePrintClick();
    else if (item == "FilePrintSetup") FilePrintSetupClick();
    else if (item == "MenuViewGoto") MenuViewGotoClick();
    else if (item == "HelpSupport") HelpSupportClick();
    else if (item == "OptionsOverlayOptions") OptionsOverlayOptionsClick();
    else if (item == "OptionsCLUT") OptionsCLUTClick();
    else if (item == "OptionsImageNameFormat") OptionsImageNameFormatClick();
    else if (item == "MenuViewCorrectedImage") MenuViewCorrectedImageClick(false);
    else if (item == "MenuViewCorrectedImageWithMinimise") MenuViewCorrectedImageClick(true);
    else if (item == "MenuViewHistograms") MenuViewHistogramsClick();
    else if (item == "ViewResiduals") ViewResidualsClick();
    else return false;
    return true;
}

void TAnalystWindows::ButtonAdjHistogramClick() {
    adjust_.SetTransferFileName(core_.Pass.LoadedFileName);
    adjustForm_->SetVideo(core_.PassLoaded() ? core_.Pass.Video.get() : nullptr);
    if (adjustForm_->exec() == QDialog::Accepted) core_.Redisplay();
}

void TAnalystWindows::ShowTemperatureProfile(const std::array<int, 4>& line) {
    const TPixelLocator locator(core_.Pass);
    TFormTemperatureProfile profile(&window_, core_.Pass,
                                    [&locator](int x, int y, float& latitude, float& longitude) {
                                        return locator.PixelLocation(x, y, latitude, longitude);
                                    });
    profile.X1 = line[0];
    profile.Y1 = line[1];
    profile.X2 = line[2];
    profile.Y2 = line[3];
    profile.exec();
}

// Made when first asked for: a printer takes milliseconds to set up, which every start of a station run paid.
QPrinter& TAnalystWindows::Printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    return *printer_;
}

void TAnalystWindows::FilePrintClick() {
    if (core_.Busy()) return;
    TFormPrint print(&window_, Printer());
    print.SourceBitmap = &core_.View.DisplayBitmap();
    print.Altitude = core_.Pass.EarthLocations->Altitude;
    print.Host = &host_;
    print.ReceiverRunning = core_.ReceiverRunning;
    print.exec();
}

void TAnalystWindows::FilePrintSetupClick() { RunPrinterSetup(&window_, Printer()); }

// A point outside the pass (the mapping fails) does nothing.
void TAnalystWindows::MenuViewGotoClick() {
    if (goTo_->exec() != QDialog::Accepted) return;
    int x = 0;
    int y = 0;
    if (!core_.Pass.WarpedMapping->LatLonToXY(x, y, static_cast<float>(goTo_->Longitude),
                                              static_cast<float>(goTo_->Latitude)))
        return;
    if (OnCentreOn) OnCentreOn(QPoint(x, y));
}

void TAnalystWindows::OptionsOverlayOptionsClick() {
    TFormOverlayStyle dialog(&window_, ReadOverlayOptions(core_));
    if (dialog.exec() == QDialog::Accepted) WriteOverlayOptions(dialog.Options(), core_);
}

// A changed table redisplays the view.
void TAnalystWindows::OptionsCLUTClick() {
    TFormLoadCLUT dialog(&window_, core_.ProgramFolder);
    std::string& clut = core_.View.Settings.ClutFileName;
    const std::string chosen = ClutAfterChoice(dialog.exec(), dialog.Chosen, clut);
    if (chosen == clut) return;
    clut = chosen;
    core_.Redisplay();
}

void TAnalystWindows::OptionsImageNameFormatClick() {
    TMainSettings& s = core_.Settings;
    TFormStandardName dialog(&window_, {s.RenameFormat->Value, s.RenameSource->Value, s.RenameNoQuery->Value,
                                        s.AddImgFileSuffix->Value});
    if (dialog.exec() != QDialog::Accepted) return;
    const TStandardNameOptions& chosen = dialog.Options();
    s.RenameFormat->Value = chosen.FormatString;
    s.RenameSource->Value = chosen.RenameSource;
    s.RenameNoQuery->Value = chosen.RenameNoQuery;
    s.AddImgFileSuffix->Value = chosen.AddSuffix;
}

// With minimise the main window steps aside while the view is open.
void TAnalystWindows::MenuViewCorrectedImageClick(bool minimiseMain) {
    if (core_.Busy()) return;
    const Qt::WindowStates state = window_.windowState();
    if (minimiseMain) window_.showMinimized();
    {
        TFormCorrectedView view(&window_, core_.View.DisplayBitmap(), core_.Pass.MeteorPass,
                                core_.Pass.EarthLocations->Altitude, &host_, core_.ReceiverRunning);
        view.exec();
    }
    window_.setWindowState(state);
}

void TAnalystWindows::MenuViewHistogramsClick() {
    histograms_->setWindowTitle(ToQt(FormatResStr(res::SHistogramTitle, {window_.windowTitle().toStdString()})));
    histograms_->SetVideo(core_.PassLoaded() ? core_.Pass.Video.get() : nullptr);
    histograms_->exec();
}

void TAnalystWindows::ViewResidualsClick() {
    const auto& residuals = core_.Pass.EarthLocations->Residuals;
    if (residuals == nullptr || residuals->empty()) return;
    TFormResiduals dialog(&window_, residuals);
    dialog.exec();
}

// F1: the topic of the window it was pressed in (of the control it was
// pressed in, or of one of that control's parents), in the main window that
// of the view shown, else the contents.
void TAnalystWindows::ContextHelp(const QWidget* pressedIn) {
    int context = 0;
    const QWidget* start = pressedIn != nullptr ? pressedIn : QApplication::focusWidget();
    for (const QWidget* widget = start; widget != nullptr && context == 0; widget = widget->parentWidget()) {
        context = widget->property("HelpContext").toInt();
        if (context == 0) context = WindowHelpContext(widget->objectName().toStdString());
    }
    if (context == 0) context = core_.View.MappingHelpContext();
    if (context != 0) {
        bool callHelp = false;
        core_.HelpSystem->HelpHook(HELP_CONTEXT, context, callHelp);
        return;
    }
    HHShowError(HtmlHelpDisplay(THelpDisplay::Contents, core_.HelpFileName));
}

// The support forum lies under the program's web site.
void TAnalystWindows::HelpSupportClick() {
    std::string site = TZrVersionInfo().GetStringFileInfo("Web site");
    if (site.find("://") == std::string::npos) site = "http://" + site;
    if (site.back() != '/') site += '/';
    ShellOpen(site + "forum/");
}

}  // namespace kestrune
