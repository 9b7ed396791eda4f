// Small JPEGs made with libjpeg's compressor, so no picture file is committed. Shared by the
// package, package-tool, preview tests and the package benchmark.
#pragma once

#include <cstdint>
#include <vector>

namespace scr::test {

enum class JpegKind { Baseline, Progressive, Grayscale, Cmyk };

// A width x height picture: red rises to the right, green downwards, blue is constant 64.
std::vector<uint8_t> MakeJpeg(int width, int height, JpegKind kind = JpegKind::Baseline, int quality = 95);

// Encodes w x h pixels given as R, G, B bytes, rows top-down without padding.
std::vector<uint8_t> EncodeRgbJpeg(const std::vector<uint8_t>& rgb, int w, int h, int quality = 95);

}  // namespace scr::test
