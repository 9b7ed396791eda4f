#include "formats.h"

#include <algorithm>
#include <string>

#include "jpeg_codec.h"

namespace scr::imaging {

namespace {

bool StartsWith(std::span<const uint8_t> b, std::size_t at, std::string_view text) {
    return b.size() >= at + text.size() && std::equal(text.begin(), text.end(), b.begin() + std::ptrdiff_t(at),
                                                      [](char c, uint8_t u) { return uint8_t(c) == u; });
}

uint32_t Be32(std::span<const uint8_t> b, std::size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

uint32_t Le32(std::span<const uint8_t> b, std::size_t at) {
    return uint32_t(b[at + 3]) << 24 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 1]) << 8 | b[at];
}

// An ISO base media file whose brands name a HEIF picture ("ftyp" box first).
bool IsHeif(std::span<const uint8_t> b) {
    if (b.size() < 16 || !StartsWith(b, 4, "ftyp")) return false;
    const std::size_t box = std::min<std::size_t>(Be32(b, 0), b.size());
    static constexpr std::string_view kBrands[] = {"heic", "heix", "hevc", "hevx", "heim", "heis",
                                                   "mif1", "msf1", "avif", "avis"};
    // The major brand at 8, then compatible brands from 16 to the box's end.
    for (std::size_t at = 8; at + 4 <= box; at += at == 8 ? 8 : 4)
        for (std::string_view brand : kBrands)
            if (StartsWith(b, at, brand)) return true;
    return false;
}

}  // namespace

void CheckDeclaredSize(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0)
        throw PictureError("the picture declares an empty size (" + std::to_string(width) + "x" +
                           std::to_string(height) + ")");
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels)
        throw PictureError("the picture declares " + std::to_string(width) + "x" + std::to_string(height) +
                           " pixels, more than scrpack takes (" + std::to_string(kMaxSide) + " on a side, " +
                           std::to_string(kMaxPixels / 1'000'000) + " megapixels)");
}

Image FlattenOnBlack(const uint8_t* rgba, int width, int height, std::size_t stride) {
    Image out(width, height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = rgba + std::size_t(y) * stride;
        uint8_t* d = out.row(y);
        for (int x = 0; x < width; ++x, s += 4, d += 3) {
            const unsigned a = s[3];
            d[0] = uint8_t((s[0] * a + 127) / 255);
            d[1] = uint8_t((s[1] * a + 127) / 255);
            d[2] = uint8_t((s[2] * a + 127) / 255);
        }
    }
    return out;
}

Format SniffFormat(std::span<const uint8_t> b) {
    if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return Format::Jpeg;
    if (StartsWith(b, 0, "\x89PNG\r\n\x1A\n")) return Format::Png;
    if (StartsWith(b, 0, "RIFF") && StartsWith(b, 8, "WEBP")) return Format::Webp;
    if (IsHeif(b)) return Format::Heif;
    if (StartsWith(b, 0, "GIF87a") || StartsWith(b, 0, "GIF89a")) return Format::Gif;
    if (StartsWith(b, 0, "BM") && b.size() >= 14) return Format::Bmp;
    if (StartsWith(b, 0, "II*") || StartsWith(b, 0, "MM")) {
        if (b.size() >= 4 && ((b[0] == 'I' && b[3] == 0) || (b[0] == 'M' && b[2] == 0 && b[3] == 42))) return Format::Tiff;
    }
    return Format::Unknown;
}

std::string_view FormatName(Format f) {
    switch (f) {
    case Format::Jpeg: return "JPEG";
    case Format::Png: return "PNG";
    case Format::Webp: return "WebP";
    case Format::Heif: return "HEIC/HEIF";
    case Format::Gif: return "GIF";
    case Format::Bmp: return "BMP";
    case Format::Tiff: return "TIFF";
    case Format::Unknown: break;
    }
    return "unknown";
}

bool CanRead(Format f) {
    switch (f) {
    case Format::Jpeg: return true;
#ifdef SCR_HAVE_PNG
    case Format::Png: return true;
#endif
#ifdef SCR_HAVE_WEBP
    case Format::Webp: return true;
#endif
#ifdef SCR_HAVE_HEIF
    case Format::Heif: return true;
#endif
    default: return false;
    }
}

namespace {

std::string ReadableFormats() {
    std::string list;
    for (Format f : {Format::Jpeg, Format::Png, Format::Webp, Format::Heif})
        if (CanRead(f)) list += (list.empty() ? "" : ", ") + std::string(FormatName(f));
    return list;
}

}  // namespace

