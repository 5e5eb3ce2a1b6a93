// The main window's host without a window, for tests: it keeps the captions
// and the placement, counts redisplays, answers the pass-direction question
// with its proposal and remembers a close request instead of closing.
#pragma once

#include "app/MainCore.h"

#include <string>

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

class THeadlessMainHost : public TSilentRenderHost<TMainHost> {
public:
    void BeginBusy(bool) override {}
    void EndBusy() override {}
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
                                          const TPassDirectionProposal& proposal) override {
        return DefaultPassDirectionAnswer(request, proposal);
    }
    void ShowNudgeOffset(int, int) override {}
    void ViewTabsChanged() override {}
    void DisplayChanged() override { ++DisplayChanges; }
    TFormPlacement& Placement() override { return Window; }
    void PlaceBelowScreen() override { Window.Y = ScreenHeight + 50; }
    void CloseWindow() override { CloseRequested = true; }

    static constexpr int ScreenHeight = 1080;
    TPlacementValues Window;
    std::string WindowCaption;
    std::string ApplicationTitle;
    bool CloseRequested = false;
    int DisplayChanges = 0;
};

}  // namespace kestrune
