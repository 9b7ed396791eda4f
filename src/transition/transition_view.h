// The picture show control: a windowless control that shows one picture and replaces it by the
// next through one of 127 transition styles, one frame per step of Progress. TCustomTransitionView
// holds the state and the logic; TTransitionView publishes its properties. The control reaches its
// parent window only through a TransitionHost, so whole shows also run headless.
//
// Threads: everything that touches bitmaps, painting or events runs on the main thread. The
// animation thread only reads Manual, Reverse, Progress, Delay and the stopping flag, measures time
// and sleeps; every step and its own end are synchronised onto the main thread through the host.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "base/bitmap.h"
#include "transition/frame.h"
#include "base/geometry.h"
#include "transition/host.h"
#include "transition/transition_view_picture.h"

namespace scr {

// The control's own random source (and the tools'): a Mersenne twister from a given seed.
class SeededRandom : public RandomSource {
public:
    explicit SeededRandom(uint32_t seed) : engine_(seed) {}
    int next(int n) override { return n <= 0 ? 0 : int(engine_() % uint32_t(n)); }

private:
    std::mt19937 engine_;
};

enum class TBackgroundMode { bmNone, bmTiled, bmStretched, bmCentered };
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
using TShowStyle = uint8_t;

class TCustomTransitionView;
using TNotifyEvent = std::function<void(TCustomTransitionView& Sender)>;
// Picture is NewBitmap, the new picture; Screen is ScreenBitmap, the frame being built.
using TCustomDrawEvent = std::function<void(TCustomTransitionView& Sender, const Bitmap& Picture, Bitmap& Screen)>;

// Runs the frame loop of one show off the main thread. Owned by its control, which joins it once
// its termination handler has run on the main thread.
class TAnimateThread {
public:
    TAnimateThread(TCustomTransitionView& view, TransitionHost& host, TThreadPriority priority);
    ~TAnimateThread();
    TAnimateThread(const TAnimateThread&) = delete;
    TAnimateThread& operator=(const TAnimateThread&) = delete;

    void Start();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    TThreadPriority Priority() const { return priority_; }
    // Set on the main thread by the termination handler; the thread may be joined from then on.
    bool Ended() const { return ended_; }
    // An exception that escaped a step, kept as the thread's fatal error.
    std::exception_ptr FatalException() const { return fatal_; }

private:
    friend class TCustomTransitionView;
    void Execute();

    TCustomTransitionView& view_;
    TransitionHost& host_;
    const TThreadPriority priority_;
    std::atomic<bool> terminated_{false};
    bool ended_ = false;
    std::exception_ptr fatal_;
    std::thread thread_;
};

class TCustomTransitionView {
public:
    explicit TCustomTransitionView(TransitionHost& host);
    virtual ~TCustomTransitionView();
    TCustomTransitionView(const TCustomTransitionView&) = delete;
    TCustomTransitionView& operator=(const TCustomTransitionView&) = delete;

    // --- The show ---
    void Start();
    void Stop();
    void Clear();
    uint8_t Progress() const { return progress_; }
    void SetProgress(uint8_t value);
    bool Busy() const { return busy_; }

    // --- The framework control's side: placement on the parent, colour, painting ---
    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.width(); }
    int Height() const { return bounds_.height(); }
    int ClientWidth() const { return Width(); }
    int ClientHeight() const { return Height(); }
    Rect ClientRect() const { return {0, 0, Width(), Height()}; }
    Rect BoundsRect() const { return bounds_; }
    // Moves and sizes the control on its parent; a change of size is handled like WM_SIZE.
    void SetBounds(int left, int top, int width, int height);
    void SetClientWidth(int w) { SetBounds(Left(), Top(), w, Height()); }
    void SetClientHeight(int h) { SetBounds(Left(), Top(), Width(), h); }
    TAlign Align() const { return align_; }
    void SetAlign(TAlign a) { align_ = a; }
    // The background colour as 0x00BBGGRR.
    uint32_t Color() const { return color_; }
    void SetColor(uint32_t c);
    // Marks the whole control for repainting (without erasing), and repaints what is marked now.
    void Invalidate();
    void Update();

    // Window messages, called by the framework. update is the part of the client to repaint.
    void on_paint(const Rect& update);
    int on_erase_background() { return 1; }
    void on_size();
    void on_mouse_enter();
    void on_mouse_leave();

    // The random source of the random styles; the control has its own unless one is given.
    void SetRandomSource(RandomSource* random) { random_ = random ? random : own_random_.get(); }

    // What the control shows and last painted, for its host and for inspection.
    const Bitmap& ScreenBitmap() const { return *screen_; }
    const Bitmap& PaintBuffer() const { return paint_buffer_; }
    Rect PicRect() const { return pic_rect_; }
    bool Painting() const { return painting_; }

protected:
    // --- Properties that TTransitionView publishes ---
    TViewPicture& Picture() { return picture_; }
    const TViewPicture& Picture() const { return picture_; }
    void SetPicture(const TViewPicture* p) { picture_.Assign(p); }
    TViewPicture& BgPicture() { return bg_picture_; }
    const TViewPicture& BgPicture() const { return bg_picture_; }
    void SetBgPicture(const TViewPicture* p) { bg_picture_.Assign(p); }
    TBackgroundMode BgMode() const { return bg_mode_; }
    void SetBgMode(TBackgroundMode m);
    bool AutoSize() const { return auto_size_; }
    void SetAutoSize(bool v);
    bool Center() const { return center_; }
    void SetCenter(bool v);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v);
    bool StretchFine() const { return stretch_fine_; }
    void SetStretchFine(bool v);
    TShowStyle Style() const { return style_; }
    void SetStyle(TShowStyle s) { style_ = s; }
    uint16_t Step() const { return step_; }
    void SetStep(uint16_t s);
    uint16_t Delay() const { return delay_; }
    void SetDelay(uint16_t d) { delay_ = d; }
    bool Reverse() const { return reverse_; }
    void SetReverse(bool v) { reverse_ = v; }
    bool Manual() const { return manual_; }
    void SetManual(bool v);
    bool Threaded() const { return threaded_; }
    void SetThreaded(bool v) { threaded_ = v; }
    TThreadPriority ThreadPriority() const { return thread_priority_; }
    void SetThreadPriority(TThreadPriority p) { thread_priority_ = p; }

    TNotifyEvent OnChange, OnProgress, OnComplete, OnMouseEnter, OnMouseLeave;
    TCustomDrawEvent OnCustomDraw, OnBeforeNewFrame, OnAfterNewFrame;

    // Hooked to the change notification of Picture.
    virtual void PictureChanged();
    // Draws the area (client coordinates) of the control into PaintBuffer and presents it.
    void Paint(const Rect& area);

