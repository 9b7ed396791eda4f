// The picture show control as a windowless control of a window: the one implementation of
// TransitionHost, over the application's loop and clock and the parent window's painting.
#pragma once

#include <functional>

#include "gui/application.h"
#include "gui/window.h"
#include "transition/host.h"
#include "transition/transition_view.h"

namespace scr {

class TransitionControl : public Control, private TransitionHost {
public:
    TransitionControl(Application& app, Window& parent);
    ~TransitionControl() override;

    TTransitionView& View() { return view_; }
    const TTransitionView& View() const { return view_; }

    // The control's mouse moves (control client coordinates); the control itself ignores them.
    std::function<void(ShiftState, int, int)> OnMouseMove;

    // Control: the view owns its place; the control mirrors it.
    void SetBounds(const Rect& bounds) override;
    void Paint(const Rect& update) override { view_.on_paint(update); }
    void MouseEnter() override { view_.on_mouse_enter(); }
    void MouseLeave() override { view_.on_mouse_leave(); }
    void MouseMove(ShiftState shift, int x, int y) override;

private:
    // TransitionHost
    void invalidate_rect(const Rect& r) override;
    void update() override;
    void process_messages() override { app_.ProcessMessages(); }
    void wait_message(uint32_t ms) override { app_.WaitMessage(ms); }
    uint32_t tick_count() override { return app_.TickCount(); }
    bool is_main_thread() override { return app_.IsMainThread(); }
    void synchronize(const std::function<void()>& fn) override { app_.Synchronize(fn); }
    void wait_synchronized(const std::function<bool()>& done) override { app_.WaitSynchronized(done); }
    void sleep(uint32_t ms) override { app_.Sleep(ms); }
    void set_thread_priority(TThreadPriority p) override { app_.SetThreadPriority(p); }
    bool destroying() override;
    void placed(const Rect& bounds) override { Control::SetBounds(bounds); }
    void present(const Rect& r, const Bitmap& client_image) override { Present(r, client_image); }

    Application& app_;
    bool destroying_ = false;
    TTransitionView view_;  // last: it is destroyed while the host is still whole
};

}  // namespace scr
