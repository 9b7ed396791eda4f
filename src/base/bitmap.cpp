#include "base/bitmap.h"

#include <cstdio>
#include <cstring>
#include <memory>
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

void CopyBitmapRect(Bitmap& dst, int x, int y, const Bitmap& src, const Rect& src_rect) {
    Rect s = src_rect.intersected({0, 0, src.width(), src.height()});
    if (s.empty()) return;
    // Move the destination with the clipped source, then clip the destination.
    x += s.left - src_rect.left;
    y += s.top - src_rect.top;
    Rect d = Rect{x, y, x + s.width(), y + s.height()}.intersected({0, 0, dst.width(), dst.height()});
    if (d.empty()) return;
    const int sx = s.left + (d.left - x), sy = s.top + (d.top - y);
    const std::size_t bytes = std::size_t(d.width()) * 3;
    for (int row = 0; row < d.height(); ++row)
        std::memmove(dst.pixel(d.left, d.top + row), src.pixel(sx, sy + row), bytes);
}

void WriteBmp(const std::string& path, const Bitmap& bitmap) {
    const uint32_t w = uint32_t(bitmap.width()), h = uint32_t(bitmap.height());
    const uint32_t stride = uint32_t(Bitmap::stride_for(int(w)));
    const uint32_t image = stride * h, offset = 14 + 40;
    uint8_t header[14 + 40] = {};
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = uint8_t(v >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, offset + image);
    put32(10, offset);
    put32(14, 40);
    put32(18, w);
    put32(22, h);  // bottom-up rows, the form every reader takes
    header[26] = 1;
    header[28] = 24;
    put32(34, image);
    std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!f) throw std::runtime_error("cannot create " + path);
    bool ok = std::fwrite(header, 1, sizeof header, f.get()) == sizeof header;
    for (int y = int(h) - 1; ok && y >= 0; --y) ok = std::fwrite(bitmap.row(y), 1, stride, f.get()) == stride;
    if (!ok) throw std::runtime_error("cannot write " + path);
}

}  // namespace scr
