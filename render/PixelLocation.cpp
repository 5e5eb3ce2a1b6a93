#include "render/PixelLocation.h"

#include "decoding/HRPTvideo.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "decoding/ViewNames.h"
#include "orbit/EarthLocations.h"
#include "orbit/Orbits.h"
#include "orbit/qelMapping.h"
#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"
#include "platform/UserNumbers.h"
#include "render/ViewLookups.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kestrune {
namespace {

constexpr int32_t AnchorIntervals = LocationAnchorCount - 1;
constexpr double KmPerMile = 1.609344;
constexpr float UnlocatedZenith = 89.0f;

// Into (-180, 180] by one turn either way.
double HalfOpenLongitude(double degrees) {
    if (degrees > 180.0) return degrees - 360.0;
    if (degrees <= -180.0) return degrees + 360.0;
    return degrees;
}

// Across the date line the step between the anchors is taken the short way round.
double InterpolateLongitude(double first, double second, double f) {
    const double step = second - first;
    if (std::fabs(step) <= 180.0) return (1.0 - f) * first + f * second;
    return HalfOpenLongitude(first + f * HalfOpenLongitude(step));
}

// The read-out's numbers are written as the user's locale writes them ("14,2" under de_DE).
std::string Degrees(double value, int decimals) { return UserFixed(value, decimals) + DegreeSign; }

std::string Kelvin(double kelvin) { return " " + UserFixed(kelvin, 1) + "K"; }

std::string TemperatureText(double kelvin, bool metricUnits) {
    const double celsius = kelvin - KelvinOffset;
    return metricUnits ? Degrees(celsius, 1) + "C" : Degrees(CelsiusToFahrenheit(celsius), 1) + "F";
}

void StartLine(std::string& text) {
    if (!text.empty()) text += "\r";
}

std::string PositionText(float latitude, float longitude) {
    return Degrees(std::fabs(latitude), 2) + (latitude < 0 ? "S" : "N") + "  " + Degrees(std::fabs(longitude), 2) +
           (longitude < 0 ? "W" : "E");
}

std::string RangeText(const TCursorState& cursor, bool metricUnits) {
    if (cursor.StartLatitude == cursor.EndLatitude && cursor.StartLongitude == cursor.EndLongitude) return {};
    float range = 0;
    float bearing = 0;
    if (!GreatCircleDistance(cursor.StartLongitude, cursor.StartLatitude, cursor.EndLongitude, cursor.EndLatitude,
                             range, bearing))
        return {};
    return metricUnits ? Format("Range %.0f km at %.0f%s", range, bearing, DegreeSign)
                       : Format("Range %.0f miles at %.0f%s", range / KmPerMile, bearing, DegreeSign);
}

// The temperature, SST and NDVI part of the read-out.
std::string MeasurementText(const TCursorState& cursor, uint8_t viewIndex, bool metricUnits) {
    std::string text;
    if (cursor.CursorT4 != 0) text = TemperatureText(cursor.CursorT4, metricUnits) + Kelvin(cursor.CursorT4);
    if (cursor.CursorSecondValue == 0) return text;
    switch (viewIndex) {
        case ViewCh4MinusCh5:
            return TemperatureText(cursor.CursorT4, metricUnits) + Kelvin(cursor.CursorT4) + Kelvin(cursor.CursorT5) +
                   Kelvin(cursor.CursorT4 - cursor.CursorT5);
        case ViewSst: {
            const bool none = cursor.CursorSecondValue - KelvinOffset < -50.0;
            return text + " SST:" + (none ? std::string("n/a") : TemperatureText(cursor.CursorSecondValue, metricUnits));
        }
        case ViewVegetation:
            if (cursor.CursorNdvi > 0) text += " NDVI:" + UserFixed(cursor.CursorNdvi, 2);
            return text;
        case ViewChannel1 + 2:
            if (cursor.CursorT3 != 0) text += " Ch3:" + TemperatureText(cursor.CursorT3, metricUnits);
            return text;
        case ViewChannel1 + 4:
            return text + " Ch5:" + TemperatureText(cursor.CursorSecondValue, metricUnits);
        default:
            return text;
    }
}

// Count of the channel at the pixel, -1 when the channel or the pixel is not in the store.
int32_t CountAt(const THRPTvideo& video, int channel, int32_t x, int32_t y) {
    if (x < 0 || x >= video.Width()) return -1;
    const uint16_t* line = video.SampleAddress(channel, y);
    return line ? line[x] & (CountRange - 1) : -1;
}

void ReadTemperatures(const TPassState& pass, uint8_t viewIndex, int32_t x, int32_t y, TCursorState& cursor) {
    const THRPTvideo& video = *pass.Video;
    const TSensor& sensor = *pass.Sensor;
    const int32_t count4 = CountAt(video, 4, x, y);
    if (count4 < 0) return;
    if (const double* table4 = sensor.ThermalTable4()) cursor.CursorT4 = table4[count4];
    // A 3A line's channel 3 is visible light: it has no temperature.
    const int32_t count3 = Channel3AOnLine(pass, y) ? -1 : CountAt(video, 3, x, y);
    if (const double* table3 = sensor.ThermalTable3(); table3 && count3 >= 0) cursor.CursorT3 = table3[count3];
    const int32_t count5 = CountAt(video, 5, x, y);
    if (count5 < 0) return;
    if (const double* table5 = sensor.ThermalTable5()) cursor.CursorT5 = table5[count5];
    if (viewIndex != ViewSst) {
        cursor.CursorSecondValue = cursor.CursorT5;
        return;
    }
    const TSstAngles angles = SstAnglesOf(cursor.CursorSolarZenith, cursor.CursorSatelliteZenith);
    cursor.CursorSecondValue = KelvinOffset + sensor.SeaSurfaceTemperature(count4, count5, angles.Zenith, angles.Day);
}

// The orbit puts Meteor-M2 anchors every 30 samples of its 1540.
bool MeteorScan(const TPassState& pass) { return pass.Orbit != nullptr && pass.Orbit->IsMeteorM2(); }

}  // namespace

