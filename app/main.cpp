// kestrune: opens the data file named first on the command line and, with
// more parameters, writes the products they ask for without anybody at the
// screen (see CommandLine.h).
#include "app/TalvessaForm.h"
#include "app/hh_funcs.h"
#include "app/LanguageSwitch.h"
#include "platform/DialogService.h"

#include <QApplication>

#include <cstdlib>

namespace {

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

}  // namespace

int main(int argc, char* argv[]) {
    using namespace kestrune;
    // A machine without a display still runs the program, on Qt's offscreen
    // platform; nobody can see or close that window, nor answer a box.
    const bool headless = !Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && std::getenv("QT_QPA_PLATFORM") == nullptr;
    if (headless) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const TParams params(argv + 1, argv + argc);
    InitDebugMode(params);
    // Two or more parameters: an unattended run, in which no box waits for an answer.
    TDialogService::Instance().SetMode(params.size() > 1 || headless ? TDialogService::Mode::Unattended
                                                                     : TDialogService::Mode::Interactive);

    QApplication application(argc, argv);
    QApplication::setApplicationName("Morvane's Talvessa");
    StartLocalizer();
    try {
        TFormMain form(params, headless);
        form.show();
        ReportLocalizerErrors();
        const int status = QApplication::exec();
        return status != 0 ? status : form.Core().ExitCode();
    } catch (const std::exception& error) {
        ReportQuietError(error.what());
        return 2;
    }
}
