// The unattended run's products written on threads of their own. Once the
// pass is loaded and located each product depends on the pass alone, so it
// is written as soon as a thread is free, while the run's own thread draws
// the next view. What each product's writing says is held, and told on the
// run's thread with its outcome in the order the products were asked for,
// after what the run's thread said before it: the messages read as if the
// products had been written one after the other.
#pragma once

#include "platform/DialogService.h"
#include "render/RenderHost.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrune {

// The host of work on a thread of its own: nobody sees its progress, and
// its priority is the thread's (see TProductJobs).
using TWorkerHost = TSilentRenderHost<>;

class TProductJobs {
public:
    using TWork = std::function<bool()>;
    using TTold = std::function<void(bool written)>;
    using TFailed = std::function<void(const std::string& reason)>;

    // threads: at most that many at once; 0 writes each product at once on
    // the calling thread. With idlePriority (a reception program runs) the
    // threads work in the idle scheduling class.
    TProductJobs(unsigned threads, bool idlePriority);
    // Waits for the writes under way; those not yet started are dropped.
    ~TProductJobs();
    TProductJobs(const TProductJobs&) = delete;
    TProductJobs& operator=(const TProductJobs&) = delete;

    // Writes a product: told follows with work's outcome, or failed with
    // what work raised (without threads, work runs here and what it raises
    // goes to the caller).
    void Add(TWork work, TTold told, TFailed failed);
    // Tells what the products finished so far said, in order.
    void TellFinished() { Tell(false); }
    // Waits for every product and tells everything.
    void Finish() { Tell(true); }

private:
    struct TStep {
        TWork Work;  // empty for what the run's thread said
        TTold Told;
        TFailed Failed;
        std::vector<TDialogRequest> Messages;
        std::optional<std::string> Failure;
        bool Written = false;
        bool Done = false;
    };

    void Tell(bool wait);
    // The run's own messages since the last product, as a step of their own.
    void CloseOwnStep();
    void Start(const std::shared_ptr<TStep>& step);
    void Serve();
    static void Run(TStep& step);

    const unsigned threads_;
    const bool idlePriority_;
    std::deque<std::shared_ptr<TStep>> steps_;  // in the order asked for, not yet told
    std::optional<TMessageHold> ownHold_;       // while products are untold

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<TStep>> waiting_;  // not yet started
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

}  // namespace kestrune
