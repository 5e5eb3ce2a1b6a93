// What the pass loader needs of the window that runs it: status and progress,
// the busy look, captions, the view tabs, the pass-direction question, the
// overlay nudge memory and the recent-file list. The Qt window implements it;
// tests and the unattended run use the headless host. Message boxes do not go
// through here but through the dialog service.
#pragma once

#include "decoding/PassDirection.h"
#include "platform/SysUtils.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// Settings and window values the loader reads (DataFolder is written back).
struct TLoaderSettings {
    std::string DataFolder;
    bool HideInitialOverlay = false;
    bool Despeckle = false;
    bool RenameSource = false;
    bool RenameNoQuery = false;
    std::string RenameFormat = "yyyy-mm-dd-hhnn";
    bool LargeMemory = false;
    bool ReceiverRunning = false;     // a reception program was running at start-up
    bool Unattended = false;          // command-line run: no questions
    uint8_t ForcedDirection = 0;      // 0 none, 1 north, 2 south
    std::string VersionSuffix;        // appended to the window caption
    bool CheckBoxShowFire = false;    // fire display ticked: no despeckling
    bool FastView = false;            // first view "All" instead of a colour view
};

class TLoaderHost {
public:
    virtual ~TLoaderHost() = default;

    // Busy look of a load: the Open button reads "Stop" (busy) or "Open",
    // the cursor read-out hides, the hourglass shows, and with idlePriority
    // the process drops to idle priority until the load ends.
    virtual void BeginBusy(bool idlePriority) = 0;
    virtual void EndBusy() = 0;
    virtual void EnableControls(bool enabled) = 0;

    // Empties the cursor read-out and shows text in the status line.
    virtual void SetStatusText(const std::string& text) = 0;
    // Shows or hides the progress bar at its minimum; lets pending events run.
    virtual void ShowProgress(bool show) = 0;
    virtual void SetProgressMax(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    // Lets pending window events run (the Stop button sets AbortRequested).
    virtual void ProcessPendingEvents() = 0;

    virtual void SetWindowCaption(const std::string& caption) = 0;
    virtual void SetApplicationTitle(const std::string& title) = 0;
    virtual void SetOpenButtonHint(const std::string& hint) = 0;
    virtual void SetPaletteButtonHint(const std::string& hint) = 0;
    // Satellite-name label of the header readers; hidden at the start of a load.
    virtual void ShowSatelliteLabel(bool visible, const std::string& caption, const std::string& hint) = 0;
    // Overlay button state for the new pass.
    virtual void SetOverlayShown(bool shown) = 0;
    // GAC passes show 1:1 only and the GAC save items; others fit the width.
    virtual void SetGacLayout(bool gac) = 0;
    virtual void ClearDisplay() = 0;

    // The view tabs: the names offered, enabled or not; selecting the first
    // view runs the redisplay.
    virtual void SetViewTabs(const std::vector<std::string>& names) = 0;
    virtual void EnableViewTabs(bool enabled) = 0;
    virtual void SelectView(const std::string& name) = 0;

    // The pass-direction question; its answer tells whether it was cancelled.
    virtual TPassDirectionAnswer AskPassDirection(const TPassDirectionRequest& request,
                                                  const TPassDirectionProposal& proposal) = 0;

    // Overlay nudge memory ("mru_list.ini"): the first line holding text.
    virtual std::optional<std::string> FindNudgeEntry(const std::string& text) = 0;
    virtual void RememberNudgeOffset(const std::string& fileName, int nudgeX, int nudgeY,
                                     TDateTime passDateTime) = 0;
    virtual void ShowNudgeOffset(int nudgeX, int nudgeY) = 0;

    // Fire-detection images of the channel-3 views, built after reading.
    virtual void BuildFireFilterImages() = 0;
    // First file of the boundary overlay, "" when it holds nothing.
    virtual std::string BoundaryOverlayFileName() = 0;

    // Puts the file at the top of the recent-file list.
    virtual void AddRecentFile(const std::string& fileName) = 0;
};

}  // namespace kestrune
