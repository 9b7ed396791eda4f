#include "exif.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace scr::imaging {

namespace {

// Where the TIFF data starts: after a leading "Exif\0\0", else at once.
std::size_t TiffStart(std::span<const uint8_t> data) {
    static constexpr std::array<uint8_t, 6> kExifPrefix{'E', 'x', 'i', 'f', 0, 0};
    return data.size() >= 6 && std::equal(kExifPrefix.begin(), kExifPrefix.end(), data.begin()) ? 6 : 0;
}

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagExifIfd = 0x8769;
constexpr uint16_t kTagDateTimeOriginal = 0x9003;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
// More directories or entries than any camera writes mean a damaged or hostile block.
constexpr int kMaxDirectories = 4;
constexpr unsigned kMaxEntries = 512;
constexpr int kMaxResetPasses = 4;

class TiffReader {
public:
    TiffReader(std::span<const uint8_t> data, bool big_endian) : data_(data), big_(big_endian) {}

    bool has(std::size_t offset, std::size_t length) const {
        return offset <= data_.size() && length <= data_.size() - offset;
    }
    uint16_t u16(std::size_t at) const {
        const uint8_t* p = data_.data() + at;
        return big_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
    }
    uint32_t u32(std::size_t at) const {
        const uint8_t* p = data_.data() + at;
        return big_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                    : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    std::span<const uint8_t> bytes(std::size_t at, std::size_t length) const { return data_.subspan(at, length); }

private:
    std::span<const uint8_t> data_;
    bool big_;
};

// Reads one directory; returns the offset of the next one (0: none). Sub-directories found
// are queued in `pending`.
uint32_t ReadDirectory(const TiffReader& r, uint32_t at, bool main_chain, ExifData& out,
                       std::vector<uint32_t>& pending) {
    if (!r.has(at, 2)) return 0;
    const unsigned count = r.u16(at);
    if (count > kMaxEntries || !r.has(at + 2, std::size_t(count) * 12 + 4)) return 0;
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t e = at + 2 + std::size_t(i) * 12;
        const uint16_t tag = r.u16(e), type = r.u16(e + 2);
        const uint32_t n = r.u32(e + 4);
        if (main_chain && tag == kTagOrientation && type == kTypeShort && n >= 1) {
            const uint16_t v = r.u16(e + 8);
            if (out.orientation_offsets.empty() && v >= 1 && v <= 8) out.orientation = v;
            out.orientation_offsets.push_back(e + 8);
        } else if (main_chain && tag == kTagExifIfd && (type == kTypeLong || type == 13) && n == 1) {
            pending.push_back(r.u32(e + 8));
        } else if (tag == kTagDateTimeOriginal && type == kTypeAscii && n >= 19 && n <= 64 &&
                   out.date_time_original.empty()) {
            // Values longer than four bytes live at an offset.
            const uint32_t where = r.u32(e + 8);
            if (r.has(where, n)) {
                auto text = r.bytes(where, n);
                std::size_t len = 0;
                while (len < text.size() && text[len] != 0) ++len;
                out.date_time_original.assign(text.begin(), text.begin() + std::ptrdiff_t(len));
            }
        }
    }
    return main_chain ? r.u32(at + 2 + std::size_t(count) * 12) : 0;
}

}  // namespace

ExifData ParseExif(std::span<const uint8_t> tiff) {
    ExifData out;
    const std::size_t base = TiffStart(tiff);
    tiff = tiff.subspan(base);
    if (tiff.size() < 8) return out;
    if (tiff[0] == 'I' && tiff[1] == 'I' && tiff[2] == 42 && tiff[3] == 0) out.big_endian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M' && tiff[2] == 0 && tiff[3] == 42) out.big_endian = true;
    else return out;
    const TiffReader r(tiff, out.big_endian);

    // The main chain (the picture's directory, then the thumbnail's), then the EXIF
    // directory; each directory at most once, so offsets that loop end here.
    std::vector<uint32_t> visited, pending;
    uint32_t next = r.u32(4);
    for (int i = 0; i < kMaxDirectories && next != 0; ++i) {
        if (std::find(visited.begin(), visited.end(), next) != visited.end()) break;
        visited.push_back(next);
        next = ReadDirectory(r, next, true, out, pending);
    }
    for (uint32_t at : pending) {
        if (std::find(visited.begin(), visited.end(), at) != visited.end()) continue;
        visited.push_back(at);
        ReadDirectory(r, at, false, out, pending);
        if (visited.size() > std::size_t(kMaxDirectories) * 2) break;
    }
    // The offsets count from the start of the span given, prefix included, so that a caller
    // writes where the values are.
    for (std::size_t& at : out.orientation_offsets) at += base;
    return out;
}

