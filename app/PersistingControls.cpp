#include "app/PersistingControls.h"

#include "app/EventGuard.h"
#include "render/Canvas.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

namespace kestrune {

namespace {

// Makes the control's registry variable once, the current value being the
// default (also for a stored value outside the range given), and applies
// what is stored.
template <typename TVariable, typename TValue, typename TApply, typename... TRange>
void LoadStored(std::unique_ptr<TVariable>& variable, std::string& namedAs, const std::string& name, TValue current,
                TApply apply, TRange... range) {
    if (variable) return;
    if (namedAs.empty()) namedAs = name;
    variable = std::make_unique<TVariable>(namedAs, current, range...);
    apply(variable->Value);
}

// Freeing the variable writes it (failures are logged, never thrown).
template <typename TVariable, typename TValue>
void StoreOnFree(std::unique_ptr<TVariable>& variable, TValue value) {
    if (!variable) return;
    variable->Value = value;
    variable.reset();
}

// The form's handler; what it raises is shown, never passed to Qt.
void RunHandler(const TNotifyEvent& handler) {
    if (handler) Guarded(handler);
}

std::string NameOf(const QObject& control) { return control.objectName().toStdString(); }


}  // namespace

TColor FromQColor(const QColor& colour) {
    return RgbColor(static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                    static_cast<uint8_t>(colour.blue()));
}

// ---- check box -------------------------------------------------------------

TqelCheckBox::TqelCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
    connect(this, &QCheckBox::toggled, this, [this](bool checked) {
        value_.Set(checked);
        RunHandler(OnClick);
    });
}

TqelCheckBox::~TqelCheckBox() { StoreOnFree(RegistryVar, Checked()); }

void TqelCheckBox::Bind(bool& field) {
    value_.Bind(field);
    Refresh();
}

void TqelCheckBox::Refresh() {
    const QSignalBlocker blocker(this);
    setChecked(Checked());
}

void TqelCheckBox::Loaded() {
    LoadStored(RegistryVar, NamedAs, NameOf(*this), Checked(), [this](bool stored) {
        const THandlerDetached detached(OnClick);
        setChecked(stored);
    });
}

void TqelCheckBox::Flush() {
    if (!RegistryVar) return;
    RegistryVar->Value = Checked();
    RegistryVar->Save();
}

// ---- combo box -------------------------------------------------------------

TqelComboBox::TqelComboBox(const std::vector<std::string_view>& items, QWidget* parent) : QComboBox(parent) {
    for (std::string_view item : items) addItem(ToQt(item));
    setCurrentIndex(-1);
    connect(this, &QComboBox::activated, this, [this](int) { Change(); });
}

// The index shown is written, also when code set it without the change
// notification: a value taken over from an old setting is not lost.
TqelComboBox::~TqelComboBox() { StoreOnFree(RegistryVar, ItemIndex()); }

void TqelComboBox::Bind(int& field) {
    value_.Bind(field);
    Refresh();
}

void TqelComboBox::SetItemIndex(int index) {
    const QSignalBlocker blocker(this);
    setCurrentIndex(index >= -1 && index < count() ? index : -1);
    value_.Set(currentIndex());
}

void TqelComboBox::Change() {
    value_.Set(currentIndex());
    if (RegistryVar) RegistryVar->Value = ItemIndex();
    RunHandler(OnChange);
}

void TqelComboBox::Loaded() {
    // A stored index that names no item keeps the design's choice.
    LoadStored(
        RegistryVar, NamedAs, NameOf(*this), ItemIndex(), [this](int stored) { SetItemIndex(stored); }, 0,
        count() - 1);
}

// ---- radio group -----------------------------------------------------------

TqelRadioGroup::TqelRadioGroup(const QString& caption, const std::vector<std::string_view>& items, int columns,
                               QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    new QGridLayout(this);
    SetItems(items, columns);
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) { SetItemIndex(id); });
}

TqelRadioGroup::~TqelRadioGroup() { SaveItemIndex(); }

