#include "gui/headless/headless_application.h"

#include <algorithm>
#include <stdexcept>

#include "gui/headless/headless_window.h"

namespace scr {

HeadlessApplication::HeadlessApplication(std::string exe_name, std::vector<std::string>* log)
    : Application(std::move(exe_name)), main_thread_(std::this_thread::get_id()), log_(log) {}

HeadlessApplication::~HeadlessApplication() { log("app freed"); }

void HeadlessApplication::Initialize() { log("app initialized"); }

void HeadlessApplication::record(HeadlessCall::Kind kind, int window, Rect rect, uint32_t value) {
    if (!recording_) return;
    std::lock_guard lock(mutex_);
    calls_.push_back({kind, window, rect, value, tick_});
}

std::vector<HeadlessCall> HeadlessApplication::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

int HeadlessApplication::count(HeadlessCall::Kind kind) const {
    std::lock_guard lock(mutex_);
    return int(std::count_if(calls_.begin(), calls_.end(), [&](const HeadlessCall& c) { return c.kind == kind; }));
}

void HeadlessApplication::clear_calls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

std::size_t HeadlessApplication::pending() const {
    std::size_t n = sync_.Empty() ? 0 : 1;
    std::lock_guard lock(mutex_);
    return n + posted_.size();
}

bool HeadlessApplication::HavePosted() const { return pending() > 0; }

int HeadlessApplication::active_timers() const {
    return int(std::count_if(events_.begin(), events_.end(), [](const auto& e) { return e.second.timer != 0; }));
}

// ---------------------------------------------------------------- windows

int HeadlessApplication::AddWindow(HeadlessWindow* window) {
    windows_.push_back(window);
    return ++window_serial_;
}

void HeadlessApplication::RemoveWindow(HeadlessWindow* window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
    if (active_ == window) active_ = nullptr;
}

HeadlessWindow* HeadlessApplication::FindWindow(int number) const {
    for (HeadlessWindow* w : windows_)
        if (w->number() == number) return w;
    return nullptr;
}

void HeadlessApplication::PostToWindow(int window, std::function<void(HeadlessWindow&)> fn) {
    Post([this, window, fn = std::move(fn)] {
        if (HeadlessWindow* w = FindWindow(window)) fn(*w);
    });
}

void HeadlessApplication::SetActiveWindow(HeadlessWindow* window) {
    if (window == active_) return;
    HeadlessWindow* old = active_;
    active_ = window;
    if (old) PostToWindow(old->number(), [](HeadlessWindow& w) { w.DispatchActivate(false); });
    if (window) PostToWindow(window->number(), [](HeadlessWindow& w) { w.DispatchActivate(true); });
}

void HeadlessApplication::PaintWindows() {
    // A window may be destroyed by a paint handler: walk a copy and check membership.
    std::vector<int> numbers;
    for (HeadlessWindow* w : windows_) numbers.push_back(w->number());
    for (int n : numbers)
        if (HeadlessWindow* w = FindWindow(n)) w->PaintPending();
}

// ---------------------------------------------------------------- the loop

void HeadlessApplication::Post(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(fn));
    }
    wake_.notify_all();
}

bool HeadlessApplication::FireDueEvent() {
    if (events_.empty() || events_.begin()->first > tick_) return false;
    auto node = events_.extract(events_.begin());
    Event& event = node.mapped();
    if (event.timer != 0) {
        // A periodic timer is due again one period after it fired, however late it fired.
        auto fn = event.fn;
        events_.emplace(tick_ + event.interval, std::move(event));
        Guard(fn);
    } else {
        Guard(event.fn);
    }
    return true;
}

bool HeadlessApplication::DispatchOne() {
    if (sync_.RunAll()) return true;
    std::function<void()> message;
    {
        std::lock_guard lock(mutex_);
        if (!posted_.empty()) {
            message = std::move(posted_.front());
            posted_.pop_front();
        }
    }
    if (message) {
        Guard(message);
        return true;
    }
    return FireDueEvent();
}

void HeadlessApplication::ProcessMessages() {
    record(HeadlessCall::ProcessMessages);
    log("messages");
    // Like the real loop: until nothing is queued or due, messages posted meanwhile included;
    // paints come when the queue is empty.
    while (DispatchOne()) {
    }
    PaintWindows();
    // The quit message comes out of an empty queue.
    if (terminate_requested_) MarkTerminated();
}

