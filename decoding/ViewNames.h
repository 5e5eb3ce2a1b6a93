// The names of the 28 views. They are also the captions of the view tabs,
// so a view is found again from the caption of the selected tab.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrune {

constexpr int ViewCount = 28;
// View number when a caption names no view.
constexpr uint8_t NoView = 255;

// View numbers with a role of their own in the loader and the renderer.
enum TViewNumber : uint8_t {
    ViewAll = 0,
    ViewChannel1 = 1,   // "Ch 1" .. "Ch 10" are views 1 .. 10
    ViewFalseColour = 11,
    ViewMvl = 12,
    ViewRgb = 13,
    ViewUser = 14,
    ViewNoaa = 15,
    ViewPaletted = 16,
    ViewTemperature = 17,
    ViewSst = 18,
    ViewVegetation = 19,
    ViewCh4MinusCh5 = 20,
    ViewCh3Raw = 21,
    ViewCh3AvgFilt = 22,
    ViewCh3MedianFilt = 23,
    ViewCh3RawMinusFilt = 24,
    ViewFire = 25,
    ViewGroundPath = 26,
    ViewOverlay = 27
};

extern const std::array<std::string_view, ViewCount> ViewNames;

// View number whose name equals caption exactly, NoView when none does.
uint8_t ViewIndexOfName(std::string_view caption);

// "Ch n" for channel n in 1..10.
std::string_view ChannelViewName(int channel);

}  // namespace kestrune
