#include "app/MouseTools.h"

#include "app/EventGuard.h"
#include "app/ImageDisplay.h"
#include "app/MainCore.h"
#include "decoding/HRPTvideo.h"
#include "orbit/EarthLocations.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

#include <cstdlib>

namespace kestrune {

namespace {

constexpr int SmallestMeasuredSide = 10;
constexpr int SmallestProfileSpan = 51;

// A tool button that also tells its double click.
class TSpeedButton : public QToolButton {
public:
    TSpeedButton(const char* name, const char* caption, QWidget* parent) : QToolButton(parent) {
        setObjectName(name);
        setText(caption);
        setCheckable(true);
    }
    std::function<void()> OnDblClick;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QToolButton::mouseDoubleClickEvent(event);
        Guarded([this] {
            if (OnDblClick) OnDblClick();
        });
    }
};

// The label breaks its lines where the read-out has a carriage return.
QString LabelText(const std::string& text) { return ToQt(text).replace('\r', '\n'); }

}  // namespace

TMouseTools::TMouseTools(TImageDisplay& display, QLabel& labelCursor, QWidget& toolArea)
    : display_(display), labelCursor_(labelCursor) {
    auto* layout = new QHBoxLayout(&toolArea);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(&toolArea);
    auto* select = new TSpeedButton("SpeedButtonSelect", "Select", &toolArea);
    SpeedButtonRuler = new TSpeedButton("SpeedButtonRuler", "Ruler", &toolArea);
    SpeedButtonSelect = select;
    SpeedButtonTProfile = new TSpeedButton("SpeedButtonTProfile", "Profile", &toolArea);
    for (QToolButton* button : {SpeedButtonRuler, SpeedButtonSelect, SpeedButtonTProfile}) {
        group->addButton(button);
        layout->addWidget(button);
        button->hide();
    }
    SpeedButtonSelect->setChecked(true);
    QObject::connect(SpeedButtonRuler, &QToolButton::clicked, [this] { MouseTool = ToolRuler; });
    QObject::connect(SpeedButtonSelect, &QToolButton::clicked, [this] { MouseTool = ToolSelect; });
    QObject::connect(SpeedButtonTProfile, &QToolButton::clicked, [this] { MouseTool = ToolTemperatureProfile; });
    select->OnDblClick = [this] { SpeedButtonSelectDblClick(); };
    labelCursor_.setObjectName("LabelCursor");
    display_.OnMouseDown = [this](QMouseEvent& event) { ImageDisplayMouseDown(event); };
    display_.OnMouseMove = [this](QMouseEvent& event) { ImageDisplayMouseMove(event); };
    display_.OnMouseUp = [this](QMouseEvent& event) { ImageDisplayMouseUp(event); };
    display_.OnMouseLeave = [this] { ImageDisplayMouseLeave(); };
}

void TMouseTools::Attach(TMainCore& core) { core_ = &core; }

QPoint TMouseTools::Pixel(const QMouseEvent& event) const {
    return display_.PicturePoint(event.position().toPoint(), OneToOne && OneToOne());
}

// The pass counts as located when its centre has a position.
bool TMouseTools::PassLocated() const {
    float latitude = 0;
    float longitude = 0;
    return PixelLocation(core_->Pass, display_.PictureWidth() / 2, core_->Pass.CentreLine, latitude, longitude) &&
           (latitude != 0 || longitude != 0);
}

void TMouseTools::ImageDisplayMouseDown(QMouseEvent& event) {
    if (core_ == nullptr || event.button() != Qt::LeftButton) return;
    Cursor.Dragging = PassLocated() || MouseTool == ToolSelect;
    if (!Cursor.Dragging) return;
    const QPoint pixel = Pixel(event);
    SelectionRect = {pixel.x(), pixel.y(), pixel.x(), pixel.y()};
    PixelLocation(core_->Pass, pixel.x(), pixel.y(), Cursor.StartLatitude, Cursor.StartLongitude);
}

