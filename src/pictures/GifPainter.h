#pragma once

#include "Gif.h"

#include <QImage>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace qcm::platform {
class Reveil;
}

namespace qcm::pictures {

using namespace qcm::core;

// An auto-reset event: Set() lets one wait through, then it closes again.
class TGIFWakeEvent {
public:
    void Set();
    // Blocks until set or ms milliseconds have passed (ms < 0: until set).
    // True when it was set.
    bool Wait(std::int64_t ms);
    // Consumes a pending Set() without blocking.
    bool TryConsume();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool set_ = false;
};

// The painters' time: a millisecond clock and a wait that an event can end.
class TGIFClock {
public:
    virtual ~TGIFClock();
    virtual std::int64_t Now() = 0;
    // True when the event ended the wait, false when the time ran out.
    virtual bool WaitFor(TGIFWakeEvent& event, std::int64_t ms) = 0;
};

// The real clock: steady time, real waiting.
class TSteadyClock : public TGIFClock {
public:
    std::int64_t Now() override;
    bool WaitFor(TGIFWakeEvent& event, std::int64_t ms) override;
    static std::shared_ptr<TGIFClock> Instance();
};

// A clock that only moves when someone waits on it: each wait moves it on by
// the time asked, at once. Waits for ever still block until the event is set.
class TManualClock : public TGIFClock {
public:
    std::int64_t Now() override;
    bool WaitFor(TGIFWakeEvent& event, std::int64_t ms) override;
    void Advance(std::int64_t ms);
    // Every timed wait asked for, in order.
    std::vector<std::int64_t> Waits() const;

private:
    mutable std::mutex mutex_;
    std::int64_t now_ = 0;
    std::vector<std::int64_t> waits_;
};

namespace gif {

// Work handed from painter threads to the thread that owns the picture. The
// painter queues a task and waits; the owner runs it from its event loop (a
// platform::Reveil wakes it) or, while it waits for painters itself, from
// WaitUntil.
class HandOver {
public:
    // context lives in the owner's thread; onWake runs there after queued
    // tasks whenever a painter wakes the owner.
    HandOver(QObject* context, std::function<void()> onWake);
    ~HandOver();
    HandOver(const HandOver&) = delete;
    HandOver& operator=(const HandOver&) = delete;

    // Painter side: has the owner's event loop serve the queue and run onWake.
    void Wake();

    // Painter side: runs fn on the owner's thread and waits for it. Rethrows
    // what fn threw. False when the hand-over was closed.
    bool Run(const std::function<void()>& fn);
    // Owner side: runs every queued task.
    void Drain();
    // Owner side: runs the oldest queued task; false when there was none.
    bool DrainOne();
    // Owner side: serves tasks until done() holds (checked under the lock).
    void WaitUntil(const std::function<bool()>& done);
    // Wakes WaitUntil to check again; call after changing what done() reads.
    template <class F> void Update(F&& change) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            change();
        }
        cv_.notify_all();
    }
    // Refuses new tasks (the owner is going away).
    void Close();
    // True while the owner runs a task.
    bool Draining() const { return drainDepth_ > 0; }

private:
    struct Task {
        const std::function<void()>* fn;
        bool done = false;
        std::exception_ptr error;
    };

    void Woken();

    std::function<void()> onWake_;
    std::unique_ptr<platform::Reveil> reveil_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Task*> queue_;
    bool closed_ = false;
    int drainDepth_ = 0; // owner's thread only
};

} // namespace gif

// One animation run: keeps the frame timing, composes frames into a target
// image. Threaded painters hand every composition to the owner's thread.
class TGIFPainter {
public:
    // target: the image frames are composed into (the picture's back buffer);
    // threaded: the timing rules of a painter thread (delay 0 first, a loop
    // count of 0 for ever); handOver: null to compose in the caller's thread.
    TGIFPainter(TGIFImage& image, QImage& target, bool threaded, TGIFClock& clock,
                gif::HandOver* handOver = nullptr);

    // The whole work of the painter; errors are kept, not thrown.
    void Execute();
    // Any thread: ends the run as soon as possible, waits included.
    void Stop();
    void Restart();
    // Replaces the hooks copied from the picture; before Execute() only.
    void SetHooks(TGIFPainterHooks hooks);

    bool Stopped() const { return stopped_; }
    bool Started() const { return started_; }
    int ActiveFrame() const { return activeFrame_; }
    void SetActiveFrame(int index) { activeFrame_ = index; }
    // Passes begun so far in this run (1 during the first).
    int Pass() const { return pass_; }
    TGIFImage& Image() { return image_; }
    std::exception_ptr Error() const { return error_; }

private:
    void Run();
    void WaitDelay(int delay);
    void HandOverWork(const std::function<void()>& fn);
    void Notify(const std::function<void(TGIFPainter&)>& hook);
    void Compose(int index, int disposal);
    void DrawFrameOn(QImage& surface, int index);
    void EraseFrame(QImage& surface, int index);
    static void CopyImage(QImage& to, const QImage& from);

    TGIFImage& image_;
    QImage& target_;
    const TGIFDrawOptions options_;
    const bool threaded_;
    const int speed_;
    TGIFClock& clock_;
    gif::HandOver* handOver_;
    TGIFPainterHooks hooks_;
    TGIFWakeEvent wake_;

    std::atomic<bool> stopped_{false};
    std::atomic<bool> restart_{true};
    std::atomic<bool> started_{false};
    std::atomic<int> activeFrame_{-1};
    int pass_ = 0;
    int previousDisposal_ = 1;
    std::int64_t lastTime_ = 0;
    std::int64_t lastWait_ = 0;

    QImage background_;
    QImage backup_;
    QImage frameBuffer_;
    QColor backgroundColor_;
    std::exception_ptr error_;
};

// Plays image's animation at once on clock, as a painter thread would time it,
// calling onFrame after each composition with the composed picture and the
// milliseconds waited before it. Stops after maxPasses passes (0: only when the
// animation ends by itself). A GIF of one frame gives one picture. The
// composition starts from a transparent picture of the logical screen's size.
void PlayFrames(TGIFImage& image, TGIFClock& clock, int maxPasses,
                const std::function<void(const QImage& picture, std::int64_t waitMs)>& onFrame);

} // namespace qcm::pictures
