// Picture formats: recognised by their content, never by the file name.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "image.h"

namespace scr::imaging {

enum class Format { Unknown, Jpeg, Png, Webp, Heif, Gif, Bmp, Tiff };

// The format the bytes start like.
Format SniffFormat(std::span<const uint8_t> file);
std::string_view FormatName(Format format);  // "JPEG", "PNG", "WebP", "HEIC/HEIF", ...
// Whether this build of the tool reads the format (JPEG always; PNG, WebP and HEIC/HEIF
// where their libraries were found when it was built).
bool CanRead(Format format);

// What a file declares about itself before its pixels are decoded.
struct PictureHeader {
    Format format = Format::Unknown;
    Size size;  // as stored, before any orientation is applied
};
// Reads the header of a picture the tool can read and checks its declared size against the
// limits (CheckDeclaredSize). PictureError for anything else, naming the format when it is
// one the tool knows but this build cannot read.
PictureHeader ReadPictureHeader(std::span<const uint8_t> file);

// The largest canvas of the pictures in a HEIF file that are put together from others (a
// grid of tiles, or an overlay), read from the file's own boxes: the size a decoder
// allocates, which the file's header need not state truthfully. nullopt when the file has
// none, or where the boxes cannot be read.
std::optional<Size> HeifDerivedCanvas(std::span<const uint8_t> file);

// The size a WebP or HEIF file declares (PictureError when it cannot be read).
Size ReadWebpSize(std::span<const uint8_t> file);
Size ReadHeifSize(std::span<const uint8_t> file);

// Decodes a whole non-JPEG picture to RGB, transparency flattened on black, with any
// orientation its own format prescribes already applied (HEIF's). The declared size is
// checked before decoding.
Image DecodePng(std::span<const uint8_t> file);
Image DecodeWebp(std::span<const uint8_t> file);
Image DecodeHeif(std::span<const uint8_t> file);

// The EXIF data a PNG, WebP or HEIF file carries (its TIFF block); empty when none.
std::span<const uint8_t> FindPngExif(std::span<const uint8_t> file);
std::span<const uint8_t> FindWebpExif(std::span<const uint8_t> file);
std::vector<uint8_t> ReadHeifExif(std::span<const uint8_t> file);

}  // namespace scr::imaging
