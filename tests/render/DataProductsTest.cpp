#include "render/DataProducts.h"

#include "decoding/HRPTvideo.h"
#include "decoding/HeadlessHost.h"
#include "decoding/PassLoader.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "decoding/ViewNames.h"
#include "orbit/EarthLocations.h"
#include "platform/DialogService.h"
#include "render/FireDetection.h"
#include "render/PixelLocation.h"
#include "tests/platform/CommaLocale.h"
#include "tests/platform/TempFolder.h"
#include "tests/render/SyntheticPass.h"
#include "tests/support/PassFileWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

namespace kestrune {
namespace {

namespace fs = std::filesystem;

// Remembers what the savers asked of the window.
class TRecordingHost : public THeadlessRenderHost {
public:
    void EnableControls(bool enabled) override { Events.push_back(enabled ? "enable" : "disable"); }
    void SetStatusText(const std::string& text) override { Events.push_back("status:" + text); }
    void ShowProgress(bool show) override { Events.push_back(show ? "progress shown" : "progress hidden"); }
    void SetProgressPosition(int position) override { Positions.push_back(position); }

    std::vector<std::string> Events;
    std::vector<int> Positions;
};

std::string LittleEndian(const std::vector<uint16_t>& words) {
    std::string bytes;
    for (uint16_t word : words) {
        bytes += static_cast<char>(word & 0xFF);
        bytes += static_cast<char>(word >> 8);
    }
    return bytes;
}

// Line y, sample x of a channel; channels 1..3 hold counts above 255, so that byte order shows.
uint16_t Sample(int channel, int32_t y, int32_t x) {
    return static_cast<uint16_t>((0x300 + 64 * channel + 8 * y + x) & 1023);
}

class DataProductsTest : public ::testing::Test {
protected:
    testing::TTempFolder folder;
    TPassState pass;
    TRecordingHost host;
    TSaveSettings settings;
    TDataProducts products{pass, host, settings};

    void SetUp() override {
        TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
        TDialogService::Instance().ClearScript();
        pass.InputFolder = folder.Path() + "in/";
        fs::create_directories(pass.InputFolder);
        MakePass(8, 3, {1, 2, 3, 4, 5});
    }

    // Channels stored in slots, in order, each available and selected; calibrated.
    void MakePass(int32_t width, int32_t lines, std::initializer_list<int> channels) {
        testing::MakePass(pass, width, lines, channels, [](int channel, int x, int y) { return Sample(channel, y, x); });
    }

    // Equal target and space counts leave the sensor without temperatures.
    void Uncalibrate() { pass.Sensor->CalibrateThermal(0, 0, 0.0, 1, 1, 1, 1); }

    // Anchors of line y at latitude 10 + y + 0.4 k, longitude -20 + 2 k.
    void Locate(int32_t lines) {
        TEarthLocations& locations = *pass.EarthLocations;
        locations.SetLineCount(lines);
        for (int32_t y = 0; y < lines; ++y)
            for (size_t k = 0; k < LocationAnchorCount; ++k)
                locations.LineLocations(y)->Anchors[k] = {10.0f + static_cast<float>(y) + 0.4f * static_cast<float>(k),
                                                          -20.0f + 2.0f * static_cast<float>(k)};
        locations.LocationsValid = true;
    }

    std::string InInput(const std::string& name) const { return pass.InputFolder + name; }

    // The words of a channel's samples through a conversion, record after record.
    template <typename TConvert>
    std::string ExpectedRaster(int channel, const TConvert& convert) const {
        std::vector<uint16_t> words;
        for (int32_t y = 0; y < pass.DataLineCount; ++y)
            for (int32_t x = 0; x < pass.Video->Width(); ++x) words.push_back(convert(pass.Video->SampleAddress(channel, y)[x]));
        return LittleEndian(words);
    }

