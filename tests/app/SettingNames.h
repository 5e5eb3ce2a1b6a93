// The values the program keeps under its registry key, by the part of the
// program that writes them when it closes.
#pragma once

#include <initializer_list>
#include <set>
#include <string>

namespace kestrune::testing {

using TNames = std::set<std::string>;

// The main window's own settings, besides its placement.
inline const TNames MainSettingNames{
    "DisableAero", "DataFolder", "ResultsFolder", "RenameNoQuery", "RenameFormat", "RenameSource",
    "AddImgFileSuffix", "LandSeaMaskPath", "TempCalibLocn", "TextCaptionLocn", "LargeMemThreshold",
    "MaxZoomedMinutes", "TrackingScroll", "ZoomIn", "CaptionOnAPT", "CaptionOnDisplayed", "CaptionOnCorrected",
    "CaptionOnGAC", "CaptionText", "TimestampCopyright", "HideInitialOverlay", "FastInitialView", "CacheDisplay",
    "TimestampRawImage", "Despeckle", "AcceptRutgersL1B", "OverlayGridlabels", "OverlayGridlines",
    "OverlayGridlineColour", "OverlayGridPoleMarkers", "OverlayBoundaries", "OverlayBoundaryColour", "OverlayHome",
    "OverlayHomeColour", "OverlayStations", "OverlayUser", "OverlayUserColour", "OverlayHomeLat", "OverlayHomeLon",
    "MetricUnits", "SeaColourThreshold", "JpegSaveQuality", "BoundaryPath", "UserOverlayPath"};
inline const TNames PlacementNames{"FormState", "FormLeft", "FormTop", "FormWidth",
                                   "FormHeight", "FormClientWidth", "FormClientHeight"};
inline const TNames RecentFileNames{"MRU1", "MRU2", "MRU3", "MRU4", "MRU5", "MRU6", "MRU7", "MRU8"};
// The fire dialog's controls.
inline const TNames FireSettingNames{
    "FireDeltaT", "FireIncludeDeltaT", "FireThresholdT", "FireUseAvg", "FireAvgMethod", "FireAvgRegionSize",
    "FireAvgDeltaReq", "FireAvgMinTch4", "FireAvgMinTch3", "FireAvgEdgeMargin", "FireSaveLimitRegion",
    "FireSaveNorthLat", "FireSaveSouthLat", "FireSaveWestLon", "FireSaveEastLon", "FirePixelColour"};
// The go-to-location window's places; the pass browser's filters (its
// folders are written only once it has shown one).
inline const TNames WindowSettingNames{"GoToLocations", "BrowserAvhrrHPT", "BrowserAvhrrJPEG"};
// The side panel's controls.
inline const TNames SidePanelSettingNames{
    "NOAAalgorithm", "UserBlueChannel", "UserGreenChannel", "UserRedChannel", "HistEqChan1", "HistEqChan2",
    "HistEqChan3", "HistEqChan4", "HistEqChan5", "RedChannel", "SpotColourMap", "UserColourStretch", "GreenChannel",
    "BlueChannel", "ColourStretch", "SSTDisplayRange", "UserMaxTemp", "UserMinTemp", "UserMinSST", "UserMaxSST",
    "UserRange", "ColourVegetation", "ColourVegetationGreen", "SstIrCloudCheck", "SSTCh4Reject", "SstZenithCheck",
    "IllumEqCh1", "IllumEqCh2", "IllumEqCh3", "SstLandSeaMask", "SeaColourBlue", "ShowFire", "GammaCorrectCh1",
    "GammaCorrectCh2", "GammaCorrectCh3", "GammaCorrectCh4", "GammaCorrectCh5", "GammaCorrectFC", "ColourChannel",
    "CrispenFalseColour", "BrightnessChannel", "ThermBrightAjdust", "ShowAsh", "SeaColour"};

inline TNames Together(std::initializer_list<const TNames*> lists) {
    TNames names;
    for (const TNames* list : lists) names.insert(list->begin(), list->end());
    return names;
}

}  // namespace kestrune::testing
