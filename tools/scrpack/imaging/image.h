// The picture library of the package tool: what it reads (JPEG, and natively PNG, WebP and
// HEIC/HEIF), how it turns pictures upright and fits them to a screen, and the JPEG it writes.
// Every failure is a PictureError whose message says what is wrong with the picture, in the
// decoding library's own words where one reported it; callers add the file's name.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "base/errors.h"

namespace scr::imaging {

class PictureError : public Exception {
public:
    using Exception::Exception;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// The largest picture the tool decodes: each side and the pixel count, checked against the
// size a file declares before any pixel memory is allocated.
inline constexpr int kMaxSide = 30000;
inline constexpr int64_t kMaxPixels = 250'000'000;
// Throws PictureError when a declared size is empty or beyond the limits.
void CheckDeclaredSize(int64_t width, int64_t height);

// 8-bit RGB pixels, rows top-down without padding.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    Image() = default;
    Image(int w, int h) : width(w), height(h), rgb(std::size_t(w) * std::size_t(h) * 3) {}
    uint8_t* row(int y) { return rgb.data() + std::size_t(y) * std::size_t(width) * 3; }
    const uint8_t* row(int y) const { return rgb.data() + std::size_t(y) * std::size_t(width) * 3; }
    Size size() const { return {width, height}; }
};

// RGBA pixels (four bytes each, rows `stride` bytes apart) as RGB, with transparency
// flattened on black.
Image FlattenOnBlack(const uint8_t* rgba, int width, int height, std::size_t stride);

}  // namespace scr::imaging
