// Stands in for the display settings' preview: creates a window, starts the saver with
// "/p <its handle>", keeps the window for a while, then hides or destroys it and reports how
// the saver behaved. Lines of key=value go to the report file as they become known.
//   preview_host --saver PATH --report FILE [--size WxH] [--hold MS] [--end hide|destroy]
//                [--hidden] [--args TEXT]   (TEXT replaces "/p <handle>"; %H is the handle)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Options {
    std::string saver, report, args = "/p %H", end = "hide";
    int width = 152, height = 112, hold_ms = 1500;
    bool hidden = false;
};

FILE* g_report = nullptr;

void Report(const char* key, long long value) {
    std::fprintf(g_report, "%s=%lld\n", key, value);
    std::fflush(g_report);
}

LRESULT CALLBACK WindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_ERASEBKGND) return 1;  // the saver's drawing is not to be painted over
    return DefWindowProcA(w, m, wp, lp);
}

// Pumps this thread's messages until the process ends or ms pass; true when it ended.
bool WaitPumping(HANDLE process, DWORD ms) {
    const ULONGLONG until = GetTickCount64() + ms;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= until) return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, DWORD(until - now), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string k = argv[i], v = argv[i + 1];
        if (k == "--saver") o.saver = v;
        else if (k == "--report") o.report = v;
        else if (k == "--args") o.args = v;
        else if (k == "--end") o.end = v;
        else if (k == "--hold") o.hold_ms = std::atoi(v.c_str());
        else if (k == "--size") std::sscanf(v.c_str(), "%dx%d", &o.width, &o.height);
        else if (k == "--hidden") { o.hidden = v == "1"; }
        else return false;
    }
    return !o.saver.empty() && !o.report.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr, "usage: preview_host --saver PATH --report FILE [options]\n");
        return 2;
    }
    g_report = std::fopen(o.report.c_str(), "w");
    if (!g_report) return 2;

    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PreviewHostWindow";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "preview host", WS_POPUP | (o.hidden ? 0 : WS_VISIBLE), 100,
                                  100, o.width, o.height, nullptr, nullptr, wc.hInstance, nullptr);
    if (!window) return 3;
    Report("hwnd", (long long)(intptr_t)window);

    std::string args = o.args;
    const std::string handle = std::to_string((long long)(intptr_t)window);
    for (std::size_t at; (at = args.find("%H")) != std::string::npos;) args.replace(at, 2, handle);
    std::string command = "\"" + o.saver + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        Report("launch_error", GetLastError());
        return 4;
    }
    CloseHandle(pi.hThread);
    const ULONGLONG started = GetTickCount64();
    Report("launched", 1);

    const bool early = WaitPumping(pi.hProcess, DWORD(o.hold_ms));
    Report("early", early ? 1 : 0);
    if (early) Report("early_ms", (long long)(GetTickCount64() - started));

    const ULONGLONG ended_at = GetTickCount64();
    if (o.end == "destroy" || o.hidden) {
        DestroyWindow(window);
    } else {
        ShowWindow(window, SW_HIDE);
    }
    bool ended = early || WaitPumping(pi.hProcess, 5000);
    if (!ended) {
        Report("timeout", 1);
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
    } else if (!early) {
        Report("end_ms", (long long)(GetTickCount64() - ended_at));
    }
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    Report("exit", code);
    CloseHandle(pi.hProcess);
    if (IsWindow(window)) DestroyWindow(window);
    Report("done", 1);
    std::fclose(g_report);
    return 0;
}
