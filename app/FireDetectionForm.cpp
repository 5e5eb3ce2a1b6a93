#include "app/FireDetectionForm.h"

#include "app/EventGuard.h"
#include "app/PersistingControls.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "render/Canvas.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace kestrune {

namespace {

constexpr int FormWidth = 394;
constexpr int FormHeight = 361;

// A page of the window: framed groups of rows, top down.
QWidget* NewPage() {
    auto* page = new QWidget;
    new QVBoxLayout(page);
    return page;
}

QFormLayout* AddGroup(QWidget& page, const char* name, const char* caption) {
    auto* group = new QGroupBox(caption, &page);
    group->setObjectName(QString("GroupBox") + name);
    page.layout()->addWidget(group);
    return new QFormLayout(group);
}

QWidget* Finished(QWidget* page) {
    static_cast<QVBoxLayout*>(page->layout())->addStretch();
    return page;
}

// A control with its unit (or another label) after it.
QWidget* WithUnit(QWidget* control, QLabel* unit) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(control);
    layout->addWidget(unit);
    layout->addStretch();
    return row;
}

// A label the language table can reach: "Label" and the name of what it belongs to.
QLabel* NamedLabel(const QString& name, const char* caption) {
    auto* label = new QLabel(caption);
    label->setObjectName("Label" + name);
    return label;
}

QWidget* WithUnit(QWidget* control, const char* unit) { return WithUnit(control, NamedLabel(control->objectName() + "Unit", unit)); }

// A row of a control after its named label.
void AddRow(QFormLayout& form, const char* caption, QWidget* control) {
    form.addRow(NamedLabel(control->objectName(), caption), control);
}

}  // namespace

// The colour sample: the fire pixel colour as a 2 x 2 dot on black, grey and white.
class TFormFireDetectionControl::TPaintBoxFirePixel : public QWidget {
public:
    TPaintBoxFirePixel(const TqelColorDialog& colour, QWidget* parent) : QWidget(parent), colour_(colour) {
        setObjectName("PaintBoxFirePixel");
        setMinimumSize(120, 24);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int third = width() / 6;
        const int h = height();
        const std::array<QColor, 3> grounds{QColor(0, 0, 0), QColor(0x80, 0x80, 0x80), QColor(0xFF, 0xFF, 0xFF)};
        for (int k = 0; k < 3; ++k) {
            painter.fillRect(2 * third * k, 0, 2 * third, h, grounds[static_cast<size_t>(k)]);
            painter.fillRect(2 * third * k + third, h / 2 - 1, 2, 2, ToQColor(colour_.Color()));
        }
    }

private:
    const TqelColorDialog& colour_;
};

TFormFireDetectionControl::TFormFireDetectionControl(QWidget* parent, TFireSettings& settings)
    : QDialog(parent), settings_(settings), colourDialog_(std::make_unique<TqelColorDialog>("ColorDialogFirePixel")) {
    setObjectName("FormFireDetectionControl");
    setWindowTitle("Fire detection setup");
    resize(FormWidth, FormHeight);
    colourDialog_->Bind(settings_.FirePixelColour);

    auto* layout = new QVBoxLayout(this);
    auto* pages = new QTabWidget(this);
    pages->setObjectName("PageControl");
    pages->addTab(BuildColourPage(), "Colour && Region");
    pages->addTab(BuildStandardPage(), "Standard Algortihm");
    pages->addTab(BuildAdvancedPage(), "Advanced Algorithm");
    layout->addWidget(pages, 1);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("ButtonClose");
    // What is typed but not yet taken counts as well.
    connect(ok, &QPushButton::clicked, this, [this] {
        EditNumberExit();
        done(mrRetry);
    });
    layout->addWidget(ok, 0, Qt::AlignRight);
    SetLanguageTexts();
}

TFormFireDetectionControl::~TFormFireDetectionControl() = default;

TqelUpDown* TFormFireDetectionControl::UpDown(const char* name, int minimum, int maximum, int& field) {
    auto* upDown = new TqelUpDown(minimum, maximum, this);
    upDown->setObjectName(QString("UpDown") + name);
    upDown->Edit()->setObjectName(QString("Edit") + name);
    upDown->Bind(field);
    connect(upDown, &QSpinBox::editingFinished, this, [this] { EditNumberExit(); });
    upDowns_.push_back(upDown);
    return upDown;
}

TqelCheckBox* TFormFireDetectionControl::CheckBox(const char* name, const char* caption, const char* hint,
                                                  bool& field) {
    auto* box = new TqelCheckBox(caption, this);
    box->setObjectName(QString("CheckBox") + name);
    if (hint != nullptr) box->setToolTip(hint);
    box->Bind(field);
    checkBoxes_.push_back(box);
    return box;
}

