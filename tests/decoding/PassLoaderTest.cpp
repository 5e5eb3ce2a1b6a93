#include "decoding/PassLoader.h"

#include "decoding/FormatDetect.h"
#include "decoding/HRPTvideo.h"
#include "decoding/HeadlessHost.h"
#include "decoding/Sensor.h"
#include "decoding/Station16.h"
#include "decoding/StationFormats.h"
#include "decoding/Telemetry.h"
#include "decoding/ViewNames.h"
#include "platform/FileUtils.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "platform/DialogService.h"
#include "platform/FileIO.h"
#include "platform/ProgramFolder.h"
#include "tests/decoding/ThermalReference.h"
#include "tests/platform/Unprivileged.h"
#include "tests/support/LoaderTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using test::TBytes;

constexpr int32_t PassLines = 240;

std::string RequestTexts() {
    std::string texts;
    for (const TDialogRequest& request : TDialogService::Instance().Requests()) texts += request.text + "\n";
    return texts;
}

// One kind of pass file: its bytes and where its records lie.
struct TPassFileKind {
    std::string Name;
    TBytes Bytes;
    int Code;
    int64_t HeaderBytes;
    int64_t RecordBytes;

    // Lines a copy cut to size bytes holds; a load needs two.
    int64_t LinesIn(int64_t size) const { return size > HeaderBytes ? (size - HeaderBytes) / RecordBytes : 0; }
};

class PassLoaderTest : public test::TLoaderTest {
protected:
    test::THrptPassSpec passSpec;

    void SetUp() override {
        TLoaderTest::SetUp();
        WriteArchive("NOAA-18", 28654);
    }

    std::string ProcessedList() {
        const TBytes bytes = test::ReadFileBytes((folder / "program" / "processed.lst").string());
        return std::string(bytes.begin(), bytes.end());
    }

    void LoadCopy(const std::string& name, const TBytes& bytes, int64_t expectedLines);
    std::vector<TPassFileKind> PassFileKinds(int32_t lines);

    // Unattended, the loader logs its own messages and asks no question; the
    // orbit's notes still go to the dialog service, which does not block then.
    void ExpectLoaderAskedNothing() {
        for (const TDialogRequest& request : TDialogService::Instance().Requests()) {
            EXPECT_EQ(request.buttons, mbOK) << request.text;
            for (const char* own : {"Could not unzip file: ", "Error - file is to small", "The file is too big!",
                                    "Warning - your input data file", "Do you want to save files"})
                EXPECT_NE(request.text.rfind(own, 0), 0u) << request.text;
        }
    }

    void ExpectFailed() {
        EXPECT_EQ(host.StatusText, "Read cancelled or error while reading...");
        EXPECT_EQ(host.ViewTabs, std::vector<std::string>{"All"});
        EXPECT_EQ(state.Video->LineCount(), 0);
        EXPECT_EQ(state.DataLineCount, 0);
        EXPECT_TRUE(host.RecentFiles.empty());
        EXPECT_FALSE(state.Loading);
        EXPECT_TRUE(host.ControlsEnabled);
        EXPECT_FALSE(host.Busy);
    }

    // Every sample of the five channels equals what the writer put there.
    void ExpectStoredPass(int32_t lines, bool northbound) {
        ASSERT_EQ(state.Video->LineCount(), lines);
        ASSERT_EQ(state.Video->Width(), 2048);
        for (int channel = 1; channel <= 5; ++channel) {
            for (int32_t line = 0; line < lines; ++line) {
                const uint16_t* stored = state.Video->SampleAddress(channel, line);
                ASSERT_NE(stored, nullptr);
                for (int32_t sample = 0; sample < 2048; ++sample)
                    ASSERT_EQ(stored[sample], test::StoredSample(passSpec, lines, northbound, line, channel, sample))
                        << "channel " << channel << " line " << line << " sample " << sample;
            }
        }
    }

    void ExpectTelemetry(int32_t lines) {
        const TTelemetryData& telemetry = *state.TelemetryData;
        EXPECT_EQ(telemetry.FrameCount, lines);
        EXPECT_EQ(telemetry.GoodSyncCount, lines);
        for (int channel = 1; channel <= 5; ++channel)
            EXPECT_EQ(telemetry.SpaceCount(channel), passSpec.Space[static_cast<size_t>(channel - 1)]) << channel;
        for (int channel = 3; channel <= 5; ++channel)
            EXPECT_EQ(telemetry.TargetCount(channel), passSpec.Blackbody[static_cast<size_t>(channel - 3)]) << channel;
        EXPECT_TRUE(Contains(state.DiagnosticLines,
                             Format("Out of %d frames in the data,  %d had a valid first sync word (284 hex)", lines, lines)));
    }
};

