#include "app/GoToLocationForm.h"

#include "app/EventGuard.h"
#include "platform/RegistryVariables.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kestrune {

namespace {

constexpr const char* GoText = "Go!";

}  // namespace

TFormGoToLocation::TFormGoToLocation(QWidget* parent)
    : QDialog(parent, Qt::Tool), Places(std::make_unique<TRegistryString>("GoToLocations", DefaultPlacesText)) {
    setObjectName("FormGoToLocation");
    setWindowTitle("Talvessa go to ...");
    StringGridGoToLocation = new QTableWidget(PlaceRows, 4, this);
    StringGridGoToLocation->setObjectName("StringGridGoToLocation");
    StringGridGoToLocation->setHorizontalHeaderLabels({"", "Name", "Latitude", "Longitude"});
    StringGridGoToLocation->verticalHeader()->hide();
    StringGridGoToLocation->setColumnWidth(0, 36);
    StringGridGoToLocation->setColumnWidth(1, 200);
    StringGridGoToLocation->setColumnWidth(2, 90);
    StringGridGoToLocation->setColumnWidth(3, 90);
    StringGridGoToLocation->setSelectionMode(QAbstractItemView::SingleSelection);
    const int width = 36 + 200 + 90 + 90 + 2 * StringGridGoToLocation->frameWidth();
    StringGridGoToLocation->setFixedWidth(width);
    StringGridGoToLocation->setFixedHeight(StringGridGoToLocation->horizontalHeader()->sizeHint().height() +
                                           PlaceRows * StringGridGoToLocation->verticalHeader()->defaultSectionSize() +
                                           2 * StringGridGoToLocation->frameWidth());
    auto* help = new QLabel("Enter valid decimal lat/lon and press Go!", this);
    help->setObjectName("Labelhelp");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("ButtonCancel");
    // Enter belongs to the row being typed in, never to a default button.
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGridGoToLocation);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(help);
    bottom->addStretch();
    bottom->addWidget(cancel);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FillGrid(ParsePlaces(Places->Value));
    connect(StringGridGoToLocation, &QTableWidget::cellClicked, this, [this](int row, int column) {
        if (column == 0) Guarded([&] { GoToRow(row); });
    });
    connect(StringGridGoToLocation, &QTableWidget::cellChanged, this,
            [this](int row, int column) { StringGridGoToLocationSetEditText(row, column); });
    StringGridGoToLocation->installEventFilter(this);
}

TFormGoToLocation::~TFormGoToLocation() { Places->Value = PlacesText(GridPlaces()); }

void TFormGoToLocation::FillGrid(const TPlaces& places) {
    for (int row = 0; row < PlaceRows; ++row) {
        const TPlace& place = places[static_cast<size_t>(row)];
        auto* go = new QTableWidgetItem(GoText);
        go->setTextAlignment(Qt::AlignCenter);
        StringGridGoToLocation->setItem(row, 0, go);
        auto* button = new QPushButton(GoText);
        button->setObjectName(QString("ButtonGo%1").arg(row));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, row] { Guarded([&] { GoToRow(row); }); });
        StringGridGoToLocation->setCellWidget(row, 0, button);
        StringGridGoToLocation->setItem(row, 1, new QTableWidgetItem(ToQt(place.Name)));
        StringGridGoToLocation->setItem(row, 2, new QTableWidgetItem(ToQt(place.Latitude)));
        StringGridGoToLocation->setItem(row, 3, new QTableWidgetItem(ToQt(place.Longitude)));
    }
}

TPlaces TFormGoToLocation::GridPlaces() const {
    TPlaces places;
    const auto cell = [this](int row, int column) {
        const QTableWidgetItem* item = StringGridGoToLocation->item(row, column);
        return item == nullptr ? std::string() : item->text().toStdString();
    };
    for (int row = 0; row < PlaceRows; ++row)
        places[static_cast<size_t>(row)] = {cell(row, 1), cell(row, 2), cell(row, 3)};
    return places;
}

void TFormGoToLocation::GoToRow(int row) {
    if (row < 0 || row >= PlaceRows) return;
    const TGoToResult result = GoToPlace(GridPlaces()[static_cast<size_t>(row)]);
    if (result.Kind == TGoToResult::NotFound) {
        TDialogService::Instance().ShowMessage(result.Message);
        return;
    }
    if (result.Kind != TGoToResult::Go) return;
    Latitude = result.Latitude;
    Longitude = result.Longitude;
    accept();
}

int TFormGoToLocation::FocusedRow() const {
    const QWidget* focused = focusWidget();
    if (focused != StringGridGoToLocation && !StringGridGoToLocation->isAncestorOf(focused)) return -1;
    for (int row = 0; row < PlaceRows; ++row)
        if (StringGridGoToLocation->cellWidget(row, 0) == focused) return row;
    return StringGridGoToLocation->currentRow();
}

bool TFormGoToLocation::eventFilter(QObject* watched, QEvent* event) {
    if (watched != StringGridGoToLocation || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const int row = key == Qt::Key_Return || key == Qt::Key_Enter ? FocusedRow() : -1;
    if (row < 0) return false;
    // Taking the focus from a cell being typed in keeps what was typed.
    StringGridGoToLocation->setFocus(Qt::OtherFocusReason);
    Guarded([&] { GoToRow(row); });
    return true;
}

// The "Go!" cells are not for typing in.
void TFormGoToLocation::StringGridGoToLocationSetEditText(int row, int column) {
    QTableWidgetItem* item = StringGridGoToLocation->item(row, column);
    if (column == 0 && item != nullptr && item->text() != GoText) item->setText(GoText);
}

}  // namespace kestrune
