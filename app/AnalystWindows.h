// The windows the analyst opens from the main window's menus, side panel
// and mouse tools: video adjust, go to location, temperature profile,
// printing and page setup, overlay options, the colour table, the file-name
// format, the corrected view, the histograms, the residuals and the support
// page. The windows that live for the whole run (video adjust, go to
// location, histograms) and the printer are made here once; the others for
// each use.
#pragma once

#include "app/VideoAdjust.h"

#include <QPoint>

#include <array>
#include <functional>
#include <memory>
#include <string_view>

class QMainWindow;
class QPrinter;
class QWidget;

namespace kestrune {

class TFormGoToLocation;
class TFormHistogram;
class TFormHistogramAdjust;
class TMainCore;
class TRenderHost;

class TAnalystWindows {
public:
    TAnalystWindows(QMainWindow& window, TMainCore& core, TRenderHost& host);
    ~TAnalystWindows();
    TAnalystWindows(const TAnalystWindows&) = delete;
    TAnalystWindows& operator=(const TAnalystWindows&) = delete;

    // The go-to window picked a point: the window centres the display on
    // this picture pixel.
    std::function<void(QPoint pixel)> OnCentreOn;

    // A menu item that opens one of these windows; false for another item.
    bool MenuClick(std::string_view item);
    // The side panel's adjust button (after its own checks).
    void ButtonAdjHistogramClick();
    // The profile tool's line in picture pixels (x1, y1, x2, y2).
    void ShowTemperatureProfile(const std::array<int, 4>& line);
    // F1: the help topic of the window it was pressed in (nullptr: where the focus is).
    void ContextHelp(const QWidget* pressedIn = nullptr);

    TVideoAdjust& VideoAdjust() { return adjust_; }
    TFormGoToLocation& GoToLocation() { return *goTo_; }
    QPrinter& Printer();

private:
    class THelpKey;

    void FilePrintClick();
    void FilePrintSetupClick();
    void MenuViewGotoClick();
    void HelpSupportClick();
    void OptionsOverlayOptionsClick();
    void OptionsCLUTClick();
    void OptionsImageNameFormatClick();
    void MenuViewCorrectedImageClick(bool minimiseMain);
    void MenuViewHistogramsClick();
    void ViewResidualsClick();

    QMainWindow& window_;
    TMainCore& core_;
    TRenderHost& host_;
    std::unique_ptr<THelpKey> helpKey_;
    TVideoAdjust adjust_;
    std::unique_ptr<QPrinter> printer_;
    TFormHistogramAdjust* adjustForm_ = nullptr;
    TFormGoToLocation* goTo_ = nullptr;
    TFormHistogram* histograms_ = nullptr;
};

}  // namespace kestrune
