#include "orbit/EarthLocations.h"

#include "OneProcessorCopy.h"
#include "OrbitTestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "orbit/MapWithWarp.h"
#include "orbit/Orbits.h"
#include "orbit/qelMapping.h"

namespace kestrune {
namespace {

constexpr double Second = 1.0 / 86400.0;
constexpr double Millisecond = Second / 1000.0;

const TDateTime YearStart = EncodeDate(2020, 1, 1);
// A sun-synchronous orbit at about 850 km: the test writer's default set.
const std::string ElementLine1 = testing::TleLine1(testing::TleElements{});
const std::string ElementLine2 = testing::TleLine2(testing::TleElements{});
const TDateTime Epoch = EncodeDate(2020, 4, 9) + 0.5;  // of that set
const TDateTime PassStart = Epoch + 0.5 / 24 + 0.165 * Second;

void PutBigEndian(uint8_t* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
}

class EarthLocationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        orbit.Quiet = true;
        orbit.SetSatelliteName("NOAA 15");
    }

    void EmbedElements() {
        locations.EmbeddedTleLine1 = ElementLine1;
        locations.EmbeddedTleLine2 = ElementLine2;
    }

    // HRPT frame words 8..11 of a time: day of year, then milliseconds of day.
    void StoreHrptTime(int line, TDateTime time) {
        const int day = static_cast<int>(std::trunc(time - YearStart)) + 1;
        const auto ms = static_cast<uint32_t>(Round(Frac(time) * MSecsPerDay));
        const uint16_t words[4] = {static_cast<uint16_t>(day << 1), static_cast<uint16_t>(0x280 | ((ms >> 20) & 127)),
                                   static_cast<uint16_t>((ms >> 10) & 1023), static_cast<uint16_t>(ms & 1023)};
        locations.StoreTimeCode(line, words, sizeof words);
    }

    TDateTime HrptLineTime(int line) const {
        return hrptStart + static_cast<double>(Round(line * 1000.0 / 6.0)) * Millisecond;
    }

    // A 10-bit HRPT pass as the frame reader leaves it.
    void WriteHrptPass(int lines) {
        locations.SetLineCount(lines);
        locations.BaseDate = YearStart;
        locations.AddLocationFlags(1);
        for (int line = 0; line < lines; ++line) StoreHrptTime(line, HrptLineTime(line));
    }

    void Compute(uint8_t code = 21, uint8_t sensorKind = 0, bool turnRound = false) {
        locations.ComputeLocations(code, sensorKind, diagnostics, turnRound);
    }

