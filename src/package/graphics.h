// Pictures and the image component of a picture item: TPicture holds one graphic of a kind
// named in its "Data" payload; graphic kinds are found by exact class name.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "package/component.h"
#include "base/bitmap.h"

namespace scr {

class TGraphic {
public:
    virtual ~TGraphic() = default;
    virtual std::string_view ClassName() const = 0;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Reads the graphic's own part of a picture payload (after the class name).
    virtual void ReadData(MemoryStream& data) = 0;
    virtual std::unique_ptr<TGraphic> Clone() const = 0;
    // The pixels, decoded on first use and kept (throws EInvalidGraphic when they cannot be).
    virtual const Bitmap& Pixels() = 0;
    // Writes exactly what CopyBitmapRect(target, x, y, Pixels(), source) would write, decoding
    // no more of the picture than that and keeping nothing: a slide needs only what it shows.
    virtual void DrawRegion(Bitmap& target, int x, int y, const Rect& source) const = 0;
};

// Where a picture goes on a slide. The saver centres a w x h picture on a black sw x sh slide
// at ((sw - w) div 2, (sh - h) div 2), div truncating toward zero, so a picture larger than the
// slide is cut evenly; this is the part of the picture that shows and where it lands.
struct SlidePlacement {
    Rect source;  // inside the picture; empty when nothing shows
    Point dest;   // on the slide, where source's top-left corner goes
};
SlidePlacement PlaceOnSlide(int w, int h, int sw, int sh);

using GraphicFactory = std::unique_ptr<TGraphic> (*)();
// Registers a graphic kind under its class name; later registrations are searched first.
// "TJPEGImage" is always registered.
void RegisterGraphicClass(std::string_view class_name, GraphicFactory factory);
// The factory of a kind, matched case-sensitively, or nullptr.
GraphicFactory FindGraphicClass(std::string_view class_name);

class TPicture : public TPersistent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& GetClass() const override { return StaticClass(); }

    // The graphic held, or nullptr when the picture holds none.
    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // Takes the graphic over, leaving the picture empty (the slideshow keeps the graphic
    // after freeing the image component).
    std::unique_ptr<TGraphic> TakeGraphic();
    void Assign(const TPicture& other);
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // Called whenever the graphic is replaced.
    std::function<void()> OnChange;

    bool DefinesBinary(std::string_view name) const override;
    void ReadBinary(std::string_view name, MemoryStream& data) override;

private:
    void Changed() {
        if (OnChange) OnChange();
    }
    std::unique_ptr<TGraphic> graphic_;
};

// The image component that a picture item stores; only its Picture matters to the show.
class TImage : public TComponent {
public:
    static const ClassInfo& StaticClass();
    const ClassInfo& GetClass() const override { return StaticClass(); }

    int32_t Left = 0, Top = 0, Width = 105, Height = 105;
    bool Center = false, Proportional = false, Stretch = false, Transparent = false, Visible = true;
    TPicture Picture;
};

}  // namespace scr
