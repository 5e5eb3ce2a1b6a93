#include "render/ViewTable.h"

#include "platform/ProgramStrings.h"

#include <algorithm>

namespace kestrune {

namespace {

using C = TSidePanelControl;

// Views without a suffix of their own used to keep the previous view's,
// which named an MVL or fire image after another view; each view has one.
const std::array<TViewInfo, ViewCount> Views{{
    {"All channels", "-ql", 10000},
    {"", "-c1", 10050},
    {"", "-c2", 10050},
    {"", "-c3", 10050},
    {"", "-c4", 10050},
    {"", "-c5", 10050},
    {"", "-c6", 10050},
    {"", "-c7", 10050},
    {"", "-c8", 10050},
    {"", "-c9", 10050},
    {"", "-c10", 10050},
    {"False colour", "-fc", 10100},
    {"MVL", "-mvl", 10100},
    {"RGB", "-rgb", 10150},
    {"User RGB", "-usr", 10200},
    {"NOAA", "-no", 10250},
    {"Paletted", "-pl", 10500},
    {"Temperature", "-th", 10300},
    {"Sea surface", "-st", 10350},
    {"Vegetation", "-vg", 10400},
    {"Ch.4 - Ch.5", "-wv", 10450},
    {"Ch.3", "-c3raw", 10520},
    {"Ch.3 avg", "-c3avg", 10520},
    {"Ch.3 median", "-c3med", 10520},
    {"Ch.3 delta", "-c3delta", 10520},
    {"Fire", "-fire", 10520},
    {"Ground path", "-gnd", 10530},
    {"Overlay", "-ovl", 10550},
}};

const std::array<std::string_view, SidePanelControlCount> ControlNames{
    "ComboBoxGammaCorrectFC", "RadioGroupBrightness", "RadioGroupCrispenFC", "RadioGroupColour",
    "RadioGroupThermalBrightAdjust", "GroupBoxSea", "GroupBoxFire", "RadioGroupRed", "RadioGroupGreen",
    "RadioGroupBlue", "ColourStretch", "UserColourStretch", "ButtonLoadPalette", "ButtonLoadNDVIpalette",
    "ButtonLoadSSTpalette", "ButtonAdjHistogram", "RadioGroupUserRed", "RadioGroupUserGreen",
    "RadioGroupUserBlue", "RadioGroupNOAAalgorithm", "RadioGroupSPOTmap", "EqHistChan1", "EqHistChan2",
    "EqHistChan3", "EqHistChan4", "EqHistChan5", "CheckBoxIllumEqCh1", "CheckBoxIllumEqCh2",
    "CheckBoxIllumEqCh3", "ComboBoxGammaCorrectCh1", "ComboBoxGammaCorrectCh2", "ComboBoxGammaCorrectCh3",
    "ComboBoxGammaCorrectCh4", "ComboBoxGammaCorrectCh5", "PanelTempCalib", "UpDownUserMinTemp",
    "UpDownUserMaxTemp", "LabelTempRange", "CheckBoxSSTIrCloudCheck", "CheckBoxSSTZenithCheck",
    "UpDownUserMinSST", "UpDownUserMaxSST", "LabelSSTRange", "EditSSTCh4Reject", "UpDownSSTCh4Reject",
    "LabelSstCh4Reject", "CheckBoxSstLandSeaMask", "ButtonBrowseLandSeaMask", "CheckBoxUserRange",
    "RadioGroupSstDisplayRange", "BitBtnSaveTemps", "CheckBoxColourVegetation",
    "CheckBoxColourVegetationGreen", "CheckBoxShowAsh"};

C Offset(C first, int k) { return static_cast<C>(static_cast<int>(first) + k); }

void ChannelControls(int channel, const TSidePanelInputs& inputs, TSidePanelLayout& layout) {
    if (channel < 1 || channel > 5) return;
    const C gamma = Offset(C::ComboBoxGammaCorrectCh1, channel - 1);
    layout.Shown.push_back(Offset(C::EqHistChan1, channel - 1));
    if (channel <= 3) layout.Shown.push_back(Offset(C::CheckBoxIllumEqCh1, channel - 1));
    layout.Shown.push_back(gamma);
    if (channel >= 4 && inputs.SensorKind != 3) {
        layout.Shown.push_back(C::BitBtnSaveTemps);
        layout.Placements.push_back({C::BitBtnSaveTemps, gamma, 16});
    }
}

void TemperatureControls(const TSidePanelInputs& inputs, TSidePanelLayout& layout) {
    layout.PanelTempCalibHeight = 202;
    layout.Shown = {C::PanelTempCalib, C::CheckBoxUserRange, C::BitBtnSaveTemps};
    if (inputs.CheckBoxUserRange)
        for (C control : {C::UpDownUserMinTemp, C::UpDownUserMaxTemp, C::LabelTempRange}) layout.Shown.push_back(control);
    layout.Placements.push_back({C::BitBtnSaveTemps, C::LabelTempRange, 16});
}

void SeaSurfaceControls(const TSidePanelInputs& inputs, TSidePanelLayout& layout) {
    layout.PanelTempCalibHeight = 152;
    layout.LabelSSTRangeEnabled = inputs.RadioGroupSstDisplayRange == SstRangeUser;
    layout.Shown = {C::PanelTempCalib,         C::RadioGroupSstDisplayRange, C::CheckBoxSSTIrCloudCheck,
                    C::CheckBoxSSTZenithCheck, C::ButtonLoadSSTpalette,      C::UpDownUserMinSST,
                    C::UpDownUserMaxSST,       C::LabelSSTRange,             C::EditSSTCh4Reject,
                    C::UpDownSSTCh4Reject,     C::LabelSstCh4Reject,         C::CheckBoxSstLandSeaMask,
                    C::ButtonBrowseLandSeaMask, C::BitBtnSaveTemps};
    layout.Placements = {
        {C::RadioGroupSstDisplayRange, C::PanelTempCalib, 4},
        {C::UpDownUserMinSST, C::RadioGroupSstDisplayRange, 4},
        {C::UpDownUserMaxSST, C::RadioGroupSstDisplayRange, 4},
        {C::LabelSSTRange, C::RadioGroupSstDisplayRange, 8},
        {C::CheckBoxSSTIrCloudCheck, C::UpDownUserMinSST, 4},
        {C::CheckBoxSSTZenithCheck, C::CheckBoxSSTIrCloudCheck, 4},
        {C::EditSSTCh4Reject, C::CheckBoxSSTZenithCheck, 4},
        {C::UpDownSSTCh4Reject, C::EditSSTCh4Reject, 0, false},
        {C::LabelSstCh4Reject, C::EditSSTCh4Reject, 2, false},
        {C::CheckBoxSstLandSeaMask, C::EditSSTCh4Reject, 4},
        {C::ButtonBrowseLandSeaMask, C::CheckBoxSstLandSeaMask, 8},
        {C::ButtonLoadSSTpalette, C::ButtonBrowseLandSeaMask, 8},
        {C::BitBtnSaveTemps, C::ButtonLoadSSTpalette, 8},
    };
}

}  // namespace

const TViewInfo& ViewInfo(uint8_t view) {
    static const TViewInfo none{};
    return view < ViewCount ? Views[view] : none;
}

std::string ViewMappingCaption(uint8_t view, uint8_t sensorKind) {
    if (view < ViewChannel1 || view > ViewChannel1 + 9)
        return ViewInfo(view).MappingCaption.empty() ? std::string() : resStr(static_cast<uint16_t>(res::SMappingCaptions + view));
    if (sensorKind != 3) return FormatResStr(res::SMappingChannel, {std::to_string(view)});
    return view == 5 ? resStr(res::SMappingChannelMir) : FormatResStr(res::SMappingChannelB, {std::to_string(view - 1)});
}

std::string_view SidePanelControlName(TSidePanelControl control) {
    const auto index = static_cast<size_t>(control);
    return index < ControlNames.size() ? ControlNames[index] : std::string_view{};
}

TSidePanelLayout SidePanelForView(uint8_t view, const TSidePanelInputs& inputs) {
    TSidePanelLayout layout;
    switch (view) {
        case ViewFalseColour:
            layout.Shown = {C::ComboBoxGammaCorrectFC, C::RadioGroupBrightness, C::RadioGroupColour,
                            C::RadioGroupCrispenFC,    C::GroupBoxSea,          C::RadioGroupThermalBrightAdjust};
            if (inputs.Channel3TargetCount > 400) layout.Shown.push_back(C::GroupBoxFire);
            break;
        case ViewMvl:
            if (inputs.InputFormatCode == 34 || inputs.InputFormatCode == 35)
                layout.Shown.push_back(C::RadioGroupSPOTmap);
            break;
        case ViewRgb:
            layout.Shown = {C::RadioGroupRed, C::RadioGroupGreen, C::RadioGroupBlue, C::ColourStretch,
                            C::ButtonAdjHistogram};
            layout.Placements.push_back({C::ButtonAdjHistogram, C::ColourStretch, 28, false});
            break;
        case ViewUser:
            layout.Shown = {C::RadioGroupUserRed, C::RadioGroupUserGreen, C::RadioGroupUserBlue,
                            C::UserColourStretch, C::ButtonAdjHistogram};
            layout.Placements.push_back({C::ButtonAdjHistogram, C::UserColourStretch, 28, false});
            break;
        case ViewNoaa: layout.Shown = {C::RadioGroupNOAAalgorithm}; break;
        case ViewPaletted: layout.Shown = {C::ButtonLoadPalette}; break;
        case ViewTemperature: TemperatureControls(inputs, layout); break;
        case ViewSst: SeaSurfaceControls(inputs, layout); break;
        case ViewVegetation:
            layout.Shown = {C::CheckBoxColourVegetation, C::CheckBoxColourVegetationGreen, C::ButtonLoadNDVIpalette};
            break;
        case ViewCh4MinusCh5: layout.Shown = {C::CheckBoxShowAsh}; break;
        default: ChannelControls(view, inputs, layout); break;
    }
    return layout;
}

bool SidePanelShows(const TSidePanelLayout& layout, TSidePanelControl control) {
    return std::find(layout.Shown.begin(), layout.Shown.end(), control) != layout.Shown.end();
}

TSstRange SstDisplayRange(int item, int userMinSst, int userMaxSst) {
    switch (item) {
        case SstRangeCool: return {-1, 12};
        case SstRangeWarm: return {7, 20};
        case SstRangeHot: return {15, 28};
        case SstRangeUser: {
            const int high = userMaxSst > userMinSst ? userMaxSst : userMinSst + 1;
            return {userMinSst, high, true, high};
        }
        default: return {-1, 30};
    }
}

TDisplaySize SizeImageDisplay(const TDisplaySizingInputs& inputs) {
    const auto bytes = static_cast<uint64_t>(std::max(inputs.GraphicWidth, 0)) *
                       static_cast<uint64_t>(std::max(inputs.GraphicHeight, 0)) *
                       static_cast<uint64_t>(inputs.BytesPerPixel == 3 || inputs.BytesPerPixel == 4
                                                 ? inputs.BytesPerPixel : 1);
    const bool trackFit = inputs.AvailablePhysicalMemory > bytes && inputs.TrackingScroll;
    const bool trackZoom = inputs.AvailablePhysicalMemory > bytes / 3 && inputs.TrackingScroll;

    TDisplaySize size;
    if (inputs.ZoomMode == ZoomOneToOne || inputs.ZoomMode == ZoomDouble) {
        const int factor = inputs.ZoomMode == ZoomDouble ? 2 : 1;
        size.Width = inputs.GraphicWidth * factor;
        size.Height = inputs.GraphicHeight * factor;
        size.Stretch = factor == 2;
        size.Tracking = factor == 1 && trackZoom;
        size.SmoothScrolling = factor == 1;
        return size;
    }
    size.HorizontalBarVisible = false;
    size.Width = inputs.ScrollBoxWidth - inputs.VerticalScrollBarWidth;
    if (inputs.GraphicWidth > 0)
        size.Height = static_cast<int>(int64_t{inputs.GraphicHeight} * size.Width / inputs.GraphicWidth);
    if (inputs.VideoWidth > 0 && inputs.VideoLineCount > 0)
        size.Height = static_cast<int>(int64_t{inputs.VideoLineCount} * size.Width / inputs.VideoWidth);
    size.Stretch = true;
    size.Tracking = trackFit;
    return size;
}

}  // namespace kestrune
