// Opening a document or a web address with the program the desktop has
// for it, as the shell's "open" verb did. When nothing could open it (no
// program registered for the file's type, a file that is not there, a
// start that fails) the user is told with the system's words, and the debug
// log records it.
#pragma once

#include <QUrl>

#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// The system's text for the error of a failed start ("File Not Found" for 2,
// "General Failure" for a code it does not name), in the language in effect.
std::string ShellErrorText(uint32_t code);
// The desktop's lists (mimeapps.list, defaults.list and mimeinfo.cache of the
// XDG folders) name a program for the MIME type.
bool DesktopOpensMimeType(const std::string& mimeType);
// Opens target: a file's path, or a web address ("www..." becomes
// "http://www..."). True when a program was started.
bool ShellOpen(const std::string& target);
// What starts the program (the desktop's own by default): tests put theirs.
using TShellStarter = std::function<bool(const QUrl& url)>;
void SetShellStarter(TShellStarter starter);

}  // namespace kestrune
