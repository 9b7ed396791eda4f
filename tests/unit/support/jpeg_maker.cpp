#include "jpeg_maker.h"

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cmath>
#include <functional>

#include <jpeglib.h>

namespace scr::test {

namespace {

struct Options {
    int quality = 95;
    bool progressive = false;
    int h_samp = 0, v_samp = 0;  // luma sampling factors; 0 keeps the library's default
    int restart_rows = 0;
};

// Runs the compressor over rows that fill_row writes, one scan line at a time.
std::vector<uint8_t> Compress(int width, int height, int components, J_COLOR_SPACE space, const Options& o,
                              const std::function<void(int y, uint8_t* row)>& fill_row) {
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
    jpeg_set_quality(&c, o.quality, TRUE);
    if (o.h_samp > 0 && components == 3) {
        c.comp_info[0].h_samp_factor = o.h_samp;
        c.comp_info[0].v_samp_factor = o.v_samp;
    }
    c.restart_in_rows = o.restart_rows;
    if (o.progressive) jpeg_simple_progression(&c);
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
    return Compress(width, height, components, gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB,
                    {.quality = quality, .progressive = kind == JpegKind::Progressive}, [&](int y, uint8_t* row) {
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
    return Compress(w, h, 3, JCS_RGB, {.quality = quality}, [&](int y, uint8_t* row) {
        std::copy_n(rgb.begin() + std::ptrdiff_t(stride * std::size_t(y)), stride, row);
    });
}

std::vector<uint8_t> MakeSceneJpeg(const SceneJpeg& scene) {
    const bool gray = scene.kind == JpegKind::Grayscale;
    const int w = scene.width, h = scene.height;
    // Broad waves from per-column and per-row tables (cheap at 24 megapixels), their product
    // for texture, and hashed grain.
    std::vector<float> cx(std::size_t(w) * 3), cy(std::size_t(h) * 3);
    for (int x = 0; x < w; ++x)
        for (int k = 0; k < 3; ++k)
            cx[std::size_t(x) * 3 + k] = std::sin(float(x) * (0.004f + 0.05f * float(k)) + float(scene.seed + k));
    for (int y = 0; y < h; ++y)
        for (int k = 0; k < 3; ++k)
            cy[std::size_t(y) * 3 + k] = std::cos(float(y) * (0.003f + 0.04f * float(k)) + float(scene.seed * 3 + k));
    auto grain = [&](int x, int y) {
        uint32_t v = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^ scene.seed * 0xC2B2AE3Du;
        v ^= v >> 15;
        v *= 0x2C1B3C6Du;
        v ^= v >> 12;
        return int(v & 31) - 16;
    };
    const int h_samp[] = {2, 2, 1, 4, 1}, v_samp[] = {2, 1, 2, 1, 1};
    const int k = int(scene.chroma);
    const Options o{scene.quality, scene.kind == JpegKind::Progressive, h_samp[k], v_samp[k], scene.restart_rows};
    return Compress(w, h, gray ? 1 : 3, gray ? JCS_GRAYSCALE : JCS_RGB, o, [&](int y, uint8_t* row) {
        const float* b = &cy[std::size_t(y) * 3];
        for (int x = 0; x < w; ++x) {
            const float* a = &cx[std::size_t(x) * 3];
            const int n = grain(x, y), m = grain(x / 3 + 7, y / 3 + 11) * 3 / 2;  // fine grain, coarse detail
            const int r = 128 + int(70 * a[0] * b[0] + 30 * a[1] * b[2]) + n + m;
            const int g = 120 + int(60 * a[2] * b[1] + 40 * a[0] * b[2]) - n / 2 + m * 3 / 4;
            const int bl = 110 + int(80 * a[1] * b[0] + 25 * a[2] * b[2]) + (n ^ x) % 24 + m / 2;
            auto clamp = [](int v) { return uint8_t(std::clamp(v, 0, 255)); };
            if (gray) {
                row[x] = clamp((r * 3 + g * 6 + bl) / 10);
            } else {
                row[3 * x] = clamp(r), row[3 * x + 1] = clamp(g), row[3 * x + 2] = clamp(bl);
            }
        }
    });
}

}  // namespace scr::test
