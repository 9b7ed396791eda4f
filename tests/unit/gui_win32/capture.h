// Reads back what a window shows, through a 24-bit DIB section: B, G, R, top-down rows, the
// Bitmap layout, so the result compares directly with the engine's bitmaps.
#pragma once

#include <windows.h>

#include <algorithm>

#include "base/bitmap.h"
#include "gui/win32/dib.h"

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

}  // namespace scr::test
