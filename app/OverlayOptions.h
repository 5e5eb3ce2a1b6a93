// The overlay options window's working copy of the overlay and annotation
// settings: taken from the main window's settings, edited by the window,
// and on OK written back, reloading an overlay whose source file changed.
#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

class TMainCore;

struct TOverlayOptions {
    uint32_t BoundaryColour = 0;
    std::string BoundaryFile;
    uint32_t GridlineColour = 0;
    bool StartWithoutOverlay = false;
    float HomeLatitude = 0;
    float HomeLongitude = 0;
    uint32_t HomeColour = 0;
    bool ShowBoundaries = false;
    bool ShowGridLabels = false;
    bool ShowGridlines = false;
    bool ShowPoleMarkers = false;
    bool ShowHome = false;
    bool ShowStations = false;
    bool ShowUserOverlay = false;
    int TempScaleLocation = 0;  // 0 none .. 6 bottom right
    std::string CaptionText;
    bool CaptionOnAPT = false;
    bool CaptionOnCorrected = false;
    bool CaptionOnDisplayed = false;
    bool CaptionOnGAC = false;
    int CaptionLocation = 0;
    std::string TimestampCopyright;
    uint32_t UserOverlayColour = 0;
    std::string UserOverlayFile;
};

// The settings as the window starts from them.
TOverlayOptions ReadOverlayOptions(const TMainCore& core);
// OK: every field back to its setting; a changed source file reloads its
// overlay, and when that gives any line the path setting takes it. Then
// the view is drawn again.
void WriteOverlayOptions(const TOverlayOptions& options, TMainCore& core);

// The open dialog's filter (1 ".dat", 2 ".b", 3 ".kml", 4 any other) for a file.
int LocateFilterIndex(const std::string& fileName);

}  // namespace kestrune