bool HeadlessApplication::JumpToNextEvent() {
    if (events_.empty()) return false;
    const uint32_t next = events_.begin()->first;
    if (next > tick_) tick_ = next;
    return true;
}

void HeadlessApplication::WaitForWorkers(std::chrono::milliseconds limit) {
    // A synchronised call also notifies wake_, through the wake function it is queued with.
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, limit, [this] { return !posted_.empty() || !sync_.Empty(); });
}

void HeadlessApplication::RunWhile(const std::function<bool()>& running) {
    while (running() && !Terminated()) {
        if (DispatchOne()) continue;
        PaintWindows();
        if (terminate_requested_) {
            MarkTerminated();
            break;
        }
        if (!Idle()) continue;
        if (terminate_requested_ || HavePosted()) continue;
        if (!running()) break;
        if (JumpToNextEvent()) continue;
        // Nothing is scheduled: only a worker thread could still post something.
        WaitForWorkers(std::chrono::milliseconds(200));
        if (!HavePosted())
            throw std::logic_error("the message loop would wait for ever: nothing queued, no timer and no terminate request");
    }
}

void HeadlessApplication::Run() {
    RunWhile([] { return true; });
}

void HeadlessApplication::Terminate() {
    // Like a quit message: the loop ends once what is queued has been dispatched.
    terminate_requested_ = true;
    wake_.notify_all();
}

void HeadlessApplication::WaitMessage(uint32_t ms) {
    record(HeadlessCall::WaitMessage, 0, {}, ms);
    log("wait " + std::to_string(ms));
    if (HavePosted()) return;
    // Nothing but timers and scripted events can arrive: wake for the next one inside the wait.
    uint32_t until = tick_ + ms;
    if (!events_.empty()) {
        const uint32_t next = events_.begin()->first;
        if (next <= tick_)
            until = tick_;
        else if (next < until)
            until = next;
    }
    tick_ = until;
}

bool HeadlessApplication::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        ProcessMessages();
        if (done()) break;
        WaitForWorkers(std::chrono::milliseconds(5));
    }
    return done();
}

// ---------------------------------------------------------------- timers and scripted events

TimerId HeadlessApplication::SetTimer(uint32_t ms, std::function<void()> fn) {
    if (ms == 0) throw std::invalid_argument("a timer needs a period above 0 ms");
    record(HeadlessCall::SetTimer, 0, {}, ms);
    const TimerId id = next_timer_++;
    events_.emplace(tick_ + ms, Event{std::move(fn), id, ms});
    return id;
}

void HeadlessApplication::KillTimer(TimerId id) {
    for (auto it = events_.begin(); it != events_.end(); ++it) {
        if (it->second.timer == id && id != 0) {
            record(HeadlessCall::KillTimer, 0, {}, id);
            events_.erase(it);
            return;
        }
    }
}

void HeadlessApplication::At(uint32_t tick, std::function<void()> fn) { events_.emplace(tick, Event{std::move(fn), 0, 0}); }

// ---------------------------------------------------------------- worker threads

void HeadlessApplication::Synchronize(const std::function<void()>& fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    record(HeadlessCall::Synchronize);
    sync_.Call(fn, [this] {
        std::lock_guard lock(mutex_);
        wake_.notify_all();
    });
}

void HeadlessApplication::WaitSynchronized(const std::function<bool()>& done) { sync_.RunUntil(done); }

void HeadlessApplication::Sleep(uint32_t ms) {
    record(HeadlessCall::Sleep, 0, {}, ms);
    tick_ += ms;
    std::this_thread::yield();
}

void HeadlessApplication::SetThreadPriority(TThreadPriority p) {
    record(HeadlessCall::SetPriority, 0, {}, uint32_t(p));
    last_priority_ = p;
}

void HeadlessApplication::ShowException(const std::exception& error) {
    reports_.push_back({Title(), ExceptionReportText(error.what())});
}

void HeadlessApplication::ShowMessage(const std::string& text) {
    messages_.push_back(text);
    log("message " + text);
}

}  // namespace scr