    bool Logged(const std::string& text) const {
        return std::find(diagnostics.begin(), diagnostics.end(), text) != diagnostics.end();
    }
    bool LoggedPrefix(const std::string& prefix) const {
        return std::any_of(diagnostics.begin(), diagnostics.end(),
                           [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    }

    // Largest ground distance in km between a line's anchors and where the
    // orbit puts them at the line's time.
    double LargestOffsetFromOrbit(int line) {
        TScanLinePoints points{};
        double altitude = 0;
        orbit.LocateScanLine(locations.LineTimes(line), points, altitude);
        double largest = 0;
        for (size_t k = 0; k < LocationAnchorCount; ++k) {
            const TAnchorLocation& a = locations.LineLocations(line)->Anchors[k];
            float distance = 0, bearing = 0;
            GreatCircleDistance(a.Longitude, a.Latitude, points[k].Longitude, points[k].Latitude, distance, bearing);
            largest = std::max(largest, static_cast<double>(distance));
        }
        return largest;
    }

    bool AllRecordsZero() const {
        for (int line = 0; line < locations.LineCount(); ++line)
            for (const TAnchorLocation& a : locations.LineLocations(line)->Anchors)
                if (a.Latitude != 0 || a.Longitude != 0) return false;
        return true;
    }

    // Level 1b records of the newer layout, located by the orbit itself.
    void WriteLevel1bPass(int lines, double linePeriodSeconds, bool olderLayout = false) {
        orbit.UseEmbeddedKeplers(ElementLine1, ElementLine2, PassStart);
        locations.SetLineCount(lines);
        locations.BaseDate = EncodeDate(2020, 4, 9);
        for (int line = 0; line < lines; ++line) {
            const TDateTime time = PassStart + line * linePeriodSeconds * Second;
            TScanLinePoints points{};
            double altitude = 0;
            orbit.LocateScanLine(time, points, altitude);
            uint8_t raw[408] = {};
            uint8_t angles[306] = {};
            for (int k = 0; k < LocationAnchorCount; ++k) {
                const auto& p = points[static_cast<size_t>(k)];
                if (olderLayout) {
                    PutBigEndian(raw + 4 * k, static_cast<uint32_t>(static_cast<int16_t>(std::lround(p.Latitude * 128))), 2);
                    PutBigEndian(raw + 4 * k + 2, static_cast<uint32_t>(static_cast<int16_t>(std::lround(p.Longitude * 128))), 2);
                    angles[k] = static_cast<uint8_t>(2 * k);
                } else {
                    PutBigEndian(raw + 8 * k, static_cast<uint32_t>(static_cast<int32_t>(std::lround(p.Latitude * 10000))), 4);
                    PutBigEndian(raw + 8 * k + 4, static_cast<uint32_t>(static_cast<int32_t>(std::lround(p.Longitude * 10000))), 4);
                    PutBigEndian(angles + 6 * k, static_cast<uint32_t>(static_cast<int16_t>(100 * k)), 2);
                    PutBigEndian(angles + 6 * k + 2, static_cast<uint32_t>(static_cast<int16_t>(-50 * k)), 2);
                    PutBigEndian(angles + 6 * k + 4, static_cast<uint32_t>(static_cast<int16_t>(12345)), 2);
                }
            }
            locations.StoreRawLocations(line, raw, olderLayout ? 204 : 408);
            locations.StoreRawAngles(line, angles, olderLayout ? 51 : 306);
            locations.SetLineTime(line, Frac(time));
            locations.AddLocationFlags(1);
        }
        orbit.Clear();  // Level 1b passes need no elements
    }

    testing::TempFolder temp;
    TDateTime hrptStart = PassStart;
    TOrbit orbit;
    TWarpedMapping mapping;
    TEarthLocations locations{&orbit, &mapping};
    std::vector<std::string> diagnostics;
};

}  // namespace

// ---------------------------------------------------------------- the store

// ---------------------------------------------------------------- time-coded passes

TEST_F(EarthLocationsTest, HrptPassIsTimedLocatedAndFitted) {
    EmbedElements();
    WriteHrptPass(1200);
    Compute();
    ASSERT_TRUE(locations.LocationsValid);
    EXPECT_NE(locations.LocationFlags, 0);
    EXPECT_TRUE(locations.MapFitted);
    for (int line : {0, 1, 2, 599, 600, 601, 1198, 1199})
        EXPECT_NEAR(locations.LineTimes(line), HrptLineTime(line), 0.5 * Millisecond) << line;
    EXPECT_LT(LargestOffsetFromOrbit(0), 0.01);
    EXPECT_LT(LargestOffsetFromOrbit(600), 0.01);
    EXPECT_LT(LargestOffsetFromOrbit(601), 0.1);  // odd lines are interpolated
    EXPECT_LT(LargestOffsetFromOrbit(1199), 0.01);
    EXPECT_NEAR(locations.StartTime, HrptLineTime(0), 0.5 * Millisecond);
    EXPECT_NEAR(locations.EndTime, HrptLineTime(600) + 600 * Second / 6, 0.5 * Millisecond);
    EXPECT_NEAR(locations.ReferenceLineTime, HrptLineTime(600), 0.5 * Millisecond);
    EXPECT_EQ(locations.Northbound, orbit.IsNorthbound(HrptLineTime(600)));
    EXPECT_GT(locations.Altitude, 780.0f);
    EXPECT_LT(locations.Altitude, 880.0f);
    EXPECT_FLOAT_EQ(locations.FirstLineCorners[1], locations.LineLocations(0)->Anchors[25].Latitude);
    EXPECT_FLOAT_EQ(locations.LastLineCorners[5], locations.LineLocations(1199)->Anchors[50].Longitude);

    EXPECT_NEAR(locations.NominalStartTime, PassStart, 0.5 * Millisecond);
    EXPECT_EQ(locations.PassName("yyyymmdd-hhnnss"), "n15-" + FormatDateTime("yyyymmdd-hhnnss", PassStart + 0.5 * Second));

    EXPECT_TRUE(LoggedPrefix("Decoded pass quarter hour is 2020-Apr-09 12:30 UTC"));
    EXPECT_TRUE(Logged("  Main orbit data for NOAA-15 read from embedded Keplers in source data"));
    EXPECT_TRUE(LoggedPrefix("  Orbit data is only 0.0 days stale - OK"));
    EXPECT_TRUE(Logged("Out of 1200 lines there were 0 which had an invalid timestamp."));
    EXPECT_TRUE(LoggedPrefix("Mid line is 600 and the line with a valid timestamp is line 600 at 2020-Apr-09 12:31:40.165 UTC"));
    EXPECT_TRUE(Logged("Scanner semi-angle used for mapping 55.37"));
    EXPECT_TRUE(LoggedPrefix("Sensor mean altitude: "));
    EXPECT_TRUE(Logged("Scale and warp map projection to match image"));

    // Every tie point lands on its own pixel.
    for (int line : {0, 301, 600, 1199}) {
        for (int k : {0, 13, 25, 50}) {
            const TAnchorLocation& a = locations.LineLocations(line)->Anchors[static_cast<size_t>(k)];
            float x = 0, y = 0;
            ASSERT_TRUE(mapping.LatLonToImage(x, y, true, a.Longitude, a.Latitude));
            EXPECT_NEAR(x, 24 + 40 * k, 0.01);
            EXPECT_NEAR(y, line, 0.01);
        }
    }
}

namespace {

std::string Hex(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return Format("%08x", bits);
}

}  // namespace

// The lines are located, the odd ones interpolated and the map fitted in
// bands on all processors: to the bit as on one.
TEST_F(EarthLocationsTest, HrptPassIsLocatedAndFittedAsOnOneProcessor) {
    EmbedElements();
    WriteHrptPass(1800);
    Compute();
    ASSERT_TRUE(locations.MapFitted);
    std::string record;
    for (const std::string& line : diagnostics) record += line + "\n";
    record += Format("altitude %s times %.12f..%.12f\n", Hex(locations.Altitude).c_str(), locations.StartTime,
                     locations.EndTime);
    for (int line = 0; line < locations.LineCount(); ++line) {
        record += Format("line %d %.12f:", line, locations.LineTimes(line));
        const TScanLineAngles& angles = *locations.LineAngles(line);
        for (size_t k = 0; k < LocationAnchorCount; ++k) {
            const TAnchorLocation& a = locations.LineLocations(line)->Anchors[k];
            const TResidual& r = (*locations.Residuals)[static_cast<size_t>(line)][k];
            record += " " + Hex(a.Latitude) + Hex(a.Longitude) + Hex(angles.SolarZenith[k]) +
                      Hex(angles.SatelliteZenith[k]) + Hex(angles.RelativeAzimuth[k]) + Hex(r.X) + Hex(r.Y);
        }
        record += "\n";
    }
    testing::ExpectSameOnOneProcessor(record);
}

namespace {

constexpr double Deg = 3.14159265358979323846 / 180.0;

struct SunSeen {
    double zenith;   // degrees
    double azimuth;  // degrees east of north
};

// The sun's place in the sky as NOAA's solar calculator reckons it (Meeus'
// solar coordinates, equation of time and local hour angle): apart from the
// orbit model's sidereal time and inertial frame.
SunSeen SunFromTheCalculator(TDateTime utc, double latitude, double longitude) {
    const double t = (utc - EncodeDate(2000, 1, 1) - 0.5) / 36525.0;  // Julian centuries from J2000
    const double meanLongitude = std::fmod(280.46646 + t * (36000.76983 + t * 0.0003032), 360.0);
    const double meanAnomaly = (357.52911 + t * (35999.05029 - 0.0001537 * t)) * Deg;
    const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
    const double centre = std::sin(meanAnomaly) * (1.914602 - t * (0.004817 + 0.000014 * t)) +
                          std::sin(2 * meanAnomaly) * (0.019993 - 0.000101 * t) + std::sin(3 * meanAnomaly) * 0.000289;
    const double node = (125.04 - 1934.136 * t) * Deg;
    const double apparentLongitude = (meanLongitude + centre - 0.00569 - 0.00478 * std::sin(node)) * Deg;
    const double obliquity =
        (23.0 + (26.0 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60.0) / 60.0 + 0.00256 * std::cos(node)) *
        Deg;
    const double declination = std::asin(std::sin(obliquity) * std::sin(apparentLongitude));
    const double y = std::pow(std::tan(obliquity / 2), 2);
    const double l0 = meanLongitude * Deg;
    const double equationOfTime =
        4.0 / Deg *
        (y * std::sin(2 * l0) - 2 * eccentricity * std::sin(meanAnomaly) +
         4 * eccentricity * y * std::sin(meanAnomaly) * std::cos(2 * l0) - 0.5 * y * y * std::sin(4 * l0) -
         1.25 * eccentricity * eccentricity * std::sin(2 * meanAnomaly));
    const double trueSolarMinutes = Frac(utc) * 1440.0 + equationOfTime + 4 * longitude;
    const double hourAngle = (trueSolarMinutes / 4 - 180) * Deg;
    const double phi = latitude * Deg;
    const double cosZenith =
        std::sin(phi) * std::sin(declination) + std::cos(phi) * std::cos(declination) * std::cos(hourAngle);
    const double azimuthFromSouth = std::atan2(std::sin(hourAngle), std::cos(hourAngle) * std::sin(phi) -
                                                                         std::tan(declination) * std::cos(phi));
    return {std::acos(cosZenith) / Deg, azimuthFromSouth / Deg + 180.0};
}

// Initial great-circle bearing from a to b on a sphere, degrees east of north.
double BearingDegrees(const TAnchorLocation& a, const TAnchorLocation& b) {
    const double phi1 = a.Latitude * Deg, phi2 = b.Latitude * Deg;
    const double dLambda = (static_cast<double>(b.Longitude) - a.Longitude) * Deg;
    return std::atan2(std::sin(dLambda) * std::cos(phi2),
                      std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLambda)) /
           Deg;
}

double FoldedDifference(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 360.0);
    return d > 180 ? 360 - d : d;
}

}  // namespace

