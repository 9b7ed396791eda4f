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
        h.size = ReadHeifSize(file);
        break;
    default:
        break;
    }
    CheckDeclaredSize(h.size.width, h.size.height);
    return h;
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
