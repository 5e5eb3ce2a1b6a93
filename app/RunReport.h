// What an unattended run tells its operator on standard error about the pass
// it was given: why the pass could not be loaded, or what the products made
// from it lack (element sets, a date of its own, earth locations). Each
// finding is one line; none of them changes the run's exit status.
#pragma once

#include "decoding/PassState.h"

#include <string>
#include <vector>

namespace kestrune {

// Element sets further than this from the pass are reported.
constexpr double StaleElementDays = 30.0;

// A failed load: the cause first (the loader's, or that fileName is not
// there, is a folder or matches no file), then that no pass was loaded from it.
std::vector<std::string> LoadFailureReport(const TPassState& pass, const std::string& fileName);
// Why a file named on the command line never reached the loader: it is
// not there, is a folder or no file, or matches no file; "" when it is a file.
std::string UnloadedFileCause(const std::string& fileName);

// A loaded pass: satellites named differently by the file and its frames,
// a date taken from the file's date, archive files holding another
// satellite's sets, element sets missing or stale, and a pass left
// without earth locations. keplerNote is what the
// element archives said while the pass was loaded ("" when nothing); it
// explains missing sets.
std::vector<std::string> LoadWarnings(const TPassState& pass, const std::string& keplerNote);

// A message as one line: line breaks of any kind become blanks, runs of them one.
std::string OneLine(const std::string& text);

}  // namespace kestrune
