#include "contact_sheet.h"

#include <string>

#include "transition/blit.h"
#include "transition/transition_view.h"

namespace scr::render {

namespace {

// Rows of the digits 0..9, three bits each, the high bit on the left.
constexpr uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

void FillRect(Bitmap& b, const Rect& r, uint32_t colorref) {
    const Rect c = r.intersected({0, 0, b.width(), b.height()});
    for (int y = c.top; y < c.bottom; ++y)
        for (int x = c.left; x < c.right; ++x) {
            uint8_t* p = b.pixel(x, y);
            p[0] = uint8_t(colorref >> 16);
            p[1] = uint8_t(colorref >> 8);
            p[2] = uint8_t(colorref);
        }
}

}  // namespace

int DrawNumber(Bitmap& target, int x, int y, int number, int scale, uint32_t colorref) {
    const std::string text = std::to_string(number);
    int pen = x;
    for (char ch : text) {
        if (ch < '0' || ch > '9') continue;
        const uint8_t* glyph = kDigits[ch - '0'];
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 3; ++col)
                if (glyph[row] & (4 >> col))
                    FillRect(target, {pen + col * scale, y + row * scale, pen + (col + 1) * scale, y + (row + 1) * scale},
                             colorref);
        pen += 4 * scale;
    }
    return pen - x - (text.empty() ? 0 : scale);
}

Bitmap RenderFrame(const Bitmap& old_picture, const Bitmap& new_picture, int style, int progress, int step,
                   RandomSource& random) {
    Bitmap screen(new_picture.width(), new_picture.height());
    FrameContext ctx;
    ctx.old_bitmap = &old_picture;
    ctx.new_bitmap = &new_picture;
    ctx.screen = &screen;
    ctx.style = style;
    ctx.progress = progress;
    ctx.step = step;
    ctx.random = &random;
    ctx.invalidate_area = [](const Rect&) {};
    BuildFrame(ctx);
    return screen;
}

Bitmap ContactSheet(const Bitmap& old_picture, const Bitmap& new_picture, const SheetOptions& o) {
    constexpr int kStyles = 127, kGap = 6, kScale = 2, kLabel = 5 * kScale + 4;
    constexpr uint32_t kBackground = 0x202020, kInk = 0xFFFFFF;
    const int w = new_picture.width(), h = new_picture.height();
    const int tw = o.thumb_width, th = std::max(1, MulDiv(h, tw, w));
    const int columns = o.columns, rows = (kStyles + columns - 1) / columns;
    const int cell_w = tw + kGap, cell_h = kLabel + th + kGap;
    Bitmap sheet(columns * cell_w + kGap, rows * cell_h + kGap);
    sheet.fill(kBackground);
    Bitmap thumb(tw, th);
    for (int style = 1; style <= kStyles; ++style) {
        SeededRandom random(o.seed);
        const Bitmap frame = RenderFrame(old_picture, new_picture, style, o.progress, o.step, random);
        CopyRect(thumb, {0, 0, tw, th}, frame, {0, 0, w, h});
        const int x = kGap + ((style - 1) % columns) * cell_w, y = kGap + ((style - 1) / columns) * cell_h;
        DrawNumber(sheet, x, y, style, kScale, kInk);
        DrawAt(sheet, x, y + kLabel, thumb);
    }
    return sheet;
}

}  // namespace scr::render
