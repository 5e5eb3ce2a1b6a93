// The main window: the menus, the Open button (the Stop button while a file
// is read), the view tabs above the image, the side panel, the cursor
// read-out, the status line and the progress bar. Its behaviour lives in
// TMainCore; the window shows what the core tells it and passes its events
// on. Every event that arrives while a load or a redisplay runs is made
// safe: it stops the load, waits, or is ignored.
#pragma once

#include "app/MainCore.h"
#include "app/WindowPlacement.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTabBar;
class QTimer;

namespace kestrune::dragdrop {
class TDropFileTarget;
}

namespace kestrune {

class TAnalystWindows;
class TFormBrowseAVHRR;
class TFormFireDetectionControl;
class TFormLineByLine;
class TFormPassDirection;
class THelpWindow;
class TImageDisplay;
class TMainMenus;
class TMostRecentFilesMenu;
class TMouseTools;
class TSidePanel;
class TqelComboBox;
class TqelRadioGroup;

class TFormMain : public QMainWindow, public TMainHost {
public:
    // params: the program's parameters, parameter 1 first. headless: the
    // program chose the offscreen platform, so nobody sees the window: it
    // paints nothing and closes once the deferred open and its items are done.
    explicit TFormMain(TParams params, bool headless = false);
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
    void KeepWhollyOnScreen() override;
    void CloseWindow() override;
    void LoadPersistingControls(TViewOptions& options) override;
    void LoadEnded() override;

    // The zoom: 0 fit width, 1 one to one, 2 double size.
    uint8_t ZoomMode = 0;
    // The location where the image's pop-up menu was opened; 0, 0 when none.
    float PopupLatitude = 0;
    float PopupLongitude = 0;
    // Moves the mouse cursor to a point of the screen and makes it blink there.
    void FlashCursorAt(QPoint screenPoint);
    // Scrolls the display so that the picture pixel is centred, and flashes the cursor there.
    void CentreOnPixel(QPoint pixel);
    TAnalystWindows& AnalystWindows() { return *windows_; }

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildTopRow(QWidget* parent);
    QWidget* BuildImageArea(QWidget* parent);
    QWidget* BuildStatusRow(QWidget* parent);
    void BuildTimers();
    void AttachToCore();
    void FirstShowing();
    void BuildDropTarget();
    void DropFileTargetDrop(uint32_t& effect);

    bool ReadyToOpen();
    void MenuOpenClick();
    // The pass browser over the AVHRR (0) or global MetOp (1) archive; its pass opens on OK.
    void FileBrowseClick(uint8_t mode);
    void MRUFileListMRUItemClick(const std::string& fileName);
    // The Open menu item is off while the file is chosen and read.
    void OpenWithMenuOff(const std::function<std::string()>& fileName);
    std::string ChooseDataFile();
    void TabControlImageChange(int index);
    void SizeImageDisplay();
    void SetZoomChoices();
    void RadioGroupZoomClick();
    void OptionsFireDetectionClick();
    void MenuLineByLineClick();
    void LabelMappingClick();
    void PopupMenuImagePopup(QPoint at);
    // Points an earth viewer at the location under the pop-up menu.
    void PopupImageGoogleEarthClick();
    void TimerFlashCursorTimer();
    void FlashStep();
    // The language switch's two call-backs, before and after.
    void LanguageChanging();
    void LanguageChanged();
    TqelComboBox& GammaComboBoxFC() const;
    TqelRadioGroup& SstRangeGroup() const;

    TWindowPlacement placement_;
    std::unique_ptr<TMainMenus> menus_;
    TSidePanel* sidePanel_ = nullptr;
    std::unique_ptr<TMouseTools> mouseTools_;
    std::unique_ptr<TMostRecentFilesMenu> recentFiles_;
    QPushButton* ButtonOpen = nullptr;
    QLabel* LabelMapping = nullptr;
    QLabel* LabelSatellite = nullptr;
    TqelRadioGroup* RadioGroupZoom = nullptr;
    QTabBar* TabControlImage = nullptr;
    QScrollArea* ScrollBoxImage = nullptr;
    TImageDisplay* ImageDisplay = nullptr;
    QLabel* LabelCursor = nullptr;
    QLabel* LabelProgress = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QMenu* PopupMenuImage = nullptr;
    QTimer* TimerNewFile = nullptr;
    QTimer* TimerFlashCursor = nullptr;
    QTimer* flashBlink_ = nullptr;
    int flashStep_ = 0;
    bool gacLayout_ = false;  // the pass shown is GAC: one zoom only
    bool keptMainCaption_ = false;
    std::string captionAsWritten_;  // the last caption set, before CaptionInLanguage
    int KeptGammaFCIndex = -1;
    int KeptSstRangeIndex = -1;
    QPoint FlashPoint;
    TFormPassDirection* FormPassDirection = nullptr;
    TFormFireDetectionControl* FormFireDetectionControl = nullptr;
    TFormBrowseAVHRR* FormBrowseAVHRR = nullptr;
    TFormLineByLine* FormLineByLine = nullptr;
    THelpWindow* FormHelp = nullptr;
    std::unique_ptr<dragdrop::TDropFileTarget> DropFileTarget;
    std::unique_ptr<TAnalystWindows> windows_;
    std::vector<int> priorityTokens_;
    std::unique_ptr<TMainCore> core_;
};

}  // namespace kestrune
