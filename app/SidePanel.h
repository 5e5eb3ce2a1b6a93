// The main window's side panel: the controls that tune the current view
// (channel choices, gamma and histogram options, temperature and SST
// ranges, palettes, sea colour, fire display), the overlay switch and the
// nudge buttons. Nearly all are persisting controls bound to the view's
// options. A change redisplays the view; controls changed in quick steps
// restart a one-shot timer instead (nudge 900 ms, temperature range
// 1200 ms, sea colour 5 or 1000 ms), so the redisplay runs once the user
// pauses. Which controls show is decided per view by the redisplay.
#pragma once

#include "render/BMPExtImage.h"
#include "render/ViewTable.h"

#include <QPoint>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace kestrune {

class TMainCore;
class TqelCheckBox;
class TqelColorDialog;
class TqelComboBox;
class TqelRadioGroup;
class TqelUpDown;
struct TViewOptions;

// Where a control sits in the panel's view area: below another control (or
// at a top of its own), at least as tall as designed, and across the panel
// less an indent and a trail, or a part of a width of its own at the left
// or right edge. Controls grow to what their captions need.
struct TPanelSlot {
    const QWidget* Above = nullptr;
    int Top = 0;  // the gap below Above, or the top when there is none
    int Height = 0;
    int Indent = 0;
    int Trail = 0;
    int Width = 0;  // 0: across the panel
    bool AtRight = false;
};

class TSidePanel : public QWidget {
public:
    explicit TSidePanel(QWidget* parent);
    ~TSidePanel() override;

    // The form's loading: binds every control to its field of options and
    // applies the stored values (no handler runs).
    void LoadControls(TViewOptions& options);
    // The core whose view the panel tunes; its setting "SeaColourThreshold"
    // goes into the threshold up-down.
    void Attach(TMainCore& core);

    // The texts the panel sets itself, in the language in effect: the
    // false-colour gamma hint, the save-temperatures caption and the nudge
    // hint; then every control is sized and placed for its caption.
    void SetLanguageTexts();

    // What the window does for the panel.
    std::function<void(bool enabled)> OnEnableViewTabs;
    // Whether the left mouse button is down now (the pending range redisplay waits for it).
    std::function<bool()> LeftButtonDown;
    // The adjust button, once no stretch stands in the way: the video adjust window.
    std::function<void()> OnAdjustHistogram;

    bool SuppressRedisplay = false;

    // The redisplay's side panel: every view-dependent control hidden, the
    // layout's shown and placed.
    void ShowSidePanel(const TSidePanelLayout& layout);
    // Switches the side-panel controls on or off around long work.
    void EnableControls(bool enabled);
    void ShowNudgeOffset(int nudgeX, int nudgeY);
    void SetOverlayShown(bool shown);
    void SetPaletteButtonHint(const std::string& hint);
    // The overlay buttons and the nudge buttons.
    void ShowOverlayTools(bool show);
    void ShowTempRangeLabels();
    // Paints the temperature scale for the current view and range.
    void PaintScale();

    // Handlers also reached by shortcuts.
    void NudgeOverlay(int dx, int dy);
    void BitBtnOverlayClick();
    void ActionBrightExecute(int item);
    QAction* ActionPageDown() const { return actionPageDown_; }

    // A view-dependent control by its place in the redisplay's list.
    QWidget* Control(TSidePanelControl control) const;
    // The temperature scale as last painted (saved images carry a copy).
    const TExtBitmap& ScaleBitmap() const { return scaleBitmap_; }

private:
    class TPaintBoxTempCalib;

