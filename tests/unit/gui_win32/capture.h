// Reads back what a window shows, through a 24-bit DIB section: B, G, R, top-down rows, the
// Bitmap layout, so the result compares directly with the engine's bitmaps; and the fixture of
// the tests that read back a real window.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "base/bitmap.h"
#include "gui/win32/dib.h"
#include "gui/win32/win32_backend.h"

namespace scr::test {

inline Bitmap CaptureWindow(HWND window, int w, int h) {
    Bitmap shot(w, h);
    HDC window_dc = GetDC(window);
    HDC memory_dc = CreateCompatibleDC(window_dc);
    const BITMAPINFO info = TopDownDib24(w, h);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(memory_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory_dc, section);
    BitBlt(memory_dc, 0, 0, w, h, window_dc, 0, 0, SRCCOPY);
    GdiFlush();
    std::copy_n(static_cast<const uint8_t*>(bits), shot.size_bytes(), shot.data());
    SelectObject(memory_dc, old);
    DeleteObject(section);
    DeleteDC(memory_dc);
    ReleaseDC(window, window_dc);
    return shot;
}

inline bool HaveDisplay() { return GetEnvironmentVariableA("DISPLAY", nullptr, 0) > 0; }

// A black popup window of the given client size, topmost and shown at (40, 40). Skips the test
// without a display; a derived SetUp checks IsSkipped() after calling this one.
class ShownWindowTest : public ::testing::Test {
protected:
    ShownWindowTest(int width, int height) : width_(width), height_(height) {}
    void SetUp() override {
        if (!HaveDisplay()) GTEST_SKIP() << "no X display (DISPLAY is unset); the e2e runner runs this test on its own";
        app = backend.CreateApplication();
        window = backend.NewWindow(*app, WindowParams::Popup({40, 40, 40 + width_, 40 + height_}, 0x000000));
        window->SetTopmost();
        window->SetVisible(true);
    }
    // Lets the window server catch up with what was drawn.
    void Settle() {
        for (int i = 0; i < 10; ++i) {
            app->ProcessMessages();
            Sleep(10);
        }
    }
    HWND hwnd() const { return reinterpret_cast<HWND>(window->Handle()); }
    Bitmap Shot() { return CaptureWindow(hwnd(), width_, height_); }

    Win32Backend backend;
    std::unique_ptr<Application> app;
    std::unique_ptr<Window> window;

private:
    int width_, height_;
};

}  // namespace scr::test
