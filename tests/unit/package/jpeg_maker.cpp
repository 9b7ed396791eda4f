#include "jpeg_maker.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace scr::test {

std::vector<uint8_t> MakeJpeg(int width, int height, JpegKind kind, int quality) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    jpeg_mem_dest(&c, &out, &out_size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    const bool gray = kind == JpegKind::Grayscale;
    const bool cmyk = kind == JpegKind::Cmyk;
    c.input_components = gray ? 1 : cmyk ? 4 : 3;
    c.in_color_space = gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (kind == JpegKind::Progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(std::size_t(width) * std::size_t(c.input_components));
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < width; ++x) {
            const uint8_t r = uint8_t(x * 255 / (width > 1 ? width - 1 : 1));
            const uint8_t g = uint8_t(y * 255 / (height > 1 ? height - 1 : 1));
            uint8_t* p = &row[std::size_t(x) * std::size_t(c.input_components)];
            if (gray) {
                p[0] = r;
            } else if (cmyk) {
                p[0] = uint8_t(255 - r), p[1] = uint8_t(255 - g), p[2] = 191, p[3] = 255;
            } else {
                p[0] = r, p[1] = g, p[2] = 64;
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> result(out, out + out_size);
    jpeg_destroy_compress(&c);
    std::free(out);
    return result;
}

}  // namespace scr::test
