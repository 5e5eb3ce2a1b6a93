#include "app/DirectionForm.h"

#include "app/EventGuard.h"
#include "app/PersistingControls.h"
#include "app/WindowPlacement.h"
#include "platform/FileUtils.h"
#include "platform/ProgramStrings.h"
#include "platform/ResCodePages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <ctime>

namespace kestrune {

namespace {

constexpr int DefaultSatelliteItem = 6;  // "NOAA-10"

QDate ToQDate(TDateTime value) {
    const DateParts parts = DecodeDateTime(value);
    return {parts.year, parts.month, parts.day};
}

QTime ToQTime(TDateTime value) {
    const DateParts parts = DecodeDateTime(value);
    return {parts.hour, parts.minute, parts.second};
}

TDateTime FromQDate(const QDate& date) {
    TDateTime value = 0;
    return TryEncodeDate(date.year(), date.month(), date.day(), value) ? value : 0;
}

TDateTime FromQTime(const QTime& time) {
    TDateTime value = 0;
    return TryEncodeTime(time.hour(), time.minute(), time.second(), 0, value) ? value : 0;
}

// The file's time as the user's locale writes a date and a time.
std::string LocaleDateTime(TDateTime value) {
    const DateParts parts = DecodeDateTime(value);
    tm fields{};
    fields.tm_year = parts.year - 1900;
    fields.tm_mon = parts.month - 1;
    fields.tm_mday = parts.day;
    fields.tm_hour = parts.hour;
    fields.tm_min = parts.minute;
    fields.tm_sec = parts.second;
    char text[128];
    return strftime(text, sizeof text, "%x %X", &fields) != 0 ? std::string(text) : std::string();
}

// Why the question proposes its satellite: what named it.
std::string SatelliteReason(const TPassDirectionProposal& proposal) {
    if (!proposal.ShowSatelliteList) return {};
    const TSatelliteChoice& decided = proposal.Decided;
    switch (decided.Rule) {
        case TIdentityRule::NameOutright:
        case TIdentityRule::NameLayout: return FormatResStr(res::SProposedByName, {decided.Satellite});
        case TIdentityRule::Header: return FormatResStr(res::SProposedByHeader, {decided.Satellite});
        case TIdentityRule::Frames: return FormatResStr(res::SProposedByFrames, {decided.Satellite});
        case TIdentityRule::NameDigits: return FormatResStr(res::SProposedByNameDigits, {decided.Satellite, decided.Token});
        default: return proposal.SatelliteGuessed ? std::string() : resStr(res::SProposedFramesSatellite);
    }
}

// Why the question proposes its year or date: what dated it, and what was not used.
std::string DateReasons(const TPassDirectionProposal& proposal) {
    const TDateChoice& decided = proposal.DecidedDate;
    std::string reasons;
    for (const std::string& refusal : decided.Refusals) reasons += refusal + "\n";
    const std::string date = decided.Year != 0 ? std::to_string(decided.Year) : FormatDateTime("yyyy-mm-dd", decided.Date);
    switch (decided.Rule) {
        case TIdentityRule::NameLayout: return reasons + FormatResStr(res::SProposedDateByName, {date});
        case TIdentityRule::Header:
        case TIdentityRule::Frames: return reasons + FormatResStr(res::SProposedDateByHeader, {date});
        default: return reasons + DateReason(decided);
    }
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TFormPassDirection::TFormPassDirection(QWidget* parent) : QDialog(parent) {
    setObjectName("FormPassDirection");
    setWindowTitle("Confirm pass direction and channels");
    BuildControls();
    // As made: the newest year chosen, "NOAA-10" in the satellite list.
    FillYears(NewestListedYear(NowUtc()), 0);
    ShowSatellite(PassSatelliteNames[DefaultSatelliteItem]);
}

void TFormPassDirection::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    LabelHint = new QLabel(this);
    LabelHint->setObjectName("LabelHint");
    LabelFilename = new QLabel(this);
    LabelFilename->setObjectName("LabelFilename");
    LabelTimestamp = new QLabel(this);
    LabelTimestamp->setObjectName("LabelTimestamp");
    layout->addWidget(LabelHint);
    layout->addWidget(LabelFilename);
    layout->addWidget(LabelTimestamp);
    LabelReason = new QLabel(this);
    LabelReason->setObjectName("LabelReason");
    LabelReason->setWordWrap(true);
    layout->addWidget(LabelReason);

    auto* stdRow = new QHBoxLayout;
    LabelStdName = new QLabel("Std name: ", this);
    LabelStdName->setObjectName("LabelStdName");
    EditStdFilename = new QLineEdit(this);
    EditStdFilename->setObjectName("EditStdFilename");
    EditStdFilename->setReadOnly(true);
    stdRow->addWidget(LabelStdName);
    stdRow->addWidget(EditStdFilename, 1);
    layout->addLayout(stdRow);

    auto* channels = new QGridLayout;
    for (int channel = 1; channel <= MaxChannels; ++channel) {
        auto* box = new QCheckBox(QString::number(channel), this);
        box->setObjectName(QString("CheckBox%1").arg(channel));
        connect(box, &QCheckBox::clicked, this, [this, box] { Guarded([&] { CheckBoxChannelClick(box); }); });
        CheckBoxes[static_cast<size_t>(channel - 1)] = box;
        channels->addWidget(box, (channel - 1) / 5, (channel - 1) % 5);
    }
    ButtonCh24 = Button("ButtonCh24", "Ch 2 + 4", this);
    ButtonCh24->setToolTip("Click to select channels 2 and 4");
    ButtonCh45 = Button("ButtonCh45", "Ch 4 + 5", this);
    connect(ButtonCh24, &QPushButton::clicked, this, [this] { Guarded([&] { ButtonChansClick(2, 4); }); });
    connect(ButtonCh45, &QPushButton::clicked, this, [this] { Guarded([&] { ButtonChansClick(4, 5); }); });
    channels->addWidget(ButtonCh24, 0, 5);
    channels->addWidget(ButtonCh45, 1, 5);
    layout->addLayout(channels);

    auto* choices = new QHBoxLayout;
    ComboBoxYear = new QComboBox(this);
    ComboBoxYear->setObjectName("ComboBoxYear");
    ComboBoxSat = new QComboBox(this);
    ComboBoxSat->setObjectName("ComboBoxSat");
    DatePicker = new QDateEdit(this);
    DatePicker->setObjectName("DatePicker");
    DatePicker->setCalendarPopup(true);
    TimePicker = new QTimeEdit(this);
    TimePicker->setObjectName("TimePicker");
    TimePicker->setDisplayFormat("HH:mm:ss");
    for (QWidget* choice : std::initializer_list<QWidget*>{ComboBoxYear, ComboBoxSat, DatePicker, TimePicker})
        choices->addWidget(choice);
    connect(ComboBoxYear, &QComboBox::activated, this,
            [this] { answer_.PassYear = ComboBoxYear->currentText().toInt(); });
    connect(ComboBoxSat, &QComboBox::activated, this,
            [this] { answer_.SatelliteText = ComboBoxSat->currentData().toString().toStdString(); });
    connect(DatePicker, &QDateEdit::editingFinished, this, [this] { DatePickerExit(); });
    connect(TimePicker, &QTimeEdit::editingFinished, this, [this] { DatePickerExit(); });
    layout->addLayout(choices);

    RadioGroupGacPass = new TqelRadioGroup(" GAC pass ", {"Both", "1", "2"}, 3, this);
    RadioGroupGacPass->setObjectName("RadioGroupGacPass");
    RadioGroupGacPass->setToolTip("File has multiple passes, choose which to process");
    layout->addWidget(RadioGroupGacPass);

    auto* buttons = new QHBoxLayout;
    ButtonNorth = Button("ButtonNorth", "Northbound", this);
    ButtonSouth = Button("ButtonSouth", "Southbound", this);
    ButtonCancel = Button("ButtonCancel", "Cancel", this);
    ButtonCancel->setToolTip("Stop reading this file");
    connect(ButtonNorth, &QPushButton::clicked, this, [this] {
        answer_.Northbound = true;
        accept();
    });
    connect(ButtonSouth, &QPushButton::clicked, this, [this] {
        answer_.Northbound = false;
        accept();
    });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QPushButton* button : {ButtonNorth, ButtonSouth, ButtonCancel}) buttons->addWidget(button);
    layout->addLayout(buttons);

