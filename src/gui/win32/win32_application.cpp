#include "gui/win32/win32_application.h"

#include <ole2.h>

#include <stdexcept>

namespace scr {

namespace {

constexpr UINT kPostedCall = WM_APP + 1;
constexpr UINT kSynchronizedCall = WM_APP + 2;
constexpr const char* kClassName = "PhotosaverApplication";

void RegisterApplicationClass() {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;  // replaced per window once the object is known
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc) != 0;
    }();
    if (!registered) throw std::runtime_error("The application window class cannot be registered");
}

}  // namespace

std::string ModuleFileName(void* module) {
    // The path may be longer than MAX_PATH; grow until the whole name fits.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(module), path.data(), DWORD(path.size()));
        if (n == 0) throw std::runtime_error("The module path cannot be read");
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) throw std::runtime_error("The module path is too long");
        path.resize(path.size() * 2);
    }
}

Win32Application::Win32Application() : Application(ModuleFileName()), main_thread_(GetCurrentThreadId()) {
    RegisterApplicationClass();
    // A hidden top-level window rather than a message-only one: owned windows get no task-bar
    // button, and a message-only window cannot own them.
    window_ = CreateWindowExA(0, kClassName, Title().c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (window_ == nullptr) throw std::runtime_error("The application window cannot be created");
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    task_event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

Win32Application::~Win32Application() {
    for (const auto& t : timers_) ::KillTimer(window_, t.first);
    DestroyWindow(window_);
    if (task_event_) CloseHandle(task_event_);
    if (ole_initialized_) OleUninitialize();
}

LRESULT CALLBACK Win32Application::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Win32Application*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr) {
        switch (message) {
            case kPostedCall:
                self->RunPosted();
                return 0;
            case kSynchronizedCall:
                self->sync_.RunAll();
                return 0;
            case WM_TIMER: {
                const auto it = self->timers_.find(TimerId(wparam));
                if (it != self->timers_.end()) {
                    // A copy: the handler may kill its own timer.
                    const auto fn = it->second;
                    self->Guard(fn);
                }
                return 0;
            }
            default:
                break;
        }
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void Win32Application::Initialize() {
    // A single-threaded apartment with OLE's services: ActiveX hosting and automation need both.
    if (!ole_initialized_) ole_initialized_ = SUCCEEDED(OleInitialize(nullptr));
}

bool Win32Application::ProcessMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        MarkTerminated();
    } else if (!(filter_ && filter_(msg))) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

void Win32Application::ProcessMessages() {
    // A quit message marks the end but does not stop the draining: what was posted still runs.
    while (ProcessMessage()) {
    }
}

void Win32Application::Run() {
    while (!Terminated()) {
        if (!ProcessMessage() && Idle() && !Terminated()) ::WaitMessage();
    }
}

void Win32Application::Terminate() { PostQuitMessage(0); }

void Win32Application::WaitMessage(uint32_t ms) {
    MsgWaitForMultipleObjects(1, &task_event_, FALSE, ms, QS_ALLINPUT);
}

TimerId Win32Application::SetTimer(uint32_t ms, std::function<void()> fn) {
    if (ms == 0) throw std::invalid_argument("a timer needs a period above 0 ms");
    const TimerId id = next_timer_++;
    timers_[id] = std::move(fn);
    if (::SetTimer(window_, id, ms, nullptr) == 0) {
        timers_.erase(id);
        throw std::runtime_error("Not enough timers available");
    }
    return id;
}

void Win32Application::KillTimer(TimerId id) {
    if (timers_.erase(id) > 0) ::KillTimer(window_, id);
}

void Win32Application::Post(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(fn));
    }
    PostMessageA(window_, kPostedCall, 0, 0);
}

void Win32Application::RunPosted() {
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            if (posted_.empty()) return;
            fn = std::move(posted_.front());
            posted_.pop_front();
        }
        Guard(fn);
    }
}

void Win32Application::Synchronize(const std::function<void()>& fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    // The event wakes a main thread blocked in WaitMessage; the message, one in its loop.
    sync_.Call(fn, [this] {
        SetEvent(task_event_);
        PostMessageA(window_, kSynchronizedCall, 0, 0);
    });
}

void Win32Application::WaitSynchronized(const std::function<bool()>& done) { sync_.RunUntil(done); }

void Win32Application::SetThreadPriority(TThreadPriority p) {
    static const int kPriority[] = {THREAD_PRIORITY_IDLE,   THREAD_PRIORITY_LOWEST,       THREAD_PRIORITY_BELOW_NORMAL,
                                    THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                    THREAD_PRIORITY_TIME_CRITICAL};
    ::SetThreadPriority(GetCurrentThread(), kPriority[int(p)]);
}

void Win32Application::ShowException(const std::exception& error) {
    const std::string text = ExceptionReportText(error.what());
    MessageBoxA(GetActiveWindow(), text.c_str(), Title().c_str(), MB_OK | MB_ICONSTOP);
}

void Win32Application::ShowMessage(const std::string& text) {
    MessageBoxA(GetActiveWindow(), text.c_str(), Title().c_str(), MB_OK);
}

}  // namespace scr
