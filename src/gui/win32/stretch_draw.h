// Drawing a 24-bit bitmap scaled onto a device context.
#pragma once

#include <windows.h>

#include "base/bitmap.h"
#include "base/geometry.h"

namespace scr {

// Scales the whole bitmap into dest (right and bottom exclusive) with HALFTONE, which averages
// the source pixels that meet in one destination pixel: photographs keep their detail when
// shrunk instead of losing whole rows and columns.
void StretchDrawBitmap(HDC dc, const Rect& dest, const Bitmap& picture);

}  // namespace scr
