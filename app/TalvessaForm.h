// The main window: the view tabs above the image, the Open button, the
// status line and the progress bar. Its behaviour lives in TMainCore; the
// window shows what the core tells it and passes its events on.
#pragma once

#include "app/MainCore.h"

#include <QMainWindow>

#include <memory>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTabBar;
class QTimer;

namespace kestrune {

// The window's placement as the stored placement reads and sets it.
class TWindowPlacement : public TFormPlacement {
public:
    explicit TWindowPlacement(QMainWindow& window) : window_(window) {}
    int WindowState() const override;
    int Left() const override;
    int Top() const override;
    int Width() const override;
    int Height() const override;
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetWindowState(int state) override;
    void SetLeft(int left) override;
    void SetTop(int top) override;
    void SetClientWidth(int width) override;
    void SetClientHeight(int height) override;

private:
    QMainWindow& window_;
};

class TFormPassDirection;

class TFormMain : public QMainWindow, public TMainHost {
public:
    // params: the program's parameters, parameter 1 first.
    explicit TFormMain(TParams params);
    ~TFormMain() override;

    TMainCore& Core() { return *core_; }

    // TRenderHost
    void BeginHourglass(bool idlePriority) override;
    void EndHourglass() override;
    void EnableControls(bool enabled) override;
    void SetStatusText(const std::string& text) override;
    void ShowProgress(bool show) override;
    void SetProgressMax(int maximum) override;
    void SetProgressPosition(int position) override;
    void ProcessPendingEvents() override;
    void ShowImageTools(bool enabled) override;
    void ShowSidePanel(const TSidePanelLayout& layout, const std::string& mappingCaption, int helpContext) override;
    void EnableResultMenus(bool enabled) override;
    // TMainHost
    void BeginBusy(bool idlePriority) override;
    void EndBusy() override;
    void SetWindowCaption(const std::string& caption) override;
    void SetApplicationTitle(const std::string& title) override;
    void SetOpenButtonHint(const std::string& hint) override;
    void SetPaletteButtonHint(const std::string& hint) override;
    void ShowSatelliteLabel(bool visible, const std::string& caption, const std::string& hint) override;
    void SetOverlayShown(bool shown) override;
    void SetGacLayout(bool gac) override;
    void ClearDisplay() override;
    void EnableViewTabs(bool enabled) override;
    TPassDirectionAnswer AskPassDirection(const TPassDirectionRequest& request,
                                          const TPassDirectionProposal& proposal) override;
    void ShowNudgeOffset(int nudgeX, int nudgeY) override;
    void ViewTabsChanged() override;
    void DisplayChanged() override;
    TFormPlacement& Placement() override { return placement_; }
    void PlaceBelowScreen() override;
    void CloseWindow() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildControls();
    void MenuOpenClick();
    void TabControlImageChange(int index);
    void SizeImageDisplay();

    TWindowPlacement placement_;
    QPushButton* ButtonOpen = nullptr;
    QLabel* LabelMapping = nullptr;
    QTabBar* TabControlImage = nullptr;
    QScrollArea* ScrollBoxImage = nullptr;
    QLabel* ImageDisplay = nullptr;
    QLabel* LabelProgress = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QTimer* TimerNewFile = nullptr;
    TFormPassDirection* FormPassDirection = nullptr;
    std::vector<int> priorityTokens_;
    std::unique_ptr<TMainCore> core_;
};

}  // namespace kestrune
