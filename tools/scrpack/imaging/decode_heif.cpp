// HEIC/HEIF pictures through libheif, where the build has it.
#include "formats.h"

#ifdef SCR_HAVE_HEIF
#include <libheif/heif.h>

#include <memory>
#include <string>
#endif

namespace scr::imaging {

#ifdef SCR_HAVE_HEIF

namespace {

void Check(heif_error e) {
    if (e.code != heif_error_Ok) throw PictureError(std::string("HEIF: ") + (e.message ? e.message : "error"));
}

template <auto Release>
struct Releaser {
    template <typename T>
    void operator()(T* p) const { Release(p); }
};

// The file's primary picture, read from memory that outlives it. Each part is released by
// its own owner, so a constructor that throws halfway leaves nothing behind.
struct HeifFile {
    std::unique_ptr<heif_context, Releaser<heif_context_free>> context{heif_context_alloc()};
    std::unique_ptr<heif_image_handle, Releaser<heif_image_handle_release>> handle;
    std::unique_ptr<heif_image, Releaser<heif_image_release>> image;

    explicit HeifFile(std::span<const uint8_t> file) {
        if (!context) throw PictureError("HEIF: out of memory");
        heif_context_set_maximum_image_size_limit(context.get(), kMaxSide);
        Check(heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr));
        heif_image_handle* primary = nullptr;
        Check(heif_context_get_primary_image_handle(context.get(), &primary));
        handle.reset(primary);
    }

    // The size as shown: after the file's own rotation and mirroring.
    Size size() const { return {heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())}; }
};

}  // namespace

Size ReadHeifSize(std::span<const uint8_t> file) { return HeifFile(file).size(); }

Image DecodeHeif(std::span<const uint8_t> file) {
    HeifFile heif(file);
    const Size size = heif.size();
    CheckDeclaredSize(size.width, size.height);
    // libheif applies the file's rotation and mirroring while decoding.
    heif_image* decoded = nullptr;
    const heif_error e = heif_decode_image(heif.handle.get(), &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr);
    heif.image.reset(decoded);
    Check(e);
    const int w = heif_image_get_width(decoded, heif_channel_interleaved);
    const int h = heif_image_get_height(decoded, heif_channel_interleaved);
    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (!plane || w <= 0 || h <= 0 || stride < w * 4) throw PictureError("HEIF: the decoded picture has no pixels");
    CheckDeclaredSize(w, h);
    return FlattenOnBlack(plane, w, h, std::size_t(stride));
}

std::vector<uint8_t> ReadHeifExif(std::span<const uint8_t> file) {
    HeifFile heif(file);
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(heif.handle.get(), "Exif", &id, 1) < 1) return {};
    const std::size_t size = heif_image_handle_get_metadata_size(heif.handle.get(), id);
    if (size < 4 || size > file.size()) return {};
    std::vector<uint8_t> block(size);
    Check(heif_image_handle_get_metadata(heif.handle.get(), id, block.data()));
    // The block starts with the offset of the TIFF header after these four bytes.
    const uint32_t skip = uint32_t(block[0]) << 24 | uint32_t(block[1]) << 16 | uint32_t(block[2]) << 8 | block[3];
    if (skip > size - 4) return {};
    return std::vector<uint8_t>(block.begin() + 4 + std::ptrdiff_t(skip), block.end());
}

#else

Size ReadHeifSize(std::span<const uint8_t>) { throw PictureError("this build of scrpack cannot read HEIC/HEIF pictures"); }
Image DecodeHeif(std::span<const uint8_t>) { throw PictureError("this build of scrpack cannot read HEIC/HEIF pictures"); }
std::vector<uint8_t> ReadHeifExif(std::span<const uint8_t>) { return {}; }

#endif

}  // namespace scr::imaging
