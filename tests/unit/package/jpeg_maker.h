// Small JPEGs made with libjpeg's compressor, so no picture file is committed.
#pragma once

#include <cstdint>
#include <vector>

namespace scr::test {

enum class JpegKind { Baseline, Progressive, Grayscale, Cmyk };

// A width x height picture: red rises to the right, green downwards, blue is constant 64.
std::vector<uint8_t> MakeJpeg(int width, int height, JpegKind kind = JpegKind::Baseline, int quality = 95);

}  // namespace scr::test
