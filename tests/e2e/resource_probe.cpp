// Prints what the system finds in a saver's resources, one key=value a line: the description
// (string 1), whether icon 100 loads, the fixed version, and whether the manifest declares
// DPI awareness. With --wait-semaphore it instead waits (at most 20 s) until a semaphore of
// that name exists, so that tests know when a saver holds its instance semaphore; with
// --screensaver-running it prints whether the system believes a screen saver runs.
//   resource_probe SAVER
//   resource_probe --wait-semaphore NAME
//   resource_probe --screensaver-running
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int WaitForSemaphore(const char* name) {
    for (int i = 0; i < 400; ++i) {
        if (HANDLE h = OpenSemaphoreA(SYNCHRONIZE, FALSE, name)) {
            CloseHandle(h);
            return 0;
        }
        Sleep(50);
    }
    return 1;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--wait-semaphore") == 0) return WaitForSemaphore(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--screensaver-running") == 0) {
        BOOL running = FALSE;
        if (!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) return 1;
        std::printf("screensaver_running=%d\n", running ? 1 : 0);
        return 0;
    }
    if (argc != 2) return 2;
    HMODULE module = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) {
        std::printf("load_error=%lu\n", GetLastError());
        return 1;
    }
    char text[256] = "";
    LoadStringA(module, 1, text, sizeof text);
    std::printf("description=%s\n", text);

    HICON icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(100), IMAGE_ICON, 32, 32, 0));
    std::printf("icon=%d\n", icon ? 1 : 0);
    if (icon) DestroyIcon(icon);

    if (HRSRC r = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16))) {  // RT_VERSION
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, r)));
        const DWORD size = SizeofResource(module, r);
        for (DWORD i = 0; i + sizeof(VS_FIXEDFILEINFO) <= size; i += 4) {
            VS_FIXEDFILEINFO info;
            std::memcpy(&info, data + i, sizeof info);
            if (info.dwSignature == 0xFEEF04BD) {
                std::printf("version=%u.%u.%u.%u\n", HIWORD(info.dwFileVersionMS), LOWORD(info.dwFileVersionMS),
                            HIWORD(info.dwFileVersionLS), LOWORD(info.dwFileVersionLS));
                break;
            }
        }
    }

    if (HRSRC r = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {  // RT_MANIFEST
        const auto* data = static_cast<const char*>(LockResource(LoadResource(module, r)));
        const std::string manifest(data, SizeofResource(module, r));
        std::printf("dpi_aware=%d\n", manifest.find("<dpiAware>true</dpiAware>") != std::string::npos ? 1 : 0);
    }
    FreeLibrary(module);
    return 0;
}
