// The video adjust window: the histogram of the selected colour's channel
// and the three transfer curves above three markers (black, grey, white)
// that the user drags, the colour choice, Auto, H.Eq, equal RGB, and the
// ".xfr" files. It edits a TVideoAdjust; made once, shown modally.
#pragma once

#include "app/VideoAdjust.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kestrune {

class THRPTvideo;

class TFormHistogramAdjust : public QDialog {
public:
    TFormHistogramAdjust(QWidget* parent, TVideoAdjust& adjust);

    // The samples whose histograms are plotted; nullptr while none.
    void SetVideo(THRPTvideo* video) { video_ = video; }
    // The main window redisplays: at "Apply", and at "Cancel" when the
    // picture was drawn through the tables.
    std::function<void()> OnRedisplay;

protected:
    void showEvent(QShowEvent* event) override;
    // A language switch sets the gamma read-outs again.
    void changeEvent(QEvent* event) override;
    void reject() override;

private:
    class TAdjustPanel;

    void BuildControls();
    void RadioGroupColourClick();
    void ShowMarkers();
    void ShowGammaLabels();
    // The colour choices with the channel each shows, in the language shown.
    void ShowColourItems();
    void Repaint();
    void ButtonAutoClick();
    void ButtonLoadClick();
    void ButtonSaveClick();
    QPushButton* Button(const char* name, const char* caption, const char* hint);

    TVideoAdjust& adjust_;
    THRPTvideo* video_ = nullptr;
    TAdjustPanel* PanelHistoAdj = nullptr;
    std::array<QLabel*, 3> markers_{};  // ImageBlack, ImageGrey, ImageWhite
    std::array<QRadioButton*, 3> colourItems_{};
    std::array<QLabel*, 3> gammaLabels_{};
    QCheckBox* CheckBoxEqualRGB = nullptr;
    QCheckBox* CheckBoxHEq = nullptr;
};

}  // namespace kestrune
