// The colour look-up table chooser: the "CLUT_*.bmp" pictures of the
// program folder, one to pick for the false-colour view, or the standard
// table. OK gives the chosen file, Ignore the standard table.
#pragma once

#include <QDialog>

#include <string>

class QListWidget;

namespace kestrune {

constexpr int ResultUseStandard = 5;  // the dialog's answer for "Use Standard"

class TFormLoadCLUT : public QDialog {
public:
    // folder: the program folder, with its trailing separator.
    TFormLoadCLUT(QWidget* parent, std::string folder);

    // Full name of the chosen picture, or "".
    std::string Chosen;

private:
    std::string folder_;
    QListWidget* ListBoxCLUTs = nullptr;
};

// The main window's new CLUT file for the dialog's answer (OK, ResultUseStandard or Cancel).
std::string ClutAfterChoice(int result, const std::string& chosen, const std::string& previous);

}  // namespace kestrune
