#include "app/ProductJobs.h"

#include "platform/ProgramStrings.h"
#include "platform/SystemUtils.h"

#include <exception>
#include <system_error>

namespace kestrune {

TProductJobs::TProductJobs(unsigned threads, bool idlePriority) : threads_(threads), idlePriority_(idlePriority) {}

TProductJobs::~TProductJobs() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void TProductJobs::Add(TWork work, TTold told, TFailed failed) {
    if (threads_ == 0) {
        told(work());
        return;
    }
    CloseOwnStep();
    auto step = std::make_shared<TStep>();
    step->Work = std::move(work);
    step->Told = std::move(told);
    step->Failed = std::move(failed);
    steps_.push_back(step);
    if (!ownHold_) ownHold_.emplace();
    Start(step);
}

void TProductJobs::CloseOwnStep() {
    if (!ownHold_) return;
    auto own = std::make_shared<TStep>();
    own->Messages = ownHold_->Take();
    own->Done = true;
    if (!own->Messages.empty()) steps_.push_back(std::move(own));
}

void TProductJobs::Tell(bool wait) {
    CloseOwnStep();
    ownHold_.reset();
    while (!steps_.empty()) {
        TStep& step = *steps_.front();
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (!step.Done && !wait) break;
            changed_.wait(lock, [&step] { return step.Done; });
        }
        TDialogService::Instance().Tell(step.Messages);
        if (step.Failure) step.Failed(*step.Failure);
        else if (step.Told) step.Told(step.Written);
        steps_.pop_front();
    }
    if (!steps_.empty()) ownHold_.emplace();
}

void TProductJobs::Start(const std::shared_ptr<TStep>& step) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back(step);
        if (workers_.size() < threads_) {
            try {
                workers_.emplace_back([this] { Serve(); });
            } catch (const std::system_error&) {
                // Without a thread of its own the product is written here.
            }
        }
        if (!workers_.empty()) {
            changed_.notify_all();
            return;
        }
        waiting_.pop_back();
    }
    Run(*step);
    const std::lock_guard<std::mutex> lock(mutex_);
    step->Done = true;
}

void TProductJobs::Serve() {
    const int priority = SetIdlePriority(idlePriority_);
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        if (stopping_) break;
        const std::shared_ptr<TStep> step = waiting_.front();
        waiting_.pop_front();
        lock.unlock();
        Run(*step);
        lock.lock();
        step->Done = true;
        changed_.notify_all();
    }
    lock.unlock();
    RestorePriority(priority);
}

void TProductJobs::Run(TStep& step) {
    TMessageHold hold;
    try {
        step.Written = step.Work();
    } catch (const std::exception& error) {
        step.Failure = error.what();
    } catch (...) {
        step.Failure = resStr(res::SUnknownError);
    }
    step.Messages = hold.Take();
}

}  // namespace kestrune
