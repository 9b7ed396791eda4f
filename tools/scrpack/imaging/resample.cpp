#include "resample.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdint>
#include <vector>

namespace scr::imaging {

Size OrientedSize(Size stored, int orientation) {
    return orientation >= 5 && orientation <= 8 ? Size{stored.height, stored.width} : stored;
}

Image Orient(Image src, int orientation) {
    if (orientation < 2 || orientation > 8) return src;
    const int w = src.width, h = src.height;
    const Size out_size = OrientedSize(src.size(), orientation);
    Image out(out_size.width, out_size.height);
    // For each upright pixel (x, y), the stored pixel it shows.
    for (int y = 0; y < out.height; ++y) {
        uint8_t* dst = out.row(y);
        for (int x = 0; x < out.width; ++x, dst += 3) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = h - 1 - x; break;
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;
            case 8: sx = w - 1 - y; sy = x; break;
            }
            const uint8_t* p = src.row(sy) + std::size_t(sx) * 3;
            dst[0] = p[0];
            dst[1] = p[1];
            dst[2] = p[2];
        }
    }
    return out;
}

namespace {

constexpr int kShift = 14;
constexpr int kOne = 1 << kShift;

double Lanczos3(double x) {
    x = std::fabs(x);
    if (x < 1e-9) return 1.0;
    if (x >= 3.0) return 0.0;
    const double px = std::numbers::pi * x;
    return 3.0 * std::sin(px) * std::sin(px / 3.0) / (px * px);
}

// The source span and fixed-point weights of every destination pixel along one axis.
struct Taps {
    std::vector<int> first;     // first source index
    std::vector<int> count;     // how many
    int stride = 0;             // weights per destination pixel
    std::vector<int16_t> weights;
};

Taps MakeTaps(int src, int dst) {
    Taps t;
    const double scale = double(dst) / src;
    const double widen = scale < 1.0 ? 1.0 / scale : 1.0;  // reduce: the filter spans more source
    const double support = 3.0 * widen;
    t.stride = int(std::ceil(support)) * 2 + 1;
    t.first.resize(std::size_t(dst));
    t.count.resize(std::size_t(dst));
    t.weights.assign(std::size_t(dst) * std::size_t(t.stride), 0);
    std::vector<double> w(std::size_t(t.stride));
    for (int i = 0; i < dst; ++i) {
        const double center = (i + 0.5) / scale - 0.5;
        int lo = int(std::ceil(center - support)), hi = int(std::floor(center + support));
        lo = std::max(lo, 0);
        hi = std::min(hi, src - 1);
        int n = std::min(hi - lo + 1, t.stride);
        double sum = 0;
        for (int k = 0; k < n; ++k) sum += w[std::size_t(k)] = Lanczos3((lo + k - center) / widen);
        if (sum == 0) {  // cannot happen with the centre inside the source, but stay defined
            w[0] = sum = 1;
            n = 1;
        }
        // Fixed point with the rounding error put on the largest weight, so each row sums to one.
        int total = 0, largest = 0;
        int16_t* out = &t.weights[std::size_t(i) * std::size_t(t.stride)];
        for (int k = 0; k < n; ++k) {
            out[k] = int16_t(std::lround(w[std::size_t(k)] / sum * kOne));
            total += out[k];
            if (out[k] > out[largest]) largest = k;
        }
        out[largest] = int16_t(out[largest] + kOne - total);
        t.first[std::size_t(i)] = lo;
        t.count[std::size_t(i)] = n;
    }
    return t;
}

uint8_t Clamp(int32_t acc) {
    const int32_t v = (acc + kOne / 2) >> kShift;
    return uint8_t(std::clamp(v, 0, 255));
}

}  // namespace

Image Resize(const Image& src, int width, int height) {
    if (width == src.width && height == src.height) return src;
    // Across first (each source row to the new width), then down.
    const Taps across = MakeTaps(src.width, width);
    Image wide(width, src.height);
    for (int y = 0; y < src.height; ++y) {
        const uint8_t* in = src.row(y);
        uint8_t* out = wide.row(y);
        for (int x = 0; x < width; ++x) {
            const int16_t* w = &across.weights[std::size_t(x) * std::size_t(across.stride)];
            const uint8_t* p = in + std::size_t(across.first[std::size_t(x)]) * 3;
            int32_t r = 0, g = 0, b = 0;
            for (int k = 0, n = across.count[std::size_t(x)]; k < n; ++k, p += 3) {
                r += w[k] * p[0];
                g += w[k] * p[1];
                b += w[k] * p[2];
            }
            out[3 * x] = Clamp(r);
            out[3 * x + 1] = Clamp(g);
            out[3 * x + 2] = Clamp(b);
        }
    }
    const Taps down = MakeTaps(src.height, height);
    Image out(width, height);
    const std::size_t row_bytes = std::size_t(width) * 3;
    std::vector<int32_t> acc(row_bytes);
    for (int y = 0; y < height; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        const int16_t* w = &down.weights[std::size_t(y) * std::size_t(down.stride)];
        for (int k = 0, n = down.count[std::size_t(y)]; k < n; ++k) {
            const uint8_t* in = wide.row(down.first[std::size_t(y)] + k);
            const int32_t weight = w[k];
            for (std::size_t i = 0; i < row_bytes; ++i) acc[i] += weight * in[i];
        }
        uint8_t* dst = out.row(y);
        for (std::size_t i = 0; i < row_bytes; ++i) dst[i] = Clamp(acc[i]);
    }
    return out;
}

}  // namespace scr::imaging
