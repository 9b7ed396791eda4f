#include "transition/bitmap.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace scr {

bool Bitmap::size_allowed(int width, int height) {
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) return false;
    return stride_for(width) * std::size_t(height) <= kMaxBytes;
}

Bitmap::Bitmap(int width, int height) {
    if (!size_allowed(width, height))
        throw std::length_error("Bitmap size " + std::to_string(width) + "x" + std::to_string(height) +
                                " is out of range");
    width_ = width;
    height_ = height;
    stride_ = stride_for(width);
    if (size_bytes() > 0) {
        data_ = std::make_unique<uint8_t[]>(size_bytes());  // value-initialised: black
    }
}

Bitmap Bitmap::clone() const {
    Bitmap copy(width_, height_);
    if (size_bytes() > 0) std::memcpy(copy.data_.get(), data_.get(), size_bytes());
    return copy;
}

void Bitmap::fill(uint32_t colorref) {
    if (empty()) return;
    const uint8_t b = uint8_t(colorref >> 16), g = uint8_t(colorref >> 8), r = uint8_t(colorref);
    uint8_t* first = row(0);
    for (int x = 0; x < width_; ++x) {
        first[x * 3] = b;
        first[x * 3 + 1] = g;
        first[x * 3 + 2] = r;
    }
    for (int y = 1; y < height_; ++y) std::memcpy(row(y), first, std::size_t(width_) * 3);
}

bool Bitmap::same_pixels(const Bitmap& other) const {
    if (width_ != other.width_ || height_ != other.height_) return false;
    for (int y = 0; y < height_; ++y)
        if (std::memcmp(row(y), other.row(y), std::size_t(width_) * 3) != 0) return false;
    return true;
}

}  // namespace scr
