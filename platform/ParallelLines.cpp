#include "platform/ParallelLines.h"

#include "platform/SystemUtils.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kestrune {

namespace {

// One call's ranges still to end, and what the first failing one raised.
struct TCall {
    const std::function<void(int32_t, int32_t)>* Work;
    bool IdlePriority;
    int Open = 0;
    std::exception_ptr Failure;
};

struct TRange {
    TCall* Call;
    int32_t First;
    int32_t Last;
};

class TLinePool {
public:
    static TLinePool& Instance() {
        // Never destroyed: its threads may still wait when the program ends.
        static TLinePool* pool = new TLinePool();
        return *pool;
    }

    unsigned Threads() const { return static_cast<unsigned>(threads_.size()); }

    void Run(int32_t first, int32_t last, const std::function<void(int32_t, int32_t)>& work, bool idlePriority) {
        const int32_t lines = last - first;
        const int32_t parts = std::min<int32_t>(lines, static_cast<int32_t>(Threads()) + 1);
        if (parts <= 1) {
            if (lines > 0) work(first, last);
            return;
        }
        TCall call{&work, idlePriority, 0, nullptr};
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            // Ranges 1.. go to the pool; the caller takes range 0.
            for (int32_t part = 1; part < parts; ++part)
                waiting_.push_back({&call, first + lines * part / parts, first + lines * (part + 1) / parts});
            call.Open = parts;
        }
        wake_.notify_all();
        Execute({&call, first, first + lines / parts});
        // Meanwhile take any waiting range, this call's or another's, so that nobody waits on a thread that waits.
        std::unique_lock<std::mutex> lock(mutex_);
        while (call.Open > 0) {
            if (waiting_.empty()) {
                done_.wait(lock);
                continue;
            }
            const TRange range = waiting_.front();
            waiting_.pop_front();
            lock.unlock();
            Execute(range);
            lock.lock();
        }
        lock.unlock();
        if (call.Failure) std::rethrow_exception(call.Failure);
    }

private:
    TLinePool() {
        const unsigned cores = UsableProcessors();
        for (unsigned k = 1; k < cores; ++k) {
            try {
                threads_.emplace_back([this] { Serve(); });
            } catch (const std::system_error&) {
                break;  // the threads made so far do the work
            }
        }
    }

    void Execute(const TRange& range) {
        std::exception_ptr failure;
        try {
            (*range.Call->Work)(range.First, range.Last);
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard<std::mutex> lock(mutex_);
        if (failure && !range.Call->Failure) range.Call->Failure = failure;
        if (--range.Call->Open == 0) done_.notify_all();
    }

    void Serve() {
        bool idle = false;
        int normal = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return !waiting_.empty(); });
            const TRange range = waiting_.front();
            waiting_.pop_front();
            lock.unlock();
            // The thread follows the priority of the call it works for.
            if (range.Call->IdlePriority != idle) {
                if (idle) RestorePriority(normal);
                else normal = SetIdlePriority(true);
                idle = range.Call->IdlePriority;
            }
            Execute(range);
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<TRange> waiting_;
    std::vector<std::thread> threads_;
};

}  // namespace

void ForLineRanges(int32_t first, int32_t last, const std::function<void(int32_t first, int32_t last)>& work,
                   bool idlePriority) {
    TLinePool::Instance().Run(first, last, work, idlePriority);
}

void ForLineRanges(int32_t first, int32_t last, const std::function<void(int32_t first, int32_t last)>& work) {
    ForLineRanges(first, last, work, RunsAtIdlePriority());
}

unsigned LinePoolThreads() { return TLinePool::Instance().Threads(); }

}  // namespace kestrune
