#include "platform/DialogService.h"

namespace kestrune {

namespace {

thread_local TMessageHold* threadHold = nullptr;

}  // namespace

TMessageHold::TMessageHold() : outer_(threadHold) { threadHold = this; }

TMessageHold::~TMessageHold() { threadHold = outer_; }

std::vector<TDialogRequest> TMessageHold::Take() {
    std::vector<TDialogRequest> taken;
    taken.swap(requests_);
    return taken;
}

TDialogService& TDialogService::Instance() {
    static TDialogService service;
    return service;
}

void TDialogService::ShowMessage(const std::string& text, const std::string& caption, TMsgDlgType type) {
    Ask(TDialogRequest{text, caption, type, mbOK, mrOk});
}

TModalResult TDialogService::Ask(const TDialogRequest& request) {
    if (threadHold) {
        threadHold->Keep(request);
        return request.defaultAnswer;
    }
    if (log_) log_(request.caption.empty() ? request.text : request.caption + ": " + request.text);
    switch (mode_) {
        case Mode::Interactive:
            if (handler_) return handler_(request);
            return request.defaultAnswer;
        case Mode::Scripted: {
            requests_.push_back(request);
            if (answers_.empty()) return request.defaultAnswer;
            const TModalResult answer = answers_.front();
            answers_.pop_front();
            return answer;
        }
        case Mode::Unattended:
            break;
    }
    return request.defaultAnswer;
}

void TDialogService::Tell(const std::vector<TDialogRequest>& requests) {
    for (const TDialogRequest& request : requests) Ask(request);
}

void TDialogService::ClearScript() {
    answers_.clear();
    requests_.clear();
}

}  // namespace kestrune
