#include "decoding/Telemetry.h"

#include "decoding/Sensor.h"
#include "platform/DialogService.h"
#include "platform/ProgramFolder.h"
#include "tests/support/HrptFrameWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace kestrune {
namespace {

using test::THrptPassSpec;

// Keeps the satellite parameter files and settings in a folder of the test.
class Telemetry : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("kestrune-telemetry-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
        setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
        setenv("XDG_DATA_HOME", folder_.c_str(), 1);
        SetProgramFolderOverride(folder_.string() + "/");
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
    }
    void TearDown() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
        SetProgramFolderOverride("");
        std::filesystem::remove_all(folder_);
    }

    // Feeds lineCount frames of the writer to LineInfoText.
    void Feed(const THrptPassSpec& passSpec, int32_t lineCount, uint8_t formatCode = 26, TDateTime passDate = 0) {
        telemetry_.Reset(formatCode, 0, passDate, lineCount, &lines_);
        for (int32_t line = 0; line < lineCount; ++line) {
            uint8_t flag = 7;
            telemetry_.LineInfoText(test::BuildMinorFrame(passSpec, line), line, flag);
            flags_.push_back(flag);
        }
    }

    bool HasLine(const std::string& start) const {
        return std::any_of(lines_.begin(), lines_.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    }

    std::filesystem::path folder_;
    TTelemetryData telemetry_;
    std::vector<std::string> lines_;
    std::vector<uint8_t> flags_;
};

TEST_F(Telemetry, SyncWithAnyThirdWordIsGood) {
    test::THrptFrame frame = test::BuildMinorFrame(THrptPassSpec{}, 0);
    frame[2] = 0;
    telemetry_.Reset(26, 0, 0, 10, &lines_);
    uint8_t flag = 0;
    telemetry_.LineInfoText(frame, 0, flag);
    ASSERT_EQ(lines_.size(), 1u);
    EXPECT_EQ(lines_[0].substr(0, 6), "   0 0");
    frame[4] = 0;
    telemetry_.LineInfoText(frame, 1, flag);
    EXPECT_EQ(lines_[1].substr(0, 2), "X ");
    EXPECT_EQ(telemetry_.GoodSyncCount, 2);
}

TEST_F(Telemetry, ThermometersFollowTheReferenceFrame) {
    THrptPassSpec passSpec;  // lines 0, 5, 10 .. carry reference words
    Feed(passSpec, 5);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(telemetry_.Prt(k).Total(), 3) << k;
    EXPECT_EQ(telemetry_.Prt(3).Mode(), 420);
    // A frame without a reference before it is not counted.
    telemetry_.Reset(26, 0, 0, 10, nullptr);
    uint8_t flag = 0;
    telemetry_.LineInfoText(test::BuildMinorFrame(passSpec, 2), 0, flag);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(telemetry_.Prt(k).Total(), 0);
    // After thermometer 4 nothing counts until the next reference.
    telemetry_.Reset(26, 0, 0, 10, nullptr);
    for (int32_t line : {0, 1, 2, 3, 4, 1}) telemetry_.LineInfoText(test::BuildMinorFrame(passSpec, line), 0, flag);
    EXPECT_EQ(telemetry_.Prt(1).Total(), 3);
}

