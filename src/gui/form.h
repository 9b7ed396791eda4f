// A form: a top-level window with its design (border style, position, client size, colour),
// the events its handlers are wired to, private messages dispatched by number and the closing
// rules of a main form (closing it ends the message loop). Forms are created by class through
// CreateForm, which runs OnCreate once the whole object exists.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "gui/backend.h"
#include "gui/window.h"

namespace scr {

enum class TBorderStyle { bsNone, bsDialog };
enum class TPosition { poDesigned, poScreenCenter };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// The colours the designs name, as 0x00BBGGRR.
inline constexpr uint32_t clBlack = 0x000000, clBtnFace = 0xF0F0F0, clWhite = 0xFFFFFF, clBlue = 0xFF0000;

struct FormDesign {
    TBorderStyle border_style = TBorderStyle::bsDialog;
    TPosition position = TPosition::poDesigned;
    Rect designed_bounds{0, 0, 0, 0};  // left and top are used by poDesigned only
    int client_width = 0;
    int client_height = 0;
    uint32_t color = clBtnFace;
    bool key_preview = false;
    std::string caption;
};

class TForm : protected WindowListener {
public:
    TForm(Backend& backend, Application& app, const FormDesign& design);
    ~TForm() override;
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    Backend& backend() const { return backend_; }
    Application& application() const { return app_; }
    Services& services() const { return backend_.services(); }
    Window& window() const { return *window_; }
    WindowHandle Handle() const { return window_->Handle(); }

    // --- Events, wired by the form's class ---
    std::function<void()> OnCreate, OnShow, OnActivate, OnDestroy, OnResize;
    std::function<void(TCloseAction&)> OnClose;
    std::function<void(uint16_t& key, ShiftState)> OnKeyDown;
    std::function<void(MouseButton, ShiftState, int x, int y)> OnMouseDown;
    std::function<void(ShiftState, int x, int y)> OnMouseMove;
    // A handler for a private message number (WM_USER and above).
    void SetMessageHandler(uint32_t message, std::function<void(uintptr_t, intptr_t)> handler) {
        message_handlers_[message] = std::move(handler);
    }

    // --- Properties ---
    int Left() const { return window_->Bounds().left; }
    int Top() const { return window_->Bounds().top; }
    int Width() const { return window_->Bounds().width(); }
    int Height() const { return window_->Bounds().height(); }
    void SetBounds(int left, int top, int width, int height) { window_->SetBounds({left, top, left + width, top + height}); }
    int ClientWidth() const { return window_->ClientRect().width(); }
    int ClientHeight() const { return window_->ClientRect().height(); }
    uint32_t Color() const { return color_; }
    void SetColor(uint32_t colorref);
    void SetCaption(const std::string& ansi_text);
    const std::string& Caption() const { return caption_; }
    bool Visible() const { return window_->Visible(); }
    // Shows the form: OnShow first, then the window (which activates it).
    void Show();
    void Hide() { window_->SetVisible(false); }
    WindowState GetWindowState() const { return window_->State(); }
    void SetWindowState(WindowState state) { window_->SetState(state); }
    bool KeyPreview() const { return key_preview_; }

    // The application's main form: closing it ends the message loop.
    void SetMainForm(bool main) { main_form_ = main; }
    // Closes as the close button would: OnClose decides the action (caHide unless it says
    // otherwise); a main form then asks the application to terminate.
    void Close();
    // Posts a private message to the form's window.
    void PostPrivate(uint32_t message, uintptr_t wparam = 0, intptr_t lparam = 0) {
        window_->PostPrivate(message, wparam, lparam);
    }
    // Runs OnCreate; CreateForm calls it once the object is complete.
    void DoCreate() {
        if (OnCreate) OnCreate();
    }

protected:
    // Runs OnDestroy once. A form class calls it first thing in its destructor, while its own
    // members still exist; the base class's destructor calls it for forms that do not.
    void DoDestroy();

    // WindowListener
    void HandleMouseMove(ShiftState shift, int x, int y) override;
    void HandleMouseDown(MouseButton button, ShiftState shift, int x, int y) override;
    void HandleKeyDown(uint16_t key, ShiftState shift) override;
    void HandleActivate(bool active) override;
    void HandleSize() override {
        if (OnResize) OnResize();
    }
    void HandleClose() override { Close(); }
    bool HandleMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;

private:
    Backend& backend_;
    Application& app_;
    std::unique_ptr<Window> window_;
    std::map<uint32_t, std::function<void(uintptr_t, intptr_t)>> message_handlers_;
    uint32_t color_;
    std::string caption_;
    bool key_preview_;
    bool main_form_ = false;
    bool destroying_ = false;
    bool destroyed_ = false;
};

// Creates a form of class F and runs its OnCreate, as a form created from its stored
// description would.
template <class F, class... Args>
std::unique_ptr<F> CreateForm(Args&&... args) {
    auto form = std::make_unique<F>(std::forward<Args>(args)...);
    form->DoCreate();
    return form;
}

}  // namespace scr
