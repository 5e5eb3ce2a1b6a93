#include "app/VideoAdjustForm.h"

#include "app/EventGuard.h"
#include "decoding/HRPTvideo.h"
#include "platform/ResCodePages.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kestrune {

namespace {

constexpr int PlotLeft = 8;
constexpr int PlotTop = 8;
constexpr int PlotWidth = 393;
constexpr int PlotHeight = 169;
constexpr int MarkerTop = 184;
constexpr int MarkerWidth = 9;
constexpr int MarkerHeight = 10;

const std::array<QColor, 3> TickColours{QColor(0xFF, 0, 0), QColor(0, 0x80, 0), QColor(0, 0, 0x80)};
const std::array<QColor, 3> CurveColours{QColor(0xFF, 0, 0), QColor(0, 0x80, 0), QColor(0, 0, 0xFF)};

// A marker: a small arrow pointing up at the scale, in black, grey or white.
QPixmap MarkerPicture(QColor fill) {
    QPixmap picture(MarkerWidth, MarkerHeight);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setPen(Qt::black);
    painter.setBrush(fill);
    const QPoint arrow[5] = {{4, 0}, {8, 4}, {8, 9}, {0, 9}, {0, 4}};
    painter.drawPolygon(arrow, 5);
    return picture;
}

}  // namespace

// The silver panel with both plots; mouse hits on the markers reach it.
class TFormHistogramAdjust::TAdjustPanel : public QWidget {
public:
    TAdjustPanel(QWidget* parent, TFormHistogramAdjust& form) : QWidget(parent), form_(form) {
        setObjectName("PanelHistoAdj");
        setFixedSize(PlotLeft * 2 + PlotWidth + MarkerWidth, MarkerTop + MarkerHeight + 8);
        setAutoFillBackground(true);
        QPalette colours = palette();
        colours.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
        setPalette(colours);
    }

    TMarker Dragged = MarkerNone;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        PaintHistogram(painter);
        PaintTransfer(painter);
    }
    void mousePressEvent(QMouseEvent* event) override {
        Dragged = form_.adjust_.PickMarker(static_cast<int>(event->position().x()));
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (Dragged == MarkerNone) return;
        Guarded([&] {
            form_.adjust_.DragMarker(Dragged, static_cast<int>(event->position().x()));
            form_.ShowMarkers();
            form_.ShowGammaLabels();
            update();
        });
    }
    void mouseReleaseEvent(QMouseEvent*) override { Dragged = MarkerNone; }

private:
    void PaintHistogram(QPainter& painter) const {
        TVideoAdjust& adjust = form_.adjust_;
        if (form_.video_ == nullptr) return;
        TqelHistogram& histogram = form_.video_->Histogram(adjust.Channels[adjust.Selected]);
        if (histogram.Low() == 0 && histogram.High() == TopCount) return;
        const int w = PlotWidth;
        const int h = PlotHeight;
        painter.save();
        painter.translate(PlotLeft, PlotTop);
        painter.setPen(QColor(0x80, 0x80, 0x80));
        const std::vector<int> bars = HistogramBars(histogram, w, h);
        for (size_t i = 0; i < bars.size(); ++i) {
            const int x = static_cast<int>(i) + 1;
            painter.drawLine(x, h - 2, x, h - 2 - bars[i]);
        }
        painter.setPen(adjust.EqualRgb ? QColor(Qt::black) : TickColours[adjust.Selected]);
        for (int point : {histogram.Low(), histogram.High()}) {
            const int x = (w - 3) * point / TopCount + 1;
            painter.drawLine(x, h - 2, x, h - 12);
        }
        painter.restore();
    }
    void PaintTransfer(QPainter& painter) const {
        const TVideoAdjust& adjust = form_.adjust_;
        const int left = adjust.Markers.BlackHome + MarkerWidth / 2;
        const int w = adjust.Markers.WhiteHome - adjust.Markers.BlackHome;
        const int h = PlotHeight;
        painter.save();
        painter.translate(left, PlotTop);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, w - 1, h - 1);
        for (int colour = 0; colour < 3; ++colour) {
            const bool black = colour == ColourBlue && adjust.EqualRgb;
            painter.setPen(black ? QColor(Qt::black) : CurveColours[static_cast<size_t>(colour)]);
            const std::vector<int> ys = TransferCurve(adjust.Colours[static_cast<size_t>(colour)].Transfer, w, h);
            for (int x = 1; x < w; ++x)
                painter.drawLine(x - 1, ys[static_cast<size_t>(x - 1)], x, ys[static_cast<size_t>(x)]);
        }
        painter.restore();
    }

    TFormHistogramAdjust& form_;
};

