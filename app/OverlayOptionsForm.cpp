#include "app/OverlayOptionsForm.h"

#include "app/EventGuard.h"
#include "app/GoToLocation.h"
#include "app/MainCore.h"
#include "platform/ProgramStrings.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrune {

namespace {

const QStringList Locations{"None", "Top left", "Left", "Bottom left", "Top right", "Right", "Bottom right"};
// In LocateFilterIndex's order.
QStringList LocateFilters() {
    QStringList filters;
    for (const uint16_t filter : {res::SOverlayDataFiles, res::SGshhsFiles, res::SKmlFiles, res::SAllFiles}) filters << ToQt(resStr(filter));
    return filters;
}

// Colours are stored blue-green-red, as the settings keep them.
QColor ToColour(uint32_t value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }
uint32_t FromColour(const QColor& colour) {
    return static_cast<uint32_t>(colour.red()) | static_cast<uint32_t>(colour.green()) << 8 |
           static_cast<uint32_t>(colour.blue()) << 16;
}

// A label the language table reaches by its name.
QLabel* Label(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

QComboBox* LocationBox(QWidget* parent, const char* name, int& field) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(Locations);
    box->setCurrentIndex(field);
    QObject::connect(box, &QComboBox::currentIndexChanged, parent, [&field](int index) { field = index; });
    return box;
}

}  // namespace

TFormOverlayStyle::TFormOverlayStyle(QWidget* parent, TOverlayOptions options)
    : QDialog(parent), options_(std::move(options)) {
    setObjectName("FormOverlayStyle");
    setWindowTitle("Talvessa - Overlay Options");
    auto* grid = new QGridLayout;
    grid->addWidget(BuildOverlayGroup(" Country boundaries ", "Boundary", options_.ShowBoundaries,
                                      options_.BoundaryColour, options_.BoundaryFile, true), 0, 0);
    grid->addWidget(BuildOverlayGroup(" User overlay ", "User", options_.ShowUserOverlay, options_.UserOverlayColour,
                                      options_.UserOverlayFile, false), 1, 0);
    grid->addWidget(BuildGridGroup(), 2, 0);
    grid->addWidget(BuildPlaceGroup(), 0, 1, 2, 1);
    grid->addWidget(BuildAnnotationGroup(), 2, 1);
    auto* start = CheckBox(this, "CheckBoxStartWithoutOverlay", "Start without overlay", options_.StartWithoutOverlay);
    start->setToolTip("Check to hide the overlay for new images");
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("ButtonOK");
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("ButtonCancel");
    cancel->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { Guarded([this] { ButtonOKClick(); }); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QCheckBox* TFormOverlayStyle::CheckBox(QWidget* parent, const char* name, const char* caption, bool& field) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(field);
    connect(box, &QCheckBox::toggled, this, [&field](bool checked) { field = checked; });
    return box;
}

QPushButton* TFormOverlayStyle::ColourButton(QWidget* parent, const char* name, uint32_t& field) {
    auto* button = new QPushButton("Colour...", parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, &field] {
        QColorDialog dialog(ToColour(field), this);
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        if (dialog.exec() == QDialog::Accepted) field = FromColour(dialog.currentColor());
    });
    return button;
}

void TFormOverlayStyle::ConfigureLocateDialog(QFileDialog& dialog, const std::string& file, bool boundary) {
    dialog.setObjectName("OpenDialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setWindowTitle(ToQt(resStr(boundary ? res::SSelectBoundarySource : res::SSelectUserOverlaySource)));
    const QStringList filters = LocateFilters();
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters[LocateFilterIndex(file) - 1]);
    if (!file.empty()) dialog.selectFile(ToQt(file));
}

QWidget* TFormOverlayStyle::BuildOverlayGroup(const char* title, const char* prefix, bool& show, uint32_t& colour,
                                              std::string& file, bool boundary) {
    auto* group = new QGroupBox(title, this);
    group->setObjectName(QString("GroupBox") + prefix);
    const std::string name(prefix);
    const std::string plural = boundary ? "Boundaries" : "UserOverlay";
    QCheckBox* box = CheckBox(group, ("CheckBox" + plural).c_str(), "Show", show);
    QPushButton* colourButton = ColourButton(group, ("BitBtn" + name + "Colour").c_str(), colour);
    auto* locate = new QPushButton("Locate...", group);
    locate->setObjectName(ToQt("ButtonLocate" + (boundary ? std::string("Boundaries") : std::string("UserOverlay"))));
    locate->setAutoDefault(false);
    locate->setEnabled(show);
    connect(box, &QCheckBox::toggled, locate, &QPushButton::setEnabled);
    connect(locate, &QPushButton::clicked, this, [this, &file, boundary] {
        QFileDialog dialog(this);
        ConfigureLocateDialog(dialog, file, boundary);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            file = dialog.selectedFiles().front().toStdString();
    });
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(box);
    layout->addStretch();
    layout->addWidget(colourButton);
    layout->addWidget(locate);
    return group;
}

QWidget* TFormOverlayStyle::BuildGridGroup() {
    auto* group = new QGroupBox(" Grid lines ", this);
    group->setObjectName("GroupBoxGrid");
    auto* layout = new QGridLayout(group);
    layout->addWidget(CheckBox(group, "CheckBoxGridlines", "Latitude && longitude grid", options_.ShowGridlines), 0, 0);
    layout->addWidget(CheckBox(group, "CheckBoxGridLabels", "Grid line labels", options_.ShowGridLabels), 1, 0);
    QCheckBox* poles = CheckBox(group, "CheckBoxGridPoleMarkers", "Pole markers", options_.ShowPoleMarkers);
    poles->setToolTip("Check for a small marker at north and south pole");
    layout->addWidget(poles, 2, 0);
    layout->addWidget(ColourButton(group, "BitBtnGridlineColour", options_.GridlineColour), 0, 1);
    return group;
}

