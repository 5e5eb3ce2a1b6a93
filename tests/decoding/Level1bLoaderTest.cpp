// Level 1b, AAPP, L1F and 10B files written by the tests' own writers go
// through the whole loader: each branch must give back the samples, line
// times, earth locations and calibration the writer put in, and every
// damaged file must end through the failure path with a message.
#include "decoding/PassLoader.h"

#include "decoding/HRPTvideo.h"
#include "decoding/HeadlessHost.h"
#include "decoding/L1FTenB.h"
#include "decoding/Sensor.h"
#include "decoding/Telemetry.h"
#include "orbit/EarthLocations.h"
#include "orbit/MapWithWarp.h"
#include "orbit/Orbits.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/ProgramFolder.h"
#include "tests/support/Level1bWriter.h"
#include "tests/support/LoaderTest.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using test::TBytes;
using test::TL1BPassSpec;

class Level1bLoaderTest : public test::TLoaderTest {
protected:
    void SetUp() override {
        TLoaderTest::SetUp();
        settings.ForcedDirection = 2;  // stored as written; the direction tests choose their own
    }

    std::string Load(const std::string& name, const TBytes& bytes) {
        const std::string path = Write(name, bytes);
        loader.LoadDataFile(path);
        return path;
    }

    // Samples of every stored channel: mismatches counted, the first reported.
    void ExpectSamples(int32_t lines, int channels, const std::function<uint16_t(int32_t, int, int32_t)>& expected) {
        ASSERT_EQ(state.Video->LineCount(), lines);
        int64_t wrong = 0;
        std::string first;
        for (int channel = 1; channel <= channels; ++channel)
            for (int32_t line = 0; line < lines; ++line) {
                const uint16_t* stored = state.Video->SampleAddress(channel, line);
                ASSERT_NE(stored, nullptr);
                for (int32_t sample = 0; sample < state.Video->Width(); ++sample) {
                    if (stored[sample] == expected(line, channel, sample)) continue;
                    if (wrong++ == 0)
                        first = Format("channel %d line %d sample %d: %d, expected %d", channel, line, sample,
                                       stored[sample], expected(line, channel, sample));
                }
            }
        EXPECT_EQ(wrong, 0) << first;
    }

    void ExpectL1BPass(const TL1BPassSpec& passSpec) {
        EXPECT_EQ(state.ImageWidth, test::L1BWidth(passSpec));
        EXPECT_EQ(state.ChannelCount, passSpec.Channels);
        ExpectSamples(test::L1BLines(passSpec), passSpec.Channels, [&](int32_t line, int channel, int32_t sample) {
            return test::L1BSample(passSpec, line, channel, sample);
        });
        for (int channel = 1; channel <= 5; ++channel)
            EXPECT_EQ(state.TelemetryData->SpaceCount(channel), passSpec.Frames.Space[static_cast<size_t>(channel - 1)]);
    }

    // Locations and times of the file's own records, after the loader's location step.
    void ExpectLocationsAndTimes(const TL1BPassSpec& passSpec, double tolerance) {
        const TEarthLocations& locations = *state.EarthLocations;
        ASSERT_EQ(locations.LineCount(), test::L1BLines(passSpec));
        for (int32_t line = 0; line < locations.LineCount(); line += 7) {
            const TScanLineLocations* record = locations.LineLocations(line);
            ASSERT_NE(record, nullptr);
            for (int k : {0, 25, 50}) {
                EXPECT_NEAR(record->Anchors[static_cast<size_t>(k)].Latitude, test::L1BLatitude(line, k), tolerance);
                EXPECT_NEAR(record->Anchors[static_cast<size_t>(k)].Longitude, test::L1BLongitude(line, k), tolerance);
            }
            EXPECT_NEAR(locations.LineTimes(line) * MSecsPerDay,
                        static_cast<double>(test::L1BLineMilliseconds(passSpec, line)), 1.0)
                << line;
        }
        const auto firstLine = static_cast<double>(test::L1BLineMilliseconds(passSpec, 0));
        EXPECT_NEAR(locations.StartTime, EncodeDate(2023, 5, 3) + firstLine / MSecsPerDay, 1e-6);
    }

    void ExpectRefused(const std::string& message) {
        EXPECT_EQ(host.StatusText, "Read cancelled or error while reading...");
        EXPECT_EQ(state.DataLineCount, 0);
        EXPECT_TRUE(Contains(state.DiagnosticLines, message)) << message;
    }
};

struct TBranchCase {
    const char* Title;
    std::string FileName;
    TL1BPassSpec PassSpec;
    int Code;  // after the load
    int32_t RecordSize;
    int64_t DataStart;
    const char* Format;  // the format line of the diagnostics
};

TL1BPassSpec PassSpec(bool older, bool gac, uint8_t kind, int channels = 5) {
    TL1BPassSpec passSpec;
    passSpec.Older = older;
    passSpec.Gac = gac;
    passSpec.SampleKind = kind;
    passSpec.Channels = channels;
    if (gac) passSpec.DataSetName = "NSS.GHRR.NN.D23123.S1200.E1210.B9012345.WI";
    if (older) passSpec.DataSetName.replace(9, 2, "NJ");
    passSpec.Frames.SpacecraftId = older ? 5 : 13;
    return passSpec;
}

TL1BPassSpec Without(TL1BPassSpec passSpec, int version = 2, int headerRecords = 1) {
    passSpec.ArchiveHeader = false;
    passSpec.Version = version;
    passSpec.HeaderRecords = headerRecords;
    return passSpec;
}

TL1BPassSpec Version3(TL1BPassSpec passSpec, int headerRecords) {
    passSpec.Version = 3;
    passSpec.HeaderRecords = headerRecords;
    return passSpec;
}

// Every header branch of the family, from the Parts' own examples.
TEST_F(Level1bLoaderTest, EveryBranchGivesBackWhatTheWriterPutIn) {
    const std::string named = "NSS.GHRR.NJ.D23123.S1200.E1210.B9012345.GC";
    TL1BPassSpec headerless = PassSpec(true, true, 2);
    headerless.ArchiveHeader = false;
    headerless.DataSetName = named;
    const TBranchCase cases[] = {
        {"newer 10-bit", "a.l1b", PassSpec(false, false, 2), 7, 15872, 15872 + 512, "Level-1B 10-bit HRPT/LAC format"},
        {"newer version 3, two header records", "a.l1b", Version3(PassSpec(false, false, 2), 2), 7, 15872, 2 * 15872 + 512,
         "Level-1B 10-bit HRPT/LAC format"},
        {"newer 16-bit", "a.l1b", PassSpec(false, false, 3), 7, 22528, 22528 + 512, "Level-1B 16-bit HRPT/LAC format"},
        {"newer 8-bit, 2 channels", "a.l1b", PassSpec(false, false, 1, 2), 7, 6144, 6144 + 512,
         "Level-1B 8-bit HRPT/LAC format"},
        {"newer GAC 16-bit, 4 channels", "a.l1b", PassSpec(false, true, 3, 4), 9, 4816, 4816 + 512,
         "Level-1B 16-bit GAC format"},
        {"newer without archive header", "a.l1b", Without(PassSpec(false, false, 2)), 7, 15872, 15872,
         "Level-1B 10-bit HRPT/LAC format"},
        {"newer GAC without archive header", "a.l1b", Without(PassSpec(false, true, 2), 4, 2), 9, 4608, 2 * 4608,
         "Level-1B 10-bit GAC format"},
        {"older 10-bit", "a.l1b", PassSpec(true, false, 2), 8, 14800, 14800 + 122, "Level-1B old 10-bit format"},
        {"older 16-bit", "a.l1b", PassSpec(true, false, 3), 8, 20928, 21050, "Level-1B old 16-bit format"},
        {"older 8-bit", "a.l1b", PassSpec(true, false, 1), 8, 10688, 10688 + 122, "Level-1B old 8-bit format"},
        {"older GAC 10-bit", "a.l1b", PassSpec(true, true, 2), 10, 3220, 2 * 3220 + 122, "Level-1B GAC old 10-bit format"},
        {"older GAC 8-bit", "a.l1b", PassSpec(true, true, 1), 10, 4992, 2 * 4992 + 122, "Level-1B GAC old 8-bit format"},
        {"older GAC 16-bit", "a.l1b", PassSpec(true, true, 3), 10, 9080, 2 * 9080 + 122, "Level-1B GAC old 16-bit format"},
        {"older GAC 16-bit, 2 channels", "a.l1b", PassSpec(true, true, 3, 2), 10, 4168, 2 * 4168 + 122,
         "Level-1B GAC old 16-bit format"},
        {"older GAC of the gaca files", "a.gaca", PassSpec(true, true, 2), 11, 3220, 2 * 3220 + 122,
         "Level-1B GAC old 10-bit format"},
        {"older GAC named by its data set", named, headerless, 10, 3220, 2 * 3220, "Level-1B GAC old 10-bit format"},
    };
    for (const TBranchCase& c : cases) {
        SCOPED_TRACE(c.Title);
        Load(c.FileName, test::BuildL1BFile(c.PassSpec));
        ASSERT_EQ(state.InputFormatCode, c.Code) << testing::PrintToString(state.DiagnosticLines);
        EXPECT_EQ(state.RecordSize, c.RecordSize);
        EXPECT_EQ(state.DataStart, c.DataStart);
        EXPECT_EQ(state.L1BSampleKind, c.PassSpec.SampleKind);
        EXPECT_EQ(state.DataLineCount, test::L1BLines(c.PassSpec));
        EXPECT_TRUE(Contains(state.DiagnosticLines, c.Format));
        ExpectL1BPass(c.PassSpec);
        // Older 16-bit GAC records carry no usable locations.
        if (!(c.PassSpec.Older && c.PassSpec.Gac && c.PassSpec.SampleKind == 3))
            ExpectLocationsAndTimes(c.PassSpec, c.PassSpec.Older ? 1.0 / 128 : 1e-4);
        EXPECT_EQ(state.Orbit->SatelliteName, c.PassSpec.Older ? "NOAA-14" : "NOAA-18");
        // With or without the archive header, the data set name describes the pass.
        EXPECT_EQ(state.HeaderText.substr(0, 9), c.PassSpec.Older ? "NOAA-14, " : "NOAA-18, ");
        EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(2023, 5, 3) + EncodeTime(12, 0, 0, 0));
    }
}

