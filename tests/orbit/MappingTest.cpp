#include "orbit/qelMapping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

using namespace kestrune;

namespace {

// Expected pixels below were worked with the textbook sphere formulas (and
// the conic with its cone constant from the colatitude of the standard
// parallel), independently of this code.

TMapping MakeMap(uint8_t kind, int rows, int columns, float centreLon, float centreLat) {
    TMapping map;
    map.SetProjection(kind);
    map.SetWidth(rows);
    map.SetHeight(columns);
    map.SetCentreLongitude(centreLon);
    map.SetCentreLatitude(centreLat);
    return map;
}

struct Pixel {
    int x = -999999, y = -999999;
    bool visible = false;
};

Pixel Project(TMapping& map, float lon, float lat) {
    Pixel p;
    p.visible = map.LatLonToXY(p.x, p.y, lon, lat);
    return p;
}

void ExpectPixel(TMapping& map, float lon, float lat, int x, int y) {
    const Pixel p = Project(map, lon, lat);
    EXPECT_TRUE(p.visible) << lon << "," << lat;
    EXPECT_EQ(p.x, x) << lon << "," << lat;
    EXPECT_EQ(p.y, y) << lon << "," << lat;
}

void ExpectInvisible(TMapping& map, float lon, float lat) {
    int x = 0, y = 0;
    EXPECT_FALSE(map.LatLonToXY(x, y, lon, lat)) << lon << "," << lat;
}

// Every pixel of a coarse raster that lies on the earth comes back to itself.
void ExpectPixelsRoundTrip(TMapping& map, int step) {
    int checked = 0;
    for (int y = 0; y < map.GetWidth(); y += step) {
        for (int x = 0; x < map.GetHeight(); x += step) {
            float lon = 0, lat = 0;
            if (!map.XYToLatLon(x, y, lon, lat)) continue;
            EXPECT_GE(lon, -180.0f);
            EXPECT_LT(lon, 180.0f);
            int backX = 0, backY = 0;
            if (!map.LatLonToXY(backX, backY, lon, lat)) continue;
            EXPECT_NEAR(backX, x, 1) << "kind " << int(map.Projection()) << " at " << x << "," << y;
            EXPECT_NEAR(backY, y, 1) << "kind " << int(map.Projection()) << " at " << x << "," << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 20) << "kind " << int(map.Projection());
}

}  // namespace

TEST(Projection, CylindricalFullWrapsLongitudesAndInverts) {
    TMapping map = MakeMap(1, 180, 360, 0, 0);
    ExpectPixel(map, 10, 20, 190, 70);
    ExpectPixel(map, 540, 0, 360, 90);  // same column as 180
    ExpectPixel(map, 180, 0, 360, 90);
    ExpectPixel(map, -180, 90, 0, 0);   // date line and north pole
    ExpectPixel(map, 0, -90, 180, 180); // south pole
    float lon = 0, lat = 0;
    ASSERT_TRUE(map.XYToLatLon(190, 70, lon, lat));
    EXPECT_NEAR(lon, 10, 1e-4);
    EXPECT_NEAR(lat, 20, 1e-4);
    ASSERT_TRUE(map.XYToLatLon(360, 90, lon, lat));
    EXPECT_FLOAT_EQ(lon, -180);  // longitudes come back below 180
}

TEST(Projection, AzimuthalEquidistantWithRotationDateLineAndHorizon) {
    TMapping map = MakeMap(3, 1000, 1000, 10, 50);
    EXPECT_FLOAT_EQ(map.Scale(), 0.75f);
    ExpectPixel(map, 30, 40, 699, 605);
    ExpectPixelsRoundTrip(map, 37);
    map.SetRotation(30);
    ExpectPixel(map, 30, 40, 620, 691);

    TMapping pacific = MakeMap(3, 1000, 1000, 170, 10);
    ExpectPixel(pacific, -170, 20, 747, 359);  // across the date line
    ExpectInvisible(pacific, -10, -10);         // antipode, 20,000 km away
    ExpectInvisible(pacific, -60, 0);           // about 12,200 km away
}

TEST(Projection, MercatorFullAndItsPoles) {
    TMapping map = MakeMap(5, 360, 360, 0, 0);
    ExpectPixel(map, 90, 45, 270, 130);
    ExpectPixelsRoundTrip(map, 17);
    // The poles take the ordinate of 89.999 degrees instead of infinity.
    const Pixel north = Project(map, 0, 90);
    EXPECT_TRUE(north.visible);
    const Pixel nearPole = Project(map, 0, 89.999f);
    EXPECT_EQ(north.y, nearPole.y);
    const Pixel south = Project(map, 0, -90);
    EXPECT_EQ(south.y, 360 - nearPole.y);
}

TEST(Projection, PolarStereographicBothHemispheres) {
    TMapping north = MakeMap(9, 1000, 1000, 0, 90);
    EXPECT_FALSE(north.SouthernHemisphere());
    ExpectPixel(north, 0, 60, 500, 956);
    ExpectPixel(north, 90, 60, 956, 500);
    ExpectPixel(north, 0, 90, 500, 500);
    ExpectInvisible(north, 0, -90);  // the opposite pole lies at infinity
    ExpectPixelsRoundTrip(north, 41);

    TMapping south = MakeMap(9, 1000, 1000, 0, -90);
    EXPECT_TRUE(south.SouthernHemisphere());
    ExpectPixel(south, 0, -60, 500, 44);
    ExpectPixel(south, 90, -60, 956, 500);
    ExpectPixelsRoundTrip(south, 41);
}

TEST(Sphere, GreatCircleDistanceAndBearing) {
    float distance = 0, bearing = 0;
    ASSERT_TRUE(GreatCircleDistance(0, 0, 1, 0, distance, bearing));
    EXPECT_NEAR(distance, 111.3195, 1e-3);
    EXPECT_NEAR(bearing, 90, 1e-4);
    GreatCircleDistance(-0.1278f, 51.5074f, 2.3522f, 48.8566f, distance, bearing);  // London to Paris
    EXPECT_NEAR(distance, 343.9408, 1e-2);
    EXPECT_NEAR(bearing, 148.1822, 1e-3);
    GreatCircleDistance(0, 10, 0, 0, distance, bearing);
    EXPECT_NEAR(bearing, 180, 1e-4);
    GreatCircleDistance(30, 90, 30, 80, distance, bearing);
    EXPECT_FLOAT_EQ(bearing, 180);  // from the north pole
    GreatCircleDistance(30, -90, 30, -80, distance, bearing);
    EXPECT_FLOAT_EQ(bearing, 0);    // from the south pole
    GreatCircleDistance(179.5f, 0, -179.5f, 0, distance, bearing);
    EXPECT_NEAR(distance, 111.3195, 1e-2);  // across the date line
    EXPECT_NEAR(bearing, 90, 1e-3);
}

TEST(Sphere, MercatorOrdinate) {
    EXPECT_EQ(MercatorY(0), 0);
    EXPECT_NEAR(MercatorY(45), 50.49899, 1e-4);
    EXPECT_NEAR(MercatorY(-45), -50.49899, 1e-4);
    EXPECT_NEAR(MercatorLatitude(MercatorY(60)), 60, 1e-4);
    EXPECT_NEAR(MercatorLatitude(MercatorY(-60)), -60, 1e-4);
    EXPECT_EQ(MercatorLatitude(0), 0);
    EXPECT_TRUE(std::isfinite(MercatorY(90)));
    EXPECT_EQ(MercatorY(90), MercatorY(89.999f));
    EXPECT_EQ(MercatorY(-95), -MercatorY(90));
}

namespace {

class RecordingCanvas : public TGridCanvas {
public:
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    void BeginGrid(uint32_t colour) override {
        gridColour = colour;
        ++begun;
    }
    void EndGrid() override { ++ended; }
    void Polyline(std::span<const TGridPoint> points) override {
        lines.emplace_back(points.begin(), points.end());
    }
    int TextWidth(const std::string& text) override { return 6 * static_cast<int>(text.size()); }
    int TextHeight(const std::string&) override { return 10; }
    void TextOut(int, int, const std::string& text, uint32_t colour) override { texts[text].push_back(colour); }
    void Changed() override { ++changed; }

