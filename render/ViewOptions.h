// Values of the side-panel controls and of the settings that the renderer and
// the image savers read. The window binds its controls to these fields, which
// carry the controls' names; the unattended run and the tests fill them
// directly. Item indexes are -1 when nothing is chosen.
#pragma once

#include "render/Canvas.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// Items of the choice controls, in the controls' order.
inline constexpr std::array<std::string_view, 7> GammaItems{
    "Gamma 0.6", "Gamma 0.8", "Gamma 1.0", "Gamma 1.3", "Gamma 1.7", "Gamma 2.1", "Gamma 2.5"};
inline constexpr std::array<std::string_view, 6> BrightnessItems{"1", "2", "3", "4", "5", "VI"};
inline constexpr std::array<std::string_view, 3> ColourChannelItems{"4", "5", "6"};
inline constexpr std::array<std::string_view, 3> CrispenItems{"None", "Crispen", "More"};
inline constexpr std::array<std::string_view, 6> ThermalBrightAdjustItems{
    "None", "Stretch", "Hist eq.", "Hist eq. illum", "Hist eq. full", "Hist eq. mild"};
inline constexpr std::array<std::string_view, 10> RgbChannelItems{"1", "2", "3", "4", "5",
                                                                  "6", "7", "8", "9", "10"};
inline constexpr std::array<std::string_view, 12> UserChannelItems{"1",  "2",  "3",  "4",  "5",  "6",
                                                                   "-1", "-2", "-3", "-4", "-5", "-6"};
inline constexpr std::array<std::string_view, 15> NoaaAlgorithmItems{
    "Snow (3a)", "BD", "CC", "EC", "HE", "HF", "JF", "JJ", "MB", "MD",
    "WV (-10..-60)", "WV (-5..-90)", "ZA", "BD (enh)", "BD1"};
inline constexpr std::array<std::string_view, 2> SpotMapItems{"MIR B3 B2", "B2 B3 B0"};
inline constexpr std::array<std::string_view, 5> SstDisplayRangeItems{"Full", "Cool", "Warm", "Hot", "User"};

// Item indexes of the choices with a meaning of their own.
enum TBrightnessItem : int { BrightnessVI = 5 };
enum TThermalBrightAdjustItem : int {
    AdjustNone = 0, AdjustStretch = 1, AdjustHistEq = 2, AdjustHistEqIllum = 3, AdjustHistEqFull = 4,
    AdjustHistEqMild = 5
};
enum TSstRangeItem : int { SstRangeFull = 0, SstRangeCool = 1, SstRangeWarm = 2, SstRangeHot = 3, SstRangeUser = 4 };

// Ranges of the side panel's up-downs.
struct TUpDownRange {
    int Lowest;
    int Highest;
};
inline constexpr TUpDownRange UserMinTempRange{-90, 50};
inline constexpr TUpDownRange UserMaxTempRange{-60, 60};
inline constexpr TUpDownRange UserMinSstRange{-2, 27};
inline constexpr TUpDownRange UserMaxSstRange{-2, 37};
inline constexpr TUpDownRange SstCh4RejectRange{-5, 20};
inline constexpr TUpDownRange SeaColourThresholdRange{0, 255};
// The user temperature and SST ranges are kept at least this far apart.
inline constexpr int NarrowestUserRange = 3;

// The side panel. Defaults are those of a first run.
struct TViewOptions {
    // False colour.
    int ComboBoxGammaCorrectFC = 2;
    int RadioGroupBrightness = 1;
    int RadioGroupColour = 0;
    int RadioGroupCrispenFC = 0;
    int RadioGroupThermalBrightAdjust = AdjustHistEq;
    bool CheckBoxSeaBlue = false;
    TColor ColorDialogSeaColour = 16736352;
    bool CheckBoxShowFire = false;

    // Channel views.
    bool EqHistChan1 = false;
    bool EqHistChan2 = false;
    bool EqHistChan3 = false;
    bool EqHistChan4 = false;
    bool EqHistChan5 = false;
    bool CheckBoxIllumEqCh1 = false;
    bool CheckBoxIllumEqCh2 = false;
    bool CheckBoxIllumEqCh3 = false;
    int ComboBoxGammaCorrectCh1 = 2;
    int ComboBoxGammaCorrectCh2 = 2;
    int ComboBoxGammaCorrectCh3 = 2;
    int ComboBoxGammaCorrectCh4 = 2;
    int ComboBoxGammaCorrectCh5 = 2;