TEST_F(Level1bLoaderTest, NewerRecordsCarryTheirAnglesAttitudeAndCalibrationReport) {
    const TL1BPassSpec passSpec = PassSpec(false, false, 2);
    Load("a.l1b", test::BuildL1BFile(passSpec));
    const TEarthLocations& locations = *state.EarthLocations;
    EXPECT_FLOAT_EQ(locations.LineAngles(3)->SolarZenith[10], 40.10f);
    EXPECT_FLOAT_EQ(locations.LineAngles(3)->SatelliteZenith[0], 62.5f);
    EXPECT_FLOAT_EQ(locations.Altitude, 851.2f);
    EXPECT_FLOAT_EQ(locations.Attitude[1], -0.034f);
    for (const char* line :
         {"L1B in-line calibration data (averaged values over pass)",
          "  channel 1:  Cross-over:501  slope1:0.0551  intercept1:-2.103  slope2:0.1652  intercept2:-56.021",
          "  channel 4:  A0:155.41  A1:-0.1630  A2:0.0000950", "  channel 5:  A0:151.37  A1:-0.1610  A2:0.0000830",
          "    channel 4: R [400] change (end - begin) is 0.00%"})
        EXPECT_TRUE(Contains(state.DiagnosticLines, line)) << line;
    EXPECT_FALSE(Contains(state.DiagnosticLines, "  channel 3:  Cross-over")) << "channel 3A was never on";
}

// The newer layout's in-line calibration is reported, not applied: the
// temperatures and albedos come from the blackbody and space views, exactly
// as for the same counts in raw frames.
TEST_F(Level1bLoaderTest, NewerPassCalibratesAsRawFramesWithTheSameCounts) {
    TL1BPassSpec passSpec = PassSpec(false, false, 3);
    passSpec.Year = 2015;  // before MetOp-C shared NOAA-18's spacecraft id
    passSpec.DataSetName = "NSS.HRPT.NN.D15123.S1200.E1210.B9012345.WI";
    Load("a.l1b", test::BuildL1BFile(passSpec));
    ASSERT_EQ(state.TelemetryData->SatelliteName, "NOAA 18");
    ASSERT_TRUE(state.Sensor->Calibrated());
    const std::vector<double> fromL1B(state.Sensor->ThermalTable4(), state.Sensor->ThermalTable4() + 1024);
    const std::vector<float> albedoFromL1B(state.Sensor->VisibleTable2(), state.Sensor->VisibleTable2() + 1024);
    Load("2015-05-03-1200_NOAA18.raw16", test::Build16BitHrptFile(passSpec.Frames, passSpec.Records, false));
    ASSERT_EQ(state.InputFormatCode, 26);
    EXPECT_EQ(std::vector<double>(state.Sensor->ThermalTable4(), state.Sensor->ThermalTable4() + 1024), fromL1B);
    EXPECT_EQ(std::vector<float>(state.Sensor->VisibleTable2(), state.Sensor->VisibleTable2() + 1024), albedoFromL1B);
    EXPECT_GT(fromL1B[400], 250.0);
    EXPECT_LT(fromL1B[400], 320.0);
}

// Older records carry slope and intercept; a satellite without a calibration
// of its own (NOAA-14) is calibrated from their averages.
TEST_F(Level1bLoaderTest, OlderPassOfAnUncalibratedSatelliteUsesTheFilesCoefficients) {
    Load("a.l1b", test::BuildL1BFile(PassSpec(true, false, 2)));
    ASSERT_TRUE(state.Sensor->Calibrated());
    TSensor reference;
    const auto quantised = [](double value, double scale) { return std::round(value * scale) / scale; };
    const auto& c = test::OlderCalibration;
    reference.CalibrateThermalFromL1B(quantised(c[3][0], 1 << 30), quantised(c[3][1], 1 << 22),
                                      quantised(c[4][0], 1 << 30), quantised(c[4][1], 1 << 22));
    for (int count : {100, 400, 700}) {
        EXPECT_NEAR(state.Sensor->ThermalTable4()[count], reference.ThermalTable4()[count], 1e-3) << count;
        EXPECT_NEAR(state.Sensor->ThermalTable5()[count], reference.ThermalTable5()[count], 1e-3) << count;
    }
    EXPECT_TRUE(
        Contains(state.DiagnosticLines, "Averaged L1B calibration data: Chan 4: slope:-0.1600, intercept: 163.40"));
}

TEST_F(Level1bLoaderTest, DirectionFromThePrescan) {
    settings.ForcedDirection = 0;
    TL1BPassSpec passSpec = PassSpec(false, false, 2);
    Load("a.l1b", test::BuildL1BFile(passSpec));
    EXPECT_TRUE(state.Northbound) << "the scan-line bit is clear";
    passSpec.Southbound = true;
    Load("a.l1b", test::BuildL1BFile(passSpec));
    EXPECT_FALSE(state.Northbound);
    // Records 0-89 flagged bad, their locations those of the northbound pass: only the others vote.
    // Records 0-71 so, not flagged: the locations split 18 to 13, and the scan-line bits decide.
    const TBytes southFile = test::BuildL1BFile(passSpec);
    passSpec.Southbound = false;
    const TBytes northFile = test::BuildL1BFile(passSpec);
    const size_t recordBytes = static_cast<size_t>(test::L1BRecordBytes(passSpec));
    for (const auto& [damaged, flag] : {std::pair{size_t{90}, 0x30}, std::pair{size_t{72}, 0}}) {
        TBytes bytes = southFile;
        for (size_t at = bytes.size() - 120 * recordBytes, record = 0; record < damaged; ++record, at += recordBytes) {
            const auto locations = static_cast<std::ptrdiff_t>(at + 640);
            std::copy_n(northFile.begin() + locations, 8 * 51, bytes.begin() + locations);
            bytes[at + 314] = static_cast<uint8_t>(flag);
        }
        Load("a.l1b", bytes);
        EXPECT_FALSE(state.Northbound) << damaged;
    }
    Load("b.l1b", test::BuildL1BFile(PassSpec(true, false, 2)));
    EXPECT_TRUE(state.Northbound) << "the latitude grows from record to record";
    // The first record's centre says 80 N (a damaged record): the records after it outvote it.
    const TL1BPassSpec older = PassSpec(true, false, 2);
    TBytes farNorth = test::BuildL1BFile(older);
    const size_t centre = farNorth.size() - static_cast<size_t>(older.Records * test::L1BRecordBytes(older)) + 104 + 4 * 25;
    farNorth[centre] = 80 * 128 >> 8;
    farNorth[centre + 1] = 0;
    Load("b.l1b", farNorth);
    EXPECT_TRUE(state.Northbound);
    const TL1BPassSpec northbound = PassSpec(true, true, 2);
    Load("c.l1b", test::BuildL1BFile(northbound));
    // Turned by 180 degrees: the first stored line is the last written, reversed.
    EXPECT_EQ(state.Video->SampleAddress(4, 0)[0], test::L1BSample(northbound, test::L1BLines(northbound) - 1, 4, 408));
    ASSERT_EQ(host.DirectionRequests.size(), 0u) << "an unattended load asks nothing";
}

