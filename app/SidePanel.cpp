#include "app/SidePanel.h"

#include "app/EventGuard.h"
#include "app/ImageDisplay.h"
#include "app/MainCore.h"
#include "app/PersistingControls.h"
#include "decoding/Sensor.h"
#include "platform/ResCodePages.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/FileUtils.h"
#include "platform/SysUtils.h"
#include "render/TemperatureScale.h"

#include <QAction>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>

namespace kestrune {

namespace {

using C = TSidePanelControl;

constexpr int Left = 4;
constexpr int Width = 168;
constexpr int ViewAreaHeight = 480;
constexpr int NudgeDelayMs = 900;
constexpr int TempRangeDelayMs = 1200;
constexpr int SeaColourDesignDelayMs = 700;
constexpr int SeaColourBoxDelayMs = 5;
constexpr int SeaColourThresholdDelayMs = 1000;

// The controls switched on and off around long work, in their order.
constexpr std::array<const char*, 38> EnabledTogether{
    "RadioGroupBrightness", "RadioGroupColour", "RadioGroupCrispenFC", "RadioGroupThermalBrightAdjust",
    "ComboBoxGammaCorrectFC", "GroupBoxSea", "CheckBoxSeaBlue", "BitBtnSeaColour", "EditBlueThreshold",
    "UpDownSeaColourThreshold", "GroupBoxFire", "CheckBoxShowFire", "RadioGroupRed", "RadioGroupGreen",
    "RadioGroupBlue", "ColourStretch", "ButtonAdjHistogram", "RadioGroupUserRed", "RadioGroupUserGreen",
    "RadioGroupUserBlue", "UserColourStretch", "ButtonLoadPalette", "ButtonLoadNDVIpalette", "ButtonLoadSSTpalette",
    "CheckBoxColourVegetation", "CheckBoxColourVegetationGreen", "UpDownUserMinTemp", "UpDownUserMaxTemp",
    "BitBtnSaveTemps", "CheckBoxSSTIrCloudCheck", "RadioGroupSstDisplayRange", "CheckBoxSSTZenithCheck",
    "CheckBoxSstLandSeaMask", "LabelSSTRange", "LabelSstCh4Reject", "UpDownSSTCh4Reject", "EditSSTCh4Reject",
    "ButtonBrowseLandSeaMask"};

// The nudge steps of the shortcuts (the up arrow moves the overlay by +Y).
struct TNudgeAction {
    const char* Name;
    int Key;
    int DX;
    int DY;
};
constexpr std::array<TNudgeAction, 8> NudgeActions{{
    {"ActionPageLeft", Qt::Key_A, -5, 0},
    {"ActionLeft", Qt::Key_S, -1, 0},
    {"ActionRight", Qt::Key_D, 1, 0},
    {"ActionPageRight", Qt::Key_F, 5, 0},
    {"ActionPageDown", Qt::Key_C, 0, -5},
    {"ActionDown", Qt::Key_X, 0, -1},
    {"ActionUp", Qt::Key_E, 0, 1},
    {"ActionPageUp", Qt::Key_R, 0, 5},
}};

QString Name(C control) { return ToQt(SidePanelControlName(control)); }

TPanelSlot Row(int top, int height) { return {nullptr, top, height}; }
TPanelSlot Below(const QWidget* above, int gap, int height) { return {above, gap, height}; }

TPanelSlot AtLeft(TPanelSlot slot, int width) {
    slot.Width = width;
    return slot;
}

TPanelSlot AtRight(TPanelSlot slot, int width) {
    slot.Width = width;
    slot.AtRight = true;
    return slot;
}

TPanelSlot Inset(TPanelSlot slot, int indent, int trail) {
    slot.Indent = indent;
    slot.Trail = trail;
    return slot;
}

// Height of a radio group of items in columns.
int GroupHeight(size_t items, int columns) {
    const int rows = (static_cast<int>(items) + columns - 1) / columns;
    return 22 + 20 * rows;
}

template <size_t N>
std::vector<std::string_view> Items(const std::array<std::string_view, N>& items) {
    return {items.begin(), items.end()};
}

std::string RangeText(int low, int high) { return std::to_string(low) + ".." + std::to_string(high) + "C"; }

}  // namespace

// The temperature scale beside the thermal views: the scale bitmap as last painted.
class TSidePanel::TPaintBoxTempCalib : public QWidget {
public:
    TPaintBoxTempCalib(TSidePanel& panel, QWidget* parent) : QWidget(parent), panel_(panel) {
        setObjectName("PaintBoxTempCalib");
    }

protected:
    void paintEvent(QPaintEvent*) override {
        Guarded([this] {
            if (panel_.scaleBitmap_.Width() != width() || panel_.scaleBitmap_.Height() != height())
                panel_.PaintScale();
            QPainter(this).drawImage(0, 0, ToImage(panel_.scaleBitmap_));
        });
    }

private:
    TSidePanel& panel_;
};

TSidePanel::TSidePanel(QWidget* parent)
    : QWidget(parent), ColorDialogSeaColour(std::make_unique<TqelColorDialog>("ColorDialogSeaColour")) {
    setObjectName("PanelSide");
    ColorDialogSeaColour->NamedAs = "SeaColour";
    LeftButtonDown = [] { return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0; };
    BuildControls();
    BuildTimers();
    BuildActions();
    ConnectHandlers();
    SetLanguageTexts();
}

TSidePanel::~TSidePanel() = default;

void TSidePanel::SetLanguageTexts() {
    std::string hint = resStr(res::SGammaHintHeading);
    for (uint16_t line = 1; line < res::SGammaHintLines; ++line) hint += "\n" + resStr(res::SGammaHintHeading + line);
    Control(C::ComboBoxGammaCorrectFC)->setToolTip(ToQt(hint));
    static_cast<QPushButton*>(Control(C::BitBtnSaveTemps))
        ->setText(ToQt(resStr(res::SSaveTempsSave) + "\n" + resStr(res::SSaveTempsTemps)));
    ShowNudgeOffset(nudgeShown_.x(), nudgeShown_.y());
    LayOutControls();
}

// ---- building ----------------------------------------------------------------

void TSidePanel::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    toolArea_ = new QWidget(this);
    BuildOverlayTools(toolArea_);
    layout->addWidget(toolArea_);
    viewArea_ = new QWidget(this);
    viewArea_->setObjectName("PanelView");
    layout->addWidget(viewArea_);
    layout->addStretch();
    BuildFalseColourControls();
    BuildChannelControls();
    BuildColourControls();
    BuildTemperatureControls();
    BuildSeaSurfaceControls();
    BuildOtherControls();
    for (QWidget* control : controls_) control->hide();
}

