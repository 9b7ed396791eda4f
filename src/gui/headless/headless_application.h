// The application object of the headless backend: the whole program runs natively on one
// virtual clock. Time moves only when the loop would wait (it jumps to the next timer or
// scripted event), through Advance, and through worker threads' sleeps; every call is recorded,
// and the exception report is kept instead of shown. A loop that would wait for ever throws.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/geometry.h"
#include "gui/application.h"
#include "gui/sync_queue.h"

namespace scr {

class HeadlessWindow;

// One recorded call of the application or of one of its windows.
struct HeadlessCall {
    enum Kind {
        // Windows
        Invalidate, Update, Paint, Present,
        // The loop and the clock
        ProcessMessages, WaitMessage, SetTimer, KillTimer,
        // Worker threads
        Synchronize, Sleep, SetPriority,
    };
    Kind kind;
    int window = 0;      // the window's number (1, 2, ...) for window calls, else 0
    Rect rect;           // Invalidate, Paint, Present (client coordinates)
    uint32_t value = 0;  // WaitMessage, SetTimer and Sleep: milliseconds; SetPriority: priority
    uint32_t tick = 0;   // the virtual time of the call
};

class HeadlessApplication : public Application {
public:
    // Lifecycle events ("app initialized", "messages", "wait N", "app freed") are appended to
    // log when one is given, so tests can follow the order of whole programs.
    explicit HeadlessApplication(std::string exe_name, std::vector<std::string>* log = nullptr);
    ~HeadlessApplication() override;

    // Application
    void Initialize() override;
    void ProcessMessages() override;
    void Run() override;
    void Terminate() override;
    void WaitMessage(uint32_t ms) override;
    uint32_t TickCount() override { return tick_; }
    TimerId SetTimer(uint32_t ms, std::function<void()> fn) override;
    void KillTimer(TimerId id) override;
    void Post(std::function<void()> fn) override;
    bool IsMainThread() override { return std::this_thread::get_id() == main_thread_; }
    void Synchronize(const std::function<void()>& fn) override;
    void WaitSynchronized(const std::function<bool()>& done) override;
    void Sleep(uint32_t ms) override;
    void SetThreadPriority(TThreadPriority p) override;
    void ShowException(const std::exception& error) override;
    void HideApplicationWindow() override { log("app window hidden"); }
    // Kept in messages() and logged as "message <text>"; returns at once.
    void ShowMessage(const std::string& text) override;

    // --- Scripting ---
    // Moves the clock forward without dispatching anything.
    void Advance(uint32_t ms) { tick_ += ms; }
    // Runs fn from the loop once the clock has reached tick (scripted input, say).
    void At(uint32_t tick, std::function<void()> fn);
    // Pumps messages until done() holds or `limit` of real time has passed, for shows run by
    // worker threads; returns done().
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Runs the loop (idle handler included) until done() holds or Terminate; the clock jumps
    // from event to event. Throws when the loop would wait for ever.
    void RunWhile(const std::function<bool()>& running);

    // --- Inspection ---
    struct Report {
        std::string title;
        std::string text;
    };
    const std::vector<Report>& reports() const { return reports_; }
    // The texts of ShowMessage, in order.
    const std::vector<std::string>& messages() const { return messages_; }
    std::size_t pending() const;
    int active_timers() const;
    TThreadPriority last_priority() const { return last_priority_; }
    // Whether calls are recorded, in the call list and the lifecycle log (on by default; off for
    // long runs).
    void set_recording(bool on) { recording_ = on; }
    std::vector<HeadlessCall> calls() const;
    int count(HeadlessCall::Kind kind) const;
    void clear_calls();

    // --- For the backend's windows ---
    void record(HeadlessCall::Kind kind, int window = 0, Rect rect = {}, uint32_t value = 0);
    int AddWindow(HeadlessWindow* window);
    void RemoveWindow(HeadlessWindow* window);
    // Queues fn for the window numbered `window`; dropped when that window is gone by then, as
    // the system drops messages to a destroyed window.
    void PostToWindow(int window, std::function<void(HeadlessWindow&)> fn);
    HeadlessWindow* FindWindow(int number) const;
    // The window that last became active, or nullptr.
    HeadlessWindow* active_window() const { return active_; }
    void SetActiveWindow(HeadlessWindow* window);
    void log(const std::string& event) {
        if (log_ && recording_) log_->push_back(event);
    }

private:
    struct Event {
        std::function<void()> fn;
        TimerId timer = 0;      // a timer's id, or 0 for a one-shot scripted event
        uint32_t interval = 0;  // a timer's period
    };
    // Dispatches one queued thing (a synchronised call, a posted message or a due event);
    // false when nothing was queued or due.
    bool DispatchOne();
    bool FireDueEvent();
    void PaintWindows();
    // Moves the clock to the next timer or scripted event; false when none is scheduled.
    bool JumpToNextEvent();
    void WaitForWorkers(std::chrono::milliseconds limit);
    bool HavePosted() const;

    const std::thread::id main_thread_;
    std::vector<std::string>* log_;
    std::atomic<uint32_t> tick_{0};
    std::atomic<bool> recording_{true};
    std::atomic<TThreadPriority> last_priority_{TThreadPriority::tpNormal};
    bool terminate_requested_ = false;

    // Due events by time; equal times in the order they were scheduled.
    std::multimap<uint32_t, Event> events_;
    TimerId next_timer_ = 1;

    mutable std::mutex mutex_;  // guards posted_ and calls_
    std::condition_variable wake_;
    std::deque<std::function<void()>> posted_;
    SyncQueue sync_;
    std::vector<HeadlessCall> calls_;

    std::vector<HeadlessWindow*> windows_;
    HeadlessWindow* active_ = nullptr;
    int window_serial_ = 0;
    std::vector<Report> reports_;
    std::vector<std::string> messages_;
};

}  // namespace scr
