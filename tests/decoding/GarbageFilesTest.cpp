// Files that are no passes, named as stations name passes: noise, fill and
// files longer than any pass are refused before anything is sized for them,
// with the reason; real passes of the same formats, even noisy ones, load.
#include "decoding/FrameCheck.h"
#include "decoding/HRPTvideo.h"
#include "decoding/MN2unpacker.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "orbit/Keplers.h"
#include "orbit/Orbits.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/LoaderTest.h"
#include "tests/support/MeteorFileWriter.h"
#include "tests/support/StationFileWriter.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>
#include <random>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::TBytes;

constexpr int32_t PassLines = 240;

TBytes Noise(size_t bytes, unsigned seed) {
    std::mt19937 random(seed);
    TBytes noise(bytes);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    return noise;
}

// The most memory the process has held so far, in MiB.
int64_t PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

class GarbageFilesTest : public test::TLoaderTest {
protected:
    test::THrptPassSpec passSpec;

    void SetUp() override {
        TLoaderTest::SetUp();
        WriteArchive("NOAA-19", 33591);
        WriteArchive("NOAA-18", 28654);
    }

    void ExpectRefused(const std::string& why) {
        EXPECT_EQ(state.Video->LineCount(), 0);
        EXPECT_EQ(state.DataLineCount, 0);
        EXPECT_FALSE(state.LoadFailure.empty());
        EXPECT_NE(state.LoadFailure.find(why), std::string::npos) << state.LoadFailure;
        EXPECT_FALSE(fs::exists(folder / "program" / "processed.lst"));
    }

    // A sparse file of zeros: no disk, and no memory unless it is read.
    std::string Sparse(const std::string& name, uintmax_t bytes) const {
        const fs::path path = folder / "data" / name;
        test::WriteFileBytes(path.string(), {});
        fs::resize_file(path, bytes);
        return path.string();
    }
};

// 2 MB of noise under each name a station gives its passes: the format of
// the name finds no frame of its own in them (a Level 1b name may already
// fail on its header's data type).
TEST_F(GarbageFilesTest, NoiseNamedAsAStationPassIsRefusedWithTheReason) {
    const TBytes noise = Noise(2000000, 43);
    for (const char* extension : {".rhd", ".lac", ".s10", ".raw", ".hrp8", ".img", ".mn1", ".asda", ".n10", ".hpt",
                                  ".raw16", ".fy8", ".fi5", ".mn2", ".msu2", ".c10"}) {
        SCOPED_TRACE(extension);
        loader.LoadDataFile(Write(std::string("2023-05-06-1200-NOAA19") + extension, noise));
        ExpectRefused(std::string(extension) == ".lac" ? "" : "the file holds no readable");
    }
}

// Fill: zeros carry no sync, no time, and no line of an image.
TEST_F(GarbageFilesTest, ZerosNamedAsAStationPassAreRefused) {
    const TBytes zeros(2000000, 0);
    for (const char* extension : {".rhd", ".raw", ".hrp8", ".img", ".n10", ".mn1", ".msu2"}) {
        SCOPED_TRACE(extension);
        loader.LoadDataFile(Write(std::string("2023-05-06-1200-NOAA19") + extension, zeros));
        ExpectRefused("carried");
    }
}

// A pass whose first 40% are noise (the recording started before the
// receiver locked) still loads; the bad frames are warned of.
TEST_F(GarbageFilesTest, APassBehindNoiseLoadsWithTheBadFramesWarning) {
    TBytes bytes = test::BuildN10File(passSpec, PassLines);
    const TBytes noise = Noise(bytes.size() * 4 / 10, 7);
    std::copy(noise.begin(), noise.end(), bytes.begin());
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.n10", bytes));
    ASSERT_TRUE(state.LoadFailure.empty()) << state.LoadFailure;
    EXPECT_EQ(state.DataLineCount, PassLines);
    EXPECT_TRUE(state.TelemetryData->ManyBadFrames);
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, ManyBadFramesWarning));

    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.n10", test::BuildN10File(passSpec, PassLines)));
    EXPECT_FALSE(state.TelemetryData->ManyBadFrames);
}