QWidget* TFormOverlayStyle::BuildPlaceGroup() {
    auto* group = new QGroupBox(" Place markers ", this);
    group->setObjectName("GroupBoxPlaceMarkers");
    auto* layout = new QVBoxLayout(group);
    auto* help = Label(group, "LabelLatLon", "Enter decimal degrees, west of Greenwich and south of the equator are negative");
    help->setWordWrap(true);
    layout->addWidget(help);
    auto* form = new QFormLayout;
    EditLat = new QLineEdit(group);
    EditLat->setObjectName("EditLat");
    EditLon = new QLineEdit(group);
    EditLon->setObjectName("EditLon");
    form->addRow(Label(group, "LabelHomeLat", "Home Latitude: "), EditLat);
    form->addRow(Label(group, "LabelHomeLon", "Longitude: "), EditLon);
    layout->addLayout(form);
    auto* home = new QHBoxLayout;
    home->addWidget(CheckBox(group, "CheckBoxShowHome", "Home marker", options_.ShowHome));
    home->addWidget(ColourButton(group, "BitBtnHomeColour", options_.HomeColour));
    layout->addLayout(home);
    QCheckBox* stations = CheckBox(group, "CheckBoxShowStations", "Stations", options_.ShowStations);
    stations->setToolTip("Requires stations.dat file in Talvessa folder");
    layout->addWidget(stations);
    layout->addStretch();
    return group;
}

QWidget* TFormOverlayStyle::BuildAnnotationGroup() {
    auto* group = new QGroupBox(" Annotations ", this);
    group->setObjectName("GroupBoxAnnotations");
    auto* layout = new QGridLayout(group);
    ComboBoxTextCaptionLoc = LocationBox(group, "ComboBoxTextCaptionLoc", options_.CaptionLocation);
    ComboBoxTempScale = LocationBox(group, "ComboBoxTempScale", options_.TempScaleLocation);
    EditTextCaption = new QLineEdit(ToQt(options_.CaptionText), group);
    EditTextCaption->setObjectName("EditTextCaption");
    EditTextCaption->setToolTip("Enter text - %D and %T are substituted with the date and time, %S the satellite name");
    CheckListBoxCaptionImages = new QListWidget(group);
    CheckListBoxCaptionImages->setObjectName("CheckListBoxCaptionImages");
    CheckListBoxCaptionImages->setToolTip("Which images are to be captioned?");
    CheckListBoxCaptionImages->addItems({"As displayed", "Corrected", "APT", "GAC"});
    CheckListBoxCaptionImages->setFixedHeight(CheckListBoxCaptionImages->sizeHintForRow(0) * 4 + 6);
    auto* help = new QPushButton("Help", group);
    help->setObjectName("ButtonAnnotateHelp");
    help->setAutoDefault(false);
    connect(help, &QPushButton::clicked, this, [] {
        TDialogService::Instance().ShowMessage(resStr(res::SAnnotationCodes));
    });
    layout->addWidget(Label(group, "LabelCaptionLoc", "Location"), 0, 0);
    layout->addWidget(ComboBoxTextCaptionLoc, 0, 1);
    layout->addWidget(Label(group, "LabelTextCaption", "Caption"), 1, 0);
    layout->addWidget(EditTextCaption, 1, 1, 1, 2);
    layout->addWidget(CheckListBoxCaptionImages, 2, 0, 1, 2);
    layout->addWidget(Label(group, "LabelTempScale", "Temp. scale"), 3, 0);
    layout->addWidget(ComboBoxTempScale, 3, 1);
    layout->addWidget(help, 3, 2);
    return group;
}

void TFormOverlayStyle::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    EditLat->setText(ToQt(CoordinateText(options_.HomeLatitude)));
    EditLon->setText(ToQt(CoordinateText(options_.HomeLongitude)));
    const bool captions[4] = {options_.CaptionOnDisplayed, options_.CaptionOnCorrected, options_.CaptionOnAPT,
                              options_.CaptionOnGAC};
    for (int item = 0; item < 4; ++item)
        CheckListBoxCaptionImages->item(item)->setCheckState(captions[item] ? Qt::Checked : Qt::Unchecked);
    findChild<QPushButton*>("ButtonCancel")->setFocus();
}

// A latitude or longitude that is no number keeps the value it had.
void TFormOverlayStyle::ButtonOKClick() {
    if (const auto latitude = StrToCoordinate(EditLat->text().toStdString()))
        options_.HomeLatitude = static_cast<float>(*latitude);
    if (const auto longitude = StrToCoordinate(EditLon->text().toStdString()))
        options_.HomeLongitude = static_cast<float>(*longitude);
    options_.CaptionText = EditTextCaption->text().toStdString();
    const auto checked = [this](int item) { return CheckListBoxCaptionImages->item(item)->checkState() == Qt::Checked; };
    options_.CaptionOnDisplayed = checked(0);
    options_.CaptionOnCorrected = checked(1);
    options_.CaptionOnAPT = checked(2);
    options_.CaptionOnGAC = checked(3);
    accept();
}

}  // namespace kestrune
