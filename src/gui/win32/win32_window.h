// A window of the Win32 backend: a real HWND whose procedure feeds the window model's Dispatch
// calls (each under the application's guard, so no exception crosses the system's frames);
// presented pixels go to the screen with SetDIBitsToDevice, as 32-bit rows (PresentBitmap).
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "gui/win32/win32_application.h"
#include "gui/window.h"

namespace scr {

class Win32Window : public Window {
public:
    Win32Window(Win32Application& app, const WindowParams& params);
    ~Win32Window() override;

    HWND hwnd() const { return hwnd_; }

    // Window
    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
    Rect Bounds() const override;
    void SetBounds(const Rect& bounds) override;
    Rect ClientRect() const override;
    void SetClientSize(int width, int height) override;
    bool Visible() const override { return IsWindowVisible(hwnd_) != FALSE; }
    void SetVisible(bool visible) override;
    WindowState State() const override;
    void SetState(WindowState state) override;
    void SetTopmost() override;
    void SetCaption(const std::string& ansi_text) override;
    void SetColor(uint32_t colorref) override;
    void Invalidate(const Rect& r, bool erase) override;
    void Update() override { UpdateWindow(hwnd_); }
    void Present(const Rect& dest, const Bitmap& image, int src_x, int src_y) override;
    void PostPrivate(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
    void Close() override { PostMessageA(hwnd_, WM_CLOSE, 0, 0); }
    bool Destroying() const override { return destroying_; }
    std::string Text() const override;
    bool Checked() const override;
    void SetChecked(bool checked) override;
    void AppendLine(const std::string& ansi_text) override;
    void SetFocus() override { ::SetFocus(hwnd_); }

    // The object of one of our windows (ours or a subclassed system control), or nullptr.
    static Win32Window* FromHandle(HWND hwnd);
    // Whether the message is one of a dialog's navigation keys (Tab, Enter, Escape, mnemonics)
    // for the top-level window it belongs to, and was handled as such.
    static bool TranslateDialogMessage(MSG& msg);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Default(UINT message, WPARAM wparam, LPARAM lparam);
    void Paint();
    bool IsControl() const;
    void CreateFontFor(const ControlFont& font);
    // Sizes a label to its text in its font.
    void FitToText();
    // The top-level window above this one.
    Win32Window* TopLevel();

    WindowKind kind_;
    HWND hwnd_ = nullptr;
    WNDPROC system_proc_ = nullptr;  // a standard control's own procedure
    HBRUSH brush_ = nullptr;
    HFONT font_ = nullptr;
    uint32_t text_color_ = 0;
    bool notify_ = false;
    bool auto_size_ = false;
    Win32Window* default_button_ = nullptr;  // a top-level window's button for Enter
    HDC paint_dc_ = nullptr;  // the device context of the paint under way
    bool destroying_ = false;
    bool tracking_leave_ = false;
    WindowState pending_state_ = WindowState::Normal;  // applied when a hidden window shows
    std::vector<uint32_t> present_strip_;              // PresentBitmap's strip, kept between paints
};

}  // namespace scr
