// The help hook: the window's help requests (a topic by context number, the
// contents, the index, the search page) come here and go to the program's
// own help window, which shows the help pages beside the program. The help
// layer records every call in the debug log.
#pragma once

#include <cstdint>
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

// What the help window is asked to show.
enum class THelpDisplay { Topic, Contents, Index, Search };

// The help window as the help layer sees it. The window installs itself.
class THelpViewer {
public:
    virtual ~THelpViewer() = default;
    // Shows a topic of the help beside helpFile ("views.html#sst"), or the
    // help's contents, index or search page; false when it cannot.
    virtual bool ShowHelp(THelpDisplay display, const std::string& helpFile, const std::string& topic) = 0;
    virtual void CloseAll() = 0;
};
void SetHelpViewer(THelpViewer* viewer);
bool HtmlHelpInstalled();

// The help's contents, index or search page: 0 shown, 1 no help window.
int HtmlHelpDisplay(THelpDisplay display, const std::string& helpFile);
// Closes the help windows (at the program's end).
void HHCloseAll();

// Shows the topic of a context number: 0 shown, 1 no help window, 2 and 3
// the stand-alone viewers of modes 1 and 2, which this system does not have.
// A number the help does not know shows its contents.
int ShowContext(const std::string& name, int32_t contextId, uint8_t mode);
int HHHelpContext(const std::string& chmFile, int32_t contextId, const std::string& winName, uint8_t mode);
// Tells the user why help could not be shown (nothing for 0).
void HHShowError(int code);

class THookHelpSystem {
public:
    // Mode 0 the help window, 1 and 2 the stand-alone viewers (not here).
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
