// Stands in for the system's MPR.DLL: records the arguments of PwdChangePasswordA, and whether
// the calling program had made its instance semaphore, to the file named by MPR_STANDIN_LOG.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" __declspec(dllexport) DWORD WINAPI PwdChangePasswordA(LPCSTR key, HWND window, DWORD reserved1,
                                                                 DWORD reserved2) {
    const char* log = std::getenv("MPR_STANDIN_LOG");
    if (log == nullptr) return 0;

    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/:") + 1) + "Semaphore";
    // Opening, not creating: the probe must not leave a semaphore of its own behind.
    HANDLE semaphore = OpenSemaphoreA(SYNCHRONIZE, FALSE, name.c_str());
    const bool exists = semaphore != nullptr;
    if (semaphore) CloseHandle(semaphore);

    if (FILE* f = std::fopen(log, "a")) {
        std::fprintf(f, "key=%s window=%lld reserved1=%lu reserved2=%lu semaphore=%d\n", key ? key : "(null)",
                     (long long)(intptr_t)window, (unsigned long)reserved1, (unsigned long)reserved2, exists ? 1 : 0);
        std::fclose(f);
    }
    return 0;
}