TEST_F(PassLoaderTest, BigEndian16BitPassNorthbound) {
    settings.ForcedDirection = 1;
    const TBytes bytes = test::Build16BitHrptFile(passSpec, PassLines, false);
    const std::string path = Write("2023-05-03-1200_NOAA18.raw16", bytes);
    loader.LoadDataFile(path);

    EXPECT_EQ(state.InputFormatCode, 26);
    EXPECT_EQ(state.RecordSize, 22180);
    EXPECT_EQ(state.DataLineCount, PassLines);
    EXPECT_EQ(state.CentreLine, PassLines / 2);
    EXPECT_TRUE(state.Northbound);
    ExpectStoredPass(PassLines, true);
    ExpectTelemetry(PassLines);
    EXPECT_EQ(state.TelemetryData->SatelliteName, "NOAA 18");
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
    EXPECT_TRUE(state.Orbit->ElementsValid);
    EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(2023, 1, 1));

    EXPECT_EQ(state.PassDescription.rfind("2023-05-03-1200_NOAA18; NOAA-18; 2023-05-03; 12:00-12:00; ", 0), 0u)
        << state.PassDescription;
    EXPECT_EQ(ProcessedList(), state.PassDescription + "\r\n");
    EXPECT_EQ(host.RecentFiles, std::vector<std::string>{path});
    EXPECT_EQ(host.SelectedView, "False colour");
    EXPECT_EQ(host.ViewTabs.size(), 6u + 15u);
    EXPECT_EQ(host.WindowCaption, "Talvessa - 2023-05-03-1200_NOAA18 (16 bit raw HRPT format)");
    EXPECT_EQ(test::ReadFileBytes(path), bytes) << "the input is never modified";
    EXPECT_EQ(settings.DataFolder, (folder / "data").string() + "/");
    EXPECT_EQ(RequestTexts(), "") << "an unattended load asks nothing";

    loader.LoadDataFile(path);
    EXPECT_EQ(ProcessedList(), state.PassDescription + "\r\n") << "a second load adds no second line";
}

// A NOAA-15 pass with known calibration words: the channel 3, 4 and 5
// temperatures of the loaded pass are those the calibration equations give
// for its blackbody thermometer, blackbody and space counts.
TEST_F(PassLoaderTest, Noaa15PassIsCalibratedFromItsOwnWords) {
    WriteArchive("NOAA-15", 25338);
    passSpec.SpacecraftId = 7;
    passSpec.Prt = {512, 498, 505, 520};
    passSpec.Blackbody = {870, 380, 376};
    passSpec.Space = {40, 39, 992, 996, 998};
    settings.ForcedDirection = 2;
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA15.raw16", test::Build16BitHrptFile(passSpec, PassLines, false)));
    ASSERT_EQ(state.DataLineCount, PassLines);
    EXPECT_EQ(state.TelemetryData->SatelliteName, "NOAA 15");
    EXPECT_EQ(state.Sensor->SatelliteId(), 7);

    const test::Counts counts{{512, 498, 505, 520}, 870, 992, 380, 996, 376, 998};
    const test::Expected expected = test::RefCalibration(test::Satellites()[7], counts);
    EXPECT_NEAR(state.TelemetryData->BlackbodyTemp, static_cast<double>(expected.prtTemperature), 1e-9);
    const TSensor& sensor = *state.Sensor;
    ASSERT_NE(sensor.ThermalTable4(), nullptr);
    for (int count = 0; count < 1024; ++count) {
        ASSERT_NEAR(sensor.ThermalTable3()[count], static_cast<double>(expected.t3[count]), 1e-6) << count;
        ASSERT_NEAR(sensor.ThermalTable4()[count], static_cast<double>(expected.t4[count]), 1e-6) << count;
        ASSERT_NEAR(sensor.ThermalTable5()[count], static_cast<double>(expected.t5[count]), 1e-6) << count;
    }
    EXPECT_NE(state.TelemetryData->TargetValuesText().find(
                  Format("=> apparent ch4 blackbody temp = %.2f K", static_cast<double>(expected.t4[380]))),
              std::string::npos)
        << state.TelemetryData->TargetValuesText();
}

// A pass shorter than the telemetry's averaging window is calibrated from
// the words its few frames carry, not from assumed values.
TEST_F(PassLoaderTest, AShortPassIsCalibratedFromItsOwnFewFrames) {
    WriteArchive("NOAA-15", 25338);
    passSpec.SpacecraftId = 7;
    passSpec.Prt = {512, 498, 505, 520};
    passSpec.Blackbody = {870, 380, 376};
    passSpec.Space = {40, 39, 992, 996, 998};
    settings.ForcedDirection = 2;
    constexpr int32_t ShortPass = 16;
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA15.raw16", test::Build16BitHrptFile(passSpec, ShortPass, false)));
    ASSERT_EQ(state.DataLineCount, ShortPass);
    const TTelemetryData& telemetry = *state.TelemetryData;
    EXPECT_EQ(telemetry.SatelliteName, "NOAA 15");
    for (int channel = 3; channel <= 5; ++channel) {
        EXPECT_EQ(telemetry.TargetCount(channel), passSpec.Blackbody[static_cast<size_t>(channel - 3)]) << channel;
        EXPECT_EQ(telemetry.SpaceCount(channel), passSpec.Space[static_cast<size_t>(channel - 1)]) << channel;
    }
    const test::Counts counts{{512, 498, 505, 520}, 870, 992, 380, 996, 376, 998};
    const test::Expected expected = test::RefCalibration(test::Satellites()[7], counts);
    EXPECT_NEAR(telemetry.BlackbodyTemp, static_cast<double>(expected.prtTemperature), 1e-9);
    EXPECT_NEAR(state.Sensor->ThermalTable4()[500], static_cast<double>(expected.t4[500]), 1e-6);
    EXPECT_TRUE(Contains(state.DiagnosticLines, "Telemetry from only 16 synchronised frames"));
}

