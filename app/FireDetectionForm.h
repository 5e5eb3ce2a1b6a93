// The fire detection setup window: the parameters of the standard and the
// advanced algorithm, the region of the saved pixel list and the fire pixel
// colour, on three pages. Its controls show and change the fire settings;
// the settings store keeps them in the registry under the controls' names.
// Closed with OK it answers mrRetry, after which the caller rebuilds the
// fire images.
#pragma once

#include "render/FireDetection.h"

#include <QDialog>

#include <memory>
#include <vector>

class QLabel;

namespace kestrune {

class TqelCheckBox;
class TqelColorDialog;
class TqelComboBox;
class TqelUpDown;

class TFormFireDetectionControl : public QDialog {
public:
    TFormFireDetectionControl(QWidget* parent, TFireSettings& settings);
    ~TFormFireDetectionControl() override;

    // The texts the code sets: the explanation of the standard algorithm and the region's size (again after a language change).
    void SetLanguageTexts();

protected:
    void showEvent(QShowEvent* event) override;

private:
    class TPaintBoxFirePixel;

    QWidget* BuildColourPage();
    QWidget* BuildStandardPage();
    QWidget* BuildAdvancedPage();
    TqelUpDown* UpDown(const char* name, int minimum, int maximum, int& field);
    TqelCheckBox* CheckBox(const char* name, const char* caption, const char* hint, bool& field);
    void ShowRegionSize();
    void ButtonFirePixelColourSetClick();
    void EditNumberExit();

    TFireSettings& settings_;
    std::unique_ptr<TqelColorDialog> colourDialog_;
    std::vector<TqelUpDown*> upDowns_;
    std::vector<TqelCheckBox*> checkBoxes_;
    TqelComboBox* ComboBoxFireAvgMethod = nullptr;
    QLabel* LabelExplain = nullptr;
    QLabel* LabelRegionSize = nullptr;
    TPaintBoxFirePixel* PaintBoxFirePixel = nullptr;
};

}  // namespace kestrune