    TimerLoad = new QTimer(this);
    TimerLoad->setObjectName("TimerLoad");
    TimerLoad->setSingleShot(true);
    TimerLoad->setInterval(1);
    connect(TimerLoad, &QTimer::timeout, this, [this] { DefaultButton()->click(); });
}

std::string TidyCaption(const std::string& caption) {
    std::string tidy;
    for (const char c : caption) {
        const bool afterBlank = !tidy.empty() && tidy.back() == ' ';
        if (c == ' ' && (tidy.empty() || afterBlank)) continue;
        if (c == ',' && afterBlank) tidy.pop_back();
        tidy += c;
    }
    if (!tidy.empty() && tidy.back() == ' ') tidy.pop_back();
    return tidy;
}

TPassDirectionAnswer TFormPassDirection::Ask(const TPassDirectionRequest& request,
                                             const TPassDirectionProposal& proposal, bool unattended) {
    FormShow(request, proposal);
    if (unattended) TimerLoad->start();
    const int result = exec();
    TimerLoad->stop();
    FormHide();
    answer_.Cancelled = result != QDialog::Accepted;
    return answer_;
}

void TFormPassDirection::FormShow(const TPassDirectionRequest& request, const TPassDirectionProposal& proposal) {
    answer_ = DefaultPassDirectionAnswer(request, proposal);
    answer_.SatelliteText = proposal.Satellite;  // the list's selection, as shown
    dateMode_ = request.DateMode;
    if (!request.Caption.empty()) setWindowTitle(ToQt(TidyCaption(request.Caption)));
    // The caption names the format, the satellite and the file: wider than the controls, it would be cut off.
    setMinimumWidth(CaptionWidth(*this));
    LabelHint->setText(ToQt(request.HintText));
    LabelFilename->setText(QString::fromStdU16String(ShownFileName(ExtractFileName(request.FileName))));
    LabelFilename->setToolTip(QString::fromStdU16String(ShownFileName(request.FileName)));
    LabelTimestamp->setText(ToQt(LocaleDateTime(request.FileDate)));
    LabelStdName->setVisible(!request.StdName.empty());
    EditStdFilename->setVisible(!request.StdName.empty());
    EditStdFilename->setText(ToQt(request.StdName));

    // What an unattended run would take, and why: a satellite nothing names is left to the frames.
    ComboBoxSat->setVisible(proposal.ShowSatelliteList);
    if (proposal.ShowSatelliteList) ShowSatellite(proposal.SatelliteGuessed ? proposal.Satellite : std::string());
    std::string reason = SatelliteReason(proposal);
    for (const std::string& more : {DateReasons(proposal), request.DirectionReason})
        if (!more.empty()) reason += (reason.empty() ? "" : "\n") + more;
    LabelReason->setText(ToQt(reason));
    LabelReason->setVisible(!reason.empty());
    ComboBoxYear->setVisible(proposal.ShowYearList);
    if (proposal.ShowYearList) FillYears(proposal.NewestYear, proposal.Year);
    DatePicker->setVisible(proposal.ShowDatePicker);
    TimePicker->setVisible(proposal.ShowTimePicker);
    if (proposal.ShowDatePicker) DatePicker->setDate(ToQDate(proposal.Date));
    if (proposal.ShowTimePicker) TimePicker->setTime(ToQTime(proposal.Date));

    RadioGroupGacPass->setVisible(request.ShowGacPass);
    RadioGroupGacPass->SetItemIndex(0);
    for (int channel = 1; channel <= MaxChannels; ++channel) {
        QCheckBox* box = CheckBoxes[static_cast<size_t>(channel - 1)];
        box->setEnabled(request.ChannelEnabled[static_cast<size_t>(channel)]);
        box->setChecked(request.ChannelEnabled[static_cast<size_t>(channel)]);
    }
    SetDefaultButton();
}

// The list shows the satellite proposed, which is what the answer carries
// unless the user picks another; one the list lacks (FengYun-3, NOAA-11)
// joins it for this question. Where nothing names one, the list offers the
// satellite the frames name once read, as an unattended run takes it.
void TFormPassDirection::ShowSatellite(const std::string& satellite) {
    ComboBoxSat->clear();
    if (satellite.empty()) ComboBoxSat->addItem(ToQt(resStr(res::SFramesSatelliteItem)), QString());
    for (const char* name : PassSatelliteNames) ComboBoxSat->addItem(name, QString(name));
    if (!satellite.empty() && ComboBoxSat->findData(ToQt(satellite)) < 0) ComboBoxSat->addItem(ToQt(satellite), ToQt(satellite));
    ComboBoxSat->setCurrentIndex(satellite.empty() ? 0 : std::max(ComboBoxSat->findData(ToQt(satellite)), 0));
    answer_.SatelliteText = ComboBoxSat->currentData().toString().toStdString();
}

void TFormPassDirection::FillYears(int newestYear, int selectedYear) {
    ComboBoxYear->clear();
    for (int year = newestYear; year >= OldestListedYear; --year) ComboBoxYear->addItem(QString::number(year));
    const int selected = ComboBoxYear->findText(QString::number(selectedYear));
    ComboBoxYear->setCurrentIndex(selected >= 0 ? selected : 0);
}

QPushButton* TFormPassDirection::DefaultButton() const { return answer_.Northbound ? ButtonNorth : ButtonSouth; }

void TFormPassDirection::SetDefaultButton() {
    ButtonNorth->setDefault(answer_.Northbound);
    ButtonSouth->setDefault(!answer_.Northbound);
    DefaultButton()->setFocus();
}

// Exactly the two channels, among those that exist.
void TFormPassDirection::ButtonChansClick(int first, int second) {
    for (int channel = 1; channel <= MaxChannels; ++channel) {
        QCheckBox* box = CheckBoxes[static_cast<size_t>(channel - 1)];
        if (box->isEnabled()) box->setChecked(channel == first || channel == second);
    }
    SetDefaultButton();
}

// At least one channel stays chosen.
void TFormPassDirection::CheckBoxChannelClick(QCheckBox* clicked) {
    for (QCheckBox* box : CheckBoxes)
        if (box->isEnabled() && box->isChecked()) return;
    clicked->setChecked(true);
}

void TFormPassDirection::DatePickerExit() {
    answer_.PassDate = FromQDate(DatePicker->date());
    if (dateMode_ == TDateMode::DateAndTime) answer_.PassDate += FromQTime(TimePicker->time());
}

void TFormPassDirection::FormHide() {
    for (int channel = 1; channel <= MaxChannels; ++channel) {
        const QCheckBox* box = CheckBoxes[static_cast<size_t>(channel - 1)];
        answer_.ChannelChosen[static_cast<size_t>(channel)] = box->isEnabled() && box->isChecked();
    }
    answer_.GacPass = std::max(RadioGroupGacPass->ItemIndex(), 0);
}

}  // namespace kestrune
