#include "app/AnalystWindows.h"

#include "app/EventGuard.h"
#include "app/GoToLocationForm.h"
#include "app/MainCore.h"
#include "app/PrintForm.h"
#include "app/TemperatureProfileForm.h"
#include "app/VideoAdjustForm.h"
#include "decoding/HRPTvideo.h"
#include "orbit/EarthLocations.h"
#include "orbit/MapWithWarp.h"
#include "platform/SystemUtils.h"
#include "render/PixelLocation.h"

#include <QDesktopServices>
#include <QMainWindow>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>

namespace kestrune {

TAnalystWindows::TAnalystWindows(QMainWindow& window, TMainCore& core, TRenderHost& host)
    : window_(window), core_(core), host_(host), printer_(std::make_unique<QPrinter>()) {
    adjustForm_ = new TFormHistogramAdjust(&window, adjust_);
    adjustForm_->OnApply = [this] { core_.Redisplay(); };
    goTo_ = new TFormGoToLocation(&window);
    TRenderServices& services = core.View.Services;
    services.SetAdjustChannels = [this](int red, int green, int blue) { adjust_.Channels = {red, green, blue}; };
    services.AdjustTransfer = [this](int colour) { return adjust_.Transfer(colour); };
}

// The two windows of the run are children of the main window, which frees
// them; the go-to window writes its places back then.
TAnalystWindows::~TAnalystWindows() {
    TRenderServices& services = core_.View.Services;
    services.SetAdjustChannels = nullptr;
    services.AdjustTransfer = nullptr;
    delete adjustForm_;
    delete goTo_;
}

bool TAnalystWindows::MenuClick(std::string_view item) {
    if (item == "FilePrint") FilePrintClick();
    else if (item == "FilePrintSetup") FilePrintSetupClick();
    else if (item == "MenuViewGoto") MenuViewGotoClick();
    else if (item == "HelpSupport") HelpSupportClick();
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

void TAnalystWindows::FilePrintClick() {
    if (core_.Busy()) return;
    TFormPrint print(&window_, *printer_);
    print.SourceBitmap = &core_.View.DisplayBitmap();
    print.Altitude = core_.Pass.EarthLocations->Altitude;
    print.Host = &host_;
    print.exec();
}

void TAnalystWindows::FilePrintSetupClick() {
    QPrintDialog dialog(printer_.get(), &window_);
    dialog.setObjectName("PrinterSetupDialog");
    dialog.exec();
}

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

// The support forum lies under the program's web site.
void TAnalystWindows::HelpSupportClick() {
    std::string site = TZrVersionInfo().GetStringFileInfo("Web site");
    if (site.find("://") == std::string::npos) site = "https://" + site;
    if (site.back() != '/') site += '/';
    QDesktopServices::openUrl(QUrl(ToQt(site + "support")));
}

}  // namespace kestrune
