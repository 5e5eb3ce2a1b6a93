// A fresh temporary folder per test, with the per-user folders and the
// program folder pointed into it so that no test touches the real home.
// The environment the test changes is put back when the folder goes.
#pragma once

#include "platform/ProgramFolder.h"
#include "tests/platform/KeptEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kestrune::testing {

class TTempFolder {
public:
    TTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-test-XXXXXX").string();
        path_ = std::string(mkdtemp(pattern.data())) + "/";
        for (const char* sub : {"config", "data", "runtime", "program"}) std::filesystem::create_directory(path_ + sub);
        setenv("XDG_CONFIG_HOME", (path_ + "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (path_ + "data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (path_ + "runtime").c_str(), 1);
        SetProgramFolderOverride(path_ + "program");
    }
    ~TTempFolder() {
        SetProgramFolderOverride("");
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // Path of name inside the folder, with a trailing "/".
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

    // Writes bytes to name (creating its folders) and returns the full path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::filesystem::path file = path_ + name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }

    static std::string Read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    TKeptEnvironment kept_;  // first made, last gone: back after the folder is removed
    std::string path_;
};

}  // namespace kestrune::testing