void TqelRadioGroup::SetItems(const std::vector<std::string_view>& items, int columns) {
    for (QAbstractButton* button : buttons_) {
        group_->removeButton(button);
        delete button;
    }
    buttons_.clear();
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setSpacing(0);
    columns = std::max(columns, 1);
    const int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (size_t index = 0; index < items.size(); ++index) {
        auto* button = new QRadioButton(ToQt(items[index]), this);
        const int at = static_cast<int>(index);
        // Items run down each column first, as in the old radio groups.
        grid->addWidget(button, at % std::max(rows, 1), at / std::max(rows, 1));
        // Shown now, not once the event loop runs, so that the group's size hint counts it.
        button->show();
        group_->addButton(button, at);
        buttons_.push_back(button);
    }
    if (ItemIndex() >= ItemCount()) value_.Set(-1);
    ShowItemIndex();
}

QAbstractButton* TqelRadioGroup::Button(int index) const {
    return index >= 0 && index < ItemCount() ? buttons_[static_cast<size_t>(index)] : nullptr;
}

void TqelRadioGroup::Bind(int& field) {
    value_.Bind(field);
    Refresh();
}

void TqelRadioGroup::SetItemIndex(int index) {
    index = std::clamp(index, -1, ItemCount() - 1);
    if (index == ItemIndex()) {
        ShowItemIndex();
        return;
    }
    value_.Set(index);
    ShowItemIndex();
    RunHandler(OnClick);
}

void TqelRadioGroup::Refresh() {
    value_.Set(std::clamp(ItemIndex(), -1, ItemCount() - 1));
    ShowItemIndex();
}

// A group with nothing chosen has every button off, which an exclusive group
// only allows while exclusivity is off.
void TqelRadioGroup::ShowItemIndex() {
    group_->setExclusive(false);
    for (int index = 0; index < ItemCount(); ++index) Button(index)->setChecked(index == ItemIndex());
    group_->setExclusive(true);
}

void TqelRadioGroup::Loaded() {
    // A stored index that names no item keeps the design's choice.
    LoadStored(
        RegistryVar, NamedAs, NameOf(*this), ItemIndex(),
        [this](int stored) {
            const THandlerDetached detached(OnClick);
            SetItemIndex(stored);
        },
        0, ItemCount() - 1);
}

void TqelRadioGroup::SaveItemIndex() {
    if (!RegistryVar) return;
    RegistryVar->Value = ItemIndex();
    try {
        RegistryVar->Save();
    } catch (const std::exception&) {
        // Written again, and a failure logged, when the variable is freed.
    }
}

// ---- up-down ---------------------------------------------------------------

TqelUpDown::TqelUpDown(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    // A step of the arrows counts at once, typed text once the edit is done with.
    setKeyboardTracking(false);
    connect(this, &QSpinBox::valueChanged, this, [this](int position) {
        value_.Set(position);
        RunHandler(OnClick);
    });
}

TqelUpDown::~TqelUpDown() { StoreOnFree(RegistryVar, Position()); }

void TqelUpDown::Bind(int& field) {
    value_.Bind(field);
    Refresh();
}

void TqelUpDown::SetPosition(int position) {
    const QSignalBlocker blocker(this);
    if (value() != position) setValue(position);
    value_.Set(value());
}

void TqelUpDown::Loaded() {
    LoadStored(RegistryVar, NamedAs, NameOf(*this), Position(), [this](int stored) { SetPosition(stored); });
}

// ---- colour dialog ---------------------------------------------------------

TqelColorDialog::~TqelColorDialog() { StoreOnFree(RegistryVar, static_cast<int32_t>(Color())); }

bool TqelColorDialog::Execute(QWidget* parent) {
    QColorDialog dialog(ToQColor(Color()), parent);
    dialog.setObjectName(QString::fromStdString(name_));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return false;
    SetColor(FromQColor(dialog.selectedColor()));
    if (RegistryVar) RegistryVar->Value = static_cast<int32_t>(Color());
    return true;
}

void TqelColorDialog::Loaded() {
    LoadStored(
        RegistryVar, NamedAs, name_, static_cast<int32_t>(Color()),
        [this](int32_t stored) { SetColor(static_cast<TColor>(stored)); }, 0, StoredColourLimit);
}

}  // namespace kestrune
