// The main window's host without a window: for tests. It keeps what a
// window would show, answers the pass-direction question with its proposal,
// and remembers a close request instead of closing anything.
#pragma once

#include "app/MainCore.h"

#include <string>
#include <vector>

namespace kestrune {

// A window placement held in memory.
class TPlacementValues : public TFormPlacement {
public:
    int WindowState() const override { return State; }
    int Left() const override { return X; }
    int Top() const override { return Y; }
    int Width() const override { return W; }
    int Height() const override { return H; }
    int ClientWidth() const override { return W; }
    int ClientHeight() const override { return H; }
    void SetWindowState(int state) override { State = state; }
    void SetLeft(int left) override { X = left; }
    void SetTop(int top) override { Y = top; }
    void SetClientWidth(int width) override { W = width; }
    void SetClientHeight(int height) override { H = height; }

    int State = 0;
    int X = 100;
    int Y = 80;
    int W = 1024;
    int H = 768;
};

class THeadlessMainHost : public TMainHost {
public:
    void BeginHourglass(bool) override {}
    void EndHourglass() override {}
    void EnableControls(bool enabled) override { ControlsEnabled = enabled; }
    void SetStatusText(const std::string& text) override;
    void ShowProgress(bool) override {}
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void ProcessPendingEvents() override {}
    void ShowImageTools(bool) override {}
    void ShowSidePanel(const TSidePanelLayout&, const std::string&, int) override {}
    void EnableResultMenus(bool enabled) override { ResultMenusEnabled = enabled; }
    void BeginBusy(bool) override { Busy = true; }
    void EndBusy() override { Busy = false; }
    void SetWindowCaption(const std::string& caption) override { WindowCaption = caption; }
    void SetApplicationTitle(const std::string& title) override { ApplicationTitle = title; }
    void SetOpenButtonHint(const std::string&) override {}
    void SetPaletteButtonHint(const std::string&) override {}
    void ShowSatelliteLabel(bool, const std::string&, const std::string&) override {}
    void SetOverlayShown(bool) override {}
    void SetGacLayout(bool) override {}
    void ClearDisplay() override {}
    void EnableViewTabs(bool) override {}
    TPassDirectionAnswer AskPassDirection(const TPassDirectionRequest& request,
                                          const TPassDirectionProposal& proposal) override;
    void ShowNudgeOffset(int, int) override {}
    void ViewTabsChanged() override { ++ViewTabChanges; }
    void DisplayChanged() override { ++DisplayChanges; }
    TFormPlacement& Placement() override { return Window; }
    void PlaceBelowScreen() override { Window.Y = ScreenHeight + 50; }
    void CloseWindow() override { CloseRequested = true; }

    static constexpr int ScreenHeight = 1080;
    TPlacementValues Window;
    std::vector<std::string> StatusTexts;  // non-empty ones, in order
    std::string WindowCaption;
    std::string ApplicationTitle;
    bool ControlsEnabled = true;
    bool ResultMenusEnabled = false;
    bool Busy = false;
    bool CloseRequested = false;
    int ViewTabChanges = 0;
    int DisplayChanges = 0;
};

}  // namespace kestrune
