// A TransitionHost without a window, for tests, tools and benchmarks. Time is virtual: the tick
// count moves only through advance(), through a wait for messages (which jumps to the end of the
// wait or to the next scripted event) and through the animation thread's sleeps. The parent
// window is a bitmap (the surface) that receives every presented area; every call is recorded,
// and every presentation can be written out as a BMP file.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/bitmap.h"
#include "base/geometry.h"
#include "transition/host.h"

namespace scr {

class TCustomTransitionView;

struct HostCall {
    enum Kind { Invalidate, Update, ProcessMessages, WaitMessage, Synchronize, Sleep, SetPriority, Present, Paint };
    Kind kind;
    Rect rect;           // Invalidate, Present, Paint (parent coordinates)
    uint32_t value = 0;  // WaitMessage and Sleep: milliseconds; SetPriority: the priority
    uint32_t tick = 0;   // the virtual time of the call
};

class HeadlessHost : public TransitionHost {
public:
    // A parent window of the given client size; its surface starts black.
    explicit HeadlessHost(int parent_width = 0, int parent_height = 0);
    ~HeadlessHost() override;

    // The control whose paint the pending invalidations reach.
    void attach(TCustomTransitionView* view) { view_ = view; }

    void advance(uint32_t ms) { tick_ += ms; }
    // Runs fn from process_messages once the clock has reached tick (like a timer message).
    void at(uint32_t tick, std::function<void()> fn);
    // Runs fn on every process_messages call, before the paint (scripted input).
    void on_pump(std::function<void()> fn) { on_pump_ = std::move(fn); }
    // Pumps messages on the main thread until done() holds or `limit` of real time has passed;
    // for shows run by the animation thread. Returns done().
    bool run_until(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20));

    // Whether presented pixels are copied onto the surface (off for measuring the control alone).
    void set_keep_surface(bool keep) { keep_surface_ = keep; }
    const Bitmap& surface() const { return surface_; }
    // Writes the surface to dir/frame_NNNN.bmp after every presentation.
    void set_dump_directory(std::string dir) { dump_dir_ = std::move(dir); }
    int presented_count() const { return presented_; }

    void set_destroying(bool d) { destroying_ = d; }
    // The invalidated area not yet painted (bounding box, parent coordinates).
    Rect pending_invalid() const { return invalid_; }
    TThreadPriority last_priority() const { return last_priority_; }

    // Whether calls are recorded (on by default; off for long benchmark runs).
    void set_recording(bool on) { recording_ = on; }
    std::vector<HostCall> calls() const;
    int count(HostCall::Kind kind) const;
    void clear_calls();

    // TransitionHost
    void invalidate_rect(const Rect& r) override;
    void update() override;
    void process_messages() override;
    void wait_message(uint32_t ms) override;
    uint32_t tick_count() override { return tick_; }
    bool is_main_thread() override { return std::this_thread::get_id() == main_thread_; }
    void synchronize(const std::function<void()>& fn) override;
    void wait_synchronized(const std::function<bool()>& done) override;
    void sleep(uint32_t ms) override;
    void set_thread_priority(TThreadPriority p) override;
    bool destroying() override { return destroying_; }
    void present(const Rect& r, const Bitmap& client_image) override;

private:
    struct Task {
        const std::function<void()>* fn;
        bool done = false;
        std::exception_ptr error;
    };
    void record(HostCall::Kind kind, Rect rect = {}, uint32_t value = 0);
    // Runs the calls other threads wait to have run; returns whether there were any.
    bool run_tasks();
    void paint_pending();

    const std::thread::id main_thread_;
    std::atomic<uint32_t> tick_{0};
    TCustomTransitionView* view_ = nullptr;
    Bitmap surface_;
    bool keep_surface_ = true;
    std::atomic<bool> recording_{true};
    std::string dump_dir_;
    int presented_ = 0;
    bool destroying_ = false;
    Rect invalid_;
    std::atomic<TThreadPriority> last_priority_{TThreadPriority::tpNormal};
    std::multimap<uint32_t, std::function<void()>> timers_;
    std::function<void()> on_pump_;

    mutable std::mutex mutex_;  // guards tasks_ and calls_
    std::condition_variable task_ready_, task_done_;
    std::deque<Task*> tasks_;
    std::vector<HostCall> calls_;
};

}  // namespace scr
