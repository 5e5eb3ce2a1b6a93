// The pass-direction question: confirms which way the satellite moved, lets
// the user choose the channels to read and, as the header reader asks, the
// year, date, time, satellite and GAC pass. Made once with the main window
// and reused for every load; an unattended run takes the default at once.
#pragma once

#include "decoding/PassDirection.h"

#include <QDialog>

#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QTimer;

namespace kestrune {

class TqelRadioGroup;

// The question's caption with the gaps an empty part leaves closed: one blank
// between words and none before a comma ("Confirm HRPT  pass" -> "Confirm HRPT pass").
std::string TidyCaption(const std::string& caption);

class TFormPassDirection : public QDialog {
public:
    explicit TFormPassDirection(QWidget* parent);

    // Shows the question modally and gives the user's answer (Cancelled when
    // the dialog was cancelled or closed).
    TPassDirectionAnswer Ask(const TPassDirectionRequest& request, const TPassDirectionProposal& proposal,
                             bool unattended);

private:
    void BuildControls();
    void FormShow(const TPassDirectionRequest& request, const TPassDirectionProposal& proposal);
    void ShowSatellite(const std::string& satellite);
    void FillYears(int newestYear, int selectedYear);
    void ButtonChansClick(int first, int second);
    void CheckBoxChannelClick(QCheckBox* clicked);
    void DatePickerExit();
    void FormHide();
    QPushButton* DefaultButton() const;
    void SetDefaultButton();

    TPassDirectionAnswer answer_;
    TDateMode dateMode_ = TDateMode::None;

    QPushButton* ButtonNorth = nullptr;
    QPushButton* ButtonSouth = nullptr;
    QPushButton* ButtonCancel = nullptr;
    QLabel* LabelFilename = nullptr;
    QLabel* LabelTimestamp = nullptr;
    QLabel* LabelHint = nullptr;
    QLabel* LabelReason = nullptr;  // why the question proposes what it does
    std::array<QCheckBox*, 10> CheckBoxes{};
    QPushButton* ButtonCh24 = nullptr;
    QPushButton* ButtonCh45 = nullptr;
    QComboBox* ComboBoxYear = nullptr;
    QComboBox* ComboBoxSat = nullptr;
    QDateEdit* DatePicker = nullptr;
    QTimeEdit* TimePicker = nullptr;
    TqelRadioGroup* RadioGroupGacPass = nullptr;
    QLabel* LabelStdName = nullptr;
    QLineEdit* EditStdFilename = nullptr;
    QTimer* TimerLoad = nullptr;
};

}  // namespace kestrune
