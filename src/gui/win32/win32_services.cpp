// The Win32 system services of the saver window and the setup dialog: screen, pointer, the
// system-wide input hook, registry, password library, INI files and text.
#include <windows.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "base/geometry.h"
#include "gui/win32/dib.h"
#include "gui/win32/win32_backend.h"

namespace scr {

namespace {

// ---------------------------------------------------------------- the input hook

// The low-level hooks see every process's input, on current Windows and under Wine; they are
// called on the installing thread, from its message loop. The journal-record hook is the
// fallback where they cannot be installed: it sees less (under Wine only its own process's
// keys), but the older systems that lack the low-level hooks have it.
class Win32InputHook;
Win32InputHook* g_hook = nullptr;  // one hook at a time: the procedures find it here

class Win32InputHook : public InputHook {
public:
    explicit Win32InputHook(std::function<void(const InputEvent&)> on_event) : on_event_(std::move(on_event)) {}
    ~Win32InputHook() override {
        if (g_hook == this) g_hook = nullptr;
        for (HHOOK h : hooks_) UnhookWindowsHookEx(h);
    }
    bool Install() {
        g_hook = this;
        HINSTANCE module = GetModuleHandleA(nullptr);
        HHOOK mouse = SetWindowsHookExA(WH_MOUSE_LL, &MouseProc, module, 0);
        HHOOK keyboard = SetWindowsHookExA(WH_KEYBOARD_LL, &KeyboardProc, module, 0);
        if (mouse && keyboard) {
            hooks_ = {mouse, keyboard};
            return true;
        }
        if (mouse) UnhookWindowsHookEx(mouse);
        if (keyboard) UnhookWindowsHookEx(keyboard);
        if (HHOOK journal = SetWindowsHookExA(WH_JOURNALRECORD, &JournalProc, module, 0)) {
            hooks_ = {journal};
            return true;
        }
        g_hook = nullptr;
        return false;
    }

private:
    // The callback may remove the hook (destroying this object): nothing of it is touched after.
    static void Report(const InputEvent& e) {
        if (g_hook == nullptr) return;
        auto fn = g_hook->on_event_;
        fn(e);
    }
    static LRESULT CALLBACK MouseProc(int code, WPARAM wparam, LPARAM lparam) {
        if (code == HC_ACTION) {
            const auto* m = reinterpret_cast<const MSLLHOOKSTRUCT*>(lparam);
            Report({uint32_t(wparam), Point{int(m->pt.x), int(m->pt.y)}, true});
        }
        // Observed, never swallowed: a system-wide hook that ate input could lock the user out.
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
    static LRESULT CALLBACK KeyboardProc(int code, WPARAM wparam, LPARAM lparam) {
        if (code == HC_ACTION) Report({uint32_t(wparam), Point{}, false});
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
    static LRESULT CALLBACK JournalProc(int code, WPARAM wparam, LPARAM lparam) {
        if (code == HC_ACTION && lparam != 0) Report({reinterpret_cast<const EVENTMSG*>(lparam)->message, Point{}, false});
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }

    std::function<void(const InputEvent&)> on_event_;
    std::vector<HHOOK> hooks_;
};

// ---------------------------------------------------------------- text

// A font of the given face, size and weight at the screen's resolution; deleted with the object.
class Font {
public:
    explicit Font(const TextStyle& style) {
        HDC screen = GetDC(nullptr);
        const int ppi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        font_ = CreateFontA(-MulDiv(style.point_size, ppi, 72), 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                            FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            DEFAULT_PITCH | FF_DONTCARE, style.face.c_str());
        if (font_ == nullptr) throw std::runtime_error("The font " + style.face + " cannot be created");
    }
    ~Font() { DeleteObject(font_); }
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    HFONT get() const { return font_; }

private:
    HFONT font_;
};

// A memory device context with a font selected; both released with the object.
class TextDc {
public:
    explicit TextDc(const Font& font) : dc_(CreateCompatibleDC(nullptr)) {
        if (dc_ == nullptr) throw std::runtime_error("No device context for text");
        old_font_ = SelectObject(dc_, font.get());
    }
    ~TextDc() {
        SelectObject(dc_, old_font_);
        DeleteDC(dc_);
    }
    TextDc(const TextDc&) = delete;
    TextDc& operator=(const TextDc&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_font_;
};

TextSize Extent(HDC dc, const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), int(text.size()), &size);
    return {int(size.cx), int(size.cy)};
}

}  // namespace

TextSize Win32Services::PrimaryScreenSize() { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

int Win32Services::ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

Point Win32Services::CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return {int(p.x), int(p.y)};
}

void Win32Services::ReleaseCapture() { ::ReleaseCapture(); }

uint32_t Win32Services::SystemColor(int index) { return uint32_t(GetSysColor(index)); }

void Win32Services::SetScreenSaverRunning(bool running) {
    BOOL previous = FALSE;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, &previous, 0);
}

std::unique_ptr<InputHook> Win32Services::InstallInputHook(std::function<void(const InputEvent&)> on_event) {
    auto hook = std::make_unique<Win32InputHook>(std::move(on_event));
    if (!hook->Install()) return nullptr;
    return hook;
}

RegistryDword Win32Services::ReadUserDword(const std::string& key, const std::string& name) {
    HKEY handle = nullptr;
    // Read access only: a user who may read the key but not write it must still be asked.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return {RegistryDword::Status::KeyMissing, 0};
    DWORD type = 0, value = 0, size = sizeof value;
    const LONG rc = RegQueryValueExA(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(handle);
    if (rc == ERROR_FILE_NOT_FOUND) return {RegistryDword::Status::ValueMissing, 0};
    if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return {RegistryDword::Status::WrongType, 0};
    return {RegistryDword::Status::Ok, uint32_t(value)};
}

PasswordCheck Win32Services::VerifyScreenSavePassword(const std::string& library_path, WindowHandle window) {
    HMODULE library = LoadLibraryA(library_path.c_str());
    if (library == nullptr) return PasswordCheck::NoLibrary;
    using Verify = BOOL(WINAPI*)(HWND);
    const auto verify =
        reinterpret_cast<Verify>(reinterpret_cast<void*>(GetProcAddress(library, "VerifyScreenSavePwd")));
    PasswordCheck result = PasswordCheck::NoEntryPoint;
    if (verify != nullptr)
        result = verify(reinterpret_cast<HWND>(window)) ? PasswordCheck::Accepted : PasswordCheck::Refused;
    FreeLibrary(library);
    return result;
}

std::string Win32Services::ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                                         const std::string& default_value) {
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), default_value.c_str(), buffer.data(),
                                                 DWORD(buffer.size()), path.c_str());
        // n == size - 1 means the value may have been cut: try again with more room.
        if (n + 1 < buffer.size() || buffer.size() >= 65536) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 4);
    }
}