TEST(SpacecraftId, DecodingByServiceDate) {
    const TSpacecraft noaa9 = DecodeSpacecraftId(11, EncodeDate(1990, 1, 1), 26);
    EXPECT_EQ(noaa9.Name, "NOAA 9");
    EXPECT_EQ(noaa9.Identity, 2);
    EXPECT_EQ(DecodeSpacecraftId(11, 0, 26).Name, "NOAA 17");
    EXPECT_EQ(DecodeSpacecraftId(11, EncodeDate(2015, 1, 1), 26).Name, "Metop-B");
    // NOAA-17 flew from 2002-06-24 to 2013-04-10: after it, its id is MetOp-B's whatever names the pass.
    EXPECT_EQ(DecodeSpacecraftId(11, EncodeDate(2015, 1, 1), 26, false).Name, "Metop-B");
    EXPECT_EQ(DecodeSpacecraftId(11, EncodeDate(2024, 3, 1), 26, false).Name, "Metop-B");
    EXPECT_EQ(DecodeSpacecraftId(11, EncodeDate(2010, 5, 3), 26, true).Name, "NOAA 17");
    EXPECT_EQ(DecodeSpacecraftId(11, EncodeDate(2013, 1, 2), 26, false).Name, "NOAA 17") << "both flew";
    EXPECT_EQ(DecodeSpacecraftId(11, EncodeDate(2013, 1, 2), 26, true).Name, "Metop-B");
    EXPECT_EQ(DecodeSpacecraftId(11, EncodeDate(2013, 4, 10), 26, false).Name, "NOAA 17") << "its last day";
    EXPECT_EQ(DecodeSpacecraftId(11, EncodeDate(2013, 4, 11), 26, false).Name, "Metop-B");
    EXPECT_EQ(DecodeSpacecraftId(8, 0, 22).Name, "Fengyun-1D");
    EXPECT_EQ(DecodeSpacecraftId(8, 0, 21).Name, "Metop-A");
    EXPECT_EQ(DecodeSpacecraftId(4, 0, 21).Name, "Unknown (4)");
    EXPECT_EQ(DecodeSpacecraftId(13, EncodeDate(2019, 1, 1), 26).Identity, 14);
    // Id 1 is NOAA-11's in its years, TIROS-N's in its own, FY-3C's after.
    EXPECT_EQ(DecodeSpacecraftId(1, EncodeDate(1990, 1, 1), 8).Name, "NOAA 11");
    EXPECT_EQ(DecodeSpacecraftId(1, EncodeDate(1980, 6, 1), 8).Name, "TIROS-N");
    EXPECT_EQ(DecodeSpacecraftId(1, EncodeDate(1980, 6, 1), 8).StandardName, "TIROS-N");
    EXPECT_EQ(DecodeSpacecraftId(1, EncodeDate(2015, 1, 1), 26).Name, "FY-3C");
    EXPECT_EQ(SpacecraftNameFromId(15 << 3, EncodeDate(1990, 5, 5)), "NOAA-10");
    EXPECT_EQ(SpacecraftNameFromId(15 << 3, EncodeDate(2015, 5, 5)), "NOAA-19");
    EXPECT_EQ(SpacecraftNameFromId(11 << 3 | 0x80, EncodeDate(2015, 5, 5)), "METOP-B");
    EXPECT_EQ(SpacecraftNameFromId(11 << 3 | 0x80, EncodeDate(2012, 5, 5)), "NOAA-17");
    EXPECT_EQ(SpacecraftNameFromId(2 << 3, 0), "");
}

// A Dartcom recorder leaves out the sync words: of 1,200 records, the 800 of
// noise are told from frames by their time codes, not counted as synchronised.
TEST_F(Telemetry, DartcomFramesAreCountedByTheirTimeCodes) {
    constexpr int32_t Records = 1200;
    constexpr size_t DartcomSkip = 5;  // the words the recorder leaves out
    telemetry_.Reset(29, 0, 0, Records, &lines_);
    std::mt19937 noise(68);
    for (int32_t line = 0; line < Records; ++line) {
        test::THrptFrame frame = test::BuildMinorFrame(THrptPassSpec{}, line);
        if (line >= 400)
            for (uint16_t& word : frame) word = static_cast<uint16_t>(noise() & 0x3FF) & ~0x280;
        uint8_t flag = 7;
        telemetry_.LineInfoText(std::span<const uint16_t>(frame).subspan(DartcomSkip), line, flag);
    }
    TSensor sensor;
    telemetry_.PassSummary(sensor, true);
    EXPECT_EQ(telemetry_.GoodSyncCount, 400);
    EXPECT_TRUE(HasLine("Out of 1200 frames in the data,  400 had a valid time code")) << ::testing::PrintToString(lines_);
    EXPECT_TRUE(telemetry_.ManyBadFrames);
}

// Noise may carry the second time-code word's fixed bits: a first word with
// the day count's spare bit set still marks it as no frame.
TEST_F(Telemetry, DartcomNoiseWithTheDayWordsSpareBitSetIsNoFrame) {
    constexpr int32_t Records = 100;
    telemetry_.Reset(29, 0, 0, Records, &lines_);
    for (int32_t line = 0; line < Records; ++line) {
        test::THrptFrame frame = test::BuildMinorFrame(THrptPassSpec{}, line);
        if (line % 2 == 1) frame[8] |= 1;
        uint8_t flag = 7;
        telemetry_.LineInfoText(std::span<const uint16_t>(frame).subspan(5), line, flag);
    }
    TSensor sensor;
    telemetry_.PassSummary(sensor, true);
    EXPECT_EQ(telemetry_.GoodSyncCount, Records / 2);
}