QWidget* TFormFireDetectionControl::BuildColourPage() {
    struct TLimit {
        const char* Name;
        const char* Caption;
        int* Field;
    };
    struct TLimitRange {
        const char* Name;
        const char* Heading;
        int Limit;
        const char* Hint;
        std::array<TLimit, 2> Limits;
    };
    const std::array<TLimitRange, 2> ranges{{
        {"LatitudeRange", "Latitude Range", 90, "Enter southern latitudes as negative values",
         {{{"FireSaveNorthLat", "North", &settings_.FireSaveNorthLat},
           {"FireSaveSouthLat", "South", &settings_.FireSaveSouthLat}}}},
        {"LongitudeRange", "Longitude Range", 180, "Enter western longitudes as negative values",
         {{{"FireSaveWestLon", "West", &settings_.FireSaveWestLon},
           {"FireSaveEastLon", "East", &settings_.FireSaveEastLon}}}},
    }};
    QWidget* page = NewPage();
    QFormLayout* region = AddGroup(*page, "RegionLimits", " Region Limits - for saving pixel list ");
    region->addRow(CheckBox("FireSaveLimitRegion", "Limit region", "Leave unchecked for the full available data",
                            settings_.FireSaveLimitRegion));
    for (const TLimitRange& range : ranges) {
        region->addRow(NamedLabel(range.Name, range.Heading));
        for (const TLimit& limit : range.Limits) {
            TqelUpDown* upDown = UpDown(limit.Name, -range.Limit, range.Limit, *limit.Field);
            upDown->setToolTip(range.Hint);
            AddRow(*region, limit.Caption, upDown);
        }
    }

    QFormLayout* colour = AddGroup(*page, "FirePixelColour", " Fire Pixel Colour ");
    auto* row = new QWidget;
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    PaintBoxFirePixel = new TPaintBoxFirePixel(*colourDialog_, row);
    auto* choose = new QPushButton("Choose...", row);
    choose->setObjectName("ButtonFirePixelColourSet");
    connect(choose, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonFirePixelColourSetClick(); }); });
    rowLayout->addWidget(PaintBoxFirePixel, 1);
    rowLayout->addWidget(choose);
    colour->addRow(row);
    return Finished(page);
}

QWidget* TFormFireDetectionControl::BuildStandardPage() {
    QWidget* page = NewPage();
    LabelExplain = new QLabel(page);
    LabelExplain->setObjectName("LabelExplain");
    LabelExplain->setWordWrap(true);
    page->layout()->addWidget(LabelExplain);
    QFormLayout* form = AddGroup(*page, "StandardParameters", " Standard Algorithm Parameters ");
    AddRow(*form, "Minimum (ch.3B - ch.4) delta (K)", UpDown("FireDeltaT", 1, 30, settings_.FireDeltaT));
    form->addRow(CheckBox("FireIncludeDeltaT", "Include (ch.3B - ch.4) delta T", nullptr, settings_.FireIncludeDeltaT));
    AddRow(*form, "Minimum ch.3 temperature (K)", UpDown("FireThresholdT", 295, 340, settings_.FireThresholdT));
    return Finished(page);
}

QWidget* TFormFireDetectionControl::BuildAdvancedPage() {
    QWidget* page = NewPage();
    QFormLayout* form = AddGroup(*page, "AdvancedParameters", " Advanced Algorithm Parameters ");
    ComboBoxFireAvgMethod = new TqelComboBox({"Average", "Median"}, page);
    ComboBoxFireAvgMethod->setObjectName("ComboBoxFireAvgMethod");
    ComboBoxFireAvgMethod->Bind(settings_.FireAvgMethod);
    AddRow(*form, "Background filter", ComboBoxFireAvgMethod);

    TqelUpDown* regionSize = UpDown("FireAvgRegionSize", 1, 10, settings_.FireAvgRegionSize);
    regionSize->OnClick = [this] { ShowRegionSize(); };
    LabelRegionSize = new QLabel(page);
    LabelRegionSize->setObjectName("LabelRegionSize");
    form->addRow(NamedLabel(regionSize->objectName(), "Background region"), WithUnit(regionSize, LabelRegionSize));

    TqelUpDown* deltaReq = UpDown("FireAvgDeltaReq", 0, 400, settings_.FireAvgDeltaReq);
    deltaReq->setToolTip("Difference required between raw and background for fire pixel (count)");
    TqelUpDown* minTch4 = UpDown("FireAvgMinTch4", 0, 360, settings_.FireAvgMinTch4);
    TqelUpDown* minTch3 = UpDown("FireAvgMinTch3", 10, 360, settings_.FireAvgMinTch3);
    form->addRow(NamedLabel(deltaReq->objectName(), "Detection threshold"), WithUnit(deltaReq, "count"));
    form->addRow(NamedLabel(minTch4->objectName(), "Min. ch.4 temperature"), WithUnit(minTch4, "K"));
    form->addRow(NamedLabel(minTch3->objectName(), "Min. ch.3 temperature"), WithUnit(minTch3, "K"));
    TqelUpDown* margin = UpDown("FireAvgEdgeMargin", 20, 512, settings_.FireAvgEdgeMargin);
    margin->setToolTip("Don't process edge data (lower resolution)");
    form->addRow(NamedLabel(margin->objectName(), "Edge margin"), WithUnit(margin, "pixels"));
    form->addRow(CheckBox("FireUseAvg", "Use advanced algorithm",
                          "Use a more accurate, but slower, fire detection algorithm", settings_.FireUseAvg));
    return Finished(page);
}

void TFormFireDetectionControl::SetLanguageTexts() {
    LabelExplain->setText(ToQt(resStr(res::SFireExplain)));
    ShowRegionSize();
}

// The settings may have changed since the window was last open.
void TFormFireDetectionControl::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    for (TqelUpDown* upDown : upDowns_) upDown->Refresh();
    for (TqelCheckBox* box : checkBoxes_) box->Refresh();
    ComboBoxFireAvgMethod->Refresh();
    PaintBoxFirePixel->update();
    ShowRegionSize();
}

void TFormFireDetectionControl::ShowRegionSize() {
    LabelRegionSize->setText(ToQt(FireRegionSizeText(settings_.FireAvgRegionSize)));
}

void TFormFireDetectionControl::ButtonFirePixelColourSetClick() {
    if (colourDialog_->Execute(this)) PaintBoxFirePixel->update();
}

// Leaving any edit makes every up-down take its edit's value again.
void TFormFireDetectionControl::EditNumberExit() {
    for (TqelUpDown* upDown : upDowns_) upDown->interpretText();
}

}  // namespace kestrune
