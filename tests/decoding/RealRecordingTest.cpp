// Real recordings read where they lie (../shared/testdata beside the
// checkout); each test skips, saying where it looked, when they are absent.
#include "decoding/HRPTvideo.h"
#include "decoding/PassLoader.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "decoding/Telemetry.h"
#include "tests/support/LoaderTest.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using test::TBytes;

constexpr const char* TirosNName = "NSS.GHRR.TN.D80003.S1147.E1332.B0630506.GC";
constexpr size_t GacRecordBytes = 3220;
constexpr size_t FirstLineRecord = 2;  // after the data set header and a record that is no scan line
constexpr size_t TirosNLines = 16;

struct TThermalTables {
    std::array<double, 1024> Channel4{};
    std::array<double, 1024> Channel5{};
};

class RealRecordingTest : public test::TLoaderTest {
protected:
    TThermalTables Tables() const {
        TThermalTables tables;
        std::copy_n(state.Sensor->ThermalTable4(), 1024, tables.Channel4.begin());
        std::copy_n(state.Sensor->ThermalTable5(), 1024, tables.Channel5.begin());
        return tables;
    }
};

// TIROS-N GAC of 1980, cut short by its publishers: 16 lines, fewer than the
// telemetry's averaging window. Its channel 4 and 5 temperatures come from
// its own thermometers, blackbody and space views: the same frames repeated
// to 48 lines, long enough for any window, give the same calibration.
TEST_F(RealRecordingTest, ShortTirosNPassIsCalibratedFromItsOwnTelemetry) {
    const std::string real = (fs::path(KESTRUNE_TESTDATA_DIR) / "l1b" / TirosNName).string();
    if (!fs::exists(real)) GTEST_SKIP() << "no real recording " << real;
    settings.ForcedDirection = 2;
    loader.LoadDataFile(real);
    ASSERT_EQ(state.DataLineCount, static_cast<int32_t>(TirosNLines)) << state.DiagnosticLines.back();
    ASSERT_NE(state.Sensor->ThermalTable4(), nullptr);
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, "Telemetry from only 16 synchronised frames"));
    const TThermalTables shortPass = Tables();
    const int32_t target4 = state.TelemetryData->TargetCount(4);
    const double blackbody = state.TelemetryData->BlackbodyTemp;

    const TBytes bytes = test::ReadFileBytes(real);
    TBytes repeated(bytes.begin(), bytes.begin() + FirstLineRecord * GacRecordBytes);
    for (int copy = 0; copy < 3; ++copy)
        repeated.insert(repeated.end(), bytes.begin() + FirstLineRecord * GacRecordBytes,
                        bytes.begin() + (FirstLineRecord + TirosNLines) * GacRecordBytes);
    loader.LoadDataFile(Write("NSS.GHRR.TN.D80003.S1147.E1332.B0630507.GC", repeated));
    ASSERT_EQ(state.DataLineCount, static_cast<int32_t>(3 * TirosNLines));
    EXPECT_EQ(state.TelemetryData->TargetCount(4), target4);
    EXPECT_NEAR(state.TelemetryData->BlackbodyTemp, blackbody, 0.05);
    const TThermalTables longPass = Tables();
    for (int count = 400; count < 1000; count += 50) {
        EXPECT_NEAR(shortPass.Channel4[static_cast<size_t>(count)], longPass.Channel4[static_cast<size_t>(count)], 0.05)
            << count;
        EXPECT_NEAR(shortPass.Channel5[static_cast<size_t>(count)], longPass.Channel5[static_cast<size_t>(count)], 0.05)
            << count;
    }
}

// TIROS-N's AVHRR has no 3A: its id word's bit 0 is set on every line, yet
// channel 3 is the 3.7 um channel throughout, calibrated from its views.
TEST_F(RealRecordingTest, TirosNChannel3IsThermalOnEveryLine) {
    const std::string real = (fs::path(KESTRUNE_TESTDATA_DIR) / "l1b" / TirosNName).string();
    if (!fs::exists(real)) GTEST_SKIP() << "no real recording " << real;
    settings.ForcedDirection = 2;
    loader.LoadDataFile(real);
    ASSERT_EQ(state.DataLineCount, static_cast<int32_t>(TirosNLines));
    EXPECT_EQ(state.TelemetryData->Channel3ALines, 0);
    EXPECT_EQ(state.TelemetryData->Channel3BLines, static_cast<int32_t>(TirosNLines));
    for (int32_t line = 0; line < state.DataLineCount; ++line) {
        EXPECT_NE(state.Video->GetLineFlag(line), 0) << line;
        EXPECT_FALSE(Channel3AOnLine(state, line)) << line;
    }
    EXPECT_TRUE(test::Contains(state.DiagnosticLines, " 3B 3 11:47:15.469 "));
    EXPECT_FALSE(test::Contains(state.DiagnosticLines, " 3A "));
    const double* table3 = state.Sensor->ThermalTable3();
    ASSERT_NE(table3, nullptr);
    // The blackbody seen through channel 3 is about as warm as its thermometers say.
    EXPECT_NEAR(table3[state.TelemetryData->TargetCount(3)], state.TelemetryData->BlackbodyTemp, 3.0);
}

}  // namespace
}  // namespace kestrune