TEST_F(Telemetry, PassSummaryOfANoaa18Pass) {
    THrptPassSpec passSpec;  // NOAA-18: id 13
    Feed(passSpec, 800);
    TSensor sensor;
    telemetry_.PassSummary(sensor, false);
    EXPECT_TRUE(TDialogService::Instance().Requests().empty());
    EXPECT_EQ(telemetry_.Heading(), "Telemetry values from HRPT data:");
    EXPECT_EQ(telemetry_.SatelliteName, "NOAA 18");
    EXPECT_EQ(telemetry_.SpacecraftId, 13);
    EXPECT_EQ(sensor.SatelliteId(), 10);
    EXPECT_EQ(telemetry_.TargetCount(3), 726);
    EXPECT_EQ(telemetry_.TargetCount(5), 387);
    EXPECT_EQ(telemetry_.SpaceCount(4), 995);
    EXPECT_EQ(telemetry_.SpaceCount(6), 0);
    EXPECT_EQ(telemetry_.PrtMean, (400 + 410 + 420 + 430) / 4);
    // NOAA-18 thermometers: T_i = d0 + d1 P + d2 P^2, mean of
    // 297.22612, 297.846224, 298.2880132, 298.8322916.
    EXPECT_NEAR(telemetry_.BlackbodyTemp, 298.04816, 1e-4);
    EXPECT_EQ(telemetry_.SpaceValuesText, "  Ch1=41,  Ch2=40,  Ch3=990,  Ch4=995,  Ch5=1000");
    EXPECT_EQ(telemetry_.PrtValuesText().substr(0, 45), "  PRT1=400,  PRT2=410,  PRT3=420,  PRT4=430\r ");
    EXPECT_NE(telemetry_.PrtValuesText().find("=> measured blackbody temp 298.05 K  (24.9 "), std::string::npos);
    EXPECT_EQ(telemetry_.TargetValuesText().substr(0, 29), "  Ch3=726,  Ch4=391,  Ch5=387");
    EXPECT_TRUE(HasLine("Out of 800 frames in the data,  800 had a valid first sync word (284 hex)"));
    EXPECT_TRUE(HasLine("channel 4 per count at Tbb (ref count 391)"));
    EXPECT_TRUE(HasLine("Block: 0, PRT:298.05K"));
    EXPECT_TRUE(HasLine("Block: 3, PRT:298.05K"));
    EXPECT_TRUE(HasLine("Fit channel 4 temp for ref count (391) over blocks: "));
    EXPECT_NE(telemetry_.CalibrationReport.find("delta over pass = 0.00K"), std::string::npos);
    EXPECT_EQ(telemetry_.BlockModes().size(), 4u);
    EXPECT_EQ(telemetry_.L1BThermalCoefficients, (std::array<double, 4>{}));
    EXPECT_FALSE(HasLine("Averaged L1B calibration data"));
    ASSERT_NE(sensor.ThermalTable4(), nullptr);
}

// A pass that is 3A for 600 of its 800 lines: channel 3's blackbody and
// space words hold 45 on its 3A lines, so the pass-wide modes are 3A
// counts; 3B is calibrated from the 200 lines where it is 3B.
TEST_F(Telemetry, PassMostly3AIsCalibratedFromIts3BLines) {
    THrptPassSpec passSpec;
    passSpec.Channel3AOnLine = [](int32_t line) { return line < 300 || line >= 500; };
    Feed(passSpec, 800);
    EXPECT_EQ(flags_[0], 0) << "3A";
    EXPECT_EQ(flags_[300], 1) << "3B";
    EXPECT_EQ(telemetry_.Channel3ALines, 600);
    EXPECT_EQ(telemetry_.Channel3BLines, 200);
    TSensor sensor;
    telemetry_.PassSummary(sensor, true);
    EXPECT_EQ(telemetry_.TargetCount(3), 726);
    EXPECT_EQ(telemetry_.SpaceCount(3), 990);
    EXPECT_EQ(telemetry_.TargetValuesText().substr(0, 29), "  Ch3=726,  Ch4=391,  Ch5=387");
    ASSERT_NE(sensor.ThermalTable3(), nullptr);
    EXPECT_NEAR(sensor.ThermalTable3()[726], telemetry_.BlackbodyTemp, 1.0) << "the blackbody seen through 3B";

    // Throughout 3A the counts stay the pass's: there is no 3B to calibrate.
    passSpec.Channel3AOnLine = nullptr;
    passSpec.Channel3A = true;
    Feed(passSpec, 800);
    telemetry_.PassSummary(sensor, true);
    EXPECT_EQ(telemetry_.Channel3BLines, 0);
    EXPECT_EQ(telemetry_.TargetCount(3), 45);
    EXPECT_EQ(telemetry_.TargetCount(4), 391);
}