// Every located line gets its angles at the anchors: checked against the
// solar calculator's sun, the satellite zenith of a spherical earth seen at
// the anchor's scan angle, and the bearing towards the nadir anchor.
TEST_F(EarthLocationsTest, LocatedLinesCarryTheirSunAndViewAngles) {
    EmbedElements();
    WriteHrptPass(1200);
    Compute();
    ASSERT_TRUE(locations.LocationsValid);
    int checked = 0;
    for (int line : {0, 301, 600, 1199}) {
        TScanLinePoints points{};
        double altitude = 0;
        orbit.LocateScanLine(locations.LineTimes(line), points, altitude);
        const TScanLineLocations& anchors = *locations.LineLocations(line);
        const TScanLineAngles& angles = *locations.LineAngles(line);
        for (int k : {0, 7, 20, 25, 33, 50}) {
            const auto i = static_cast<size_t>(k);
            const TAnchorLocation& here = anchors.Anchors[i];
            const SunSeen sun = SunFromTheCalculator(locations.LineTimes(line), here.Latitude, here.Longitude);
            EXPECT_NEAR(angles.SolarZenith[i], sun.zenith, 0.01) << line << " " << k;

            const double scanAngle = (40.0 * (k - 25) + 0.5) * 55.37 / 1023.5 * Deg;
            constexpr double EarthRadius = 6371.0;
            const double zenith = std::asin((EarthRadius + altitude) / EarthRadius * std::sin(std::fabs(scanAngle)));
            EXPECT_NEAR(angles.SatelliteZenith[i], zenith / Deg, 0.2) << line << " " << k;

            if (k == 25 || sun.zenith < 10 || sun.zenith > 170) continue;
            const double towardsSatellite = BearingDegrees(here, anchors.Anchors[25]);
            EXPECT_NEAR(angles.RelativeAzimuth[i], FoldedDifference(sun.azimuth, towardsSatellite), 1.0)
                << line << " " << k;
            ++checked;
        }
    }
    EXPECT_GT(checked, 10);
    // The odd lines between located ones have angles too.
    EXPECT_NEAR(locations.LineAngles(301)->SatelliteZenith[0], locations.LineAngles(300)->SatelliteZenith[0], 0.01);
    EXPECT_GT(locations.LineAngles(301)->SatelliteZenith[0], 60.0f);
}