PictureHeader ReadPictureHeader(std::span<const uint8_t> file) {
    PictureHeader h;
    h.format = SniffFormat(file);
    if (h.format == Format::Unknown)
        throw PictureError("not a picture in a format scrpack knows (it reads " + ReadableFormats() + ")");
    if (!CanRead(h.format))
        throw PictureError("a " + std::string(FormatName(h.format)) + " picture, which this build of scrpack cannot read (it reads " +
                           ReadableFormats() + "); convert it to JPEG first");
    switch (h.format) {
    case Format::Jpeg:
        h.size = ReadJpegHeader(file).size;
        break;
    case Format::Png:
        // The signature, then the IHDR chunk: length 13, "IHDR", width, height.
        if (file.size() < 8 + 8 + 13 || !StartsWith(file, 12, "IHDR") || Be32(file, 8) != 13)
            throw PictureError("PNG: the header chunk is missing or damaged");
        h.size = {int(std::min<uint32_t>(Be32(file, 16), 1u << 30)), int(std::min<uint32_t>(Be32(file, 20), 1u << 30))};
        break;
    case Format::Webp:
        h.size = ReadWebpSize(file);
        break;
    case Format::Heif:
        // A tiled picture's canvas first: the decoder allocates it, whatever the header says.
        if (const auto canvas = HeifDerivedCanvas(file)) CheckDeclaredSize(canvas->width, canvas->height);
        h.size = ReadHeifSize(file);
        break;
    default:
        break;
    }
    CheckDeclaredSize(h.size.width, h.size.height);
    return h;
}

namespace {

// A bounded reader of ISO base media boxes, enough to find a HEIF file's primary item and
// its data. Every length is checked against the box that holds it.
class BoxReader {
public:
    explicit BoxReader(std::span<const uint8_t> b) : b_(b) {}

    struct Box {
        std::size_t start = 0;  // first payload byte
        std::size_t end = 0;    // one past the last
        std::string_view type;
    };

    // The box at `at` inside [at, end), or nullopt when it does not fit.
    std::optional<Box> box(std::size_t at, std::size_t end) const {
        if (end > b_.size() || at > end || end - at < 8) return std::nullopt;
        uint64_t size = Be32(b_, at);
        std::size_t header = 8;
        if (size == 1) {
            if (end - at < 16) return std::nullopt;
            size = uint64_t(Be32(b_, at + 8)) << 32 | Be32(b_, at + 12);
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header || size > end - at) return std::nullopt;
        return Box{at + header, at + std::size_t(size),
                   std::string_view(reinterpret_cast<const char*>(b_.data() + at + 4), 4)};
    }
    std::optional<Box> find(std::size_t at, std::size_t end, std::string_view type) const {
        for (int guard = 0; guard < 10000; ++guard) {
            const auto b = box(at, end);
            if (!b) return std::nullopt;
            if (b->type == type) return b;
            at = b->end;
        }
        return std::nullopt;
    }
    // An unsigned number of n bytes (0, 1, 2, 4 or 8) at `at`, inside [.., end).
    std::optional<uint64_t> number(std::size_t& at, std::size_t end, unsigned n) const {
        if (end > b_.size() || at > end || end - at < n) return std::nullopt;
        uint64_t v = 0;
        for (unsigned i = 0; i < n; ++i) v = v << 8 | b_[at + i];
        at += n;
        return v;
    }

private:
    std::span<const uint8_t> b_;
};

}  // namespace

namespace {

// The canvas size stored in a grid's or an overlay's data. grid: version, flags, rows - 1,
// columns - 1, then the size; iovl: version, flags, four 16-bit fill values, then the size.
// Flag 1: 32-bit sizes.
std::optional<Size> CanvasOf(const BoxReader& r, bool grid, std::size_t at, std::size_t end) {
    at += 1;
    const auto flags = r.number(at, end, 1);
    if (!flags) return std::nullopt;
    at += grid ? 2 : 8;
    const unsigned n = (*flags & 1) ? 4 : 2;
    const auto w = r.number(at, end, n), h = r.number(at, end, n);
    if (!w || !h) return std::nullopt;
    return Size{int(std::min<uint64_t>(*w, 1u << 30)), int(std::min<uint64_t>(*h, 1u << 30))};
}

}  // namespace

