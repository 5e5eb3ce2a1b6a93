// A folder of its own for a test that runs the pass loader: a program folder
// with a Kepler archive, a data folder, private settings and data homes, and
// message boxes answered by script. Removed again when the test ends.
#pragma once

#include "tests/support/PassFileWriter.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kestrune::test {

// Whether any line holds text.
bool Contains(const std::vector<std::string>& lines, const std::string& text);

class TLoaderSandbox {
public:
    // The folder is named by prefix, the process id and the test's name.
    TLoaderSandbox(const std::string& prefix, const std::string& testName);
    ~TLoaderSandbox();
    TLoaderSandbox(const TLoaderSandbox&) = delete;
    TLoaderSandbox& operator=(const TLoaderSandbox&) = delete;

    // An archive of one element set of a NOAA-like orbit at 2023, day 122.5, revolution 30000.
    void WriteArchive(const std::string& satellite, int catalogNumber) const;
    // Writes a file into the data folder; returns its path.
    std::string Write(const std::string& name, const TBytes& bytes) const;

    const std::filesystem::path Folder;
};

}  // namespace kestrune::test
