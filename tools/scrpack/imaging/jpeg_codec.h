// JPEG through libjpeg-turbo: headers, decoding at a reduced DCT scale, encoding, and the
// lossless transforms of TurboJPEG (where the build has it). Errors carry the library's own
// message.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image.h"

namespace scr::imaging {

struct JpegHeader {
    Size size;
    int components = 0;
};

// Parses the headers up to the first scan and checks the declared size.
JpegHeader ReadJpegHeader(std::span<const uint8_t> jpeg);

// The smallest scale eighths (1 to 8) at which libjpeg's reduced decode of a picture of
// `size` is still at least `target` on both sides.
int DctScaleFor(Size size, Size target);

// Decodes the whole picture to RGB at scale/8 of its size (grayscale expanded, CMYK
// converted). A file that ends before its data does is an error, not a grey patch.
Image DecodeJpeg(std::span<const uint8_t> jpeg, int scale_eighths = 8);

// Encodes RGB pixels: the given quality, 4:2:0 chroma subsampling, optimised Huffman tables,
// no metadata.
std::vector<uint8_t> EncodeJpeg(const Image& image, int quality);

// The picture turned upright without decoding it (the DCT blocks rearranged), for an EXIF
// orientation 2 to 8. nullopt when the picture's size does not allow a perfect transform
// (partial blocks at an edge that would move), when the data cannot be transformed, or when
// the build has no TurboJPEG. Markers are kept, so any orientation tag must be reset after.
std::optional<std::vector<uint8_t>> TransformJpeg(std::span<const uint8_t> jpeg, int orientation);

}  // namespace scr::imaging
