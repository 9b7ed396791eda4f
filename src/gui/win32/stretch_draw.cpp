#include "gui/win32/stretch_draw.h"

#include <stdexcept>

#include "gui/win32/dib.h"

namespace scr {

void StretchDrawBitmap(HDC dc, const Rect& dest, const Bitmap& picture) {
    if (picture.empty() || dest.empty()) return;
    const BITMAPINFO info = TopDownDib24(picture.width(), picture.height());
    const int old_mode = SetStretchBltMode(dc, HALFTONE);
    // HALFTONE needs the brush origin reset after the mode is set.
    POINT old_origin{};
    SetBrushOrgEx(dc, 0, 0, &old_origin);
    const int lines = StretchDIBits(dc, dest.left, dest.top, dest.width(), dest.height(), 0, 0, picture.width(),
                                    picture.height(), picture.data(), &info, DIB_RGB_COLORS, SRCCOPY);
    SetBrushOrgEx(dc, old_origin.x, old_origin.y, nullptr);
    if (old_mode != 0) SetStretchBltMode(dc, old_mode);
    if (lines == 0 || lines == int(GDI_ERROR)) throw std::runtime_error("The picture cannot be drawn");
}

}  // namespace scr
