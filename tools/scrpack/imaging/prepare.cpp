#include "prepare.h"

#include <algorithm>

#include "exif.h"
#include "jpeg_codec.h"
#include "resample.h"

namespace scr::imaging {

Size FitInside(Size picture, Size box) {
    if (picture.width <= box.width && picture.height <= box.height) return picture;
    const int64_t w = picture.width, h = picture.height, bw = box.width, bh = box.height;
    // Wider than the box's shape: the width touches; else the height does.
    if (w * bh >= h * bw) return {int(bw), int(std::max<int64_t>(1, (2 * h * bw + w) / (2 * w)))};
    return {int(std::max<int64_t>(1, (2 * w * bh + h) / (2 * h))), int(bh)};
}

namespace {

ExifData ExifOf(Format format, std::span<const uint8_t> file) {
    switch (format) {
    case Format::Jpeg: return ReadJpegExif(file);
    case Format::Png: return ParseExif(FindPngExif(file));
    case Format::Webp: return ParseExif(FindWebpExif(file));
    case Format::Heif: return ParseExif(ReadHeifExif(file));
    default: return {};
    }
}

Image DecodeWhole(Format format, std::span<const uint8_t> file) {
    switch (format) {
    case Format::Png: return DecodePng(file);
    case Format::Webp: return DecodeWebp(file);
    case Format::Heif: return DecodeHeif(file);
    default: return DecodeJpeg(file);
    }
}

}  // namespace

PreparedPicture PreparePicture(std::vector<uint8_t> file, const PrepareOptions& options) {
    PreparedPicture p;
    const PictureHeader header = ReadPictureHeader(file);
    p.format = header.format;
    p.original = header.size;
    // HEIF files carry their own rotation, which the decoder applies; their EXIF orientation
    // only repeats it.
    p.orientation = p.format == Format::Heif ? 1 : ExifOf(p.format, file).orientation;
    const Size upright = OrientedSize(p.original, p.orientation);
    p.size = options.fit ? FitInside(upright, *options.fit) : upright;

    if (p.format == Format::Jpeg && p.size == upright) {
        if (p.orientation == 1) {
            // Kept as it is, once the whole of it has been read: a reduced decode still runs
            // through every byte of the data.
            DecodeJpeg(file, 1);
            p.jpeg = std::move(file);
            return p;
        }
        if (auto turned = TransformJpeg(file, p.orientation)) {
            p.jpeg = std::move(*turned);
            ResetJpegOrientation(p.jpeg);
            p.how = Preparation::Transformed;
            return p;
        }
    }

    // Scaled in the stored orientation, then turned: the same pixels for less work.
    const Size stored_target = OrientedSize(p.size, p.orientation);
    Image image = p.format == Format::Jpeg ? DecodeJpeg(file, DctScaleFor(p.original, stored_target))
                                           : DecodeWhole(p.format, file);
    file = {};
    image = Resize(image, stored_target.width, stored_target.height);
    image = Orient(std::move(image), p.orientation);
    p.jpeg = EncodeJpeg(image, options.quality);
    p.how = Preparation::Encoded;
    return p;
}

std::optional<int64_t> PictureTakenAt(std::span<const uint8_t> file) {
    const Format format = SniffFormat(file);
    if (!CanRead(format)) return std::nullopt;
    try {
        return ExifTimeToSeconds(ExifOf(format, file).date_time_original);
    } catch (const PictureError&) {
        return std::nullopt;
    }
}

}  // namespace scr::imaging
