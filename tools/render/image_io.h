// Reading PNG and JPEG pictures into 24-bit bitmaps and writing bitmaps as PNG files.
#pragma once

#include <stdexcept>
#include <string>

#include "base/bitmap.h"

namespace scr::render {

// Failures carry a message fit for the user ("cannot read x.png: ...").
struct ImageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads a PNG or JPEG file (told apart by their signatures); transparency is laid on black.
Bitmap ReadImage(const std::string& path);
void WritePng(const std::string& path, const Bitmap& bitmap);

}  // namespace scr::render
