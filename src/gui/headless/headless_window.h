// A window of the headless backend: its client area is a bitmap (the surface) that receives every
// presented area, its calls are recorded by the application, input is injected through the
// application's queue like the system's messages, and every presentation can be written out as
// a BMP file (set_dump_directory, or the folder named by SCR_HEADLESS_FRAMES).
#pragma once

#include <string>

#include "base/bitmap.h"
#include "gui/headless/headless_application.h"
#include "gui/window.h"

namespace scr {

class HeadlessWindow : public Window {
public:
    // The frame of a captioned window: the client area is this much smaller than the bounds.
    static constexpr int kFrameBorder = 3;
    static constexpr int kCaptionHeight = 19;

    HeadlessWindow(HeadlessApplication& app, const WindowParams& params);
    ~HeadlessWindow() override;

    // Window
    WindowHandle Handle() const override { return handle_; }
    Rect Bounds() const override { return bounds_; }
    void SetBounds(const Rect& bounds) override;
    Rect ClientRect() const override;
    void SetClientSize(int width, int height) override;
    bool Visible() const override { return visible_; }
    void SetVisible(bool visible) override;
    WindowState State() const override { return state_; }
    void SetState(WindowState state) override { state_ = state; }
    void SetTopmost() override { topmost_ = true; }
    void SetCaption(const std::string& ansi_text) override;
    void SetColor(uint32_t colorref) override;
    void Invalidate(const Rect& r, bool erase) override;
    void Update() override;
    void Present(const Rect& dest, const Bitmap& image, int src_x, int src_y) override;
    void PostPrivate(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
    void Close() override;
    bool Destroying() const override { return destroying_; }
    std::string Text() const override { return text_; }
    bool Checked() const override { return checked_; }
    void SetChecked(bool checked) override;
    void AppendLine(const std::string& ansi_text) override;
    void SetFocus() override { happ().log("focus " + std::to_string(number_)); }

    // --- Injected input, dispatched from the loop ---
    void InjectMouseMove(int x, int y, ShiftState shift = 0);
    void InjectMouseDown(MouseButton button, int x, int y, ShiftState shift = 0);
    void InjectMouseUp(MouseButton button, int x, int y, ShiftState shift = 0);
    void InjectKeyDown(uint16_t key, ShiftState shift = 0);
    void InjectKeyUp(uint16_t key, ShiftState shift = 0);
    // Another window takes (false) or gives back (true) the activation.
    void InjectActivate(bool active);
    // A click on a control: a check box changes state first.
    void InjectClick();
    void InjectMouseEnter();
    void InjectMouseLeave();
    // A dialog's navigation key on a captioned window: Enter presses the default button,
    // Escape asks the window to close.
    void InjectDialogKey(uint16_t key);

    // --- Inspection ---
    int number() const { return number_; }
    WindowKind kind() const { return kind_; }
    const WindowParams& params() const { return params_; }
    const Bitmap& surface() const { return surface_; }
    bool topmost() const { return topmost_; }
    const std::string& caption() const { return text_; }
    uint32_t color() const { return color_; }
    // The area marked and not yet painted (bounding box, client coordinates).
    Rect pending_invalid() const { return invalid_; }
    int presented_count() const { return presented_; }
    // Whether presented pixels are copied onto the surface (off for measuring a control alone).
    void set_keep_surface(bool keep) { keep_surface_ = keep; }
    // Writes the surface to dir/frame_NNNN.bmp (window 1) or dir/wN_frame_NNNN.bmp after
    // every presentation; empty turns it off.
    void set_dump_directory(std::string dir) { dump_dir_ = std::move(dir); }

    // Paints what is marked; the application calls it when its queue is empty.
    void PaintPending();

private:
    HeadlessApplication& happ() const { return static_cast<HeadlessApplication&>(application()); }
    void ResizeSurface();
    void FitToText();
    int FrameWidth() const;
    int FrameHeight() const;

    const WindowKind kind_;
    const WindowParams params_;
    std::string text_;
    bool checked_ = false;
    HeadlessWindow* default_button_ = nullptr;  // a top-level window's button for Enter
    int number_ = 0;
    WindowHandle handle_ = 0;
    Rect bounds_;
    bool visible_ = false;
    bool topmost_ = false;
    bool destroying_ = false;
    WindowState state_ = WindowState::Normal;
    uint32_t color_ = 0;
    Bitmap surface_;
    bool keep_surface_ = true;
    Rect invalid_;
    Rect erase_;
    int presented_ = 0;
    std::string dump_dir_;
};

}  // namespace scr
