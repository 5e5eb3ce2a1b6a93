// The data files the build puts beside the program, read from the build as
// the program reads them.
#include "orbit/TextLines.h"
#include "platform/SysUtils.h"
#include "render/BMPExtImage.h"
#include "render/ClutImages.h"
#include "render/GroundPath.h"
#include "render/qelCartography.h"
#include "render/qelODPSdata.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrune {
namespace {

std::string Shipped(const std::string& name) { return std::string(KESTRUNE_PROGRAM_DIR) + "/" + name; }

constexpr uint8_t CoastKind = 0;
constexpr uint8_t BorderKind = 4;
constexpr float TwoKilometres = 0.018f;  // degrees of latitude

class ShippedMapDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        countries_ = new TCartogList;
        countries_->LoadFile(Shipped("Countries.dat"));
        mask_ = new TODPSdata(Shipped("OdpsLandMask.dat"));
    }
    static void TearDownTestSuite() {
        delete countries_;
        delete mask_;
    }

    // Land within about two kilometres of the point (at the latitudes of
    // the British Isles), and sea too.
    static bool CoastNear(float longitude, float latitude) {
        bool land = false, sea = false;
        for (int y = -4; y <= 4; ++y)
            for (int x = -4; x <= 4; ++x)
                (mask_->IsLand(longitude + 1.7f * TwoKilometres * static_cast<float>(x) / 4,
                               latitude + TwoKilometres * static_cast<float>(y) / 4)
                     ? land
                     : sea) = true;
        return land && sea;
    }

    static TCartogList* countries_;
    static TODPSdata* mask_;
};

TCartogList* ShippedMapDataTest::countries_ = nullptr;
TODPSdata* ShippedMapDataTest::mask_ = nullptr;

TEST_F(ShippedMapDataTest, CoastlinesAndBordersAreWholeLines) {
    EXPECT_EQ(countries_->FileKind, OverlaySegmentFile);
    int coasts = 0, borders = 0;
    for (const TLineSegment& segment : countries_->Segments()) {
        ASSERT_TRUE(segment.Flag == CoastKind || segment.Flag == BorderKind) << int{segment.Flag};
        (segment.Flag == CoastKind ? coasts : borders) += 1;
        ASSERT_TRUE(segment.MinLon >= -180 && segment.MaxLon <= 180 && segment.MinLat >= -90 && segment.MaxLat <= 90);
    }
    EXPECT_GT(coasts, 20000);
    EXPECT_GT(borders, 200);
    // Great Britain's shore is one line, from Ardnamurchan Point to Lowestoft
    // and from the Lizard to Dunnet Head.
    const auto britain = std::find_if(countries_->Segments().begin(), countries_->Segments().end(),
                                      [](const TLineSegment& s) { return s.MinLon < -6 && s.MaxLon > 1.7f && s.MinLat < 50 && s.MaxLat > 58.6f && s.MaxLat < 59; });
    ASSERT_NE(britain, countries_->Segments().end());
    EXPECT_NEAR(britain->MinLon, -6.23, 0.05);
    EXPECT_NEAR(britain->MaxLon, 1.76, 0.05);
    EXPECT_NEAR(britain->MinLat, 49.96, 0.05);
    EXPECT_NEAR(britain->MaxLat, 58.67, 0.05);
    EXPECT_GT(britain->Count(), 1000);
}

// Lakes are water and islands in them land; Antarctica closes over the pole,
// and land that the date line cuts is whole on both sides of it.
TEST_F(ShippedMapDataTest, MaskKnowsLandLakesAndIslands) {
    const struct {
        const char* place;
        float longitude, latitude;
        bool land;
    } cases[] = {
        {"London", -0.13f, 51.51f, true},         {"North Sea", 3.0f, 56.0f, false},
        {"Isle of Man", -4.53f, 54.23f, true},    {"Irish Sea", -5.0f, 53.7f, false},
        {"Lake Geneva", 6.55f, 46.45f, false},    {"Lake Huron", -82.3f, 44.8f, false},
        {"Manitoulin Island", -82.2f, 45.8f, true}, {"Caspian Sea", 50.5f, 42.0f, false},
        {"Sahara", 10.0f, 23.0f, true},           {"South Pole", 0.0f, -89.9f, true},
        {"Vostok", 106.8f, -78.46f, true},        {"Arctic Ocean", 0.0f, 89.0f, false},
        {"Chukotka", 175.0f, 66.0f, true},        {"Chukotka east", -175.0f, 66.0f, true},
        {"Fiji, Vanua Levu", 179.4f, -16.6f, true}, {"Bering Sea", 178.0f, 60.0f, false},
    };
    for (const auto& c : cases) EXPECT_EQ(mask_->IsLand(c.longitude, c.latitude), c.land) << c.place;
}