void TSidePanel::BuildOverlayTools(QWidget* area) {
    area->setFixedHeight(84);
    BitBtnOverlay = Button("BitBtnOverlay", "Overlay", area, {Left, 28, 72, 26});
    BitBtnOverlay->setCheckable(true);
    struct TNudgeButton {
        const char* Name;
        const char* Caption;
        QPoint At;
    };
    const std::array<TNudgeButton, 5> buttons{{{"BitBtnCentre", "\xE2\x97\x8F", {120, 28}},
                                               {"BitBtnLeft", "\xE2\x86\x90", {92, 28}},
                                               {"BitBtnRight", "\xE2\x86\x92", {148, 28}},
                                               {"BitBtnUp", "\xE2\x86\x91", {120, 0}},
                                               {"BitBtnDown", "\xE2\x86\x93", {120, 56}}}};
    for (size_t k = 0; k < buttons.size(); ++k)
        nudgeButtons_[k] = Button(buttons[k].Name, buttons[k].Caption, area, {buttons[k].At, QSize(26, 26)});
    ShowNudgeOffset(0, 0);
}

void TSidePanel::BuildFalseColourControls() {
    QWidget* gamma = GammaComboBox(C::ComboBoxGammaCorrectFC, "GammaCorrectFC", Row(0, 24));
    RadioGroupBrightness = RadioGroup(C::RadioGroupBrightness, " Bright ch. ", Items(BrightnessItems), 3,
                                      "BrightnessChannel", Below(gamma, 4, GroupHeight(BrightnessItems.size(), 3)));
    QWidget* colour = RadioGroup(C::RadioGroupColour, " Colour ch. ", Items(ColourChannelItems), 3, "ColourChannel",
                                 Below(RadioGroupBrightness, 4, 42));
    QWidget* crispen = RadioGroup(C::RadioGroupCrispenFC, " Crispen ", Items(CrispenItems), 3, "CrispenFalseColour",
                                  Below(colour, 4, 42));
    QWidget* adjust = RadioGroup(C::RadioGroupThermalBrightAdjust, " Bright adjust ", Items(ThermalBrightAdjustItems), 2,
                                 "ThermBrightAjdust", Below(crispen, 4, GroupHeight(ThermalBrightAdjustItems.size(), 2)));

    auto* sea = new QFrame(viewArea_);
    sea->setFrameShape(QFrame::StyledPanel);
    CheckBoxSeaBlue = FramedCheckBox(*sea, "On", "CheckBoxSeaBlue", "SeaColourBlue");
    QPushButton* colourButton = Button("BitBtnSeaColour", "Colour...", sea, {});
    colourButton->setMinimumWidth(100);
    UpDownSeaColourThreshold = new TqelUpDown(SeaColourThresholdRange.Lowest, SeaColourThresholdRange.Highest, sea);
    UpDownSeaColourThreshold->setObjectName("UpDownSeaColourThreshold");
    UpDownSeaColourThreshold->Edit()->setObjectName("EditBlueThreshold");
    UpDownSeaColourThreshold->setMinimumWidth(70);
    auto* seaLayout = static_cast<QGridLayout*>(sea->layout());
    seaLayout->addWidget(colourButton, 0, 1, Qt::AlignRight);
    seaLayout->addWidget(UpDownSeaColourThreshold, 1, 0);
    // Shown now, not once the event loop runs, so that the frame's size hint counts them.
    colourButton->show();
    UpDownSeaColourThreshold->show();
    Register(C::GroupBoxSea, sea, Below(adjust, 4, 76));

    auto* fire = new QFrame(viewArea_);
    fire->setFrameShape(QFrame::StyledPanel);
    CheckBoxShowFire = FramedCheckBox(*fire, "Show", "CheckBoxShowFire", "ShowFire");
    Register(C::GroupBoxFire, fire, Below(sea, 4, 44));
}

// A check box in a frame of the panel, the first of the frame's grid.
TqelCheckBox* TSidePanel::FramedCheckBox(QFrame& frame, const char* caption, const char* name, const char* namedAs) {
    auto* grid = new QGridLayout(&frame);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setVerticalSpacing(10);
    auto* box = new TqelCheckBox(caption, &frame);
    box->setObjectName(name);
    box->NamedAs = namedAs;
    grid->addWidget(box, 0, 0);
    box->show();
    checkBoxes_.push_back(box);
    return box;
}

