#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace runpad {

// A thread for start-up work in two stages: the first runs at once, the
// second only when it is asked for before the thread is finished. The second
// stage is for work that needs something the program makes meanwhile (the
// application object); a program that ends without it must not wait for it.
class StagedThread {
public:
    StagedThread(std::function<void()> first, std::function<void()> second);
    // Finishes the thread.
    ~StagedThread();
    StagedThread(const StagedThread&) = delete;
    StagedThread& operator=(const StagedThread&) = delete;

    // Lets the second stage run once the first is done. False when the
    // thread was finished first: the second stage will not run.
    bool runSecondStage();
    // Waits for the thread; the second stage runs only if it was asked for.
    void finish();

private:
    enum class Step { Waiting, Second, Finishing };
    void run();

    std::function<void()> first_;
    std::function<void()> second_;
    std::mutex mutex_;
    std::condition_variable stepChanged_;
    Step step_ = Step::Waiting;
    std::thread thread_;
};

} // namespace runpad
