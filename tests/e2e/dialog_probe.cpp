// Reads the setup dialog back through the system, as a screen reader or a test tool would: the
// top-level window whose caption starts with the given text, then every window inside it, one a
// line: "class|text|left,top,right,bottom|checked" (screen coordinates; checked is 0 or 1 for
// check boxes, - otherwise). Waits at most 20 s for the dialog to appear.
//   dialog_probe "Setup ["
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct Search {
    const char* prefix;
    HWND found = nullptr;
};

BOOL CALLBACK FindTop(HWND hwnd, LPARAM lparam) {
    auto* s = reinterpret_cast<Search*>(lparam);
    char text[512] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    if (IsWindowVisible(hwnd) && std::strncmp(text, s->prefix, std::strlen(s->prefix)) == 0) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

void Print(HWND hwnd) {
    char cls[128] = "", text[1024] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    // WM_GETTEXT, not GetWindowText: an edit control of another process keeps its own text,
    // which GetWindowText does not ask for.
    SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    // Line breaks inside a text would split the record: they are shown as \n.
    std::string shown;
    for (const char* p = text; *p; ++p) {
        if (*p == '\r') continue;
        if (*p == '\n') shown += "\\n";
        else shown += *p;
    }
    RECT r{};
    GetWindowRect(hwnd, &r);
    const bool checkbox = std::strcmp(cls, "Button") == 0 &&
                          (GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
    std::printf("%s|%s|%ld,%ld,%ld,%ld|%s\n", cls, shown.c_str(), r.left, r.top, r.right, r.bottom,
                checkbox ? (SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0") : "-");
}

BOOL CALLBACK PrintChild(HWND hwnd, LPARAM) {
    Print(hwnd);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    Search s{argv[1]};
    for (int i = 0; i < 200 && s.found == nullptr; ++i) {
        EnumWindows(&FindTop, reinterpret_cast<LPARAM>(&s));
        if (s.found == nullptr) Sleep(100);
    }
    if (s.found == nullptr) return 1;
    Print(s.found);
    EnumChildWindows(s.found, &PrintChild, 0);
    return 0;
}
