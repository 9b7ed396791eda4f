// The application object: one per process, made by the backend. It owns the one message loop and
// the one clock of the program: everything that waits or times (timers, the transition's frames,
// worker threads handing work to the main thread, the media player's notices) goes through it, so
// a headless run is the real program on a virtual clock. It also knows the module path and the
// title, and reports errors that escape event handlers.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "transition/host.h"

namespace scr {

// A timer of the application; 0 is never a valid timer.
using TimerId = uint32_t;

class Application {
public:
    // Called when the message queue is empty. Setting `done` to false asks to be called again
    // without waiting for a message (work remains); true (the default) lets the loop wait.
    using IdleHandler = std::function<void(bool& done)>;

    explicit Application(std::string exe_name);
    virtual ~Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // --- Identity ---
    // Prepares the main thread: COM in a single-threaded apartment with OLE on Windows.
    virtual void Initialize() = 0;
    // The program's own file as the system reports it.
    const std::string& ExeName() const { return exe_name_; }
    // The caption of the exception report; by default the file name without extension.
    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    // --- The loop (main thread) ---
    // Dispatches every message already queued (posted calls, due timers, input, synchronised
    // calls of worker threads, then paints) and returns without waiting.
    virtual void ProcessMessages() = 0;
    // Dispatches messages, calling the idle handler whenever the queue runs empty and waiting
    // for the next message when it is done, until Terminate is requested.
    virtual void Run() = 0;
    // Ends Run once the messages already queued have been handled.
    virtual void Terminate() = 0;
    bool Terminated() const { return terminated_; }
    void SetOnIdle(IdleHandler handler) { on_idle_ = std::move(handler); }
    bool HasIdleHandler() const { return bool(on_idle_); }
    // Blocks the main thread until a message arrives or ms milliseconds have passed.
    virtual void WaitMessage(uint32_t ms) = 0;

    // --- The clock and timers ---
    // Milliseconds since an arbitrary start; wraps around at 2^32.
    virtual uint32_t TickCount() = 0;
    // Calls fn from the loop every ms milliseconds (ms > 0) until the timer is killed.
    virtual TimerId SetTimer(uint32_t ms, std::function<void()> fn) = 0;
    // Stops a timer; an unknown or killed id is ignored.
    virtual void KillTimer(TimerId id) = 0;

    // --- Threads ---
    // Queues fn to run on the main thread from the loop; callable from any thread.
    virtual void Post(std::function<void()> fn) = 0;
    virtual bool IsMainThread() = 0;
    // Runs fn on the main thread and returns once it has run, rethrowing what it threw; on the
    // main thread it runs fn at once.
    virtual void Synchronize(const std::function<void()>& fn) = 0;
    // Blocks the main thread until done() holds, running the calls that worker threads
    // synchronise meanwhile (and nothing else).
    virtual void WaitSynchronized(const std::function<bool()>& done) = 0;
    // Worker side: suspends the calling thread for ms milliseconds of the application's clock.
    virtual void Sleep(uint32_t ms) = 0;
    // Worker side: gives the calling thread the priority p.
    virtual void SetThreadPriority(TThreadPriority p) = 0;

    // Hides the application's own top-level window, the one a task-bar button would belong to.
    virtual void HideApplicationWindow() = 0;

    // --- Errors ---
    // Shows an error that escaped an event handler: a message box with the title and the text.
    virtual void ShowException(const std::exception& error) = 0;
    // The simple modal message: the text under the title with an OK button, owned by the active
    // window; returns when it is closed.
    virtual void ShowMessage(const std::string& text) = 0;
    // Runs an event handler; an exception it raises is reported instead of passed on. Window
    // procedures call their handlers through it: exceptions must not cross the system's frames.
    void Guard(const std::function<void()>& handler);

protected:
    // Calls the idle handler; false when it asked to be called again at once.
    bool Idle();
    void MarkTerminated() { terminated_ = true; }

private:
    std::string exe_name_;
    std::string title_;
    IdleHandler on_idle_;
    bool terminated_ = false;
};

// The text of an exception report: the message, with a full stop appended when its last
// character sorts above ".": "Disk full" gains one, "Disk full." and "Done!" keep their own,
// and "Why?" gains one too, since "?" sorts above ".".
std::string ExceptionReportText(std::string_view message);

// The default title: the file-name part of the module path without its extension.
std::string TitleFromExeName(std::string_view exe_name);

}  // namespace scr
