// Print setup: the printer (or a PDF file) and the paper, kept in the main
// window's printer for the next print; the orientation follows each
// picture's shape, as the dialog says. Nothing is printed here. The File menu's item and the print window's Setup button
// both open it.
#pragma once

#include <QDialog>

class QComboBox;
class QPrinter;

namespace kestrune {

class TFormPrinterSetup : public QDialog {
public:
    // Shows the printer's present choice.
    TFormPrinterSetup(QWidget* parent, QPrinter& printer);

    QComboBox* ComboBoxPrinter = nullptr;
    QComboBox* ComboBoxPaper = nullptr;

    // OK: the choice goes into the printer.
    void accept() override;

private:
    void ShowChoice();
    QPrinter& printer_;
};

// Runs the dialog on printer; true when it closed with OK.
bool RunPrinterSetup(QWidget* parent, QPrinter& printer);

}  // namespace kestrune
