// The window model: one abstract window with a one-line contract per platform operation, the
// events its owner hears, and windowless controls that paint on it. The portable part (this
// file and window.cpp) dispatches paints and mouse input to the controls; each backend
// (win32/, headless/) implements the platform operations and feeds the Dispatch* calls from
// its own event source.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/bitmap.h"
#include "base/geometry.h"

namespace scr {

class Application;
class Control;
class Window;

// A window of any process, as the system numbers it.
using WindowHandle = std::intptr_t;

enum class MouseButton { Left, Right, Middle };

// Modifier keys and mouse buttons held during an input event.
using ShiftState = uint32_t;
inline constexpr ShiftState kShift = 1, kAlt = 2, kCtrl = 4, kLeftButton = 8, kRightButton = 16,
                            kMiddleButton = 32, kDoubleClick = 64;

enum class WindowKind {
    Popup,  // top-level, no border and no caption
    Frame,  // top-level with a caption and a close button, movable, not resizable
    Child,  // a plain child window filling part of its parent
    // The system's standard controls, children of a window, for dialogs: their texts are real
    // window texts that screen readers and test tools read.
    Label,     // one line of text on the parent's background; with notify, clicks and hovering
    Button,    // a push button; the default one is pressed by Enter
    CheckBox,  // a check box with its caption
    Memo,      // read-only text of several lines, without a border
};

enum class WindowState { Normal, Minimized, Maximized };

// The font of a control: face, height in pixels as the system takes it (negative: the
// characters' height), weight, underline and colour (0x00BBGGRR).
struct ControlFont {
    std::string face = "MS Sans Serif";
    int height = -11;
    bool bold = false;
    bool underline = false;
    uint32_t color = 0x000000;
};

struct WindowParams {
    WindowKind kind = WindowKind::Popup;
    Window* parent = nullptr;  // required for children and controls
    std::string caption;       // the title or the control's text, in the ANSI code page
    Rect bounds;               // outer rectangle: screen coordinates, or the parent's client's
    uint32_t color = 0;        // the background, 0x00BBGGRR
    // --- Controls ---
    ControlFont font;
    bool default_button = false;  // Button: Enter presses it
    bool notify = false;          // Label: reports clicks and the pointer entering and leaving
    bool auto_size = false;       // Label: sized to its text
    bool tab_stop = true;         // reached with Tab

    // A top-level window without border or caption over bounds, filled with color.
    static WindowParams Popup(const Rect& bounds, uint32_t color = 0) {
        WindowParams s;
        s.bounds = bounds;
        s.color = color;
        return s;
    }
    // A captioned top-level window (movable, not resizable) over bounds.
    static WindowParams Framed(const std::string& caption, const Rect& bounds, uint32_t color = 0) {
        WindowParams s = Popup(bounds, color);
        s.kind = WindowKind::Frame;
        s.caption = caption;
        return s;
    }
};

// What the owner of a window hears; every event defaults to nothing. Coordinates are the
// window's client coordinates.
class WindowListener {
public:
    virtual ~WindowListener() = default;
    // Paints the window's own surface in `update` (the controls paint after it).
    virtual void HandlePaint(const Rect& /*update*/) {}
    virtual void HandleSize() {}
    virtual void HandleMouseMove(ShiftState, int /*x*/, int /*y*/) {}
    virtual void HandleMouseDown(MouseButton, ShiftState, int /*x*/, int /*y*/) {}
    virtual void HandleMouseUp(MouseButton, ShiftState, int /*x*/, int /*y*/) {}
    // key is the virtual-key code.
    virtual void HandleKeyDown(uint16_t /*key*/, ShiftState) {}
    virtual void HandleKeyUp(uint16_t /*key*/, ShiftState) {}
    virtual void HandleActivate(bool /*active*/) {}
    // The user (or Close) asks the window to close; the owner decides what happens.
    virtual void HandleClose() {}
    // The window is going away; no more events follow.
    virtual void HandleDestroy() {}
    // A control was clicked (a button pressed, a check box toggled, a notifying label clicked),
    // or the dialog's OK (Enter) or Cancel (Escape) command came: see DialogCommand.
    virtual void HandleClick() {}
    // The pointer entered or left a notifying label.
    virtual void HandleMouseEnter() {}
    virtual void HandleMouseLeave() {}
    // A private message (WM_USER and above) posted to the window; true when it was handled.
    virtual bool HandleMessage(uint32_t /*message*/, uintptr_t /*wparam*/, intptr_t /*lparam*/) { return false; }
};

class Window {
public:
    explicit Window(Application& app) : app_(app) {}
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    Application& application() const { return app_; }
    void SetListener(WindowListener* listener) { listener_ = listener; }

