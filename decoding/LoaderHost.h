// What the pass loader needs of the program that runs it: of the window
// (status and progress, the busy look, captions, the pass-direction
// question) and of the keeper of the views and lists (view tabs, nudge
// memory, fire images, recent files). The Qt window implements the first,
// the main window's core the second; tests use the headless host, which is
// both. Message boxes do not go through here but through the dialog service.
#pragma once

#include "decoding/PassDirection.h"
#include "decoding/ProgressHost.h"

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
    bool AcceptRutgersL1B = false;    // 16-bit Level 1b without sample width: keep the header's satellite
};

// A caption with its closing "(NAME format)" in the language in effect.
std::string CaptionInLanguage(const std::string& caption);

// What a load shows in the window: the busy look, captions, hints, the
// display, the view tabs' state and the pass-direction question.
class TLoaderHost : public virtual TProgressHost {
public:
    // Busy look of a load: the Open button reads "Stop" (busy) or "Open",
    // the cursor read-out hides, the hourglass shows, and with idlePriority
    // the process drops to idle priority until the load ends.
    virtual void BeginBusy(bool idlePriority) = 0;
    virtual void EndBusy() = 0;

    // The caption as the program writes it; a closing "(NAME format)" is
    // shown through CaptionInLanguage, so that it can follow a language switch.
    virtual void SetWindowCaption(const std::string& caption) = 0;
    virtual void SetApplicationTitle(const std::string& title) = 0;
    virtual void SetOpenButtonHint(const std::string& hint) = 0;
    virtual void SetPaletteButtonHint(const std::string& hint) = 0;
    // Satellite-name label of the header readers; hidden at the start of a load.
    virtual void ShowSatelliteLabel(bool visible, const std::string& caption, const std::string& hint) = 0;
    // GAC passes show 1:1 only and the GAC save items; others fit the width.
    virtual void SetGacLayout(bool gac) = 0;
    virtual void ClearDisplay() = 0;
    virtual void EnableViewTabs(bool enabled) = 0;

    // The pass-direction question; its answer tells whether it was cancelled.
    virtual TPassDirectionAnswer AskPassDirection(const TPassDirectionRequest& request,
                                                  const TPassDirectionProposal& proposal) = 0;
    virtual void ShowNudgeOffset(int nudgeX, int nudgeY) = 0;
};

// What a load does to the program around the pass, answered by whoever
// keeps the views and the program's lists.
class TLoaderServices {
public:
    virtual ~TLoaderServices() = default;

    // Overlay shown or hidden for the new pass.
    virtual void SetOverlayShown(bool shown) = 0;
    // The view tabs offered; selecting the first view runs the redisplay.
    virtual void SetViewTabs(const std::vector<std::string>& names) = 0;
    virtual void SelectView(const std::string& name) = 0;
    // Overlay nudge memory ("mru_list.ini"): the line of the pass named text.
    virtual std::optional<std::string> FindNudgeEntry(const std::string& text) = 0;
    // Keeps the file's overlay offsets and pass date in the nudge memory.
    virtual void RememberNudgeOffset(const std::string& /*fileName*/, int /*nudgeX*/, int /*nudgeY*/,
                                     double /*passDateTime*/) {}
    // Fire-detection images of the channel-3 views, built after reading.
    virtual void BuildFireFilterImages() = 0;
    // First file of the boundary overlay, "" when it holds nothing.
    virtual std::string BoundaryOverlayFileName() = 0;
    // Puts the file at the top of the recent-file list.
    virtual void AddRecentFile(const std::string& fileName) = 0;
};

}  // namespace kestrune
