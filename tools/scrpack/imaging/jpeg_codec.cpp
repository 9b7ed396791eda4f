#include "jpeg_codec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
#include <jerror.h>
#ifdef SCR_HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

#include "formats.h"

namespace scr::imaging {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
// the setjmp of the calling function. Only libjpeg's C frames lie between, and all state
// that outlives the jump is in this heap object.
struct JpegErrors {
    jpeg_error_mgr mgr{};
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};

    void attach(jpeg_common_struct& c) {
        c.err = jpeg_std_error(&mgr);
        c.client_data = this;
        mgr.error_exit = [](j_common_ptr cinfo) {
            auto* self = static_cast<JpegErrors*>(cinfo->client_data);
            cinfo->err->format_message(cinfo, self->message);
            std::longjmp(self->jump, 1);
        };
        // Warnings pass, except a file that ends early: its picture would be half grey.
        mgr.emit_message = [](j_common_ptr cinfo, int level) {
            if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) cinfo->err->error_exit(cinfo);
        };
    }
};

struct Decoder {
    jpeg_decompress_struct cinfo{};
    JpegErrors errors;
    bool created = false;
    std::vector<uint8_t> row;
    Image image;

    ~Decoder() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
    // Up to the headers; the size is checked before any pixel memory exists.
    void start(std::span<const uint8_t> jpeg) {
        errors.attach(*reinterpret_cast<jpeg_common_struct*>(&cinfo));
        jpeg_create_decompress(&cinfo);
        created = true;
        // The decoder's own work memory (a progressive picture's coefficients) is capped too.
        cinfo.mem->max_memory_to_use = sizeof(void*) == 4 ? 384L * 1024 * 1024 : 1536L * 1024 * 1024;
        jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&cinfo, TRUE);
    }
};

struct Encoder {
    jpeg_compress_struct cinfo{};
    JpegErrors errors;
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;

    ~Encoder() {
        if (created) jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
};

void CheckInput(std::span<const uint8_t> jpeg) {
    // The memory source takes an unsigned long, 32 bits on Windows.
    if (jpeg.size() > 0xFFFFFFFFu) throw PictureError("the JPEG file is too large");
}

uint8_t Mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

}  // namespace

JpegHeader ReadJpegHeader(std::span<const uint8_t> jpeg) {
    CheckInput(jpeg);
    const auto d = std::make_unique<Decoder>();
    if (setjmp(d->errors.jump)) throw PictureError(d->errors.message);
    d->start(jpeg);
    JpegHeader h;
    h.size = {int(std::min<JDIMENSION>(d->cinfo.image_width, 1u << 30)),
              int(std::min<JDIMENSION>(d->cinfo.image_height, 1u << 30))};
    h.components = d->cinfo.num_components;
    CheckDeclaredSize(h.size.width, h.size.height);
    return h;
}

int DctScaleFor(Size size, Size target) {
    for (int m = 1; m < 8; ++m) {
        const int64_t w = (int64_t(size.width) * m + 7) / 8, h = (int64_t(size.height) * m + 7) / 8;
        if (w >= target.width && h >= target.height) return m;
    }
    return 8;
}

Image DecodeJpeg(std::span<const uint8_t> jpeg, int scale_eighths) {
    CheckInput(jpeg);
    const auto d = std::make_unique<Decoder>();
    if (setjmp(d->errors.jump)) throw PictureError(d->errors.message);
    d->start(jpeg);
    jpeg_decompress_struct& c = d->cinfo;
    CheckDeclaredSize(c.image_width, c.image_height);
    const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    c.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    c.scale_num = unsigned(std::clamp(scale_eighths, 1, 8));
    c.scale_denom = 8;
    c.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&c);
    d->image = Image(int(c.output_width), int(c.output_height));
    if (cmyk) d->row.resize(std::size_t(c.output_width) * 4);
    // Adobe writes CMYK inverted (0 is full ink); others store it straight.
    const bool inverted = c.saw_Adobe_marker;
    while (c.output_scanline < c.output_height) {
        uint8_t* dst = d->image.row(int(c.output_scanline));
        JSAMPROW target = cmyk ? d->row.data() : dst;
        if (jpeg_read_scanlines(&c, &target, 1) != 1) throw PictureError("the JPEG data ends early");
        if (cmyk) {
            const uint8_t* src = d->row.data();
            for (JDIMENSION x = 0; x < c.output_width; ++x, src += 4) {
                unsigned cc = src[0], m = src[1], yy = src[2], k = src[3];
                if (!inverted) cc = 255 - cc, m = 255 - m, yy = 255 - yy, k = 255 - k;
                dst[3 * x] = Mul255(cc, k);
                dst[3 * x + 1] = Mul255(m, k);
                dst[3 * x + 2] = Mul255(yy, k);
            }
        }
    }
    jpeg_finish_decompress(&c);
    return std::move(d->image);
}

std::vector<uint8_t> EncodeJpeg(const Image& image, int quality) {
    const auto e = std::make_unique<Encoder>();
    if (setjmp(e->errors.jump)) throw PictureError(std::string("JPEG encoder: ") + e->errors.message);
    e->errors.attach(*reinterpret_cast<jpeg_common_struct*>(&e->cinfo));
    jpeg_create_compress(&e->cinfo);
    e->created = true;
    jpeg_compress_struct& c = e->cinfo;
    jpeg_mem_dest(&c, &e->buffer, &e->size);
    c.image_width = JDIMENSION(image.width);
    c.image_height = JDIMENSION(image.height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);  // YCbCr with 2x2 luma sampling: 4:2:0
    jpeg_set_quality(&c, std::clamp(quality, 1, 100), TRUE);
    c.optimize_coding = TRUE;
    c.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(image.row(int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    return std::vector<uint8_t>(e->buffer, e->buffer + e->size);
}

std::optional<std::vector<uint8_t>> TransformJpeg(std::span<const uint8_t> jpeg, int orientation) {
#ifdef SCR_HAVE_TURBOJPEG
    static constexpr int kOps[] = {TJXOP_NONE, TJXOP_NONE, TJXOP_HFLIP, TJXOP_ROT180, TJXOP_VFLIP,
                                   TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};
    if (orientation < 2 || orientation > 8 || jpeg.size() > 0xFFFFFFFFu) return std::nullopt;
    tjhandle handle = tjInitTransform();
    if (!handle) return std::nullopt;
    tjtransform transform{};
    transform.op = kOps[orientation];
    transform.options = TJXOPT_PERFECT;
    unsigned char* out = nullptr;
    unsigned long out_size = 0;
    const int rc = tjTransform(handle, jpeg.data(), static_cast<unsigned long>(jpeg.size()), 1, &out, &out_size,
                               &transform, TJFLAG_STOPONWARNING);
    std::optional<std::vector<uint8_t>> result;
    if (rc == 0 && out) result.emplace(out, out + out_size);
    tjFree(out);
    tjDestroy(handle);
    return result;
#else
    (void)jpeg;
    (void)orientation;
    return std::nullopt;
#endif
}

}  // namespace scr::imaging
