#include "app/hh_funcs.h"

#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "platform/ResCodePages.h"
#include "platform/StandardError.h"
#include "platform/SystemErrors.h"
#include "platform/SystemUtils.h"
#include "platform/SysUtils.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>

namespace kestrune {

namespace {

constexpr const char* LogName = "HHDebug.txt";
constexpr const char* MarkerName = "debug.debug";
constexpr size_t RuleLength = 80;

bool& DebugModeFlag() {
    static bool mode = false;
    return mode;
}

std::unique_ptr<TDLogFile>& LogInstance() {
    static std::unique_ptr<TDLogFile> log;
    return log;
}

std::string OperatingSystem() {
    utsname name{};
    if (uname(&name) != 0) return "unknown";
    return std::string(name.sysname) + " " + name.release + " " + name.machine;
}

std::string CurrentFolder() {
    std::error_code error;
    const std::string folder = std::filesystem::current_path(error).string();
    return error ? std::string() : folder;
}

std::string JoinParams(const std::vector<std::string>& params) {
    std::string joined;
    for (const std::string& param : params) joined += (joined.empty() ? "" : " ") + param;
    return joined;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

TDLogFile::TDLogFile(std::string fileName, bool enabled, const std::vector<std::string>& params)
    : Enabled(enabled), fileName_(std::move(fileName)) {
    std::error_code error;
    std::filesystem::remove(fileName_, error);
    if (Enabled) WriteHeader(params);
}

void TDLogFile::WriteHeader(const std::vector<std::string>& params) const {
    const std::string locale = UserLocaleName();
    const std::string language = locale.substr(0, locale.find_first_of("_.@"));
    const size_t territoryAt = locale.find('_');
    const std::string territory =
        territoryAt == std::string::npos ? std::string() : locale.substr(territoryAt + 1, 2);
    const std::string executable = ExecutablePath();
    const std::string version = TZrVersionInfo().GetStringFileInfo("FileVersion");
    const std::string program = ExtractFileName(executable);
    for (const std::string& line :
         {std::string("="), "!Log File: " + fileName_, "!Date: " + FormatDateTime("yyyy-mm-dd hh:nn:ss", NowUtc()) + " UTC",
          "!Operating System: " + OperatingSystem(), "!SysLocale.DefaultLCID: " + locale,
          "!SysLocale.PriLangID: " + language, "!SysLocale.SubLangID: " + territory, std::string("!DecimalSeparator: ."),
          std::string("-"), "!Executable: " + executable, "!Executable version: " + version,
          "!Parameters: " + JoinParams(params), "!Command line: " + executable + (params.empty() ? "" : " ") + JoinParams(params),
          "!Run folder: " + CurrentFolder(), "!Module name: " + program, "!Module folder: " + ProgramFolder(),
          "!Module path: " + executable, "!Module version: " + version,
          std::string("!Help viewer: the program's own help window")})
        Write(line);
}

void TDLogFile::Write(const std::string& text) const {
    std::string line;
    if (text == "-" || text == "=") {
        line.assign(RuleLength, text[0]);
    } else if (!text.empty() && (text[0] == '!' || text[0] == '-' || text[0] == '=')) {
        line = text.substr(1);
    } else {
        line = TimeStamp ? FormatDateTime("yyyy-mm-dd hh:nn:ss", NowUtc()) + "   " + text : text;
    }
    line = StoredText(line) + "\r\n";
    FILE* file = std::fopen(fileName_.c_str(), "ab");
    const bool written = file != nullptr && std::fwrite(line.data(), 1, line.size(), file) == line.size();
    const bool closed = file != nullptr && std::fclose(file) == 0;
    if ((written && closed) || failureReported_) return;
    failureReported_ = true;
    TellOnStandardError("Cannot write the debug log " + ShownFileNameText(fileName_) + ": " + ErrnoText(errno));
}

std::string UserLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) return value;
    }
    return "C";
}

bool DebugSwitchGiven(const std::vector<std::string>& params) {
    for (const std::string& param : params)
        if (SameText(param, "/debug") || SameText(param, "-debug")) return true;
    return false;
}

void InitDebugMode(const std::vector<std::string>& params) {
    DebugModeFlag() = FileExists(ProgramFolder() + MarkerName) || DebugSwitchGiven(params);
    LogInstance() = std::make_unique<TDLogFile>(WritableProgramFile(LogName), DebugModeFlag(), params);
}

bool DebugMode() { return DebugModeFlag(); }

TDLogFile& DebugLog() {
    if (!LogInstance()) LogInstance() = std::make_unique<TDLogFile>(WritableProgramFile(LogName), false,
                                                                    std::vector<std::string>{});
    return *LogInstance();
}

void DebugOut(const std::string& text) {
    if (LogInstance() && LogInstance()->Enabled) LogInstance()->Write(text);
}

void DebugOutAndShow(const std::string& text) {
    DebugOut(text);
    TDialogService::Instance().ShowMessage(text, {}, TMsgDlgType::mtWarning);
}

void ReportQuietError(const std::string& text) {
    TellOnStandardError(text);
    DebugOut(text);
}

std::string HHFormatName(const std::string& chmFile, const std::string& topic, const std::string& winName, int prefix) {
    const auto clean = [](const std::string& text) { return Trim(ReplaceAll(text, "%20", " ")); };
    std::string name = clean(chmFile);
    std::string page = clean(topic);
    if (!page.empty()) {
        page = ReplaceAll(page, "\\", "/");
        if (page[0] != '/') page.insert(0, "/");
        name = name.empty() ? page : name + "::" + page;
    }
    const std::string window = clean(winName);
    if (!window.empty()) name += ">" + window;
    if (prefix == 1) name.insert(0, "mk:@MSITStore:");
    if (prefix == 2) name.insert(0, "ms-its:");
    return name;
}

}  // namespace kestrune
