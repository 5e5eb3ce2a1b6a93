// What the window tests share: one QApplication for the whole test program
// (made before any test draws), waiting while events run, finding controls
// by name, and answering a modal dialog from inside its own event loop. A
// modal window that no test answers is closed after a while and fails the
// test, so that no test program can hang on one.
#pragma once

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrune::testing {

// Closes a modal window left unanswered for UnansweredMs; its timer runs
// inside the window's own event loop.
class TModalWatchdog {
public:
    static constexpr int UnansweredMs = 10000;

    TModalWatchdog() {
        QObject::connect(&poll_, &QTimer::timeout, [this] { Check(); });
        poll_.start(100);
    }

private:
    void Check() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != watched_) {
            watched_ = modal;
            shown_.restart();
            return;
        }
        if (modal == nullptr || shown_.elapsed() < UnansweredMs) return;
        ADD_FAILURE() << "a modal window nobody answered: " << modal->objectName().toStdString();
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        shown_.restart();
    }

    QTimer poll_;
    QPointer<QWidget> watched_;
    QElapsedTimer shown_;
};

class TQtApplication : public ::testing::Environment {
public:
    void SetUp() override {
        if (QApplication::instance() == nullptr) application_ = std::make_unique<QApplication>(argc_, argv_);
        watchdog_ = std::make_unique<TModalWatchdog>();
    }
    void TearDown() override {
        watchdog_.reset();
        application_.reset();
    }

private:
    int argc_ = 1;
    char name_[16] = "kestrune-test";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
    std::unique_ptr<TModalWatchdog> watchdog_;
};

inline ::testing::Environment* const QtApplicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtApplication);

// Lets events (timers included) run for ms milliseconds.
inline void Wait(int ms) {
    QElapsedTimer elapsed;
    elapsed.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (elapsed.elapsed() < ms);
}

// Lets events run until done() holds or ms milliseconds have passed.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

template <typename TControl>
TControl* Find(const QObject& root, const char* name) {
    auto* control = root.findChild<TControl*>(QString::fromLatin1(name));
    if (control == nullptr) throw std::runtime_error(std::string("no control named ") + name);
    return control;
}

// Runs answer on the next modal dialog once it is showing (from inside its
// event loop), so a test can drive a dialog that blocks the code under test.
template <typename TDialog>
void WhenModal(std::function<void(TDialog&)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        auto* dialog = dynamic_cast<TDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        answer(*dialog);
    });
    poll->start(10);
}

// The size a control needs to show its caption whole: its size hint, but
// for a push button only its text and the style's margins (the hint of a
// button with text is at least 80 pixels wide, whatever the text).
inline QSize NeededSize(const QWidget& control) {
    const auto* button = qobject_cast<const QPushButton*>(&control);
    if (button == nullptr) return control.sizeHint();
    const int margin = control.style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &control);
    return control.fontMetrics().size(0, button->text()) + QSize(2 * margin, margin);
}

// The controls shown within root whose place cuts off some of what they
// need, each as "name "caption" place < needed"; the parts of an up-down or
// a drop-down list are sized by their control.
inline std::vector<std::string> ClippedControls(const QWidget& root) {
    std::vector<std::string> clipped;
    for (const QWidget* control : root.findChildren<QWidget*>()) {
        const QWidget* parent = control->parentWidget();
        if (!control->isVisibleTo(&root) ||
            (parent && (qobject_cast<const QAbstractSpinBox*>(parent) || qobject_cast<const QComboBox*>(parent))))
            continue;
        const QSize needed = NeededSize(*control);
        if (!needed.isValid() || (control->width() >= needed.width() && control->height() >= needed.height())) continue;
        const auto* button = qobject_cast<const QAbstractButton*>(control);
        clipped.push_back(control->objectName().toStdString() + " \"" + (button ? button->text().toStdString() : "") +
                          "\" " + std::to_string(control->width()) + "x" + std::to_string(control->height()) + " < " +
                          std::to_string(needed.width()) + "x" + std::to_string(needed.height()));
    }
    return clipped;
}

}  // namespace kestrune::testing