TEST_F(Level1bLoaderTest, QuestionOffersTheStandardNameAndBothGacPasses) {
    settings.Unattended = false;
    TL1BPassSpec passSpec = PassSpec(false, true, 2);
    passSpec.DataSetName = "NSS.GHRR.NN.D23123.S1200.E1225.B9012345.WI";
    passSpec.Records = 240;
    passSpec.GapAfterLine = 119;
    TBytes bytes = test::BuildL1BFile(passSpec);
    // Record 50 says 03:12: it ends neither pass.
    const size_t record50 = bytes.size() - (240 - 50) * static_cast<size_t>(test::L1BRecordBytes(passSpec));
    for (size_t k = 0; k < 4; ++k) bytes[record50 + 8 + k] = static_cast<uint8_t>(11520000u >> (24 - 8 * k));
    // Record 70 lost its day and time (zero-filled): nor does it.
    const size_t record70 = record50 + 20 * static_cast<size_t>(test::L1BRecordBytes(passSpec));
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(record70) + 4, 8, uint8_t{0});
    for (const int pass : {1, 2}) {
        SCOPED_TRACE(pass);
        host.DirectionRequests.clear();
        host.OnDirection = [&](const TPassDirectionRequest& request, const TPassDirectionProposal&) {
            TPassDirectionAnswer answer = DefaultPassDirectionAnswer(request, ProposePassDirection(request, NowUtc()));
            answer.GacPass = pass;
            return answer;
        };
        Load("a.l1b", bytes);
        ASSERT_EQ(host.DirectionRequests.size(), 1u);
        EXPECT_TRUE(host.DirectionRequests[0].ShowGacPass);
        EXPECT_EQ(host.DirectionRequests[0].StdName, "2023-05-03-1200-n18.l1b");
        EXPECT_EQ(host.DirectionRequests[0].HintText, "Header: NOAA-18, GAC, 2023 May 03, 12:00-12:25 UTC");
        EXPECT_EQ(state.DataLineCount, 120);
        EXPECT_EQ(state.SkipRecords, pass == 2 ? 120 : 0);
        const int32_t first = pass == 2 ? 120 : 0;
        EXPECT_EQ(state.Video->SampleAddress(1, 0)[5], test::L1BSample(passSpec, first, 1, 5));
    }
}

// A file longer than its archive header says is cut to the stated records.
TEST_F(Level1bLoaderTest, ArchiveCountLimitsTheRecordsRead) {
    TL1BPassSpec passSpec = PassSpec(false, false, 2);
    passSpec.ArchiveRecordCount = 100 + 2;
    Load("a.l1b", test::BuildL1BFile(passSpec));
    EXPECT_EQ(state.DataLineCount, 100);
    EXPECT_TRUE(Contains(state.DiagnosticLines, "The file is too big!  100 data records were expected"));
    passSpec = Version3(passSpec, 2);
    passSpec.ArchiveRecordCount = 100 + 3;
    Load("a.l1b", test::BuildL1BFile(passSpec));
    EXPECT_EQ(state.DataLineCount, 100) << "the count includes the archive header and both header records";
}

TEST_F(Level1bLoaderTest, AappFilesInBothWordOrders) {
    test::THrptPassSpec frames;
    for (const bool little : {true, false}) {
        SCOPED_TRACE(little);
        TBytes file = test::BuildAappFile(frames, 120, little);
        file[little ? 128 : 129] = 100;  // the header states fewer records than the file holds
        // Records 50-59 (45 % of the file among them) say 1799: the others give the pass its year.
        for (size_t record = 51; record <= 60; ++record) file[22016 * record + 2] = file[22016 * record + 3] = 7;
        Load("hrpt_noaa18_20090101_1200_18522", file);
        EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(2009, 1, 1));
        EXPECT_EQ(state.InputFormatCode, little ? 16 : 17);
        EXPECT_EQ(state.Orbit->SatelliteName, "NOAA-18");
        EXPECT_EQ(state.DataLineCount, 100);
        EXPECT_TRUE(Contains(state.DiagnosticLines, "L1B-AAPP format - file: hrpt_noaa18_20090101_1200_18522"));
        ExpectSamples(100, 5, [&](int32_t line, int channel, int32_t sample) {
            return test::StoredSample(frames, 100, false, line, channel, sample);
        });
        EXPECT_EQ(state.TelemetryData->TargetCount(4), frames.Blackbody[1]);
    }
    // With element sets the orbit number dates the pass and its records give the direction: every
    // record's scan-line bit (bit 15 of the word at byte 12, in the file's word order) says southbound.
    WriteArchive("NOAA-18", 28654);
    settings.ForcedDirection = 0;
    for (const bool little : {true, false}) {
        TBytes file = test::BuildAappFile(frames, 120, little);
        for (size_t record = 1; record <= 120; ++record) file[22016 * record + (little ? 13 : 12)] |= 0x80;
        Load("hrpt_noaa18_20090101_1200_18522", file);
        EXPECT_FALSE(state.Northbound) << little;
    }
}

TEST_F(Level1bLoaderTest, L1FAndTenBFiles) {
    const test::THrptPassSpec frames;
    const auto expectFrames = [&](int32_t lines) {
        ExpectSamples(lines, 5, [&](int32_t line, int channel, int32_t sample) {
            return test::StoredSample(frames, lines, false, line, channel, sample);
        });
        EXPECT_EQ(state.TelemetryData->SpaceCount(5), frames.Space[4]);
    };
    struct TYearCase {
        int Word;
        std::string Text;
    };
    for (const TYearCase& year :
         {TYearCase{23, "NOAA 18, 2023 May 03, 12:00"}, TYearCase{99, "NOAA 18, 1999 May 03, 12:00"},
          TYearCase{2005, "NOAA 18, 2005 May 03, 12:00"}}) {
        Load("pass.l1f", test::BuildL1FFile(frames, 110, "NOAA 18", {}, year.Word));
        ASSERT_EQ(state.InputFormatCode, 19);
        EXPECT_EQ(state.HeaderText, year.Text);
        expectFrames(110);
    }
    Load("pass.10b", test::Build10BFile(frames, 110, "NOAA 18", {}, false, 2048, 13000));
    ASSERT_EQ(state.InputFormatCode, 20);
    EXPECT_EQ(state.RecordSize, 13872);
    EXPECT_EQ(state.HeaderText, "NOAA-18, 2023 May 03, 12:00");
    EXPECT_TRUE(Contains(state.DiagnosticLines,
                         "Warning: in 10B file header the bytes-per-line 13000 is not the expected "
                         "value: 13872.  Using the expected value."));
    expectFrames(110);
    EXPECT_EQ(TenBLineBytes(10, true), 27732);

    Load("2_HRPT_20190315_1234.10b", test::Build10BFile(frames, 110, "METEOM2", {}, true));
    EXPECT_TRUE(state.MeteorPass);
    EXPECT_EQ(state.Orbit->SatelliteName, "METEOR-M2");
    // The frames count from the name's year; the name's date says which year a New Year pass is of.
    EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(2019, 1, 1));
    EXPECT_EQ(state.EarthLocations->EstimatedDate, EncodeDate(2019, 3, 15) + EncodeTime(12, 34, 0, 0));
    Load("2019-03-15-1234.10b", test::Build10BFile(frames, 110, "METEOM22", {}, true));
    EXPECT_EQ(state.Orbit->SatelliteName, "METEOR-M2-2");
    EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(2019, 1, 1));
    EXPECT_EQ(state.EarthLocations->EstimatedDate, EncodeDate(2019, 3, 15) + EncodeTime(12, 34, 0, 0));
    // The name "yyyymmdd_hhnnss" of Meteor's own receivers dates the pass, whatever the recorder's clock said.
    for (const test::TStationDate header : {test::TStationDate{2024, 3, 1, 7, 40}, test::TStationDate{1970, 1, 1, 0, 0}}) {
        Load("20240301_074000_METEOR-M2.10b", test::Build10BFile(frames, 110, "METEOM2", header, true));
        EXPECT_EQ(state.HeaderText, "METEOR-M2, 2024 Mar 01, 07:40");
        EXPECT_EQ(state.EarthLocations->BaseDate, EncodeDate(2024, 1, 1));
        EXPECT_EQ(state.EarthLocations->EstimatedDate, EncodeDate(2024, 3, 1) + EncodeTime(7, 40, 0, 0));
        EXPECT_FALSE(Contains(state.DiagnosticLines, "The name gives no date"));
    }
    // A name's date no pass can have is told and left for the header's.
    for (const char* refused : {"2099-03-01-0740.10b", "1978-03-01-0740.10b"}) {
        Load(refused, test::Build10BFile(frames, 110, "METEOM2", {2024, 3, 1, 7, 40}, true));
        EXPECT_EQ(state.HeaderText, "METEOR-M2, 2024 Mar 01, 07:40") << refused;
        EXPECT_TRUE(Contains(state.DiagnosticLines, "no pass can have: its date is not used")) << refused;
    }
    // A name of another layout: the header's own date; a recorder without a clock dates nothing.
    Load("pass_M2.10b", test::Build10BFile(frames, 110, "METEOM2", {2024, 3, 1, 7, 40}, true));
    EXPECT_EQ(state.HeaderText, "METEOR-M2, 2024 Mar 01, 07:40");
    EXPECT_TRUE(Contains(state.DiagnosticLines, "  The name gives no date: the header's 2024-03-01 07:40 is used"));
    Load("pass_M2.10b", test::Build10BFile(frames, 110, "METEOM2", {1970, 1, 1, 0, 0}, true));
    EXPECT_EQ(state.HeaderText, "METEOR-M2, date unknown");
}

