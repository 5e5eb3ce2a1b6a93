// The file-name format window: the date-time pattern of standard image
// file names, with a live example, and the renaming options.
#pragma once

#include <QDialog>

#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kestrune {

// The factory pattern.
extern const char* const DefaultRenameFormat;

struct TStandardNameOptions {
    std::string FormatString;
    bool RenameSource = false;
    bool RenameNoQuery = false;
    bool AddSuffix = false;
};

// The example line for a pattern at a moment (local time, days since 1899-12-30).
std::string StandardNameExample(const TStandardNameOptions& options, double now);

class TFormStandardName : public QDialog {
public:
    TFormStandardName(QWidget* parent, TStandardNameOptions options);

    const TStandardNameOptions& Options() const { return options_; }
    void RefreshExample();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TStandardNameOptions options_;
    QLineEdit* EditFormatString = nullptr;
    QLabel* LabelExample = nullptr;
    QCheckBox* CheckBoxRename = nullptr;
    QCheckBox* CheckBoxDontAsk = nullptr;
    QCheckBox* CheckBoxAddSuffix = nullptr;
};

}  // namespace kestrune
