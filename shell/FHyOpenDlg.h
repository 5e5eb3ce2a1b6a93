// The base of the shell dialogs: a component that makes its window when run,
// shows it modally, remembers the window's size and state between runs and
// refuses to run twice at once.
#pragma once

#include "platform/ResBytes.h"
#include "shell/UHyUnicode.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace kestrune::shell {

// The window states as stored: normal, minimised, maximised.
enum TWindowState : uint8_t { wsNormal = 0, wsMinimized = 1, wsMaximized = 2 };

class THyDialog {
public:
    virtual ~THyDialog() = default;

    int FormWidth = -1;
    int FormHeight = -1;
    TWindowState FormWindowState = wsNormal;
    WideString Title;
    std::function<void()> OnInitialized;
    std::function<void()> OnFormShow;
    std::function<void()> OnFormClose;

    // Runs the window; true when it closed with OK.
    bool Execute();
    bool Executing() const { return executing_; }
    // The window while the dialog runs.
    QDialog* Form() const { return form_; }

    // Width and height (32 bits each, little-endian), then the state byte.
    TBytes SavePlacement() const;
    // False (nothing changed) for a stream too short.
    bool LoadPlacement(std::string_view stream);

protected:
    virtual const char* ClassName() const = 0;
    virtual std::unique_ptr<QDialog> CreateForm() = 0;
    virtual void InitForm(QDialog& form);
    virtual void FormClosed(QDialog& form, bool ok);
    void DoInitialized();

private:
    bool RunDialog();
    bool executing_ = false;
    QDialog* form_ = nullptr;
};

}  // namespace kestrune::shell