// Channel 3's drift is fitted over the blocks that were 3B throughout: the
// 3A blocks' views hold no heat and would fit a drift of hundreds of kelvin.
TEST_F(Telemetry, Channel3DriftIsFittedOver3BBlocksOnly) {
    const auto channel3Fit = [this]() -> std::string {
        for (const std::string& line : SplitString(telemetry_.CalibrationReport, '\r'))
            if (line.rfind("Fit channel 3 ", 0) == 0) return line;
        return "";
    };
    const auto delta = [](const std::string& fit) {
        const size_t at = fit.find("delta over pass = ");
        return at == std::string::npos ? 1e9 : std::stod(fit.substr(at + 18));
    };
    THrptPassSpec passSpec;
    passSpec.Channel3AOnLine = [](int32_t line) { return line >= 900; };  // blocks 0..4 are 3B
    Feed(passSpec, 1800);
    TSensor sensor;
    telemetry_.PassSummary(sensor, true);
    const std::string fit = channel3Fit();
    EXPECT_EQ(fit.rfind("Fit channel 3 temp for ref count (726) over blocks: ", 0), 0u) << fit;
    EXPECT_NEAR(delta(fit), 0.0, 0.005) << fit;
    EXPECT_NE(telemetry_.CalibrationReport.find("Fit channel 4 temp"), std::string::npos);

    // 3B from block 6 on: counted from there, the fit starts at the blackbody's temperature.
    passSpec.Channel3AOnLine = [](int32_t line) { return line < 1000; };
    Feed(passSpec, 2520);
    telemetry_.PassSummary(sensor, true);
    const std::string late = channel3Fit();
    ASSERT_FALSE(late.empty());
    EXPECT_NEAR(delta(late), 0.0, 0.005) << late;
    EXPECT_NEAR(std::stod(late.substr(late.find("blocks: ") + 8)), sensor.ThermalTable3()[726], 0.01) << late;

    // Fewer than four 3B blocks: no channel 3 line, the others stay.
    passSpec.Channel3AOnLine = [](int32_t line) { return line >= 500; };
    Feed(passSpec, 1800);
    telemetry_.PassSummary(sensor, true);
    EXPECT_EQ(channel3Fit(), "");
    EXPECT_NE(telemetry_.CalibrationReport.find("Fit channel 5 temp"), std::string::npos);
}

// The AVHRRs before NOAA-15 have no 3A: whatever bit 0 of their id word
// holds, channel 3 is the 3.7 um channel on every line.
TEST_F(Telemetry, OlderAvhrrKeepsChannel3ThermalOnEveryLine) {
    THrptPassSpec passSpec;
    passSpec.Channel3A = true;
    passSpec.SpacecraftId = 5;  // NOAA-14
    Feed(passSpec, 400, 26, EncodeDate(1999, 6, 1));
    EXPECT_TRUE(std::all_of(flags_.begin(), flags_.end(), [](uint8_t flag) { return flag == 1; }));
    EXPECT_EQ(telemetry_.Channel3ALines, 0);
    EXPECT_EQ(telemetry_.Channel3BLines, 400);
    ASSERT_FALSE(lines_.empty());
    EXPECT_NE(lines_[0].find(" 3B 123 "), std::string::npos) << lines_[0];

    // Id 7 is NOAA-7 in its years, NOAA-15 (which switches) after them.
    passSpec.SpacecraftId = 7;
    flags_.clear();
    Feed(passSpec, 10, 26, EncodeDate(1983, 1, 1));
    EXPECT_EQ(flags_[0], 1);
    flags_.clear();
    Feed(passSpec, 10, 26, EncodeDate(2003, 1, 1));
    EXPECT_EQ(flags_[0], 0);
    EXPECT_EQ(telemetry_.Channel3ALines, 10);
}