TSstAngles SstAnglesOf(float solarZenith, float satelliteZenith) {
    if (satelliteZenith == 0) return {-1.0f, true};  // the constant slant term, as by day
    return {satelliteZenith, solarZenith < DaylightZenith};
}

TPixelLocator::TPixelLocator(const TPassState& pass)
    : locations_(pass.EarthLocations.get()),
      valid_(locations_ != nullptr && locations_->LocationsValid),
      lines_(pass.DataLineCount),
      firstAnchor_(AnchorLayoutOf(pass.InputFormatCode, MeteorScan(pass)).First),
      anchorStep_(AnchorLayoutOf(pass.InputFormatCode, MeteorScan(pass)).Step),
      reachFirst_(std::min(firstAnchor_ - anchorStep_ + 1, ScanColumnsOf(pass.InputFormatCode, MeteorScan(pass)).First)),
      reachLast_(std::max(firstAnchor_ + AnchorIntervals * anchorStep_ + anchorStep_ - 1,
                          ScanColumnsOf(pass.InputFormatCode, MeteorScan(pass)).Last)),
      nudgeX_(pass.NudgeX),
      nudgeY_(pass.NudgeY) {}

const TScanLineLocations* TPixelLocator::LineAnchors(int32_t lineWithData) const {
    if (!valid_ || lineWithData < 0 || lineWithData >= lines_ || locations_->LineWithoutLocation(lineWithData))
        return nullptr;
    return locations_->LineLocations(lineWithData);
}

bool TPixelLocator::Interpolate(const TScanLineLocations& line, int32_t xd, float& latitude, float& longitude) const {
    if (xd < reachFirst_ || xd > reachLast_) return false;
    const int32_t d = xd - firstAnchor_;
    const int32_t j = std::clamp(d / anchorStep_, 0, AnchorIntervals - 1);
    const double f = static_cast<double>(d - anchorStep_ * j) / anchorStep_;
    const TAnchorLocation& left = line.Anchors[static_cast<size_t>(j)];
    const TAnchorLocation& right = line.Anchors[static_cast<size_t>(j) + 1];
    latitude = static_cast<float>((1.0 - f) * left.Latitude + f * right.Latitude);
    longitude = static_cast<float>(InterpolateLongitude(left.Longitude, right.Longitude, f));
    return true;
}

TPixelLocator::TLocatedLine TPixelLocator::LocatedLine(int32_t y, int32_t width) const {
    const int32_t yd = y + nudgeY_;
    if (!LineAnchors(yd)) return {};
    TLocatedLine line;
    line.Angles = locations_->LineAngles(yd);
    if (!line.Angles) return {};
    line.First = std::max(reachFirst_ + nudgeX_, 0);
    line.Last = std::min(reachLast_ + nudgeX_, width - 1);
    return line;
}

size_t TPixelLocator::AngleIndex(int32_t x) const {
    return static_cast<size_t>(std::clamp((x - nudgeX_) / anchorStep_, 0, AnchorIntervals));
}

int32_t TPixelLocator::AngleRunEnd(int32_t x) const {
    const auto anchor = static_cast<int32_t>(AngleIndex(x));
    if (anchor >= AnchorIntervals) return std::numeric_limits<int32_t>::max();
    // Division truncates towards zero, so anchor 0 also takes the pixels left of the first anchor.
    return (anchor + 1) * anchorStep_ + nudgeX_;
}

