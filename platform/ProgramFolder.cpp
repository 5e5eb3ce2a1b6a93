#include "platform/ProgramFolder.h"

#include "platform/SysUtils.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kestrune {

namespace {

std::string& FolderOverride() {
    static std::string folder;
    return folder;
}

std::string& NameOverride() {
    static std::string name;
    return name;
}

std::string EnvironmentFolder(const char* variable, const char* fallbackBelowHome) {
    const char* value = std::getenv(variable);
    if (value && *value) return IncludeTrailingPathDelimiter(value);
    const char* home = std::getenv("HOME");
    return IncludeTrailingPathDelimiter(std::string(home ? home : "/tmp") + "/" + fallbackBelowHome);
}

// The per-user data folder's name, whether it exists or not.
std::string UserDataPath() { return UserDataHome() + "Kestrune/"; }

bool FolderIsWritable(const std::string& folder) { return access(folder.c_str(), W_OK) == 0; }

}  // namespace

std::string UserDataHome() { return EnvironmentFolder("XDG_DATA_HOME", ".local/share"); }

std::string ExecutablePath() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : executable.string();
}

std::string ProgramName() {
    if (!NameOverride().empty()) return NameOverride();
    return ChangeFileExt(ExtractFileName(ExecutablePath()), "");
}

void SetProgramNameOverride(const std::string& name) { NameOverride() = name; }

std::string ProgramFolder() {
    if (!FolderOverride().empty()) return FolderOverride();
    const std::string executable = ExecutablePath();
    if (executable.empty()) return "./";
    return ExtractFilePath(executable);
}

std::string UserConfigFolder() { return EnvironmentFolder("XDG_CONFIG_HOME", ".config"); }

std::string UserDataFolder() {
    const std::string folder = UserDataPath();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return folder;
}

std::string WritableProgramFile(const std::string& name) {
    const std::string programFolder = ProgramFolder();
    const std::string beside = programFolder + name;
    const bool writable = FileExists(beside) ? access(beside.c_str(), W_OK) == 0 : FolderIsWritable(programFolder);
    return writable ? beside : UserDataFolder() + name;
}

std::string ReadableProgramFile(const std::string& name) {
    const std::string user = UserDataPath() + name;
    if (FileExists(user)) return user;
    return ProgramFolder() + name;
}

void SetProgramFolderOverride(const std::string& folder) {
    FolderOverride() = folder.empty() ? std::string() : IncludeTrailingPathDelimiter(folder);
}

}  // namespace kestrune