void TSidePanel::BuildChannelControls() {
    static constexpr std::array<const char*, 5> histEq{"HistEqChan1", "HistEqChan2", "HistEqChan3", "HistEqChan4",
                                                       "HistEqChan5"};
    static constexpr std::array<const char*, 3> illumEq{"IllumEqCh1", "IllumEqCh2", "IllumEqCh3"};
    static constexpr std::array<const char*, 5> gamma{"GammaCorrectCh1", "GammaCorrectCh2", "GammaCorrectCh3",
                                                      "GammaCorrectCh4", "GammaCorrectCh5"};
    std::array<QWidget*, 5> equalised{};
    for (int k = 0; k < 5; ++k) {
        const std::string caption = "Eq hist ch " + std::to_string(k + 1);
        equalised[static_cast<size_t>(k)] =
            CheckBox(static_cast<C>(static_cast<int>(C::EqHistChan1) + k), caption.c_str(),
                     histEq[static_cast<size_t>(k)], Row(0, 20));
    }
    std::array<QWidget*, 3> illuminated{};
    for (int k = 0; k < 3; ++k) {
        const std::string caption = "Illum eq ch " + std::to_string(k + 1);
        illuminated[static_cast<size_t>(k)] =
            CheckBox(static_cast<C>(static_cast<int>(C::CheckBoxIllumEqCh1) + k), caption.c_str(),
                     illumEq[static_cast<size_t>(k)], Below(equalised[static_cast<size_t>(k)], 4, 20));
    }
    // Channels 4 and 5 keep the place of the illumination box free.
    for (int k = 0; k < 5; ++k)
        GammaComboBox(static_cast<C>(static_cast<int>(C::ComboBoxGammaCorrectCh1) + k), gamma[static_cast<size_t>(k)],
                      Below(illuminated[static_cast<size_t>(std::min(k, 2))], 4, 24));
}

void TSidePanel::BuildColourControls() {
    const int rgbHeight = GroupHeight(RgbChannelItems.size(), 5);
    QWidget* red = RadioGroup(C::RadioGroupRed, " Red ", Items(RgbChannelItems), 5, "RedChannel", Row(0, rgbHeight));
    QWidget* green = RadioGroup(C::RadioGroupGreen, " Green ", Items(RgbChannelItems), 5, "GreenChannel",
                                Below(red, 4, rgbHeight));
    QWidget* blue = RadioGroup(C::RadioGroupBlue, " Blue ", Items(RgbChannelItems), 5, "BlueChannel",
                               Below(green, 4, rgbHeight));
    QWidget* stretch = CheckBox(C::ColourStretch, "Stretch", "ColourStretch", Below(blue, 4, 20));
    const int userHeight = GroupHeight(UserChannelItems.size(), 6);
    QWidget* userRed = RadioGroup(C::RadioGroupUserRed, " User red ", Items(UserChannelItems), 6, "UserRedChannel",
                                  Row(0, userHeight));
    QWidget* userGreen = RadioGroup(C::RadioGroupUserGreen, " User green ", Items(UserChannelItems), 6,
                                    "UserGreenChannel", Below(userRed, 4, userHeight));
    QWidget* userBlue = RadioGroup(C::RadioGroupUserBlue, " User blue ", Items(UserChannelItems), 6, "UserBlueChannel",
                                   Below(userGreen, 4, userHeight));
    CheckBox(C::UserColourStretch, "Stretch", "UserColourStretch", Below(userBlue, 4, 20));
    Register(C::ButtonAdjHistogram, Button("ButtonAdjHistogram", "Adjust...", viewArea_, {}), Below(stretch, 8, 24));
    RadioGroup(C::RadioGroupNOAAalgorithm, " Algorithm ", Items(NoaaAlgorithmItems), 2, "NOAAalgorithm",
               Row(0, GroupHeight(NoaaAlgorithmItems.size(), 2)));
    RadioGroup(C::RadioGroupSPOTmap, " SPOT  R G B ", Items(SpotMapItems), 1, "SpotColourMap",
               Row(0, GroupHeight(SpotMapItems.size(), 1)));
}

void TSidePanel::BuildTemperatureControls() {
    auto* panel = new QFrame(viewArea_);
    panel->setFrameShape(QFrame::StyledPanel);
    Register(C::PanelTempCalib, panel, Row(0, 202));
    PaintBoxTempCalib = new TPaintBoxTempCalib(*this, panel);
    CheckBoxUserRange = CheckBox(C::CheckBoxUserRange, "User range", "UserRange", Below(panel, 8, 20));
    UpDownUserMinTemp = UpDown(C::UpDownUserMinTemp, UserMinTempRange, "UserMinTemp",
                               AtLeft(Below(CheckBoxUserRange, 4, 24), 60));
    UpDownUserMaxTemp = UpDown(C::UpDownUserMaxTemp, UserMaxTempRange, "UserMaxTemp",
                               AtRight(Below(CheckBoxUserRange, 4, 24), 60));
    LabelTempRange = new QLabel(viewArea_);
    Register(C::LabelTempRange, LabelTempRange, Below(UpDownUserMinTemp, 4, 20));
    Register(C::BitBtnSaveTemps, Button("BitBtnSaveTemps", "", viewArea_, {}), AtLeft(Row(0, 40), 80));
}

