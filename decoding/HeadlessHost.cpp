#include "decoding/HeadlessHost.h"

#include "platform/SysUtils.h"
#include "platform/SystemUtils.h"

#include <algorithm>

namespace kestrune {

void THeadlessHost::BeginBusy(bool idlePriority) {
    Busy = true;
    savedPriority_ = SetIdlePriority(idlePriority);
}

void THeadlessHost::EndBusy() {
    Busy = false;
    RestorePriority(savedPriority_);
    savedPriority_ = 0;
}

void THeadlessHost::SetStatusText(const std::string& text) {
    StatusText = text;
    if (!text.empty()) Log.push_back(text);
}

void THeadlessHost::ShowProgress(bool show) {
    ProgressShown = show;
    ProgressPosition = 0;
    ProcessPendingEvents();
}

void THeadlessHost::ProcessPendingEvents() {
    if (OnPendingEvents) OnPendingEvents();
}

void THeadlessHost::ShowSatelliteLabel(bool visible, const std::string& caption, const std::string& hint) {
    if (visible) Log.push_back(caption + " " + hint);
}

TPassDirectionAnswer THeadlessHost::AskPassDirection(const TPassDirectionRequest& request,
                                                     const TPassDirectionProposal& proposal) {
    DirectionRequests.push_back(request);
    Log.push_back(request.Caption);
    if (OnDirection) return OnDirection(request, proposal);
    return DefaultPassDirectionAnswer(request, proposal);
}

std::optional<std::string> THeadlessHost::FindNudgeEntry(const std::string& text) {
    const auto found = std::find_if(NudgeList.begin(), NudgeList.end(),
                                     [&](const std::string& line) { return Pos(text, line) > 0; });
    if (found == NudgeList.end()) return std::nullopt;
    return *found;
}

void THeadlessHost::ShowNudgeOffset(int nudgeX, int nudgeY) {
    Log.push_back(Format("Nudge overlay  (X: %d   Y:%d)", nudgeX, nudgeY));
}

void THeadlessHost::AddRecentFile(const std::string& fileName) {
    std::erase(RecentFiles, fileName);
    RecentFiles.insert(RecentFiles.begin(), fileName);
}

}  // namespace kestrune
