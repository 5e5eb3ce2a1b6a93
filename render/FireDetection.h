// Fire detection from the mid-infrared channel 3 and the thermal channel 4:
// the setup window's parameters and their stored values, the three channel-3
// background images of the advanced algorithm, the yes/no class table over
// (first value, channel-4 count) that the fire view and the pixel list look
// up, and the fire pixel list saved as the ".fire.txt" product.
#pragma once

#include "platform/Ipl.h"
#include "render/Canvas.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

struct TPassState;
class TSensor;

// The fire table of the renderer and the pixel list: 1024 x 1024 bytes,
// [first value][channel-4 count], above 0 = fire.
using TFireClassTable = std::vector<uint8_t>;
constexpr size_t FireClassTableSize = size_t{1024} * 1024;

// The setup window's values, named as their registry values; temperatures
// in kelvin, latitudes and longitudes in whole degrees.
struct TFireSettings {
    // Standard algorithm.
    int FireDeltaT = 10;             // 1..30: minimum ch.3 - ch.4 difference
    bool FireIncludeDeltaT = true;   // apply the difference test
    int FireThresholdT = 315;        // 295..340: minimum channel-3 temperature
    // Advanced algorithm.
    bool FireUseAvg = false;
    int FireAvgMethod = -1;          // item of "Average", "Median"; -1 nothing chosen
    int FireAvgRegionSize = 3;       // 1..10: n of the (2n+1) x (2n+1) background window
    int FireAvgDeltaReq = 220;       // 0..400: detection threshold in channel-3 counts
    int FireAvgMinTch4 = 305;        // 0..360
    int FireAvgMinTch3 = 320;        // 10..360
    int FireAvgEdgeMargin = 100;     // 20..512: columns left out at each edge
    // Region of the saved pixel list.
    bool FireSaveLimitRegion = false;
    int FireSaveNorthLat = 29;       // -90..90
    int FireSaveSouthLat = 27;
    int FireSaveWestLon = -19;       // -180..180
    int FireSaveEastLon = -15;
    TColor FirePixelColour = 49407;  // orange

    // Only the "Median" item chooses the median background; anything else averages.
    bool FireUseMedian() const { return FireAvgMethod == 1; }
};

// The values as the setup window's persisting controls keep them: read from
// the program's registry key when made (a stored value outside a control's
// range is brought into it as the control would), written back when freed.
class TFireSettingsStore {
public:
    TFireSettingsStore();
    ~TFireSettingsStore();
    TFireSettingsStore(const TFireSettingsStore&) = delete;
    TFireSettingsStore& operator=(const TFireSettingsStore&) = delete;

    TFireSettings Values;

private:
    struct TVariables;
    std::unique_ptr<TVariables> variables_;
};

// The label beside the region size: "[7 x 7 pixels]" for n = 3.
std::string FireRegionSizeText(int regionSize);

// The channel-3 images of the advanced algorithm, 16-bit grey, pass width by
// the store's line count: 1 the box average, 2 the median, 3 the difference
// 800 + (raw - background) limited to 10..1000.
class TFireFilterImages {
public:
    IplImage FireImage1;
    IplImage FireImage2;
    IplImage FireImage3;

    // Image 1..3; nullptr while it does not exist.
    const IplImage* Image(int image) const;
    void Clear();
};

using TFireStatusText = std::function<void(const std::string& text)>;

// Rebuilds the three images from the pass's channel 3 (after the setup
// window's OK). Does nothing unless the advanced algorithm is on and the
// pass has lines and a width; a pass without channel 3 drops them.
void BuildFireFilterImages(const TPassState& pass, const TFireSettings& settings, TFireFilterImages& images,
                           const TFireStatusText& showStatus);
// The loader's call after each pass is read: the previous pass's images
// never outlive it, whether or not the advanced algorithm builds new ones.
void BuildFireFilterImagesAfterLoad(const TPassState& pass, const TFireSettings& settings,
                                    TFireFilterImages& images, const TFireStatusText& showStatus);

// Fills the 1024 x 1024 table [first value][channel-4 count]: 255 fire, 0
// not. Without the calibration tables it needs nothing is fire.
void BuildFireClassTable(const TSensor& sensor, const TFireSettings& settings, TFireClassTable& table);
// The same from calibration tables of 1024 kelvin values (nullptr: none).
void BuildFireClassTable(const double* thermal3, const double* thermal4, const TFireSettings& settings,
                         TFireClassTable& table);

// The fire pixel list: a header line, the count line and one "lat lon" line
// per located fire pixel. Empty for a pass that is not 2048 pixels wide.
std::vector<std::string> FirePixelListText(const TPassState& pass, const TFireSettings& settings,
                                           const TFireFilterImages& images, const std::string& sourceFileName);

}  // namespace kestrune
