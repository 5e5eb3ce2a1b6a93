// What the renderer and the image savers need of the window that runs them:
// besides the progress calls every long piece of work shares with the
// loader, the hourglass, the image tools, the side panel and the result
// menus. Message boxes go through the dialog service, never through here.
#pragma once

#include "decoding/ProgressHost.h"
#include "render/ViewTable.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrune {

class TRenderHost : public virtual TProgressHost {
public:
    // Hourglass on; with idlePriority the process drops to idle priority
    // until EndHourglass. Calls nest: each Begin is matched by one End.
    virtual void BeginHourglass(bool idlePriority) = 0;
    virtual void EndHourglass() = 0;

    // The image tool buttons, switched off while an image is saved.
    virtual void ShowImageTools(bool enabled) = 0;
    // The redisplay's side panel: hide the view-dependent controls, show
    // the layout's, place them, and set the caption above the image with
    // its help topic.
    virtual void ShowSidePanel(const TSidePanelLayout& layout, const std::string& mappingCaption,
                               int helpContext) = 0;
    // The menus that act on a rendered image.
    virtual void EnableResultMenus(bool enabled) = 0;
};

// The hourglass (and idle priority while a reception program runs) for the
// life of the guard, taken down also when the work raises.
class THourglass {
public:
    THourglass(TRenderHost& host, bool idlePriority) : host_(host) { host_.BeginHourglass(idlePriority); }
    ~THourglass() { host_.EndHourglass(); }
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;

private:
    TRenderHost& host_;
};

// The side-panel controls off and the progress bar shown for a long piece
// of work; on every exit the status line is cleared, the bar hidden and the
// controls switched on again.
class TProgressFrame {
public:
    TProgressFrame(TProgressHost& host, int maximum) : host_(host) {
        host_.EnableControls(false);
        host_.SetProgressMax(maximum);
        host_.ShowProgress(true);
    }
    ~TProgressFrame() {
        host_.SetStatusText("");
        host_.ShowProgress(false);
        host_.EnableControls(true);
    }
    TProgressFrame(const TProgressFrame&) = delete;
    TProgressFrame& operator=(const TProgressFrame&) = delete;

private:
    TProgressHost& host_;
};

// A host that shows nothing, over any host interface that extends the
// renderer's: for work nobody watches (a worker thread, a run without a window).
template <class Host = TRenderHost>
class TSilentRenderHost : public Host {
public:
    void BeginHourglass(bool) override {}
    void EndHourglass() override {}
    void EnableControls(bool) override {}
    void SetStatusText(const std::string&) override {}
    void ShowProgress(bool) override {}
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void ProcessPendingEvents() override {}
    void ShowImageTools(bool) override {}
    void ShowSidePanel(const TSidePanelLayout&, const std::string&, int) override {}
    void EnableResultMenus(bool) override {}
};

// A host without a window: for tests, benchmarks and the unattended run. It
// keeps the status texts it was given, which tests read back.
class THeadlessRenderHost : public TRenderHost {
public:
    void BeginHourglass(bool) override {}
    void EndHourglass() override {}
    void EnableControls(bool) override {}
    void SetStatusText(const std::string& text) override {
        if (!text.empty()) StatusTexts.push_back(text);
    }
    void ShowProgress(bool) override {}
    void SetProgressMax(int) override {}
    void SetProgressPosition(int position) override { ProgressPosition = position; }
    // Tests hook in here to act "while the render runs" (press Stop, ...).
    void ProcessPendingEvents() override {
        ++PendingEventCalls;
        if (OnPendingEvents) OnPendingEvents();
    }
    void ShowImageTools(bool) override {}
    void ShowSidePanel(const TSidePanelLayout& layout, const std::string& mappingCaption, int) override {
        SidePanel = layout;
        MappingCaption = mappingCaption;
    }
    void EnableResultMenus(bool enabled) override { ResultMenusEnabled = enabled; }

    std::vector<std::string> StatusTexts;
    int PendingEventCalls = 0;
    int ProgressPosition = 0;
    TSidePanelLayout SidePanel;
    std::string MappingCaption;
    bool ResultMenusEnabled = false;
    std::function<void()> OnPendingEvents;
};

}  // namespace kestrune