// The satellite the loader named decides before the frames' id: TIROS-N's id
// 1 is FY-3C's when the date is unknown; a NOAA-18 named pass keeps its 3A lines.
TEST_F(Telemetry, NamedSatelliteDecidesWhetherChannel3Switches) {
    THrptPassSpec passSpec;
    passSpec.Channel3A = true;
    passSpec.SpacecraftId = 1;
    const auto feedNamed = [&](const std::string& name) {
        flags_.clear();
        telemetry_.Reset(26, 0, 0, 20, &lines_);
        telemetry_.NamedSatellite = name;
        for (int32_t line = 0; line < 20; ++line) {
            uint8_t flag = 7;
            telemetry_.LineInfoText(test::BuildMinorFrame(passSpec, line), line, flag);
            flags_.push_back(flag);
        }
    };
    feedNamed("");
    EXPECT_EQ(flags_[0], 0) << "an id that names no AVHRR leaves the word's bit to decide";
    feedNamed("TIROS-N");
    EXPECT_EQ(flags_[0], 1);
    EXPECT_EQ(telemetry_.Channel3ALines, 0);
    passSpec.SpacecraftId = 5;  // NOAA-14's id: the name wins
    feedNamed("NOAA-18");
    EXPECT_EQ(flags_[0], 0);
    EXPECT_EQ(telemetry_.Channel3ALines, 20);
    passSpec.SpacecraftId = 11;  // NOAA-17's id before 2013, MetOp-B's since
    feedNamed("METOP-B");
    TSensor sensor;
    telemetry_.PassSummary(sensor, true);
    EXPECT_EQ(telemetry_.SatelliteName, "Metop-B") << "an undated pass named MetOp-B is of MetOp-B's years";
}

TEST(Channel3Kind, ByStandardName) {
    for (const char* name : {"NOAA-15", "NOAA-19", "METOP-A", "METOP-C"})
        EXPECT_EQ(Channel3KindOfSatellite(name), TChannel3Kind::Switching) << name;
    for (const char* name : {"TIROS-N", "NOAA-6", "NOAA-11", "NOAA-14"})
        EXPECT_EQ(Channel3KindOfSatellite(name), TChannel3Kind::ThermalOnly) << name;
    for (const char* name : {"", "FY3C", "NOAA-1", "NOAA-140", "METEOR-M2"})
        EXPECT_EQ(Channel3KindOfSatellite(name), TChannel3Kind::Unknown) << name;
}

TEST_F(Telemetry, ReferenceCountsAtTheTableEndsGiveNoSensitivityLine) {
    THrptPassSpec passSpec;
    passSpec.Blackbody = {1020, 391, 387};  // channel 3 calibrates (above 400, space above 500) but 1020 + 5 is past the table
    Feed(passSpec, 200);
    TSensor sensor;
    telemetry_.PassSummary(sensor, true);
    EXPECT_EQ(telemetry_.TargetCount(3), 1020);
    EXPECT_EQ(telemetry_.CalibrationReport.find("channel 3 per count"), std::string::npos);
    EXPECT_NE(telemetry_.CalibrationReport.find("channel 5 per count"), std::string::npos);
}

TEST_F(Telemetry, Level1bCalibrationAverages) {
    std::vector<uint8_t> values(40, 0);
    const auto put = [&](size_t at, int32_t v) {
        for (int k = 0; k < 4; ++k) values[at + static_cast<size_t>(k)] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (24 - 8 * k));
    };
    put(24, -(1 << 29));  // channel 4 slope -0.5
    put(28, 3 << 22);     // channel 4 intercept 3
    put(32, 1 << 28);     // channel 5 slope 0.25
    telemetry_.Reset(8, 0, 0, 10, &lines_);
    telemetry_.AddL1BCalibration(values);
    telemetry_.AddL1BCalibration(values);
    telemetry_.AddL1BCalibration(std::span(values).first(39));  // short: ignored
    TSensor sensor;
    telemetry_.PassSummary(sensor, true);
    EXPECT_EQ(telemetry_.L1BThermalCoefficients, (std::array<double, 4>{-0.5, 3.0, 0.25, 0.0}));
    EXPECT_TRUE(HasLine("Averaged L1B calibration data: Chan 4: slope:-0.5000, intercept: 3.00"));
    EXPECT_TRUE(HasLine("Averaged L1B calibration data: Chan 3: slope:0.000000, intercept: 0.0000"));
}

}  // namespace
}  // namespace kestrune
