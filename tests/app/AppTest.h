// What the tests of the program's windows and core share: a temporary
// registry and folders, the program named "kestrune", message boxes answered
// from the script, and a located pass written into the data folder.
#pragma once

#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "tests/platform/TempFolder.h"
#include "tests/support/PassFileWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace kestrune::testing {

class TAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramNameOverride("kestrune");
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
    void TearDown() override { SetProgramNameOverride(""); }

    // A 240-line NOAA-18 pass whose element set locates it, in the data folder.
    std::string WritePass(const std::string& name = "230503_1200_noaa18.wsd",
                          const test::THrptPassSpec& pass = {}) const {
        const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
        std::filesystem::create_directories(folder / "data");
        const std::string path = folder / ("data/" + name);
        test::WriteFileBytes(path, test::BuildWsdFile(pass, 240, set.Line1, set.Line2));
        return path;
    }

    TTempFolder folder;
};

}  // namespace kestrune::testing