bool Win32Services::WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                                   const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != FALSE;
}

TextSize Win32Services::MeasureText(const TextStyle& style, const std::string& ansi_text) {
    const Font font(style);
    const TextDc dc(font);
    return Extent(dc.get(), ansi_text);
}

void Win32Services::PaintText(Bitmap& target, int x, int y, const TextStyle& style, const std::string& ansi_text) {
    const Font font(style);
    const TextDc dc(font);
    const TextSize size = Extent(dc.get(), ansi_text);
    const Rect box = Rect{x, y, x + size.cx, y + size.cy}.intersected({0, 0, target.width(), target.height()});
    if (box.empty()) return;
    // GDI draws into a DIB section of the text's box, which starts as a copy of the target there,
    // so the text needs no background box; the result is copied back.
    const BITMAPINFO info = TopDownDib24(box.width(), box.height());
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section == nullptr) throw std::runtime_error("No memory for the caption");
    const HGDIOBJ old = SelectObject(dc.get(), section);
    const std::size_t stride = Bitmap::stride_for(box.width());
    auto* rows = static_cast<uint8_t*>(bits);
    for (int r = 0; r < box.height(); ++r)
        std::memcpy(rows + stride * std::size_t(r), target.pixel(box.left, box.top + r), std::size_t(box.width()) * 3);
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), style.color);
    TextOutA(dc.get(), x - box.left, y - box.top, ansi_text.c_str(), int(ansi_text.size()));
    GdiFlush();
    for (int r = 0; r < box.height(); ++r)
        std::memcpy(target.pixel(box.left, box.top + r), rows + stride * std::size_t(r), std::size_t(box.width()) * 3);
    SelectObject(dc.get(), old);
    DeleteObject(section);
}

}  // namespace scr
