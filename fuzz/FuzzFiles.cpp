#include "fuzz/FuzzFiles.h"

#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace kestrune::fuzz {

namespace fs = std::filesystem;

TFuzzFolder::TFuzzFolder(const std::string& targetName)
    : path_(fs::temp_directory_path() / ("kestrune-fuzz-" + targetName + "-" + std::to_string(::getpid()))) {
    fs::create_directories(ProgramFolder());
    fs::create_directories(path_ / "data");
    setenv("XDG_DATA_HOME", (path_ / "user").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (path_ / "config").c_str(), 1);
    SetProgramFolderOverride(ProgramFolder().string());
    TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
}

TFuzzFolder::~TFuzzFolder() {
    SetProgramFolderOverride("");
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TFuzzFolder::WriteInput(const std::string& relativeName, const uint8_t* data, size_t size) const {
    const fs::path file = path_ / relativeName;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return file.string();
}

void TFuzzFolder::ClearData() const {
    fs::remove_all(path_ / "data");
    fs::create_directories(path_ / "data");
}

}  // namespace kestrune::fuzz
