#include "app/ProductJobs.h"

#include "platform/DialogService.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sched.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace kestrune {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

class ProductJobsTest : public ::testing::Test {
protected:
    ProductJobsTest() {
        service.SetMode(TDialogService::Mode::Unattended);
        service.SetLogSink([this](const std::string& text) { log.push_back(text); });
    }
    ~ProductJobsTest() override { service.SetLogSink(nullptr); }

    // A product that says its name after a while and is written when asked to be.
    static TProductJobs::TWork Product(const std::string& name, std::chrono::milliseconds after, bool written = true) {
        return [name, after, written] {
            std::this_thread::sleep_for(after);
            TDialogService::Instance().ShowMessage(name + " made");
            return written;
        };
    }
    TProductJobs::TTold Told(const std::string& name) {
        return [this, name](bool written) { log.push_back(name + (written ? " written" : " not written")); };
    }
    TProductJobs::TFailed Failed(const std::string& name) {
        return [this, name](const std::string& reason) { log.push_back(name + " failed: " + reason); };
    }

    TDialogService& service = TDialogService::Instance();
    std::vector<std::string> log;
};

// The slow first product finishes last, yet everything is told as if the
// products had been written one after the other, the run's own messages
// between them where they were said.
TEST_F(ProductJobsTest, EverythingIsToldInTheOrderAsked) {
    TProductJobs jobs(3, false);
    service.ShowMessage("before");
    jobs.Add(Product("fc", 120ms), Told("fc"), Failed("fc"));
    service.ShowMessage("temperature view drawn");
    jobs.Add(Product("albedos", 0ms, false), Told("albedos"), Failed("albedos"));
    jobs.Add(Product("sst", 10ms), Told("sst"), Failed("sst"));
    service.ShowMessage("vegetation view drawn");
    std::this_thread::sleep_for(40ms);
    jobs.TellFinished();
    // Nothing after the unfinished first product may be told yet.
    EXPECT_THAT(log, ElementsAre("before"));
    jobs.Finish();
    EXPECT_THAT(log, ElementsAre("before", "fc made", "fc written", "temperature view drawn", "albedos made",
                                 "albedos not written", "sst made", "sst written", "vegetation view drawn"));
    // Once all is told, messages go out at once again.
    service.ShowMessage("after");
    EXPECT_EQ(log.back(), "after");
}

TEST_F(ProductJobsTest, ProductsAreWrittenAtTheSameTime) {
    TProductJobs jobs(2, false);
    std::atomic<int> started = 0;
    std::atomic<bool> together = true;
    const auto meetTheOther = [&] {
        ++started;
        const auto giveUp = std::chrono::steady_clock::now() + 5s;
        while (started < 2)
            if (std::chrono::steady_clock::now() > giveUp) return together = false;
        return true;
    };
    jobs.Add(meetTheOther, Told("first"), Failed("first"));
    jobs.Add(meetTheOther, Told("second"), Failed("second"));
    jobs.Finish();
    EXPECT_TRUE(together);
    EXPECT_THAT(log, ElementsAre("first written", "second written"));
}

TEST_F(ProductJobsTest, AProductThatRaisesIsToldWithItsReason) {
    TProductJobs jobs(2, false);
    jobs.Add(
        [] {
            TDialogService::Instance().ShowMessage("half written");
            throw std::runtime_error("disk full");
            return true;
        },
        Told("raw"), Failed("raw"));
    jobs.Add(Product("albedos", 0ms), Told("albedos"), Failed("albedos"));
    jobs.Finish();
    EXPECT_THAT(log, ElementsAre("half written", "raw failed: disk full", "albedos made", "albedos written"));
}

TEST_F(ProductJobsTest, WithoutThreadsEachProductIsWrittenWhenAsked) {
    TProductJobs jobs(0, false);
    const std::thread::id caller = std::this_thread::get_id();
    jobs.Add([caller] { return std::this_thread::get_id() == caller; }, Told("fc"), Failed("fc"));
    EXPECT_THAT(log, ElementsAre("fc written"));
    EXPECT_THROW(jobs.Add([]() -> bool { throw std::runtime_error("disk full"); }, Told("raw"), Failed("raw")),
                 std::runtime_error);
}

// While a reception program runs the products are written in the idle
// scheduling class; the run's own thread keeps its scheduling.
TEST_F(ProductJobsTest, IdlePriorityAppliesToTheThreadsThatWrite) {
    const int ownPolicy = sched_getscheduler(0);
    for (const bool idle : {true, false}) {
        TProductJobs jobs(2, idle);
        std::atomic<int> policy = -1;
        jobs.Add([&] { return (policy = sched_getscheduler(0)) >= 0; }, Told("fc"), Failed("fc"));
        jobs.Finish();
        EXPECT_EQ(policy, idle ? SCHED_IDLE : ownPolicy);
        EXPECT_EQ(sched_getscheduler(0), ownPolicy);
    }
}

}  // namespace
}  // namespace kestrune
