#include "package/jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "base/bytes.h"
#include "package/errors.h"

namespace scr {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return. It jumps back to
// the setjmp in the calling function; no object with a destructor lives in the skipped frames
// (they are libjpeg's own C frames), and all state that survives the jump lives on the heap.
struct Decompressor {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    std::jmp_buf jump;
    bool created = false;
    std::vector<uint8_t> row;
    Bitmap bitmap;

    Decompressor() {
        cinfo.err = jpeg_std_error(&err);
        err.error_exit = [](j_common_ptr c) {
            std::longjmp(reinterpret_cast<Decompressor*>(c->client_data)->jump, 1);
        };
        err.output_message = [](j_common_ptr) {};  // warnings are not reported anywhere
        cinfo.client_data = this;
    }
    ~Decompressor() {
        if (created) jpeg_destroy_decompress(&cinfo);
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    // The decoder's work memory is capped, so a hostile header fails instead of exhausting memory.
    void Start(std::span<const uint8_t> jpeg) {
        jpeg_create_decompress(&cinfo);
        created = true;
        cinfo.mem->max_memory_to_use = sizeof(void*) == 4 ? 384L * 1024 * 1024 : 1024L * 1024 * 1024;
        jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&cinfo, TRUE);
    }

    JpegInfo Info() {
        JpegInfo info;
        info.width = int(cinfo.image_width);
        info.height = int(cinfo.image_height);
        info.grayscale = cinfo.jpeg_color_space == JCS_GRAYSCALE;
        info.progressive = cinfo.progressive_mode || jpeg_has_multiple_scans(&cinfo);
        return info;
    }
};

void CheckInputSize(std::span<const uint8_t> jpeg) {
    // libjpeg's memory source takes an unsigned long, 32 bits on Windows.
    if (jpeg.size() > 0xFFFFFFFFu) throw EInvalidGraphic("JPEG data is too large");
}

uint8_t Mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

}  // namespace

JpegInfo ReadJpegInfo(std::span<const uint8_t> jpeg) {
    CheckInputSize(jpeg);
    const auto d = std::make_unique<Decompressor>();
    if (setjmp(d->jump)) throw EJPEG(msg::JpegError(d->err.msg_code));
    d->Start(jpeg);
    return d->Info();
}

Bitmap DecodeJpeg(std::span<const uint8_t> jpeg) {
    CheckInputSize(jpeg);
    const auto d = std::make_unique<Decompressor>();
    if (setjmp(d->jump)) throw EJPEG(msg::JpegError(d->err.msg_code));
    d->Start(jpeg);
    jpeg_decompress_struct& c = d->cinfo;
    if (!Bitmap::size_allowed(int(std::min<JDIMENSION>(c.image_width, 1u << 30)),
                              int(std::min<JDIMENSION>(c.image_height, 1u << 30))))
        throw EInvalidGraphic("JPEG image is too large (" + std::to_string(c.image_width) + "x" +
                              std::to_string(c.image_height) + ")");
    const bool gray = c.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    c.out_color_space = gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&c);
    d->bitmap = Bitmap(int(c.output_width), int(c.output_height));
    d->row.resize(std::size_t(c.output_width) * std::size_t(c.output_components));
    // Adobe writes CMYK inverted (0 is full ink); others store it straight.
    const bool inverted = c.saw_Adobe_marker;
    while (c.output_scanline < c.output_height) {
        const int y = int(c.output_scanline);
        uint8_t* dst = d->bitmap.row(y);
        JSAMPROW target = c.out_color_space == JCS_EXT_BGR ? dst : d->row.data();
        if (jpeg_read_scanlines(&c, &target, 1) != 1) break;
        const uint8_t* src = d->row.data();
        if (gray) {
            for (JDIMENSION x = 0; x < c.output_width; ++x) dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
        } else if (cmyk) {
            for (JDIMENSION x = 0; x < c.output_width; ++x, src += 4) {
                unsigned cc = src[0], m = src[1], yy = src[2], k = src[3];
                if (!inverted) cc = 255 - cc, m = 255 - m, yy = 255 - yy, k = 255 - k;
                dst[3 * x] = Mul255(yy, k);
                dst[3 * x + 1] = Mul255(m, k);
                dst[3 * x + 2] = Mul255(cc, k);
            }
        }
    }
    jpeg_finish_decompress(&c);
    return std::move(d->bitmap);
}

void TJPEGImage::ReadData(MemoryStream& data) {
    uint8_t b[4];
    data.ReadBuffer(b, 4);
    LoadFromBytes(data.ReadShared(int64_t(LoadLE32(b))));
}

void TJPEGImage::LoadFromBytes(SharedBytes bytes) {
    JpegInfo info;
    if (!bytes.empty()) info = ReadJpegInfo(bytes.span());
    data_ = std::move(bytes);
    info_ = info;
    pixels_ = Bitmap();
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
    auto copy = std::make_unique<TJPEGImage>();
    copy->data_ = data_;
    copy->info_ = info_;
    if (!pixels_.empty()) copy->pixels_ = pixels_.clone();
    return copy;
}

const Bitmap& TJPEGImage::Pixels() {
    if (pixels_.empty() && !data_.empty()) pixels_ = DecodeJpeg(data_.span());
    return pixels_;
}

}  // namespace scr
