// Controls that keep their value in the program's registry key: a check box,
// a drop-down list, a radio group, an up-down and a colour dialog. Each
// value is named by NamedAs (the control's objectName when empty), read by
// Loaded (the control's current value being the default) and written when
// the control is freed. A control may be bound to a field of an option
// struct: the field then is the value, which the control shows and changes.
#pragma once

#include "platform/RegistryVariables.h"
#include "render/ViewOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QButtonGroup;
class QLineEdit;
class QWidget;

namespace kestrune {

// A control's event handler (OnClick, OnChange); an exception it raises is
// shown through the dialog service.
using TNotifyEvent = std::function<void()>;

// Detaches a handler for a scope (saved, cleared, restored), so that what
// the scope changes runs no handler.
class THandlerDetached {
public:
    explicit THandlerDetached(TNotifyEvent& handler) : handler_(handler), saved_(std::move(handler)) {
        handler_ = nullptr;
    }
    ~THandlerDetached() { handler_ = std::move(saved_); }
    THandlerDetached(const THandlerDetached&) = delete;
    THandlerDetached& operator=(const THandlerDetached&) = delete;

private:
    TNotifyEvent& handler_;
    TNotifyEvent saved_;
};

// The value a control shows: its own, or a bound field.
template <typename TValue>
class TControlValue {
public:
    explicit TControlValue(TValue initial) : own_(initial) {}
    TControlValue(const TControlValue&) = delete;
    TControlValue& operator=(const TControlValue&) = delete;
    void Bind(TValue& field) { field_ = &field; }
    TValue Get() const { return *field_; }
    void Set(TValue value) { *field_ = value; }

private:
    TValue own_;
    TValue* field_ = &own_;
};

// Checked persists; OnClick runs whenever Checked changes, by a click or by code.
class TqelCheckBox : public QCheckBox {
public:
    TqelCheckBox(const QString& caption, QWidget* parent);
    // Writes Checked under NamedAs (once loaded).
    ~TqelCheckBox() override;

    std::string NamedAs;
    TNotifyEvent OnClick;

    void Bind(bool& field);
    bool Checked() const { return value_.Get(); }
    void SetChecked(bool checked) { setChecked(checked); }
    // Shows the bound field again after code changed it; no handler runs.
    void Refresh();
    // Reads the stored value once; applying it runs no handler.
    void Loaded();
    // Writes Checked at once.
    void Flush();

private:
    TControlValue<bool> value_{false};
    std::unique_ptr<TRegistryBoolean> RegistryVar;
};

// A drop-down list whose ItemIndex persists. The change notification (a
// pick by the user, or Change called by code) records the index; setting
// ItemIndex by code runs no handler.
class TqelComboBox : public QComboBox {
public:
    TqelComboBox(const std::vector<std::string_view>& items, QWidget* parent);
    // Writes the index under NamedAs (once loaded).
    ~TqelComboBox() override;

    std::string NamedAs;
    TNotifyEvent OnChange;

    void Bind(int& field);
    int ItemIndex() const { return value_.Get(); }
    void SetItemIndex(int index);
    // The change notification: the index is recorded and OnChange runs.
    void Change();
    void Refresh() { SetItemIndex(ItemIndex()); }
    void Loaded();

private:
    TControlValue<int> value_{-1};
    std::unique_ptr<TRegistryInteger> RegistryVar;
};

// A framed group of radio buttons whose ItemIndex (-1: none) persists.
// OnClick runs whenever ItemIndex changes, by a click or by code.
class TqelRadioGroup : public QGroupBox {
public:
    TqelRadioGroup(const QString& caption, const std::vector<std::string_view>& items, int columns,
                   QWidget* parent);
    // Writes ItemIndex under NamedAs (once loaded).
    ~TqelRadioGroup() override;

    std::string NamedAs;
    TNotifyEvent OnClick;

    void Bind(int& field);
    int ItemIndex() const { return value_.Get(); }
    // Kept within -1 .. the last item.
    void SetItemIndex(int index);
    int ItemCount() const { return static_cast<int>(buttons_.size()); }
    QAbstractButton* Button(int index) const;
    // Replaces the items; the index is kept when it still names one.
    void SetItems(const std::vector<std::string_view>& items, int columns);
    void Refresh();
    void Loaded();
    // Writes ItemIndex at once.
    void SaveItemIndex();

private:
    void ShowItemIndex();

    QButtonGroup* group_;
    std::vector<QAbstractButton*> buttons_;
    TControlValue<int> value_{-1};
    std::unique_ptr<TRegistryInteger> RegistryVar;
};

// An up-down with its edit, whose Position persists. OnClick runs when the
// user steps or types a new position; setting Position by code runs no handler.
class TqelUpDown : public QSpinBox {
public:
    TqelUpDown(int minimum, int maximum, QWidget* parent);
    // Writes Position under NamedAs (once loaded).
    ~TqelUpDown() override;

    std::string NamedAs;
    TNotifyEvent OnClick;

    void Bind(int& field);
    int Position() const { return value_.Get(); }
    // Kept within the range.
    void SetPosition(int position);
    void Refresh() { SetPosition(Position()); }
    void Loaded();
    // The up-down's partner edit.
    QLineEdit* Edit() const { return lineEdit(); }

private:
    TControlValue<int> value_{0};
    std::unique_ptr<TRegistryInteger> RegistryVar;
};

// The colour dialog: Color (0x00BBGGRR) persists; a colour chosen with OK is
// recorded at once.
class TqelColorDialog {
public:
    explicit TqelColorDialog(std::string name) : name_(std::move(name)) {}
    // Writes Color under NamedAs (once loaded).
    ~TqelColorDialog();
    TqelColorDialog(const TqelColorDialog&) = delete;
    TqelColorDialog& operator=(const TqelColorDialog&) = delete;

    std::string NamedAs;

    void Bind(TColor& field) { value_.Bind(field); }
    TColor Color() const { return value_.Get(); }
    void SetColor(TColor color) { value_.Set(color); }
    const std::string& Name() const { return name_; }
    // Shows the dialog at Color; true when a colour was chosen with OK.
    bool Execute(QWidget* parent);
    void Loaded();

private:
    std::string name_;
    TControlValue<TColor> value_{0};
    std::unique_ptr<TRegistryInteger> RegistryVar;
};

// A Qt colour as TColor (ToQColor in render/Canvas.h goes the other way).
TColor FromQColor(const QColor& colour);

}  // namespace kestrune
