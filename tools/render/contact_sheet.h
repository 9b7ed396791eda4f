// Frames of single styles and the contact sheet of all of them, drawn with the engine itself.
#pragma once

#include <cstdint>

#include "base/bitmap.h"
#include "transition/frame.h"

namespace scr::render {

// ScreenBitmap after BuildFrame of one frame: old and new pictures of equal size.
Bitmap RenderFrame(const Bitmap& old_picture, const Bitmap& new_picture, int style, int progress, int step,
                   RandomSource& random);

struct SheetOptions {
    int progress = 50;
    int step = 4;
    uint32_t seed = 1;
    int columns = 16;
    int thumb_width = 160;
};
// Styles 1..127 at one progress, scaled down into a grid, each under its style number. Every
// style draws its random numbers from a source of its own seeded with options.seed.
Bitmap ContactSheet(const Bitmap& old_picture, const Bitmap& new_picture, const SheetOptions& options);

// Draws the decimal number with a built-in 3 x 5 pixel font enlarged `scale` times, with its
// top-left corner at (x, y); returns the width drawn.
int DrawNumber(Bitmap& target, int x, int y, int number, int scale, uint32_t colorref);

}  // namespace scr::render
