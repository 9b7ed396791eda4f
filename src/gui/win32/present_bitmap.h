// Putting part of a 24-bit bitmap on a device context as 32-bit rows, a strip at a time.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/bitmap.h"
#include "base/geometry.h"

namespace scr {

// Writes `count` pixels of a 24-bit row (B, G, R) as 32-bit pixels (B, G, R, 0), with the
// fastest way this processor has.
void ExpandRow24To32(const uint8_t* src, uint32_t* dst, int count);
// The same one word at a time, on any processor.
void ExpandRow24To32Portable(const uint8_t* src, uint32_t* dst, int count);
// The same sixteen pixels at a time with SSSE3's byte shuffle; false (and nothing written) when
// the processor or the build has no SSSE3.
bool ExpandRow24To32Ssse3(const uint8_t* src, uint32_t* dst, int count);

// The bytes of 32-bit rows that one strip holds: small enough to stay in the cache between
// their conversion and GDI's copy of them.
inline constexpr std::size_t kPresentStripBytes = std::size_t(256) << 10;

// Shows the dest.width() x dest.height() part of image at (src_x, src_y) on dc at dest, as
// SetDIBitsToDevice from the 24-bit rows would. Displays, and Wine's window surfaces, keep 32
// bits per pixel, and a 32-bit DIB is GDI's fast path (a copy), while its conversion of 24-bit
// rows under Wine goes pixel by pixel, several times slower than ExpandRow24To32. The rows are
// converted here, in strips of at most strip_bytes (at least one row) through `strip`, which
// keeps its memory for the next call. The part must lie inside the image. False when GDI
// drew nothing.
bool PresentBitmap(HDC dc, const Rect& dest, const Bitmap& image, int src_x, int src_y, std::vector<uint32_t>& strip,
                   std::size_t strip_bytes = kPresentStripBytes);

}  // namespace scr
