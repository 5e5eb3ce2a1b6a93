// Print setup: the printer (or a PDF file) and the paper with its
// orientation, kept in the main window's printer for the next print. Nothing
// is printed here. The File menu's item and the print window's Setup button
// both open it.
#pragma once

#include <QDialog>

class QComboBox;
class QPrinter;
class QRadioButton;

namespace kestrune {

class TFormPrinterSetup : public QDialog {
public:
    // Shows the printer's present choice.
    TFormPrinterSetup(QWidget* parent, QPrinter& printer);

    QComboBox* ComboBoxPrinter = nullptr;
    QComboBox* ComboBoxPaper = nullptr;
    QRadioButton* RadioButtonPortrait = nullptr;
    QRadioButton* RadioButtonLandscape = nullptr;

    // OK: the choice goes into the printer.
    void accept() override;

private:
    void ShowChoice();
    QPrinter& printer_;
};

// Runs the dialog on printer; true when it closed with OK.
bool RunPrinterSetup(QWidget* parent, QPrinter& printer);

}  // namespace kestrune
