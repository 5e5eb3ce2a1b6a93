#include "tests/support/LoaderSandbox.h"

#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"

#include <cstdlib>
#include <unistd.h>

namespace kestrune::test {

namespace fs = std::filesystem;

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

TLoaderSandbox::TLoaderSandbox(const std::string& prefix, const std::string& testName)
    : Folder(fs::temp_directory_path() / (prefix + std::to_string(::getpid()) + "-" + testName)) {
    fs::remove_all(Folder);
    fs::create_directories(Folder / "program" / "Keps");
    fs::create_directories(Folder / "data");
    setenv("XDG_DATA_HOME", (Folder / "user").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Folder / "config").c_str(), 1);
    SetProgramFolderOverride((Folder / "program").string());
    WriteArchive("NOAA-18", 28654);
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    TDialogService::Instance().ClearScript();
}

TLoaderSandbox::~TLoaderSandbox() {
    SetProgramFolderOverride("");
    std::error_code error;
    fs::remove_all(Folder, error);
}

void TLoaderSandbox::WriteArchive(const std::string& satellite, int catalogNumber) const {
    const TElementLines set = MakeElementLines(catalogNumber, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
    const std::string text = set.Line1 + "\n" + set.Line2 + "\n";
    WriteFileBytes((Folder / "program" / "Keps" / (satellite + ".txt")).string(), TBytes(text.begin(), text.end()));
}

std::string TLoaderSandbox::Write(const std::string& name, const TBytes& bytes) const {
    const std::string path = (Folder / "data" / name).string();
    WriteFileBytes(path, bytes);
    return path;
}

}  // namespace kestrune::test
