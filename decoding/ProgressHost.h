// What every piece of long work (a load, a redisplay, a save) needs of the
// window that runs it: the status line, the progress bar, letting pending
// events run (so Stop can set the cancel flag) and switching the controls
// off meanwhile. The loader's and the renderer's hosts both build on it, so
// one window class implements each call once. Message boxes go through the
// dialog service, never through here.
#pragma once

#include <string>

namespace kestrune {

class TProgressHost {
public:
    virtual ~TProgressHost() = default;

    virtual void EnableControls(bool enabled) = 0;
    // Empties the cursor read-out and shows text in the status line.
    virtual void SetStatusText(const std::string& text) = 0;
    // Shows or hides the progress bar at its minimum; lets pending events run.
    virtual void ShowProgress(bool show) = 0;
    virtual void SetProgressMax(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    // Lets pending window events run (the Stop button sets the cancel flag).
    virtual void ProcessPendingEvents() = 0;
};

}  // namespace kestrune
