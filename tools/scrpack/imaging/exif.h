// A bounded reader of EXIF data (the TIFF structure that cameras store beside the picture):
// the orientation and the time the picture was taken. Every offset in the data is checked
// against its size; whatever cannot be read is left out, and nothing is ever read outside
// the span given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace scr::imaging {

struct ExifData {
    int orientation = 1;              // 1 to 8; 1 when absent or not one of those
    std::string date_time_original;   // "YYYY:MM:DD HH:MM:SS" as stored; empty when absent
    // Where each orientation value (a 16-bit number) lies within the TIFF data, so that it can
    // be reset in place; the main picture's and the thumbnail's.
    std::vector<std::size_t> orientation_offsets;
    bool big_endian = false;
};

// Reads TIFF data from its byte-order mark on ("II*\0" or "MM\0*"); a leading "Exif\0\0"
// is skipped. Data that is not EXIF gives the defaults.
ExifData ParseExif(std::span<const uint8_t> tiff);

// Where the TIFF data of a JPEG's first EXIF segment lies in the JPEG (offset, length);
// nullopt when the JPEG has none before its first scan.
struct ByteRange {
    std::size_t offset = 0;
    std::size_t length = 0;
};
std::optional<ByteRange> FindJpegExif(std::span<const uint8_t> jpeg);

// The EXIF data of a JPEG (defaults when it has none).
ExifData ReadJpegExif(std::span<const uint8_t> jpeg);

// Sets every orientation value in a JPEG's EXIF segment to 1 ("upright as stored").
void ResetJpegOrientation(std::span<uint8_t> jpeg);

// "YYYY:MM:DD HH:MM:SS" as seconds since 1970-01-01 00:00:00, the clock time taken as UTC
// (cameras store no zone); nullopt when the text is not such a time.
std::optional<int64_t> ExifTimeToSeconds(std::string_view text);

}  // namespace scr::imaging
