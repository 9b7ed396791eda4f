// The password stand-in loaded as the saver loads it: PASSWORD.CPL from the system folder.
#include "check_common.h"
#include "check_sections.h"

using namespace standin;

namespace check {
namespace {

void SetCursorShown(bool shown) {
    if (shown)
        while (ShowCursor(TRUE) < 0) {
        }
    else
        while (ShowCursor(FALSE) >= 0) {
        }
}

}  // namespace

void CheckPassword() {
    HMODULE library = LoadLibraryW(L"password.cpl");
    if (!library) return Fail("LoadLibrary password.cpl: error " + std::to_string(GetLastError()));
    using Verify = BOOL(WINAPI*)(HWND);
    const auto verify =
        reinterpret_cast<Verify>(reinterpret_cast<void*>(GetProcAddress(library, "VerifyScreenSavePwd")));
    if (!verify) return Fail("password.cpl exports no VerifyScreenSavePwd");

    // The cursor state is read from the foreground window's thread: be it.
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"password check", WS_POPUP | WS_VISIBLE, 500, 100, 200,
                                  100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(window);
    PumpMessages(200);
    const std::wstring log = WorkFile(L"password.log"), settings = WorkFile(L"password.cfg");
    const std::string call = "VerifyScreenSavePwd window=" + std::to_string(reinterpret_cast<intptr_t>(window));
    const std::string log_line = "log=%WORK%\\password.log\n";

    const struct {
        const char* what;
        const char* settings;  // null: PASSWORD_STANDIN_CFG unset; "?": it names a missing file
        bool cursor;
        BOOL want;
        std::vector<std::string> lines;  // the log afterwards; %CALL% is the call's start
        DWORD min_ms = 0;
    } cases[] = {
        {"no settings variable", nullptr, true, FALSE, {}},
        {"settings file missing", "?", true, FALSE, {}},
        {"accept", "answer=accept\n", true, TRUE, {"%CALL% visible_cursor=1 -> TRUE"}},
        {"refuse", "answer=refuse\n", true, FALSE, {"%CALL% visible_cursor=1 -> FALSE"}},
        {"accept with the cursor hidden", "answer=accept\n", false, TRUE, {"%CALL% visible_cursor=0 -> TRUE"}},
        {"no answer line", "", true, FALSE, {"%CALL% visible_cursor=1 -> FALSE"}},
        {"unknown answer",
         "answer=yes\n",
         true,
         FALSE,
         {R"(config error: "%WORK%\password.cfg": line 2: answer="yes" is not accept or refuse)",
          "%CALL% visible_cursor=1 -> FALSE"}},
        {"unknown key",
         "answer=accept\ncolour=red\n",
         true,
         FALSE,
         {R"(config error: "%WORK%\password.cfg": line 3: unknown key "colour")", "%CALL% visible_cursor=1 -> FALSE"}},
        {"bad wait",
         "answer=accept\nwait-ms=-5\n",
         true,
         FALSE,
         {R"(config error: "%WORK%\password.cfg": line 3: wait-ms="-5" is not milliseconds from 0 to 60000)",
          "%CALL% visible_cursor=1 -> FALSE"}},
        {"accept after its dialog waited", "answer=accept\nwait-ms=400\n", true, TRUE,
         {"%CALL% visible_cursor=1 -> TRUE"}, 400},
    };
    for (const auto& c : cases) {
        DeleteFileW(log.c_str());
        if (!c.settings) {
            SetEnvironmentVariableW(L"PASSWORD_STANDIN_CFG", nullptr);
        } else if (std::string_view(c.settings) == "?") {
            SetEnvironmentVariableW(L"PASSWORD_STANDIN_CFG", WorkFile(L"absent.cfg").c_str());
        } else {
            WriteText(settings, Expand(log_line + c.settings));
            SetEnvironmentVariableW(L"PASSWORD_STANDIN_CFG", settings.c_str());
        }
        SetCursorShown(c.cursor);
        const ULONGLONG t0 = GetTickCount64();
        const BOOL got = verify(window);
        const ULONGLONG ms = GetTickCount64() - t0;
        SetCursorShown(true);
        ExpectEq(std::string(c.what) + ": answer", got, c.want);
        std::vector<std::string> want;
        for (std::string line : c.lines) {
            if (line.rfind("%CALL%", 0) == 0) line = call + line.substr(6);
            want.push_back(Expand(line));
        }
        const auto lines = LogLines(log);
        for (size_t k = 0; k < std::max(lines.size(), want.size()); ++k)
            ExpectEq(std::string(c.what) + ": log line " + std::to_string(k + 1),
                     k < lines.size() ? lines[k] : "(none)", k < want.size() ? want[k] : "(none)");
        if (ms < c.min_ms) Fail(std::string(c.what) + ": answered after " + std::to_string(ms) + " ms");
    }
    SetEnvironmentVariableW(L"PASSWORD_STANDIN_CFG", nullptr);
    DestroyWindow(window);
    FreeLibrary(library);
}

}  // namespace check
