#include "render/SavedImages.h"

#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "render/JPEG_IO.h"
#include "render/RenderView.h"
#include "render/TemperatureScale.h"
#include "../platform/TempFolder.h"
#include "SyntheticPass.h"
#include "tests/platform/ProcessHelpers.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>

namespace kestrune {
namespace {

using testing::MakePass;
using testing::TTempFolder;

TEST(SavedImageNames, CaptionCodesAreReplacedOnce) {
    const TDateTime when = EncodeDate(2021, 6, 5) + EncodeTime(13, 47, 10, 0);
    EXPECT_EQ(ExpandCaption("%S %NS %D", when, true, "NOAA-19"), "NOAA-19 N 2021-06-05");
    EXPECT_EQ(ExpandCaption("%D and %D", when, false, "X"), "2021-06-05 and %D");
    EXPECT_EQ(ExpandCaption("Brondel Software - %D %T", when, false, "X"), "Brondel Software - 2021-06-05 13:47");
    EXPECT_EQ(ExpandCaption("%Y%NS", when, false, "X"), "2021S");
    EXPECT_EQ(ExpandCaption("[%Y %D %T]", 0.0, false, "X"), "[  ]");  // no date before 1957
}

TEST(SavedImageNames, CalibrationStripNeedsRoomToSpare) {
    int left = 0, top = 0;
    ASSERT_TRUE(CalibrationStripPlace(500, 400, 100, 300, 1, left, top));
    EXPECT_EQ(left, 10);
    EXPECT_EQ(top, 10);
    EXPECT_FALSE(CalibrationStripPlace(500, 310, 100, 300, 1, left, top));
    EXPECT_FALSE(CalibrationStripPlace(500, 400, 100, 300, 0, left, top));
    ASSERT_TRUE(CalibrationStripPlace(500, 400, 100, 300, 6, left, top));
    EXPECT_EQ(left, 390);
    EXPECT_EQ(top, 90);
    ASSERT_TRUE(CalibrationStripPlace(500, 400, 100, 300, 9, left, top));  // right, middle
    EXPECT_EQ(left, 390);
    EXPECT_EQ(top, 50);
}

class SavedImagesTest : public ::testing::Test {
protected:
    SavedImagesTest() : view_(pass_, host_), saver_(view_, settings_) {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
        MakePass(pass_, 2048, 30, {1, 2, 3, 4, 5});
        pass_.InputFolder = folder_ / "input/";
        std::filesystem::create_directories(pass_.InputFolder);
        view_.SetViewTabs(testing::ViewsOffered(pass_));
        view_.SelectView("False colour");
    }
    ~SavedImagesTest() override { TDialogService::Instance().SetMode(TDialogService::Mode::Unattended); }

    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& request : TDialogService::Instance().Requests()) texts.push_back(request.text);
        return texts;
    }

    TTempFolder folder_;
    TPassState pass_;
    THeadlessRenderHost host_;
    TRenderView view_;
    TSaveSettings settings_;
    TImageSaver saver_;
};

TEST_F(SavedImagesTest, DisplayedJpegGetsTheViewSuffixAndAFreeName) {
    const std::string first = saver_.SaveImage("pass", SaveDisplayed, true);
    EXPECT_EQ(first, pass_.InputFolder + "pass-fc.jpg");
    TExtBitmap read;
    ASSERT_TRUE(LoadJPEGFile(&read, first, true, 0));
    EXPECT_EQ(read.Width(), 2048);
    EXPECT_EQ(read.Height(), 30);
    EXPECT_TRUE(Messages().empty());
    const std::string second = saver_.SaveImage("pass", SaveDisplayed, true);
    EXPECT_EQ(second, pass_.InputFolder + "pass-fc.1.jpg");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "As the image: " + first +
                                 " was already present on your system, the image was actually saved as: " + second);
    EXPECT_EQ(saver_.SaveImage("pass", SaveDisplayed, true), pass_.InputFolder + "pass-fc.2.jpg");
}

TEST_F(SavedImagesTest, UnwritableFolderFallsBackToTheProgramFolderAndSaysWhichFailed) {
    settings_.ResultsFolder = folder_ / "missing/deeper/";
    const std::string written = saver_.SaveImage("pass", SaveDisplayed, false);
    ASSERT_FALSE(written.empty());
    EXPECT_NE(written.find("pass-fc.bmp"), std::string::npos);
    EXPECT_TRUE(FileExists(written));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Could not save to results folder: " + settings_.ResultsFolder + " (Unable to write to " +
                                 settings_.ResultsFolder + "pass-fc.bmp: No such file or directory), saved to " +
                                 written + " instead");
}

