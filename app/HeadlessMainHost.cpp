#include "app/HeadlessMainHost.h"

namespace kestrune {

void THeadlessMainHost::SetStatusText(const std::string& text) {
    if (!text.empty()) StatusTexts.push_back(text);
}

TPassDirectionAnswer THeadlessMainHost::AskPassDirection(const TPassDirectionRequest& request,
                                                         const TPassDirectionProposal& proposal) {
    return DefaultPassDirectionAnswer(request, proposal);
}

}  // namespace kestrune
