// The Win32 system services and application object, against the real system.
#include "gui/win32/win32_backend.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "gui/win32/win32_application.h"

namespace scr {
namespace {

TEST(Win32Services, InstanceSemaphoreIsSeenUntilClosed) {
    Win32Services platform;
    const std::string name = "gui_win32_test_" + std::to_string(GetCurrentProcessId()) + "Semaphore";
    SemaphoreResult first = platform.CreateInstanceSemaphore(name);
    ASSERT_TRUE(first.handle);
    EXPECT_FALSE(first.already_exists);
    {
        const SemaphoreResult second = platform.CreateInstanceSemaphore(name);
        ASSERT_TRUE(second.handle);
        EXPECT_TRUE(second.already_exists);
    }
    first.handle.reset();
    EXPECT_FALSE(platform.CreateInstanceSemaphore(name).already_exists);
}

TEST(Win32Services, SystemDirectoryAndModulePath) {
    Win32Services platform;
    const std::string dir = platform.SystemDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    EXPECT_NE(GetFileAttributesA((dir + "\\kernel32.dll").c_str()), INVALID_FILE_ATTRIBUTES);
    const std::string path = platform.ModulePath();
    EXPECT_NE(path.find("gui_win32_test"), std::string::npos) << path;
}

TEST(Win32Services, MissingLibraryOrEntryPointMakesNoCall) {
    Win32Services platform;
    EXPECT_NO_THROW(platform.CallPasswordChange("C:\\no\\such\\library.dll", "SCRSAVE", 0));
    // kernel32 loads but has no such entry point.
    EXPECT_NO_THROW(platform.CallPasswordChange(platform.SystemDirectory() + "\\kernel32.dll", "SCRSAVE", 0));
}

TEST(Win32Services, GoneWindowIsNeitherVisibleNorMeasurable) {
    if (GetEnvironmentVariableA("DISPLAY", nullptr, 0) == 0) {
        GTEST_SKIP() << "no X display (DISPLAY is unset); the e2e runner runs this test on its own";
    }
    Win32Services platform;
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const auto handle = reinterpret_cast<WindowHandle>(window);
    EXPECT_TRUE(platform.WindowExists(handle));
    EXPECT_FALSE(platform.WindowVisible(handle));
    DestroyWindow(window);
    EXPECT_FALSE(platform.WindowExists(handle));
    EXPECT_FALSE(platform.WindowVisible(handle));
    EXPECT_ANY_THROW(platform.WindowRectangle(handle));
}

TEST(Win32Application, ProcessMessagesAndRunUntilTerminated) {
    if (GetEnvironmentVariableA("DISPLAY", nullptr, 0) == 0) {
        GTEST_SKIP() << "no X display (DISPLAY is unset): Wine makes no window without one";
    }
    Win32Application app;
    app.Initialize();
    EXPECT_NE(app.ExeName().find("gui_win32_test"), std::string::npos);
    EXPECT_EQ(app.Title(), "gui_win32_test");
    int idle_calls = 0;
    app.SetOnIdle([&](bool& done) {
        // Asks for more idle time twice, then closes as a main form's closing would.
        if (++idle_calls < 3) done = false;
        else app.Terminate();
    });
    app.Run();
    EXPECT_TRUE(app.Terminated());
    EXPECT_EQ(idle_calls, 3);
}

}  // namespace
}  // namespace scr