// Damaged and unreadable files: each ends through the failure path with a
// message, without reading past a record.
TEST_F(Level1bLoaderTest, DamagedFilesAreRefusedWithAMessage) {
    const auto withVersion = [](int version, int headerRecords) {
        TL1BPassSpec passSpec = Version3(PassSpec(false, false, 2), headerRecords);
        passSpec.Version = version;
        return test::BuildL1BFile(passSpec);
    };
    const auto cut = [](TBytes bytes, size_t size) {
        bytes.resize(size);
        return bytes;
    };
    const auto olderEightBitHeaderOnly = [&](int32_t scans) {
        TL1BPassSpec passSpec = PassSpec(true, false, 1);
        passSpec.ScanCount = scans;
        return cut(test::BuildL1BFile(passSpec), 122 + 10688 + 10688 / 2);
    };
    const test::THrptPassSpec frames;
    const auto date = [](int month, int day, int hour) {
        test::TStationDate stationDate;
        stationDate.Month = month;
        stationDate.Day = day;
        stationDate.Hour = hour;
        return stationDate;
    };
    struct TDamage {
        const char* Title;
        std::string Name;
        TBytes Bytes;
        std::string Message;
    };
    const TDamage damages[] = {
        {"10-bit with four channels", "a.l1b", test::BuildL1BFile(PassSpec(false, false, 2, 4)),
         "Sorry, but this format of Level-1B data is not supported.  This data has RecordSize = 15872 bytes."},
        {"header record count 0", "a.l1b", withVersion(3, 0), "gives a count of 0 header records"},
        {"header record count 65535", "a.l1b", withVersion(3, 65535), "The file ends before its first data record"},
        {"cut in the header record", "a.l1b", cut(test::BuildL1BFile(PassSpec(false, false, 2)), 700),
         "ends inside its header record"},
        {"cut before the first record", "a.l1b", cut(test::BuildL1BFile(PassSpec(true, true, 2)), 2 * 3220 + 122 + 100),
         "The file ends before its first data record"},
        {"8-bit without a whole data record", "a.l1b", olderEightBitHeaderOnly(120), "gives 120 scans, which does not fit"},
        {"10B of 1024 pixels", "a.10b", test::Build10BFile(frames, 110, "NOAA 18", {}, true, 1024),
         "Cannot deal with fraction lines < 2048 pixels in 10B format"},
        {"10B month 13", "a.10b", test::Build10BFile(frames, 110, "NOAA 18", date(13, 3, 12), true),
         "The file header gives the date 2023-13-03 12:00, which is no date."},
        {"10B day 0", "a.10b", test::Build10BFile(frames, 110, "NOAA 18", date(5, 0, 12), true),
         "gives the date 2023-05-00 12:00, which is no date"},
        {"10B hour 25", "a.10b", test::Build10BFile(frames, 110, "NOAA 18", date(5, 3, 25), true),
         "gives the date 2023-05-03 25:00, which is no date"},
        {"L1F month 13", "a.l1f", test::BuildL1FFile(frames, 110, "NOAA 18", date(13, 3, 12), 23),
         "gives the date 2023-13-03 12:00, which is no date"},
        {"L1F day 0", "a.l1f", test::BuildL1FFile(frames, 110, "NOAA 18", date(5, 0, 12), 23),
         "gives the date 2023-05-00 12:00, which is no date"},
        {"L1F hour 25", "a.l1f", test::BuildL1FFile(frames, 110, "NOAA 18", date(5, 3, 25), 23),
         "gives the date 2023-05-03 25:00, which is no date"},
    };
    for (const TDamage& damage : damages) {
        SCOPED_TRACE(damage.Title);
        Load(damage.Name, damage.Bytes);
        ExpectRefused(damage.Message);
    }
    EXPECT_TRUE(TDialogService::Instance().Requests().empty()) << "an unattended run shows no box";
}

// Headers that older and newer writers fill differently: versions the
// layout does not list, a scan count that does not fit the file, and 16-bit
// video stored low byte first. Each file loads every whole record it holds.
TEST_F(Level1bLoaderTest, HeaderQuirksStillLoadEveryRecord) {
    const auto versioned = [](int version, int headerRecords) {
        TL1BPassSpec passSpec = Version3(PassSpec(false, false, 2), headerRecords);
        passSpec.Version = version;
        return passSpec;
    };
    const auto scanned = [](int32_t scans) {
        TL1BPassSpec passSpec = PassSpec(true, false, 1);
        passSpec.ScanCount = scans;
        return passSpec;
    };
    TL1BPassSpec lowByteFirst = PassSpec(true, false, 3);
    lowByteFirst.VideoLowByteFirst = true;
    const struct {
        const char* Title;
        TL1BPassSpec PassSpec;
        int64_t DataStart;
        const char* Finding;
    } cases[] = {
        {"version 0", versioned(0, 1), 15872 + 512, "gives format version 0; versions 1 to 5 are known"},
        {"version 7, two header records", versioned(7, 2), 2 * 15872 + 512, "gives format version 7"},
        {"8-bit scans twice the records", scanned(240), 10688 + 122, "does not hold the 240 scans"},
        {"8-bit scans 0", scanned(0), 10688 + 122, "The file holds 120 scans, more than the 0 its header gives"},
        {"8-bit scans 65535", scanned(65535), 10688 + 122, "does not hold the 65535 scans"},
        {"16-bit video low byte first", lowByteFirst, 21050, "16-bit video words are stored low byte first"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Title);
        Load("a.l1b", test::BuildL1BFile(c.PassSpec));
        ASSERT_NE(host.StatusText, "Read cancelled or error while reading...") << state.DiagnosticLines.back();
        EXPECT_EQ(state.DataStart, c.DataStart);
        EXPECT_EQ(state.DataLineCount, test::L1BLines(c.PassSpec));
        EXPECT_TRUE(Contains(state.DiagnosticLines, c.Finding));
        ExpectL1BPass(c.PassSpec);
    }
    TL1BPassSpec highByteFirst = PassSpec(true, false, 3);
    Load("a.l1b", test::BuildL1BFile(highByteFirst));
    EXPECT_FALSE(Contains(state.DiagnosticLines, "low byte first"));
}

// An older 8-bit file cut short by its publisher: the header's scan count is
// the whole pass's, the file holds the records before the cut.
TEST_F(Level1bLoaderTest, OlderEightBitFileCutShortReadsItsWholeRecords) {
    const TL1BPassSpec passSpec = PassSpec(true, false, 1);
    TBytes bytes = test::BuildL1BFile(passSpec);
    constexpr int32_t Kept = 47;
    bytes.resize(122 + 10688 * (Kept + 1) + 5000);
    bytes[122 + 10688 * 2] = bytes[122 + 10688 * 2 + 1] = 0xFF;  // record 1's scan number is damaged
    Load("NSS.HRPT.NJ.D23123.S1200.E1210.B9012345.WI", bytes);
    ASSERT_NE(host.StatusText, "Read cancelled or error while reading...") << state.DiagnosticLines.back();
    EXPECT_EQ(state.RecordSize, 10688);
    EXPECT_EQ(state.DataLineCount, Kept);
    TL1BPassSpec kept = passSpec;
    kept.Records = Kept;
    ExpectL1BPass(kept);
}

