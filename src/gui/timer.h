// A timer owned by a form or an object: armed only while it is enabled, has a non-zero interval
// and a handler (an interval of 0 arms nothing: a system timer of 0 ms would fire at once).
// Changing any of the three re-arms it, so the period counts from the change.
#pragma once

#include <cstdint>
#include <functional>

#include "gui/application.h"

namespace scr {

class TTimer {
public:
    explicit TTimer(Application& app) : app_(app) {}
    ~TTimer() { Disarm(); }
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) {
        if (enabled == enabled_) return;
        enabled_ = enabled;
        Rearm();
    }
    // Milliseconds; 1000 until set.
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t ms) {
        if (ms == interval_) return;
        interval_ = ms;
        Rearm();
    }
    void SetOnTimer(std::function<void()> handler) {
        on_timer_ = std::move(handler);
        Rearm();
    }
    // Whether a system timer is armed now.
    bool Armed() const { return id_ != 0; }

private:
    void Disarm() {
        if (id_ != 0) app_.KillTimer(id_);
        id_ = 0;
    }
    void Rearm() {
        Disarm();
        if (enabled_ && interval_ != 0 && on_timer_)
            id_ = app_.SetTimer(interval_, [this] {
                // A copy: the handler may replace itself or free what it captured.
                const auto handler = on_timer_;
                handler();
            });
    }

    Application& app_;
    bool enabled_ = true;
    uint32_t interval_ = 1000;
    std::function<void()> on_timer_;
    TimerId id_ = 0;
};

}  // namespace scr