// The lines are located in bands on all processors: every located line is
// exactly where the orbit itself puts it one line after the other, and the
// mean altitude is summed in line order.
TEST_F(EarthLocationsTest, LinesLocatedTogetherAreThoseLocatedOneByOne) {
    EmbedElements();
    WriteHrptPass(2401);
    Compute();
    ASSERT_TRUE(locations.LocationsValid);
    double altitudeSum = 0;
    int located = 0;
    for (int line = 0; line < locations.LineCount(); line += (line + 2 < locations.LineCount() ? 2 : 1)) {
        TScanLinePoints points{};
        TScanLineViewAngles seen{};
        double altitude = 0;
        orbit.LocateScanLine(locations.LineTimes(line), points, altitude, &seen);
        altitudeSum += altitude;
        ++located;
        const TScanLineLocations& anchors = *locations.LineLocations(line);
        const TScanLineAngles& angles = *locations.LineAngles(line);
        for (size_t k = 0; k < LocationAnchorCount; ++k) {
            ASSERT_EQ(anchors.Anchors[k].Latitude, static_cast<float>(points[k].Latitude)) << line << " " << k;
            ASSERT_EQ(anchors.Anchors[k].Longitude, static_cast<float>(points[k].Longitude)) << line << " " << k;
            ASSERT_EQ(angles.SolarZenith[k], seen[k].SolarZenith) << line << " " << k;
            ASSERT_EQ(angles.RelativeAzimuth[k], seen[k].RelativeAzimuth) << line << " " << k;
        }
    }
    EXPECT_EQ(located, 1201);
    EXPECT_EQ(locations.Altitude, static_cast<float>(altitudeSum / located));
}

