// The video adjust window's settings without the window: a black point,
// white point and gamma per colour (red, green, blue) with the 1024-entry
// transfer table the renderer applies to the composite views, the three
// markers under the plots, the automatic and equalised settings, the
// ".xfr" text files and the histogram plot's bars.
#pragma once

#include "decoding/HRPTvideo.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrune {

constexpr int32_t TopCount = CountRange - 1;
constexpr float SmallestGamma = 0.25f;
constexpr float LargestGamma = 4.0f;

enum TColour : int { ColourRed = 0, ColourGreen = 1, ColourBlue = 2 };

struct TColourTransfer {
    float Gamma = 1.0f;
    int32_t Black = 0;
    int32_t White = TopCount;
    TCountTable Transfer{};
};

// The three markers' left edges (in the panel) and their ends of the scale.
struct TMarkers {
    int BlackHome = 8;
    int WhiteHome = 392;
    int Width = 9;  // every marker is as wide
    int BlackLeft = 8;
    int GreyLeft = 200;
    int WhiteLeft = 392;

    int Position(int32_t value) const;
    int32_t Value(int position) const;
    int GreyPosition(float gamma) const;
};

enum TMarker : int { MarkerNone = -1, MarkerBlack = 0, MarkerGrey = 1, MarkerWhite = 2 };

class TVideoAdjust {
public:
    TVideoAdjust();

    // The renderer applies the tables: set at each showing, cleared by Cancel.
    bool UseTransfer = false;
    std::array<TColourTransfer, 3> Colours;
    // Source channels (1..10) shown as red, green and blue.
    std::array<int, 3> Channels{1, 2, 4};
    std::string ImageName;

    // What the window edits: the selected colour's points and gamma.
    TColour Selected = ColourRed;
    bool EqualRgb = false;
    int32_t Black = 0;
    int32_t White = TopCount;
    float Gamma = 1.0f;
    TMarkers Markers;

    // The loaded file's name: the ".xfr" file is named after it.
    void SetTransferFileName(const std::string& fileName);
    std::string TransferFileName() const { return ImageName + ".xfr"; }

    // Takes the selected colour's setting (red's for all with EqualRgb) into
    // the edited values and the markers, then rebuilds.
    void ColourChoice();
    // The edited values into the selected colour (all three with equal).
    void RebuildTransfer(bool equal);
    // Each colour from its channel's histogram range, gamma 1.
    void Auto(THRPTvideo& video);
    // Each table from its channel's equalised stretch (clip factor 4).
    void Equalise(THRPTvideo& video);

    // Dragging under the plots: the marker under x, then moves of it.
    TMarker PickMarker(int x) const;
    void DragMarker(TMarker marker, int x);

    // The ".xfr" file's text; reading skips lines it cannot use.
    std::string XfrText() const;
    void ReadXfrText(const std::string& text);
    // File forms: writing replaces the file in one step (throws on failure);
    // reading gives false when the file cannot be read.
    void SaveXfr(const std::string& path) const;
    bool LoadXfr(const std::string& path);

    // The renderer's table of a colour; nullptr while UseTransfer is off.
    const int32_t* Transfer(int colour);
    // Cancel: the tables are used no more. True when a picture was drawn
    // through them since they were last dropped: it must be drawn again.
    bool DropTransfer();

private:
    void LimitEdited();

    bool handedOut_ = false;  // the renderer took a table
};

// Bars of a histogram plot (width x height client area), one per column
// 1..width-2 (index 0 is column 1): the counts (smoothed over three bins
// unless raw) averaged per column and scaled to the peak bin, in 64 bits.
// Empty when the peak is below 2.
std::vector<int> HistogramBars(TqelHistogram& histogram, int width, int height, bool raw = false);
// Points of a transfer curve across a width x height plot: y per column.
std::vector<int> TransferCurve(const TCountTable& table, int width, int height);

}  // namespace kestrune
