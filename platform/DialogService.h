// Every message box and question of the program goes through this service.
// Interactive: a handler installed by the window layer shows a real box.
// Unattended: the text is logged, the default answer taken, nothing blocks.
// Scripted (tests): answers are taken from a queue and every request is kept.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace kestrune {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons as bit flags; the answers are the matching modal results.
enum TMsgDlgBtn : unsigned {
    mbYes = 1u << 0, mbNo = 1u << 1, mbOK = 1u << 2, mbCancel = 1u << 3,
    mbAbort = 1u << 4, mbRetry = 1u << 5, mbIgnore = 1u << 6
};
constexpr unsigned mbYesNo = mbYes | mbNo;
constexpr unsigned mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr unsigned mbOKCancel = mbOK | mbCancel;

// mrChoice: the answer of a request's first button of its own (the next
// mrChoice + 1 ...); mrChecked is added when its check box was ticked.
enum TModalResult : int {
    mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
    mrChoice = 100, mrChecked = 0x1000
};
constexpr TModalResult ChoiceAnswer(int choice, bool checked = false) {
    return static_cast<TModalResult>((mrChoice + choice) | (checked ? mrChecked : 0));
}

struct TDialogRequest {
    TDialogRequest() = default;
    TDialogRequest(std::string aText, std::string aCaption = {}, TMsgDlgType aType = TMsgDlgType::mtInformation,
                   unsigned aButtons = mbOK, TModalResult aDefault = mrOk)
        : text(std::move(aText)), caption(std::move(aCaption)), type(aType), buttons(aButtons), defaultAnswer(aDefault) {}

    std::string text;
    std::string caption;            // empty: the program's title
    TMsgDlgType type = TMsgDlgType::mtInformation;
    unsigned buttons = mbOK;
    TModalResult defaultAnswer = mrOk;  // what an unattended run answers
    std::vector<std::string> choices;   // buttons of the request's own, before the standard ones
    std::string checkBox;               // a check box under the text (empty: none)
};

// Boxes asked for on the thread that holds one are kept here instead of
// being shown or logged (answered with their default), to be told later
// through Tell; work on a thread of its own uses one, so that what it says
// is told in order on the thread that runs the session. Holds nest.
class TMessageHold {
public:
    TMessageHold();
    ~TMessageHold();
    TMessageHold(const TMessageHold&) = delete;
    TMessageHold& operator=(const TMessageHold&) = delete;

    // The requests kept so far, taken out of the hold.
    std::vector<TDialogRequest> Take();
    void Keep(const TDialogRequest& request) { requests_.push_back(request); }

private:
    TMessageHold* outer_;
    std::vector<TDialogRequest> requests_;
};

class TDialogService {
public:
    enum class Mode { Interactive, Unattended, Scripted };
    using Handler = std::function<TModalResult(const TDialogRequest&)>;
    using LogSink = std::function<void(const std::string&)>;

    static TDialogService& Instance();

    void SetMode(Mode mode) { mode_ = mode; }
    Mode GetMode() const { return mode_; }
    void SetInteractiveHandler(Handler handler) { handler_ = std::move(handler); }
    // Receives the text of every box shown in unattended mode (and in the
    // other modes too, so a debug log can follow the session).
    void SetLogSink(LogSink sink) { log_ = std::move(sink); }
    // Whether a message shown now reaches anybody: a box, a log or a script.
    bool ReachesSomebody() const {
        return mode_ == Mode::Scripted || (mode_ == Mode::Interactive && handler_) || (mode_ == Mode::Unattended && log_);
    }

    // A plain message box with an OK button.
    void ShowMessage(const std::string& text, const std::string& caption = {},
                     TMsgDlgType type = TMsgDlgType::mtInformation);
    TModalResult Ask(const TDialogRequest& request);
    // Asks each kept request again, in order, on this thread.
    void Tell(const std::vector<TDialogRequest>& requests);

    // Scripted mode.
    void QueueAnswer(TModalResult answer) { answers_.push_back(answer); }
    const std::vector<TDialogRequest>& Requests() const { return requests_; }
    void ClearScript();

private:
    Mode mode_ = Mode::Unattended;
    Handler handler_;
    LogSink log_;
    std::deque<TModalResult> answers_;
    std::vector<TDialogRequest> requests_;
};

}  // namespace kestrune