    std::vector<std::string> FilesIn(const std::string& path) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    static const std::vector<TDialogRequest>& Messages() { return TDialogService::Instance().Requests(); }
};

TEST(RasterWords, ValuesWorkedByHand) {
    EXPECT_EQ(TemperatureWord(300.0), 10268) << "10 x 26.84 + 10000 = 10268.4";
    EXPECT_EQ(TemperatureWord(273.16), 10000);
    EXPECT_EQ(TemperatureWord(0.0), 7268);
    EXPECT_EQ(TemperatureWord(-1e6), 0) << "held at the bottom of a word";
    EXPECT_EQ(AlbedoWord(0.25), 2500);
    EXPECT_EQ(AlbedoWord(1.0), 10000);
    EXPECT_EQ(AlbedoWord(7.0), 65535) << "held at the top of a word";
    EXPECT_EQ(SstWord(-100.0), 9000);
    EXPECT_EQ(SstWord(25.0), 10250);
    EXPECT_EQ(SstWord(0.25), 10002) << "halves to even";
    EXPECT_EQ(SstWord(-999.75), 2) << "2.5 to even";
    EXPECT_EQ(SstWord(-999.25), 8) << "7.5 to even";
    EXPECT_EQ(SstWord(-1000.04), 0);
    EXPECT_EQ(SstWord(5553.25), 65532) << "65532.5 to even";
    EXPECT_EQ(SstWord(5553.75), 65535) << "65537.5 held at the top";
    EXPECT_EQ(SstWord(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST_F(DataProductsTest, RawChannelsOfTheSelectedChannelsOnly) {
    MakePass(8, 3, {1, 2, 4});
    pass.ChannelAvailable[3] = pass.ChannelAvailable[5] = true;  // in the format, not chosen for loading
    products.SaveRawChannels("pass.2024-05-01");
    EXPECT_EQ(FilesIn(pass.InputFolder),
              (std::vector<std::string>{"pass.2024-05-01-1.raw", "pass.2024-05-01-2.raw", "pass.2024-05-01-4.raw"}))
        << "the base name has lost its extension already: suffixes are appended";
    const std::string raw1 = testing::TTempFolder::Read(InInput("pass.2024-05-01-1.raw"));
    ASSERT_EQ(raw1.size(), 3u * 8u * 2u);
    EXPECT_EQ(raw1.substr(0, 4), std::string("\x40\x03\x41\x03", 4)) << "0x340, 0x341 low byte first";
    EXPECT_EQ(raw1.substr(16, 2), std::string("\x48\x03", 2)) << "line 1 starts one record on";
    EXPECT_EQ(testing::TTempFolder::Read(InInput("pass.2024-05-01-4.raw")),
              ExpectedRaster(4, [](uint16_t sample) { return sample; }));
}

// Channel 3 has albedos only where it is 3A: the lines where it is 3B, a
// thermal channel, hold the no-data word.
TEST_F(DataProductsTest, AlbedosOfChannels1To3) {
    pass.ChannelSelected[2] = false;
    pass.Video->SetLineFlag(1, 0);  // 3A on line 1, 3B on lines 0 and 2
    products.SaveAlbedoFiles("pass");
    EXPECT_EQ(FilesIn(pass.InputFolder), (std::vector<std::string>{"pass.t1.alb", "pass.t3.alb"}));
    const TSensor& sensor = *pass.Sensor;
    EXPECT_EQ(testing::TTempFolder::Read(InInput("pass.t1.alb")),
              ExpectedRaster(1, [&](uint16_t c) { return AlbedoWord(sensor.VisibleTable1()[c]); }));
    const std::string channel3 = testing::TTempFolder::Read(InInput("pass.t3.alb"));
    const std::string albedos3 = ExpectedRaster(3, [&](uint16_t c) { return AlbedoWord(sensor.VisibleTable3()[c]); });
    const size_t record = 8 * 2;
    ASSERT_EQ(channel3.size(), 3 * record);
    const std::string noData = LittleEndian(std::vector<uint16_t>(8, 65535));
    EXPECT_EQ(channel3.substr(0, record), noData);
    EXPECT_EQ(channel3.substr(record, record), albedos3.substr(record, record));
    EXPECT_NE(channel3.substr(record, record), noData);
    EXPECT_EQ(channel3.substr(2 * record), noData);
}

// The channels' files are written at the same time: those that cannot be
// written are told in channel order, and every other one is still whole.
TEST_F(DataProductsTest, ChannelFilesThatCannotBeWrittenAreToldInOrderAndTheRestWritten) {
    MakePass(8, 3, {1, 2, 3, 4, 5, 6, 7});
    for (const char* taken : {"pass-2.raw", "pass-6.raw"}) fs::create_directories(InInput(taken) + "/held");
    products.SaveRawChannels("pass");
    EXPECT_EQ(products.WriteFailures(), 2);
    std::vector<std::string> told;
    for (const TDialogRequest& request : Messages()) told.push_back(request.text);
    ASSERT_EQ(told.size(), 2u) << ::testing::PrintToString(told);
    EXPECT_NE(told[0].find("pass-2.raw"), std::string::npos) << told[0];
    EXPECT_NE(told[1].find("pass-6.raw"), std::string::npos) << told[1];
    for (int channel : {1, 3, 4, 5, 7})
        EXPECT_EQ(testing::TTempFolder::Read(InInput("pass-" + std::to_string(channel) + ".raw")),
                  ExpectedRaster(channel, [](uint16_t sample) { return sample; }))
            << channel;
}

// Channel 3 has temperatures only where it is 3B: the 3A lines of a pass
// that switches hold the no-data word; a pass 3A throughout, whose channel
// 3 has no calibration, still gets its file, no-data on every line.
TEST_F(DataProductsTest, Channel3TemperaturesOnlyWhereItIs3B) {
    pass.TelemetryData->Channel3ALines = 1;
    pass.Video->SetLineFlag(1, 0);  // 3A on line 1, 3B on lines 0 and 2
    ASSERT_EQ(products.SaveTemperatureData(3, ".bt", "pass"), InInput("pass.t3.bt"));
    const std::string channel3 = testing::TTempFolder::Read(InInput("pass.t3.bt"));
    const std::string temperatures = ExpectedRaster(3, [&](uint16_t c) { return TemperatureWord(pass.Sensor->ThermalTable3()[c]); });
    const size_t record = 8 * 2;
    ASSERT_EQ(channel3.size(), 3 * record);
    const std::string noData = LittleEndian(std::vector<uint16_t>(8, 65535));
    EXPECT_EQ(channel3.substr(0, record), temperatures.substr(0, record));
    EXPECT_NE(channel3.substr(0, record), noData);
    EXPECT_EQ(channel3.substr(record, record), noData);
    EXPECT_EQ(channel3.substr(2 * record), temperatures.substr(2 * record));

    for (int32_t y = 0; y < 3; ++y) pass.Video->SetLineFlag(y, 0);
    pass.TelemetryData->Channel3ALines = 3;
    pass.Sensor->CalibrateThermal(45, 45, 300.0, 391, 995, 387, 1000);  // 3A's counts: no channel 3 table
    ASSERT_EQ(products.SaveTemperatureData(3, ".bt", "pass"), InInput("pass.t3.bt"));
    EXPECT_EQ(testing::TTempFolder::Read(InInput("pass.t3.bt")), LittleEndian(std::vector<uint16_t>(3 * 8, 65535)));

    // A format that tells nothing of 3A and 3B: its channel 3 is the thermal one.
    pass.TelemetryData->Channel3ALines = 0;
    EXPECT_EQ(products.SaveTemperatureData(3, ".bt", "other"), "") << "uncalibrated: nothing to write";
    EXPECT_FALSE(fs::exists(InInput("other.t3.bt")));
}

TEST_F(DataProductsTest, SstRasterByPixelLocation) {
    // Counts 400 and 410, but 700 in both channels at sample 5 of line 1.
    testing::MakePass(pass, 409, 2, {4, 5}, [](int channel, int x, int y) -> uint16_t {
        return x == 5 && y == 1 ? 700 : channel == 4 ? 400 : 410;
    });
    const TSensor& sensor = *pass.Sensor;
    const float daySst = sensor.SeaSurfaceTemperature(400, 410, 20.0f, true);
    const float nightSst = sensor.SeaSurfaceTemperature(400, 410, 20.0f, false);
    ASSERT_NE(daySst, -100.0f);
    ASSERT_NE(nightSst, daySst);
    ASSERT_EQ(sensor.SeaSurfaceTemperature(700, 700, 20.0f, true), -100.0f) << "too cold a sea";

    // A GAC pass: anchors every 8 pixels up to 4 + 400; nudged 10 pixels, the
    // last 7 of its 409 pixels lie beyond the last anchor's reach.
    pass.InputFormatCode = 9;
    pass.NudgeX = -10;
    Locate(2);
    for (int32_t y = 0; y < 2; ++y)
        for (size_t k = 0; k < LocationAnchorCount; ++k) {
            pass.EarthLocations->LineAngles(y)->SolarZenith[k] = k < 25 ? 30.0f : 80.0f;
            pass.EarthLocations->LineAngles(y)->SatelliteZenith[k] = 20.0f;
        }
    pass.EarthLocations->MapFitted = true;

    const std::string name = products.SaveSstData(".sst", "pass");
    EXPECT_EQ(name, InInput("pass.sst"));
    const std::string bytes = testing::TTempFolder::Read(name);
    ASSERT_EQ(bytes.size(), 2u * 409u * 2u);
    const auto word = [&](int32_t y, int32_t x) {
        const size_t at = (static_cast<size_t>(y) * 409 + static_cast<size_t>(x)) * 2;
        return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
    };
    EXPECT_EQ(word(0, 0), SstWord(daySst)) << "sample 10: anchor 1, sun at 30 degrees";
    EXPECT_EQ(word(0, 300), SstWord(nightSst)) << "sample 310: anchor 38, sun at 80 degrees";
    EXPECT_EQ(word(0, 401), SstWord(nightSst));
    for (int32_t x = 402; x < 409; ++x) EXPECT_EQ(word(0, x), 9000) << "pixel " << x << " cannot be located";
    EXPECT_EQ(word(1, 5), 9000) << "no SST for a cold pixel";
}

// A pass whose map could not be fitted gives no SST, and the operator is
// told what is missing: a station pass lacks element sets, a Level 1b file
// the locations its records should carry, one record or all of them.
TEST_F(DataProductsTest, NoSstWithoutAFittedMapAndTheCauseIsTold) {
    struct TUnfitCase {
        const char* Name;
        int RecordsWithoutLocation;
        const char* Told;
    };
    for (const TUnfitCase unfit :
         {TUnfitCase{"a station pass without element sets", 0,
                     "Without valid earth location data (which requires Kepler data) accurate sea-surface temperature "
                     "data cannot be saved."},
          TUnfitCase{"a Level 1b file with one record unlocated", 1,
                     "The file's records carry no earth locations that fit the image: accurate sea-surface temperature "
                     "data cannot be saved."},
          TUnfitCase{"a Level 1b file with none located", 3,
                     "The file's records carry no earth locations that fit the image: accurate sea-surface temperature "
                     "data cannot be saved."}}) {
        SCOPED_TRACE(unfit.Name);
        TDialogService::Instance().ClearScript();
        Locate(3);
        pass.EarthLocations->MapFitted = false;
        pass.EarthLocations->Level1bLinesUnlocated = unfit.RecordsWithoutLocation;
        EXPECT_EQ(products.SaveSstData(".sst", "pass"), "");
        EXPECT_FALSE(fs::exists(InInput("pass.sst")));
        ASSERT_EQ(Messages().size(), 1u);
        EXPECT_EQ(Messages().front().text, unfit.Told);
    }
}

TEST_F(DataProductsTest, ImageTableByHand) {
    MakePass(3, 2, {3});
    Locate(2);
    pass.NudgeX = -24;  // pixel 0 lies on anchor 0
    products.SaveImageText("pass", TImageTextKind::T4Ndvi, 3, 2);
    EXPECT_EQ(testing::TTempFolder::Read(InInput("pass.as.txt")),
              "10.00 -20.00 0.0 -1.00 \r\n10.01 -19.95 0.0 -1.00 \r\n10.02 -19.90 0.0 -1.00 \r\n"
              "11.00 -20.00 0.0 -1.00 \r\n11.01 -19.95 0.0 -1.00 \r\n11.02 -19.90 0.0 -1.00 \r\n");
    products.SaveImageText("pass", TImageTextKind::T4T5Difference, 1, 1);
    EXPECT_EQ(testing::TTempFolder::Read(InInput("pass.as.txt")), "10.00 -20.00 0.0 0.0 0.0 \r\n");
}

TEST_F(DataProductsTest, DecimalPointWhateverTheLocale) {
    const testing::TCommaLocale comma(folder.Path());
    if (!comma.Active()) GTEST_SKIP() << "no locale with a decimal comma can be had";
    ASSERT_EQ(Format("%.1f", 0.5), "0.5");
    char printed[8];
    std::snprintf(printed, sizeof printed, "%.1f", 0.5);
    ASSERT_STREQ(printed, "0,5") << "the locale really has a decimal comma";
    MakePass(2, 1, {3});
    Locate(1);
    pass.NudgeX = -24;
    products.SaveImageText("pass", TImageTextKind::T4Ndvi, 1, 1);
    EXPECT_EQ(testing::TTempFolder::Read(InInput("pass.as.txt")), "10.00 -20.00 0.0 -1.00 \r\n") << comma.Name();
}

TEST_F(DataProductsTest, FireListAndLocationFile) {
    testing::MakePass(pass, 2048, 3, {3, 4}, [](int, int, int) -> uint16_t { return 900; });  // cold: no fire
    Locate(3);
    pass.EarthLocations->AddLocationFlags(1);
    pass.EarthLocations->FormatCode = 26;
    TFireSettings fire;
    TFireFilterImages images;
    products.SaveFireText("pass", fire, images);
    const std::string list = testing::TTempFolder::Read(InInput("pass.fire.txt"));
    EXPECT_NE(list.find("from file: " + InInput("pass") + "\r\n0 pixels found\r\n"), std::string::npos) << list;

    products.SaveLocationFile("pass");
    const std::string locations = testing::TTempFolder::Read(InInput("pass.lcn"));
    ASSERT_EQ(locations.size(), 3u * 408u);
    EXPECT_EQ(locations.substr(0, 8), std::string("\x00\x00\x20\x41\x00\x00\xa0\xc1", 8)) << "10.0 and -20.0";
}

// A pass read from a station file by the loader, saved as raw channels and read back.
TEST(DataProductsFromAFile, RawChannelsOfALoadedPass) {
    testing::TTempFolder folder;
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    TDialogService::Instance().ClearScript();
    TPassState pass;
    THeadlessHost loaderHost;
    TLoaderSettings loaderSettings;
    loaderSettings.Unattended = true;
    loaderSettings.ForcedDirection = 2;
    const test::THrptPassSpec hrpt;
    constexpr int32_t lines = 24;
    const std::string file = folder / "2023-05-03-1200_NOAA18.raw16";
    test::WriteFileBytes(file, test::Build16BitHrptFile(hrpt, lines, false));
    TPassLoader(pass, loaderHost, loaderSettings).LoadDataFile(file);
    ASSERT_EQ(pass.LoadedFileName, "2023-05-03-1200_NOAA18");
    ASSERT_EQ(pass.DataLineCount, lines);

    THeadlessRenderHost host;
    const TSaveSettings settings;
    TDataProducts(pass, host, settings).SaveRawChannels(pass.LoadedFileName);
    for (int channel = 1; channel <= 5; ++channel) {
        std::vector<uint16_t> words;
        for (int32_t y = 0; y < lines; ++y)
            for (int32_t x = 0; x < 2048; ++x) words.push_back(test::StoredSample(hrpt, lines, false, y, channel, x));
        EXPECT_EQ(testing::TTempFolder::Read(folder / ("2023-05-03-1200_NOAA18-" + std::to_string(channel) + ".raw")),
                  LittleEndian(words))
            << "channel " << channel;
    }
}

}  // namespace
}  // namespace kestrune