TEST_F(EarthLocationsTest, CorruptTimeCodesFollowTheirNeighbours) {
    EmbedElements();
    WriteHrptPass(1200);
    StoreHrptTime(100, HrptLineTime(100) + 3.0);          // three days out
    StoreHrptTime(700, HrptLineTime(700) + 47 * Millisecond);  // off the frame rhythm
    const uint16_t invalid[4] = {0, 0, 0, 0};
    locations.StoreTimeCode(800, invalid, sizeof invalid);
    Compute();
    ASSERT_TRUE(locations.LocationsValid);
    // Predicted at whole sixths of a second; the codes are whole milliseconds.
    for (int line : {100, 700, 800}) EXPECT_NEAR(locations.LineTimes(line), HrptLineTime(line), Millisecond) << line;
    EXPECT_TRUE(Logged("Out of 1200 lines there were 3 which had an invalid timestamp."));
}

// No line from the middle to two thirds of the pass carries a time, and no
// line elsewhere is confirmed by a neighbour: the pass cannot be located,
// and why is kept for the run's report.
TEST_F(EarthLocationsTest, APassWithoutTimesNearItsMiddleKeepsWhyItIsNotLocated) {
    EmbedElements();
    WriteHrptPass(1200);
    const uint16_t invalid[4] = {0, 0, 0, 0};
    for (int line = 0; line < 1200; ++line)
        if ((line >= 600 && line <= 800) || line % 2 == 1) locations.StoreTimeCode(line, invalid, sizeof invalid);
    Compute();
    EXPECT_FALSE(locations.LocationsValid);
    EXPECT_TRUE(Logged("No line near mid-pass with an acceptable timecode"));
    EXPECT_EQ(locations.NotLocatedCause, "no line near the middle of the pass has an acceptable time code");
    WriteHrptPass(1200);
    Compute();
    EXPECT_TRUE(locations.LocationsValid);
    EXPECT_EQ(locations.NotLocatedCause, "");
}