std::optional<ByteRange> FindJpegExif(std::span<const uint8_t> jpeg) {
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return std::nullopt;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size()) {
        if (jpeg[at] != 0xFF) return std::nullopt;
        const uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        // The first scan or the end: no EXIF segment comes after the headers.
        if (marker == 0xDA || marker == 0xD9) return std::nullopt;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        const std::size_t length = std::size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (length < 2 || at + 2 + length > jpeg.size()) return std::nullopt;
        static constexpr uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && length >= 2 + 6 + 8 && std::equal(std::begin(kExif), std::end(kExif), jpeg.begin() + std::ptrdiff_t(at + 4)))
            return ByteRange{at + 10, length - 8};
        at += 2 + length;
    }
    return std::nullopt;
}

ExifData ReadJpegExif(std::span<const uint8_t> jpeg) {
    const auto range = FindJpegExif(jpeg);
    return range ? ParseExif(jpeg.subspan(range->offset, range->length)) : ExifData{};
}

void ResetJpegOrientation(std::span<uint8_t> jpeg) {
    const auto range = FindJpegExif(jpeg);
    if (!range) return;
    std::span<uint8_t> tiff = jpeg.subspan(range->offset, range->length);
    // Directories may overlap, so a value written can change what is read next (a count, a
    // chain pointer, another entry); read again until nothing is left to reset.
    for (int pass = 0; pass < kMaxResetPasses; ++pass) {
        const ExifData exif = ParseExif(tiff);
        const uint8_t one[2] = {uint8_t(exif.big_endian ? 0 : 1), uint8_t(exif.big_endian ? 1 : 0)};
        bool wrote = false;
        for (std::size_t at : exif.orientation_offsets) {
            if (tiff[at] == one[0] && tiff[at + 1] == one[1]) continue;
            tiff[at] = one[0];
            tiff[at + 1] = one[1];
            wrote = true;
        }
        if (!wrote && exif.orientation == 1) return;
    }
    // A block that still shows a turn after that is built to deceive: its byte-order mark is
    // cleared, so that no reader (ours or a viewer's) takes anything from it.
    const std::size_t mark = TiffStart(tiff);
    if (tiff.size() >= mark + 2) tiff[mark] = tiff[mark + 1] = 0;
}

std::optional<int64_t> ExifTimeToSeconds(std::string_view t) {
    // "YYYY:MM:DD HH:MM:SS"
    if (t.size() < 19) return std::nullopt;
    auto number = [&](std::size_t at, std::size_t digits) -> int {
        int v = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (t[i] < '0' || t[i] > '9') return -1;
            v = v * 10 + (t[i] - '0');
        }
        return v;
    };
    const int y = number(0, 4), mo = number(5, 2), d = number(8, 2), h = number(11, 2), mi = number(14, 2),
              s = number(17, 2);
    if (t[4] != ':' || t[7] != ':' || t[10] != ' ' || t[13] != ':' || t[16] != ':') return std::nullopt;
    if (y < 1 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 60)
        return std::nullopt;
    // Days from the civil date (proleptic Gregorian calendar).
    const int yy = y - (mo <= 2);
    const int era = yy / 400;
    const int yoe = yy - era * 400;
    const int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = int64_t(era) * 146097 + doe - 719468;
    return days * 86400 + h * 3600 + mi * 60 + s;
}

}  // namespace scr::imaging