// Nowhere to write (here: no file may grow past 4 KiB, as on a full disk):
// the message gives the cause met where the image was asked for, then the
// cause met in the program's folder.
TEST_F(SavedImagesTest, AnImageThatCannotBeWrittenAnywhereIsToldWithItsCause) {
    settings_.ResultsFolder = folder_ / "out/";
    std::filesystem::create_directories(settings_.ResultsFolder);
    std::string written;
    {
        const testing::TFileSizeLimit limit(4096);
        written = saver_.SaveImage("pass", SaveDisplayed, false);
    }
    EXPECT_EQ(written, "");
    ASSERT_EQ(Messages().size(), 1u);
    const std::string program = WritableProgramFile("pass-fc.bmp");
    EXPECT_EQ(Messages()[0], "Error saving image to disk: Unable to write to " + settings_.ResultsFolder +
                                 "pass-fc.bmp: File too large; nor in " + ExtractFilePath(program) + ": Unable to write to " +
                                 program + ": File too large");
}

// Neither the output folder nor the program's own (here the user's data
// folder, where the program's folder cannot be written): both failures are
// named, each with its place and cause.
TEST_F(SavedImagesTest, AnImageWrittenNowhereNamesBothFailures) {
    struct TNowhereCase {
        const char* What;
        std::string Results;  // "" for the pass's own folder
        bool InputFolderGone;
        const char* FirstCause;
    };
    const std::vector<TNowhereCase> cases{
        {"an output folder on a disk not mounted", folder_ / "mnt/station/out/", false, "No such file or directory"},
        {"an output folder that is a file", folder_ / "out.txt/", false, "Not a directory"},
        {"the pass's own folder gone meanwhile", "", true, "No such file or directory"},
    };
    folder_.Write("out.txt", "not a folder");
    folder_.Write("program-on-a-file", "the program's folder stands on a file");
    SetProgramFolderOverride(folder_ / "program-on-a-file/");
    folder_.Write("data/Kestrune", "the user's data folder cannot be made either");
    const std::string elsewhere = WritableProgramFile("pass-fc.bmp");
    ASSERT_EQ(elsewhere, folder_ / "data/Kestrune/pass-fc.bmp");
    for (const TNowhereCase& nowhere : cases) {
        TDialogService::Instance().ClearScript();
        settings_.ResultsFolder = nowhere.Results;
        if (nowhere.InputFolderGone) std::filesystem::remove_all(pass_.InputFolder);
        EXPECT_EQ(saver_.SaveImage("pass", SaveDisplayed, false), "") << nowhere.What;
        const std::string first = (nowhere.Results.empty() ? pass_.InputFolder : nowhere.Results) + "pass-fc.bmp";
        ASSERT_EQ(Messages().size(), 1u) << nowhere.What;
        EXPECT_EQ(Messages()[0], "Error saving image to disk: Unable to write to " + first + ": " + nowhere.FirstCause +
                                     "; nor in " + folder_ / "data/Kestrune/" + ": Unable to write to " + elsewhere +
                                     ": Not a directory")
            << nowhere.What;
    }
}

TEST_F(SavedImagesTest, AptImageOfAFullPass) {
    const std::string written = saver_.SaveImage("pass", SaveApt, false);
    EXPECT_EQ(written, pass_.InputFolder + "pass-fc-APT.bmp");
    TExtBitmap read;
    read.LoadFromFile(written);
    EXPECT_EQ(read.Width(), 909);
    EXPECT_EQ(read.Height(), 10);
}

TEST_F(SavedImagesTest, CorrectedImageOfAFullPass) {
    const std::string written = saver_.SaveImage("pass", SaveCorrected, true);
    EXPECT_EQ(written, pass_.InputFolder + "pass-fc-corrected.jpg");
    TExtBitmap read;
    ASSERT_TRUE(LoadJPEGFile(&read, written, true, 0));
    EXPECT_GT(read.Width(), 0);
    EXPECT_EQ(read.Height(), 30);
}

// The scale is drawn on the display for the save only: the file carries it,
// the display is as it was.
TEST_F(SavedImagesTest, TemperatureImageCarriesTheScaleAndLeavesTheDisplayAsItWas) {
    MakePass(pass_, 2048, 300, {1, 2, 3, 4, 5});
    settings_.TempCalibLocn = 6;
    view_.SetViewTabs(testing::ViewsOffered(pass_));
    view_.SelectView("Temperature");
    const std::string shown = view_.DisplayBitmap().SaveToBytes();
    const std::string written = saver_.SaveImage("pass", SaveDisplayed, false);
    EXPECT_EQ(written, pass_.InputFolder + "pass-th.bmp");
    EXPECT_TRUE(view_.DisplayBitmap().SaveToBytes() == shown);
    TExtBitmap expected;
    expected.Assign(view_.DisplayBitmap());
    ASSERT_FALSE(saver_.ScaleBitmap.Empty());
    saver_.AddCalibrationStrip(expected, saver_.ScaleBitmap, settings_.TempCalibLocn);
    ASSERT_FALSE(expected.SaveToBytes() == shown);
    std::string file;
    ASSERT_TRUE(ReadFileText(written, file));
    EXPECT_TRUE(file == expected.SaveToBytes());
}

}  // namespace
}  // namespace kestrune
