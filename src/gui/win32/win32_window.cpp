#include "gui/win32/win32_window.h"

#include <stdexcept>

#include "gui/win32/present_bitmap.h"

namespace scr {

namespace {

constexpr const char* kClassName = "PhotosaverWindow";

void RegisterWindowClass() {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(100));
        wc.lpszClassName = kClassName;
        return RegisterClassA(&wc) != 0;
    }();
    if (!registered) throw std::runtime_error("The window class cannot be registered");
}

DWORD StyleFor(WindowKind kind) {
    switch (kind) {
        case WindowKind::Popup:
            return WS_POPUP | WS_CLIPCHILDREN;
        case WindowKind::Frame:
            return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        case WindowKind::Child:
            return WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    }
    return WS_POPUP;
}

DWORD ExStyleFor(WindowKind kind) {
    // The captioned dialog keeps a task-bar button although the application window owns it.
    return kind == WindowKind::Frame ? WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW : 0;
}

ShiftState ShiftFromKeys(WPARAM keys) {
    ShiftState s = 0;
    if (keys & MK_SHIFT) s |= kShift;
    if (keys & MK_CONTROL) s |= kCtrl;
    if (keys & MK_LBUTTON) s |= kLeftButton;
    if (keys & MK_RBUTTON) s |= kRightButton;
    if (keys & MK_MBUTTON) s |= kMiddleButton;
    if (GetKeyState(VK_MENU) < 0) s |= kAlt;
    return s;
}

ShiftState KeyboardShift() {
    ShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= kShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= kCtrl;
    if (GetKeyState(VK_MENU) < 0) s |= kAlt;
    return s;
}

// Client coordinates of a mouse message, sign-extended (they are negative left of the window).
int LowX(LPARAM l) { return int(short(LOWORD(l))); }
int HighY(LPARAM l) { return int(short(HIWORD(l))); }

}  // namespace

Win32Window::Win32Window(Win32Application& app, const WindowSpec& spec) : Window(app), kind_(spec.kind) {
    RegisterWindowClass();
    HWND parent = nullptr;
    if (spec.kind == WindowKind::Child) {
        auto* p = dynamic_cast<Win32Window*>(spec.parent);
        if (p == nullptr) throw std::logic_error("a child window needs a parent window");
        parent = p->hwnd_;
    } else {
        parent = spec.parent ? reinterpret_cast<HWND>(spec.parent->Handle()) : app.Handle();
    }
    brush_ = CreateSolidBrush(spec.color);
    const Rect& b = spec.bounds;
    hwnd_ = CreateWindowExA(ExStyleFor(spec.kind), kClassName, spec.caption.c_str(), StyleFor(spec.kind), b.left, b.top,
                            b.width(), b.height(), parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ == nullptr) {
        DeleteObject(brush_);
        throw std::runtime_error("The window cannot be created");
    }
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

Win32Window::~Win32Window() {
    destroying_ = true;
    application().Guard([this] { DispatchDestroy(); });
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
    DeleteObject(brush_);
}

Rect Win32Window::Bounds() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    if (kind_ == WindowKind::Child) MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    return {int(r.left), int(r.top), int(r.right), int(r.bottom)};
}

