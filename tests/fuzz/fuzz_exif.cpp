// The EXIF reader on arbitrary bytes: as a bare block, as the EXIF segment of a JPEG, and
// the in-place reset of the orientation, which must write only inside the block.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace scr::imaging;
    const ExifData e = ParseExif({data, size});
    if (e.orientation < 1 || e.orientation > 8) __builtin_trap();
    ExifTimeToSeconds(e.date_time_original);

    // The same bytes in the APP1 segment of a JPEG header, when they fit one.
    if (size > 0xFFFF - 8) return 0;
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xE1, uint8_t((size + 8) >> 8), uint8_t(size + 8),
                                 'E', 'x', 'i', 'f', 0, 0};
    jpeg.insert(jpeg.end(), data, data + size);
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    const std::vector<uint8_t> before = jpeg;
    ResetJpegOrientation(jpeg);
    if (ReadJpegExif(jpeg).orientation != 1) __builtin_trap();
    // Only the segment's data may change.
    for (std::size_t i = 0; i < 12; ++i)
        if (jpeg[i] != before[i]) __builtin_trap();
    return 0;
}