void TSidePanel::BuildSeaSurfaceControls() {
    RadioGroupSstDisplayRange = RadioGroup(C::RadioGroupSstDisplayRange, " Range ", Items(SstDisplayRangeItems), 3,
                                           "SSTDisplayRange", Row(0, GroupHeight(SstDisplayRangeItems.size(), 3)));
    UpDownUserMinSST = UpDown(C::UpDownUserMinSST, UserMinSstRange, "UserMinSST", AtLeft(Row(0, 24), 60));
    UpDownUserMaxSST = UpDown(C::UpDownUserMaxSST, UserMaxSstRange, "UserMaxSST", AtRight(Row(0, 24), 60));
    LabelSSTRange = new QLabel(viewArea_);
    LabelSSTRange->setAlignment(Qt::AlignCenter);
    Register(C::LabelSSTRange, LabelSSTRange, Inset(Row(0, 20), 60, 60));
    CheckBox(C::CheckBoxSSTIrCloudCheck, "Cloud check", "SstIrCloudCheck", Row(0, 20));
    CheckBox(C::CheckBoxSSTZenithCheck, "Zenith check", "SstZenithCheck", Row(0, 20));
    TqelUpDown* reject = UpDown(C::UpDownSSTCh4Reject, SstCh4RejectRange, "SSTCh4Reject", AtLeft(Row(0, 24), 60));
    // The up-down and its edit are one control here.
    reject->Edit()->setObjectName("EditSSTCh4Reject");
    controls_[static_cast<size_t>(C::EditSSTCh4Reject)] = reject;
    Register(C::LabelSstCh4Reject, new QLabel("Ch.4 reject C", viewArea_), Inset(Row(0, 20), 64, 0));
    CheckBox(C::CheckBoxSstLandSeaMask, "Land mask", "SstLandSeaMask", Row(0, 20));
    Register(C::ButtonBrowseLandSeaMask, Button("ButtonBrowseLandSeaMask", "Land mask file...", viewArea_, {}),
             Row(0, 24));
    Register(C::ButtonLoadSSTpalette, Button("ButtonLoadSSTpalette", "Load palette...", viewArea_, {}), Row(0, 24));
}

void TSidePanel::BuildOtherControls() {
    Register(C::ButtonLoadPalette, Button("ButtonLoadPalette", "Load palette...", viewArea_, {}), Row(0, 24));
    QWidget* colour = CheckBox(C::CheckBoxColourVegetation, "Add colour", "ColourVegetation", Row(0, 20));
    QWidget* green = CheckBox(C::CheckBoxColourVegetationGreen, "Green", "ColourVegetationGreen", Below(colour, 4, 20));
    Register(C::ButtonLoadNDVIpalette, Button("ButtonLoadNDVIpalette", "Load palette...", viewArea_, {}),
             Below(green, 8, 24));
    CheckBox(C::CheckBoxShowAsh, "Ash", "ShowAsh", Row(0, 20));
}

void TSidePanel::Register(C control, QWidget* widget, const TPanelSlot& slot) {
    widget->setObjectName(Name(control));
    controls_[static_cast<size_t>(control)] = widget;
    slots_.push_back({widget, slot});
}

// The panel is as wide as its widest caption needs, and never narrower than
// designed; each control as tall as it needs, stacked below the one above it.
// Run again when the captions change.
void TSidePanel::LayOutControls() {
    int width = Width;
    for (const auto& [widget, slot] : slots_)
        if (slot.Width == 0) width = std::max(width, widget->sizeHint().width() + slot.Indent + slot.Trail);
    toolArea_->setFixedWidth(Left * 2 + width);
    viewArea_->setFixedWidth(Left * 2 + width);
    for (const auto& [widget, slot] : slots_) {
        const QSize hint = widget->sizeHint();
        const int height = std::max(slot.Height, hint.height());
        const int top = slot.Above ? slot.Above->y() + slot.Above->height() + slot.Top : slot.Top;
        if (slot.Width == 0) {
            widget->setGeometry(Left + slot.Indent, top, width - slot.Indent - slot.Trail, height);
            continue;
        }
        const int partWidth = std::max(slot.Width, hint.width());
        widget->setGeometry(slot.AtRight ? Left + width - partWidth : Left, top, partWidth, height);
    }
    PlaceShownControls();
}

TqelCheckBox* TSidePanel::CheckBox(C control, const char* caption, const char* namedAs, const TPanelSlot& slot) {
    auto* box = new TqelCheckBox(caption, viewArea_);
    box->NamedAs = namedAs;
    Register(control, box, slot);
    checkBoxes_.push_back(box);
    return box;
}

TqelRadioGroup* TSidePanel::RadioGroup(C control, const char* caption, const std::vector<std::string_view>& items,
                                       int columns, const char* namedAs, const TPanelSlot& slot) {
    auto* group = new TqelRadioGroup(caption, items, columns, viewArea_);
    group->NamedAs = namedAs;
    Register(control, group, slot);
    radioGroups_.push_back(group);
    return group;
}

TqelComboBox* TSidePanel::GammaComboBox(C control, const char* namedAs, const TPanelSlot& slot) {
    auto* combo = new TqelComboBox(Items(GammaItems), viewArea_);
    combo->NamedAs = namedAs;
    Register(control, combo, slot);
    comboBoxes_.push_back(combo);
    return combo;
}

TqelUpDown* TSidePanel::UpDown(C control, TUpDownRange range, const char* namedAs, const TPanelSlot& slot) {
    auto* upDown = new TqelUpDown(range.Lowest, range.Highest, viewArea_);
    upDown->NamedAs = namedAs;
    Register(control, upDown, slot);
    upDowns_.push_back(upDown);
    return upDown;
}