TEST_F(PassLoaderTest, WsdPassWithItsOwnElements) {
    fs::remove(folder / "program" / "Keps" / "NOAA-18.txt");
    settings.ForcedDirection = 1;
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    loader.LoadDataFile(Write("230503_1200_noaa18.wsd", test::BuildWsdFile(passSpec, PassLines, set.Line1, set.Line2)));
    EXPECT_EQ(state.InputFormatCode, 39);
    EXPECT_EQ(state.HeaderLength, 1024);
    EXPECT_EQ(state.EarthLocations->EmbeddedTleLine1, set.Line1);
    EXPECT_EQ(state.EarthLocations->EmbeddedTleLine2, set.Line2);
    ExpectStoredPass(PassLines, true);
    EXPECT_EQ(state.Orbit->MainElementSource, "embedded Keplers in source data");
    // The loader has every line located and the map fitted to the image.
    const TEarthLocations& locations = *state.EarthLocations;
    EXPECT_TRUE(locations.LocationsValid);
    EXPECT_TRUE(locations.MapFitted);
    EXPECT_NEAR(locations.StartTime, EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 0, 0), 1.0 / 1440);
    EXPECT_EQ(locations.PassName("yyyymmdd"), "n18-20230503");
}

TEST_F(PassLoaderTest, EmptyAndTooSmallFiles) {
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", {}));
    ExpectFailed();
    EXPECT_TRUE(Contains(state.DiagnosticLines, "File is too small to determine the data type"));
    EXPECT_TRUE(Contains(state.DiagnosticLines, "File too small"));

    settings.Unattended = false;
    const TBytes oneLine = test::Build16BitHrptFile(passSpec, 1, false);
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", oneLine));
    ExpectFailed();
    EXPECT_EQ(TDialogService::Instance().Requests().front().text,
              "Error - file is to small to determine the data type.  At least 176600 bytes are required.");
}

TEST_F(PassLoaderTest, TruncatedAndPaddedFilesReadTheirWholeRecords) {
    settings.ForcedDirection = 2;
    TBytes bytes = test::Build16BitHrptFile(passSpec, PassLines, false);
    const TBytes cut(bytes.begin(), bytes.end() - 22180 / 2);
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", cut));
    EXPECT_EQ(state.DataLineCount, PassLines - 1);
    ExpectStoredPass(PassLines - 1, false);
    bytes.insert(bytes.end(), 5000, 0xFF);
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", bytes));
    EXPECT_EQ(state.DataLineCount, PassLines);
}

// Loads a copy of a pass file and checks that the load either holds the
// lines of the copy or ended through the failure handler, that an
// unattended load asked nothing and that the copy is as it was.
// expectedLines < 0: the copy is damaged and either outcome may come.
void PassLoaderTest::LoadCopy(const std::string& name, const TBytes& bytes, int64_t expectedLines) {
    const std::string path = Write(name, bytes);
    host.RecentFiles.clear();
    TDialogService::Instance().ClearScript();
    loader.LoadDataFile(path);
    const bool loaded = host.StatusText != "Read cancelled or error while reading...";
    if (expectedLines >= 0) {
        EXPECT_EQ(loaded ? state.DataLineCount : 0, expectedLines < 2 ? 0 : expectedLines);
    }
    if (loaded) {
        EXPECT_GE(state.DataLineCount, 2);
        EXPECT_EQ(state.Video->LineCount(), state.DataLineCount);
        EXPECT_EQ(host.RecentFiles.size(), 1u);
        EXPECT_FALSE(state.Loading);
        EXPECT_FALSE(host.Busy);
    } else {
        ExpectFailed();
    }
    if (settings.Unattended) ExpectLoaderAskedNothing();
    EXPECT_EQ(test::ReadFileBytes(path), bytes) << "the input is never modified";
}

std::vector<TPassFileKind> PassLoaderTest::PassFileKinds(int32_t lines) {
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    return {{"2023-05-03-1200_NOAA18.raw16", test::Build16BitHrptFile(passSpec, lines, false), 26, 0, 22180},
            {"2023-05-03-1201_NOAA18.raw16", test::Build16BitHrptFile(passSpec, lines, true), 26, 0, 22180},
            {"2023-05-03-1200_NOAA18.hmf", test::Build16BitHrptFile(passSpec, lines, false, true), 26, 22180, 22180},
            {"2023-05-03-1200_NOAA18.hrpt", test::Build16BitHrptFile(passSpec, lines, true, false, 22528), 26, 0, 22528},
            {"2023-05-03-1200_noaa18.n10", test::BuildN10File(passSpec, lines), 21, 0, 13864},
            {"230503_1200_noaa18.wsd", test::BuildWsdFile(passSpec, lines, set.Line1, set.Line2), 39, 1024, 13864},
            {"2023-05-03-1200_NOAA18.hpt", test::BuildEssFile(passSpec, lines), 5, 0, 13864},
            {"hrpt_20230503_1200_no18.native", test::BuildEssFile(passSpec, lines, 3000), 5, 3000, 13864}};
}