void Win32Window::SetBounds(const Rect& b) {
    SetWindowPos(hwnd_, nullptr, b.left, b.top, b.width(), b.height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

Rect Win32Window::ClientRect() const {
    RECT r{};
    GetClientRect(hwnd_, &r);
    return {0, 0, int(r.right), int(r.bottom)};
}

void Win32Window::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, DWORD(GetWindowLongPtrA(hwnd_, GWL_STYLE)), FALSE, DWORD(GetWindowLongPtrA(hwnd_, GWL_EXSTYLE)));
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void Win32Window::SetVisible(bool visible) {
    if (!visible) {
        ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    switch (pending_state_) {
        case WindowState::Minimized: ShowWindow(hwnd_, SW_SHOWMINIMIZED); break;
        case WindowState::Maximized: ShowWindow(hwnd_, SW_SHOWMAXIMIZED); break;
        case WindowState::Normal: ShowWindow(hwnd_, kind_ == WindowKind::Child ? SW_SHOWNA : SW_SHOW); break;
    }
}

WindowState Win32Window::State() const {
    if (!Visible()) return pending_state_;
    if (IsIconic(hwnd_)) return WindowState::Minimized;
    if (IsZoomed(hwnd_)) return WindowState::Maximized;
    return WindowState::Normal;
}

void Win32Window::SetState(WindowState state) {
    pending_state_ = state;
    if (!Visible()) return;
    switch (state) {
        case WindowState::Minimized: ShowWindow(hwnd_, SW_MINIMIZE); break;
        case WindowState::Maximized: ShowWindow(hwnd_, SW_MAXIMIZE); break;
        case WindowState::Normal: ShowWindow(hwnd_, SW_RESTORE); break;
    }
}

void Win32Window::SetTopmost() { SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

void Win32Window::SetColor(uint32_t colorref) {
    HBRUSH brush = CreateSolidBrush(colorref);
    if (brush == nullptr) return;
    DeleteObject(brush_);
    brush_ = brush;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Window::Invalidate(const Rect& r, bool erase) {
    if (destroying_ || r.empty()) return;
    const RECT rc{r.left, r.top, r.right, r.bottom};
    InvalidateRect(hwnd_, &rc, erase ? TRUE : FALSE);
}

void Win32Window::Present(const Rect& dest, const Bitmap& image, int src_x, int src_y) {
    if (dest.empty() || image.empty()) return;
    HDC dc = paint_dc_ ? paint_dc_ : GetDC(hwnd_);
    if (dc == nullptr) return;
    PresentBitmap(dc, dest, image, src_x, src_y, present_strip_);
    if (dc != paint_dc_) ReleaseDC(hwnd_, dc);
}

void Win32Window::PostPrivate(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    PostMessageA(hwnd_, message, WPARAM(wparam), LPARAM(lparam));
}

void Win32Window::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    paint_dc_ = dc;
    const Rect update{int(ps.rcPaint.left), int(ps.rcPaint.top), int(ps.rcPaint.right), int(ps.rcPaint.bottom)};
    application().Guard([&] { DispatchPaint(update); });
    paint_dc_ = nullptr;
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->destroying_) return DefWindowProcA(hwnd, message, wparam, lparam);
    return self->HandleMessage(message, wparam, lparam);
}

LRESULT Win32Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    Application& app = application();
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd_, &r);
            FillRect(reinterpret_cast<HDC>(wparam), &r, brush_);
            return 1;
        }
        case WM_SIZE:
            app.Guard([&] { DispatchSize(); });
            return 0;
        case WM_MOUSEMOVE:
            if (!tracking_leave_) {
                TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, 0};
                tracking_leave_ = TrackMouseEvent(&t) != FALSE;
            }
            app.Guard([&] { DispatchMouseMove(ShiftFromKeys(wparam), LowX(lparam), HighY(lparam)); });
            return 0;
        case WM_MOUSELEAVE:
            tracking_leave_ = false;
            app.Guard([&] { DispatchMouseLeave(); });
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            const MouseButton b = message == WM_LBUTTONDOWN ? MouseButton::Left
                                  : message == WM_RBUTTONDOWN ? MouseButton::Right
                                                              : MouseButton::Middle;
            app.Guard([&] { DispatchMouseDown(b, ShiftFromKeys(wparam), LowX(lparam), HighY(lparam)); });
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            const MouseButton b = message == WM_LBUTTONUP ? MouseButton::Left
                                  : message == WM_RBUTTONUP ? MouseButton::Right
                                                            : MouseButton::Middle;
            app.Guard([&] { DispatchMouseUp(b, ShiftFromKeys(wparam), LowX(lparam), HighY(lparam)); });
            return 0;
        }
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            app.Guard([&] { DispatchKeyDown(uint16_t(wparam), KeyboardShift()); });
            // System keys keep their system meaning (Alt+F4 closes).
            return message == WM_SYSKEYDOWN ? DefWindowProcA(hwnd_, message, wparam, lparam) : 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            app.Guard([&] { DispatchKeyUp(uint16_t(wparam), KeyboardShift()); });
            return message == WM_SYSKEYUP ? DefWindowProcA(hwnd_, message, wparam, lparam) : 0;
        case WM_ACTIVATE:
            app.Guard([&] { DispatchActivate(LOWORD(wparam) != WA_INACTIVE); });
            return DefWindowProcA(hwnd_, message, wparam, lparam);
        case WM_CLOSE:
            // The owner decides: a form hides or destroys itself, the main form ends the program.
            app.Guard([&] { DispatchClose(); });
            return 0;
        default:
            break;
    }
    if ((message >= WM_USER && message < 0x8000) || (message >= WM_APP && message < 0xC000)) {
        bool handled = false;
        app.Guard([&] { handled = DispatchPrivate(message, uintptr_t(wparam), intptr_t(lparam)); });
        if (handled) return 0;
    }
    return DefWindowProcA(hwnd_, message, wparam, lparam);
}

}  // namespace scr
