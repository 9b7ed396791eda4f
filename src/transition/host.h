// What the picture show control needs from the window it lives on. The control is windowless:
// it paints on its parent, takes its time from the parent's message loop and hands work from its
// animation thread to the main thread, all through this interface. The framework layer implements
// it once (gui/transition_control.h), over the application's loop and clock and a window.
#pragma once

#include <cstdint>
#include <functional>

#include "base/bitmap.h"
#include "base/geometry.h"

namespace scr {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TransitionHost {
public:
    virtual ~TransitionHost() = default;

    // Marks r (parent client coordinates) as needing a repaint, without erasing it first.
    virtual void invalidate_rect(const Rect& r) = 0;
    // Repaints every marked area of the control now, before returning (a synchronous paint).
    virtual void update() = 0;
    // Dispatches every message waiting for the main thread (input, timers, paints, calls
    // synchronised by other threads), then returns; returns at once when nothing waits.
    virtual void process_messages() = 0;
    // Blocks the main thread for at most ms milliseconds or until a message arrives.
    virtual void wait_message(uint32_t ms) = 0;
    // Milliseconds since an arbitrary start; wraps around at 2^32.
    virtual uint32_t tick_count() = 0;
    // Whether the calling thread is the main (GUI) thread.
    virtual bool is_main_thread() = 0;
    // Runs fn on the main thread and returns once it has run, rethrowing what fn threw; on the
    // main thread it runs fn at once.
    virtual void synchronize(const std::function<void()>& fn) = 0;
    // Blocks the main thread until done() holds, running the calls that other threads synchronise
    // onto it meanwhile (and nothing else).
    virtual void wait_synchronized(const std::function<bool()>& done) = 0;
    // Suspends the calling worker thread for ms milliseconds.
    virtual void sleep(uint32_t ms) = 0;
    // Gives the calling worker thread the priority p.
    virtual void set_thread_priority(TThreadPriority p) = 0;
    // Whether the control is being destroyed by its owner (no events, no invalidation then).
    virtual bool destroying() = 0;
    // The control has moved or changed size on its parent (parent client coordinates).
    virtual void placed(const Rect& bounds) { (void)bounds; }
    // Shows the area r of client_image (control client coordinates, r inside the image) on the
    // control's place in the parent window. Only called from the control's paint.
    virtual void present(const Rect& r, const Bitmap& client_image) = 0;
};

}  // namespace scr