// Every kind of file stores every sample the writer put there, with its
// telemetry and its processed-pass line.
TEST_F(PassLoaderTest, EveryKindOfFileStoresTheWritersSamples) {
    settings.ForcedDirection = 2;
    for (const TPassFileKind& file : PassFileKinds(PassLines)) {
        SCOPED_TRACE(file.Name);
        fs::remove(folder / "program" / "processed.lst");
        LoadCopy(file.Name, file.Bytes, PassLines);
        EXPECT_EQ(state.InputFormatCode, file.Code);
        EXPECT_EQ(state.HeaderLength, file.HeaderBytes);
        EXPECT_EQ(state.RecordSize, file.RecordBytes);
        EXPECT_FALSE(state.Northbound);
        EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
        ExpectStoredPass(PassLines, false);
        ExpectTelemetry(PassLines);
        EXPECT_EQ(ProcessedList(), state.PassDescription + "\r\n");
    }
}

// Hostile copies, made by a fixed random sequence: cut anywhere, bits flipped
// in the header and the frames, under another name or extension, packed with
// gzip and cut again, read unattended or interactively.
TEST_F(PassLoaderTest, HostileCopiesEndCleanly) {
    const std::vector<TPassFileKind> kinds = PassFileKinds(14);
    const std::vector<std::string> extensions = {"",     ".dat", ".lac",   ".raw", ".hpt",  ".n10", ".c10",
                                                 ".s10", ".wsd", ".raw16", ".hmf", ".hrpt", ".native", ".img",
                                                 ".mn2", ".msu2", ".rhd",  ".fy1c", ".gc",  ".gaca", ".hrp8"};
    const std::string nameCharacters = "0123456789_-ANOhrpt";
    std::mt19937 random(20240517);
    const auto below = [&random](int64_t n) { return n > 0 ? static_cast<int64_t>(random() % static_cast<uint64_t>(n)) : 0; };
    for (int run = 0; run < 280; ++run) {
        const TPassFileKind& kind = kinds[static_cast<size_t>(run) % kinds.size()];
        TBytes bytes = kind.Bytes;
        std::string name = kind.Name;
        settings.Unattended = below(2) == 0;
        bool damaged = false;
        if (below(2) == 0) bytes.resize(static_cast<size_t>(below(static_cast<int64_t>(bytes.size()) + 1)));
        for (int64_t flips = below(9); flips > 0 && !bytes.empty(); --flips) {
            // Half of the flips hit the header, where the format and the geometry are read.
            const int64_t span = below(2) == 0 ? std::min<int64_t>(2048, static_cast<int64_t>(bytes.size()))
                                               : static_cast<int64_t>(bytes.size());
            bytes[static_cast<size_t>(below(span))] ^= static_cast<uint8_t>(1u << below(8));
            damaged = true;
        }
        if (below(5) == 0) {
            name[static_cast<size_t>(below(static_cast<int64_t>(name.find('.'))))] =
                nameCharacters[static_cast<size_t>(below(static_cast<int64_t>(nameCharacters.size())))];
            damaged = true;
        }
        if (below(4) == 0) {
            name = ChangeFileExt(name, extensions[static_cast<size_t>(below(static_cast<int64_t>(extensions.size())))]);
            damaged = true;
        }
        const int64_t lines = damaged || (settings.Unattended && bytes.size() < HeaderBufferSize)
                                  ? -1
                                  : kind.LinesIn(static_cast<int64_t>(bytes.size()));
        SCOPED_TRACE("run " + std::to_string(run) + ": " + name + ", " + std::to_string(bytes.size()) + " bytes" +
                     (settings.Unattended ? ", unattended" : ""));
        if (below(6) == 0) {
            TBytes packed = test::GzipBytes(bytes);
            if (below(2) == 0) packed.resize(static_cast<size_t>(below(static_cast<int64_t>(packed.size()) + 1)));
            LoadCopy(name + ".gz", packed, -1);
        } else {
            LoadCopy(name, bytes, lines);
        }
    }
}

// Refused and unidentified files end through the failure handler with
// nothing of an earlier header; frames under a wrong 10-bit name load as noise.
TEST_F(PassLoaderTest, WrongExtensionsEndCleanly) {
    const TBytes bigEndian = test::Build16BitHrptFile(passSpec, PassLines, false);
    const TBytes littleEndian = test::Build16BitHrptFile(passSpec, PassLines, true);
    TBytes amsu = littleEndian;
    std::memcpy(amsu.data() + 30, "NSS.AMSU", 8);
    const struct {
        const char* Name;
        const TBytes& Bytes;
        int Code;
        const char* Logged;
    } refused[] = {{"2023-05-03-1200_NOAA18.dat", littleEndian, 0,
                    "The data format of \"2023-05-03-1200_NOAA18.dat\" was not recognised (extension \".dat\")"},
                   {"2023-05-03-1200_NOAA18.lac", littleEndian, 8, "not LAC (1), GAC (2) or HRPT (3)"},
                   {"2023-05-03-1200_NOAA18.l1b", amsu, 0, "Level-1B data must be HRPT, GAC or LAC format"}};
    for (const auto& file : refused) {
        SCOPED_TRACE(file.Name);
        settings.ForcedDirection = 1;
        LoadCopy("2023-05-03-1200_NOAA18.raw16", bigEndian, PassLines);
        LoadCopy(file.Name, file.Bytes, 0);
        EXPECT_EQ(state.InputFormatCode, file.Code);
        EXPECT_EQ(state.LoadedFileName, "2023-05-03-1200_NOAA18");
        // Nothing of the earlier pass's header survives.
        EXPECT_EQ(state.RecordSize, 0);
        EXPECT_EQ(state.EarthLocations->BaseDate, 0);
        EXPECT_FALSE(state.PackedInput);
        EXPECT_FALSE(state.Northbound);
        EXPECT_TRUE(Contains(state.DiagnosticLines, file.Logged));
    }
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.n10", bigEndian));
    EXPECT_EQ(state.InputFormatCode, 21);
    EXPECT_EQ(state.Video->LineCount(), state.DataLineCount) << "garbage frames load without harm";
}