// The mask is drawn from the same shorelines: along the coasts of the
// British Isles it turns from land to sea within a pixel or two of the line.
TEST_F(ShippedMapDataTest, MaskFollowsTheCoastlines) {
    int points = 0, near = 0;
    for (const TLineSegment& segment : countries_->Segments()) {
        if (segment.Flag != CoastKind || segment.MaxLon < -11 || segment.MinLon > 2 || segment.MaxLat < 49 ||
            segment.MinLat > 61)
            continue;
        for (const TGroundPoint& point : segment.Points) {
            if (point.Longitude < -11 || point.Longitude > 2 || point.Latitude < 49 || point.Latitude > 61) continue;
            ++points;
            near += CoastNear(point.Longitude, point.Latitude) ? 1 : 0;
        }
    }
    EXPECT_GT(points, 5000);
    // Islets and inlets narrower than a bit of the mask are not in it.
    EXPECT_GT(near, points * 97 / 100) << near << " of " << points;
}

TEST_F(ShippedMapDataTest, StationsLieAtTheirPlacesOnLand) {
    std::vector<std::string> lines;
    ASSERT_TRUE(ReadTextLines(Shipped("stations.dat"), lines));
    int stations = 0;
    for (const std::string& line : lines) {
        if (line.empty() || line.starts_with('#')) continue;
        const auto fields = SplitCommaText(line);
        ASSERT_EQ(fields.size(), 5u) << line;
        EXPECT_EQ(fields[0], "*");
        double longitude = 0, latitude = 0;
        ASSERT_TRUE(TryStrToFloat(fields[2], longitude) && TryStrToFloat(fields[3], latitude)) << line;
        const std::vector<std::string> directions{"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
        EXPECT_NE(std::find(directions.begin(), directions.end(), fields[4]), directions.end()) << line;
        const auto x = static_cast<float>(longitude), y = static_cast<float>(latitude);
        EXPECT_TRUE(mask_->IsLand(x, y) || CoastNear(x, y)) << line;
        ++stations;
    }
    EXPECT_GE(stations, 5);
}

// The world map puts each place at its longitude and latitude.
TEST(ShippedPicturesTest, GroundPathMapIsAWorldMapTheRightWayRound) {
    TExtBitmap master;
    ASSERT_TRUE(LoadGroundPathMaster(master, Shipped(GroundPathMasterFileName)));
    EXPECT_EQ(master.Width(), 2048);
    EXPECT_EQ(master.Height(), 1024);
    const TBgrEntry sahara = GroundPathColour(master, 23, 10);
    const TBgrEntry pacific = GroundPathColour(master, 0, -150);
    const TBgrEntry greenland = GroundPathColour(master, 75, -40);
    const TBgrEntry amazon = GroundPathColour(master, -5, -60);
    EXPECT_GT(sahara.Red, sahara.Blue + 40);
    EXPECT_GT(pacific.Blue, pacific.Red + 30);
    EXPECT_GT(std::min({greenland.Red, greenland.Green, greenland.Blue}), 200);
    EXPECT_GT(amazon.Green, amazon.Blue + 20);
}

int Lightness(const TBgrEntry& colour) { return colour.Red * 3 + colour.Green * 6 + colour.Blue; }

// Blue for the negative differences of ash and dust, white for none, red
// for the positive ones of thin ice cloud.
TEST(ShippedPicturesTest, AshPaletteDivergesFromWhite) {
    const TAshPalette palette = LoadAshPalette(Shipped("ash-palette.bmp"));
    const TBgrEntry& none = palette[50];
    EXPECT_GT(std::min({none.Red, none.Green, none.Blue}), 200);
    EXPECT_GT(palette[0].Blue, palette[0].Red + 60);
    EXPECT_GT(palette[100].Red, palette[100].Blue + 60);
    for (int k = 1; k <= 50; ++k) {
        EXPECT_GE(Lightness(palette[50 - k + 1]), Lightness(palette[50 - k])) << -k;
        EXPECT_GE(Lightness(palette[50 + k - 1]), Lightness(palette[50 + k])) << k;
    }
}

std::vector<std::string> ShippedCluts() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(KESTRUNE_PROGRAM_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("CLUT_") && name.ends_with(".bmp")) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ShippedPicturesTest, EveryColourLookUpImageLoads) {
    const auto names = ShippedCluts();
    EXPECT_EQ(names, (std::vector<std::string>{"CLUT_Standard.bmp", "CLUT_batlow.bmp", "CLUT_viridis.bmp"}));
    for (const std::string& name : names) {
        const auto clut = LoadClut(Shipped(name));
        ASSERT_TRUE(clut.has_value()) << name;
        // Black at no brightness, whatever the temperature.
        for (int column = 0; column < TClutImage::Width; ++column)
            EXPECT_EQ(clut->Pixel(column, TClutImage::Height - 1), (TBgrEntry{0, 0, 0})) << name << " " << column;
    }
}

