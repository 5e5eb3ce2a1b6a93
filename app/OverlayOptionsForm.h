// The overlay options window: a modal dialog over a copy of the overlay and
// annotation settings (boundaries, user overlay, grid, place markers,
// captions); the opener writes the copy back on OK.
#pragma once

#include "app/OverlayOptions.h"

#include <QDialog>

class QCheckBox;
class QFileDialog;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kestrune {

class TFormOverlayStyle : public QDialog {
public:
    TFormOverlayStyle(QWidget* parent, TOverlayOptions options);

    const TOverlayOptions& Options() const { return options_; }

    // The two "Locate..." buttons' open dialog for a file.
    static void ConfigureLocateDialog(QFileDialog& dialog, const std::string& file, bool boundary);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildOverlayGroup(const char* title, const char* prefix, bool& show, uint32_t& colour,
                               std::string& file, bool boundary);
    QWidget* BuildGridGroup();
    QWidget* BuildPlaceGroup();
    QWidget* BuildAnnotationGroup();
    QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption, bool& field);
    QPushButton* ColourButton(QWidget* parent, const char* name, uint32_t& field);
    void ButtonOKClick();

    TOverlayOptions options_;
    QLineEdit* EditLat = nullptr;
    QLineEdit* EditLon = nullptr;
    QLineEdit* EditTextCaption = nullptr;
    QListWidget* CheckListBoxCaptionImages = nullptr;
    QComboBox* ComboBoxTextCaptionLoc = nullptr;
    QComboBox* ComboBoxTempScale = nullptr;
};

}  // namespace kestrune
