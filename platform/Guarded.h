// The guard at every entry from the event loop (timer, posted message, menu,
// slot): an exception that nobody caught ends in the framework's error box
// with its text, and the program goes on.
#pragma once

#include <functional>

namespace kestrune {

// Runs work; false when it raised (the box was shown).
bool Guarded(const std::function<void()>& work);

}  // namespace kestrune
