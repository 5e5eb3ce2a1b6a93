// The main window's menus: File (open, recent files, the savers, exit),
// View (line-by-line data, telemetry), Options (each a setting of the main
// window) and Help. The menu items carry their component names as object
// names. What the window itself does (open, exit, fire options, zoom
// choices, display size) comes through the On... calls.
#pragma once

#include "app/hh.h"

#include <QObject>

#include <functional>
#include <string>
#include <string_view>

class QAction;
class QMainWindow;
class QMenu;

namespace kestrune {

class TMainCore;

// A debugger (any tracer) is attached to this process, as the process's
// status file tells.
bool DebuggerAttached(const std::string& statusFile = "/proc/self/status");

class TMainMenus {
public:
    explicit TMainMenus(QMainWindow& window);
    TMainMenus(const TMainMenus&) = delete;
    TMainMenus& operator=(const TMainMenus&) = delete;

    // Takes the checks from the core's settings.
    void Attach(TMainCore& core);

    std::function<void()> OnOpen;
    // The pass browser: mode 0 the AVHRR archive, 1 the global MetOp archive.
    std::function<void(uint8_t mode)> OnBrowse;
    std::function<void()> OnExit;
    std::function<void()> OnLineByLine;
    std::function<void()> OnFireDetection;
    // An item that opens one of the analyst's windows, by its name.
    std::function<void(std::string_view item)> OnWindowItem;
    // "ZoomIn" changed: the zoom choices follow it.
    std::function<void()> OnZoomChoicesChanged;
    // "TrackingScroll" changed: the display is sized again.
    std::function<void()> OnTrackingScrollChanged;

    // A menu item by its name; nullptr when there is none.
    QAction* Item(std::string_view name) const;
    QMenu* MenuFileReopen() const { return reopen_; }

    // The items that act on a rendered image.
    void EnableResultMenus(bool enabled);
    void CheckJpegQualityItem();
    void CheckMemThreshItem();
    // A zoom-limit item sets "MaxZoomedMinutes"; nullptr only checks the item of the value.
    void ZoomMaxMinutesClick(QAction* sender);

private:
    QAction* Add(QMenu& menu, const char* name, const char* caption, std::function<void()> handler,
                 bool checkable = false);
    QAction* AddWindowItem(QMenu& menu, const char* name, const char* caption);
    void BuildFileMenu(QMenu& menu);
    void BuildViewMenu(QMenu& menu);
    void BuildOptionsMenu(QMenu& menu);
    void BuildHelpMenu(QMenu& menu);
    void CheckSettings();
    void Toggle(const char* item, bool& setting);
    void JpegQualityClick(int quality);
    void MemThreshClick(int megabytes);
    void MenuDespeckleClick();
    void RestartNeeded(const char* item, bool& setting);
    void OptionsDisableAeroClick();
    void OptionsSaveLocationClick();
    void MenuViewTelemetryClick();
    void HelpDisplay(THelpDisplay display);
    void HelpContext(int context);
    void HelpAboutClick();
    void MenuSaveClick(std::string_view item);

    QMainWindow& window_;
    QMenu* reopen_ = nullptr;
    TMainCore* core_ = nullptr;
};

}  // namespace kestrune
