#include "gui/form.h"

namespace scr {

namespace {

Rect InitialBounds(Backend& backend, const FormDesign& d) {
    // The outer size follows from the client size once the window exists; start from it.
    const int w = d.client_width, h = d.client_height;
    if (d.position == TPosition::poScreenCenter) {
        const TextSize screen = backend.services().PrimaryScreenSize();
        const int left = (screen.cx - w) / 2, top = (screen.cy - h) / 2;
        return {left, top, left + w, top + h};
    }
    return {d.designed_bounds.left, d.designed_bounds.top, d.designed_bounds.left + w, d.designed_bounds.top + h};
}

}  // namespace

TForm::TForm(Backend& backend, Application& app, const FormDesign& design)
    : backend_(backend), app_(app), color_(design.color), caption_(design.caption), key_preview_(design.key_preview) {
    WindowParams params;
    params.kind = design.border_style == TBorderStyle::bsNone ? WindowKind::Popup : WindowKind::Frame;
    params.caption = design.caption;
    params.bounds = InitialBounds(backend, design);
    params.color = design.color;
    window_ = backend.NewWindow(app, params);
    window_->SetListener(this);
    window_->SetClientSize(design.client_width, design.client_height);
    if (design.position == TPosition::poScreenCenter) {
        // Centred by its outer size, frame included.
        const TextSize screen = services().PrimaryScreenSize();
        const Rect b = window_->Bounds();
        const int left = (screen.cx - b.width()) / 2, top = (screen.cy - b.height()) / 2;
        window_->SetBounds({left, top, left + b.width(), top + b.height()});
    }
}

TForm::~TForm() {
    DoDestroy();
    window_->SetListener(nullptr);
}

void TForm::DoDestroy() {
    destroying_ = true;
    if (destroyed_) return;
    destroyed_ = true;
    if (OnDestroy) app_.Guard(OnDestroy);
}

void TForm::SetColor(uint32_t colorref) {
    color_ = colorref;
    window_->SetColor(colorref);
}

void TForm::SetCaption(const std::string& ansi_text) {
    caption_ = ansi_text;
    window_->SetCaption(ansi_text);
}

void TForm::Show() {
    if (window_->Visible()) return;
    if (OnShow) app_.Guard(OnShow);
    window_->SetVisible(true);
}

void TForm::Close() {
    if (destroying_) return;
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(action);
    if (action == TCloseAction::caNone) return;
    if (main_form_) {
        app_.Terminate();
    } else if (action == TCloseAction::caMinimize) {
        window_->SetState(WindowState::Minimized);
    } else {
        Hide();
    }
}

void TForm::HandleMouseMove(ShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(shift, x, y);
}

void TForm::HandleMouseDown(MouseButton button, ShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(button, shift, x, y);
}

void TForm::HandleKeyDown(uint16_t key, ShiftState shift) {
    if (OnKeyDown) OnKeyDown(key, shift);
}

void TForm::HandleActivate(bool active) {
    if (active && OnActivate) OnActivate();
}

bool TForm::HandleMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    const auto it = message_handlers_.find(message);
    if (it == message_handlers_.end()) return false;
    // A copy: the handler may replace itself.
    const auto handler = it->second;
    handler(wparam, lparam);
    return true;
}

}  // namespace scr
