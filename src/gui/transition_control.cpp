#include "gui/transition_control.h"

namespace scr {

TransitionControl::TransitionControl(Application& app, Window& parent) : app_(app), view_(*this) {
    parent.AddControl(*this);
}

TransitionControl::~TransitionControl() {
    destroying_ = true;
    if (Parent()) Parent()->RemoveControl(*this);
}

void TransitionControl::SetBounds(const Rect& bounds) {
    // The view tells us back through placed().
    view_.SetBounds(bounds.left, bounds.top, bounds.width(), bounds.height());
}

void TransitionControl::MouseMove(ShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(shift, x, y);
}

void TransitionControl::invalidate_rect(const Rect& r) {
    if (Parent() && Visible()) Parent()->Invalidate(r, false);
}

void TransitionControl::update() {
    if (Parent()) Parent()->Update();
}

bool TransitionControl::destroying() { return destroying_ || !Parent() || Parent()->Destroying(); }

}  // namespace scr