QPushButton* TSidePanel::Button(const char* name, const char* caption, QWidget* parent, QRect place) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    if (!place.isNull()) button->setGeometry(place);
    return button;
}

QTimer* TSidePanel::Timer(const char* name, int interval) {
    auto* timer = new QTimer(this);
    timer->setObjectName(name);
    timer->setSingleShot(true);
    timer->setInterval(interval);
    return timer;
}

void TSidePanel::BuildTimers() {
    TimerNudge = Timer("TimerNudge", NudgeDelayMs);
    TimerTempRange = Timer("TimerTempRange", TempRangeDelayMs);
    TimerUpdateSeaColour = Timer("TimerUpdateSeaColour", SeaColourDesignDelayMs);
    connect(TimerNudge, &QTimer::timeout, this, [this] { Guarded([this] { TimerNudgeTimer(); }); });
    connect(TimerTempRange, &QTimer::timeout, this, [this] { Guarded([this] { TimerTempRangeTimer(); }); });
    connect(TimerUpdateSeaColour, &QTimer::timeout, this, [this] { Guarded([this] { TimerUpdateSeaColourTimer(); }); });
}

void TSidePanel::BuildActions() {
    const auto add = [this](const char* name, QKeySequence key, std::function<void()> handler) {
        auto* action = new QAction(this);
        action->setObjectName(name);
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, [handler] { Guarded(handler); });
        addAction(action);
        return action;
    };
    for (const TNudgeAction& nudge : NudgeActions) {
        QAction* action = add(nudge.Name, QKeySequence(Qt::CTRL | nudge.Key),
                              [this, nudge] { NudgeOverlay(nudge.DX, nudge.DY); });
        if (std::string_view(nudge.Name) == "ActionPageDown") actionPageDown_ = action;
    }
    add("ActionToggleGrid", QKeySequence(Qt::CTRL | Qt::Key_G), [this] { BitBtnOverlayClick(); });
    for (int item = 0; item < 5; ++item) {
        const std::string name = "ActionBright" + std::to_string(item + 1);
        add(name.c_str(), QKeySequence(Qt::CTRL | (Qt::Key_1 + item)), [this, item] { ActionBrightExecute(item); });
    }
}

void TSidePanel::ConnectHandlers() {
    for (TqelRadioGroup* group : radioGroups_) group->OnClick = [this, group] { DisplaySettingsChanged(group); };
    for (TqelComboBox* combo : comboBoxes_) combo->OnChange = [this, combo] { DisplaySettingsChanged(combo); };
    for (TqelCheckBox* box : checkBoxes_) box->OnClick = [this, box] { DisplaySettingsChanged(box); };
    CheckBoxUserRange->OnClick = [this] { CheckBoxUserRangeClick(); };
    CheckBoxSeaBlue->OnClick = [this] { CheckBoxSeaBlueClick(); };
    CheckBoxShowFire->OnClick = [this] { CheckBoxShowFireClick(); };
    UpDownUserMinTemp->OnClick = UpDownUserMaxTemp->OnClick = [this] { UserTempRangeClick(); };
    UpDownUserMinSST->OnClick = UpDownUserMaxSST->OnClick = [this] { UserSstRangeClick(); };
    static_cast<TqelUpDown*>(Control(C::UpDownSSTCh4Reject))->OnClick = [this] { TimerTempRange->start(); };
    UpDownSeaColourThreshold->OnClick = [this] { UpDownSeaColourThresholdClick(); };

    const auto click = [this](const char* name, std::function<void()> handler) {
        connect(findChild<QPushButton*>(name), &QPushButton::clicked, this, [handler] { Guarded(handler); });
    };
    for (const char* name : {"ButtonLoadPalette", "ButtonLoadNDVIpalette", "ButtonLoadSSTpalette"}) {
        auto* button = findChild<QPushButton*>(name);
        click(name, [this, button] { ButtonLoadPaletteClick(button); });
    }
    click("ButtonBrowseLandSeaMask", [this] { ButtonBrowseLandSeaMaskClick(); });
    click("ButtonAdjHistogram", [this] { ButtonAdjHistogramClick(); });
    click("BitBtnSeaColour", [this] { BitBtnSeaColourClick(); });
    click("BitBtnOverlay", [this] { BitBtnOverlayClick(); });
    click("BitBtnSaveTemps", [this] {
        if (core_ != nullptr) core_->SaveTemperaturesOfView();
    });
    click("BitBtnCentre", [this] { NudgeOverlay(0, 0); });
    click("BitBtnLeft", [this] { NudgeOverlay(-1, 0); });
    click("BitBtnRight", [this] { NudgeOverlay(1, 0); });
    click("BitBtnUp", [this] { NudgeOverlay(0, 1); });
    click("BitBtnDown", [this] { NudgeOverlay(0, -1); });
}

// ---- binding -----------------------------------------------------------------

