#include "transition/headless_host.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "transition/transition_view.h"

namespace scr {

HeadlessHost::HeadlessHost(int parent_width, int parent_height)
    : main_thread_(std::this_thread::get_id()), surface_(parent_width, parent_height) {}

HeadlessHost::~HeadlessHost() = default;

void HeadlessHost::record(HostCall::Kind kind, Rect rect, uint32_t value) {
    if (!recording_) return;
    std::lock_guard lock(mutex_);
    calls_.push_back({kind, rect, value, tick_});
}

std::vector<HostCall> HeadlessHost::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

int HeadlessHost::count(HostCall::Kind kind) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& c : calls_) n += c.kind == kind;
    return n;
}

void HeadlessHost::clear_calls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

void HeadlessHost::at(uint32_t tick, std::function<void()> fn) { timers_.emplace(tick, std::move(fn)); }

void HeadlessHost::invalidate_rect(const Rect& r) {
    record(HostCall::Invalidate, r);
    if (r.empty()) return;
    invalid_ = invalid_.empty() ? r
                                : Rect{std::min(invalid_.left, r.left), std::min(invalid_.top, r.top),
                                       std::max(invalid_.right, r.right), std::max(invalid_.bottom, r.bottom)};
}

void HeadlessHost::paint_pending() {
    if (invalid_.empty() || !view_) return;
    const Rect r = invalid_.intersected(view_->BoundsRect());
    invalid_ = {};
    if (r.empty()) return;
    record(HostCall::Paint, r);
    view_->on_paint(r.translated(-view_->Left(), -view_->Top()));
}

void HeadlessHost::update() {
    record(HostCall::Update);
    paint_pending();
}

void HeadlessHost::process_messages() {
    record(HostCall::ProcessMessages);
    run_tasks();
    // Timers that are due, in time order; a timer may add timers or pump messages itself.
    while (!timers_.empty() && timers_.begin()->first <= tick_) {
        auto fn = std::move(timers_.begin()->second);
        timers_.erase(timers_.begin());
        fn();
    }
    if (on_pump_) on_pump_();
    paint_pending();  // paints come when the queue is empty
}

void HeadlessHost::wait_message(uint32_t ms) {
    record(HostCall::WaitMessage, {}, ms);
    // Nothing but timers can arrive: wake for the next one if it falls inside the wait.
    const uint32_t now = tick_;
    uint32_t until = now + ms;
    if (!timers_.empty()) {
        const uint32_t next = timers_.begin()->first;
        if (next <= now)
            until = now;
        else if (next - now < ms)
            until = next;
    }
    tick_ = until;
}

void HeadlessHost::synchronize(const std::function<void()>& fn) {
    if (is_main_thread()) {
        fn();
        return;
    }
    record(HostCall::Synchronize);
    Task task{&fn, false, nullptr};
    std::unique_lock lock(mutex_);
    tasks_.push_back(&task);
    task_ready_.notify_all();
    task_done_.wait(lock, [&] { return task.done; });
    if (task.error) std::rethrow_exception(task.error);
}

bool HeadlessHost::run_tasks() {
    bool ran = false;
    for (;;) {
        Task* task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty()) return ran;
            task = tasks_.front();
            tasks_.pop_front();
        }
        try {
            (*task->fn)();
        } catch (...) {
            task->error = std::current_exception();
        }
        ran = true;
        std::lock_guard lock(mutex_);
        task->done = true;
        task_done_.notify_all();
    }
}

void HeadlessHost::wait_synchronized(const std::function<bool()>& done) {
    while (!done()) {
        if (run_tasks()) continue;
        std::unique_lock lock(mutex_);
        task_ready_.wait_for(lock, std::chrono::milliseconds(5), [this] { return !tasks_.empty(); });
    }
}

bool HeadlessHost::run_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        process_messages();
        if (done()) break;
        std::unique_lock lock(mutex_);
        task_ready_.wait_for(lock, std::chrono::milliseconds(5), [this] { return !tasks_.empty(); });
    }
    return done();
}

void HeadlessHost::sleep(uint32_t ms) {
    record(HostCall::Sleep, {}, ms);
    tick_ += ms;
    std::this_thread::yield();
}

void HeadlessHost::set_thread_priority(TThreadPriority p) {
    record(HostCall::SetPriority, {}, uint32_t(p));
    last_priority_ = p;
}

void HeadlessHost::present(const Rect& r, const Bitmap& client_image) {
    const int left = view_ ? view_->Left() : 0, top = view_ ? view_->Top() : 0;
    record(HostCall::Present, r.translated(left, top));
    ++presented_;
    if (keep_surface_) CopyBitmapRect(surface_, r.left + left, r.top + top, client_image, r);
    if (!dump_dir_.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%04d.bmp", presented_);
        WriteBmp(dump_dir_ + name, keep_surface_ && !surface_.empty() ? surface_ : client_image);
    }
}

}  // namespace scr
