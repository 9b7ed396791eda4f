// Pixel work on RGB pictures: the eight EXIF orientations, and resizing with a Lanczos-3
// filter.
#pragma once

#include "image.h"

namespace scr::imaging {

// The picture as it is meant to be seen, for an EXIF orientation (1: as stored; 2: mirrored
// left to right; 3: turned half round; 4: mirrored top to bottom; 5: mirrored about the
// top-left to bottom-right diagonal; 6: turned a quarter clockwise; 7: mirrored about the
// other diagonal; 8: turned a quarter anticlockwise). Values outside 1-8 count as 1.
Image Orient(Image image, int orientation);
// The upright size of a stored size under an orientation (5 to 8 swap the sides).
Size OrientedSize(Size stored, int orientation);

// Resizes to exactly width x height with a Lanczos-3 filter, widened when reducing so that
// every source pixel counts (separable, fixed-point, rounding to nearest).
Image Resize(const Image& image, int width, int height);

}  // namespace scr::imaging