private:
    friend class TAnimateThread;

    void Prepare();
    void Animate();
    void AnimateInline();
    void NextStep();
    bool ShowDone() const;
    bool Running(uint64_t show) const;
    void Finish();
    void MakeFrame();
    void InvalidateArea(Rect r);
    void ApplyAutoSize();
    void BgPictureChanged();
    void ComputePicRect();
    bool Destroying() const;
    Rect FrameRect() const;
    void PaintBackground(const Rect& piece);
    void PaintFrame(const Rect& frame, const Rect& covered);
    void SnapshotPaintBuffer(const Rect& source, Bitmap& target) const;

    // The animation thread's side, on the main thread.
    void ThreadStep(TAnimateThread* thread);
    void ThreadTerminated(TAnimateThread* thread);
    void ReapThreads();

    TransitionHost& host_;

    // Working state.
    std::atomic<uint8_t> progress_{0};
    std::atomic<bool> busy_{false};
    std::shared_ptr<Bitmap> screen_;  // shared with a frame being built, see MakeFrame
    Rect pic_rect_;
    TAnimateThread* thread_ = nullptr;               // the current show's thread, or none
    std::vector<std::unique_ptr<TAnimateThread>> threads_;  // every thread not yet joined
    bool painting_ = false;
    Bitmap paint_buffer_;
    std::atomic<bool> stopping_{false};
    std::shared_ptr<Bitmap> old_bitmap_, new_bitmap_;  // only while Busy

    // Properties.
    TViewPicture picture_;
    TViewPicture bg_picture_;
    TBackgroundMode bg_mode_ = TBackgroundMode::bmTiled;
    bool auto_size_ = true;
    bool center_ = false;
    bool stretch_ = false;
    bool stretch_fine_ = false;
    TShowStyle style_ = 51;
    uint16_t step_ = 4;
    std::atomic<uint16_t> delay_{40};
    std::atomic<bool> reverse_{false};
    std::atomic<bool> manual_{false};
    bool threaded_ = true;
    TThreadPriority thread_priority_ = TThreadPriority::tpNormal;

    // The framework control's state.
    Rect bounds_{0, 0, 100, 100};
    TAlign align_ = TAlign::alNone;
    uint32_t color_ = 0x000000;

    // Locks of the two canvases: Clear gives up when ScreenBitmap's is held by another thread.
    std::recursive_mutex screen_lock_;
    std::recursive_mutex paint_buffer_lock_;

    std::unique_ptr<RandomSource> own_random_;
    RandomSource* random_ = nullptr;
    Bitmap bg_bitmap_;               // BgPicture drawn once, for the scaled and tiled modes
    bool bg_bitmap_valid_ = false;
    uint64_t show_id_ = 0;           // counts Start calls, so a loop notices a newer show
    bool in_thread_step_ = false;    // a synchronised step of the thread is running
    bool destroying_ = false;
};

// The control with its properties and events published.
class TTransitionView : public TCustomTransitionView {
public:
    using TCustomTransitionView::TCustomTransitionView;

    using TCustomTransitionView::Picture;
    using TCustomTransitionView::SetPicture;
    using TCustomTransitionView::BgPicture;
    using TCustomTransitionView::SetBgPicture;
    using TCustomTransitionView::BgMode;
    using TCustomTransitionView::SetBgMode;
    using TCustomTransitionView::AutoSize;
    using TCustomTransitionView::SetAutoSize;
    using TCustomTransitionView::Center;
    using TCustomTransitionView::SetCenter;
    using TCustomTransitionView::Stretch;
    using TCustomTransitionView::SetStretch;
    using TCustomTransitionView::StretchFine;
    using TCustomTransitionView::SetStretchFine;
    using TCustomTransitionView::Style;
    using TCustomTransitionView::SetStyle;
    using TCustomTransitionView::Step;
    using TCustomTransitionView::SetStep;
    using TCustomTransitionView::Delay;
    using TCustomTransitionView::SetDelay;
    using TCustomTransitionView::Reverse;
    using TCustomTransitionView::SetReverse;
    using TCustomTransitionView::Manual;
    using TCustomTransitionView::SetManual;
    using TCustomTransitionView::Threaded;
    using TCustomTransitionView::SetThreaded;
    using TCustomTransitionView::ThreadPriority;
    using TCustomTransitionView::SetThreadPriority;

    using TCustomTransitionView::OnChange;
    using TCustomTransitionView::OnProgress;
    using TCustomTransitionView::OnComplete;
    using TCustomTransitionView::OnCustomDraw;
    using TCustomTransitionView::OnBeforeNewFrame;
    using TCustomTransitionView::OnAfterNewFrame;
    using TCustomTransitionView::OnMouseEnter;
    using TCustomTransitionView::OnMouseLeave;
};

}  // namespace scr
