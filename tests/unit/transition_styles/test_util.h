// Helpers shared by the transition tests: deterministic random sources and test pictures.
#pragma once

#include <random>

#include "base/bitmap.h"
#include "transition/frame.h"

namespace scr::test {

class SeededRandom final : public RandomSource {
public:
    explicit SeededRandom(unsigned seed) : engine_(seed) {}
    int next(int n) override { return n <= 0 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(engine_); }

private:
    std::mt19937 engine_;
};

// Always answers n - 1 (the largest value), counting how often it was asked.
class HighRandom final : public RandomSource {
public:
    int next(int n) override {
        ++calls;
        return n <= 0 ? 0 : n - 1;
    }
    int calls = 0;
};

// A picture whose every pixel differs from its neighbours and from the other picture's.
inline Bitmap Pattern(int w, int h, unsigned seed) {
    Bitmap b(w, h);
    std::mt19937 e(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x) b.row(y)[x] = uint8_t(e());
    return b;
}

}  // namespace scr::test
