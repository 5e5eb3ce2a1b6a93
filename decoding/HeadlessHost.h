// The loader's host without a window, for tests and the unattended run: it
// keeps what a window would show, answers the pass-direction question with
// its proposal and never waits.
#pragma once

#include "decoding/LoaderHost.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrune {

class THeadlessHost : public TLoaderHost, public TLoaderServices {
public:
    void BeginBusy(bool idlePriority) override;
    void EndBusy() override;
    void EnableControls(bool enabled) override { ControlsEnabled = enabled; }
    void SetStatusText(const std::string& text) override;
    void ShowProgress(bool show) override;
    void SetProgressMax(int maximum) override { ProgressMax = maximum; }
    void SetProgressPosition(int position) override { ProgressPosition = position; }
    void ProcessPendingEvents() override;
    void SetWindowCaption(const std::string& caption) override { WindowCaption = caption; }
    void SetApplicationTitle(const std::string& title) override { ApplicationTitle = title; }
    void SetOpenButtonHint(const std::string& hint) override { OpenButtonHint = hint; }
    void SetPaletteButtonHint(const std::string& hint) override { PaletteButtonHint = hint; }
    void ShowSatelliteLabel(bool visible, const std::string& caption, const std::string& hint) override;
    void SetOverlayShown(bool shown) override { OverlayShown = shown; }
    void SetGacLayout(bool gac) override { GacLayout = gac; }
    void ClearDisplay() override {}
    void SetViewTabs(const std::vector<std::string>& names) override { ViewTabs = names; }
    void EnableViewTabs(bool enabled) override { ViewTabsEnabled = enabled; }
    void SelectView(const std::string& name) override { SelectedView = name; }
    TPassDirectionAnswer AskPassDirection(const TPassDirectionRequest& request,
                                          const TPassDirectionProposal& proposal) override;
    std::optional<std::string> FindNudgeEntry(const std::string& text) override;
    void ShowNudgeOffset(int nudgeX, int nudgeY) override;
    void BuildFireFilterImages() override {}
    std::string BoundaryOverlayFileName() override { return BoundaryFileName; }
    void AddRecentFile(const std::string& fileName) override;

    // What a window would show.
    std::vector<std::string> Log;          // status texts and hints, in order
    bool Busy = false;
    bool ControlsEnabled = true;
    bool ProgressShown = false;
    int ProgressMax = 0;
    int ProgressPosition = 0;
    std::string StatusText;
    std::string WindowCaption;
    std::string ApplicationTitle;
    std::string OpenButtonHint;
    std::string PaletteButtonHint;
    bool OverlayShown = true;
    bool GacLayout = false;
    std::vector<std::string> ViewTabs;
    bool ViewTabsEnabled = true;
    std::string SelectedView;
    std::vector<std::string> RecentFiles;  // newest first, each once
    std::vector<std::string> NudgeList;    // lines of the nudge memory
    std::string BoundaryFileName;
    std::vector<TPassDirectionRequest> DirectionRequests;

    // Runs whenever pending events would run (a test may press Stop here).
    std::function<void()> OnPendingEvents;
    // Answers the pass-direction question instead of its proposal.
    std::function<TPassDirectionAnswer(const TPassDirectionRequest&, const TPassDirectionProposal&)> OnDirection;

private:
    int savedPriority_ = 0;
};

}  // namespace kestrune
