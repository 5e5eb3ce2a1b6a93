// The go-to-location window: a table of six named places the user edits in
// place and a "Go!" cell per row. Made with the main window and kept for the
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

private:
    void FillGrid(const TPlaces& places);
    void StringGridGoToLocationSetEditText(int row, int column);

    QTableWidget* StringGridGoToLocation = nullptr;
    std::unique_ptr<TRegistryString> Places;
};

}  // namespace kestrune