    void BuildControls();
    void BuildOverlayTools(QWidget* area);
    void BuildFalseColourControls();
    void BuildChannelControls();
    void BuildColourControls();
    void BuildTemperatureControls();
    void BuildSeaSurfaceControls();
    void BuildOtherControls();
    void BuildTimers();
    void BuildActions();
    TqelCheckBox* CheckBox(TSidePanelControl control, const char* caption, const char* namedAs,
                           const TPanelSlot& slot);
    TqelCheckBox* FramedCheckBox(QFrame& frame, const char* caption, const char* name, const char* namedAs);
    TqelRadioGroup* RadioGroup(TSidePanelControl control, const char* caption,
                               const std::vector<std::string_view>& items, int columns, const char* namedAs,
                               const TPanelSlot& slot);
    TqelComboBox* GammaComboBox(TSidePanelControl control, const char* namedAs, const TPanelSlot& slot);
    TqelUpDown* UpDown(TSidePanelControl control, TUpDownRange range, const char* namedAs, const TPanelSlot& slot);
    QPushButton* Button(const char* name, const char* caption, QWidget* parent, QRect place);
    void Register(TSidePanelControl control, QWidget* widget, const TPanelSlot& slot);
    // Sizes and places every control for the captions as they are now.
    void LayOutControls();
    // The shown view's heights and placements; the view area as tall as its lowest control.
    void PlaceShownControls();
    QTimer* Timer(const char* name, int interval);
    void ConnectHandlers();
    void RefreshControls();

    void Redisplay();
    void DisplaySettingsChanged(QWidget* sender);
    void CheckBoxSeaBlueClick();
    void UpDownSeaColourThresholdClick();
    void TimerUpdateSeaColourTimer();
    void CheckBoxShowFireClick();
    void CheckBoxUserRangeClick();
    void UserTempRangeClick();
    void UserSstRangeClick();
    void TimerTempRangeTimer();
    void ButtonLoadPaletteClick(QPushButton* button);
    bool ChoosePaletteFile(std::string& fileName, QPushButton* button);
    void ButtonBrowseLandSeaMaskClick();
    void ButtonAdjHistogramClick();
    void BitBtnSeaColourClick();
    void TimerNudgeTimer();
    // Widens the two up-downs to at least three apart.
    static void WidenRange(TqelUpDown& lower, TqelUpDown& upper);

    TMainCore* core_ = nullptr;
    TViewOptions* options_ = nullptr;
    QWidget* toolArea_ = nullptr;
    QWidget* viewArea_ = nullptr;
    std::vector<std::pair<QWidget*, TPanelSlot>> slots_;
    TSidePanelLayout shownLayout_;
    std::array<QWidget*, SidePanelControlCount> controls_{};
    std::vector<TqelCheckBox*> checkBoxes_;
    std::vector<TqelRadioGroup*> radioGroups_;
    std::vector<TqelComboBox*> comboBoxes_;
    std::vector<TqelUpDown*> upDowns_;
    std::unique_ptr<TqelColorDialog> ColorDialogSeaColour;
    QAction* actionPageDown_ = nullptr;
    TExtBitmap scaleBitmap_;

    TPaintBoxTempCalib* PaintBoxTempCalib = nullptr;
    QLabel* LabelTempRange = nullptr;
    QLabel* LabelSSTRange = nullptr;
    TqelUpDown* UpDownUserMinTemp = nullptr;
    TqelUpDown* UpDownUserMaxTemp = nullptr;
    TqelUpDown* UpDownUserMinSST = nullptr;
    TqelUpDown* UpDownUserMaxSST = nullptr;
    TqelUpDown* UpDownSeaColourThreshold = nullptr;
    TqelCheckBox* CheckBoxSeaBlue = nullptr;
    TqelCheckBox* CheckBoxShowFire = nullptr;
    TqelCheckBox* CheckBoxUserRange = nullptr;
    TqelRadioGroup* RadioGroupSstDisplayRange = nullptr;
    TqelRadioGroup* RadioGroupBrightness = nullptr;
    QPushButton* BitBtnOverlay = nullptr;
    std::array<QPushButton*, 5> nudgeButtons_{};  // centre, left, right, up, down
    QPoint nudgeShown_;
    QTimer* TimerNudge = nullptr;
    QTimer* TimerTempRange = nullptr;
    QTimer* TimerUpdateSeaColour = nullptr;
};

}  // namespace kestrune
