// The process's start: hands the Win32 platform to the program's entry.
#include <windows.h>

#include "gui/win32/program_platform_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        scr::Win32ProgramPlatform platform;
        return scr::ProgramMain(platform);
    } catch (...) {
        // The entry ends silently on every error; so does whatever it lets through.
        return 0;
    }
}
