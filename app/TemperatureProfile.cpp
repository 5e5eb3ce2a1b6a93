#include "app/TemperatureProfile.h"

#include "decoding/HRPTvideo.h"
#include "decoding/PassState.h"
#include "decoding/Sensor.h"
#include "platform/ProgramStrings.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace kestrune {

namespace {

constexpr double KelvinOfZeroCelsius = 273.15;
constexpr int ThermalChannel = 4;

int RoundHalfEven(double value) { return static_cast<int>(std::nearbyint(value)); }

}  // namespace

std::vector<TProfilePixel> ProfilePixels(int x1, int y1, int x2, int y2) {
    std::vector<TProfilePixel> pixels;
    if (std::min({x1, y1, x2, y2}) < 0) return pixels;
    const int xmin = std::min(x1, x2);
    const int xmax = std::max(x1, x2);
    const int ymin = std::min(y1, y2);
    const int ymax = std::max(y1, y2);
    if (xmax - xmin > ymax - ymin) {
        for (int x = xmin; x <= xmax; ++x)
            pixels.push_back({x, RoundHalfEven(static_cast<double>(ymax - ymin) * (x - xmin) / (xmax - xmin) + ymin)});
    } else if (ymax > ymin) {
        for (int y = ymin; y <= ymax; ++y)
            pixels.push_back({RoundHalfEven(static_cast<double>(xmax - xmin) * (y - ymin) / (ymax - ymin) + xmin), y});
    } else {
        pixels.push_back({xmin, ymin});
    }
    return pixels;
}

TProfile BuildProfile(const TPassState& pass, const TPixelLocate& locate, int x1, int y1, int x2, int y2,
                      bool inKelvin) {
    TProfile profile;
    profile.AlongLongitude = std::abs(x2 - x1) > std::abs(y2 - y1);
    const double* table = pass.Sensor ? pass.Sensor->ThermalTable4() : nullptr;
    const THRPTvideo& video = *pass.Video;
    const bool thermal = pass.SensorKind == SensorAvhrr || pass.SensorKind == SensorFengYun1;
    if (table == nullptr || !thermal || !pass.ChannelInStore(ThermalChannel) || video.Width() <= 0) return profile;
    for (const TProfilePixel& pixel : ProfilePixels(x1, y1, x2, y2)) {
        float latitude = 0;
        float longitude = 0;
        if (pixel.X >= video.Width() || pixel.Y >= video.LineCount() || !locate(pixel.X, pixel.Y, latitude, longitude))
            continue;
        const uint16_t* line = video.SampleAddress(ThermalChannel, pixel.Y);
        if (line == nullptr) continue;
        const double kelvin = table[std::min<int>(line[pixel.X], CountRange - 1)];
        profile.Points.push_back({profile.AlongLongitude ? longitude : latitude,
                                  inKelvin ? kelvin : kelvin - KelvinOfZeroCelsius});
    }
    return profile;
}

std::string AxisLabel(const std::string& label, bool alongLongitude) {
    // Written with the user's decimal separator, which may be a comma.
    std::string number = label;
    std::replace(number.begin(), number.end(), ',', '.');
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc() || value == 0) return label;
    if (alongLongitude) return FormatResStr(value < 0 ? res::SDegreesWest : res::SDegreesEast, {label});
    return FormatResStr(value < 0 ? res::SDegreesSouth : res::SDegreesNorth, {label});
}

}  // namespace kestrune
