// Starts a program for a test that runs the built executable, its standard
// output and error appended to a log file.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kestrune::test {

// words[0] is the program; returns its process id, -1 when it could not be started.
pid_t SpawnProgram(std::vector<std::string> words, const std::string& logFile);

}  // namespace kestrune::test
