#include "app/OverlayOptions.h"

#include "app/MainCore.h"
#include "platform/SysUtils.h"

#include <algorithm>
#include <cctype>

namespace kestrune {

namespace {

uint32_t Colour(const TRegistryInteger& setting) { return static_cast<uint32_t>(setting.Value); }

// A changed file reloads its overlay; the stored path follows when lines came of it.
void ReloadWhenChanged(TCartogList& list, const std::string& file, std::string& storedPath) {
    if (file == list.FirstFileName()) return;
    list.LoadFileList(file);
    if (!list.Segments().empty()) storedPath = list.FirstFileName();
}

}  // namespace

TOverlayOptions ReadOverlayOptions(const TMainCore& core) {
    const TMainSettings& s = core.Settings;
    TOverlayOptions o;
    o.BoundaryColour = Colour(*s.OverlayBoundaryColour);
    o.BoundaryFile = core.Boundaries().FirstFileName();
    o.GridlineColour = Colour(*s.OverlayGridlineColour);
    o.StartWithoutOverlay = s.HideInitialOverlay->Value;
    o.HomeLatitude = core.HomeLatitude;
    o.HomeLongitude = core.HomeLongitude;
    o.HomeColour = Colour(*s.OverlayHomeColour);
    o.ShowBoundaries = s.OverlayBoundaries->Value;
    o.ShowGridLabels = s.OverlayGridlabels->Value;
    o.ShowGridlines = s.OverlayGridlines->Value;
    o.ShowPoleMarkers = s.OverlayGridPoleMarkers->Value;
    o.ShowHome = s.OverlayHome->Value;
    o.ShowStations = s.OverlayStations->Value;
    o.ShowUserOverlay = s.OverlayUser->Value;
    o.TempScaleLocation = s.TempCalibLocn->Value;
    o.CaptionText = s.CaptionText->Value;
    o.CaptionOnAPT = s.CaptionOnAPT->Value;
    o.CaptionOnCorrected = s.CaptionOnCorrected->Value;
    o.CaptionOnDisplayed = s.CaptionOnDisplayed->Value;
    o.CaptionOnGAC = s.CaptionOnGAC->Value;
    o.CaptionLocation = s.TextCaptionLocn->Value;
    o.TimestampCopyright = s.TimestampCopyright->Value;
    o.UserOverlayColour = Colour(*s.OverlayUserColour);
    o.UserOverlayFile = core.UserOverlay.FirstFileName();
    return o;
}

void WriteOverlayOptions(const TOverlayOptions& o, TMainCore& core) {
    TMainSettings& s = core.Settings;
    s.OverlayBoundaryColour->Value = static_cast<int32_t>(o.BoundaryColour);
    s.OverlayGridlineColour->Value = static_cast<int32_t>(o.GridlineColour);
    s.HideInitialOverlay->Value = o.StartWithoutOverlay;
    core.HomeLatitude = o.HomeLatitude;
    core.HomeLongitude = o.HomeLongitude;
    s.OverlayHomeColour->Value = static_cast<int32_t>(o.HomeColour);
    s.OverlayBoundaries->Value = o.ShowBoundaries;
    s.OverlayGridlabels->Value = o.ShowGridLabels;
    s.OverlayGridlines->Value = o.ShowGridlines;
    s.OverlayGridPoleMarkers->Value = o.ShowPoleMarkers;
    s.OverlayHome->Value = o.ShowHome;
    s.OverlayStations->Value = o.ShowStations;
    s.OverlayUser->Value = o.ShowUserOverlay;
    s.TempCalibLocn->Value = o.TempScaleLocation;
    s.CaptionText->Value = o.CaptionText;
    s.CaptionOnAPT->Value = o.CaptionOnAPT;
    s.CaptionOnCorrected->Value = o.CaptionOnCorrected;
    s.CaptionOnDisplayed->Value = o.CaptionOnDisplayed;
    s.CaptionOnGAC->Value = o.CaptionOnGAC;
    s.TextCaptionLocn->Value = o.CaptionLocation;
    s.TimestampCopyright->Value = o.TimestampCopyright;
    s.OverlayUserColour->Value = static_cast<int32_t>(o.UserOverlayColour);
    ReloadWhenChanged(core.Boundaries(), o.BoundaryFile, s.BoundaryPath->Value);
    core.UserOverlay.TellEmptyFiles = o.ShowUserOverlay;
    ReloadWhenChanged(core.UserOverlay, o.UserOverlayFile, s.UserOverlayPath->Value);
    core.Redisplay();
}

int LocateFilterIndex(const std::string& fileName) {
    std::string extension = ExtractFileExt(fileName);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".dat") return 1;
    if (extension == ".b") return 2;
    if (extension == ".kml") return 3;
    return 4;
}

}  // namespace kestrune
