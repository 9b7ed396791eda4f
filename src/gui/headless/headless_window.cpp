#include "gui/headless/headless_window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace scr {

namespace {

Rect BoundingBox(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessApplication& app, const WindowParams& params)
    : Window(app), kind_(params.kind), params_(params), text_(params.caption), bounds_(params.bounds), color_(params.color) {
    number_ = app.AddWindow(this);
    FitToText();
    if (params.default_button) {
        // The top-level window above it presses it on Enter.
        for (Window* p = params.parent; p != nullptr;) {
            auto* hp = static_cast<HeadlessWindow*>(p);
            if (hp->params_.parent == nullptr) {
                hp->default_button_ = this;
                break;
            }
            p = hp->params_.parent;
        }
    }
    // Numbered like handles of the system: never 0, aligned to 4.
    handle_ = WindowHandle(0x10000 + 4 * number_);
    if (const char* dir = std::getenv("SCR_HEADLESS_FRAMES"); dir && *dir) dump_dir_ = dir;
    ResizeSurface();
}

HeadlessWindow::~HeadlessWindow() {
    destroying_ = true;
    for (Window* p = params_.parent; p != nullptr; p = static_cast<HeadlessWindow*>(p)->params_.parent) {
        auto* hp = static_cast<HeadlessWindow*>(p);
        if (hp->default_button_ == this) hp->default_button_ = nullptr;
    }
    happ().Guard([this] { DispatchDestroy(); });
    happ().RemoveWindow(this);
}

int HeadlessWindow::FrameWidth() const { return kind_ == WindowKind::Frame ? 2 * kFrameBorder : 0; }

int HeadlessWindow::FrameHeight() const {
    return kind_ == WindowKind::Frame ? 2 * kFrameBorder + kCaptionHeight : 0;
}

Rect HeadlessWindow::ClientRect() const {
    return {0, 0, std::max(0, bounds_.width() - FrameWidth()), std::max(0, bounds_.height() - FrameHeight())};
}

void HeadlessWindow::ResizeSurface() {
    const Rect client = ClientRect();
    if (surface_.width() == client.width() && surface_.height() == client.height()) return;
    Bitmap resized(client.width(), client.height());
    resized.fill(color_);
    CopyBitmapRect(resized, 0, 0, surface_, {0, 0, surface_.width(), surface_.height()});
    surface_ = std::move(resized);
}

void HeadlessWindow::SetBounds(const Rect& bounds) {
    if (bounds == bounds_) return;
    const bool resized = bounds.width() != bounds_.width() || bounds.height() != bounds_.height();
    bounds_ = bounds;
    if (!resized) return;
    ResizeSurface();
    // Like a window whose class redraws on sizing: all of it is painted again.
    Invalidate(ClientRect(), true);
    DispatchSize();
}

void HeadlessWindow::SetClientSize(int width, int height) {
    SetBounds({bounds_.left, bounds_.top, bounds_.left + width + FrameWidth(), bounds_.top + height + FrameHeight()});
}

void HeadlessWindow::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (visible) {
        Invalidate(ClientRect(), true);
        // Showing a top-level window activates it, as the system does.
        if (kind_ != WindowKind::Child) happ().SetActiveWindow(this);
    } else if (happ().active_window() == this) {
        happ().SetActiveWindow(nullptr);
    }
}

void HeadlessWindow::SetColor(uint32_t colorref) {
    color_ = colorref;
    Invalidate(ClientRect(), true);
}

void HeadlessWindow::Invalidate(const Rect& r, bool erase) {
    happ().record(HeadlessCall::Invalidate, number_, r);
    const Rect part = r.intersected(ClientRect());
    if (part.empty() || destroying_) return;
    invalid_ = BoundingBox(invalid_, part);
    if (erase) erase_ = BoundingBox(erase_, part);
}

void HeadlessWindow::PaintPending() {
    if (invalid_.empty() || destroying_) return;
    // The window may have shrunk since the areas were marked.
    const Rect update = invalid_.intersected(ClientRect()), erase = erase_.intersected(ClientRect());
    invalid_ = erase_ = {};
    if (update.empty()) return;
    // A hidden window keeps nothing marked, and paints nothing.
    if (!visible_) return;
    if (!erase.empty() && keep_surface_ && !surface_.empty()) {
        for (int y = erase.top; y < erase.bottom; ++y) {
            uint8_t* p = surface_.pixel(erase.left, y);
            for (int x = erase.left; x < erase.right; ++x, p += 3) {
                p[0] = uint8_t(color_ >> 16);
                p[1] = uint8_t(color_ >> 8);
                p[2] = uint8_t(color_);
            }
        }
    }
    happ().record(HeadlessCall::Paint, number_, update);
    DispatchPaint(update);
}

