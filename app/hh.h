// The help hook: the window's help requests (a topic by context number, the
// contents) come here and open the help pages in the user's web browser. The
// help layer records every call in the debug log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// Help commands the hook understands (the numbers of the old help interface).
enum THelpCommand : uint32_t {
    HELP_CONTEXT = 1,
    HELP_QUIT = 2,
    HELP_INDEX = 3,
    HELP_HELPONHELP = 4,
    HELP_SETINDEX = 5,
    HELP_CONTEXTPOPUP = 8,
    HELP_FORCEFILE = 9,
    HELP_CONTEXTMENU = 10,
    HELP_FINDER = 11,
    HELP_WM_HELP = 12,
    HELP_SETPOPUP_POS = 13,
    HELP_KEY = 257,
    HELP_COMMAND = 258,
    HELP_PARTIALKEY = 261,
    HELP_MULTIKEY = 513,
    HELP_SETWINPOS = 515
};

// "HELP_CONTEXT (1)", ..., "?? (n)" for the log.
std::string HelpCommandName(uint32_t command);

// Opens a help address (a file path with "#" and the context) in a browser;
// true when it could. The window installs one; without it help is not available.
using THelpViewer = std::function<bool(const std::string& address)>;
void SetHelpViewer(THelpViewer viewer);
bool HtmlHelpInstalled();

// Shows a topic: 0 shown, 1 no help viewer, 2 and 3 the stand-alone viewers
// of modes 1 and 2, which this system does not have.
int ShowContext(const std::string& name, int32_t contextId, uint8_t mode);
int HHHelpContext(const std::string& chmFile, int32_t contextId, const std::string& winName, uint8_t mode);
// Tells the user why help could not be shown (nothing for 0).
void HHShowError(int code);

class THookHelpSystem {
public:
    // Mode 0 the browser, 1 and 2 the stand-alone viewers.
    THookHelpSystem(std::string chmFile, std::string winName, uint8_t mode);
    ~THookHelpSystem();
    THookHelpSystem(const THookHelpSystem&) = delete;
    THookHelpSystem& operator=(const THookHelpSystem&) = delete;

    // Handles a help request; callHelp is set when the request is left to the caller.
    bool HelpHook(uint32_t command, intptr_t data, bool& callHelp);

    int PopupX() const { return popupX_; }
    int PopupY() const { return popupY_; }

private:
    std::string chmFile_;
    std::string winName_;
    uint8_t mode_;
    int popupX_ = 0;
    int popupY_ = 0;
};

}  // namespace kestrune
