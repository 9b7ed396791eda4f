// Pictures that no transition style can fake: every pixel differs from its neighbours and from
// the same place of a picture with another seed.
#pragma once

#include <cstdint>

#include "base/bitmap.h"

namespace scr::test {

inline Bitmap PatternBitmap(int w, int h, int seed) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.pixel(x, y);
            p[0] = uint8_t(x * 7 + seed);
            p[1] = uint8_t(y * 5 + seed * 3);
            p[2] = uint8_t((x ^ y) + seed * 11);
        }
    return b;
}

}  // namespace scr::test
