// Where an image pixel lies on the earth, and the cursor read-out built from
// it. Every pixel-to-earth question of the renderer, the products, the fire
// list and the mouse tools goes through TPixelLocator, which applies the
// overlay nudge offsets and interpolates between the 51 anchors of a line.
#pragma once

#include "platform/SysUtils.h"

#include <cstdint>
#include <string>

namespace kestrune {

struct TPassState;
class TEarthLocations;
struct TScanLineAngles;
struct TScanLineLocations;

// The GAC formats, of 409 samples a line.
constexpr bool IsGacFormat(uint8_t formatCode) { return formatCode >= 9 && formatCode <= 11; }
// Day coefficients of the sea-surface temperature below this solar zenith.
constexpr float DaylightZenith = 75.0f;

// How the sea-surface temperature reads a pixel's angles: day below the
// daylight zenith, the satellite zenith for the slant path; a pixel without
// angles (satellite zenith exactly 0) is taken as day with no zenith (-1).
struct TSstAngles {
    float Zenith;
    bool Day;
};
TSstAngles SstAnglesOf(float solarZenith, float satelliteZenith);

// Everything LocatePixel tells about a pixel; all 0 where it tells nothing.
struct TPixelLocation {
    TDateTime Time = 0;
    float RelativeAzimuth = 0;
    float SatelliteZenith = 0;
    float SolarZenith = 0;
    float Latitude = 0;   // degrees, north positive
    float Longitude = 0;  // degrees, east positive, in (-180, 180]
};

// Pixel location over the pass as it stands when the locator is made (nudge
// offsets, line count, format). Cheap to make; make one per operation.
class TPixelLocator {
public:
    explicit TPixelLocator(const TPassState& pass);

    // False when the pass has no valid locations or the nudged pixel lies
    // outside the located lines or beyond the last anchor's reach. The
    // angles (nearest anchor) are filled before the reach is checked.
    bool LocatePixel(int32_t x, int32_t y, TPixelLocation& location) const;
    // LocatePixel without the angles and the time; both outputs 0 on failure.
    bool PixelLocation(int32_t x, int32_t y, float& latitude, float& longitude) const;

    // The pixels First..Last of line y (of width pixels) that LocatePixel
    // locates, with the line's angles; none (First > Last) when it locates none.
    struct TLocatedLine {
        int32_t First = 0;
        int32_t Last = -1;
        const TScanLineAngles* Angles = nullptr;
    };
    TLocatedLine LocatedLine(int32_t y, int32_t width) const;
    // The anchor whose angles LocatePixel gives pixel x.
    size_t AngleIndex(int32_t x) const;
    // The first pixel after x whose angles come from another anchor (INT32_MAX when none does).
    int32_t AngleRunEnd(int32_t x) const;

private:
    // The anchors of the nudged line, nullptr when it cannot be located.
    const TScanLineLocations* LineAnchors(int32_t lineWithData) const;
    // Latitude and longitude at sample xd of a line, by its two nearest
    // anchors; false outside the reach.
    bool Interpolate(const TScanLineLocations& line, int32_t xd, float& latitude, float& longitude) const;

    const TEarthLocations* locations_;
    bool valid_;
    int32_t lines_;
    int32_t firstAnchor_;
    int32_t anchorStep_;
    // The samples located: one anchor step beyond the first and last
    // anchors, and every column of the scan.
    int32_t reachFirst_;
    int32_t reachLast_;
    int32_t nudgeX_;
    int32_t nudgeY_;
};

bool LocatePixel(const TPassState& pass, int32_t x, int32_t y, TPixelLocation& location);
bool PixelLocation(const TPassState& pass, int32_t x, int32_t y, float& latitude, float& longitude);

// What the cursor read-out shows, named as the window's fields.
struct TCursorState {
    float CursorLatitude = 0;
    float CursorLongitude = 0;
    TDateTime CursorTime = 0;
    float CursorSolarZenith = 0;
    float CursorSatelliteZenith = 0;
    float CursorRelativeAzimuth = 0;
    bool CursorCtrlHeld = false;
    double CursorT3 = 0;           // kelvin, 0 = none
    double CursorT4 = 0;
    double CursorT5 = 0;
    double CursorSecondValue = 0;  // channel-5 temperature, or SST + 273.16 in the SST view
    float CursorNdvi = -1;         // -1 = none
    // The ruler or selection drag.
    bool Dragging = false;
    float StartLatitude = 0;
    float StartLongitude = 0;
    float EndLatitude = 0;
    float EndLongitude = 0;
};

// The mouse move's reading at image pixel (x, y) in the view: location,
// angles, time, temperatures and NDVI. The drag fields and CursorCtrlHeld
// are left as they are.
void ReadCursorValues(const TPassState& pass, uint8_t viewIndex, int32_t x, int32_t y, TCursorState& cursor);

// The read-out label's text; "\r" separates its lines.
std::string CursorReadoutText(const TCursorState& cursor, uint8_t viewIndex, bool metricUnits);

// The label's text while the mouse is off the image: the unit a click would switch to.
std::string CursorUnitsPrompt(bool metricUnits);

}  // namespace kestrune
