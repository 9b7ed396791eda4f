// A whole package file as the readers meet it: trailer, settings, then the pictures by index
// (headers, and the pixels of small ones), the first item as the preview reads it, and the
// item names extraction would use.
#include <cstddef>
#include <cstdint>

#include "package/errors.h"
#include "package/items.h"
#include "package/jpeg.h"

namespace {

void ReadPictureAt(scr::Stream& file, int64_t offset) {
    if (offset < 0 || file.Seek(offset, scr::SeekOrigin::Begin) < 0) return;
    auto object = scr::LoadComponentStream(file);
    auto* image = dynamic_cast<scr::TImage*>(object.get());
    if (!image || !image->Picture.Graphic()) return;
    scr::TGraphic& g = *image->Picture.Graphic();
    // Decoding is bounded to small frames so a run stays fast; the size checks are tested apart.
    if (int64_t(g.Width()) * g.Height() <= 256 * 256) g.Pixels();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace scr;
    MemoryStream file = MemoryStream::View({data, size});
    try {
        LocateFirstItem(file);
        ReadPictureAt(file, file.Position());
    } catch (const Exception&) {
    } catch (const std::length_error&) {
    }
    TSSFileLocations settings;
    try {
        LocateSettingsFromField2(file);
        LocateSettingsFromTrailer(file);
        LoadComponentStream(file, settings);
    } catch (const Exception&) {
        return 0;
    }
    for (int i = 0; i < settings.PicCount() && i < 8; ++i) {
        try {
            ReadPictureAt(file, settings.PicOffset(i));
        } catch (const Exception&) {
        } catch (const std::length_error&) {
        }
    }
    try {
        for (int i = 0; i < settings.SndCount(); ++i) {
            IsSafeItemFileName(settings.SndFileName(i));
            settings.SndOffset(i);
            settings.SndSize(i);
        }
        for (int i = 0; i < settings.FlashCount(); ++i) {
            IsSafeItemFileName(settings.FlashFileName(i));
            settings.FlashSize(i);
        }
    } catch (const Exception&) {
    }
    return 0;
}
