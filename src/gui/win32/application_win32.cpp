#include "gui/win32/application_win32.h"

#include <windows.h>
#include <ole2.h>

#include <stdexcept>

namespace scr {

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

Win32Application::Win32Application() : exe_name_(ModuleFileName()), title_(TitleFromExeName(exe_name_)) {}

Win32Application::~Win32Application() {
    if (ole_initialized_) OleUninitialize();
}

void Win32Application::Initialize() {
    // A single-threaded apartment with OLE's services: ActiveX hosting and automation need both.
    if (!ole_initialized_) ole_initialized_ = SUCCEEDED(OleInitialize(nullptr));
}

bool Win32Application::ProcessMessage() {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
    } else {
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
    while (!terminated_) {
        if (!ProcessMessage() && Idle() && !terminated_) WaitMessage();
    }
}

void Win32Application::Terminate() {
    terminated_ = true;
    PostQuitMessage(0);
}

void Win32Application::ShowException(const std::exception& error) {
    const std::string text = ExceptionReportText(error.what());
    MessageBoxA(GetActiveWindow(), text.c_str(), title_.c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace scr
