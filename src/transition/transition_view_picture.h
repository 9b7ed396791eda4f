// The picture container of the picture show control: it holds at most one graphic and tells its
// owner when that changes. A graphic is anything with a size that can draw itself into a 24-bit
// bitmap; the saver adapts its JPEG pictures to it, tests and tools use TBitmapGraphic.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "base/bitmap.h"
#include "base/geometry.h"

namespace scr {

class TViewGraphic {
public:
    virtual ~TViewGraphic() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
    // Draws the whole graphic with its top-left corner at (x, y) of target; what falls outside the
    // target is clipped. May throw when the graphic cannot be decoded.
    virtual void Draw(Bitmap& target, int x, int y) const = 0;
};

// A graphic that is a bitmap already.
class TBitmapGraphic : public TViewGraphic {
public:
    explicit TBitmapGraphic(Bitmap bitmap) : bitmap_(std::move(bitmap)) {}
    int Width() const override { return bitmap_.width(); }
    int Height() const override { return bitmap_.height(); }
    void Draw(Bitmap& target, int x, int y) const override;
    const Bitmap& bitmap() const { return bitmap_; }

private:
    Bitmap bitmap_;
};

// Graphics are immutable once made, so copies of a picture share them.
class TViewPicture {
public:
    TViewPicture() = default;
    explicit TViewPicture(std::function<void()> on_change) : on_change_(std::move(on_change)) {}
    TViewPicture(const TViewPicture&) = delete;
    TViewPicture& operator=(const TViewPicture&) = delete;

    // A graphic is held and it has pixels; an empty graphic counts as none.
    bool HasGraphic() const { return graphic_ && !graphic_->Empty(); }
    const TViewGraphic* Graphic() const { return graphic_.get(); }
    std::shared_ptr<const TViewGraphic> SharedGraphic() const { return graphic_; }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    void SetGraphic(std::shared_ptr<const TViewGraphic> graphic) {
        graphic_ = std::move(graphic);
        Changed();
    }
    // Copies the other picture's graphic; nothing clears it.
    void Assign(const TViewPicture* other) { SetGraphic(other ? other->graphic_ : nullptr); }
    void Clear() { SetGraphic(nullptr); }

private:
    void Changed() {
        if (on_change_) on_change_();
    }

    std::shared_ptr<const TViewGraphic> graphic_;
    std::function<void()> on_change_;
};

}  // namespace scr
