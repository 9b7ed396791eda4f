// The header of a 24-bit top-down DIB: the layout of Bitmap (B, G, R, rows padded to 4 bytes),
// so GDI reads and writes Bitmap memory directly.
#pragma once

#include <windows.h>

namespace scr {

inline BITMAPINFO TopDownDib24(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace scr
