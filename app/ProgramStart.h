// What the program settles before its application object exists: a private
// runtime folder when the session has none, and a display that cannot be
// opened (a stale DISPLAY under cron, a mistyped QT_QPA_PLATFORM), which
// would otherwise abort the process.
#pragma once

#include <string>
#include <vector>

namespace kestrune {

// No display of any kind is named: the program runs on the offscreen platform.
bool NoDisplayNamed();

// The runtime folder to use when XDG_RUNTIME_DIR is not set: this user's own
// folder (mode 0700) under the temporary folder, made when missing, or a
// fresh one when that name is taken by somebody else; "" when none can be made.
std::string PrivateRuntimeFolder();
// Sets XDG_RUNTIME_DIR to PrivateRuntimeFolder() when it is not set.
void EnsureRuntimeFolder();

// The line an operator reads when the display could not be opened: the
// cause Qt gave first (the first of told that says something), then what
// the program does about it.
std::string DisplayFailureLine(const std::vector<std::string>& told, bool runsWithoutDisplay);

// Qt's own messages go to standard error as the program's do, in the
// locale's codec (Qt would write them in UTF-8 whatever the locale).
void WriteQtMessagesInLocale();

// While the application object is made: Qt's messages are held, and a
// display that cannot be opened ends the process with one line instead of
// an abort. With fallback (an unattended run that named a display) the
// program starts again without one, on the offscreen platform; otherwise
// it exits with status 2. Its end lets what was held through, as Qt would
// have told it.
class TDisplayStart {
public:
    TDisplayStart(int argc, char* argv[], bool fallback);
    ~TDisplayStart();
    TDisplayStart(const TDisplayStart&) = delete;
    TDisplayStart& operator=(const TDisplayStart&) = delete;
};

}  // namespace kestrune
