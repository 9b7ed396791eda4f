#include "transition/transition_view.h"

#include <algorithm>
#include <random>
#include <utility>

#include "transition/blit.h"

namespace scr {

namespace {

template <class F>
struct ScopeExit {
    F f;
    ~ScopeExit() { f(); }
};
template <class F>
ScopeExit(F) -> ScopeExit<F>;

// Runs draw(t) into a temporary bitmap standing for the part `clip` of target, then copies it
// there: drawing that clips only to its target bitmap is thereby clipped to any rectangle.
template <class Draw>
void draw_clipped(Bitmap& target, const Rect& clip, uint32_t background, Draw&& draw) {
    const Rect c = clip.intersected({0, 0, target.width(), target.height()});
    if (c.empty()) return;
    Bitmap t(c.width(), c.height());
    t.fill(background);
    draw(t, -c.left, -c.top);
    DrawAt(target, c.left, c.top, t);
}

}  // namespace

void TBitmapGraphic::Draw(Bitmap& target, int x, int y) const { DrawAt(target, x, y, bitmap_); }

// ---------------------------------------------------------------- the animation thread

TAnimateThread::TAnimateThread(TCustomTransitionView& view, TransitionHost& host, TThreadPriority priority)
    : view_(view), host_(host), priority_(priority) {}

TAnimateThread::~TAnimateThread() {
    if (thread_.joinable()) thread_.join();
}

void TAnimateThread::Start() { thread_ = std::thread([this] { Execute(); }); }

void TAnimateThread::Execute() {
    try {
        host_.set_thread_priority(priority_);
        while (!terminated_ && !view_.manual_ && !view_.stopping_) {
            const uint32_t t0 = host_.tick_count();
            host_.synchronize([this] { view_.ThreadStep(this); });
            const uint32_t elapsed = host_.tick_count() - t0;
            if (view_.ShowDone()) {
                Terminate();
            } else {
                const uint32_t delay = view_.delay_;
                if (delay > elapsed) host_.sleep(delay - elapsed);
            }
        }
    } catch (...) {
        fatal_ = std::current_exception();
    }
    try {
        host_.synchronize([this] { view_.ThreadTerminated(this); });
    } catch (...) {
        // An exception of OnComplete has no one to go to on this thread; keep it as the fatal one.
        if (!fatal_) fatal_ = std::current_exception();
    }
}

// ---------------------------------------------------------------- construction

TCustomTransitionView::TCustomTransitionView(TransitionHost& host)
    : host_(host),
      screen_(std::make_shared<Bitmap>()),
      picture_([this] { PictureChanged(); }),
      bg_picture_([this] { BgPictureChanged(); }),
      own_random_(std::make_unique<SeededRandom>(std::random_device{}())) {
    random_ = own_random_.get();
}

TCustomTransitionView::~TCustomTransitionView() {
    destroying_ = true;
    for (auto& t : threads_) t->Terminate();
    if (!threads_.empty()) {
        host_.wait_synchronized([this] {
            for (auto& t : threads_)
                if (!t->Ended()) return false;
            return true;
        });
    }
    threads_.clear();  // joins
}

bool TCustomTransitionView::Destroying() const { return destroying_ || host_.destroying(); }

// ---------------------------------------------------------------- the show

void TCustomTransitionView::Start() {
    if (busy_ || !picture_.HasGraphic()) return;
    ReapThreads();
    busy_ = true;
    const uint64_t show = ++show_id_;
    try {
        Prepare();
        if (Running(show)) Animate();
    } catch (...) {
        // A handler may already have ended this show and begun another; leave that one alone.
        if (show_id_ == show) {
            old_bitmap_.reset();
            new_bitmap_.reset();
            busy_ = false;
        }
        throw;
    }
}

void TCustomTransitionView::Prepare() {
    const int w = picture_.Width(), h = picture_.Height();
    // Resizing keeps what fits and fills the rest with the brush, which is Color. A frame still
    // being built (a show started from its handler) keeps the bitmap it draws on.
    if (screen_->width() != w || screen_->height() != h || screen_.use_count() > 1) {
        auto resized = std::make_shared<Bitmap>(w, h);
        resized->fill(color_);
        CopyBitmapRect(*resized, 0, 0, *screen_, {0, 0, screen_->width(), screen_->height()});
        std::lock_guard lock(screen_lock_);
        screen_ = std::move(resized);
    }
    ComputePicRect();

    auto old_bitmap = std::make_shared<Bitmap>(w, h);
    const Rect source = !stretch_       ? pic_rect_
                        : stretch_fine_ ? FitRect(pic_rect_, ClientRect())
                                        : ClientRect();
    SnapshotPaintBuffer(source, *old_bitmap);
    old_bitmap_ = std::move(old_bitmap);

    auto new_bitmap = std::make_shared<Bitmap>(w, h);
    picture_.Graphic()->Draw(*new_bitmap, 0, 0);
    new_bitmap_ = std::move(new_bitmap);

    SetProgress(reverse_ ? 100 : 0);
}

void TCustomTransitionView::SnapshotPaintBuffer(const Rect& source, Bitmap& target) const {
    if (source.empty() || target.empty()) return;
    const Rect whole{0, 0, target.width(), target.height()};
    const Rect buffer{0, 0, paint_buffer_.width(), paint_buffer_.height()};
    if (source.intersected(buffer) == source) {
        CopyRect(target, whole, paint_buffer_, source);
        return;
    }
    // Part of the source was never painted: it counts as black.
    Bitmap part(source.width(), source.height());
    CopyBitmapRect(part, 0, 0, paint_buffer_, source);
    CopyRect(target, whole, part, {0, 0, part.width(), part.height()});
}

void TCustomTransitionView::Animate() {
    if (threaded_) {
        ReapThreads();
        // Its first step waits for the main thread, which is here: registering after the start
        // is in time, and a thread that failed to start is never waited for.
        auto t = std::make_unique<TAnimateThread>(*this, host_, thread_priority_);
        threads_.reserve(threads_.size() + 1);
        t->Start();
        thread_ = t.get();
        threads_.push_back(std::move(t));
    } else {
        AnimateInline();
    }
}

bool TCustomTransitionView::Running(uint64_t show) const {
    return busy_ && show_id_ == show && !manual_ && !stopping_;
}

bool TCustomTransitionView::ShowDone() const { return reverse_ ? progress_ == 0 : progress_ == 100; }

void TCustomTransitionView::NextStep() {
    const unsigned p = progress_, s = step_;
    SetProgress(uint8_t(reverse_ ? (p < s ? 0 : p - s) : p + s));
}

void TCustomTransitionView::AnimateInline() {
    const uint64_t show = show_id_;
    bool done = false;
    do {
        const uint32_t t0 = host_.tick_count();
        NextStep();
        done = ShowDone();
        if (!done) {
            // Pump messages until more than Delay has passed since the step began.
            for (;;) {
                host_.process_messages();
                if (!Running(show)) break;
                const uint32_t elapsed = host_.tick_count() - t0;
                const uint32_t delay = delay_;
                if (elapsed > delay) break;
                host_.wait_message(delay - elapsed + 1);
            }
        }
    } while (!done && Running(show));
    // A handler may have stopped this show (and begun another) on the last frame.
    if (done && busy_ && show_id_ == show) Finish();
}

void TCustomTransitionView::Finish() {
    thread_ = nullptr;
    if (!stopping_ && manual_) return;
    busy_ = false;
    new_bitmap_.reset();
    old_bitmap_.reset();
    if (!stopping_ && !Destroying() && OnComplete) OnComplete(*this);
}

void TCustomTransitionView::Stop() {
    if (!busy_ || stopping_) return;
    stopping_ = true;
    ScopeExit clear_stopping{[this] { stopping_ = false; }};
    if (TAnimateThread* t = thread_) {
        t->Terminate();
        if (in_thread_step_) {
            // Called from the thread's own step: the thread waits for us, so it cannot be waited
            // for. End the show now; its termination handler will find itself forgotten.
            Finish();
        } else {
            host_.wait_synchronized([t] { return t->Ended(); });
            ReapThreads();
        }
    } else {
        Finish();
    }
}

void TCustomTransitionView::Clear() {
    if (busy_ || screen_->empty()) return;
    {
        std::unique_lock lock(screen_lock_, std::try_to_lock);
        if (!lock.owns_lock()) return;
    }
    screen_ = std::make_shared<Bitmap>();
    Invalidate();
}

void TCustomTransitionView::SetProgress(uint8_t value) {
    if (value > 100) value = 100;
    if (!busy_ || value == progress_) return;
    if (value < progress_ && !painting_) InvalidateArea({0, 0, screen_->width(), screen_->height()});
    progress_ = value;
    MakeFrame();
    if (!Destroying() && OnProgress) OnProgress(*this);
}

void TCustomTransitionView::MakeFrame() {
    // Handlers may stop this show or start another while the frame is built; the frame keeps
    // its own references so that nothing it draws with goes away under it.
    std::shared_ptr<Bitmap> screen = screen_, old_bitmap = old_bitmap_, new_bitmap = new_bitmap_;
    if (!old_bitmap || !new_bitmap) return;
    const uint64_t show = show_id_;
    // ScreenBitmap is locked while the frame is built (Clear gives up meanwhile), not over the repaint.
    std::unique_lock lock(screen_lock_);

    FrameContext ctx;
    ctx.old_bitmap = old_bitmap.get();
    ctx.new_bitmap = new_bitmap.get();
    ctx.screen = screen.get();
    ctx.style = style_;
    ctx.progress = progress_;
    ctx.step = step_;
    ctx.random = random_;
    ctx.invalidate_area = [this, show](const Rect& r) {
        if (show_id_ == show) InvalidateArea(r);
    };
    if (OnBeforeNewFrame) ctx.before_new_frame = [this, &new_bitmap, &screen] { OnBeforeNewFrame(*this, *new_bitmap, *screen); };
    if (OnAfterNewFrame) ctx.after_new_frame = [this, &new_bitmap, &screen] { OnAfterNewFrame(*this, *new_bitmap, *screen); };
    if (OnCustomDraw)
        ctx.custom_draw = [this](const Bitmap& picture, Bitmap& target) { OnCustomDraw(*this, picture, target); };
    const int progress_before = ctx.progress;
    scr::BuildFrame(ctx);
    lock.unlock();
    // Style 0 without a handler sets Progress directly.
    if (ctx.progress != progress_before && show_id_ == show) progress_ = uint8_t(ctx.progress);
    if (!painting_) Update();
}

void TCustomTransitionView::InvalidateArea(Rect r) {
    if (stretch_) {
        const Rect t = stretch_fine_ ? FitRect(pic_rect_, ClientRect()) : ClientRect();
        const int pw = pic_rect_.width(), ph = pic_rect_.height();
        r = {MulDiv(r.left, t.width(), pw) + t.left, MulDiv(r.top, t.height(), ph) + t.top,
             MulDiv(r.right, t.width(), pw) + t.left, MulDiv(r.bottom, t.height(), ph) + t.top};
    } else {
        if (center_) r = r.translated(pic_rect_.left, pic_rect_.top);
        r.intersect_with(pic_rect_);
    }
    if (!Destroying() && !r.empty()) host_.invalidate_rect(r.translated(Left(), Top()));
}

// ---------------------------------------------------------------- the animation thread's side

void TCustomTransitionView::ThreadStep(TAnimateThread* thread) {
    // A thread left over from an earlier Animate (Manual toggled quickly) must not step this show,
    // and a control being destroyed builds no more frames.
    if (thread != thread_ || !busy_ || destroying_) {
        thread->Terminate();
        return;
    }
    in_thread_step_ = true;
    ScopeExit leave{[this] { in_thread_step_ = false; }};
    NextStep();
}

void TCustomTransitionView::ThreadTerminated(TAnimateThread* thread) {
    // Marked ended only once the handler is through, so nothing joins it while it still waits.
    ScopeExit mark{[thread] { thread->ended_ = true; }};
    if (thread != thread_) return;
    if (thread->fatal_) {
        // The show broke down; it did not complete.
        thread_ = nullptr;
        busy_ = false;
        new_bitmap_.reset();
        old_bitmap_.reset();
        return;
    }
    Finish();
}

void TCustomTransitionView::ReapThreads() {
    std::erase_if(threads_, [](const std::unique_ptr<TAnimateThread>& t) { return t->Ended(); });
}

// ---------------------------------------------------------------- properties

void TCustomTransitionView::SetManual(bool v) {
    if (v == manual_) return;
    manual_ = v;
    if (!busy_) {
        progress_ = reverse_ ? 100 : 0;
    } else if (!v) {
        Animate();
    }
}

void TCustomTransitionView::SetStep(uint16_t s) {
    if (s == 0) s = 1;
    if (s > 100) s = 100;
    step_ = s;
}

void TCustomTransitionView::SetBgMode(TBackgroundMode m) {
    if (m == bg_mode_) return;
    bg_mode_ = m;
    if (bg_picture_.HasGraphic() && !painting_) Invalidate();
}

void TCustomTransitionView::SetCenter(bool v) {
    if (v == center_) return;
    center_ = v;
    if (picture_.HasGraphic()) {
        ComputePicRect();
        if (!screen_->empty() && !painting_) Invalidate();
    }
}

void TCustomTransitionView::SetStretch(bool v) {
    if (v == stretch_) return;
    stretch_ = v;
    if (!screen_->empty() && !painting_) Invalidate();
}

void TCustomTransitionView::SetStretchFine(bool v) {
    if (v == stretch_fine_) return;
    stretch_fine_ = v;
    if (!screen_->empty() && !painting_) Invalidate();
}

void TCustomTransitionView::SetAutoSize(bool v) {
    if (v == auto_size_) return;
    auto_size_ = v;
    if (v) ApplyAutoSize();
}

void TCustomTransitionView::PictureChanged() {
    if (Destroying()) return;
    if (picture_.HasGraphic() && auto_size_) ApplyAutoSize();
    if (OnChange) OnChange(*this);
}

void TCustomTransitionView::BgPictureChanged() {
    bg_bitmap_valid_ = false;
    if (bg_mode_ != TBackgroundMode::bmNone && !painting_) Invalidate();
}

void TCustomTransitionView::ApplyAutoSize() {
    if (picture_.HasGraphic() && align_ == TAlign::alNone) SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

void TCustomTransitionView::ComputePicRect() {
    pic_rect_ = {0, 0, screen_->width(), screen_->height()};
    if (center_) pic_rect_ = pic_rect_.translated((ClientWidth() - pic_rect_.right) / 2, (ClientHeight() - pic_rect_.bottom) / 2);
}

// ---------------------------------------------------------------- the framework control's side

void TCustomTransitionView::SetBounds(int left, int top, int width, int height) {
    const Rect nb{left, top, left + width, top + height};
    if (nb == bounds_) return;
    const bool resized = width != Width() || height != Height();
    Invalidate();
    bounds_ = nb;
    host_.placed(bounds_);
    Invalidate();
    if (resized) on_size();
}

void TCustomTransitionView::SetColor(uint32_t c) {
    if (c == color_) return;
    color_ = c;
    Invalidate();
}

void TCustomTransitionView::Invalidate() {
    if (!Destroying() && !bounds_.empty()) host_.invalidate_rect(bounds_);
}

void TCustomTransitionView::Update() { host_.update(); }

void TCustomTransitionView::on_size() {
    if (picture_.HasGraphic()) {
        ComputePicRect();
        if (!screen_->empty() && !painting_) Invalidate();
    }
}

void TCustomTransitionView::on_mouse_enter() {
    if (OnMouseEnter) OnMouseEnter(*this);
}

void TCustomTransitionView::on_mouse_leave() {
    if (OnMouseLeave) OnMouseLeave(*this);
}

void TCustomTransitionView::on_paint(const Rect& update) {
    if (painting_ || destroying_ || !host_.is_main_thread()) return;
    painting_ = true;
    ScopeExit done{[this] { painting_ = false; }};
    Paint(update);
}

// ---------------------------------------------------------------- painting

Rect TCustomTransitionView::FrameRect() const {
    if (screen_->empty()) return {};
    if (!stretch_) return {pic_rect_.left, pic_rect_.top, pic_rect_.left + screen_->width(), pic_rect_.top + screen_->height()};
    if (stretch_fine_) return FitRect(pic_rect_, ClientRect());
    return ClientRect();
}

void TCustomTransitionView::Paint(const Rect& requested) {
    std::lock_guard buffer_lock(paint_buffer_lock_);
    const Rect client = ClientRect();
    bool whole = false;
    if (paint_buffer_.width() != client.width() || paint_buffer_.height() != client.height()) {
        paint_buffer_ = Bitmap(std::max(client.width(), 0), std::max(client.height(), 0));
        whole = true;  // a new buffer holds nothing yet
    }
    const Rect frame = FrameRect();
    Rect area = whole ? client : requested.intersected(client);
    if (!frame.empty() && (frame.width() != screen_->width() || frame.height() != screen_->height())) {
        // A scaled frame: the invalidated rectangle was scaled with rounding, so take the
        // neighbouring pixels too, which a nearest-neighbour mapping may have moved across.
        area = Rect{area.left - 2, area.top - 2, area.right + 2, area.bottom + 2}.intersected(client);
    }
    if (area.empty()) return;

    // The frame is opaque: colour and background only where it does not reach.
    const Rect covered = area.intersected(frame);
    for (const Rect& piece : Region::from_rect(area).subtracted(Region::from_rect(covered)).rects())
        PaintBackground(piece);
    if (!covered.empty()) PaintFrame(frame, covered);

    host_.present(area, paint_buffer_);
}

void TCustomTransitionView::PaintBackground(const Rect& piece) {
    const TViewGraphic* g = bg_picture_.HasGraphic() ? bg_picture_.Graphic() : nullptr;
    if (!g || bg_mode_ == TBackgroundMode::bmNone) {
        FillSolid(paint_buffer_, piece, color_);
        return;
    }
    const int cw = ClientWidth(), ch = ClientHeight();
    if (bg_mode_ == TBackgroundMode::bmCentered) {
        draw_clipped(paint_buffer_, piece, color_, [&](Bitmap& t, int dx, int dy) {
            g->Draw(t, (cw - g->Width()) / 2 + dx, (ch - g->Height()) / 2 + dy);
        });
        return;
    }
    if (!bg_bitmap_valid_) {
        bg_bitmap_ = Bitmap(g->Width(), g->Height());
        g->Draw(bg_bitmap_, 0, 0);
        bg_bitmap_valid_ = true;
    }
    const Bitmap& bg = bg_bitmap_;
    draw_clipped(paint_buffer_, piece, color_, [&](Bitmap& t, int dx, int dy) {
        const Rect client = ClientRect().translated(dx, dy);
        if (bg_mode_ == TBackgroundMode::bmTiled)
            TileDraw(t, client, bg);
        else
            CopyRect(t, client, bg, {0, 0, bg.width(), bg.height()});
    });
}

void TCustomTransitionView::PaintFrame(const Rect& frame, const Rect& covered) {
    const Bitmap& screen = *screen_;
    if (frame.width() == screen.width() && frame.height() == screen.height()) {
        CopyBitmapRect(paint_buffer_, covered.left, covered.top, screen, covered.translated(-frame.left, -frame.top));
        return;
    }
    const Rect screen_rect{0, 0, screen.width(), screen.height()};
    if (covered == frame.intersected(ClientRect())) {
        CopyRect(paint_buffer_, frame, screen, screen_rect);  // clips to the buffer by itself
        return;
    }
    draw_clipped(paint_buffer_, covered, color_,
                 [&](Bitmap& t, int dx, int dy) { CopyRect(t, frame.translated(dx, dy), screen, screen_rect); });
}

}  // namespace scr
