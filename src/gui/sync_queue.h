// The calls that worker threads hand to the main thread and wait for (Synchronize): the one
// queue both backends use, so the hand-over and the passing back of exceptions are written once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

namespace scr {

class SyncQueue {
public:
    // Worker side: queues fn, calls wake() so the main thread notices, and waits until fn has
    // run on the main thread; rethrows what it threw.
    void Call(const std::function<void()>& fn, const std::function<void()>& wake) {
        Task task{&fn, false, nullptr};
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(&task);
        }
        arrived_.notify_all();
        wake();
        std::unique_lock lock(mutex_);
        done_.wait(lock, [&] { return task.done; });
        if (task.error) std::rethrow_exception(task.error);
    }

    // Main side: runs every queued call, those queued meanwhile included; whether any ran.
    bool RunAll() {
        bool ran = false;
        for (;;) {
            Task* task;
            {
                std::lock_guard lock(mutex_);
                if (tasks_.empty()) return ran;
                task = tasks_.front();
                tasks_.pop_front();
            }
            try {
                (*task->fn)();
            } catch (...) {
                task->error = std::current_exception();
            }
            ran = true;
            {
                std::lock_guard lock(mutex_);
                task->done = true;
            }
            done_.notify_all();
        }
    }

    bool Empty() const {
        std::lock_guard lock(mutex_);
        return tasks_.empty();
    }

    // Main side: waits at most `limit` for a call to be queued; whether one is.
    bool WaitFor(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, limit, [this] { return !tasks_.empty(); });
    }

    // Main side: runs queued calls until done() holds, waiting for more in between.
    void RunUntil(const std::function<bool()>& done) {
        while (!done()) {
            if (RunAll()) continue;
            WaitFor(std::chrono::milliseconds(5));
        }
    }

private:
    struct Task {
        const std::function<void()>* fn;
        bool done = false;
        std::exception_ptr error;
    };
    mutable std::mutex mutex_;
    std::condition_variable arrived_, done_;
    std::deque<Task*> tasks_;
};

}  // namespace scr
