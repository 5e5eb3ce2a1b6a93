#include "render/FireDetection.h"

#include "decoding/HRPTvideo.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "orbit/EarthLocations.h"
#include "platform/RegistryVariables.h"
#include "tests/platform/TempFolder.h"
#include "tests/render/SyntheticPass.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace kestrune {
namespace {

constexpr char Deg[] = "\xC2\xB0";

// A pass of channels 3 and 4, every line valid, each channel at its
// background count everywhere.
class FireTest : public ::testing::Test {
protected:
    testing::TTempFolder folder;
    TPassState pass;
    TFireSettings settings;
    TFireFilterImages images;
    std::vector<std::string> statusTexts;
    bool calibrated = false;  // a typical NOAA calibration, else none

    void MakePass(int32_t width, int32_t lines, uint16_t background3, uint16_t background4 = 400) {
        testing::MakePass(pass, width, lines, {3, 4}, [=](int channel, int, int) {
            return channel == 3 ? background3 : background4;
        });
        if (!calibrated) pass.Sensor->CalibrateThermal(0, 0, 0.0, 1, 1, 1, 1);  // equal counts: no temperatures
    }

    void Set(int channel, int32_t x, int32_t y, uint16_t count) { pass.Video->SampleAddress(channel, y)[x] = count; }

    void Build() {
        BuildFireFilterImages(pass, settings, images, [this](const std::string& text) { statusTexts.push_back(text); });
    }