TEST_F(PassLoaderTest, StopBetweenLinesLeavesNoHalfPass) {
    host.OnPendingEvents = [&] {
        if (host.ProgressPosition >= 100) state.AbortRequested = true;
    };
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", test::Build16BitHrptFile(passSpec, PassLines, false)));
    ExpectFailed();
    EXPECT_TRUE(ProcessedList().empty());
}

// A recorder or a sync tool may rewrite the file while it is read: the
// zeros past its new end are no lines of the pass, and the load says so.
TEST_F(PassLoaderTest, AFileCutShortWhileItIsReadGivesNoMadeUpLine) {
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    const int32_t lines = 1200;
    const TBytes whole = test::BuildWsdFile(passSpec, lines, set.Line1, set.Line2);
    const std::string path = Write("240503_1200_noaa18.wsd", whole);
    host.OnPendingEvents = [&] {
        if (host.ProgressPosition == 300) fs::resize_file(path, whole.size() / 10);
    };
    loader.LoadDataFile(path);
    ExpectFailed();
    EXPECT_NE(state.LoadFailure.find("The file was cut short while it was read (now " +
                                     std::to_string(whole.size() / 10) + " of " + std::to_string(whole.size()) + " bytes)"),
              std::string::npos)
        << state.LoadFailure;
    EXPECT_TRUE(ProcessedList().empty());

    // Emptied before its first line: whatever the zeros made fail, the cut is why.
    test::WriteFileBytes(path, whole);
    host.OnPendingEvents = [&] { fs::resize_file(path, 0); };
    loader.LoadDataFile(path);
    ExpectFailed();
    EXPECT_EQ(state.LoadFailure.rfind("The file was cut short while it was read (now 0 of ", 0), 0u) << state.LoadFailure;

    // Cut and written again whole while it is read (as a sync tool replaces it in place): it changed.
    host.OnPendingEvents = [&] {
        if (host.ProgressPosition == 300) fs::resize_file(path, 0);
        if (host.ProgressPosition == 600) test::WriteFileBytes(path, whole);
    };
    test::WriteFileBytes(path, whole);
    loader.LoadDataFile(path);
    ExpectFailed();
    EXPECT_EQ(state.LoadFailure.rfind("The file changed while it was read", 0), 0u) << state.LoadFailure;

    // Cut before it is opened, the file is what it holds; read whole, it loads whole.
    host.OnPendingEvents = nullptr;
    test::WriteFileBytes(path, TBytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 10)));
    loader.LoadDataFile(path);
    EXPECT_EQ(state.DataLineCount, (static_cast<int64_t>(whole.size() / 10) - 1024) / 13864);
    loader.LoadDataFile(Write("240503_1200_noaa18.wsd", whole));
    EXPECT_EQ(state.DataLineCount, lines);
    EXPECT_TRUE(state.LoadFailure.empty());
}

// A name without a date leaves the direction a guess, northbound; the earth
// locations find the pass southbound and it is turned round. A direction
// the command line gives stands.
TEST_F(PassLoaderTest, AGuessedDirectionFollowsTheEarthLocations) {
    const std::string path = Write("2023_pass_noaa18.raw16", test::Build16BitHrptFile(passSpec, PassLines, false));
    loader.LoadDataFile(path);
    ASSERT_TRUE(state.EarthLocations->LocationsValid);
    EXPECT_FALSE(state.EarthLocations->Northbound);
    EXPECT_FALSE(state.Northbound);
    EXPECT_TRUE(Contains(state.DiagnosticLines, "The pass was read as northbound, but its earth locations show it "
                                                "southbound: it has been turned round"));
    ExpectStoredPass(PassLines, false);
    EXPECT_EQ(state.PassDescription.back(), 'S');
    // The locations were turned with the store: a southbound pass starts in the north.
    EXPECT_GT(state.EarthLocations->LineLocations(0)->Anchors[25].Latitude,
              state.EarthLocations->LineLocations(PassLines - 1)->Anchors[25].Latitude);

    settings.ForcedDirection = 1;
    loader.LoadDataFile(path);
    EXPECT_TRUE(state.Northbound);
    ExpectStoredPass(PassLines, true);
}