// A file holding more records than its header's scan count is read whole,
// and the diagnostics say so rather than that scans are missing.
TEST_F(Level1bLoaderTest, OlderEightBitFileLongerThanItsHeaderSaysIsReadWhole) {
    TL1BPassSpec passSpec = PassSpec(true, false, 1);
    passSpec.Records = 110;
    passSpec.ScanCount = 100;
    Load("NSS.HRPT.NJ.D23123.S1200.E1210.B9012345.WI", test::BuildL1BFile(passSpec));
    ASSERT_NE(host.StatusText, "Read cancelled or error while reading...") << state.DiagnosticLines.back();
    EXPECT_EQ(state.DataLineCount, 110);
    EXPECT_TRUE(Contains(state.DiagnosticLines,
                         "The file holds 110 scans, more than the 100 its header gives: records of 10688 bytes are all read"));
    EXPECT_FALSE(Contains(state.DiagnosticLines, "does not hold"));
}

// Spacecraft id 1 of a 1980 pass is TIROS-N's, as its data set name says,
// not FY-3C's.
TEST_F(Level1bLoaderTest, ATirosNPassIsNamedTirosNByItsFramesToo) {
    TL1BPassSpec passSpec = PassSpec(true, false, 1);
    passSpec.DataSetName = "NSS.HRPT.TN.D80123.S1200.E1210.B0712345.WI";
    passSpec.Frames.SpacecraftId = 1;
    Load("NSS.HRPT.TN.D80123.S1200.E1210.B0712345.WI", test::BuildL1BFile(passSpec));
    ASSERT_NE(host.StatusText, "Read cancelled or error while reading...") << state.DiagnosticLines.back();
    EXPECT_EQ(state.Orbit->SatelliteName, "TIROS-N");
    EXPECT_EQ(state.TelemetryData->SatelliteName, "TIROS-N");
}

// A newer-layout file cut short loads the records it holds and says that
// the rest are missing.
TEST_F(Level1bLoaderTest, NewerFileCutShortTellsOfTheMissingRecords) {
    const TL1BPassSpec passSpec = PassSpec(false, false, 2);
    TBytes bytes = test::BuildL1BFile(passSpec);
    const size_t recordBytes = static_cast<size_t>(test::L1BRecordBytes(passSpec));
    bytes.resize(bytes.size() - 73 * recordBytes - 1000);
    Load("NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI", bytes);
    ASSERT_NE(host.StatusText, "Read cancelled or error while reading...") << state.DiagnosticLines.back();
    EXPECT_EQ(state.DataLineCount, 46);
    EXPECT_TRUE(Contains(state.DiagnosticLines,
                         "The file does not hold the 120 records its header gives: the 46 whole records it holds are read"));
    EXPECT_EQ(state.CutShort,
              "The file does not hold the 120 records its header gives: the 46 whole records it holds are read");

    Load("NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI", test::BuildL1BFile(passSpec));
    EXPECT_FALSE(Contains(state.DiagnosticLines, "does not hold")) << "a whole file is not said to be cut";
    EXPECT_EQ(state.CutShort, "");
}

// Older files, full-resolution and GAC, cut short say so too, in scans of
// the data set header; whole ones, GAC of two lines a record among them, do not.
TEST_F(Level1bLoaderTest, OlderFileCutShortTellsOfTheMissingScans) {
    for (TL1BPassSpec passSpec :
         {PassSpec(true, false, 2), PassSpec(true, false, 3), PassSpec(true, true, 2), PassSpec(true, true, 1)}) {
        SCOPED_TRACE(std::string(passSpec.Gac ? "GAC " : "HRPT ") + std::to_string(passSpec.SampleKind));
        const int32_t linesPerRecord = test::L1BLinesPerRecord(passSpec);
        passSpec.ScanCount = 120 * linesPerRecord;
        Load(passSpec.DataSetName, test::BuildL1BFile(passSpec));
        ASSERT_EQ(state.DataLineCount, 120 * linesPerRecord) << state.DiagnosticLines.back();
        EXPECT_EQ(state.CutShort, "");
        TBytes bytes = test::BuildL1BFile(passSpec);
        bytes.resize(bytes.size() - 20 * static_cast<size_t>(test::L1BRecordBytes(passSpec)) - 500);
        Load(passSpec.DataSetName, bytes);
        ASSERT_EQ(state.DataLineCount, 99 * linesPerRecord) << state.DiagnosticLines.back();
        const std::string told = "The file does not hold the " + std::to_string(120 * linesPerRecord) +
                                 " scans its header gives: the " + std::to_string(99 * linesPerRecord) +
                                 " whole scans it holds are read";
        EXPECT_EQ(state.CutShort, told);
        EXPECT_TRUE(Contains(state.DiagnosticLines, told));
    }
}

// A record cut short at the end of the file is left out; the rest loads.
TEST_F(Level1bLoaderTest, TruncatedLastRecordIsLeftOut) {
    for (const TL1BPassSpec& passSpec : {PassSpec(false, false, 2), PassSpec(true, true, 1), PassSpec(true, true, 3)}) {
        TBytes bytes = test::BuildL1BFile(passSpec);
        bytes.resize(bytes.size() - 1000);
        Load("a.l1b", bytes);
        EXPECT_EQ(state.DataLineCount, test::L1BLines(passSpec) - test::L1BLinesPerRecord(passSpec));
    }
}

