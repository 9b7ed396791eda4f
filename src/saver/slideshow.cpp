// The picture slideshow: one step picks the next picture and the next transition style, turns
// the picture into a full-screen slide with the caption on every other slide, and runs the
// transition inside the step; the interval counts from the end of the transition.
#include "package/graphics.h"
#include "package/items.h"
#include "saver/saver_form.h"

namespace scr {

namespace {

// A colour as stored may name a system colour (high byte 0x80): those are looked up.
uint32_t ColorToRgb(Services& services, uint32_t color) {
    if (color & 0x80000000u) return services.SystemColor(int(color & 0xFF));
    return color & 0x00FFFFFFu;
}

}  // namespace

void TfrmScrn::NextPicture() {
    if (Settings->PicCount() == 0) return;
    SlideTimer->SetEnabled(false);
    if (Settings->lRandomPic) {
        PicIndex = random_.next(Settings->PicCount());
    } else if (PicIndex > Settings->PicCount() - 1) {
        PicIndex = 0;
    }
    // The file is opened, read and closed by the reader; the image is freed at the end of the
    // step whatever happens.
    std::unique_ptr<TImage> image = ReadPictureItem(application().ExeName(), *Settings, PicIndex);
    TTransitionView& view = PShow->View();
    if (view.Busy()) view.Stop();
    Bitmap slide = ComposeSlide(*image);
    image.reset();

    TViewPicture picture;
    picture.SetGraphic(std::make_shared<TBitmapGraphic>(std::move(slide)));
    view.SetPicture(&picture);
    if (Settings->lRandomStyle) {
        view.SetStyle(TShowStyle(random_.next(127) + 1));
    } else {
        view.SetStyle(view.Style() < 127 ? TShowStyle(view.Style() + 1) : TShowStyle(1));
    }
    if (Settings->lClearOldImage) {
        view.Clear();
        view.Update();
    }
    // In-line: the whole transition runs here, pumping messages between its frames.
    view.Start();
    application().ProcessMessages();
    ++PicIndex;
    SlideTimer->SetEnabled(true);
}

Bitmap TfrmScrn::ComposeSlide(TImage& image) {
    const TextSize screen = services().PrimaryScreenSize();
    const int sw = screen.cx, sh = screen.cy;
    Bitmap slide(sw, sh);  // black
    if (const TGraphic* graphic = image.Picture.Graphic(); graphic != nullptr && !graphic->Empty()) {
        // Centred at its own size (cut evenly when larger): only the part the slide shows is
        // decoded, straight into the slide, so a big photograph costs no bitmap of its own size.
        const SlidePlacement place = PlaceOnSlide(graphic->Width(), graphic->Height(), sw, sh);
        if (!place.source.empty()) graphic->DrawRegion(slide, place.dest.x, place.dest.y, place.source);
    }
    CaptionToggle = !CaptionToggle;
    if (CaptionToggle && !Settings->Text.empty()) {
        // Size, colour and face of the stored font; its style and character set are not used.
        TextStyle style;
        style.face = Settings->TextFont.Name;
        style.point_size = Settings->TextFont.Size();
        style.color = ColorToRgb(services(), Settings->TextFont.Color);
        const TextSize text = services().MeasureText(style, Settings->Text);
        services().PaintText(slide, sw / 2 - text.cx / 2, sh - text.cy, style, Settings->Text);
    }
    return slide;
}

}  // namespace scr