TEST_F(PassLoaderTest, WsdFilesProposeTheDirectionOfTheirOwnElements) {
    fs::remove(folder / "program" / "Keps" / "NOAA-18.txt");
    settings.Unattended = false;
    const test::TElementLines set = test::MakeElementLines(28654, 2023, 123.4, 98.9, 150.0, 0.0, 14.125, 30000);
    loader.LoadDataFile(Write("230503_1200_noaa18.wsd", test::BuildWsdFile(passSpec, PassLines, set.Line1, set.Line2)));
    ASSERT_EQ(host.DirectionRequests.size(), 1u);
    EXPECT_FALSE(host.DirectionRequests[0].Northbound);
    EXPECT_FALSE(state.Northbound);
    EXPECT_FALSE(Contains(state.DiagnosticLines, "turned round"));
    ExpectStoredPass(PassLines, false);
}

// An ESS name says NOAA-18: the spacecraft id it shares with MetOp-C does not
// make it MetOp-C after MetOp-C's launch.
TEST_F(PassLoaderTest, ANamedNoaaSatelliteIsNotTakenForTheMetopSharingItsId) {
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.hpt", test::BuildEssFile(passSpec, PassLines)));
    EXPECT_EQ(state.TelemetryData->SatelliteName, "NOAA 18");
    EXPECT_EQ(state.Sensor->SatelliteId(), 10);
    EXPECT_FALSE(fs::exists(folder / "program" / "METOP-C.ini"));
    EXPECT_FALSE(fs::exists(folder / "user" / "Kestrune" / "METOP-C.ini"));
}

// Nothing in the name: neither the previous pass's satellite nor the list's
// first entry, but the telemetry's; the year of the file's date is reported.
TEST_F(PassLoaderTest, AFileWithoutSatelliteHintsTakesTheTelemetrysSatellite) {
    WriteArchive("NOAA-15", 25338);
    passSpec.SpacecraftId = 7;
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA15.raw16", test::Build16BitHrptFile(passSpec, PassLines, false)));
    ASSERT_EQ(state.Orbit->SatelliteName, "NOAA-15");
    passSpec.SpacecraftId = 13;
    loader.LoadDataFile(Write("pass.hpt", test::BuildEssFile(passSpec, PassLines)));
    EXPECT_EQ(state.DataLineCount, PassLines);
    EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
    EXPECT_TRUE(Contains(state.DiagnosticLines, "The pass is dated by the file's date (" +
                                                    FormatDateTime("yyyy-mm-dd", GetFileDate((folder / "data" / "pass.hpt").string())) +
                                                    "): neither its name nor its header gives one"));
}

// Files without frames fail, say why, and add nothing to "processed.lst".
TEST_F(PassLoaderTest, FilesWithoutFramesFailAndAreNotListed) {
    std::mt19937 random(11);
    TBytes noise(static_cast<size_t>(PassLines) * 22180);
    for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
    const struct {
        const char* Name;
        TBytes Bytes;
    } files[] = {{"2023-05-03-1200_NOAA18.hpt", TBytes(static_cast<size_t>(PassLines) * 13864, 0)},
                 {"2023-05-03-1200_NOAA18.raw16", noise},
                 {"2023-05-03-1200_noaa18.n10", test::Build16BitHrptFile(passSpec, PassLines, false)}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.Name);
        LoadCopy(file.Name, file.Bytes, 0);
        EXPECT_TRUE(Contains(state.DiagnosticLines, "valid first sync word (284 hex): the file holds no readable"));
        EXPECT_TRUE(ProcessedList().empty());
    }
}

// A pass that cannot be located takes nothing of the pass before it into
// "processed.lst": neither its times nor its direction.
TEST_F(PassLoaderTest, APassWithoutLocationsTakesNothingOfThePassBefore) {
    settings.ForcedDirection = 2;
    passSpec.StartMilliseconds = (12 * 60 + 50) * 60000LL;  // half an orbit on: northbound
    loader.LoadDataFile(Write("2023-05-03-1250_NOAA18.raw16", test::Build16BitHrptFile(passSpec, PassLines, false)));
    ASSERT_TRUE(state.EarthLocations->Northbound);
    const std::string listed = ProcessedList();
    ASSERT_FALSE(listed.empty());
    fs::remove(folder / "program" / "Keps" / "NOAA-18.txt");
    loader.LoadDataFile(Write("2023-05-03-1300_NOAA18.raw16", test::Build16BitHrptFile(passSpec, PassLines, false)));
    EXPECT_EQ(state.DataLineCount, PassLines);
    EXPECT_EQ(state.PassDescription, "2023-05-03-1300_NOAA18; NOAA-18; 12345; S; (orbit information not available)");
    EXPECT_EQ(ProcessedList(), listed);
}

TEST_F(PassLoaderTest, ManyBadFramesAreLoggedInAnUnattendedRun) {
    TBytes bytes = test::Build16BitHrptFile(passSpec, PassLines, false);
    for (size_t line = 0; line < PassLines; line += 2) bytes[line * 22180] ^= 0xFF;
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", bytes));
    EXPECT_EQ(state.DataLineCount, PassLines);
    EXPECT_TRUE(Contains(state.DiagnosticLines, "Warning - this data file has a very large number of bad frames"));
    EXPECT_EQ(RequestTexts(), "");
}

