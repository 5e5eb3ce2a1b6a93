#include "platform/DialogService.h"

#include <gtest/gtest.h>

#include <thread>

namespace kestrune {
namespace {

class DialogServiceTest : public ::testing::Test {
protected:
    DialogServiceTest() { service.SetLogSink([this](const std::string& text) { log.push_back(text); }); }
    ~DialogServiceTest() override {
        service.SetLogSink(nullptr);
        service.SetInteractiveHandler(nullptr);
        service.ClearScript();
        service.SetMode(TDialogService::Mode::Unattended);
    }

    TDialogService& service = TDialogService::Instance();
    std::vector<std::string> log;
};

const TDialogRequest RenameQuestion{"Rename the file to the standard name?", "Rename", TMsgDlgType::mtConfirmation,
                                    mbYesNo, mrNo};

TEST_F(DialogServiceTest, UnattendedTakesTheDefaultAndLogs) {
    service.SetMode(TDialogService::Mode::Unattended);
    service.SetInteractiveHandler([](const TDialogRequest&) -> TModalResult { ADD_FAILURE() << "blocked"; return mrYes; });
    EXPECT_EQ(service.Ask(RenameQuestion), mrNo);
    service.ShowMessage("Read cancelled or error while reading...");
    EXPECT_EQ(log, (std::vector<std::string>{"Rename: Rename the file to the standard name?",
                                             "Read cancelled or error while reading..."}));
    EXPECT_TRUE(service.Requests().empty());
}

TEST_F(DialogServiceTest, ScriptedAnswersInOrderThenTheDefault) {
    service.SetMode(TDialogService::Mode::Scripted);
    service.QueueAnswer(mrYes);
    service.QueueAnswer(mrCancel);
    EXPECT_EQ(service.Ask(RenameQuestion), mrYes);
    EXPECT_EQ(service.Ask(RenameQuestion), mrCancel);
    EXPECT_EQ(service.Ask(RenameQuestion), mrNo);
    ASSERT_EQ(service.Requests().size(), 3u);
    EXPECT_EQ(service.Requests()[0].buttons, mbYesNo);
    EXPECT_EQ(log.size(), 3u);
    service.ClearScript();
    EXPECT_TRUE(service.Requests().empty());
}

// Work on a thread of its own says nothing until its messages are told, in
// order, on the thread that runs the session; other threads are not held.
TEST_F(DialogServiceTest, AHoldKeepsItsThreadsRequestsUntilTheyAreTold) {
    service.SetMode(TDialogService::Mode::Unattended);
    std::vector<TDialogRequest> kept;
    {
        TMessageHold hold;
        EXPECT_EQ(service.Ask(RenameQuestion), mrNo);
        {
            TMessageHold inner;
            service.ShowMessage("inner");
            EXPECT_EQ(inner.Take().size(), 1u);
        }
        std::thread([this] { service.ShowMessage("from another thread"); }).join();
        service.ShowMessage("Unable to write to pass.sst", {}, TMsgDlgType::mtError);
        kept = hold.Take();
        EXPECT_TRUE(hold.Take().empty());
    }
    EXPECT_EQ(log, (std::vector<std::string>{"from another thread"}));
    service.Tell(kept);
    EXPECT_EQ(log, (std::vector<std::string>{"from another thread", "Rename: Rename the file to the standard name?",
                                             "Unable to write to pass.sst"}));
}

}  // namespace
}  // namespace kestrune
