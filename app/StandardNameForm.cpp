#include "app/StandardNameForm.h"

#include "app/EventGuard.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <array>

namespace kestrune {

const char* const DefaultRenameFormat = "yyyy-mm-dd-hhnn";

namespace {

TDateTime LocalNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    return EncodeDate(date.year(), date.month(), date.day()) +
           EncodeTime(time.hour(), time.minute(), time.second(), time.msec());
}

}  // namespace

std::string StandardNameExample(const TStandardNameOptions& options, double now) {
    return FormatResStr(res::SExamplePass, {FormatDateTime(options.FormatString, now) + "-n18" +
                                            (options.AddSuffix ? "-fc-corrected" : "") + ".jpg"});
}

TFormStandardName::TFormStandardName(QWidget* parent, TStandardNameOptions options)
    : QDialog(parent), options_(std::move(options)) {
    setObjectName("FormStandardName");
    setWindowTitle("Talvessa - choose image filename format");
    auto* label = new QLabel("Enter format string:", this);
    label->setObjectName("LabelFormat");
    EditFormatString = new QLineEdit(this);
    EditFormatString->setObjectName("EditFormatString");
    LabelExample = new QLabel(this);
    LabelExample->setObjectName("LabelExample");
    LabelExample->setMinimumWidth(420);
    auto* formats = new QGroupBox("Format strings", this);
    formats->setObjectName("GroupBoxFormats");
    auto* formatLayout = new QGridLayout(formats);
    const std::array<std::array<const char*, 2>, 6> parts{{{"LabelYear", "Year:  yy yyyy"}, {"LabelMonth", "Month:  mm"},
                                                          {"LabelDay", "Day:  dd"}, {"LabelHour", "Hour:  hh"},
                                                          {"LabelMinute", "Minute:  nn"}, {"LabelSeconds", "Seconds:  ss"}}};
    for (int i = 0; i < 6; ++i) {
        auto* part = new QLabel(parts[static_cast<size_t>(i)][1], formats);
        part->setObjectName(parts[static_cast<size_t>(i)][0]);
        formatLayout->addWidget(part, i % 3, i / 3);
    }
    const auto checkBox = [this](const char* name, const char* caption, bool& field) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(name);
        connect(box, &QCheckBox::toggled, this, [this, &field](bool checked) {
            field = checked;
            RefreshExample();
        });
        return box;
    };
    CheckBoxRename = checkBox("CheckBoxRename", "Rename image files by pass time", options_.RenameSource);
    CheckBoxDontAsk = checkBox("CheckBoxDontAsk", "Rename without asking", options_.RenameNoQuery);
    CheckBoxAddSuffix = checkBox("CheckBoxAddSuffix", "Add image-dependant suffix, e.g. -fc.jpg", options_.AddSuffix);
    auto* reset = new QPushButton("Reset", this);
    reset->setObjectName("ButtonReset");
    reset->setToolTip("Factory default format");
    reset->setAutoDefault(false);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("ButtonOK");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("ButtonCancel");
    connect(reset, &QPushButton::clicked, this, [this] { EditFormatString->setText(DefaultRenameFormat); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(EditFormatString, &QLineEdit::textChanged, this, [this] { RefreshExample(); });
    auto* timer = new QTimer(this);
    timer->setObjectName("Timer1");
    connect(timer, &QTimer::timeout, this, [this] { RefreshExample(); });
    timer->start(1000);

    auto* edit = new QHBoxLayout;
    edit->addWidget(EditFormatString);
    edit->addWidget(reset);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(edit);
    layout->addWidget(LabelExample);
    layout->addWidget(formats);
    for (QCheckBox* box : {CheckBoxRename, CheckBoxDontAsk, CheckBoxAddSuffix}) layout->addWidget(box);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TFormStandardName::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const TStandardNameOptions shown = options_;
    CheckBoxRename->setChecked(shown.RenameSource);
    CheckBoxDontAsk->setChecked(shown.RenameNoQuery);
    CheckBoxAddSuffix->setChecked(shown.AddSuffix);
    EditFormatString->setText(ToQt(shown.FormatString.empty() ? DefaultRenameFormat : shown.FormatString));
    RefreshExample();
}

void TFormStandardName::RefreshExample() {
    options_.FormatString = EditFormatString->text().toStdString();
    LabelExample->setText(ToQt(StandardNameExample(options_, LocalNow())));
}

}  // namespace kestrune
