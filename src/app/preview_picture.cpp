#include "app/preview_picture.h"

#include "package/errors.h"
#include "package/graphics.h"
#include "package/items.h"
#include "package/stream.h"

namespace scr {

std::optional<Bitmap> ReadPreviewPicture(const std::string& package_path) {
    FileStream stream = FileStream::OpenRead(package_path);
    LocateFirstItem(stream);
    // A package that starts with another registered class (the settings record) is not drawn.
    const std::unique_ptr<TImage> image = LoadImageComponent(stream);
    TGraphic* graphic = image->Picture.Graphic();
    if (graphic == nullptr || graphic->Empty()) return std::nullopt;
    return graphic->Pixels().clone();
}

}  // namespace scr
