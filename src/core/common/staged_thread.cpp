#include "core/common/staged_thread.h"

namespace runpad {

StagedThread::StagedThread(std::function<void()> first, std::function<void()> second)
    : first_(std::move(first)), second_(std::move(second)), thread_([this] { run(); }) {}

StagedThread::~StagedThread() {
    finish();
}

void StagedThread::run() {
    first_();
    std::unique_lock lock(mutex_);
    stepChanged_.wait(lock, [this] { return step_ != Step::Waiting; });
    if (step_ != Step::Second)
        return;
    lock.unlock();
    second_();
}

bool StagedThread::runSecondStage() {
    {
        const std::lock_guard lock(mutex_);
        if (step_ != Step::Waiting)
            return step_ == Step::Second;
        step_ = Step::Second;
    }
    stepChanged_.notify_one();
    return true;
}

void StagedThread::finish() {
    {
        const std::lock_guard lock(mutex_);
        if (step_ == Step::Waiting)
            step_ = Step::Finishing;
    }
    stepChanged_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

} // namespace runpad