std::optional<Size> HeifDerivedCanvas(std::span<const uint8_t> file) {
    const BoxReader r(file);
    const auto meta = r.find(0, file.size(), "meta");
    if (!meta) return std::nullopt;
    const std::size_t children = meta->start + 4;  // after the full box's version and flags
    const auto iinf = r.find(children, meta->end, "iinf");
    const auto iloc = r.find(children, meta->end, "iloc");
    if (!iinf || !iloc) return std::nullopt;

    // Every grid and overlay item, whichever the file calls its primary one: a decoder may
    // read a damaged file differently.
    std::vector<std::pair<uint64_t, bool>> derived;  // item ID, whether a grid
    std::size_t at = iinf->start;
    const auto iinf_version = r.number(at, iinf->end, 1);
    if (!iinf_version) return std::nullopt;
    at += 3 + (*iinf_version == 0 ? 2 : 4);
    for (int guard = 0; guard < 100000; ++guard) {
        const auto infe = r.box(at, iinf->end);
        if (!infe) break;
        at = infe->end;
        std::size_t p = infe->start;
        const auto v = r.number(p, infe->end, 1);
        if (infe->type != "infe" || !v || *v < 2) continue;
        p += 3;
        const auto id = r.number(p, infe->end, *v == 2 ? 2 : 4);
        if (!id || !r.number(p, infe->end, 2) || infe->end - p < 4) continue;
        const std::string_view type(reinterpret_cast<const char*>(file.data() + p), 4);
        if (type == "grid" || type == "iovl") derived.emplace_back(*id, type == "grid");
    }
    if (derived.empty()) return std::nullopt;
    const auto idat = r.find(children, meta->end, "idat");

    // Their data: the first extent of each one's location entry.
    at = iloc->start;
    const auto v = r.number(at, iloc->end, 1);
    at += 3;
    const auto sizes = r.number(at, iloc->end, 1), sizes2 = r.number(at, iloc->end, 1);
    if (!v || !sizes || !sizes2 || *v > 2) return std::nullopt;
    const unsigned offset_size = unsigned(*sizes >> 4), length_size = unsigned(*sizes & 15);
    const unsigned base_size = unsigned(*sizes2 >> 4), index_size = *v >= 1 ? unsigned(*sizes2 & 15) : 0;
    for (unsigned n : {offset_size, length_size, base_size, index_size})
        if (n != 0 && n != 4 && n != 8) return std::nullopt;
    const auto count = r.number(at, iloc->end, *v < 2 ? 2 : 4);
    if (!count) return std::nullopt;
    std::optional<Size> largest;
    for (uint64_t i = 0; i < *count; ++i) {
        const auto id = r.number(at, iloc->end, *v < 2 ? 2 : 4);
        const auto method = *v >= 1 ? r.number(at, iloc->end, 2) : std::optional<uint64_t>(0);
        const auto reference = r.number(at, iloc->end, 2);
        const auto base = r.number(at, iloc->end, base_size);
        const auto extents = r.number(at, iloc->end, 2);
        if (!id || !method || !reference || !base || !extents) break;
        std::optional<uint64_t> offset, length;
        for (uint64_t e = 0; e < *extents; ++e) {
            const auto index = r.number(at, iloc->end, index_size);
            const auto o = r.number(at, iloc->end, offset_size);
            const auto l = r.number(at, iloc->end, length_size);
            if (!index || !o || !l) return largest;
            if (e == 0) offset = o, length = l;
        }
        const auto item = std::find_if(derived.begin(), derived.end(), [&](const auto& d) { return d.first == *id; });
        if (item == derived.end() || !offset || *offset > UINT64_MAX - *base) continue;
        std::size_t start = 0, end = file.size();
        if ((*method & 15) == 1 && idat) {
            // From the item-data box on; a decoder may read on past its end, so the file's
            // end is what bounds it.
            start = idat->start;
        } else if ((*method & 15) != 0) {
            continue;
        }
        const uint64_t where = *base + *offset;
        if (where > end - start) continue;
        const std::size_t data = start + std::size_t(where);
        if (*length != 0 && *length < end - data) end = data + std::size_t(*length);
        const auto canvas = CanvasOf(r, item->second, data, end);
        if (canvas && (!largest || int64_t(canvas->width) * canvas->height > int64_t(largest->width) * largest->height))
            largest = canvas;
    }
    return largest;
}

std::span<const uint8_t> FindPngExif(std::span<const uint8_t> file) {
    // Chunks after the signature: length, type, data, CRC.
    std::size_t at = 8;
    while (at + 12 <= file.size()) {
        const uint32_t length = Be32(file, at);
        if (length > file.size() - at - 12) break;
        if (StartsWith(file, at + 4, "eXIf")) return file.subspan(at + 8, length);
        if (StartsWith(file, at + 4, "IDAT") || StartsWith(file, at + 4, "IEND")) break;
        at += 12 + std::size_t(length);
    }
    return {};
}

std::span<const uint8_t> FindWebpExif(std::span<const uint8_t> file) {
    // RIFF header (12 bytes), then chunks: fourcc, little-endian size, data padded to even.
    std::size_t at = 12;
    while (at + 8 <= file.size()) {
        const uint32_t length = Le32(file, at + 4);
        if (length > file.size() - at - 8) break;
        if (StartsWith(file, at, "EXIF")) return file.subspan(at + 8, length);
        at += 8 + std::size_t(length) + (length & 1);
    }
    return {};
}

}  // namespace scr::imaging
