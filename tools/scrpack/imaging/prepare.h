// A picture file made ready for a saver: upright, no larger than the screen box, as a JPEG
// that the saver reads. A file that needs nothing is kept to the byte.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "formats.h"
#include "image.h"

namespace scr::imaging {

// The size a picture takes inside a box: its own when it fits, else scaled down to touch
// the box on one side, keeping its aspect ratio (the other side rounded to nearest, at least
// one pixel). Never larger than the picture.
Size FitInside(Size picture, Size box);

struct PrepareOptions {
    std::optional<Size> fit = Size{1920, 1080};  // nullopt: keep every picture's own size
    int quality = 92;                            // for the pictures that are encoded anew
};

enum class Preparation {
    Kept,         // the file's own bytes
    Transformed,  // turned upright without re-encoding (orientation tag reset)
    Encoded,      // decoded, turned, scaled and encoded anew
};

struct PreparedPicture {
    std::vector<uint8_t> jpeg;  // what goes into the saver
    Preparation how = Preparation::Kept;
    Format format = Format::Jpeg;  // of the file
    Size original;                 // as the file stores it
    Size size;                     // as it goes into the saver
    int orientation = 1;           // the EXIF orientation that was applied
};

// Prepares one picture file. PictureError when it cannot be read, in the decoding library's
// own words where it gave any.
PreparedPicture PreparePicture(std::vector<uint8_t> file, const PrepareOptions& options);

// When the picture was taken (EXIF DateTimeOriginal), as seconds since 1970 with the
// camera's clock taken as UTC; nullopt when the file does not say.
std::optional<int64_t> PictureTakenAt(std::span<const uint8_t> file);

}  // namespace scr::imaging