// GAC anchors stand 4 samples from either edge of 409: turning reverses
// the records exactly, and turning back restores them.
TEST_F(EarthLocationsTest, TurningAGacPassRoundAndBack) {
    WriteLevel1bPass(100, 0.5);
    locations.ImageWidth = 409;
    Compute(9);
    ASSERT_TRUE(locations.LocationsValid);
    const TScanLineLocations first = *locations.LineLocations(0);
    const TScanLineLocations last = *locations.LineLocations(99);
    const TScanLineAngles lastAngles = *locations.LineAngles(99);
    const TDateTime lastTime = locations.LineTimes(99);

    Compute(9, 0, true);  // a repeat call only redoes the summary and the turn
    EXPECT_EQ(locations.LineTimes(0), lastTime);
    for (size_t k = 0; k < LocationAnchorCount; ++k) {
        EXPECT_EQ(locations.LineLocations(0)->Anchors[k].Latitude, last.Anchors[50 - k].Latitude);
        EXPECT_EQ(locations.LineLocations(99)->Anchors[k].Longitude, first.Anchors[50 - k].Longitude);
        EXPECT_EQ(locations.LineAngles(0)->SolarZenith[k], lastAngles.SolarZenith[50 - k]);
    }
    Compute(9, 0, true);
    EXPECT_EQ(locations.LineLocations(0)->Anchors[0].Latitude, first.Anchors[0].Latitude);
}

namespace {

// Where sample x of a line lies, between its two nearest anchors as the
// cursor read-out interpolates them.
TAnchorLocation AtSample(const TScanLineLocations& line, TAnchorLayout layout, int x) {
    const double position = static_cast<double>(x - layout.First) / layout.Step;
    const auto k = static_cast<size_t>(std::clamp(std::floor(position), 0.0, 49.0));
    const double f = position - static_cast<double>(k);
    const TAnchorLocation& a = line.Anchors[k];
    const TAnchorLocation& b = line.Anchors[k + 1];
    return {static_cast<float>((1 - f) * a.Latitude + f * b.Latitude),
            static_cast<float>((1 - f) * a.Longitude + f * b.Longitude)};
}

double DistanceKm(const TAnchorLocation& a, const TAnchorLocation& b) {
    float distance = 0, bearing = 0;
    GreatCircleDistance(a.Longitude, a.Latitude, b.Longitude, b.Latitude, distance, bearing);
    return distance;
}

double Median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

}  // namespace

