// What a drop on the main window opens: one pass file. Any other drop is
// refused (the source is told nothing was copied) with the reason told.
#pragma once

#include <string>
#include <vector>

namespace kestrune {

// Why the dropped files open nothing; empty when they are one existing pass
// file. An empty list (a drop of names to give files, with no files) says nothing.
std::string DropNotOpenedCause(const std::vector<std::string>& files);

}  // namespace kestrune
