// Stands in for the system's PASSWORD.CPL: VerifyScreenSavePwd answers as the test's settings
// file says (named by PASSWORD_STANDIN_CFG; read at every call, so a test may change it between
// calls) and records each call, with whether the caller left the cursor visible for the
// password dialog. Without settings it refuses, as a password nobody can type would.
#include "standin_support.h"

#include <string>

using namespace standin;

namespace {

struct Settings {
    bool accept = false;
    std::wstring log;
    int wait_ms = 0;
    std::string error;  // why the file was not taken (then the answer is a refusal)
};

Settings ReadConfig(const std::wstring& path) {
    Settings out;
    const auto settings = ReadSettings(path, {"answer", "log", "wait-ms"}, out.error);
    // The log comes first so that any mistake can be reported there.
    for (const Setting& s : settings)
        if (s.key == "log") out.log = Wide(s.value);
    for (const Setting& s : settings) {
        if (!out.error.empty()) break;
        if (s.key == "answer") {
            if (s.value == "accept" || s.value == "refuse") out.accept = s.value == "accept";
            else out.error = Quoted(path) + ": " + ValueError(s, "accept or refuse");
        } else if (s.key == "wait-ms") {
            if (auto v = ParseInteger(s.value, 0, 60000)) out.wait_ms = int(*v);
            else out.error = Quoted(path) + ": " + ValueError(s, "milliseconds from 0 to 60000");
        }
    }
    if (!out.error.empty()) out.accept = false;
    return out;
}

// Keeps a small window titled "Password stand-in" up for `ms`, handling messages meanwhile, as
// the real dialog would while the user types.
void ShowDialog(HWND owner, int ms) {
    HWND dialog = CreateWindowExW(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, L"STATIC", L"Password stand-in",
                                  WS_POPUP | WS_CAPTION | WS_VISIBLE, 300, 250, 300, 120, owner, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    PumpMessages(DWORD(ms));
    if (dialog) DestroyWindow(dialog);
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
    CURSORINFO cursor{};
    cursor.cbSize = sizeof cursor;
    const bool visible = GetCursorInfo(&cursor) && (cursor.flags & CURSOR_SHOWING);

    const std::wstring path = EnvironmentValue(L"PASSWORD_STANDIN_CFG");
    if (path.empty()) return FALSE;
    const Settings settings = ReadConfig(path);
    if (!settings.error.empty()) {
        OutputDebugStringA(("password stand-in: " + settings.error + "\n").c_str());
        if (!settings.log.empty()) AppendLine(settings.log, "config error: " + settings.error);
    }
    if (settings.wait_ms > 0) ShowDialog(window, settings.wait_ms);
    if (!settings.log.empty())
        AppendLine(settings.log, "VerifyScreenSavePwd window=" + std::to_string(reinterpret_cast<intptr_t>(window)) +
                                     " visible_cursor=" + (visible ? "1" : "0") + " -> " +
                                     (settings.accept ? "TRUE" : "FALSE"));
    return settings.accept ? TRUE : FALSE;
}
