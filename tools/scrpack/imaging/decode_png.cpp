// PNG pictures through libpng, where the build has it.
#include "formats.h"

#ifdef SCR_HAVE_PNG
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>
#include <vector>
#endif

namespace scr::imaging {

#ifdef SCR_HAVE_PNG

namespace {

struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::span<const uint8_t> data;
    std::size_t at = 0;
    std::string message;
    // Four bytes a pixel. Owned here rather than by DecodePng's frame, which libpng's error
    // jump skips without running destructors.
    std::vector<uint8_t> rgba;

    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

}  // namespace

Image DecodePng(std::span<const uint8_t> file) {
    const auto r = std::make_unique<PngReader>();
    r->data = file;
    r->png = png_create_read_struct(
        PNG_LIBPNG_VER_STRING, r.get(),
        [](png_structp p, png_const_charp text) {
            static_cast<PngReader*>(png_get_error_ptr(p))->message = text;
            png_longjmp(p, 1);
        },
        [](png_structp, png_const_charp) {});
    if (!r->png) throw PictureError("PNG: out of memory");
    r->info = png_create_info_struct(r->png);
    if (!r->info) throw PictureError("PNG: out of memory");
    // libpng's error handler jumps back here; only its C frames lie between, and every
    // object that outlives the jump belongs to *r.
    if (setjmp(png_jmpbuf(r->png))) throw PictureError("PNG: " + r->message);
    png_set_read_fn(r->png, r.get(), [](png_structp p, png_bytep out, png_size_t n) {
        auto* self = static_cast<PngReader*>(png_get_io_ptr(p));
        if (n > self->data.size() - self->at) png_error(p, "the file ends early");
        std::memcpy(out, self->data.data() + self->at, n);
        self->at += n;
    });
    png_set_user_limits(r->png, kMaxSide, kMaxSide);
    png_read_info(r->png, r->info);
    const png_uint_32 w = png_get_image_width(r->png, r->info), h = png_get_image_height(r->png, r->info);
    CheckDeclaredSize(w, h);
    // Everything to 8-bit RGBA.
    png_set_expand(r->png);
    png_set_strip_16(r->png);
    png_set_gray_to_rgb(r->png);
    png_set_add_alpha(r->png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    if (png_get_rowbytes(r->png, r->info) != std::size_t(w) * 4) png_error(r->png, "unexpected row layout");
    r->rgba.resize(std::size_t(w) * h * 4);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < h; ++y) png_read_row(r->png, r->rgba.data() + std::size_t(y) * w * 4, nullptr);
    return FlattenOnBlack(r->rgba.data(), int(w), int(h), std::size_t(w) * 4);
}

#else

Image DecodePng(std::span<const uint8_t>) { throw PictureError("this build of scrpack cannot read PNG pictures"); }

#endif

}  // namespace scr::imaging