    // RGB and user RGB.
    int RadioGroupRed = 0;
    int RadioGroupGreen = 1;
    int RadioGroupBlue = 3;
    bool ColourStretch = true;
    int RadioGroupUserRed = 7;
    int RadioGroupUserGreen = 1;
    int RadioGroupUserBlue = 3;
    bool UserColourStretch = true;

    // NOAA, MVL.
    int RadioGroupNOAAalgorithm = -1;
    int RadioGroupSPOTmap = 0;

    // Temperature.
    bool CheckBoxUserRange = false;
    int UpDownUserMinTemp = -60;
    int UpDownUserMaxTemp = 40;

    // SST.
    int RadioGroupSstDisplayRange = SstRangeFull;
    int UpDownUserMinSST = 0;
    int UpDownUserMaxSST = 27;
    bool CheckBoxSSTIrCloudCheck = true;
    bool CheckBoxSSTZenithCheck = true;
    int UpDownSSTCh4Reject = -5;
    bool CheckBoxSstLandSeaMask = false;

    // Vegetation, Ch.4 - Ch.5.
    bool CheckBoxColourVegetation = false;
    bool CheckBoxColourVegetationGreen = false;
    bool CheckBoxShowAsh = false;

    // Per-channel access: false, false and -1 for channels without the control.
    bool EqHistChan(int channel) const {
        switch (channel) {
            case 1: return EqHistChan1;
            case 2: return EqHistChan2;
            case 3: return EqHistChan3;
            case 4: return EqHistChan4;
            case 5: return EqHistChan5;
            default: return false;
        }
    }
    bool CheckBoxIllumEqCh(int channel) const {
        switch (channel) {
            case 1: return CheckBoxIllumEqCh1;
            case 2: return CheckBoxIllumEqCh2;
            case 3: return CheckBoxIllumEqCh3;
            default: return false;
        }
    }
    int ComboBoxGammaCorrectCh(int channel) const {
        switch (channel) {
            case 1: return ComboBoxGammaCorrectCh1;
            case 2: return ComboBoxGammaCorrectCh2;
            case 3: return ComboBoxGammaCorrectCh3;
            case 4: return ComboBoxGammaCorrectCh4;
            case 5: return ComboBoxGammaCorrectCh5;
            default: return -1;
        }
    }
    bool operator==(const TViewOptions&) const = default;
};

// Brings the user temperature and SST ranges, as stored, into the state the
// up-downs keep them in: each end within its up-down's range, the low end
// below the high one (an inverted range is turned round), at least
// NarrowestUserRange apart (the low end moves down, or the high end up when
// the low one is at its lowest).
void KeepUserRangesInOrder(TViewOptions& options);

// Whether low..high (low not above high) is a user SST range the up-downs
// can hold as it stands: each end within its up-down's limits.
bool UserSstRangeWithinLimits(int low, int high);

// Settings and window state the renderer reads besides the side panel.
struct TRenderSettings {
    int SeaColourThreshold = 40;
    std::string LandSeaMaskPath;        // "" means the program folder's "OdpsLandMask.dat"
    std::string ClutFileName;           // colour look-up image of the false colour view, "" none
    std::string PaletteFileName;        // palette of the paletted view
    std::string NdviPaletteFileName;    // vegetation palette, "" none
    bool ReceiverRunning = false;       // drop to idle priority while rendering
    // Fire detection options.
    bool FireUseAvg = false;
    TColor FirePixelColour = 49407;
    bool operator==(const TRenderSettings&) const = default;
};

// Settings of the image savers.
struct TSaveSettings {
    std::string ResultsFolder;          // "" means the input file's folder
    bool AddImgFileSuffix = true;
    bool CaptionOnDisplayed = false;
    bool CaptionOnCorrected = false;
    bool CaptionOnAPT = false;
    bool CaptionOnGAC = false;
    bool TimestampRawImage = false;     // the caption box on corrected images
    std::string CaptionText = "Brondel Software - %D %T";
    int TextCaptionLocn = 1;
    int TempCalibLocn = 0;
    int JpegSaveQuality = 1;            // 0 low, 1 medium, 2 high
    std::string CacheFileName;          // copy of the display, "" none
    bool Unattended = false;            // no renaming of existing files and no notices
    bool ReceiverRunning = false;
};

}  // namespace kestrune