// A damaged first word or a fill frame at the start does not decide the word order.
TEST_F(PassLoaderTest, WordOrderFromTheSyncWordsOfSeveralFrames) {
    settings.ForcedDirection = 2;
    TBytes bytes = test::Build16BitHrptFile(passSpec, PassLines, true);
    bytes[0] = 0x02;
    bytes[1] = 0x84;
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", bytes));
    ExpectStoredPass(PassLines, false);

    const std::span<const uint8_t> file(bytes);
    EXPECT_TRUE(FramesAreLittleEndian(file, 0, 22180));
    TBytes filled(22180, 0);
    filled.insert(filled.end(), bytes.begin() + 22180, bytes.end());
    EXPECT_TRUE(FramesAreLittleEndian(filled, 0, 22180));
    const TBytes bigEndian = test::Build16BitHrptFile(passSpec, 40, false);
    EXPECT_FALSE(FramesAreLittleEndian(bigEndian, 0, 22180));
    EXPECT_TRUE(FramesAreLittleEndian(TBytes{0x84, 0x02, 0, 0}, 0, 22180)) << "no whole frame: the first bytes decide";
}

TEST_F(PassLoaderTest, APassAcrossNewYearsMidnightDatesEachLineInItsOwnYear) {
    passSpec.DayOfYear = 365;
    passSpec.StartMilliseconds = (23 * 3600 + 59 * 60 + 50) * 1000LL;
    settings.ForcedDirection = 2;
    // Named by its December start or by its January part.
    for (const char* name : {"2022-12-31-2359_NOAA18.raw16", "2023-01-01-0000_NOAA18.raw16"}) {
        SCOPED_TRACE(name);
        loader.LoadDataFile(Write(name, test::Build16BitHrptFile(passSpec, PassLines, false)));
        const TEarthLocations& locations = *state.EarthLocations;
        ASSERT_TRUE(locations.LocationsValid);
        EXPECT_NEAR(locations.StartTime, EncodeDate(2022, 12, 31) + EncodeTime(23, 59, 50, 0), 1.0 / 86400);
        EXPECT_NEAR(locations.EndTime, EncodeDate(2023, 1, 1) + EncodeTime(0, 0, 30, 0), 1.0 / 86400);
        EXPECT_TRUE(Contains(state.DiagnosticLines, "The pass crosses midnight of 31 December"));
    }
}

TEST_F(PassLoaderTest, AProcessedListThatCannotBeWrittenCostsOnlyItsLine) {
    fs::create_directories(folder / "program" / "processed.lst");  // a folder stands where the list would go
    settings.ForcedDirection = 2;
    loader.LoadDataFile(Write("2023-05-03-1200_NOAA18.raw16", test::Build16BitHrptFile(passSpec, PassLines, false)));
    EXPECT_EQ(state.DataLineCount, PassLines);
    EXPECT_EQ(host.RecentFiles.size(), 1u);
    EXPECT_TRUE(Contains(state.DiagnosticLines, "Could not add the pass to processed.lst: "));
}

// A list that had to go to the user's folder is not forgotten when the
// program's folder takes the list again: the lines of both are kept.
TEST_F(PassLoaderTest, TheProcessedListOfTheUsersFolderKeepsItsLines) {
    const fs::path beside = folder / "program" / "processed.lst";
    const fs::path mine = folder / "user" / "Kestrune" / "processed.lst";
    fs::create_directories(beside);
    const TProcessedLineWrite elsewhere = AddProcessedLine("240101_0000_noaa18; NOAA 18");
    EXPECT_EQ(elsewhere.Path, mine.string());
    EXPECT_FALSE(elsewhere.BesideFailure.empty());
    fs::remove(beside);
    const TProcessedLineWrite home = AddProcessedLine("231231_2359_noaa19; NOAA 19");
    EXPECT_EQ(home.Path, beside.string());
    EXPECT_TRUE(home.BesideFailure.empty());
    EXPECT_EQ(ProcessedList(), "231231_2359_noaa19; NOAA 19\r\n240101_0000_noaa18; NOAA 18\r\n");

    // Nowhere to go: told as an error, and neither list changes.
    fs::remove(mine);
    fs::create_directories(mine);
    fs::rename(beside, folder / "program" / "processed.old");
    fs::create_directories(beside);
    EXPECT_THROW(AddProcessedLine("240102_0000_noaa15; NOAA 15"), EWriteError);
    EXPECT_TRUE(fs::is_empty(beside));
}

