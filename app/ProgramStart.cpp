#include "app/ProgramStart.h"

#include "platform/ProgramFolder.h"
#include "platform/StandardError.h"

#include <QtGlobal>
#include <QString>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace kestrune {

namespace {

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

std::string TemporaryFolder() {
    const char* variable = std::getenv("TMPDIR");
    std::string folder = variable != nullptr && *variable == '/' ? variable : "/tmp";
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// A folder of this user's alone, as Qt requires of a runtime folder.
bool OwnPrivateFolder(const std::string& folder) {
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid()) return false;
    return (info.st_mode & 07777) == 0700 || chmod(folder.c_str(), 0700) == 0;
}

struct THeld {
    std::vector<char*> Argv;  // the parameters as given, for a start without a display
    bool Fallback = false;
    std::vector<std::string> Told;
    std::vector<std::pair<QtMsgType, QString>> Messages;
    QtMessageHandler Previous = nullptr;
};
std::unique_ptr<THeld> held;

[[noreturn]] void DisplayFailed() {
    TellOnStandardError(DisplayFailureLine(held->Told, held->Fallback));
    if (held->Fallback) {
        // Started again with no display named, the program runs offscreen.
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) unsetenv(variable);
        execv("/proc/self/exe", held->Argv.data());
        TellOnStandardError("could not start again without a display");
    }
    std::_Exit(2);
}

void HoldMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) DisplayFailed();
    held->Told.push_back(message.toStdString());
    held->Messages.emplace_back(type, message);
}

void WriteQtMessageInLocale(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    WriteStandardErrorLine(qFormatLogMessage(type, context, message).toStdString());
}

}  // namespace

void WriteQtMessagesInLocale() { qInstallMessageHandler(WriteQtMessageInLocale); }

bool NoDisplayNamed() {
    return !Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && std::getenv("QT_QPA_PLATFORM") == nullptr;
}

std::string PrivateRuntimeFolder() {
    const std::string folder = TemporaryFolder() + "/kestrune-runtime-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    if (OwnPrivateFolder(folder)) return folder;
    std::string fresh = TemporaryFolder() + "/kestrune-runtime-XXXXXX";
    return mkdtemp(fresh.data()) != nullptr ? fresh : std::string();
}

void EnsureRuntimeFolder() {
    if (Set("XDG_RUNTIME_DIR")) return;
    const std::string folder = PrivateRuntimeFolder();
    if (!folder.empty()) setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
}

std::string DisplayFailureLine(const std::vector<std::string>& told, bool runsWithoutDisplay) {
    std::string cause = "no platform to show windows on could be started";
    for (const std::string& line : told)
        if (!line.empty()) {
            cause = line;
            break;
        }
    return "The display could not be opened (" + cause + "); " +
           (runsWithoutDisplay ? "the run goes on without one" : "the program cannot start");
}

TDisplayStart::TDisplayStart(int argc, char* argv[], bool fallback) {
    held = std::make_unique<THeld>();
    held->Argv.assign(argv, argv + argc);
    held->Argv.push_back(nullptr);
    held->Fallback = fallback;
    held->Previous = qInstallMessageHandler(HoldMessage);
}

TDisplayStart::~TDisplayStart() {
    qInstallMessageHandler(held->Previous);
    for (const auto& [type, message] : held->Messages) qt_message_output(type, QMessageLogContext(), message);
    held.reset();
}

}  // namespace kestrune