// A NOAA-19 pass from 23:59:30 on 30 June 2023 to 00:01:10 on 1 July: the
// pass runs from its first line's time to its last's, across midnight,
// whichever way it is stored.
TEST_F(Level1bLoaderTest, APassAcrossMidnightRunsFromItsFirstLineToItsLast) {
    TL1BPassSpec passSpec = PassSpec(false, false, 2);
    passSpec.DataSetName = "NSS.HRPT.NP.D23181.S2359.E0001.B7300000.WI";
    passSpec.Frames.SpacecraftId = 15;
    passSpec.Frames.DayOfYear = 181;
    passSpec.Frames.StartMilliseconds = (23 * 3600 + 59 * 60 + 30) * 1000LL;
    passSpec.Records = 600;
    const TDateTime first = EncodeDate(2023, 6, 30) + EncodeTime(23, 59, 30, 0);
    for (const uint8_t direction : {uint8_t{1}, uint8_t{2}}) {
        settings.ForcedDirection = direction;
        Load("NSS.HRPT.NP.D23181.S2359.E0001.B7300000.WI", test::BuildL1BFile(passSpec));
        const TEarthLocations& locations = *state.EarthLocations;
        EXPECT_NEAR(locations.StartTime, first, 0.01 / SecsPerDay);
        EXPECT_NEAR(locations.EndTime, first + 599 / 6.0 / SecsPerDay, 0.01 / SecsPerDay);
        EXPECT_NE(state.PassDescription.find("; NOAA-19; 2023-06-30; 23:59-00:01; "), std::string::npos)
            << state.PassDescription;
    }
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// Where a newer record keeps its 51 latitude/longitude pairs, in 1/10000
// degree, big-endian.
constexpr size_t NewerLocationsAt = 640;

void PutLocation(TBytes& bytes, size_t at, double degrees) {
    const auto word = static_cast<uint32_t>(static_cast<int32_t>(std::lround(degrees * 1e4)));
    for (size_t k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(word >> (24 - 8 * k));
}

// A 400-record NOAA-18 file whose record 200 (or records 200-215) lost its
// earth locations, as a damaged copy loses them: random words, zeros, zeros
// flagged invalid, whole records of random bytes. The damaged lines are
// left without location and counted in the diagnostics; the map is fitted
// on the lines that have theirs and lies over the ground they show, and the
// pass is timed by them (a damaged record's time of 02:41 is not its start).
TEST_F(Level1bLoaderTest, DamagedLocationsLeaveTheirLinesUnlocatedAndTheMapFittedOnTheRest) {
    constexpr int32_t Records = 400, Damaged = 200, LocationsAt = 640, LocationBytes = 408, StatusAt = 312;
    TL1BPassSpec passSpec = PassSpec(false, false, 2);
    passSpec.Records = Records;
    const TBytes intact = test::BuildL1BFile(passSpec);
    const size_t recordBytes = static_cast<size_t>(test::L1BRecordBytes(passSpec));
    const auto recordAt = [&](int32_t record) { return intact.size() - (Records - record) * recordBytes; };
    // Where the map puts the ground of a few lines' centres, to a pixel.
    const auto placed = [this] {
        std::vector<std::pair<int, int>> places;
        for (const int32_t line : {20, 150, 199, 230, 380}) {
            int x = 0, y = 0;
            state.WarpedMapping->LatLonToXY(x, y, static_cast<float>(test::L1BLongitude(line, CentreAnchor)),
                                            static_cast<float>(test::L1BLatitude(line, CentreAnchor)));
            places.emplace_back(x, y);
        }
        return places;
    };
    Load("NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI", intact);
    ASSERT_TRUE(state.EarthLocations->MapFitted);
    const std::vector<std::pair<int, int>> intactPlaces = placed();
    EXPECT_NEAR(intactPlaces[2].second, 199, 1);
    struct TDamage {
        const char* Name;
        int32_t Records;
        bool RandomWords;     // else zeros
        bool WholeRecords;    // random bytes over the whole record
        bool FlaggedInvalid;  // the record's location status says so
        bool EarlyTime = false;  // the record's time code says 02:41
        double North = 0;        // the record's locations moved so far north, else damaged as above
    };
    for (const TDamage damage : {TDamage{"locations 3 degrees north", 1, false, false, false, false, 3},
                                 TDamage{"16 records' locations 3 degrees north", 16, false, false, false, false, 3},
                                 TDamage{"random locations", 1, true, false, false},
                                 TDamage{"random locations, the time 02:41", 1, true, false, false, true},
                                 TDamage{"zero locations", 1, false, false, false},
                                 TDamage{"zero locations flagged invalid", 1, false, false, true},
                                 TDamage{"16 records of random bytes", 16, true, true, false}}) {
        SCOPED_TRACE(damage.Name);
        TBytes bytes = intact;
        std::mt19937 random(60);
        for (int32_t record = Damaged; record < Damaged + damage.Records; ++record) {
            const size_t from = recordAt(record) + (damage.WholeRecords ? 0 : LocationsAt);
            const size_t count = damage.WholeRecords ? recordBytes : LocationBytes;
            for (size_t at = from; at < from + count; ++at)
                bytes[at] = damage.RandomWords ? static_cast<uint8_t>(random()) : 0;
            for (int k = 0; k < static_cast<int>(LocationAnchorCount) && damage.North != 0; ++k) {
                PutLocation(bytes, from + 8 * static_cast<size_t>(k), test::L1BLatitude(record, k) + damage.North);
                PutLocation(bytes, from + 8 * static_cast<size_t>(k) + 4, test::L1BLongitude(record, k));
            }
            if (damage.FlaggedInvalid) bytes[recordAt(record) + StatusAt + 2] |= 0x10;  // bits 12..15: 1
            if (damage.EarlyTime) bytes[recordAt(record) + 8] = 0;  // its top byte: 12:00:33 less 9.3 h
            if (!damage.WholeRecords) bytes[recordAt(record) + 327] = 0;  // altitude 8512 -> 8448: 844.8 km
        }
        Load("NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI", bytes);
        ASSERT_EQ(state.DataLineCount, Records);
        const TEarthLocations& locations = *state.EarthLocations;
        for (int32_t line = Damaged; line < Damaged + damage.Records; ++line)
            for (const TAnchorLocation& anchor : locations.LineLocations(line)->Anchors) {
                ASSERT_EQ(anchor.Latitude, 0.0f) << line;
                ASSERT_EQ(anchor.Longitude, 0.0f) << line;
            }
        if (damage.North != 0) {  // locations on the earth, off the track of the records either side
            EXPECT_TRUE(Contains(state.DiagnosticLines,
                                 Format("%d records lie off the track the records either side of them agree on, the "
                                        "first is record %d: their lines are left without location",
                                        damage.Records, Damaged)));
        } else if (!damage.FlaggedInvalid) {  // a flagged record's locations are never taken
            EXPECT_TRUE(Contains(state.DiagnosticLines,
                                 Format("%d of %d records carry no valid earth location: their lines are left without "
                                        "location",
                                        damage.Records, Records)));
        }
        ASSERT_TRUE(locations.MapFitted) << testing::PrintToString(state.DiagnosticLines);
        // The located record nearest the middle, not the damaged one, gives the pass its altitude and attitude.
        EXPECT_TRUE(Contains(state.DiagnosticLines, "Sensor mean altitude: 851.2km  (default is 848.0km)"));
        EXPECT_FLOAT_EQ(locations.Attitude[1], -0.034f);
        EXPECT_FALSE(Contains(state.DiagnosticLines, "Mid-picture line num: 200,"));
        EXPECT_EQ(placed(), intactPlaces);
        // The ground of a damaged line is not drawn on: no overlay crosses the records lost.
        int x = 0, y = 0;
        EXPECT_FALSE(state.WarpedMapping->LatLonToXY(x, y, static_cast<float>(test::L1BLongitude(Damaged, CentreAnchor)),
                                                     static_cast<float>(test::L1BLatitude(Damaged, CentreAnchor))));
        EXPECT_NE(state.PassDescription.find("; 2023-05-03; 12:00-12:01; "), std::string::npos) << state.PassDescription;
        EXPECT_EQ(state.PassDescription.back(), 'N') << "northbound, as the located lines round the middle run";
    }
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// The first data record's offset in a newer file of the given records.
size_t FirstRecordAt(const TL1BPassSpec& passSpec, const TBytes& bytes) {
    return bytes.size() - static_cast<size_t>(passSpec.Records) * static_cast<size_t>(test::L1BRecordBytes(passSpec));
}

// The same pass flown over other parts of the earth: every record's pairs
// moved by a whole number of degrees. A record is damaged only off the
// earth's coordinates; east of 90 E, west of 90 W and far south, every
// line keeps the location its record gives.
TEST_F(Level1bLoaderTest, RecordsAnywhereOnTheEarthKeepTheirLocations) {
    TL1BPassSpec passSpec = PassSpec(false, false, 2);
    passSpec.Records = 200;
    const TBytes written = test::BuildL1BFile(passSpec);
    const size_t recordBytes = static_cast<size_t>(test::L1BRecordBytes(passSpec));
    struct TPlace {
        const char* Name;
        double Latitude, Longitude;  // added to the written pairs (50..56 N, 5..17 E)
    };
    for (const TPlace place : {TPlace{"over Europe", 0, 0}, TPlace{"over the western Pacific", -10, 150},
                               TPlace{"over the Rockies", -10, -120}, TPlace{"over the Ross Sea", -125, 150},
                               TPlace{"over the Arctic, east of Greenland", 25, -25}}) {
        SCOPED_TRACE(place.Name);
        TBytes bytes = written;
        for (int32_t line = 0; line < passSpec.Records; ++line)
            for (int k = 0; k < static_cast<int>(LocationAnchorCount); ++k) {
                const size_t at = FirstRecordAt(passSpec, bytes) + line * recordBytes + NewerLocationsAt + 8 * k;
                PutLocation(bytes, at, test::L1BLatitude(line, k) + place.Latitude);
                PutLocation(bytes, at + 4, test::L1BLongitude(line, k) + place.Longitude);
            }
        Load("NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI", bytes);
        const TEarthLocations& locations = *state.EarthLocations;
        EXPECT_EQ(locations.Level1bLinesUnlocated, 0);
        EXPECT_FALSE(Contains(state.DiagnosticLines, "records carry no valid earth location"));
        for (const int32_t line : {0, 99, 199})
            for (const int k : {0, 25, 50}) {
                const TAnchorLocation& anchor = locations.LineLocations(line)->Anchors[static_cast<size_t>(k)];
                EXPECT_NEAR(anchor.Latitude, test::L1BLatitude(line, k) + place.Latitude, 1e-4) << line;
                EXPECT_NEAR(anchor.Longitude, test::L1BLongitude(line, k) + place.Longitude, 1e-4) << line;
            }
        EXPECT_TRUE(locations.MapFitted) << testing::PrintToString(state.DiagnosticLines);
    }
}

// The altitude a record gives, in 1/10 km, is taken only where a
// weather satellite flies, 500 to 1500 km; a damaged record's word leaves
// the 848 km every orbit of theirs is near.
TEST_F(Level1bLoaderTest, TheRecordsAltitudeIsTakenOnlyWhereASatelliteFlies) {
    TL1BPassSpec passSpec = PassSpec(false, false, 2);
    const TBytes written = test::BuildL1BFile(passSpec);
    const size_t recordBytes = static_cast<size_t>(test::L1BRecordBytes(passSpec));
    struct TAltitudeCase {
        uint16_t Word;
        float Kilometres;
        const char* Told;
        bool MiddleRecordOnly = false;  // the other records keep 851.2 km
        bool MiddleUnlocated = false;   // records 55-65 only, their first latitude beyond 90 N
    };
    for (const TAltitudeCase altitude :
         {TAltitudeCase{8512, 851.2f, "Sensor mean altitude: 851.2km  (default is 848.0km)"},
          TAltitudeCase{4999, 848.0f, "Sensor mean altitude: 848.0km  (default is 848.0km)"},
          TAltitudeCase{5000, 500.0f, "Sensor mean altitude: 500.0km  (default is 848.0km)"},
          TAltitudeCase{15000, 1500.0f, "Sensor mean altitude: 1500.0km  (default is 848.0km)"},
          TAltitudeCase{15001, 848.0f, "Sensor mean altitude: 848.0km  (default is 848.0km)"},
          TAltitudeCase{65535, 848.0f, "Sensor mean altitude: 848.0km  (default is 848.0km)"},
          TAltitudeCase{65535, 851.2f, "Sensor mean altitude: 851.2km  (default is 848.0km)", true},
          TAltitudeCase{14000, 851.2f, "Sensor mean altitude: 851.2km  (default is 848.0km)", true},
          TAltitudeCase{8600, 851.2f, "Sensor mean altitude: 851.2km  (default is 848.0km)", true},
          TAltitudeCase{8600, 851.2f, "Sensor mean altitude: 851.2km  (default is 848.0km)", false, true}}) {
        SCOPED_TRACE(altitude.Word);
        TBytes bytes = written;
        for (int32_t record = 0; record < passSpec.Records; ++record) {
            if (altitude.MiddleRecordOnly && record != passSpec.Records / 2) continue;
            if (altitude.MiddleUnlocated && std::abs(record - passSpec.Records / 2) > 5) continue;
            const size_t at = FirstRecordAt(passSpec, bytes) + record * recordBytes + 326;
            if (altitude.MiddleUnlocated) bytes[at - 326 + 641] = 0x0F;  // 102 degrees
            bytes[at] = static_cast<uint8_t>(altitude.Word >> 8);
            bytes[at + 1] = static_cast<uint8_t>(altitude.Word);
        }
        Load("NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI", bytes);
        EXPECT_FLOAT_EQ(state.EarthLocations->Altitude, altitude.Kilometres);
        EXPECT_TRUE(Contains(state.DiagnosticLines, altitude.Told)) << testing::PrintToString(state.DiagnosticLines);
    }
}

// A GAC file whose records 60-63 lost their locations is still one picture:
// the lines without location are passed over, not taken for the jump to
// another picture, and the map is fitted on the rest; so are 16 records
// (8 s, over which the track moves 0.5 degree), and 20 records lost to a
// loss of signal (the track 0.66 degree on, as their times say), or timed
// 10 s late with the track going on (damaged times, no gap). A real
// jump (the records from 60 on 5 degrees further north, or after 16 records
// without location, or a pass 40 minutes later 32 degrees west on the same
// latitudes) still stops the mapping. Records that both sides contradict
// (one record 5 degrees north, a run of them, the first or the last) end
// no picture: their lines are left without location and told. A track
// across the date line is one track.
TEST_F(Level1bLoaderTest, ADamagedGacRecordIsNoBreakBetweenTwoPictures) {
    const TL1BPassSpec passSpec = PassSpec(false, true, 2);
    const size_t recordBytes = static_cast<size_t>(test::L1BRecordBytes(passSpec));
    struct TGacCase {
        const char* Name;
        int32_t First, Last;  // records changed, inclusive; -1: none
        bool Jump;            // moved north, else zero locations
        bool Mapped;
        int32_t Hole = 0;     // of the records changed, the first so many get zero locations
        int32_t Lost = 0;     // records cut out after those changed
        int32_t Late = 0;     // seconds by which the records changed are timed late, their locations kept
        double North = 5, East = 0;  // degrees by which the records changed are moved
        int32_t Contradicted = 0;    // records told as lying off the track either side agrees on
        bool LostBefore = false;     // the records lost are those before the records changed
    };
    for (const TGacCase gac : {TGacCase{"intact", -1, -1, false, true}, TGacCase{"record 60", 60, 60, false, true},
                               TGacCase{"records 60-63", 60, 63, false, true}, TGacCase{"record 3", 3, 3, false, true},
                               TGacCase{"records 0-1", 0, 1, false, true},
                               TGacCase{"records 60-75", 60, 75, false, true},
                               TGacCase{"20 records lost after record 59", -1, 59, false, true, 0, 20},
                               TGacCase{"records 60 on timed 10 s late", 60, passSpec.Records - 1, false, true, 0, 0, 10},
                               TGacCase{"two pictures", 60, passSpec.Records - 1, true, false},
                               TGacCase{"two pictures either side of records 60-75", 60, passSpec.Records - 1, true,
                                        false, 16},
                               TGacCase{"a pass 40 minutes later, 32 degrees west", 60, passSpec.Records - 1, true, false,
                                        0, 0, 2400, 0, -32},
                               TGacCase{"record 60 5 degrees north", 60, 60, true, true, 0, 0, 0, 5, 0, 1},
                               TGacCase{"record 60 3 degrees north", 60, 60, true, true, 0, 0, 0, 3, 0, 1},
                               TGacCase{"record 60 3 degrees west", 60, 60, true, true, 0, 0, 0, 0, -3, 1},
                               TGacCase{"records 60-61 5 degrees north", 60, 61, true, true, 0, 0, 0, 5, 0, 2},
                               TGacCase{"records 40-89 5 degrees north", 40, 89, true, true, 0, 0, 0, 5, 0, 50},
                               TGacCase{"records 30-32 and 60 5 degrees north", 30, 32, true, true, 0, 0, 0, 5, 0, 4},
                               TGacCase{"record 0 5 degrees north", 0, 0, true, true, 0, 0, 0, 5, 0, 1},
                               TGacCase{"records 0-2 5 degrees north", 0, 2, true, true, 0, 0, 0, 5, 0, 3},
                               TGacCase{"the last record 5 degrees north", passSpec.Records - 1, passSpec.Records - 1,
                                        true, true, 0, 0, 0, 5, 0, 1},
                               TGacCase{"records 60-62 timed 60 s late after 20 records lost", 60, 62, false, true, 0, 20,
                                        60, 5, 0, 0, true},
                               // 8 periods late lie 0.25 degree on: the places cannot tell them apart.
                               TGacCase{"records 60 on timed 4 s late, 0.1 degree south", 60, passSpec.Records - 1, true,
                                        true, 0, 0, 4, -0.1},
                               // Record 68 just west of the date line, a hair west of where record 67's step puts it.
                               TGacCase{"the whole track across the date line", 0, passSpec.Records - 1, true, true, 0, 0,
                                        0, 0, -190.72}}) {
        SCOPED_TRACE(gac.Name);
        TBytes bytes = test::BuildL1BFile(passSpec);
        for (int32_t record = gac.First; record >= 0 && record <= gac.Last; ++record) {
            if (gac.Late > 0) {
                const size_t at = FirstRecordAt(passSpec, bytes) + record * recordBytes + 8;
                const auto milliseconds = static_cast<uint32_t>(test::L1BLineMilliseconds(passSpec, record) + gac.Late * 1000);
                for (size_t k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(milliseconds >> (24 - 8 * k));
                if (!gac.Jump) continue;
            }
            const bool moved = gac.Jump && record >= gac.First + gac.Hole;
            for (int k = 0; k < static_cast<int>(LocationAnchorCount); ++k) {
                const size_t at = FirstRecordAt(passSpec, bytes) + record * recordBytes + NewerLocationsAt + 8 * k;
                PutLocation(bytes, at, moved ? test::L1BLatitude(record, k) + gac.North : 0);
                PutLocation(bytes, at + 4, moved ? std::remainder(test::L1BLongitude(record, k) + gac.East, 360.0) : 0);
            }
        }
        if (std::string(gac.Name).find(" and 60 ") != std::string::npos)
            for (int k = 0; k < static_cast<int>(LocationAnchorCount); ++k)
                PutLocation(bytes, FirstRecordAt(passSpec, bytes) + 60 * recordBytes + NewerLocationsAt + 8 * k,
                            test::L1BLatitude(60, k) + gac.North);
        const int32_t firstLost = gac.LostBefore ? gac.First - gac.Lost : gac.Last + 1;
        const auto lostAt = static_cast<std::ptrdiff_t>(FirstRecordAt(passSpec, bytes) + firstLost * recordBytes);
        bytes.erase(bytes.begin() + lostAt, bytes.begin() + lostAt + gac.Lost * static_cast<std::ptrdiff_t>(recordBytes));
        // Why, in the language in effect.
        const TResStrLookup english = SetResStrLookup([](uint16_t id) { return "<" + ProgramText(id) + ">"; });
        Load(passSpec.DataSetName, bytes);
        SetResStrLookup(english);
        EXPECT_EQ(Contains(state.DiagnosticLines, "Cannot show mapping with multiple GAC pictures"), !gac.Mapped);
        EXPECT_EQ(state.EarthLocations->GacDiscontinuity, !gac.Mapped);
        if (!gac.Mapped) {
            EXPECT_EQ(state.EarthLocations->GacBreakLine, gac.First + gac.Hole);
        }
        EXPECT_EQ(state.EarthLocations->NotLocatedCause,
                  gac.Mapped ? "" : "<the file holds more than one GAC picture: the track jumps at line " +
                                        std::to_string(gac.First + gac.Hole) + ">");
        EXPECT_EQ(Contains(state.DiagnosticLines,
                           Format("%d records lie off the track the records either side of them agree on, the first is "
                                  "record %d: their lines are left without location",
                                  gac.Contradicted, gac.First)),
                  gac.Contradicted > 0)
            << testing::PrintToString(state.DiagnosticLines);
        const int32_t zeroed = gac.Jump ? gac.Hole : (gac.Late > 0 || gac.First < 0 ? 0 : gac.Last - gac.First + 1);
        EXPECT_EQ(state.EarthLocations->Level1bLinesUnlocated, zeroed + gac.Contradicted) << "left without location";
        // The map spans the lost records too: its middle is that of all the records written.
        if (gac.Mapped && (gac.Lost > 0 || gac.Late > 0)) {
            EXPECT_TRUE(Contains(state.DiagnosticLines, Format("Mid-picture line num: %d,", passSpec.Records / 2)));
        }
        // A loss of signal is told as a gap; times the places contradict are left out and told.
        EXPECT_EQ(Contains(state.DiagnosticLines, Format("The signal has a gap of 10.0 s after line %d", firstLost - 1)),
                  gac.Lost == 20);
        EXPECT_EQ(Contains(state.DiagnosticLines, "Records 60 to 119, timed from "), gac.Late == 10)
            << testing::PrintToString(state.DiagnosticLines);
        EXPECT_EQ(state.EarthLocations->MapFitted, gac.Mapped) << testing::PrintToString(state.DiagnosticLines);
        // The corners are the first and last confirmed lines'.
        const bool wholePass = gac.First == 0 && gac.Last == passSpec.Records - 1;
        const int32_t first = gac.First == 0 && !wholePass ? gac.Last + 1 : 0;
        EXPECT_NEAR(state.EarthLocations->FirstLineCorners[1], test::L1BLatitude(first, 25), 1e-4);
        if (gac.Mapped) {
            const int32_t last =
                gac.Last == passSpec.Records - 1 && gac.Late == 0 && !wholePass ? gac.First - 1 : passSpec.Records - 1;
            const double moved = gac.Jump && gac.Late > 0 ? gac.North : 0;
            EXPECT_NEAR(state.EarthLocations->LastLineCorners[1], test::L1BLatitude(last, 25) + moved, 1e-4);
        }
    }
}

// Southbound passes of 400 records whose record 180 (9/20 of the file), or
// records 175-224, are random bytes with the southbound bit clear, or whose
// record 0 or 200 says 03:12 with its locations intact (also in the older
// layout, and over another longitude): the direction is
// the located records', the pass is stored as written, not turned, and the
// pass log's times are those of its first and last lines.
TEST_F(Level1bLoaderTest, OneRecordDecidesNeitherDirectionNorTimes) {
    settings.ForcedDirection = 0;
    struct TOneRecordCase {
        const char* Name;
        bool Gac;
        int32_t First, Records;  // damaged
        bool Random;             // else the time 03:12
        bool Older = false;      // the older layout, its time of day at byte 4
        bool West = false;       // the pass flown 2 degrees further west
        bool Zeros = false;      // with the time 03:12, locations of zeros
    };
    for (const TOneRecordCase one :
         {TOneRecordCase{"GAC, record 180 random", true, 180, 1, true},
          TOneRecordCase{"HRPT, records 175-224 random", false, 175, 50, true},
          TOneRecordCase{"GAC, records 175-224 random", true, 175, 50, true},
          TOneRecordCase{"HRPT, record 200 at 03:12", false, 200, 1, false},
          TOneRecordCase{"GAC, record 0 at 03:12", true, 0, 1, false},
          TOneRecordCase{"older GAC, line 0 at 03:12", true, 0, 1, false, true},
          TOneRecordCase{"GAC 2 degrees further west, record 0 at 03:12", true, 0, 1, false, false, true},
          TOneRecordCase{"HRPT, record 200 zero locations at 03:12", false, 200, 1, false, false, false, true},
          TOneRecordCase{"GAC, records 175-224 zero locations at 03:12", true, 175, 50, false, false, false, true},
          TOneRecordCase{"HRPT, records 0-19 zero locations at 03:12", false, 0, 20, false, false, false, true}}) {
        SCOPED_TRACE(one.Name);
        TL1BPassSpec passSpec = PassSpec(one.Older, one.Gac, 2);
        passSpec.DataSetName = one.Older ? "NSS.GHRR.NJ.D23123.S1200.E1206.B9012345.GC"
                               : one.Gac ? "NSS.GHRR.NP.D23123.S1200.E1203.B7290101.GC"
                                         : "NSS.HRPT.NN.D23123.S1200.E1201.B9012345.WI";
        passSpec.Records = 400;
        passSpec.Southbound = true;
        TBytes bytes = test::BuildL1BFile(passSpec);
        const size_t recordBytes = static_cast<size_t>(test::L1BRecordBytes(passSpec));
        for (int32_t record = 0; one.West && record < passSpec.Records; ++record)
            for (int k = 0; k < 51; ++k)
                PutLocation(bytes, FirstRecordAt(passSpec, bytes) + record * recordBytes + NewerLocationsAt + 8 * k + 4,
                            test::L1BLongitude(passSpec, record, k) - 2);
        std::mt19937 random(68);
        for (int32_t record = one.First; record < one.First + one.Records; ++record) {
            const auto at = bytes.begin() + static_cast<std::ptrdiff_t>(FirstRecordAt(passSpec, bytes) + record * recordBytes);
            if (one.Random) {
                std::generate(at, at + static_cast<std::ptrdiff_t>(recordBytes), [&random] { return static_cast<uint8_t>(random()); });
                at[12] &= 0x7F;
            } else {
                const uint32_t milliseconds = (3 * 3600 + 12 * 60) * 1000;
                for (int k = 0; k < 4; ++k) at[(one.Older ? 4 : 8) + k] = static_cast<uint8_t>(milliseconds >> (24 - 8 * k));
                if (one.Zeros) std::fill(at + NewerLocationsAt, at + NewerLocationsAt + 408, uint8_t{0});
            }
        }
        Load(passSpec.DataSetName, bytes);
        EXPECT_FALSE(state.Northbound);
        EXPECT_FALSE(Contains(state.DiagnosticLines, "it has been turned round"));
        EXPECT_EQ(state.Video->SampleAddress(4, 0)[0], test::L1BSample(passSpec, 0, 4, 0)) << "stored as written";
        EXPECT_TRUE(state.EarthLocations->MapFitted);
        EXPECT_EQ(state.PassDescription.back(), 'S');
        EXPECT_NE(state.PassDescription.find(one.Gac ? "; 12:00-12:03; " : "; 12:00-12:01; "), std::string::npos)
            << state.PassDescription;
        // Records without location have no place to check their times by: their lines show no ground.
        EXPECT_EQ(state.RecordTimesNote.empty(), one.Random || one.Zeros) << state.RecordTimesNote;
        if (!one.Random && !one.Zeros) {
            EXPECT_TRUE(Contains(state.DiagnosticLines, "1 of the file's lines hold a time of day that the lines around them "
                                                        "contradict (the first, line " + std::to_string(one.First) +
                                                            ", holds 03:12:00.000): those times are left out"));
        }
    }
}

// A damaged Level 1b file's count of records without location belongs to
// it: the station pass opened after it has none, and is not told so.
TEST_F(Level1bLoaderTest, TheCountOfRecordsWithoutLocationIsThePassesOwn) {
    TL1BPassSpec passSpec = PassSpec(false, false, 2);
    TBytes bytes = test::BuildL1BFile(passSpec);
    const auto at = bytes.begin() + static_cast<std::ptrdiff_t>(FirstRecordAt(passSpec, bytes) + NewerLocationsAt);
    std::fill(at, at + 8 * LocationAnchorCount, 0);
    Load("NSS.HRPT.NN.D23123.S1200.E1210.B9012345.WI", bytes);
    ASSERT_EQ(state.EarthLocations->Level1bLinesUnlocated, 1);
    Load("2023-05-03-1200-NOAA18.raw16", test::Build16BitHrptFile(passSpec.Frames, 300, false));
    ASSERT_EQ(state.DataLineCount, 300);
    EXPECT_EQ(state.EarthLocations->Level1bLinesUnlocated, 0);
}

}  // namespace
}  // namespace kestrune
