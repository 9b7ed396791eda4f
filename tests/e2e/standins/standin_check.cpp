// Checks the stand-ins in a prefix where register-standins.sh has registered them, driven by
// check-standins.sh (which answers its screen colour requests).
//   standin_check --work DIR --standins DIR [flash] [presentation] [password]
// DIR are Windows paths: the work folder, and the folder the stand-ins were registered from.
// Prints a line for each failure; the exit status is the number of failures.
#include "check_common.h"
#include "check_sections.h"

#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> sections;
    for (int k = 1; argv && k < argc; ++k) {
        const std::wstring arg = argv[k];
        if (arg == L"--work" && k + 1 < argc) check::g_work = argv[++k];
        else if (arg == L"--standins" && k + 1 < argc) check::g_standins = argv[++k];
        else sections.push_back(arg);
    }
    LocalFree(argv);
    if (check::g_work.empty() || check::g_standins.empty()) {
        std::fprintf(stderr, "usage: standin_check --work DIR --standins DIR [flash] [presentation] [password]\n");
        return 100;
    }
    if (sections.empty()) sections = {L"flash", L"presentation", L"password"};

    if (FAILED(OleInitialize(nullptr))) {
        std::fprintf(stderr, "OleInitialize failed\n");
        return 100;
    }
    bool flash = false;
    for (const std::wstring& s : sections) {
        std::printf("== %s\n", standin::Utf8(s).c_str());
        std::fflush(stdout);
        if (s == L"flash") check::CheckFlash(), flash = true;
        else if (s == L"presentation") check::CheckPresentation();
        else if (s == L"password") check::CheckPassword();
        else check::Fail("no section " + standin::Utf8(s));
    }
    OleUninitialize();
    if (flash) check::CheckFlashUnloaded();
    std::printf("%d failures\n", check::Failures());
    return check::Failures();
}
