// The JPEG graphic on libjpeg: headers are parsed when the item is read; pixels are decoded
// only on first draw, until then the graphic holds just the compressed bytes.
#pragma once

#include <cstdint>
#include <span>

#include "package/graphics.h"
#include "package/stream.h"
#include "base/bitmap.h"

namespace scr {

struct JpegInfo {
    int width = 0;
    int height = 0;
    bool grayscale = false;
    bool progressive = false;  // progressive mode, or more than one scan
};

// Parses the headers up to the first scan. EJPEG "JPEG error #%d" when they cannot be parsed.
JpegInfo ReadJpegInfo(std::span<const uint8_t> jpeg);
// Decodes a whole JPEG into a 24-bit bitmap (grayscale expanded, CMYK converted). EJPEG on a
// decoder error; EInvalidGraphic when the frame is too large to allocate.
Bitmap DecodeJpeg(std::span<const uint8_t> jpeg);
// Decodes the part `area` of a JPEG into target at (x, y), the pixels DecodeJpeg gives there;
// area is clipped to the picture and the target rectangle to the target, as CopyBitmapRect
// clips. The same errors as DecodeJpeg, the size check included.
void DecodeJpegArea(std::span<const uint8_t> jpeg, const Rect& area, Bitmap& target, int x, int y);

class TJPEGImage : public TGraphic {
public:
    static constexpr std::string_view kClassName = "TJPEGImage";
    std::string_view ClassName() const override { return kClassName; }

    bool Empty() const override { return data_.empty(); }
    int Width() const override { return info_.width; }
    int Height() const override { return info_.height; }
    bool Grayscale() const { return info_.grayscale; }
    bool Progressive() const { return info_.progressive; }
    const JpegInfo& Info() const { return info_; }
    std::span<const uint8_t> Data() const { return data_.span(); }
    bool Decoded() const { return !pixels_.empty(); }

    // u32 size S, then S JPEG bytes ("Stream read error" when fewer remain); headers parsed
    // when S > 0.
    void ReadData(MemoryStream& data) override;
    // Takes a complete JPEG file (headers parsed when non-empty).
    void LoadFromBytes(SharedBytes bytes);
    std::unique_ptr<TGraphic> Clone() const override;
    const Bitmap& Pixels() override;
    // Decodes only the rows and columns that land in the target: rows above are skipped, rows
    // below never read, and columns cropped to the decoder's block grid (from the kept pixels
    // when the picture is decoded already). Throws like Pixels() for a picture Pixels() refuses.
    void DrawRegion(Bitmap& target, int x, int y, const Rect& source) const override;

private:
    SharedBytes data_;
    JpegInfo info_;
    Bitmap pixels_;
};

}  // namespace scr
