// The temperature profile along a line drawn on the image: the pixels
// sampled between its end points, the channel-4 brightness temperature and
// the place of each, and the labels of the chart's horizontal axis.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kestrune {

struct TPassState;

struct TProfilePixel {
    int X = 0;
    int Y = 0;
};

struct TProfilePoint {
    double Position = 0;     // longitude or latitude, degrees
    double Temperature = 0;  // kelvin or degrees Celsius
};

struct TProfile {
    // The line spans more columns than rows: x is longitude, else latitude.
    bool AlongLongitude = false;
    std::vector<TProfilePoint> Points;
};

// The pixels from (min x, min y) to (max x, max y), one per column when the
// line is wider than high, else one per row; one pixel for a point. Nothing
// for a negative end.
std::vector<TProfilePixel> ProfilePixels(int x1, int y1, int x2, int y2);

using TPixelLocate = std::function<bool(int x, int y, float& latitude, float& longitude)>;
// The profile of the pass along the line. Empty without the channel-4
// temperature table; pixels that cannot be located or lie outside the
// picture are skipped.
TProfile BuildProfile(const TPassState& pass, const TPixelLocate& locate, int x1, int y1, int x2, int y2,
                      bool inKelvin);

// A bottom-axis label with its compass suffix: "°W"/"°E" along longitude,
// "°S"/"°N" along latitude, none for 0 or a text that is no number. The
// number may have a decimal comma.
std::string AxisLabel(const std::string& label, bool alongLongitude);

}  // namespace kestrune