// 8-bit lines carry nothing but samples: a pass's lines vary smoothly.
TEST_F(GarbageFilesTest, EightBitPassesLoadAndTheirNoiseDoesNot) {
    loader.LoadDataFile(Write("2023-05-03-1200-NOAA18.raw", Noise(5 * 2048 * PassLines, 3)));
    ExpectRefused("samples of an image line");
    loader.LoadDataFile(Write("2023-05-03-1200-NOAA18.raw", test::BuildEightBitFile(passSpec, PassLines, 5)));
    EXPECT_TRUE(state.LoadFailure.empty()) << state.LoadFailure;
    EXPECT_EQ(state.DataLineCount, PassLines);
}

// Far more lines than any pass: refused before the stores would take a
// gigabyte for them, and before a frame of them is read.
TEST_F(GarbageFilesTest, AFileLongerThanAnyPassIsRefusedBeforeItIsRead) {
    const int64_t before = PeakMiB();
    loader.LoadDataFile(Sparse("2023-05-06-1200-NOAA19.raw", uintmax_t{5} * 2048 * (MostPassLines + 1)));
    ExpectRefused("far more than any pass");
    loader.LoadDataFile(Sparse("2023-05-06-1200-NOAA19.n10", uintmax_t{13864} * 200000));
    ExpectRefused("200000 lines");
    EXPECT_LT(PeakMiB() - before, 100);
}

// Fill of a length a pass could have is looked at before the stores are
// sized for the longest pass (800 MB of samples).
TEST_F(GarbageFilesTest, FramesAreLookedAtBeforeTheStoresAreSized) {
    const int64_t before = PeakMiB();
    loader.LoadDataFile(Sparse("2023-05-06-1200-NOAA19.raw", uintmax_t{5} * 2048 * MostPassLines));
    ExpectRefused("samples of an image line");
    EXPECT_LT(PeakMiB() - before, 100);
}

// A packed file of noise is unpacked, refused, and what was unpacked goes;
// a packed pass keeps its unpacked file for the next run.
TEST_F(GarbageFilesTest, WhatAFailedLoadUnpackedIsRemoved) {
    const std::string packed = Write("230503_1200_noaa18.wsd.gz", test::GzipBytes(Noise(2000000, 17)));
    loader.LoadDataFile(packed);
    ExpectRefused("the file holds no readable");
    EXPECT_FALSE(fs::exists(ChangeFileExt(packed, "")));
    EXPECT_TRUE(fs::exists(packed));

    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    test::WriteFileBytes(packed, test::GzipBytes(test::BuildWsdFile(passSpec, PassLines, set.Line1, set.Line2)));
    loader.LoadDataFile(packed);
    EXPECT_TRUE(state.LoadFailure.empty()) << state.LoadFailure;
    EXPECT_TRUE(fs::exists(ChangeFileExt(packed, "")));
}

// A Meteor recording is converted a piece at a time, and one longer than
// any pass's recording is not read for a conversion at all.
TEST_F(GarbageFilesTest, MeteorRecordingsAreConvertedInBoundedMemory) {
    const int64_t before = PeakMiB();
    const int32_t frames = 60;
    const std::string recording = Write("2023-05-03-0900-METEOR.mn2", test::BuildMn2File(passSpec, {}, frames));
    fs::resize_file(recording, uintmax_t{300} << 20);  // the pass, then 300 MB of fill
    loader.LoadDataFile(recording);
    ASSERT_LT(PeakMiB() - before, 100);
    EXPECT_EQ(fs::file_size(ChangeFileExt(recording, ".msu2")), 1024u + frames * MsuMrFrameBytes);
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, Format("%d frames", frames)));

    for (const std::string name : {"2023-05-03-0900-METEOR.mn2", "capture.dat"}) {
        fs::remove(folder / "data" / ChangeFileExt(name, ".msu2"));
        loader.LoadDataFile(Sparse(name, uintmax_t{3} << 30));
        ExpectRefused("The Meteor M-N2 file could not be converted: " + name + " holds 3221225472 bytes, more than a " +
                      "recording of the longest pass (at most " + std::to_string(MostMeteorRecordingBytes) + ")");
        EXPECT_FALSE(fs::exists(folder / "data" / ChangeFileExt(name, ".msu2")));
    }
    EXPECT_LT(PeakMiB() - before, 100);
}

