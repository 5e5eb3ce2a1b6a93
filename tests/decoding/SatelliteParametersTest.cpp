// Parameter files of the newer satellites: created, completed, edited,
// malformed, read-only and unwritable.
#include "decoding/SatelliteParameters.h"

#include "decoding/Sensor.h"
#include "platform/IniFiles.h"
#include "platform/SysUtils.h"
#include "tests/platform/TempFolder.h"
#include "tests/platform/Unprivileged.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrune {
namespace {

using testing::TTempFolder;

std::string Single(double value) { return Format("%.15g", static_cast<double>(static_cast<float>(value))); }

class SatelliteParametersTest : public ::testing::Test {
protected:
    std::string ProgramFile(const std::string& name) const { return folder_ / ("program/" + name); }
    std::string UserFile(const std::string& name) const { return folder_ / ("data/Kestrune/" + name); }
    std::string Value(const std::string& file, int channel, const std::string& key) const {
        return TIniFile(file).ReadString("Chan-" + std::to_string(channel), key, "<missing>");
    }

    TTempFolder folder_;
};

TEST_F(SatelliteParametersTest, AMissingFileIsCreatedWithEveryDefault) {
    TSensor sensor;
    sensor.SetSatellite(7);
    EXPECT_EQ(sensor.ParameterFileError(), "");
    auto thermal = [](double vc, double a, double b) {
        return "Vc=" + Single(vc) + "\r\nA=" + Single(a) + "\r\nB=" + Single(b) + "\r\n";
    };
    auto visible = [](int intersection, double s1, double i1, double s2, double i2, double width, double sun) {
        return "Intersection=" + std::to_string(intersection) + "\r\nSlope1=" + Single(s1) + "\r\nIntercept1=" +
               Single(i1) + "\r\nSlope2=" + Single(s2) + "\r\nIntercept2=" + Single(i2) + "\r\nEffectiveWidth=" +
               Single(width) + "\r\nSolarIrradiance=" + Single(sun) + "\r\n";
    };
    const std::string expected =
        "[Chan-3]\r\n" + thermal(2695.9743, 1.621256, 0.998015) +
        visible(499, 0.0265, -1.153, 0.186, -81.25198, 0.044, 10.6) + "\r\n[Chan-4]\r\n" +
        thermal(925.4075, 0.33781, 0.998719) + "\r\n[Chan-5]\r\n" + thermal(839.8979, 0.304558, 0.999024) +
        "\r\n[Chan-1]\r\n" + visible(496, 0.0568, -2.187, 0.1633, -54.993, 0.084, 138.7) + "\r\n[Chan-2]\r\n" +
        visible(511, 0.0596, -2.41, 0.1629, -55.244, 0.228, 235.4);
    EXPECT_EQ(TTempFolder::Read(ProgramFile("NOAA-15.ini")), expected);
    EXPECT_EQ(Value(ProgramFile("NOAA-15.ini"), 1, "Slope1"), "0.0568000003695488");
}

struct DefaultSample {
    uint8_t id;
    const char* file;
    double vc3, slope1, intercept2Ch2, sunCh3;
    int intersectionCh3;
};

TEST_F(SatelliteParametersTest, UserEditsReachTheVisibleCalibrationOnly) {
    TSensor plain;
    plain.SetSatellite(7);
    const double tbb = plain.BlackbodyTemperature(400, 410, 420, 430);
    plain.CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
    const std::vector<double> table4(plain.ThermalTable4(), plain.ThermalTable4() + 1024);

    TIniFile file(ProgramFile("NOAA-15.ini"));
    file.WriteString("Chan-4", "Vc", "900");
    file.WriteString("Chan-2", "Slope2", "0.15");
    file.WriteString("Chan-2", "Intersection", "400");
    TSensor edited;
    edited.SetSatellite(7);
    edited.BlackbodyTemperature(400, 410, 420, 430);
    edited.CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
    EXPECT_EQ(edited.ThermalFileValues(4).Vc, 900.0f);
    EXPECT_EQ(std::vector<double>(edited.ThermalTable4(), edited.ThermalTable4() + 1024), table4);
    EXPECT_NEAR(edited.VisibleTable2()[400], (0.0596 * 400 - 2.41) / 100, 1e-6);
    EXPECT_NEAR(edited.VisibleTable2()[401], (0.15 * 401 - 55.244) / 100, 1e-6);
    EXPECT_EQ(Value(ProgramFile("NOAA-15.ini"), 4, "Vc"), "900");
}

TEST_F(SatelliteParametersTest, MalformedNumbersKeepTheDefault) {
    folder_.Write("program/NOAA-15.ini",
                  "[Chan-1]\nSlope1=abc\nIntersection=49x\nIntercept1=1e999\nSlope2=nan\n"
                  "Intercept2=\nEffectiveWidth=0,5\n[Chan-4]\nVc=1e300\n");
    TSensor sensor;
    sensor.SetSatellite(7);
    const TVisibleCalibration v = sensor.VisibleCalibration(1);
    EXPECT_EQ(v.Slope1, 0.0568f);
    EXPECT_EQ(v.Intersection, 496);
    EXPECT_EQ(v.Intercept1, -2.187f);
    EXPECT_EQ(v.Slope2, 0.1633f);
    EXPECT_EQ(v.Intercept2, -54.993f);
    EXPECT_EQ(v.EffectiveWidth, 0.5f) << "a decimal comma reads as a point";
    EXPECT_EQ(sensor.ThermalFileValues(4).Vc, 925.4075f);
    const std::string file = ProgramFile("NOAA-15.ini");
    EXPECT_EQ(Value(file, 1, "Slope1"), "0.0568000003695488");
    EXPECT_EQ(Value(file, 1, "Intersection"), "496");
    EXPECT_EQ(Value(file, 4, "Vc"), Single(925.4075));
    EXPECT_EQ(Value(file, 1, "EffectiveWidth"), "0.5") << "written back with a point";
}

TEST_F(SatelliteParametersTest, AFailedWriteIsReportedAndTheCalibrationGoesOn) {
    // A folder where the file should be: it can be neither read nor replaced.
    std::filesystem::create_directory(folder_ / "program/NOAA-16.ini");
    TSensor sensor;
    sensor.SetSatellite(8);
    EXPECT_NE(sensor.ParameterFileError().find("Unable to write to"), std::string::npos)
        << sensor.ParameterFileError();
    EXPECT_EQ(sensor.VisibleCalibration(1).Slope1, 0.0523f);
    EXPECT_NEAR(sensor.VisibleTable1()[498], (0.0523 * 498 - 2.016) / 100, 1e-6);
    const double tbb = sensor.BlackbodyTemperature(400, 410, 420, 430);
    sensor.CalibrateThermal(726, 990, tbb, 391, 995, 387, 1000);
    EXPECT_NE(sensor.ThermalTable4(), nullptr);
    sensor.SetSatellite(6);
    EXPECT_EQ(sensor.ParameterFileError(), "");
}

// A program folder's file far too large that the user may not write is
// told and left as it is: the user's own file begins from the defaults, not
// from a copy of it.
TEST_F(SatelliteParametersTest, AReadOnlyFileFarTooLargeIsNeitherCopiedNorChanged) {
    constexpr uintmax_t Bytes = uintmax_t{5} << 20;
    const std::string shipped = folder_.Write("program/NOAA-18.ini", "");
    std::filesystem::resize_file(shipped, Bytes);
    chmod(shipped.c_str(), 0444);
    std::filesystem::create_directories(folder_ / "data/Kestrune");
    const std::string report = testing::RunUnprivileged(folder_.Path(), [&] {
        std::string problems;
        TSensor sensor;
        sensor.SetSatellite(10);
        if (sensor.ParameterFileError().find("NOAA-18.ini holds 5242880 bytes") == std::string::npos)
            problems += "told: " + sensor.ParameterFileError() + "; ";
        if (std::filesystem::file_size(shipped) != Bytes) problems += "the program folder's file changed; ";
        std::vector<std::string> mine;
        for (const auto& entry : std::filesystem::directory_iterator(folder_ / "data/Kestrune"))
            mine.push_back(entry.path().filename().string());
        std::sort(mine.begin(), mine.end());  // its own file, and the lock its writers meet at
        if (mine != std::vector<std::string>{"NOAA-18.ini", "NOAA-18.ini.lock"}) problems += "the user's folder holds more than its own file; ";
        if (Value(UserFile("NOAA-18.ini"), 1, "Intersection") != "501") problems += "the user's file lacks the defaults; ";
        return problems;
    });
    EXPECT_EQ(report, "");
}

// Which file a run reads is never a surprise: the program folder's, as its
// editor left it (a byte-order mark is no part of it), whatever copy the
// user's folder holds; that copy is told.
struct TWhichFileCase {
    const char* what;
    const char* programFile;  // nullptr: none
    const char* userCopy;     // nullptr: none
    int channel;
    float slope1;
    const char* told;  // a part of the note, "" for none
};

TEST_F(SatelliteParametersTest, TheProgramFoldersFileIsReadAsItsEditorLeftIt) {
    const TWhichFileCase cases[] = {
        {"saved with a byte-order mark", "\xEF\xBB\xBF[Chan-3]\r\nSlope1=0.03\r\n", nullptr, 3, 0.03f, ""},
        {"edited beside an older copy", "[Chan-1]\r\nSlope1=0.09\r\n", "[Chan-1]\r\nSlope1=0.07\r\n", 1, 0.09f,
         "data/Kestrune/NOAA-18.ini is not read"},
        {"a copy without the program's", nullptr, "[Chan-1]\r\nSlope1=0.07\r\n", 1, 0.054f,
         "data/Kestrune/NOAA-18.ini is not read"},
    };
    for (const TWhichFileCase& c : cases) {
        std::filesystem::remove_all(folder_ / "program");
        std::filesystem::remove_all(folder_ / "data");
        std::filesystem::create_directories(folder_ / "program");
        if (c.programFile) folder_.Write("program/NOAA-18.ini", c.programFile);
        if (c.userCopy) folder_.Write("data/Kestrune/NOAA-18.ini", c.userCopy);
        TSensor sensor;
        sensor.SetSatellite(10);
        EXPECT_EQ(sensor.VisibleCalibration(c.channel).Slope1, c.slope1) << c.what;
        const std::string told = sensor.ParameterFileError();
        EXPECT_EQ(*c.told ? told.find(c.told) != std::string::npos : told.empty(), true) << c.what << ": " << told;
        const std::string text = TTempFolder::Read(ProgramFile("NOAA-18.ini"));
        EXPECT_EQ(text.find("[Chan-3]"), text.rfind("[Chan-3]")) << c.what << ": a section appended again";
        EXPECT_EQ(text.rfind("\xEF\xBB\xBF", 0), std::string::npos) << c.what;
    }
}

// A user who may not write the program's folder reads the file there as it
// stands, edits and all, and writes no copy of it; where there is none, the
// copy made in the user's folder is told.
TEST_F(SatelliteParametersTest, AUserWhoMayNotWriteTheFolderReadsItsFileOrIsToldOfTheCopy) {
    folder_.Write("program/NOAA-18.ini", "[Chan-1]\r\nSlope1=0.09\r\n");
    std::filesystem::create_directories(folder_ / "data/Kestrune");
    const std::string report = testing::RunUnprivileged(folder_.Path(), [&] {
        std::string problems;
        chmod(ProgramFile("NOAA-18.ini").c_str(), 0444);  // as another user's file is to this one
        chmod((folder_ / "program").c_str(), 0555);
        TSensor shared;
        shared.SetSatellite(10);
        if (shared.VisibleCalibration(1).Slope1 != 0.09f) problems += "the program folder's edit was not read; ";
        if (!shared.ParameterFileError().empty()) problems += "told: " + shared.ParameterFileError() + "; ";
        if (!std::filesystem::is_empty(folder_ / "data/Kestrune")) problems += "a copy was made of a file that is read; ";
        TSensor own;
        own.SetSatellite(11);
        if (own.ParameterFileError().find("the parameters were written to " + UserFile("NOAA-19.ini")) == std::string::npos)
            problems += "the copy made was not told: " + own.ParameterFileError() + "; ";
        if (Value(UserFile("NOAA-19.ini"), 1, "Intersection") != "496") problems += "the copy lacks the defaults; ";
        return problems;
    });
    EXPECT_EQ(report, "");
}

}  // namespace
}  // namespace kestrune
