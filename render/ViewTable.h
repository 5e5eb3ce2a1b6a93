// What the redisplay knows about each of the 28 views besides its name
// (decoding/ViewNames.h): the caption above the image, the suffix of saved
// image names, the help topic, and which side-panel controls the view shows
// and where some of them go. Also the SST colour range of the range choice
// and the arithmetic of sizing the image control. The window applies all of
// this to its controls; nothing here knows a widget.
#pragma once

#include "decoding/ViewNames.h"
#include "render/ViewOptions.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

struct TViewInfo {
    std::string_view MappingCaption;  // views 1..10 build theirs: see ViewMappingCaption
    std::string_view Suffix;          // of saved image names
    int HelpContext = 0;
};

// Views 0..27; a default entry for NoView or anything beyond.
const TViewInfo& ViewInfo(uint8_t view);

// The caption of LabelMapping: the table's, or for channel views
// "Channel n" ("Channel MIR" and "Channel B<n - 1>" for sensor kind 3).
std::string ViewMappingCaption(uint8_t view, uint8_t sensorKind);

// The side panel's view-dependent controls, in the order the redisplay
// hides them.
enum class TSidePanelControl : uint8_t {
    ComboBoxGammaCorrectFC, RadioGroupBrightness, RadioGroupCrispenFC, RadioGroupColour,
    RadioGroupThermalBrightAdjust, GroupBoxSea, GroupBoxFire, RadioGroupRed, RadioGroupGreen,
    RadioGroupBlue, ColourStretch, UserColourStretch, ButtonLoadPalette, ButtonLoadNDVIpalette,
    ButtonLoadSSTpalette, ButtonAdjHistogram, RadioGroupUserRed, RadioGroupUserGreen, RadioGroupUserBlue,
    RadioGroupNOAAalgorithm, RadioGroupSPOTmap, EqHistChan1, EqHistChan2, EqHistChan3, EqHistChan4,
    EqHistChan5, CheckBoxIllumEqCh1, CheckBoxIllumEqCh2, CheckBoxIllumEqCh3, ComboBoxGammaCorrectCh1,
    ComboBoxGammaCorrectCh2, ComboBoxGammaCorrectCh3, ComboBoxGammaCorrectCh4, ComboBoxGammaCorrectCh5,
    PanelTempCalib, UpDownUserMinTemp, UpDownUserMaxTemp, LabelTempRange, CheckBoxSSTIrCloudCheck,
    CheckBoxSSTZenithCheck, UpDownUserMinSST, UpDownUserMaxSST, LabelSSTRange, EditSSTCh4Reject,
    UpDownSSTCh4Reject, LabelSstCh4Reject, CheckBoxSstLandSeaMask, ButtonBrowseLandSeaMask,
    CheckBoxUserRange, RadioGroupSstDisplayRange, BitBtnSaveTemps, CheckBoxColourVegetation,
    CheckBoxColourVegetationGreen, CheckBoxShowAsh,
    Count
};
constexpr int SidePanelControlCount = static_cast<int>(TSidePanelControl::Count);

// The control's field name ("RadioGroupRed", ...).
std::string_view SidePanelControlName(TSidePanelControl control);

// A control's top set from another control: anchor's top + offset, or
// anchor's bottom (top + height) + offset.
struct TControlPlacement {
    TSidePanelControl Control;
    TSidePanelControl Anchor;
    int Offset = 0;
    bool BelowAnchor = true;  // false: from the anchor's top
};

// The pass facts and control values that decide the side panel.
struct TSidePanelInputs {
    uint8_t SensorKind = 0;
    uint8_t InputFormatCode = 0;
    int32_t Channel3TargetCount = 0;  // modal internal target count of channel 3
    bool CheckBoxUserRange = false;
    int RadioGroupSstDisplayRange = 0;
};

struct TSidePanelLayout {
    std::vector<TSidePanelControl> Shown;        // in the order they are to be shown
    std::vector<TControlPlacement> Placements;   // applied in order, after showing
    int PanelTempCalibHeight = 0;                // 0: left as it is
    bool LabelSSTRangeEnabled = true;
};

TSidePanelLayout SidePanelForView(uint8_t view, const TSidePanelInputs& inputs);
bool SidePanelShows(const TSidePanelLayout& layout, TSidePanelControl control);

// SST colour range of the range choice ("Full" "Cool" "Warm" "Hot" "User"),
// degrees Celsius. For "User" a maximum not above the minimum becomes
// minimum + 1, which the maximum's up-down then shows.
struct TSstRange {
    int Low = -1;
    int High = 30;
    bool User = false;
    int UserMax = 0;  // the user maximum after the correction (User only)
};
TSstRange SstDisplayRange(int item, int userMinSst, int userMaxSst);

// Size of the image control and its scroll bars for a zoom mode.
enum TZoomMode : uint8_t { ZoomFitWidth = 0, ZoomOneToOne = 1, ZoomDouble = 2 };

struct TDisplaySizingInputs {
    uint8_t ZoomMode = ZoomFitWidth;
    int GraphicWidth = 0;
    int GraphicHeight = 0;
    int BytesPerPixel = 3;           // of the graphic: 3, 4, else 1
    int ScrollBoxWidth = 0;          // client width of the scroll box
    int VerticalScrollBarWidth = 0;  // the system's
    int VideoWidth = 0;              // samples per line of the pass, 0 none
    int VideoLineCount = 0;
    uint64_t AvailablePhysicalMemory = 0;
    bool TrackingScroll = true;
};

struct TDisplaySize {
    int Width = 0;
    int Height = 0;
    bool Stretch = false;
    bool HorizontalBarVisible = true;
    bool VerticalBarVisible = true;
    bool Tracking = false;           // both bars (fit width: the vertical one)
    bool SmoothScrolling = true;
};
TDisplaySize SizeImageDisplay(const TDisplaySizingInputs& inputs);

}  // namespace kestrune