// A list in the program's folder that can be written but not read, or read
// but not written, is never replaced: the line goes to the user's folder
// with whatever of the list could be read, and the list stays as it was.
TEST_F(PassLoaderTest, AProcessedListThatCannotBeReadOrWrittenIsLeftAsItWas) {
    const fs::path beside = folder / "program" / "processed.lst";
    const fs::path mine = folder / "user" / "Kestrune" / "processed.lst";
    const std::string kept = "230501_0800_noaa19; NOAA 19; 2023-05-01; 08:00-08:14; 62; 9; 60; 31; 38; 3; 36; 22; N\r\n"
                             "230502_1910_noaa18; NOAA 18; 2023-05-02; 19:10-19:24; 40; -20; 42; 10; 66; -35; 70; 5; S\r\n";
    const std::string line = "230503_1200_noaa18; NOAA 18; 2023-05-03; 12:00-12:14; 62; 9; 60; 31; 38; 3; 36; 22; N";
    struct TListCase {
        fs::perms Mode;
        const char* Told;  // in why the program's folder did not take the line
        std::string Mine;  // the user's list after
    };
    const std::vector<TListCase> cases{
        {fs::perms::owner_write, "processed.lst cannot be read: Permission denied: it is left as it is", line + "\r\n"},
        {fs::perms::owner_read, "processed.lst: Permission denied", kept + line + "\r\n"},  // told, as every line sent elsewhere
    };
    const auto read = [](const fs::path& list) {
        const TBytes bytes = test::ReadFileBytes(list.string());
        return std::string(bytes.begin(), bytes.end());
    };
    for (const TListCase& listCase : cases) {
        fs::remove_all(folder / "user");
        fs::create_directories(folder / "runtime");
        test::WriteFileBytes(beside.string(), TBytes(kept.begin(), kept.end()));
        fs::permissions(beside, listCase.Mode);
        const std::string report = testing::RunUnprivileged(folder.string(), [&] {
            setenv("XDG_RUNTIME_DIR", (folder / "runtime").c_str(), 1);  // the list's lock, in a folder of this user's
            std::string problems;
            const TProcessedLineWrite written = AddProcessedLine(line);
            if (written.Path != mine.string()) problems += "written to " + written.Path + "; ";
            if (written.BesideFailure.find(listCase.Told) == std::string::npos) problems += "told " + written.BesideFailure + "; ";
            fs::permissions(beside, fs::perms::owner_read | fs::perms::owner_write);
            if (read(beside) != kept) problems += "the list beside the program changed; ";
            if (read(mine) != listCase.Mine) problems += "the user's list is not as expected; ";
            return problems;
        });
        EXPECT_EQ(report, "") << static_cast<int>(listCase.Mode);
    }
}

// A packed pass in a folder the user cannot write to is unpacked into a
// private temporary folder, which goes with the load; the recent-file list
// keeps the packed file.
TEST_F(PassLoaderTest, APackedPassInAReadOnlyFolderIsUnpackedPrivately) {
    const std::string path =
        Write("2023-05-03-1200_NOAA18.raw16.gz", test::GzipBytes(test::Build16BitHrptFile(passSpec, PassLines, false)));
    fs::create_directories(folder / "tmp");
    const std::string report = testing::RunUnprivileged(folder.string(), [&] {
        setenv("TMPDIR", (folder / "tmp").c_str(), 1);
        fs::permissions(folder / "data", fs::perms::owner_read | fs::perms::owner_exec);
        loader.LoadDataFile(path);
        std::string problems;
        if (state.DataLineCount != PassLines) problems += "not loaded; ";
        if (host.RecentFiles != std::vector<std::string>{path}) problems += "the packed file is not the recent file; ";
        if (fs::exists(ChangeFileExt(path, ""))) problems += "unpacked beside; ";
        if (!fs::is_empty(folder / "tmp")) problems += "the temporary folder stayed; ";
        return problems;
    });
    EXPECT_EQ(report, "");
}

TEST(ParseNudgeEntryTest, NumbersAndDate) {
    int32_t x = 9, y = 9;
    TDateTime date = 0;
    EXPECT_TRUE(ParseNudgeEntry("PASS 4 -2", x, y, date));
    EXPECT_EQ(x, 4);
    EXPECT_EQ(y, -2);
    EXPECT_EQ(date, 0);
    EXPECT_FALSE(ParseNudgeEntry("PASS 4", x, y, date)) << "a name and one number set nothing";
    EXPECT_EQ(x, 4);
    EXPECT_TRUE(ParseNudgeEntry("  PASS 1 2 2015-04-05 10:11:12  ", x, y, date));
    EXPECT_EQ(date, EncodeDate(2015, 4, 5) + EncodeTime(10, 11, 12, 0));
    EXPECT_FALSE(ParseNudgeEntry("PASS 1 2 2015-13-05 10:11:12", x, y, date));
    EXPECT_FALSE(ParseNudgeEntry("PASS X 2", x, y, date));
    EXPECT_FALSE(ParseNudgeEntry("", x, y, date));
}

TEST(ProcessedListTest, SortedWithoutDuplicatesCaseIgnored) {
    const fs::path folder = fs::temp_directory_path() / ("kestrune-processed-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    setenv("XDG_DATA_HOME", (folder / "user").c_str(), 1);
    SetProgramFolderOverride(folder.string());
    AddProcessedLine("b; NOAA-18");
    AddProcessedLine("a; NOAA-19");
    AddProcessedLine("B; NOAA-18");
    AddProcessedLine("c; NOAA-15");
    const TBytes bytes = test::ReadFileBytes((folder / "processed.lst").string());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "a; NOAA-19\r\nb; NOAA-18\r\nc; NOAA-15\r\n");
    SetProgramFolderOverride("");
    fs::remove_all(folder);
}

}  // namespace
}  // namespace kestrune
