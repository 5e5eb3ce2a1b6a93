#include "shell/FHyOpenDlg.h"

#include "platform/ProgramStrings.h"

#include <QApplication>

namespace kestrune::shell {

namespace {

constexpr size_t PlacementSize = 9;

// Cleared however the scope ends.
struct TResetOnExit {
    bool& Flag;
    ~TResetOnExit() { Flag = false; }
};

}  // namespace

bool THyDialog::Execute() {
    if (executing_) throw Exception(std::string(ClassName()) + " already executing");
    executing_ = true;
    const TResetOnExit reset{executing_};
    return RunDialog();
}

bool THyDialog::RunDialog() {
    if (form_) throw Exception("THyFolderBrowseDlg form already active");
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::unique_ptr<QDialog> form;
    const struct TFree {
        QDialog*& Form;
        ~TFree() {
            Form = nullptr;
            QApplication::restoreOverrideCursor();
        }
    } free{form_};
    form = CreateForm();
    InitForm(*form);
    form_ = form.get();
    DoInitialized();
    // The window's own cursor while it is up.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool ok = form->exec() == QDialog::Accepted;
    QApplication::restoreOverrideCursor();
    FormClosed(*form, ok);
    return ok;
}

void THyDialog::InitForm(QDialog& form) {
    if (FormWidth > 0 && FormHeight > 0) form.resize(FormWidth, FormHeight);
    else if (FormWidth > 0) form.resize(FormWidth, form.height());
    else if (FormHeight > 0) form.resize(form.width(), FormHeight);
    form.setWindowState(FormWindowState == wsMaximized ? Qt::WindowMaximized
                        : FormWindowState == wsMinimized ? Qt::WindowMinimized
                                                         : Qt::WindowNoState);
    form.setWindowTitle(Title.empty() ? QString::fromStdString(resStr(res::SBrowseForFolder)) : QString::fromStdU16String(Title));
}

void THyDialog::FormClosed(QDialog& form, bool) {
    const QRect normal = form.normalGeometry().isValid() ? form.normalGeometry() : form.geometry();
    FormWidth = normal.width();
    FormHeight = normal.height();
    const Qt::WindowStates state = form.windowState();
    FormWindowState = state & Qt::WindowMaximized ? wsMaximized : state & Qt::WindowMinimized ? wsMinimized : wsNormal;
}

void THyDialog::DoInitialized() {
    if (OnInitialized) OnInitialized();
}

TBytes THyDialog::SavePlacement() const {
    TBytes out;
    TByteWriter writer(out);
    writer.I32(FormWidth);
    writer.I32(FormHeight);
    writer.U8(FormWindowState);
    return out;
}

bool THyDialog::LoadPlacement(std::string_view stream) {
    if (stream.size() < PlacementSize) return false;
    TByteReader reader(stream, [] {});
    FormWidth = reader.I32();
    FormHeight = reader.I32();
    const uint8_t state = reader.U8();
    FormWindowState = state <= wsMaximized ? static_cast<TWindowState>(state) : wsNormal;
    return true;
}

}  // namespace kestrune::shell
