// A pass loader at work in a fresh folder of its own per test: the program
// folder (with an empty "Keps" archive folder), the per-user folders and a
// "data" folder for the passes; messages are recorded, none is shown.
#pragma once

#include "decoding/HeadlessHost.h"
#include "decoding/PassLoader.h"
#include "decoding/PassState.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "tests/support/PassFileWriter.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrune::test {

class TLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("kestrune-loader-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "program" / "Keps");
        std::filesystem::create_directories(folder / "data");
        setenv("XDG_DATA_HOME", (folder / "user").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        SetProgramFolderOverride((folder / "program").string());
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
        settings.Unattended = true;
    }

    void TearDown() override {
        SetProgramFolderOverride("");
        std::filesystem::remove_all(folder);
    }

    // A Kepler archive of one set of a NOAA-like orbit: epoch 2023, day
    // 122.5, revolution 30000.
    void WriteArchive(const std::string& satellite, int catalogNumber) const {
        const TElementLines set = MakeElementLines(catalogNumber, 2023, 122.5, 98.9, 150.0, 0.0, 14.125, 30000);
        const std::string text = set.Line1 + "\n" + set.Line2 + "\n";
        WriteFileBytes((folder / "program" / "Keps" / (satellite + ".txt")).string(), TBytes(text.begin(), text.end()));
    }

    // Writes a pass into the data folder and gives its path.
    std::string Write(const std::string& name, const TBytes& bytes) const {
        const std::string path = (folder / "data" / name).string();
        WriteFileBytes(path, bytes);
        return path;
    }

    std::filesystem::path folder;
    TPassState state;
    THeadlessHost host;
    TLoaderSettings settings;
    TPassLoader loader{state, host, settings};
};

// Whether any line holds the text.
inline bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace kestrune::test
