#include "app/hh.h"

#include "app/HelpTopics.h"
#include "app/hh_funcs.h"
#include "platform/DialogService.h"
#include "platform/ProgramStrings.h"
#include "platform/SysUtils.h"

namespace kestrune {

namespace {

THelpViewer*& Viewer() {
    static THelpViewer* viewer = nullptr;
    return viewer;
}

}  // namespace

std::string HelpCommandName(uint32_t command) {
    const char* name = "??";
    switch (command) {
        case HELP_CONTEXT: name = "HELP_CONTEXT"; break;
        case HELP_QUIT: name = "HELP_QUIT"; break;
        case HELP_INDEX: name = "HELP_INDEX or HELP_CONTENTS"; break;
        case HELP_HELPONHELP: name = "HELP_HELPONHELP"; break;
        case HELP_SETINDEX: name = "HELP_SETINDEX or HELP_SETCONTENTS"; break;
        case HELP_CONTEXTPOPUP: name = "HELP_CONTEXTPOPUP"; break;
        case HELP_FORCEFILE: name = "HELP_FORCEFILE"; break;
        case HELP_CONTEXTMENU: name = "HELP_CONTEXTMENU"; break;
        case HELP_FINDER: name = "HELP_FINDER"; break;
        case HELP_WM_HELP: name = "HELP_WM_HELP"; break;
        case HELP_SETPOPUP_POS: name = "HELP_SETPOPUP_POS"; break;
        case HELP_KEY: name = "HELP_KEY"; break;
        case HELP_COMMAND: name = "HELP_COMMAND"; break;
        case HELP_PARTIALKEY: name = "HELP_PARTIALKEY"; break;
        case HELP_MULTIKEY: name = "HELP_MULTIKEY"; break;
        case HELP_SETWINPOS: name = "HELP_SETWINPOS"; break;
        default: break;
    }
    return std::string(name) + " (" + std::to_string(command) + ")";
}

void SetHelpViewer(THelpViewer* viewer) { Viewer() = viewer; }

bool HtmlHelpInstalled() { return Viewer() != nullptr; }

int HtmlHelpDisplay(THelpDisplay display, const std::string& helpFile) {
    DebugOut(Format("HtmlHelpDisplay(\"%s\", %d)", helpFile.c_str(), static_cast<int>(display)));
    return HtmlHelpInstalled() && Viewer()->ShowHelp(display, helpFile, {}) ? 0 : 1;
}

void HHCloseAll() {
    if (HtmlHelpInstalled()) Viewer()->CloseAll();
}

int ShowContext(const std::string& name, int32_t contextId, uint8_t mode) {
    DebugOut(Format("ShowContext(\"%s\", %d)", name.c_str(), contextId));
    int result = 1;
    if (HtmlHelpInstalled()) {
        const std::string topic = HelpTopicOf(contextId);
        switch (mode) {
            case 0:
                result = Viewer()->ShowHelp(topic.empty() ? THelpDisplay::Contents : THelpDisplay::Topic, name, topic)
                             ? 0
                             : 1;
                break;
            case 1: result = 2; break;
            default: result = 3; break;
        }
    }
    DebugOut(Format("  returned - %d", result));
    return result;
}

int HHHelpContext(const std::string& chmFile, int32_t contextId, const std::string& winName, uint8_t mode) {
    DebugOut(Format("HHHelpContext(\"%s\", %d, \"%s\", %d)", chmFile.c_str(), contextId, winName.c_str(), mode));
    return ShowContext(HHFormatName(chmFile, "", winName, mode == 2 ? 1 : 0), contextId, mode);
}

void HHShowError(int code) {
    if (code == 0) return;
    std::string text;
    switch (code) {
        case 1: text = resStr(res::SHelpNotInstalled); break;
        case 2: text = resStr(res::SKeyHHMissing); break;
        case 3: text = resStr(res::SHHMissing); break;
        default: text = resStr(res::SHelpUnknownError); break;
    }
    DebugOut(Format("HHShowError(%d), \"%s\"", code, text.c_str()));
    TDialogService::Instance().ShowMessage(text, {}, TMsgDlgType::mtWarning);
}

THookHelpSystem::THookHelpSystem(std::string chmFile, std::string winName, uint8_t mode)
    : chmFile_(std::move(chmFile)), winName_(std::move(winName)), mode_(mode) {
    DebugOut(Format("THookHelpSystem.Create(\"%s\",\"%s\", %d)", chmFile_.c_str(), winName_.c_str(), mode_));
}

THookHelpSystem::~THookHelpSystem() {
    if (mode_ == 0) HHCloseAll();
    DebugOut("THookHelpSystem.Destroy");
}

bool THookHelpSystem::HelpHook(uint32_t command, intptr_t data, bool& callHelp) {
    DebugOut(Format("THookHelpSystem.HelpHook(%s, %ld)", HelpCommandName(command).c_str(), static_cast<long>(data)));
    callHelp = false;
    switch (command) {
        case HELP_CONTEXT:
        case HELP_CONTEXTPOPUP:
            HHShowError(HHHelpContext(chmFile_, static_cast<int32_t>(data), winName_, mode_));
            break;
        case HELP_SETPOPUP_POS:
            popupX_ = static_cast<int16_t>(data & 0xFFFF);
            popupY_ = static_cast<int16_t>((data >> 16) & 0xFFFF);
            break;
        default:
            callHelp = true;
            break;
    }
    return true;
}

}  // namespace kestrune
