#include "jpeg_maker.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <functional>

#include <jpeglib.h>

namespace scr::test {

namespace {

// Runs the compressor over rows that fill_row writes, one scan line at a time.
std::vector<uint8_t> Compress(int width, int height, int components, J_COLOR_SPACE space, int quality,
                              bool progressive, const std::function<void(int y, uint8_t* row)>& fill_row) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&c, &out, &out_size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(std::size_t(width) * std::size_t(components));
    while (c.next_scanline < c.image_height) {
        fill_row(int(c.next_scanline), row.data());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> result(out, out + out_size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return result;
}

}  // namespace

std::vector<uint8_t> MakeJpeg(int width, int height, JpegKind kind, int quality) {
    const bool gray = kind == JpegKind::Grayscale;
    const bool cmyk = kind == JpegKind::Cmyk;
    const int components = gray ? 1 : cmyk ? 4 : 3;
    return Compress(width, height, components, gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB, quality,
                    kind == JpegKind::Progressive, [&](int y, uint8_t* row) {
                        for (int x = 0; x < width; ++x) {
                            const uint8_t r = uint8_t(x * 255 / (width > 1 ? width - 1 : 1));
                            const uint8_t g = uint8_t(y * 255 / (height > 1 ? height - 1 : 1));
                            uint8_t* p = row + std::size_t(x) * std::size_t(components);
                            if (gray) {
                                p[0] = r;
                            } else if (cmyk) {
                                p[0] = uint8_t(255 - r), p[1] = uint8_t(255 - g), p[2] = 191, p[3] = 255;
                            } else {
                                p[0] = r, p[1] = g, p[2] = 64;
                            }
                        }
                    });
}

std::vector<uint8_t> EncodeRgbJpeg(const std::vector<uint8_t>& rgb, int w, int h, int quality) {
    const std::size_t stride = std::size_t(w) * 3;
    return Compress(w, h, 3, JCS_RGB, quality, false, [&](int y, uint8_t* row) {
        std::copy_n(rgb.begin() + std::ptrdiff_t(stride * std::size_t(y)), stride, row);
    });
}

}  // namespace scr::test