// Full-resolution anchors sit 24 samples from the left edge and 23 from the
// right (Meteor-M2's 20 and 19): a turned pass must put each pixel where the
// unturned pass puts the same sample, pixel (x, y) of the one being pixel
// (width - 1 - x, lines - 1 - y) of the other.
TEST_F(EarthLocationsTest, ATurnedPassIsLocatedAsItsUnturnedCopy) {
    struct Geometry {
        const char* satellite;
        int width;
    };
    for (const Geometry geometry : {Geometry{"NOAA 15", 2048}, Geometry{"METEOR-M2", 1540}}) {
        orbit.SetSatelliteName(geometry.satellite);
        const int lines = 600;
        const auto locate = [&](bool turned) {
            EmbedElements();
            WriteHrptPass(lines);
            locations.ImageWidth = geometry.width;
            Compute(21, 0, turned);
            std::vector<TScanLineLocations> records;
            for (int line = 0; line < lines; ++line) records.push_back(*locations.LineLocations(line));
            return records;
        };
        const std::vector<TScanLineLocations> unturned = locate(false);
        const std::vector<TScanLineLocations> turned = locate(true);
        ASSERT_TRUE(locations.LocationsValid);
        const TAnchorLayout layout = locations.AnchorLayout();
        EXPECT_EQ(layout.Step, geometry.width == 2048 ? 40 : 30);
        std::vector<double> offsets;
        for (int y = 5; y < lines; y += 97) {
            const TScanLineLocations& turnedLine = turned[static_cast<size_t>(y)];
            const TScanLineLocations& unturnedLine = unturned[static_cast<size_t>(lines - 1 - y)];
            for (int x = layout.First; x <= layout.First + 50 * layout.Step; x += 3) {
                const TAnchorLocation here = AtSample(turnedLine, layout, x);
                const TAnchorLocation there = AtSample(unturnedLine, layout, geometry.width - 1 - x);
                // The ground size of a sample there, from its neighbours.
                const double sampleKm =
                    DistanceKm(AtSample(unturnedLine, layout, geometry.width - 2 - x), there);
                offsets.push_back(DistanceKm(here, there) / sampleKm);
            }
        }
        EXPECT_LT(Median(offsets), 0.3) << geometry.satellite;
        EXPECT_LT(*std::max_element(offsets.begin(), offsets.end()), 0.3) << geometry.satellite;
    }
}

// A pass taken as northbound and turned back, as a pass dated by its file
// is, lies exactly where it lies unturned: anchors, angles and times.
TEST_F(EarthLocationsTest, TurningAFullResolutionPassTwiceChangesNothing) {
    EmbedElements();
    WriteHrptPass(240);
    locations.ImageWidth = 2048;
    Compute(21);
    ASSERT_TRUE(locations.LocationsValid);
    std::vector<TScanLineLocations> records;
    std::vector<TScanLineAngles> angles;
    std::vector<TDateTime> times;
    for (int line = 0; line < 240; ++line) {
        records.push_back(*locations.LineLocations(line));
        angles.push_back(*locations.LineAngles(line));
        times.push_back(locations.LineTimes(line));
    }
    for (int turns = 1; turns <= 4; ++turns) {
        locations.FlipPassDirection();
        if (turns % 2 == 1) {
            EXPECT_NE(locations.LineLocations(0)->Anchors[0].Latitude, records[239].Anchors[50].Latitude)
                << "a single turn moves the anchors to where the reversed samples fall";
            continue;
        }
        for (int line = 0; line < 240; ++line) {
            const auto index = static_cast<size_t>(line);
            ASSERT_EQ(std::memcmp(locations.LineLocations(line), &records[index], sizeof(TScanLineLocations)), 0) << line;
            ASSERT_EQ(std::memcmp(locations.LineAngles(line), &angles[index], sizeof(TScanLineAngles)), 0) << line;
            ASSERT_EQ(locations.LineTimes(line), times[index]) << line;
        }
    }
}

TEST_F(EarthLocationsTest, OddLinesAreInterpolatedAcrossTheDateLine) {
    EmbedElements();
    // Find a stretch of the orbit that crosses the date line.
    orbit.UseEmbeddedKeplers(locations.EmbeddedTleLine1, locations.EmbeddedTleLine2, Epoch);
    TDateTime crossing = 0;
    for (int minute = 0; minute < 200 && crossing == 0; ++minute) {
        TScanLinePoints a{}, b{};
        double altitude = 0;
        orbit.LocateScanLine(Epoch + minute / 1440.0, a, altitude);
        orbit.LocateScanLine(Epoch + (minute + 1) / 1440.0, b, altitude);
        if (std::fabs(a[25].Longitude) > 170 && a[25].Longitude * b[25].Longitude < 0) crossing = Epoch + minute / 1440.0;
    }
    ASSERT_NE(crossing, 0);
    locations.SetLineCount(720);
    locations.BaseDate = YearStart;
    locations.AddLocationFlags(1);
    for (int line = 0; line < 720; ++line)
        StoreHrptTime(line, crossing + static_cast<double>(Round(line * 1000.0 / 6.0)) * Millisecond);
    Compute();
    ASSERT_TRUE(locations.LocationsValid);
    for (int line = 1; line < 719; line += 2) ASSERT_LT(LargestOffsetFromOrbit(line), 0.1) << line;
}