TFormHistogramAdjust::TFormHistogramAdjust(QWidget* parent, TVideoAdjust& adjust) : QDialog(parent), adjust_(adjust) {
    setObjectName("FormHistogramAdjust");
    setWindowTitle("Talvessa - Video Adjust");
    BuildControls();
    adjust_.Markers.BlackHome = PlotLeft;
    adjust_.Markers.WhiteHome = PlotLeft + PlotWidth - 1;
    adjust_.Markers.Width = MarkerWidth;
    adjust_.ColourChoice();
    ShowMarkers();
    ShowGammaLabels();
}

QPushButton* TFormHistogramAdjust::Button(const char* name, const char* caption, const char* hint) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    if (hint != nullptr) button->setToolTip(hint);
    return button;
}

void TFormHistogramAdjust::BuildControls() {
    PanelHistoAdj = new TAdjustPanel(this, *this);
    const std::array<QColor, 3> fills{Qt::black, QColor(0x80, 0x80, 0x80), Qt::white};
    const std::array<const char*, 3> names{"ImageBlack", "ImageGrey", "ImageWhite"};
    for (size_t i = 0; i < markers_.size(); ++i) {
        markers_[i] = new QLabel(PanelHistoAdj);
        markers_[i]->setObjectName(names[i]);
        markers_[i]->setPixmap(MarkerPicture(fills[i]));
        markers_[i]->setFixedSize(MarkerWidth, MarkerHeight);
        // The panel takes the mouse for the markers.
        markers_[i]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    auto* info = new QLabel("Drag the markers to adjust the video", this);
    info->setObjectName("LabelInfo");

    auto* colours = new QGroupBox(" Colour ", this);
    colours->setObjectName("RadioGroupColour");
    auto* colourLayout = new QVBoxLayout(colours);
    auto* colourGroup = new QButtonGroup(colours);
    for (size_t i = 0; i < colourItems_.size(); ++i) {
        colourItems_[i] = new QRadioButton(colours);
        colourLayout->addWidget(colourItems_[i]);
        colourGroup->addButton(colourItems_[i], static_cast<int>(i));
    }
    colourItems_[0]->setChecked(true);
    connect(colourGroup, &QButtonGroup::idClicked, this, [this](int id) {
        adjust_.Selected = static_cast<TColour>(id);
        Guarded([this] { RadioGroupColourClick(); });
    });

    auto* gammas = new QGroupBox(" Gamma ", this);
    gammas->setObjectName("GroupBoxGamma");
    auto* gammaLayout = new QVBoxLayout(gammas);
    const std::array<const char*, 3> gammaNames{"LabelGammaR", "LabelGammaG", "LabelGammaB"};
    for (size_t i = 0; i < gammaLabels_.size(); ++i) {
        gammaLabels_[i] = new QLabel(gammas);
        gammaLabels_[i]->setObjectName(gammaNames[i]);
        gammaLayout->addWidget(gammaLabels_[i]);
    }

    auto* settings = new QGroupBox(" Settings ", this);
    settings->setObjectName("GroupBoxSettings");
    auto* settingsLayout = new QHBoxLayout(settings);
    QPushButton* autoButton = Button("ButtonAuto", "Auto", "Stretch all channels to full range");
    QPushButton* load = Button("ButtonLoad", "Load", nullptr);
    QPushButton* save = Button("ButtonSave", "Save", nullptr);
    for (QPushButton* button : {autoButton, load, save}) settingsLayout->addWidget(button);
    connect(autoButton, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonAutoClick(); }); });
    connect(load, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonLoadClick(); }); });
    connect(save, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonSaveClick(); }); });

    CheckBoxEqualRGB = new QCheckBox("Set R = G = B", this);
    CheckBoxEqualRGB->setObjectName("CheckBoxEqualRGB");
    CheckBoxEqualRGB->setToolTip("Make all three channels have the same transfer characteristic");
    connect(CheckBoxEqualRGB, &QCheckBox::clicked, this, [this](bool checked) {
        adjust_.EqualRgb = checked;
        adjust_.RebuildTransfer(checked);
        ShowGammaLabels();
        Repaint();
    });
    CheckBoxHEq = new QCheckBox("H.Eq", this);
    CheckBoxHEq->setObjectName("CheckBoxHEq");
    CheckBoxHEq->setToolTip("Histogram equalise");
    connect(CheckBoxHEq, &QCheckBox::clicked, this, [this] {
        if (video_ != nullptr) adjust_.Equalise(*video_);
        Repaint();
    });

    QPushButton* apply = Button("ButtonApply", "Apply", "Try out current settings");
    connect(apply, &QPushButton::clicked, this, [this] {
        if (OnRedisplay) Guarded(OnRedisplay);
    });
    QPushButton* ok = Button("ButtonOK", "OK", nullptr);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    QPushButton* cancel = Button("ButtonCancel", "Cancel", nullptr);
    cancel->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* side = new QVBoxLayout;
    side->addWidget(colours);
    side->addWidget(gammas);
    side->addWidget(CheckBoxEqualRGB);
    side->addWidget(CheckBoxHEq);
    side->addStretch();
    auto* left = new QVBoxLayout;
    left->addWidget(PanelHistoAdj);
    left->addWidget(info);
    left->addWidget(settings);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addLayout(side);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {apply, ok, cancel}) buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormHistogramAdjust::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ShowColourItems();
    adjust_.UseTransfer = true;
    RadioGroupColourClick();
}