// What a failed load converted is no pass: it goes, the recording stays.
TEST_F(GarbageFilesTest, TheConversionOfAFailedLoadIsRemoved) {
    const std::string recording = Write("2023-05-03-0900-METEOR.mn2", test::BuildMn2File(passSpec, {}, PassLines));
    host.OnPendingEvents = [&] { state.AbortRequested = true; };
    loader.LoadDataFile(recording);
    ExpectRefused("Reading was cancelled");
    EXPECT_FALSE(fs::exists(ChangeFileExt(recording, ".msu2")));
    EXPECT_TRUE(fs::exists(recording));

    host.OnPendingEvents = nullptr;
    loader.LoadDataFile(recording);
    EXPECT_TRUE(state.LoadFailure.empty()) << state.LoadFailure;
    EXPECT_TRUE(fs::exists(ChangeFileExt(recording, ".msu2")));
}

// A ".wsd" pass whose own element set has letters in its epoch is located
// from the archive's set, and says why.
TEST_F(GarbageFilesTest, APassWhoseOwnElementSetIsUnusableIsLocatedFromTheArchive) {
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    const std::string lettered = std::string(set.Line1).replace(18, 14, "2312X.4000000Z");
    loader.LoadDataFile(Write("230503_1200_noaa18.wsd", test::BuildWsdFile(passSpec, PassLines, lettered, set.Line2)));
    ASSERT_TRUE(state.LoadFailure.empty()) << state.LoadFailure;
    EXPECT_TRUE(state.Orbit->ElementsValid);
    EXPECT_NE(state.Orbit->MainElementSource.find("NOAA-18.txt"), std::string::npos) << state.Orbit->MainElementSource;
    EXPECT_TRUE(state.EarthLocations->LocationsValid);
    ASSERT_EQ(state.Orbit->Keplers->Warnings.size(), 1u);
    EXPECT_EQ(state.Orbit->Keplers->Warnings[0].rfind("The element set in the file cannot be used (line 1, columns 19-32", 0),
              0u);
}

// Level 1b records of both layouts carry a valid record time; a damaged
// day or time of day does not count.
TEST(FrameSurvey, Level1bRecordsAreKnownByTheirTimes) {
    for (const bool older : {false, true}) {
        SCOPED_TRACE(older ? "older layout" : "newer layout");
        test::TL1BPassSpec passSpec;
        passSpec.Older = older;
        passSpec.ArchiveHeader = false;
        const TBytes file = test::BuildL1BFile(passSpec);
        const int32_t recordBytes = test::L1BRecordBytes(passSpec);
        TFrameFormat format;
        format.FormatCode = older ? 8 : 7;
        format.RecordSize = recordBytes;
        const TInputFile input(file.data(), static_cast<int64_t>(file.size()));
        const TRecordSpan records{recordBytes, recordBytes, passSpec.Records};
        const TFrameSurvey survey = SurveyFrames(format, input, records);
        EXPECT_EQ(survey.Looked, SurveyedFrames);
        EXPECT_EQ(survey.Marked, SurveyedFrames);
        EXPECT_EQ(survey.Mark, "a valid record time");

        TBytes damaged = file;
        for (int32_t k = 0; k < passSpec.Records; ++k) {
            uint8_t* record = damaged.data() + static_cast<size_t>(recordBytes) * static_cast<size_t>(k + 1);
            if (k % 2 == 0) record[older ? 3 : 5] = 0;  // day 0 (older: the low byte holds most of the day)
            else record[older ? 4 : 8] = 0x06;          // a time of day past 24 hours
        }
        const TInputFile damagedInput(damaged.data(), static_cast<int64_t>(damaged.size()));
        EXPECT_EQ(SurveyFrames(format, damagedInput, records).Marked, 0);
    }
}

TEST(FrameSurvey, AShareOfMarkedFramesMakesAPass) {
    EXPECT_TRUE(FramesRecognised({64, 7, "a valid time code"}));
    EXPECT_FALSE(FramesRecognised({64, 6, "a valid time code"}));
    EXPECT_FALSE(FramesRecognised({20, 1, "a valid time code"}));
    EXPECT_TRUE(FramesRecognised({64, 0, ""})) << "a format that carries nothing to look for";
}

}  // namespace
}  // namespace kestrune
