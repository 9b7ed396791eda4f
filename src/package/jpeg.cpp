#include "package/jpeg.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
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
// (they are libjpeg's own C frames and DecodeArea, which keeps its buffers here), and all state
// that survives the jump lives on the heap.
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

    // A frame that could not be decoded whole is refused for a part too, so that every way of
    // drawing a picture agrees on which pictures exist.
    void CheckFrameSize() const {
        if (!Bitmap::size_allowed(int(std::min<JDIMENSION>(cinfo.image_width, 1u << 30)),
                                  int(std::min<JDIMENSION>(cinfo.image_height, 1u << 30))))
            throw EInvalidGraphic("JPEG image is too large (" + std::to_string(cinfo.image_width) + "x" +
                                  std::to_string(cinfo.image_height) + ")");
    }
};

void CheckInputSize(std::span<const uint8_t> jpeg) {
    // libjpeg's memory source takes an unsigned long, 32 bits on Windows.
    if (jpeg.size() > 0xFFFFFFFFu) throw EInvalidGraphic("JPEG data is too large");
}

uint8_t Mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

// A crop decodes one block-grid cell (iMCU) more on each side than wanted: the smooth chroma
// upsampling treats the edges of a crop as picture edges, so the outermost pixels of a crop can
// differ from a whole decode (measured: one column at each crop edge of 4:2:0 and 4:2:2
// pictures, and both columns of a crop one chroma sample wide). Skipped rows need no margin:
// libjpeg-turbo keeps the upsampler's context rows across a skip (the tests pin both).
// Decodes the rows and columns `area` (inside the picture) into target at (x, y) (room there).
// Runs between Start and the end of the decoder; may jump back to the caller's setjmp.
void DecodeArea(Decompressor& d, const Rect& area, Bitmap& target, int x, int y) {
    jpeg_decompress_struct& c = d.cinfo;
    const bool gray = c.jpeg_color_space == JCS_GRAYSCALE;
    const bool cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    c.out_color_space = gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&c);
    const int width = int(c.output_width), height = int(c.output_height);
    const int margin = DCTSIZE * c.max_h_samp_factor;
    JDIMENSION crop_x = JDIMENSION(std::max(area.left - margin, 0));
    JDIMENSION crop_width = JDIMENSION(std::min(area.right + margin, width)) - crop_x;
    if (int(crop_width) < width) jpeg_crop_scanline(&c, &crop_x, &crop_width);  // moves crop_x to the grid
    if (area.top > 0) jpeg_skip_scanlines(&c, JDIMENSION(area.top));
    // Whole rows of the output format go straight to the target.
    const bool direct = c.out_color_space == JCS_EXT_BGR && int(crop_x) == area.left && int(crop_width) == area.width();
    d.row.resize(std::size_t(crop_width) * std::size_t(c.output_components));
    const std::size_t offset = std::size_t(area.left - int(crop_x));
    // Adobe writes CMYK inverted (0 is full ink); others store it straight.
    const bool inverted = c.saw_Adobe_marker;
    while (int(c.output_scanline) < area.bottom) {
        const int sy = int(c.output_scanline);
        uint8_t* dst = target.pixel(x, y + sy - area.top);
        JSAMPROW into = direct ? dst : d.row.data();
        if (jpeg_read_scanlines(&c, &into, 1) != 1) break;
        if (direct) continue;
        const int n = area.width();
        if (gray) {
            const uint8_t* src = d.row.data() + offset;
            for (int i = 0; i < n; ++i) dst[3 * i] = dst[3 * i + 1] = dst[3 * i + 2] = src[i];
        } else if (cmyk) {
            const uint8_t* src = d.row.data() + offset * 4;
            for (int i = 0; i < n; ++i, src += 4) {
                unsigned cc = src[0], m = src[1], yy = src[2], k = src[3];
                if (!inverted) cc = 255 - cc, m = 255 - m, yy = 255 - yy, k = 255 - k;
                dst[3 * i] = Mul255(yy, k);
                dst[3 * i + 1] = Mul255(m, k);
                dst[3 * i + 2] = Mul255(cc, k);
            }
        } else {
            std::memcpy(dst, d.row.data() + offset * 3, std::size_t(n) * 3);
        }
    }
    // The rows below the area are never decoded.
    if (int(c.output_scanline) < height)
        jpeg_abort_decompress(&c);
    else
        jpeg_finish_decompress(&c);
}

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
    d->CheckFrameSize();
    d->bitmap = Bitmap(int(d->cinfo.image_width), int(d->cinfo.image_height));
    DecodeArea(*d, {0, 0, d->bitmap.width(), d->bitmap.height()}, d->bitmap, 0, 0);
    return std::move(d->bitmap);
}

void DecodeJpegArea(std::span<const uint8_t> jpeg, const Rect& area, Bitmap& target, int x, int y) {
    CheckInputSize(jpeg);
    const auto d = std::make_unique<Decompressor>();
    if (setjmp(d->jump)) throw EJPEG(msg::JpegError(d->err.msg_code));
    d->Start(jpeg);
    d->CheckFrameSize();
    // Clipped as CopyBitmapRect clips: the source to the picture, moving the destination with
    // it, then the destination to the target, moving the source with it.
    const Rect s = area.intersected({0, 0, int(d->cinfo.image_width), int(d->cinfo.image_height)});
    if (s.empty()) return;
    const int dx = x + s.left - area.left, dy = y + s.top - area.top;
    const Rect t = Rect{dx, dy, dx + s.width(), dy + s.height()}.intersected({0, 0, target.width(), target.height()});
    if (t.empty()) return;
    const int sx = s.left + (t.left - dx), sy = s.top + (t.top - dy);
    DecodeArea(*d, {sx, sy, sx + t.width(), sy + t.height()}, target, t.left, t.top);
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

void TJPEGImage::DrawRegion(Bitmap& target, int x, int y, const Rect& source) const {
    if (!pixels_.empty())
        CopyBitmapRect(target, x, y, pixels_, source);
    else if (!data_.empty())
        DecodeJpegArea(data_.span(), source, target, x, y);
}

}  // namespace scr