    // --- Platform operations ---
    // The system's number for the window; never 0.
    virtual WindowHandle Handle() const = 0;
    // The outer rectangle: screen coordinates for a top-level window, the parent's client
    // coordinates for a child.
    virtual Rect Bounds() const = 0;
    virtual void SetBounds(const Rect& bounds) = 0;
    // (0, 0, client width, client height).
    virtual Rect ClientRect() const = 0;
    // Sizes the window so that its client area is width x height; the position stays.
    virtual void SetClientSize(int width, int height) = 0;
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual WindowState State() const = 0;
    virtual void SetState(WindowState state) = 0;
    // Places the window above every window that is not topmost; size and position stay.
    virtual void SetTopmost() = 0;
    virtual void SetCaption(const std::string& ansi_text) = 0;
    // The background colour (0x00BBGGRR) that erased areas are filled with; repaints all.
    virtual void SetColor(uint32_t colorref) = 0;
    // Marks r (client coordinates) for repainting; with erase the background is filled first.
    virtual void Invalidate(const Rect& r, bool erase) = 0;
    // Paints every marked area now, before returning.
    virtual void Update() = 0;
    // Shows the dest.width() x dest.height() part of image at (src_x, src_y) on the client
    // area at dest; the part must lie inside the image. Used by paints.
    virtual void Present(const Rect& dest, const Bitmap& image, int src_x, int src_y) = 0;
    // Queues a private message for the window's OnMessage; callable from any thread.
    virtual void PostPrivate(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
    // Asks the window to close, as its close button would: OnClose follows from the loop.
    virtual void Close() = 0;
    // Whether the window is being destroyed (controls then neither paint nor invalidate).
    virtual bool Destroying() const = 0;

    // --- Controls ---
    // The window's text (a control's text, a top-level window's caption).
    virtual std::string Text() const = 0;
    virtual bool Checked() const = 0;
    // Changes a check box's state; reported through HandleClick like a user's click.
    virtual void SetChecked(bool checked) = 0;
    // Appends a line to a memo.
    virtual void AppendLine(const std::string& ansi_text) = 0;
    // Gives the keyboard focus to the window.
    virtual void SetFocus() = 0;

    void InvalidateAll(bool erase) { Invalidate(ClientRect(), erase); }

    // --- Windowless controls, bottom to top ---
    void AddControl(Control& control);
    void RemoveControl(Control& control);
    const std::vector<Control*>& Controls() const { return controls_; }
    // Places every client-aligned control over the whole client area.
    void AlignControls();

    // --- Called by the backend's event source ---
    void DispatchPaint(const Rect& update);
    void DispatchSize();
    void DispatchMouseMove(ShiftState shift, int x, int y);
    void DispatchMouseDown(MouseButton button, ShiftState shift, int x, int y);
    void DispatchMouseUp(MouseButton button, ShiftState shift, int x, int y);
    // The pointer left the client area.
    void DispatchMouseLeave();
    void DispatchKeyDown(uint16_t key, ShiftState shift);
    void DispatchKeyUp(uint16_t key, ShiftState shift);
    void DispatchActivate(bool active);
    void DispatchClose();
    void DispatchDestroy();
    bool DispatchPrivate(uint32_t message, uintptr_t wparam, intptr_t lparam);
    void DispatchClick();
    void DispatchControlEnter();
    void DispatchControlLeave();

private:
    friend class Control;
    // The topmost visible control under (x, y), or nullptr.
    Control* ControlAt(int x, int y) const;
    void SetHover(Control* control);

    Application& app_;
    WindowListener* listener_ = nullptr;
    std::vector<Control*> controls_;
    Control* hover_ = nullptr;
    // A press on a control sends the moves and the release to it until the button goes up.
    Control* pressed_ = nullptr;
};

// A control without a window of its own: it lives on its parent's client area, paints through
// the parent's Present and hears the parent's mouse input over its bounds.
class Control {
public:
    enum class Align { None, Client };

    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Window* Parent() const { return parent_; }
    // Parent client coordinates.
    Rect BoundsRect() const { return bounds_; }
    virtual void SetBounds(const Rect& bounds);
    Rect ClientRect() const { return {0, 0, bounds_.width(), bounds_.height()}; }
    Align GetAlign() const { return align_; }
    void SetAlign(Align align);
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    // Marks r (control client coordinates) of the control for repainting, without erasing.
    void Invalidate(const Rect& r);
    // Shows part r (control client coordinates) of image, whose (0, 0) is the control's top-left.
    void Present(const Rect& r, const Bitmap& image);

    // --- Events from the parent, in control client coordinates ---
    virtual void Paint(const Rect& /*update*/) {}
    virtual void Resized() {}
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}
    virtual void MouseMove(ShiftState, int /*x*/, int /*y*/) {}
    virtual void MouseDown(MouseButton, ShiftState, int /*x*/, int /*y*/) {}
    virtual void MouseUp(MouseButton, ShiftState, int /*x*/, int /*y*/) {}

private:
    friend class Window;
    Window* parent_ = nullptr;
    Rect bounds_{0, 0, 100, 100};
    Align align_ = Align::None;
    bool visible_ = true;
};

}  // namespace scr
