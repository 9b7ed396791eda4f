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

// The luma sampling of a colour picture against its chroma: 4:2:0 halves the chroma both ways,
// 4:2:2 across, 4:4:0 down, 4:1:1 quarters it across, 4:4:4 keeps it whole.
enum class Chroma { k420, k422, k440, k411, k444 };

// A picture like a photograph: broad shapes, texture and a little grain, with colour changing
// from pixel to pixel, so that every decoding step (upsampling included) shows in the result.
struct SceneJpeg {
    int width = 64;
    int height = 48;
    JpegKind kind = JpegKind::Baseline;  // not Cmyk
    Chroma chroma = Chroma::k420;
    int quality = 90;
    unsigned seed = 1;
    int restart_rows = 0;  // a restart marker every this many MCU rows (0: none)
};
std::vector<uint8_t> MakeSceneJpeg(const SceneJpeg& scene);

}  // namespace scr::test
