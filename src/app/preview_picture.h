// The preview's picture from a package file: trailer field 1 leads to the first item of the
// appended data, which must be a picture item.
#pragma once

#include <optional>
#include <string>

#include "base/bitmap.h"

namespace scr {

// The decoded first picture; empty when the item's picture holds no graphic (or an empty
// one). Throws the reader's errors for a file without a readable first item, and
// "Invalid class typecast" when that item is a component of another class.
std::optional<Bitmap> ReadPreviewPicture(const std::string& package_path);

}  // namespace scr