TEST_F(EarthLocationsTest, MeteorTimesRunThreeHoursAhead) {
    const TDateTime day = EncodeDate(2020, 4, 9);
    // 200 lines 0.156 s apart from a Meteor clock time (three hours ahead of UTC).
    const auto writeMeteorPass = [&](TDateTime passTime, int firstMilliseconds) {
        diagnostics.clear();
        orbit.PassTime = passTime;
        locations.SetLineCount(200);
        locations.BaseDate = day;
        for (int line = 0; line < 200; ++line) {
            const int ms = firstMilliseconds + line * 156;
            const uint8_t code[4] = {static_cast<uint8_t>(ms / 3600000), static_cast<uint8_t>(ms / 60000 % 60),
                                     static_cast<uint8_t>(ms / 1000 % 60), static_cast<uint8_t>(ms % 1000 / 4)};
            locations.StoreTimeCode(line, code, sizeof code);
        }
        Compute(38, 4);
    };
    writeMeteorPass(day + 22.5 / 24, 5400000);  // 01:30 on the Meteor clock
    EXPECT_NEAR(locations.LineTimes(0), day + 22.5 / 24, 0.5 * Millisecond);
    EXPECT_NEAR(locations.LineTimes(100), day + 22.5 / 24 + 15.6 * Second, 0.5 * Millisecond);
    EXPECT_TRUE(Logged("Over 160 lines, the scan interval was 0.1560s"));
    EXPECT_FALSE(locations.LocationsValid);  // no elements

    // After 23:00 a code of 03:30 belongs to 00:30 of the next day.
    writeMeteorPass(day + 23.5 / 24, 12600000);
    EXPECT_TRUE(Logged("Potential overnight Meteor-M pass"));
    EXPECT_NEAR(locations.LineTimes(0), day + 1 + 0.5 / 24, 0.5 * Millisecond);
}

// ---------------------------------------------------------------- Level 1b

// ---------------------------------------------------------------- saving and naming

TEST_F(EarthLocationsTest, SavedLocationsAreLittleEndianRecordsOfEveryLine) {
    WriteLevel1bPass(100, 1.0 / 6.0);
    Compute(7);
    ASSERT_TRUE(locations.LocationsValid);
    const std::string file = temp.Path() + "pass.lcn";
    locations.SaveLocations(file);
    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 100u * 408u);
    const auto floatAt = [&bytes](size_t offset) {
        const uint32_t bits = bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                              static_cast<uint32_t>(bytes[offset + 3]) << 24;
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    };
    EXPECT_EQ(floatAt(42 * 408 + 8 * 17), locations.LineLocations(42)->Anchors[17].Latitude);
    EXPECT_EQ(floatAt(42 * 408 + 8 * 17 + 4), locations.LineLocations(42)->Anchors[17].Longitude);
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));

    for (uint8_t code : {uint8_t(6), uint8_t(23)}) {
        locations.FormatCode = code;
        const std::string other = temp.Path() + "other" + std::to_string(code) + ".lcn";
        locations.SaveLocations(other);
        EXPECT_FALSE(std::filesystem::exists(other)) << int(code);
    }
    locations.FormatCode = 7;
    EXPECT_THROW(locations.SaveLocations(temp.Path() + "missing/folder/pass.lcn"), Exception);
}

}  // namespace kestrune
