// A 24-bit picture in memory: B, G, R bytes per pixel, rows top-down, each row padded to a
// multiple of 4 bytes like a top-down Windows DIB section, so the Win32 layer can
// wrap the same memory. Width, height and stride are kept apart; copies are explicit (clone()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "base/assert.h"
#include "base/geometry.h"

namespace scr {

class Bitmap {
public:
    static constexpr int kBytesPerPixel = 3;
    // Largest side accepted, and the largest pixel buffer: a picture past either is refused
    // before anything is allocated (the widest JPEG frame is 65500 pixels, but no screen needs
    // more than this, and a hostile header must not make us allocate gigabytes).
    static constexpr int kMaxSide = 32768;
    static constexpr std::size_t kMaxBytes = std::size_t(1) << 30;

    Bitmap() = default;
    // A width x height bitmap filled with zero bytes (black). Throws std::length_error when
    // either side is negative or above kMaxSide, or the buffer would exceed kMaxBytes.
    Bitmap(int width, int height);

    Bitmap(Bitmap&&) noexcept = default;
    Bitmap& operator=(Bitmap&&) noexcept = default;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    Bitmap clone() const;

    // The bytes of one row of a width x height bitmap (DIB rule: padded to 4 bytes).
    static std::size_t stride_for(int width) { return (std::size_t(width) * 3 + 3) & ~std::size_t(3); }
    // Whether a width x height bitmap may be allocated at all (see kMaxSide and kMaxBytes).
    static bool size_allowed(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    std::size_t stride() const { return stride_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    std::size_t size_bytes() const { return stride_ * std::size_t(height_); }

    uint8_t* data() { return data_.get(); }
    const uint8_t* data() const { return data_.get(); }

    uint8_t* row(int y) {
        SCR_ASSERT(y >= 0 && y < height_);
        return data_.get() + stride_ * std::size_t(y);
    }
    const uint8_t* row(int y) const {
        SCR_ASSERT(y >= 0 && y < height_);
        return data_.get() + stride_ * std::size_t(y);
    }
    uint8_t* pixel(int x, int y) {
        SCR_ASSERT(x >= 0 && x < width_);
        return row(y) + std::size_t(x) * 3;
    }
    const uint8_t* pixel(int x, int y) const {
        SCR_ASSERT(x >= 0 && x < width_);
        return row(y) + std::size_t(x) * 3;
    }

    // Fills every pixel with one colour given as 0x00BBGGRR (the Windows COLORREF layout).
    void fill(uint32_t colorref);
    // Pixel-for-pixel comparison; padding bytes are ignored.
    bool same_pixels(const Bitmap& other) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::size_t stride_ = 0;
    std::unique_ptr<uint8_t[]> data_;
};

// Copies src_rect of src to (x, y) of dst, one pixel for one; both sides are clipped.
void CopyBitmapRect(Bitmap& dst, int x, int y, const Bitmap& src, const Rect& src_rect);

// Writes a bitmap as an uncompressed 24-bit BMP file; throws std::runtime_error on failure.
void WriteBmp(const std::string& path, const Bitmap& bitmap);

}  // namespace scr
