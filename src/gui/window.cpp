#include "gui/window.h"

#include <algorithm>

#include "gui/application.h"

namespace scr {

Window::~Window() {
    for (Control* c : controls_) c->parent_ = nullptr;
}

void Window::AddControl(Control& control) {
    if (control.parent_ == this) return;
    if (control.parent_) control.parent_->RemoveControl(control);
    control.parent_ = this;
    controls_.push_back(&control);
    if (control.align_ == Control::Align::Client) control.SetBounds(ClientRect());
    if (control.visible_) Invalidate(control.bounds_, false);
}

void Window::RemoveControl(Control& control) {
    const auto it = std::find(controls_.begin(), controls_.end(), &control);
    if (it == controls_.end()) return;
    controls_.erase(it);
    control.parent_ = nullptr;
    if (hover_ == &control) hover_ = nullptr;
    if (pressed_ == &control) pressed_ = nullptr;
    if (control.visible_ && !Destroying()) Invalidate(control.bounds_, true);
}

void Window::AlignControls() {
    for (Control* c : controls_)
        if (c->align_ == Control::Align::Client) c->SetBounds(ClientRect());
}

Control* Window::ControlAt(int x, int y) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
        if ((*it)->visible_ && (*it)->bounds_.contains(x, y)) return *it;
    return nullptr;
}

void Window::SetHover(Control* control) {
    if (control == hover_) return;
    Control* old = hover_;
    hover_ = control;
    if (old) old->MouseLeave();
    if (control) control->MouseEnter();
}

void Window::DispatchPaint(const Rect& update) {
    if (Destroying() || update.empty()) return;
    if (listener_) listener_->HandlePaint(update);
    // Bottom to top, so an upper control's pixels win where controls overlap.
    for (Control* c : controls_) {
        if (!c->visible_) continue;
        const Rect part = update.intersected(c->bounds_);
        if (!part.empty()) c->Paint(part.translated(-c->bounds_.left, -c->bounds_.top));
    }
}

void Window::DispatchSize() {
    AlignControls();
    if (listener_) listener_->HandleSize();
}

void Window::DispatchMouseMove(ShiftState shift, int x, int y) {
    Control* target = pressed_ ? pressed_ : ControlAt(x, y);
    SetHover(pressed_ ? (pressed_->bounds_.contains(x, y) ? pressed_ : nullptr) : target);
    if (target)
        target->MouseMove(shift, x - target->bounds_.left, y - target->bounds_.top);
    else if (listener_)
        listener_->HandleMouseMove(shift, x, y);
}

void Window::DispatchMouseDown(MouseButton button, ShiftState shift, int x, int y) {
    Control* target = ControlAt(x, y);
    SetHover(target);
    if (target) {
        pressed_ = target;
        target->MouseDown(button, shift, x - target->bounds_.left, y - target->bounds_.top);
    } else if (listener_) {
        listener_->HandleMouseDown(button, shift, x, y);
    }
}

void Window::DispatchMouseUp(MouseButton button, ShiftState shift, int x, int y) {
    Control* target = pressed_ ? pressed_ : ControlAt(x, y);
    pressed_ = nullptr;
    if (target)
        target->MouseUp(button, shift, x - target->bounds_.left, y - target->bounds_.top);
    else if (listener_)
        listener_->HandleMouseUp(button, shift, x, y);
}

void Window::DispatchMouseLeave() { SetHover(nullptr); }

void Window::DispatchKeyDown(uint16_t key, ShiftState shift) {
    if (listener_) listener_->HandleKeyDown(key, shift);
}

void Window::DispatchKeyUp(uint16_t key, ShiftState shift) {
    if (listener_) listener_->HandleKeyUp(key, shift);
}

void Window::DispatchActivate(bool active) {
    if (listener_) listener_->HandleActivate(active);
}

void Window::DispatchClose() {
    if (listener_) listener_->HandleClose();
}

void Window::DispatchDestroy() {
    hover_ = pressed_ = nullptr;
    if (listener_) listener_->HandleDestroy();
}

bool Window::DispatchPrivate(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    return listener_ && listener_->HandleMessage(message, wparam, lparam);
}

void Window::DispatchClick() {
    if (listener_) listener_->HandleClick();
}

void Window::DispatchControlEnter() {
    if (listener_) listener_->HandleMouseEnter();
}

void Window::DispatchControlLeave() {
    if (listener_) listener_->HandleMouseLeave();
}

// ---------------------------------------------------------------- Control

Control::~Control() {
    if (parent_) parent_->RemoveControl(*this);
}

void Control::SetBounds(const Rect& bounds) {
    if (bounds == bounds_) return;
    const Rect old = bounds_;
    bounds_ = bounds;
    if (parent_ && visible_ && !parent_->Destroying()) {
        parent_->Invalidate(old, true);
        parent_->Invalidate(bounds_, false);
    }
    if (old.width() != bounds.width() || old.height() != bounds.height()) Resized();
}

void Control::SetAlign(Align align) {
    align_ = align;
    if (parent_ && align_ == Align::Client) SetBounds(parent_->ClientRect());
}

void Control::SetVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    if (parent_ && !parent_->Destroying()) {
        if (!visible && parent_->hover_ == this) parent_->SetHover(nullptr);
        parent_->Invalidate(bounds_, !visible);
    }
}

void Control::Invalidate(const Rect& r) {
    if (!parent_ || parent_->Destroying() || !visible_) return;
    const Rect part = r.intersected(ClientRect());
    if (!part.empty()) parent_->Invalidate(part.translated(bounds_.left, bounds_.top), false);
}

void Control::Present(const Rect& r, const Bitmap& image) {
    if (!parent_ || r.empty()) return;
    parent_->Present(r.translated(bounds_.left, bounds_.top), image, r.left, r.top);
}

}  // namespace scr