    static uint16_t At(const IplImage* image, int32_t x, int32_t y) { return image->RowAs<uint16_t>(y)[x]; }
};

TEST_F(FireTest, FilterImagesAroundOneColdSpike) {
    MakePass(64, 40, 500);
    Set(3, 30, 20, 240);
    settings.FireUseAvg = true;
    settings.FireAvgRegionSize = 1;
    settings.FireAvgEdgeMargin = 20;
    Build();
    EXPECT_EQ(statusTexts, std::vector<std::string>{"Detecting fires..."});
    for (int k = 1; k <= 3; ++k) {
        ASSERT_NE(images.Image(k), nullptr);
        EXPECT_EQ(images.Image(k)->Width(), 64);
        EXPECT_EQ(images.Image(k)->Height(), 40);
        EXPECT_EQ(images.Image(k)->Depth(), IplDepth::U16);
    }
    const IplImage* average = images.Image(1);
    EXPECT_EQ(At(average, 30, 20), 471);  // (500 + 1240 div 3 + 500) div 3
    EXPECT_EQ(At(average, 29, 19), 471);
    EXPECT_EQ(At(average, 28, 20), 500);
    EXPECT_EQ(At(images.Image(2), 30, 20), 500) << "one spike does not move the median";
    const IplImage* difference = images.Image(3);
    EXPECT_EQ(At(difference, 30, 20), 800 + 240 - 471);
    EXPECT_EQ(At(difference, 31, 20), 800 + 500 - 471);
    EXPECT_EQ(At(difference, 32, 20), 800);

    settings.FireAvgMethod = 1;  // "Median"
    Build();
    EXPECT_EQ(At(images.Image(3), 30, 20), 800 + 240 - 500);
    EXPECT_EQ(At(images.Image(3), 31, 20), 800);
}

TEST_F(FireTest, ImagesOfAnEarlierPassNeverOutliveIt) {
    MakePass(64, 40, 500);
    settings.FireUseAvg = true;
    Build();
    ASSERT_NE(images.Image(3), nullptr);
    settings.FireUseAvg = false;
    BuildFireFilterImagesAfterLoad(pass, settings, images, {});
    EXPECT_EQ(images.Image(3), nullptr) << "a new pass drops them";
    settings.FireUseAvg = true;
    pass.Video->ChannelPresent[3] = false;
    pass.Video->ChannelSlot[3] = 0;
    Build();
    EXPECT_EQ(images.Image(3), nullptr) << "a pass without channel 3 has nothing to filter";
}

// Calibration tables made by hand: every count 0 K unless set.
struct THandTables {
    std::array<double, 1024> T3{};
    std::array<double, 1024> T4{};
};

bool Fire(const TFireClassTable& table, int first, int count4) {
    return table[static_cast<size_t>(first) * 1024 + static_cast<size_t>(count4)] == 255;
}

TEST(FireClassTable, StandardAlgorithm) {
    THandTables tables;
    tables.T4.fill(305.0);
    tables.T3[100] = 315.0;
    tables.T3[101] = 314.9;
    tables.T3[102] = 330.0;
    tables.T4[7] = 305.5;
    tables.T4[8] = 320.1;
    TFireSettings settings;
    TFireClassTable table;
    BuildFireClassTable(tables.T3.data(), tables.T4.data(), settings, table);
    ASSERT_EQ(table.size(), 1024u * 1024u);
    EXPECT_TRUE(Fire(table, 100, 0)) << "315 K and a difference of exactly 10 K";
    EXPECT_FALSE(Fire(table, 100, 7));
    EXPECT_FALSE(Fire(table, 101, 0)) << "below the threshold";
    EXPECT_TRUE(Fire(table, 102, 7));
    EXPECT_FALSE(Fire(table, 102, 8));
    EXPECT_FALSE(Fire(table, 0, 0));

    settings.FireIncludeDeltaT = false;
    BuildFireClassTable(tables.T3.data(), tables.T4.data(), settings, table);
    EXPECT_TRUE(Fire(table, 100, 8)) << "exactly 315 K is fire whatever channel 4 shows";
    EXPECT_TRUE(Fire(table, 100, 7));
    EXPECT_FALSE(Fire(table, 101, 8));

    BuildFireClassTable(nullptr, tables.T4.data(), settings, table);
    EXPECT_FALSE(Fire(table, 100, 8)) << "no channel-3 calibration, no fire";
}

TEST(FireClassTable, AdvancedAlgorithm) {
    THandTables tables;
    tables.T4[1] = 310.0;
    tables.T4[2] = 304.9;
    TFireSettings settings;
    settings.FireUseAvg = true;
    TFireClassTable table;
    BuildFireClassTable(nullptr, tables.T4.data(), settings, table);
    EXPECT_TRUE(Fire(table, 800 - 250, 1)) << "250 counts below the background";
    EXPECT_TRUE(Fire(table, 579, 1));
    EXPECT_FALSE(Fire(table, 800 - 220, 1)) << "220 below is not enough";
    EXPECT_FALSE(Fire(table, 550, 2)) << "channel 4 too cold";

    BuildFireClassTable(tables.T3.data(), nullptr, settings, table);
    EXPECT_FALSE(Fire(table, 550, 1)) << "no channel-4 calibration, no fire";
    TSensor uncalibrated;
    BuildFireClassTable(uncalibrated, settings, table);
    EXPECT_FALSE(Fire(table, 550, 1));
}

// Fire pixel lists over a 2048-wide pass with the anchors of line y at
// latitude 10 + y + k / 10 and longitude -20 + k.
class FireListTest : public FireTest {
protected:
    void SetUp() override {
        calibrated = true;
        MakePass(2048, 3, 900);
        TEarthLocations& locations = *pass.EarthLocations;
        locations.SetLineCount(3);
        for (int y = 0; y < 3; ++y)
            for (size_t k = 0; k < LocationAnchorCount; ++k)
                locations.LineLocations(y)->Anchors[k] = {10.0f + static_cast<float>(y) + static_cast<float>(k) / 10.0f,
                                                          -20.0f + static_cast<float>(k)};
        locations.LocationsValid = true;
        locations.StartTime = EncodeDate(2024, 5, 2) + EncodeTime(12, 25, 0, 0);
        locations.EndTime = EncodeDate(2024, 5, 2) + EncodeTime(12, 35, 0, 0);
    }

    std::vector<std::string> List() { return FirePixelListText(pass, settings, images, "/out/pass"); }

    static std::string Heading() {
        return std::string("Fire pixel locations: ") + Deg + "latitude (-S +N)  " + Deg +
               "longitude (-W +E), mid-pass at 2024-05-02 12:30 UTC, from file: /out/pass";
    }
};

}  // namespace
}  // namespace kestrune
