// The JPEG graphic on arbitrary bytes: the picture payload as the reader hands it over, the
// header parse, and the decode of frames small enough for a fast run.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "package/errors.h"
#include "package/graphics.h"
#include "package/jpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace scr;
    try {
        const JpegInfo info = ReadJpegInfo({data, size});
        if (int64_t(info.width) * info.height <= 512 * 512) {
            const Bitmap b = DecodeJpeg({data, size});
            if (b.width() != info.width || b.height() != info.height) __builtin_trap();
        }
    } catch (const Exception&) {
    }
    // The same bytes wrapped as the "Data" payload of a picture.
    std::vector<uint8_t> payload = {10, 'T', 'J', 'P', 'E', 'G', 'I', 'm', 'a', 'g', 'e'};
    const uint32_t n = uint32_t(size);
    for (int i = 0; i < 4; ++i) payload.push_back(uint8_t(n >> (8 * i)));
    payload.insert(payload.end(), data, data + size);
    MemoryStream stream(std::move(payload));
    TPicture picture;
    try {
        picture.ReadBinary("Data", stream);
    } catch (const Exception&) {
    }
    return 0;
}