void TSidePanel::LoadControls(TViewOptions& options) {
    options_ = &options;
    TViewOptions& o = options;
    const std::array<std::pair<C, int*>, 13> groups{{
        {C::RadioGroupBrightness, &o.RadioGroupBrightness}, {C::RadioGroupColour, &o.RadioGroupColour},
        {C::RadioGroupCrispenFC, &o.RadioGroupCrispenFC},
        {C::RadioGroupThermalBrightAdjust, &o.RadioGroupThermalBrightAdjust},
        {C::RadioGroupRed, &o.RadioGroupRed}, {C::RadioGroupGreen, &o.RadioGroupGreen},
        {C::RadioGroupBlue, &o.RadioGroupBlue}, {C::RadioGroupUserRed, &o.RadioGroupUserRed},
        {C::RadioGroupUserGreen, &o.RadioGroupUserGreen}, {C::RadioGroupUserBlue, &o.RadioGroupUserBlue},
        {C::RadioGroupNOAAalgorithm, &o.RadioGroupNOAAalgorithm}, {C::RadioGroupSPOTmap, &o.RadioGroupSPOTmap},
        {C::RadioGroupSstDisplayRange, &o.RadioGroupSstDisplayRange},
    }};
    for (const auto& [control, field] : groups) static_cast<TqelRadioGroup*>(Control(control))->Bind(*field);
    const std::array<std::pair<C, int*>, 6> combos{{
        {C::ComboBoxGammaCorrectFC, &o.ComboBoxGammaCorrectFC}, {C::ComboBoxGammaCorrectCh1, &o.ComboBoxGammaCorrectCh1},
        {C::ComboBoxGammaCorrectCh2, &o.ComboBoxGammaCorrectCh2}, {C::ComboBoxGammaCorrectCh3, &o.ComboBoxGammaCorrectCh3},
        {C::ComboBoxGammaCorrectCh4, &o.ComboBoxGammaCorrectCh4}, {C::ComboBoxGammaCorrectCh5, &o.ComboBoxGammaCorrectCh5},
    }};
    for (const auto& [control, field] : combos) static_cast<TqelComboBox*>(Control(control))->Bind(*field);
    const std::array<std::pair<C, int*>, 5> upDowns{{
        {C::UpDownUserMinTemp, &o.UpDownUserMinTemp}, {C::UpDownUserMaxTemp, &o.UpDownUserMaxTemp},
        {C::UpDownUserMinSST, &o.UpDownUserMinSST}, {C::UpDownUserMaxSST, &o.UpDownUserMaxSST},
        {C::UpDownSSTCh4Reject, &o.UpDownSSTCh4Reject},
    }};
    for (const auto& [control, field] : upDowns) static_cast<TqelUpDown*>(Control(control))->Bind(*field);
    const std::array<std::pair<C, bool*>, 17> boxes{{
        {C::EqHistChan1, &o.EqHistChan1}, {C::EqHistChan2, &o.EqHistChan2}, {C::EqHistChan3, &o.EqHistChan3},
        {C::EqHistChan4, &o.EqHistChan4}, {C::EqHistChan5, &o.EqHistChan5},
        {C::CheckBoxIllumEqCh1, &o.CheckBoxIllumEqCh1}, {C::CheckBoxIllumEqCh2, &o.CheckBoxIllumEqCh2},
        {C::CheckBoxIllumEqCh3, &o.CheckBoxIllumEqCh3}, {C::ColourStretch, &o.ColourStretch},
        {C::UserColourStretch, &o.UserColourStretch}, {C::CheckBoxUserRange, &o.CheckBoxUserRange},
        {C::CheckBoxSSTIrCloudCheck, &o.CheckBoxSSTIrCloudCheck}, {C::CheckBoxSSTZenithCheck, &o.CheckBoxSSTZenithCheck},
        {C::CheckBoxSstLandSeaMask, &o.CheckBoxSstLandSeaMask}, {C::CheckBoxColourVegetation, &o.CheckBoxColourVegetation},
        {C::CheckBoxColourVegetationGreen, &o.CheckBoxColourVegetationGreen}, {C::CheckBoxShowAsh, &o.CheckBoxShowAsh},
    }};
    for (const auto& [control, field] : boxes) static_cast<TqelCheckBox*>(Control(control))->Bind(*field);
    CheckBoxSeaBlue->Bind(o.CheckBoxSeaBlue);
    CheckBoxShowFire->Bind(o.CheckBoxShowFire);
    ColorDialogSeaColour->Bind(o.ColorDialogSeaColour);

    for (TqelRadioGroup* group : radioGroups_) group->Loaded();
    for (TqelComboBox* combo : comboBoxes_) combo->Loaded();
    for (TqelUpDown* upDown : upDowns_) upDown->Loaded();
    for (TqelCheckBox* box : checkBoxes_) box->Loaded();
    ColorDialogSeaColour->Loaded();
}

