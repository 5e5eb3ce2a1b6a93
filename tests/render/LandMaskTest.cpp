#include "render/qelODPSdata.h"

#include "orbit/EarthLocations.h"
#include "platform/DialogService.h"
#include "render/GoogleEarth.h"
#include "render/RenderView.h"
#include "tests/platform/TempFolder.h"
#include "tests/render/SyntheticPass.h"
#include "tools/mapdata/MapDataWriters.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <limits>

namespace kestrune {
namespace {

using mapdata::TPolygon;
using testing::TTempFolder;

TPolygon Box(float west, float east, float south, float north) {
    return {{west, south}, {east, south}, {east, north}, {west, north}};
}

class LandMaskTest : public ::testing::Test {
protected:
    std::string WriteMask(const std::vector<TPolygon>& polygons) {
        const mapdata::TBytes bytes = mapdata::BuildLandMask(polygons);
        return folder_.Write("OdpsLandMask.dat", std::string(bytes.begin(), bytes.end()));
    }

    TTempFolder folder_;
};

// One detail bit of cell (row -34, column 18): row 12 from the south,
// column 51 from the west, and a lake inside a square island elsewhere.
TEST_F(LandMaskTest, AnswersFromTheIndexOrFromOneDetailBit) {
    TODPSdata mask(WriteMask({Box(18.399f, 18.406f, -33.9055f, -33.8985f), Box(10, 12, 40, 42),
                              Box(10.5f, 11.5f, 40.5f, 41.5f)}));
    const struct {
        float longitude, latitude;
        bool land;
    } cases[] = {
        {18.4f, -33.9f, true},     {18.41f, -33.9f, false}, {18.392f, -33.9f, false}, {18.4f, -33.91f, false},
        {10.2f, 40.2f, true},      {11.0f, 41.0f, false},   {11.9f, 41.9f, true},     {-170, -33.9f, false},
    };
    for (const auto& c : cases) EXPECT_EQ(mask.IsLand(c.longitude, c.latitude), c.land) << c.longitude << " " << c.latitude;
}

TEST_F(LandMaskTest, ConsecutiveQueriesInOneCoastalCellReadItOnce) {
    TODPSdata mask(WriteMask({Box(18.2f, 18.6f, -33.95f, -33.7f)}));
    EXPECT_TRUE(mask.IsLand(18.4f, -33.9f));
    EXPECT_FALSE(mask.IsLand(18.7f, -33.9f));
    EXPECT_EQ(mask.DetailReads(), 1);
    EXPECT_FALSE(mask.IsLand(10, 40));  // a sea cell reads nothing
    EXPECT_EQ(mask.DetailReads(), 1);
}

// A ring of longitudes round the south pole closes over it; the longitudes
// -180 and 180 are one column; latitudes beyond the poles are taken at them.
TEST_F(LandMaskTest, PolesDatelineAndValuesThatAreNoPlace) {
    TPolygon antarctica;
    for (int longitude = 180; longitude >= -180; longitude -= 10)
        antarctica.push_back({static_cast<float>(longitude), longitude < 0 ? -70.0f : -72.0f});
    TODPSdata mask(WriteMask({antarctica, Box(-180.0f, -179.5f, 89.5f, 90), Box(179.9f, 180.4f, 10, 11)}));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const struct {
        float longitude, latitude;
        bool land;
    } cases[] = {
        {0, -89.9f, true},     {0, -90, true},       {0, -100, true},     {123, -80, true},
        {0, -60, false},       {-180, 90, true},     {180, 90, true},     {540, 90, true},
        {-179.4f, 90, false},  {180.2f, 10.5f, true}, {-179.8f, 10.5f, true}, {179.95f, 10.5f, true},
        {nan, 10, false},      {10, nan, false},     {infinity, 0, false}, {0, -infinity, false},
    };
    for (const auto& c : cases) EXPECT_EQ(mask.IsLand(c.longitude, c.latitude), c.land) << c.longitude << " " << c.latitude;
}

// Index entries that point past the end of the file or into the index
// itself read as sea; a file too short for its index is refused.
// Shorelines joined from pieces end one step before their start, and a
// ring round the pole may start anywhere: its last step closes it.
TEST_F(LandMaskTest, RingRoundThePoleClosesOverItFromAnyStart) {
    TPolygon antarctica;
    for (int step = 0; step < 36; ++step) antarctica.push_back({96.5f + 10.0f * static_cast<float>(step), -70.0f});
    TPolygon arctic;
    for (int step = 0; step < 36; ++step) arctic.push_back({-33.25f - 10.0f * static_cast<float>(step), 80.0f});
    TODPSdata mask(WriteMask({antarctica, arctic}));
    for (float longitude = 86.0f; longitude < 107.0f; longitude += 0.05f) {
        EXPECT_TRUE(mask.IsLand(longitude, -75.0f)) << longitude;
        EXPECT_FALSE(mask.IsLand(longitude, -65.0f)) << longitude;
        EXPECT_TRUE(mask.IsLand(longitude - 130.0f, 85.0f)) << longitude;
    }
}

TEST_F(LandMaskTest, DamagedMasksNeverReadOutsideTheFile) {
    std::string bytes(LandMaskIndexRecords * LandMaskRecordBytes, '\0');
    const auto setEntry = [&](int row, int column, uint16_t entry) {
        const size_t offset = 2 * static_cast<size_t>((row + 90) * 360 + column + 180);
        bytes[offset] = static_cast<char>(entry >> 8);
        bytes[offset + 1] = static_cast<char>(entry & 0xFF);
    };
    setEntry(10, 10, 0xFFFF);
    setEntry(11, 11, 7);
    setEntry(12, 12, LandMaskIndexRecords);  // the first detail record: cut short
    bytes += std::string(100, '\xFF');
    TODPSdata mask(folder_.Write("damaged.dat", bytes));
    EXPECT_FALSE(mask.IsLand(10.5f, 10.5f));
    EXPECT_FALSE(mask.IsLand(11.5f, 11.5f));
    EXPECT_FALSE(mask.IsLand(12.5f, 12.5f));
    EXPECT_THROW(TODPSdata(folder_.Write("short.dat", std::string(1000, '\0'))), ELandMaskError);
    EXPECT_THROW(TODPSdata(folder_ / "missing.dat"), ELandMaskError);
}

TEST_F(LandMaskTest, KmlPointLooksAtTheLocationLongitudeFirst) {
    const std::string text = KmlPointText(45.5f, -73.6f);
    EXPECT_NE(text.find("<LookAt>\r\n<longitude>-73.6</longitude>\r\n<latitude>45.5</latitude>\r\n<range>60000</range>"),
              std::string::npos);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kml xmlns=", 0), 0u);
    const std::string file = WriteKmlPoint(45.5f, -73.6f);
    EXPECT_EQ(file, folder_ / "program/hrpt.kml");
    EXPECT_EQ(TTempFolder::Read(file), text);
    EXPECT_EQ(WriteKmlPoint(0, -73.6f), "");
    EXPECT_EQ(WriteKmlPoint(45.5f, 0), "");
}

// The SST view paints land from the mask where the pixel's place is land; a
// mask file shorter than the full mask is taken as damaged and not used.
TEST_F(LandMaskTest, SstViewPaintsLandFromTheMask) {
    TDialogService::Instance().SetMode(TDialogService::Mode::Scripted);
    TPassState pass;
    THeadlessRenderHost host;
    TRenderView view(pass, host);
    testing::MakePass(pass, 512, 20, {1, 2, 3, 4, 5});
    view.SetViewTabs(testing::ViewsOffered(pass));
    pass.EarthLocations->MapFitted = true;
    view.Services.PixelLocation = [](int x, int, float& latitude, float& longitude) {
        latitude = 10.5f;
        longitude = x < 256 ? 10.5f : 20.5f;
        return true;
    };
    view.Options.CheckBoxSstLandSeaMask = true;
    const mapdata::TBytes mask = mapdata::BuildLandMask({Box(10, 11, 10, 11)});
    const std::string bytes(mask.begin(), mask.end());
    const std::string shortMask = folder_.Write("short.dat", bytes);
    const std::string fullMask = folder_.Write("full.dat", bytes + std::string(15511552 - bytes.size(), '\0'));
    const auto pixel = [&](int x) {
        const uint8_t* p = view.DisplayBitmap().ScanLine(5) + 3 * x;
        return std::array<int, 3>{p[2], p[1], p[0]};
    };
    view.Settings.LandSeaMaskPath = fullMask;
    view.SelectView("SST");
    EXPECT_EQ(pixel(100), (std::array<int, 3>{70, 70, 85}));
    EXPECT_NE(pixel(300), (std::array<int, 3>{70, 70, 85}));
    view.Settings.LandSeaMaskPath = shortMask;
    view.Redisplay();
    EXPECT_NE(pixel(100), (std::array<int, 3>{70, 70, 85}));
    TDialogService::Instance().SetMode(TDialogService::Mode::Unattended);
}

}  // namespace
}  // namespace kestrune
