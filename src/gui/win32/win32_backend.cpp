#include "gui/win32/win32_backend.h"

#include <windows.h>

#include <stdexcept>
#include <type_traits>

#include "gui/win32/win32_application.h"
#include "gui/win32/win32_window.h"
#include "gui/win32/stretch_draw.h"

namespace scr {

namespace {

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

class KernelHandle : public SystemHandle {
public:
    explicit KernelHandle(HANDLE handle) : handle_(handle) {}
    ~KernelHandle() override { CloseHandle(handle_); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

private:
    HANDLE handle_;
};

struct LibraryFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Library = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFree>;

// A window's device context from GetDC, released with the canvas.
class Win32WindowCanvas : public WindowCanvas {
public:
    explicit Win32WindowCanvas(HWND window) : window_(window), dc_(GetDC(window)) {
        if (dc_ == nullptr) throw std::runtime_error("No device context for the window");
    }
    ~Win32WindowCanvas() override { ReleaseDC(window_, dc_); }
    Win32WindowCanvas(const Win32WindowCanvas&) = delete;
    Win32WindowCanvas& operator=(const Win32WindowCanvas&) = delete;

    void StretchDraw(const Rect& dest, const Bitmap& picture) override { StretchDrawBitmap(dc_, dest, picture); }

private:
    HWND window_;
    HDC dc_;
};

}  // namespace

std::string Win32Services::CommandLine() { return GetCommandLineA(); }

std::string Win32Services::ModulePath() { return ModuleFileName(); }

std::string Win32Services::SystemDirectory() {
    char buffer[MAX_PATH];  // 260 characters
    const UINT n = GetSystemDirectoryA(buffer, MAX_PATH);
    // 0 is failure and a value past the buffer is the size it would need: either way the
    // buffer holds no directory to trust.
    if (n == 0 || n >= MAX_PATH) throw std::runtime_error("The system directory cannot be read");
    return std::string(buffer, n);
}

void Win32Services::CallPasswordChange(const std::string& library_path, const std::string& key,
                                              WindowHandle window) {
    const Library library(LoadLibraryA(library_path.c_str()));
    if (!library) return;
    using PwdChangePassword = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
    const auto change = reinterpret_cast<PwdChangePassword>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "PwdChangePasswordA")));
    if (change != nullptr) change(key.c_str(), ToHwnd(window), 0, 0);
}

SemaphoreResult Win32Services::CreateInstanceSemaphore(const std::string& name) {
    const HANDLE handle = CreateSemaphoreA(nullptr, 0, 1, name.c_str());
    const DWORD error = GetLastError();
    SemaphoreResult result;
    if (handle != nullptr) {
        result.handle = std::make_unique<KernelHandle>(handle);
        result.already_exists = error == ERROR_ALREADY_EXISTS;
    }
    return result;
}

bool Win32Services::WindowExists(WindowHandle window) { return IsWindow(ToHwnd(window)) != FALSE; }

bool Win32Services::WindowVisible(WindowHandle window) { return IsWindowVisible(ToHwnd(window)) != FALSE; }

Rect Win32Services::WindowRectangle(WindowHandle window) {
    RECT r;
    if (!GetWindowRect(ToHwnd(window), &r)) throw std::runtime_error("The window's rectangle cannot be read");
    return Rect{int(r.left), int(r.top), int(r.right), int(r.bottom)};
}

std::unique_ptr<WindowCanvas> Win32Services::CanvasOnWindow(WindowHandle window) {
    return std::make_unique<Win32WindowCanvas>(ToHwnd(window));
}

std::unique_ptr<Application> Win32Backend::CreateApplication() {
    auto app = std::make_unique<Win32Application>();
    // Captioned dialogs navigate with Tab, Enter, Escape and their controls' mnemonics.
    app->SetMessageFilter(&Win32Window::TranslateDialogMessage);
    return app;
}

std::unique_ptr<Window> Win32Backend::NewWindow(Application& app, const WindowParams& params) {
    auto* win32 = dynamic_cast<Win32Application*>(&app);
    if (win32 == nullptr) throw std::logic_error("a Win32 window needs the Win32 application");
    return std::make_unique<Win32Window>(*win32, params);
}

}  // namespace scr
