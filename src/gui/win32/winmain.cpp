// The process's start: hands the Win32 backend to the program's entry.
#include <windows.h>

#include "gui/win32/win32_backend.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        scr::Win32Backend backend;
        return scr::ProgramMain(backend);
    } catch (...) {
        // The entry ends silently on every error; so does whatever it lets through.
        return 0;
    }
}