    int width = 360, height = 180;
    uint32_t gridColour = 0;
    int begun = 0, ended = 0, changed = 0;
    std::vector<std::vector<TGridPoint>> lines;
    std::map<std::string, std::vector<uint32_t>> texts;
};

TGridSettings Settings(float meridians, float parallels) {
    TGridSettings settings;
    settings.MeridianStep = meridians;
    settings.ParallelStep = parallels;
    settings.GridColour = 1;
    settings.LabelColour = 2;
    settings.OutlineColour = 3;
    settings.DegreeSign = "d";
    return settings;
}

}  // namespace

TEST(Grid, VanDerGrintenSplitsItsRangeAtTheDateLine) {
    TMapping map = MakeMap(12, 500, 500, 100, 0);
    RecordingCanvas canvas;
    canvas.width = canvas.height = 500;
    map.DrawGridOnCanvas(canvas, Settings(30, 30));
    // No parallel segment may jump across the map at the date line.
    for (const auto& line : canvas.lines)
        for (size_t i = 1; i < line.size(); ++i) EXPECT_LT(std::abs(line[i].X - line[i - 1].X), 100);
}

namespace {

// The pixel of a point whose unrounded place, worked with the textbook
// formulas, is (x, y): the rounding may go either way within float precision.
void ExpectPixelNear(TMapping& map, float lon, float lat, double x, double y) {
    const Pixel p = Project(map, lon, lat);
    EXPECT_TRUE(p.visible) << "kind " << int(map.Projection()) << " at " << lon << "," << lat;
    EXPECT_NEAR(p.x, x, 0.6) << "kind " << int(map.Projection()) << " at " << lon << "," << lat;
    EXPECT_NEAR(p.y, y, 0.6) << "kind " << int(map.Projection()) << " at " << lon << "," << lat;
}

// A map of 1000 x 1000 pixels centred on 10 E 50 N.
TMapping EuropeMap(uint8_t kind) { return MakeMap(kind, 1000, 1000, 10, 50); }

}  // namespace

// A window 40 degrees wide and 20 high, linear in longitude and latitude (2)
// or in the Mercator ordinate (6); the linear-based kind (14) is laid out as 2.
TEST(Projection, ZoomedCylindricalWindows) {
    for (const uint8_t kind : std::initializer_list<uint8_t>{2, 6, 14}) {
        TMapping map = EuropeMap(kind);
        map.SetLongitudeSpan(40);
        map.SetLatitudeSpan(20);
        EXPECT_FLOAT_EQ(map.WestLongitude(), -10);
        EXPECT_FLOAT_EQ(map.BottomLatitude(), 40);
        if (kind == 6) {
            ExpectPixelNear(map, 5, 45, 375, 733.391);
            ExpectPixelNear(map, 25, 58, 875, 69.573);
            ExpectInvisible(map, 5, 62);   // above the window
            ExpectInvisible(map, 40, 45);  // east of it
        } else {
            ExpectPixel(map, 5, 45, 375, 750);
            ExpectPixel(map, 25, 58, 875, 100);
            EXPECT_TRUE(Project(map, 40, 45).visible) << "the cylindrical kinds show every point";
        }
        ExpectPixelsRoundTrip(map, 37);
    }
    EXPECT_TRUE(EuropeMap(2).IsGeographic());
    EXPECT_FALSE(EuropeMap(14).IsGeographic());
}

// Azimuthal equidistant of the wide kind (scale 0.4, or filling the rows
// with a latitude window), orthographic and gnomonic, all seen from 10 E 50 N.
TEST(Projection, AzimuthalKindsFromTheirCentre) {
    TMapping wide = EuropeMap(4);
    EXPECT_FLOAT_EQ(wide.Scale(), 0.4f);
    ExpectPixelNear(wide, 30, 40, 606.398, 556.146);
    ExpectPixelNear(wide, -20, 70, 429.473, 344.469);
    ExpectPixelsRoundTrip(wide, 37);
    wide.SetLatitudeSpan(40);
    EXPECT_NEAR(wide.Scale(), 1.4619022, 1e-5);
    ExpectPixelNear(wide, 30, 40, 888.858, 705.200);

    TMapping ortho = EuropeMap(7);
    EXPECT_FLOAT_EQ(ortho.Scale(), 0.8f);
    ExpectPixelNear(ortho, 30, 40, 709.602, 610.607);
    ExpectPixelNear(ortho, -20, 70, 363.192, 198.303);
    ExpectInvisible(ortho, 10, -7);  // 6,330 km away, over the horizon
    ExpectPixelsRoundTrip(ortho, 37);

    TMapping gnomonic = EuropeMap(11);
    ExpectPixelNear(gnomonic, 30, 40, 609.726, 557.902);
    ExpectPixelNear(gnomonic, -20, 70, 424.850, 334.276);
    ExpectInvisible(gnomonic, -170, -50);  // the antipode
    ExpectPixelsRoundTrip(gnomonic, 37);
}

// The linearised orthographic kind measures the angles off the centre
// linearly and has no inverse.
TEST(Projection, LinearisedOrthographicProjectsButDoesNotInvert) {
    TMapping map = EuropeMap(8);
    EXPECT_FALSE(map.IsGeographic());
    ExpectPixelNear(map, 30, 40, 712.077, 615.006);
    ExpectPixelNear(map, -20, 70, 362.516, 185.774);
    ExpectInvisible(map, 10, -8);  // 6,450 km away
    float lon = 0, lat = 0;
    for (int x = 0; x < 1000; x += 99) EXPECT_FALSE(map.XYToLatLon(x, 500, lon, lat));
}

// The conic takes its cone constant from the colatitude of its standard
// parallel (40 degrees for 50 N): n = sin 40, F = 1.095 m1 / (n t1^n).
TEST(Projection, LambertConformalConic) {
    TMapping map = EuropeMap(10);
    EXPECT_NEAR(map.ConeConstant(), 0.6427876, 1e-6);
    EXPECT_NEAR(map.ConeFactor(), 2.1280061, 1e-5);
    EXPECT_NEAR(map.ConeRho0(), 1.1149744, 1e-5);
    ExpectPixel(map, 10, 50, 500, 500);
    ExpectPixelNear(map, 30, 40, 790.755, 659.048);
    ExpectPixelNear(map, -20, 70, 268.734, 46.022);
    ExpectInvisible(map, 10, -45);  // 10,550 km away
    ExpectPixelsRoundTrip(map, 37);
}

// Van der Grinten by Snyder's formulas with R = 0.155: a general point, the
// central meridian and the equator.
TEST(Projection, VanDerGrinten) {
    TMapping map = EuropeMap(12);
    ExpectPixelNear(map, 70, 40, 653.857, 383.135);
    ExpectPixelNear(map, -100, -60, 243.116, 707.077);
    ExpectPixelNear(map, 10, 45, 500, 369.523);
    ExpectPixelNear(map, 100, 0, 743.473, 500);
    ExpectPixelsRoundTrip(map, 37);
}

// Distance from the centre along the great circle, in the direction of the
// point: the whole earth fits in a disc.
TEST(Projection, GreatCircle) {
    TMapping map = EuropeMap(13);
    EXPECT_NEAR(map.Scale(), 0.15915494, 1e-7);
    ExpectPixelNear(map, 30, 40, 542.334, 522.340);
    ExpectPixelNear(map, -20, 70, 471.938, 438.116);
    ExpectPixelNear(map, -150, -30, 198.573, 192.657);
    ExpectPixelsRoundTrip(map, 37);
}