void TSidePanel::Attach(TMainCore& core) {
    core_ = &core;
    UpDownSeaColourThreshold->SetPosition(core.Settings.SeaColourThreshold->Value);
    ShowTempRangeLabels();
    // On a French keyboard A is where Q is elsewhere: the nudge keys keep their place.
    if (core.FrenchLocale)
        findChild<QAction*>("ActionPageLeft")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

void TSidePanel::RefreshControls() {
    for (TqelRadioGroup* group : radioGroups_) group->Refresh();
    for (TqelComboBox* combo : comboBoxes_) combo->Refresh();
    for (TqelUpDown* upDown : upDowns_) upDown->Refresh();
    for (TqelCheckBox* box : checkBoxes_) box->Refresh();
}

// ---- what the window asks of the panel ----------------------------------------

QWidget* TSidePanel::Control(C control) const {
    const auto index = static_cast<size_t>(control);
    return index < controls_.size() ? controls_[index] : nullptr;
}

void TSidePanel::ShowSidePanel(const TSidePanelLayout& layout) {
    shownLayout_ = layout;
    for (QWidget* control : controls_) control->hide();
    for (C control : layout.Shown) Control(control)->show();
    PlaceShownControls();
    LabelSSTRange->setEnabled(layout.LabelSSTRangeEnabled);
    RefreshControls();
    ShowTempRangeLabels();
    if (SidePanelShows(layout, C::PanelTempCalib)) PaintScale();
}

void TSidePanel::PlaceShownControls() {
    const TSidePanelLayout& layout = shownLayout_;
    if (layout.PanelTempCalibHeight > 0) {
        QWidget* panel = Control(C::PanelTempCalib);
        panel->resize(panel->width(), layout.PanelTempCalibHeight);
    }
    for (const TControlPlacement& placement : layout.Placements) {
        const QWidget* anchor = Control(placement.Anchor);
        QWidget* control = Control(placement.Control);
        const int top = anchor->y() + (placement.BelowAnchor ? anchor->height() : 0) + placement.Offset;
        control->move(control->x(), top);
    }
    int bottom = ViewAreaHeight;
    for (C control : layout.Shown) bottom = std::max(bottom, Control(control)->geometry().bottom() + 1);
    viewArea_->setFixedHeight(bottom);
}

// Painted with the redisplay's side panel, so that an image saved right
// after it carries the scale of its view.
void TSidePanel::PaintScale() {
    const QWidget* panel = Control(C::PanelTempCalib);
    PaintBoxTempCalib->setGeometry(1, 1, std::max(panel->width() - 2, 1), std::max(panel->height() - 2, 1));
    TTemperatureScaleInputs inputs;
    if (core_ != nullptr) {
        inputs.View = core_->View.ViewIndex();
        inputs.Sensor = core_->Pass.Sensor.get();
    }
    if (options_ != nullptr) {
        inputs.UserRange = options_->CheckBoxUserRange;
        inputs.UserMin = options_->UpDownUserMinTemp;
        inputs.UserMax = options_->UpDownUserMaxTemp;
    }
    PaintTemperatureScale(scaleBitmap_, PaintBoxTempCalib->width(), PaintBoxTempCalib->height(), inputs);
    PaintBoxTempCalib->update();
}

void TSidePanel::EnableControls(bool enabled) {
    for (const char* name : EnabledTogether)
        if (auto* control = findChild<QWidget*>(name)) control->setEnabled(enabled);
}

void TSidePanel::ShowNudgeOffset(int nudgeX, int nudgeY) {
    nudgeShown_ = {nudgeX, nudgeY};
    const QString hint = ToQt(FormatResStr(res::SNudgeHint, {std::to_string(nudgeX), std::to_string(nudgeY)}));
    for (size_t k = 1; k < nudgeButtons_.size(); ++k) nudgeButtons_[k]->setToolTip(hint);
}

void TSidePanel::SetOverlayShown(bool shown) {
    const QSignalBlocker blocker(BitBtnOverlay);
    BitBtnOverlay->setChecked(shown);
}

void TSidePanel::SetPaletteButtonHint(const std::string& hint) {
    findChild<QPushButton*>("ButtonLoadPalette")->setToolTip(ToQt(hint));
}

void TSidePanel::ShowOverlayTools(bool show) {
    BitBtnOverlay->setVisible(show);
    for (QPushButton* button : nudgeButtons_) button->setVisible(show);
}

void TSidePanel::ShowTempRangeLabels() {
    LabelTempRange->setText(ToQt(RangeText(UpDownUserMinTemp->Position(), UpDownUserMaxTemp->Position())));
    LabelSSTRange->setText(ToQt(RangeText(UpDownUserMinSST->Position(), UpDownUserMaxSST->Position())));
}

// ---- handlers ----------------------------------------------------------------

void TSidePanel::Redisplay() {
    if (core_ != nullptr) core_->Redisplay();
}

void TSidePanel::DisplaySettingsChanged(QWidget* sender) {
    if (SuppressRedisplay) return;
    if (sender == Control(C::CheckBoxColourVegetation) || sender == Control(C::CheckBoxColourVegetationGreen))
        if (core_ != nullptr) core_->Pass.NdviPaletteFileName.clear();
    Redisplay();
    sender->setFocus();
}

void TSidePanel::CheckBoxSeaBlueClick() {
    TimerUpdateSeaColour->setInterval(SeaColourBoxDelayMs);
    TimerUpdateSeaColour->start();
    if (OnEnableViewTabs) OnEnableViewTabs(false);
}

void TSidePanel::UpDownSeaColourThresholdClick() {
    TimerUpdateSeaColour->stop();
    if (core_ != nullptr) core_->Settings.SeaColourThreshold->Value = UpDownSeaColourThreshold->Position();
    if (!CheckBoxSeaBlue->Checked()) return;
    TimerUpdateSeaColour->setInterval(SeaColourThresholdDelayMs);
    TimerUpdateSeaColour->start();
    if (OnEnableViewTabs) OnEnableViewTabs(false);
}

void TSidePanel::TimerUpdateSeaColourTimer() {
    TimerUpdateSeaColour->stop();
    if (OnEnableViewTabs) OnEnableViewTabs(true);
    Redisplay();
}

void TSidePanel::CheckBoxShowFireClick() {
    if (core_ != nullptr && core_->View.ViewIndex() == ViewFalseColour) Redisplay();
}

void TSidePanel::CheckBoxUserRangeClick() {
    const bool checked = CheckBoxUserRange->Checked();
    for (C control : {C::UpDownUserMinTemp, C::UpDownUserMaxTemp, C::LabelTempRange})
        Control(control)->setVisible(checked);
    TimerTempRange->start();
}

// A minimum typed above the maximum is taken as the range turned round,
// as the stored values are at the next start. (Both ends of such a range
// lie within both up-downs' limits.) The old up-downs were switched off
// while their partner moved, against a click arriving meanwhile; here
// nothing runs in between, and switching a focused control off would move
// the focus away from it.
void TSidePanel::WidenRange(TqelUpDown& lower, TqelUpDown& upper) {
    if (lower.Position() > upper.Position()) {
        const int low = upper.Position();
        upper.SetPosition(lower.Position());
        lower.SetPosition(low);
    }
    if (upper.Position() - lower.Position() >= NarrowestUserRange) return;
    if (lower.Position() == lower.minimum())
        upper.SetPosition(upper.Position() + 1);
    else
        lower.SetPosition(lower.Position() - 1);
}

void TSidePanel::UserTempRangeClick() {
    TimerTempRange->stop();
    WidenRange(*UpDownUserMinTemp, *UpDownUserMaxTemp);
    ShowTempRangeLabels();
    TimerTempRange->start();
}

void TSidePanel::UserSstRangeClick() {
    {
        const THandlerDetached detached(RadioGroupSstDisplayRange->OnClick);
        RadioGroupSstDisplayRange->SetItemIndex(SstRangeUser);
    }
    TimerTempRange->stop();
    WidenRange(*UpDownUserMinSST, *UpDownUserMaxSST);
    LabelSSTRange->setEnabled(true);
    ShowTempRangeLabels();
    TimerTempRange->start();
}

// A redisplay that falls due while the left button is held (an up-down
// arrow kept pressed) is skipped; the next click starts the timer again.
void TSidePanel::TimerTempRangeTimer() {
    TimerTempRange->stop();
    if (LeftButtonDown && LeftButtonDown()) return;
    Redisplay();
}

void TSidePanel::ButtonLoadPaletteClick(QPushButton* button) {
    if (core_ == nullptr) return;
    TPassState& pass = core_->Pass;
    const QString name = button->objectName();
    std::string& fileName = name == "ButtonLoadNDVIpalette"  ? pass.NdviPaletteFileName
                            : name == "ButtonLoadSSTpalette" ? pass.SstPaletteFileName
                                                              : pass.PaletteFileName;
    if (!ChoosePaletteFile(fileName, button)) return;
    if (name == "ButtonLoadSSTpalette") core_->SetSstPalette(fileName);
    Redisplay();
}

bool TSidePanel::ChoosePaletteFile(std::string& fileName, QPushButton* button) {
    QFileDialog dialog(this, ToQt(resStr(res::SOpenPalette)));
    dialog.setObjectName("OpenDialogPalette");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({ToQt(resStr(res::SPaletteFiles)), ToQt(resStr(res::SAllFiles))});
    dialog.setDirectory(ToQt(fileName.empty() ? core_->ProgramFolder : ExtractFilePath(fileName)));
    if (!fileName.empty()) dialog.selectFile(ToQt(fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName = dialog.selectedFiles().front().toStdString();
    button->setToolTip(ToQt(FormatResStr(res::SPaletteFrom, {ShownFileNameText(ExtractFileName(fileName))})));
    return true;
}

void TSidePanel::ButtonBrowseLandSeaMaskClick() {
    if (core_ == nullptr) return;
    std::string& maskPath = core_->Settings.LandSeaMaskPath->Value;
    QFileDialog dialog(this, ToQt(resStr(res::SLandSeaMaskFile)));
    dialog.setObjectName("OpenDialogLandSeaMask");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(ToQt(ExtractFilePath(maskPath)));
    dialog.selectFile(ToQt(maskPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::string chosen = dialog.selectedFiles().front().toStdString();
    if (chosen == maskPath) return;
    maskPath = chosen;
    if (options_->CheckBoxSstLandSeaMask) Redisplay();
}

// The histogram adjustment works on unstretched colours only.
void TSidePanel::ButtonAdjHistogramClick() {
    for (C stretch : {C::ColourStretch, C::UserColourStretch}) {
        const auto* box = static_cast<TqelCheckBox*>(Control(stretch));
        if (!box->isHidden() && box->Checked()) {
            TDialogService::Instance().ShowMessage(resStr(res::SUncheckStretch));
            return;
        }
    }
    if (OnAdjustHistogram) OnAdjustHistogram();
}

void TSidePanel::BitBtnSeaColourClick() {
    if (ColorDialogSeaColour->Execute(this)) Redisplay();
}

void TSidePanel::BitBtnOverlayClick() {
    if (core_ == nullptr) return;
    core_->View.OverlayShown = !core_->View.OverlayShown;
    SetOverlayShown(core_->View.OverlayShown);
    Redisplay();
}

void TSidePanel::ActionBrightExecute(int item) {
    if (core_ != nullptr && core_->View.ViewIndex() == ViewFalseColour) RadioGroupBrightness->SetItemIndex(item);
}

void TSidePanel::NudgeOverlay(int dx, int dy) {
    if (core_ == nullptr) return;
    TimerNudge->stop();
    TPassState& pass = core_->Pass;
    if (dx == 0 && dy == 0) {
        pass.NudgeX = 0;
        pass.NudgeY = 0;
    } else {
        pass.NudgeX += dx;
        pass.NudgeY += dy;
    }
    ShowNudgeOffset(pass.NudgeX, pass.NudgeY);
    TimerNudge->start();
}

void TSidePanel::TimerNudgeTimer() {
    TimerNudge->stop();
    if (core_ != nullptr) core_->RememberNudgeOffset();
    Redisplay();
}

}  // namespace kestrune