bool TPixelLocator::LocatePixel(int32_t x, int32_t y, TPixelLocation& location) const {
    location = {};
    const int32_t xd = x - nudgeX_;
    const int32_t yd = y + nudgeY_;
    const TScanLineLocations* anchors = LineAnchors(yd);
    const TScanLineAngles* angles = anchors ? locations_->LineAngles(yd) : nullptr;
    if (!angles) return false;
    const size_t k = AngleIndex(x);
    location.SolarZenith = angles->SolarZenith[k];
    location.SatelliteZenith = angles->SatelliteZenith[k];
    location.RelativeAzimuth = angles->RelativeAzimuth[k];
    float latitude = 0;
    float longitude = 0;
    if (!Interpolate(*anchors, xd, latitude, longitude)) return false;
    location.Time = locations_->LineTimes(yd);
    location.Latitude = latitude;
    location.Longitude = longitude;
    return true;
}

bool TPixelLocator::PixelLocation(int32_t x, int32_t y, float& latitude, float& longitude) const {
    latitude = 0;
    longitude = 0;
    const TScanLineLocations* anchors = LineAnchors(y + nudgeY_);
    float lat = 0;
    float lon = 0;
    if (!anchors || !Interpolate(*anchors, x - nudgeX_, lat, lon)) return false;
    latitude = lat;
    longitude = lon;
    return true;
}

bool LocatePixel(const TPassState& pass, int32_t x, int32_t y, TPixelLocation& location) {
    return TPixelLocator(pass).LocatePixel(x, y, location);
}

bool PixelLocation(const TPassState& pass, int32_t x, int32_t y, float& latitude, float& longitude) {
    return TPixelLocator(pass).PixelLocation(x, y, latitude, longitude);
}

void ReadCursorValues(const TPassState& pass, uint8_t viewIndex, int32_t x, int32_t y, TCursorState& cursor) {
    cursor.CursorT3 = 0;
    cursor.CursorT4 = 0;
    cursor.CursorT5 = 0;
    cursor.CursorSecondValue = 0;
    cursor.CursorNdvi = -1;
    TPixelLocation location;
    const bool located = LocatePixel(pass, x, y, location);
    cursor.CursorLatitude = location.Latitude;
    cursor.CursorLongitude = location.Longitude;
    cursor.CursorTime = location.Time;
    cursor.CursorSolarZenith = location.SolarZenith;
    cursor.CursorSatelliteZenith = located ? location.SatelliteZenith : UnlocatedZenith;
    cursor.CursorRelativeAzimuth = location.RelativeAzimuth;
    if (pass.SensorKind != SensorAvhrr && pass.SensorKind != SensorFengYun1) return;
    ReadTemperatures(pass, viewIndex, x, y, cursor);
    const int32_t count1 = CountAt(*pass.Video, 1, x, y);
    const int32_t count2 = CountAt(*pass.Video, 2, x, y);
    if (count1 >= 0 && count2 >= 0) cursor.CursorNdvi = pass.Sensor->Ndvi(count1, count2);
}

std::string CursorReadoutText(const TCursorState& cursor, uint8_t viewIndex, bool metricUnits) {
    std::string text = MeasurementText(cursor, viewIndex, metricUnits);
    if (cursor.CursorLatitude != 0 || cursor.CursorLongitude != 0) {
        if (cursor.CursorCtrlHeld) {
            text += "\rsol.zen: " + Degrees(cursor.CursorSolarZenith, 1) + " sat.zen: " +
                    Degrees(cursor.CursorSatelliteZenith, 1);
        } else {
            StartLine(text);
            text += PositionText(cursor.CursorLatitude, cursor.CursorLongitude);
        }
    }
    if (cursor.Dragging) {
        const std::string range = RangeText(cursor, metricUnits);
        if (!range.empty()) {
            StartLine(text);
            text += range;
        }
    } else if (viewIndex != ViewSst && cursor.CursorTime != 0) {
        try {
            const std::string when = cursor.CursorCtrlHeld
                                         ? "rel_az: " + Degrees(cursor.CursorRelativeAzimuth, 2)
                                         : FormatDateTime("hh:nn:ss.zzz \"UTC\"", cursor.CursorTime);
            StartLine(text);
            text += when;
        } catch (const Exception&) {
            // A time that cannot be shown leaves the line out.
        }
    }
    return text;
}

std::string CursorUnitsPrompt(bool metricUnits) {
    return resStr(res::SCursorUnitsPrompt) + " " + DegreeSign + (metricUnits ? "F" : "C");
}

}  // namespace kestrune
