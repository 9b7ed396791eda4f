#include "gui/win32/win32_window.h"

#include <shellapi.h>

#include <stdexcept>

#include "gui/win32/dib.h"
#include "gui/win32/present_bitmap.h"
#include "gui/win32/win32_backend.h"

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

constexpr const char* kObjectProperty = "PhotosaverWindowObject";

// The class and styles of each kind: our own class for windows, the system's for controls.
struct KindInfo {
    const char* class_name;
    DWORD style;
    DWORD ex_style;
};

KindInfo InfoFor(const WindowParams& params) {
    const DWORD tab = params.tab_stop ? WS_TABSTOP : 0;
    switch (params.kind) {
        case WindowKind::Popup:
            return {kClassName, WS_POPUP | WS_CLIPCHILDREN, 0};
        case WindowKind::Frame:
            // The captioned dialog keeps a task-bar button although the application window owns
            // it; its children are reached with Tab.
            return {kClassName, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                    WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT};
        case WindowKind::Child:
            return {kClassName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
        case WindowKind::Label:
            return {"STATIC", DWORD(WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | (params.notify ? SS_NOTIFY : 0)), 0};
        case WindowKind::Button:
            return {"BUTTON", WS_CHILD | WS_VISIBLE | tab | (params.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
        case WindowKind::CheckBox:
            return {"BUTTON", WS_CHILD | WS_VISIBLE | tab | BS_AUTOCHECKBOX, 0};
        case WindowKind::Memo:
            return {"EDIT", WS_CHILD | WS_VISIBLE | tab | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0};
    }
    return {kClassName, WS_POPUP, 0};
}

// The cursor every window of the program shows while it is set (a link's hand), or none.
HCURSOR g_application_cursor = nullptr;

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

Win32Window::Win32Window(Win32Application& app, const WindowParams& params)
    : Window(app), kind_(params.kind), text_color_(params.font.color), notify_(params.notify),
      auto_size_(params.auto_size && params.kind == WindowKind::Label) {
    RegisterWindowClass();
    const bool child = params.kind != WindowKind::Popup && params.kind != WindowKind::Frame;
    Win32Window* parent_window = dynamic_cast<Win32Window*>(params.parent);
    if (child && parent_window == nullptr) throw std::logic_error("a child window needs a parent window");
    HWND parent = parent_window ? parent_window->hwnd_ : app.Handle();
    brush_ = CreateSolidBrush(params.color);
    const KindInfo info = InfoFor(params);
    const Rect& b = params.bounds;
    hwnd_ = CreateWindowExA(info.ex_style, info.class_name, params.caption.c_str(), info.style, b.left, b.top, b.width(),
                            b.height(), parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ == nullptr) {
        DeleteObject(brush_);
        throw std::runtime_error("The window cannot be created");
    }
    SetPropA(hwnd_, kObjectProperty, this);
    // Every window, the system's controls included, goes through our procedure first; the
    // controls' own procedure does the rest.
    const LONG_PTR previous = SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    if (IsControl()) system_proc_ = reinterpret_cast<WNDPROC>(previous);
    if (IsControl()) {
        CreateFontFor(params.font);
        if (auto_size_) FitToText();
        if (params.default_button) {
            if (Win32Window* top = TopLevel()) top->default_button_ = this;
        }
    }
}

Win32Window::~Win32Window() {
    destroying_ = true;
    application().Guard([this] { DispatchDestroy(); });
    if (Win32Window* top = TopLevel(); top && top->default_button_ == this) top->default_button_ = nullptr;
    RemovePropA(hwnd_, kObjectProperty);
    if (system_proc_) SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(system_proc_));
    DestroyWindow(hwnd_);
    DeleteObject(brush_);
    if (font_) DeleteObject(font_);
}

Win32Window* Win32Window::FromHandle(HWND hwnd) {
    return hwnd ? static_cast<Win32Window*>(GetPropA(hwnd, kObjectProperty)) : nullptr;
}

bool Win32Window::IsControl() const {
    return kind_ == WindowKind::Label || kind_ == WindowKind::Button || kind_ == WindowKind::CheckBox ||
           kind_ == WindowKind::Memo;
}

Win32Window* Win32Window::TopLevel() {
    HWND top = GetAncestor(hwnd_, GA_ROOT);
    return FromHandle(top);
}

void Win32Window::CreateFontFor(const ControlFont& f) {
    font_ = CreateFontA(f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, f.underline ? TRUE : FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, f.face.c_str());
    if (font_) SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

void Win32Window::FitToText() {
    const std::string text = Text();
    HDC dc = GetDC(hwnd_);
    const HGDIOBJ old = SelectObject(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

void Win32Window::SetCaption(const std::string& ansi_text) {
    SetWindowTextA(hwnd_, ansi_text.c_str());
    if (auto_size_) FitToText();
}

std::string Win32Window::Text() const {
    const int n = GetWindowTextLengthA(hwnd_);
    std::string text(std::size_t(n) + 1, '\0');
    const int got = GetWindowTextA(hwnd_, text.data(), n + 1);
    text.resize(std::size_t(got > 0 ? got : 0));
    return text;
}

bool Win32Window::Checked() const { return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Win32Window::SetChecked(bool checked) {
    if (checked == Checked()) return;
    SendMessageA(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    // A change by the program is reported like the user's.
    application().Guard([this] { DispatchClick(); });
}

void Win32Window::AppendLine(const std::string& ansi_text) {
    // The whole text is set again: Wine's edit control takes no replacement of the selection
    // while it is read-only.
    const std::string text = Text();
    SetWindowTextA(hwnd_, (text.empty() ? ansi_text : text + "\r\n" + ansi_text).c_str());
}

bool Win32Window::TranslateDialogMessage(MSG& msg) {
    if (msg.hwnd == nullptr) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    Win32Window* top = FromHandle(root);
    // Only captioned dialogs navigate with the keyboard; the saver's window sees every key.
    if (top == nullptr || top->kind_ != WindowKind::Frame) return false;
    return IsDialogMessageA(root, &msg) != FALSE;
}

Rect Win32Window::Bounds() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    if (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
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
    Win32Window* self = FromHandle(hwnd);
    if (self == nullptr) return DefWindowProcA(hwnd, message, wparam, lparam);
    if (self->destroying_) return self->Default(message, wparam, lparam);
    return self->HandleMessage(message, wparam, lparam);
}

LRESULT Win32Window::Default(UINT message, WPARAM wparam, LPARAM lparam) {
    return system_proc_ ? CallWindowProcA(system_proc_, hwnd_, message, wparam, lparam)
                        : DefWindowProcA(hwnd_, message, wparam, lparam);
}

void Win32Services::SetApplicationCursor(bool hand) {
    g_application_cursor = hand ? LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)) : nullptr;
    // The pointer changes at once, not only at its next move.
    if (g_application_cursor) SetCursor(g_application_cursor);
}

void Win32Services::ShellOpen(WindowHandle window, const std::string& ansi_file) {
    ShellExecuteA(reinterpret_cast<HWND>(window), "open", ansi_file.c_str(), nullptr, nullptr, SW_SHOW);
}

LRESULT Win32Window::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    Application& app = application();
    if (message == WM_SETCURSOR && g_application_cursor) {
        SetCursor(g_application_cursor);
        return TRUE;
    }
    if (IsControl()) {
        // A notifying label reports the pointer entering and leaving it.
        if (notify_ && message == WM_MOUSEMOVE && !tracking_leave_) {
            TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd_, 0};
            tracking_leave_ = TrackMouseEvent(&t) != FALSE;
            app.Guard([&] { DispatchControlEnter(); });
        } else if (notify_ && message == WM_MOUSELEAVE) {
            tracking_leave_ = false;
            app.Guard([&] { DispatchControlLeave(); });
        }
        return Default(message, wparam, lparam);
    }
    switch (message) {
        case WM_COMMAND: {
            // A control's notice comes to its parent: the control's owner hears it. Without a
            // control, it is the dialog's Enter (IDOK) or Escape (IDCANCEL).
            const WORD code = HIWORD(wparam);
            if (Win32Window* control = FromHandle(reinterpret_cast<HWND>(lparam))) {
                if (code == BN_CLICKED || (code == STN_CLICKED && control->kind_ == WindowKind::Label))
                    app.Guard([&] { control->DispatchClick(); });
                return 0;
            }
            if (lparam == 0 && LOWORD(wparam) == IDOK && default_button_ != nullptr) {
                Win32Window* button = default_button_;
                app.Guard([&] { button->DispatchClick(); });
                return 0;
            }
            if (lparam == 0 && LOWORD(wparam) == IDCANCEL) {
                app.Guard([&] { DispatchClose(); });
                return 0;
            }
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            // Labels lie on the parent's background, in their own colour.
            Win32Window* control = FromHandle(reinterpret_cast<HWND>(lparam));
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetBkMode(dc, TRANSPARENT);
            if (control) SetTextColor(dc, control->text_color_);
            return reinterpret_cast<LRESULT>(brush_);
        }
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
        case WM_ACTIVATE: {
            // The system's handling first: it gives the window the focus, which the owner's
            // handler may then hand to a child.
            const LRESULT result = DefWindowProcA(hwnd_, message, wparam, lparam);
            app.Guard([&] { DispatchActivate(LOWORD(wparam) != WA_INACTIVE); });
            return result;
        }
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
