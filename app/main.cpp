// kestrune: opens the data file named first on the command line and, with
// more parameters, writes the products they ask for without anybody at the
// screen (see CommandLine.h).
#include "app/TalvessaForm.h"
#include "app/hh_funcs.h"
#include "app/LanguageSwitch.h"
#include "app/ProgramStart.h"
#include "platform/DialogService.h"

#include <QApplication>

#include <csignal>
#include <cstdlib>
#include <optional>

int main(int argc, char* argv[]) {
    using namespace kestrune;
    // A machine without a display still runs the program, on Qt's offscreen
    // platform; nobody can see or close that window, nor answer a box.
    const bool headless = NoDisplayNamed();
    if (headless) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    EnsureRuntimeFolder();
    // A file that grows past the process's size limit fails its write, which
    // the product tells, instead of ending the run half-written.
    std::signal(SIGXFSZ, SIG_IGN);
    const TParams params(argv + 1, argv + argc);
    InitDebugMode(params);
    // Two or more parameters: an unattended run, in which no box waits for an answer.
    const bool unattended = params.size() > 1;
    TDialogService::Instance().SetMode(unattended || headless ? TDialogService::Mode::Unattended
                                                              : TDialogService::Mode::Interactive);

    WriteQtMessagesInLocale();
    std::optional<TDisplayStart> displayStart(std::in_place, argc, argv, unattended && !headless);
    QApplication application(argc, argv);
    displayStart.reset();
    QApplication::setApplicationName("Morvane's Talvessa");
    StartLocalizer();
    try {
        TFormMain form(params, headless);
        // The window tells the errors of the start once it is shown.
        form.show();
        const int status = QApplication::exec();
        return status != 0 ? status : form.Core().ExitCode();
    } catch (const std::exception& error) {
        ReportQuietError(error.what());
        return 2;
    }
}