void TFormHistogramAdjust::ShowColourItems() {
    const std::array<const char*, 3> letters{"R", "G", "B"};
    for (size_t i = 0; i < colourItems_.size(); ++i)
        colourItems_[i]->setText(ToQt(FormatResStr(res::SChannelShort, {letters[i], std::to_string(adjust_.Channels[i])})));
}

void TFormHistogramAdjust::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) return;
    ShowGammaLabels();
    ShowColourItems();
}

void TFormHistogramAdjust::RadioGroupColourClick() {
    adjust_.EqualRgb = CheckBoxEqualRGB->isChecked();
    adjust_.ColourChoice();
    ShowMarkers();
    ShowGammaLabels();
    Repaint();
}

void TFormHistogramAdjust::ShowMarkers() {
    const TMarkers& m = adjust_.Markers;
    const std::array<int, 3> lefts{m.BlackLeft, m.GreyLeft, m.WhiteLeft};
    for (size_t i = 0; i < markers_.size(); ++i) markers_[i]->move(lefts[i], MarkerTop);
}

void TFormHistogramAdjust::ShowGammaLabels() {
    const std::array<uint16_t, 3> names{res::SGammaRed, res::SGammaGreen, res::SGammaBlue};
    for (size_t i = 0; i < gammaLabels_.size(); ++i)
        gammaLabels_[i]->setText(ToQt(FormatResStr(names[i], {Format("%.2f", static_cast<double>(adjust_.Colours[i].Gamma))})));
}

void TFormHistogramAdjust::Repaint() { PanelHistoAdj->update(); }

void TFormHistogramAdjust::ButtonAutoClick() {
    if (video_ == nullptr) return;
    adjust_.Auto(*video_);
    RadioGroupColourClick();
}

void TFormHistogramAdjust::ButtonLoadClick() {
    QFileDialog dialog(this, ToQt(resStr(res::SOpenTransferFile)), QString(), ToQt(resStr(res::STransferFiles)));
    dialog.setObjectName("OpenDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.selectFile(ToQt(adjust_.TransferFileName()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::string path = dialog.selectedFiles().front().toStdString();
    if (!adjust_.LoadXfr(path)) {
        TDialogService::Instance().ShowMessage(FormatResStr(res::SCannotOpenFile, {ShownFileNameText(path)}));
        return;
    }
    RadioGroupColourClick();
}

void TFormHistogramAdjust::ButtonSaveClick() {
    QFileDialog dialog(this, ToQt(resStr(res::SSaveTransferFile)), QString(), ToQt(resStr(res::STransferFiles)));
    dialog.setObjectName("SaveDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("xfr");
    dialog.selectFile(ToQt(adjust_.ImageName.empty() ? std::string("default.xfr") : adjust_.TransferFileName()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    adjust_.SaveXfr(dialog.selectedFiles().front().toStdString());
}

// Cancel, Esc and the close button alike leave the tables unused, and the
// picture they were tried on (saved as shown) no longer shows them.
void TFormHistogramAdjust::reject() {
    const bool drawnThroughTables = adjust_.DropTransfer();
    QDialog::reject();
    if (drawnThroughTables && OnRedisplay) Guarded(OnRedisplay);
}

}  // namespace kestrune