void TMouseTools::ImageDisplayMouseMove(QMouseEvent& event) {
    if (core_ == nullptr) return;
    const QPoint pixel = Pixel(event);
    if (Cursor.Dragging) {
        SelectionRect[2] = pixel.x();
        SelectionRect[3] = pixel.y();
        DrawSelectionLine(SelectionRect[0], SelectionRect[1], SelectionRect[3], SelectionRect[2]);
        PixelLocation(core_->Pass, pixel.x(), pixel.y(), Cursor.EndLatitude, Cursor.EndLongitude);
    }
    MoveTo(pixel, (event.modifiers() & Qt::ControlModifier) != 0);
}

void TMouseTools::MoveTo(QPoint pixel, bool ctrlHeld) {
    labelCursor_.clear();
    ReadCursorValues(core_->Pass, core_->View.ViewIndex(), pixel.x(), pixel.y(), Cursor);
    Cursor.CursorCtrlHeld = ctrlHeld;
    ShowCursorReadout();
}

void TMouseTools::ShowCursorReadout() {
    unitsHintShown_ = false;
    labelCursor_.setText(
        LabelText(CursorReadoutText(Cursor, core_->View.ViewIndex(), core_->Settings.MetricUnits->Value)));
}

void TMouseTools::ImageDisplayMouseUp(QMouseEvent&) {
    if (core_ == nullptr || !Cursor.Dragging) return;
    Cursor.Dragging = false;
    EraseBand();
    const auto [x1, y1, x2, y2] = SelectionRect;
    if (MouseTool == ToolSelect) MeasureSelection(x1, y1, y2, x2);
    if (MouseTool == ToolTemperatureProfile && core_->Pass.EarthLocations->MapFitted &&
        (std::abs(x2 - x1) >= SmallestProfileSpan || std::abs(y2 - y1) >= SmallestProfileSpan) && OnTemperatureProfile)
        OnTemperatureProfile(SelectionRect);
}

void TMouseTools::ImageDisplayMouseLeave() {
    if (core_ == nullptr) return;
    labelCursor_.setText(LabelText(CursorUnitsPrompt(core_->Settings.MetricUnits->Value)));
    unitsHintShown_ = true;
}

void TMouseTools::LanguageChanged() {
    if (core_ == nullptr || labelCursor_.text().isEmpty()) return;
    if (unitsHintShown_) ImageDisplayMouseLeave();
    else ShowCursorReadout();
}

void TMouseTools::LabelCursorClick() {
    if (core_ == nullptr) return;
    bool& metric = core_->Settings.MetricUnits->Value;
    metric = !metric;
    ImageDisplayMouseLeave();
}

void TMouseTools::SpeedButtonSelectDblClick() {
    if (core_ == nullptr) return;
    MeasureSelection(1, 1, core_->Pass.DataLineCount - 1, display_.PictureWidth() - 1);
}

void TMouseTools::ShowImageTools(bool show, bool mapFitted) {
    show = show && display_.HasPicture();
    SpeedButtonSelect->setVisible(show);
    SpeedButtonTProfile->setVisible(show);
    SpeedButtonSelect->setChecked(true);
    MouseTool = ToolSelect;
    SpeedButtonRuler->setVisible(show);
    SpeedButtonRuler->setEnabled(mapFitted);
    SpeedButtonTProfile->setEnabled(mapFitted);
}

void TMouseTools::DrawSelectionLine(int x1, int y1, int y2, int x2) {
    if (MouseTool == ToolSelect) {
        if (x1 != x2 && y1 != y2)
            display_.SetBand(TImageDisplay::TBand::Rectangle, {x1, y1}, {x2, y2});
        else
            EraseBand();
    } else if (x1 != x2 || y1 != y2) {
        display_.SetBand(TImageDisplay::TBand::Line, {x1, y1}, {x2, y2});
    } else {
        EraseBand();
    }
}

void TMouseTools::EraseBand() { display_.SetBand(TImageDisplay::TBand::None, {}, {}); }

void TMouseTools::MeasureSelection(int x1, int y1, int y2, int x2) {
    if (core_->Busy()) return;
    if (std::abs(x2 - x1) < SmallestMeasuredSide || std::abs(y2 - y1) < SmallestMeasuredSide) return;
    core_->Pass.Video->MeasureRegion({std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)});
    core_->Redisplay();
}

}  // namespace kestrune