// The standard image holds the computed hues: the view through it is the
// view without it, at temperatures of whole hue columns.
TEST(ShippedPicturesTest, StandardClutGivesTheComputedFalseColour) {
    const auto clut = LoadClut(Shipped("CLUT_Standard.bmp"));
    ASSERT_TRUE(clut.has_value());
    std::vector<double> thermal(CountRange);
    for (int c = 0; c < CountRange; ++c) thermal[c] = KelvinOffset - 120.0 + (c * 7 % TClutImage::Width) / 2.0;
    TFalseColourTable computed, looked;
    BuildFalseColourLookup(computed, {thermal.data(), 0, 0, 1.0, nullptr}, nullptr);
    BuildFalseColourLookup(looked, {thermal.data(), 0, 0, 1.0, &*clut}, nullptr);
    int differing = 0;
    for (int c = 0; c < CountRange; c += 3)
        for (int v = 0; v < CountRange; ++v) {
            const TBgrEntry& a = computed.At(c, v);
            const TBgrEntry& b = looked.At(c, v);
            differing += std::abs(a.Red - b.Red) > 1 || std::abs(a.Green - b.Green) > 1 || std::abs(a.Blue - b.Blue) > 1;
        }
    EXPECT_EQ(differing, 0);
}

// viridis grows lighter from cold to warm (by its own measure of lightness,
// nearly by this one); the brightest row is the lightest.
TEST(ShippedPicturesTest, ViridisClutRunsFromColdToWarm) {
    const auto clut = LoadClut(Shipped("CLUT_viridis.bmp"));
    ASSERT_TRUE(clut.has_value());
    const int coldest = 120, warmest = 319;  // -60 and 39.5 degrees Celsius
    for (int column = coldest; column < warmest; ++column)
        EXPECT_LE(Lightness(clut->Pixel(column, 0)), Lightness(clut->Pixel(column + 1, 0)) + 5) << column;
    EXPECT_GT(Lightness(clut->Pixel(warmest, 0)), Lightness(clut->Pixel(coldest, 0)) + 500);
    EXPECT_GT(clut->Pixel(coldest, 0).Blue, clut->Pixel(coldest, 0).Green);
    EXPECT_GT(clut->Pixel(warmest, 0).Red, clut->Pixel(warmest, 0).Blue);
    for (int row = 1; row < TClutImage::Height; ++row)
        EXPECT_LE(Lightness(clut->Pixel(200, row)), Lightness(clut->Pixel(200, row - 1))) << row;
}

}  // namespace
}  // namespace kestrune
