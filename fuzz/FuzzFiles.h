// A folder of one fuzzing run's own, for readers that take file names: the
// program folder and the user folders point into it, so that nothing a
// target writes reaches the user's files, and it goes when the run ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace kestrune::fuzz {

class TFuzzFolder {
public:
    explicit TFuzzFolder(const std::string& targetName);
    ~TFuzzFolder();
    TFuzzFolder(const TFuzzFolder&) = delete;
    TFuzzFolder& operator=(const TFuzzFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path ProgramFolder() const { return path_ / "program"; }
    // Writes the input as a file of the given name (folders under Path() are made) and returns its path.
    std::string WriteInput(const std::string& relativeName, const uint8_t* data, size_t size) const;
    // Empties the folder for the data files again.
    void ClearData() const;

private:
    std::filesystem::path path_;
};

}  // namespace kestrune::fuzz
