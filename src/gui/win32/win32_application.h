// The application object on Win32: OLE for the main thread, the thread's message queue, a hidden
// application window that carries posted calls, synchronised calls of worker threads and
// timers (SetTimer), and owns the forms so that they get no task-bar button of their own; the
// exception report is a message box.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <mutex>

#include "gui/application.h"
#include "gui/sync_queue.h"

namespace scr {

class Win32Application : public Application {
public:
    Win32Application();
    ~Win32Application() override;

    // Application
    void Initialize() override;
    void ProcessMessages() override;
    void Run() override;
    void Terminate() override;
    void WaitMessage(uint32_t ms) override;
    uint32_t TickCount() override { return GetTickCount(); }
    TimerId SetTimer(uint32_t ms, std::function<void()> fn) override;
    void KillTimer(TimerId id) override;
    void Post(std::function<void()> fn) override;
    bool IsMainThread() override { return GetCurrentThreadId() == main_thread_; }
    void Synchronize(const std::function<void()>& fn) override;
    void WaitSynchronized(const std::function<bool()>& done) override;
    void Sleep(uint32_t ms) override { ::Sleep(ms); }
    void SetThreadPriority(TThreadPriority p) override;
    void ShowException(const std::exception& error) override;
    void HideApplicationWindow() override { ShowWindow(window_, SW_HIDE); }
    void ShowMessage(const std::string& text) override;

    // The hidden application window: the owner of every top-level window of the program.
    HWND Handle() const { return window_; }
    // A filter that sees every message before it is dispatched (dialog navigation); true
    // when it handled the message.
    void SetMessageFilter(std::function<bool(MSG&)> filter) { filter_ = std::move(filter); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // One queued message dispatched; false when the queue was empty.
    bool ProcessMessage();
    void RunPosted();

    const DWORD main_thread_;
    HWND window_ = nullptr;
    HANDLE task_event_ = nullptr;  // set whenever a worker queues a synchronised call
    bool ole_initialized_ = false;
    std::function<bool(MSG&)> filter_;

    std::mutex mutex_;  // guards posted_
    std::deque<std::function<void()>> posted_;
    SyncQueue sync_;

    std::map<TimerId, std::function<void()>> timers_;
    TimerId next_timer_ = 1;
};

// The path of a module of this process (nullptr: the program's own file).
std::string ModuleFileName(void* module = nullptr);

}  // namespace scr
