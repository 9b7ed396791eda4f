// Format sniffing and header reading on arbitrary bytes (HEIF boxes included), then the
// whole preparation of pictures that declare a small size: the JPEG, PNG and WebP decoders,
// the orientation and the resizing, with their limits.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats.h"
#include "prepare.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace scr::imaging;
    const std::span<const uint8_t> file(data, size);
    SniffFormat(file);
    PictureTakenAt(file);
    try {
        const PictureHeader h = ReadPictureHeader(file);
        if (h.size.width < 1 || h.size.height < 1 || h.size.width > kMaxSide || h.size.height > kMaxSide)
            __builtin_trap();
        // HEIF decoding is the HEVC decoder's own business; the tool's part (the boxes, the
        // declared sizes) has run by now.
        if (h.format == Format::Heif || int64_t(h.size.width) * h.size.height > 256 * 256) return 0;
        const PreparedPicture p = PreparePicture(std::vector<uint8_t>(data, data + size), {Size{24, 24}, 80});
        if (p.size.width > 24 || p.size.height > 24 || p.jpeg.empty()) __builtin_trap();
    } catch (const PictureError&) {
    }
    return 0;
}