void HeadlessWindow::Update() {
    happ().record(HeadlessCall::Update, number_);
    PaintPending();
}

void HeadlessWindow::Present(const Rect& dest, const Bitmap& image, int src_x, int src_y) {
    happ().record(HeadlessCall::Present, number_, dest);
    ++presented_;
    if (keep_surface_) CopyBitmapRect(surface_, dest.left, dest.top, image, {src_x, src_y, src_x + dest.width(), src_y + dest.height()});
    if (!dump_dir_.empty()) {
        char name[48];
        if (number_ == 1)
            std::snprintf(name, sizeof name, "/frame_%04d.bmp", presented_);
        else
            std::snprintf(name, sizeof name, "/w%d_frame_%04d.bmp", number_, presented_);
        WriteBmp(dump_dir_ + name, keep_surface_ && !surface_.empty() ? surface_ : image);
    }
}

void HeadlessWindow::PostPrivate(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    happ().PostToWindow(number_, [=](HeadlessWindow& w) { w.DispatchPrivate(message, wparam, lparam); });
}

void HeadlessWindow::Close() {
    happ().PostToWindow(number_, [](HeadlessWindow& w) { w.DispatchClose(); });
}

void HeadlessWindow::InjectMouseMove(int x, int y, ShiftState shift) {
    happ().PostToWindow(number_, [=](HeadlessWindow& w) { w.DispatchMouseMove(shift, x, y); });
}

void HeadlessWindow::InjectMouseDown(MouseButton button, int x, int y, ShiftState shift) {
    happ().PostToWindow(number_, [=](HeadlessWindow& w) { w.DispatchMouseDown(button, shift, x, y); });
}

void HeadlessWindow::InjectMouseUp(MouseButton button, int x, int y, ShiftState shift) {
    happ().PostToWindow(number_, [=](HeadlessWindow& w) { w.DispatchMouseUp(button, shift, x, y); });
}

void HeadlessWindow::InjectKeyDown(uint16_t key, ShiftState shift) {
    happ().PostToWindow(number_, [=](HeadlessWindow& w) { w.DispatchKeyDown(key, shift); });
}

void HeadlessWindow::InjectKeyUp(uint16_t key, ShiftState shift) {
    happ().PostToWindow(number_, [=](HeadlessWindow& w) { w.DispatchKeyUp(key, shift); });
}

void HeadlessWindow::InjectActivate(bool active) { happ().SetActiveWindow(active ? this : nullptr); }

void HeadlessWindow::FitToText() {
    if (kind_ != WindowKind::Label || !params_.auto_size) return;
    // The backend's deterministic metrics: 3/5 of the height a character, 4/3 of it a line.
    const int h = params_.font.height < 0 ? -params_.font.height : params_.font.height;
    bounds_.right = bounds_.left + int(text_.size()) * h * 3 / 5;
    bounds_.bottom = bounds_.top + (h * 4 + 2) / 3;
}

void HeadlessWindow::SetCaption(const std::string& ansi_text) {
    text_ = ansi_text;
    FitToText();
}

void HeadlessWindow::SetChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    happ().Guard([this] { DispatchClick(); });
}

void HeadlessWindow::AppendLine(const std::string& ansi_text) { text_ += text_.empty() ? ansi_text : "\r\n" + ansi_text; }

void HeadlessWindow::InjectClick() {
    happ().PostToWindow(number_, [](HeadlessWindow& w) {
        if (w.kind_ == WindowKind::CheckBox) w.checked_ = !w.checked_;
        w.DispatchClick();
    });
}

void HeadlessWindow::InjectMouseEnter() {
    happ().PostToWindow(number_, [](HeadlessWindow& w) { w.DispatchControlEnter(); });
}

void HeadlessWindow::InjectMouseLeave() {
    happ().PostToWindow(number_, [](HeadlessWindow& w) { w.DispatchControlLeave(); });
}

void HeadlessWindow::InjectDialogKey(uint16_t key) {
    constexpr uint16_t kEnter = 0x0D, kEscape = 0x1B;
    happ().PostToWindow(number_, [key](HeadlessWindow& w) {
        if (key == kEnter && w.default_button_) w.default_button_->DispatchClick();
        if (key == kEscape) w.DispatchClose();
    });
}

}  // namespace scr
