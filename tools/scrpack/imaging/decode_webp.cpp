// WebP pictures through libwebp, where the build has it.
#include "formats.h"

#ifdef SCR_HAVE_WEBP
#include <webp/decode.h>

#include <string>
#endif

namespace scr::imaging {

#ifdef SCR_HAVE_WEBP

namespace {

std::string StatusText(VP8StatusCode status) {
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY: return "out of memory";
    case VP8_STATUS_INVALID_PARAM: return "invalid parameter";
    case VP8_STATUS_BITSTREAM_ERROR: return "bitstream error";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "unsupported feature";
    case VP8_STATUS_SUSPENDED: return "suspended";
    case VP8_STATUS_USER_ABORT: return "user abort";
    case VP8_STATUS_NOT_ENOUGH_DATA: return "not enough data";
    default: return "error " + std::to_string(int(status));
    }
}

WebPBitstreamFeatures Features(std::span<const uint8_t> file) {
    WebPBitstreamFeatures f;
    const VP8StatusCode status = WebPGetFeatures(file.data(), file.size(), &f);
    if (status != VP8_STATUS_OK) throw PictureError("WebP: " + StatusText(status));
    return f;
}

}  // namespace

Size ReadWebpSize(std::span<const uint8_t> file) {
    const WebPBitstreamFeatures f = Features(file);
    return {f.width, f.height};
}

Image DecodeWebp(std::span<const uint8_t> file) {
    const WebPBitstreamFeatures f = Features(file);
    if (f.has_animation) throw PictureError("WebP: an animation, not a still picture");
    CheckDeclaredSize(f.width, f.height);
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) throw PictureError("WebP: library version mismatch");
    std::vector<uint8_t> rgba(std::size_t(f.width) * std::size_t(f.height) * 4);
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = rgba.data();
    config.output.u.RGBA.stride = f.width * 4;
    config.output.u.RGBA.size = rgba.size();
    const VP8StatusCode status = WebPDecode(file.data(), file.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) throw PictureError("WebP: " + StatusText(status));
    return FlattenOnBlack(rgba.data(), f.width, f.height, std::size_t(f.width) * 4);
}

#else

Size ReadWebpSize(std::span<const uint8_t>) { throw PictureError("this build of scrpack cannot read WebP pictures"); }
Image DecodeWebp(std::span<const uint8_t>) { throw PictureError("this build of scrpack cannot read WebP pictures"); }

#endif

}  // namespace scr::imaging
