// The go-to-location window: a table of six named places the user edits in
// place and a "Go!" button per row. Made with the main window and kept for the
// run: the places are read from the setting "GoToLocations" once and written
// back when the window is freed.
#pragma once

#include "app/GoToLocation.h"

#include <QDialog>

#include <memory>

class QTableWidget;

namespace kestrune {

class TRegistryString;

class TFormGoToLocation : public QDialog {
public:
    explicit TFormGoToLocation(QWidget* parent);
    ~TFormGoToLocation() override;

    // The picked point, read after OK.
    double Latitude = 0;
    double Longitude = 0;

    TPlaces GridPlaces() const;
    // A click on a "Go!" cell: closes with OK when the row's point is valid.
    void GoToRow(int row);

protected:
    // Enter in the table (in a cell, while typing in one, or on a "Go!")
    // goes to the row it is in; no button takes it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillGrid(const TPlaces& places);
    // The row whose cell, editor or "Go!" has the focus; -1 when none has.
    int FocusedRow() const;
    void StringGridGoToLocationSetEditText(int row, int column);

    QTableWidget* StringGridGoToLocation = nullptr;
    std::unique_ptr<TRegistryString> Places;
};

}  // namespace kestrune
