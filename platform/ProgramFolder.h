// Where the program's files live. Read-only data ships beside the executable;
// files the program writes go beside it when that folder is writable, else to
// the per-user data folder. Reads look in the per-user folder first.
#pragma once

#include <string>

namespace kestrune {

// Full path of the running executable.
std::string ExecutablePath();
// The executable's file name without folder and extension (tests may override it).
std::string ProgramName();
// Sets the name ProgramName answers ("" restores the executable's).
void SetProgramNameOverride(const std::string& name);
// Folder of the running executable, with a trailing "/".
std::string ProgramFolder();
// ${XDG_DATA_HOME:-~/.local/share}/, with a trailing "/".
std::string UserDataHome();
// ${XDG_DATA_HOME:-~/.local/share}/Kestrune/, created on demand.
std::string UserDataFolder();
// ${XDG_CONFIG_HOME:-~/.config}/, with a trailing "/".
std::string UserConfigFolder();
// Full path for a program file that is about to be written.
std::string WritableProgramFile(const std::string& name);
// Full path of an existing program file (user folder first), or the program
// folder's path when it exists nowhere.
std::string ReadableProgramFile(const std::string& name);
// Tests and tools may point the program folder elsewhere ("" restores it).
void SetProgramFolderOverride(const std::string& folder);

}  // namespace kestrune
