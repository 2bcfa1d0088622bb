#include "GifPainter.h"

#include "ImageLimits.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#ifdef Q_OS_LINUX
#include <sys/eventfd.h>
#include <unistd.h>
#endif

namespace qcm {

namespace {
constexpr int kMsPerDelayUnit = 12;
constexpr int kDefaultDelay = 10;
constexpr int kMinimumDelay = 3;
constexpr int kMaximumUnthreadedDelay = 1000;
constexpr std::int64_t kUnthreadedStillWait = 12000;
constexpr std::int64_t kUnthreadedSlice = 100;
} // namespace

// ---------------------------------------------------------------- events and clocks

void TGIFWakeEvent::Set() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        set_ = true;
    }
    cv_.notify_all();
}

bool TGIFWakeEvent::Wait(std::int64_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (ms < 0) {
        cv_.wait(lock, [this] { return set_; });
    } else if (!cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return set_; })) {
        return false;
    }
    set_ = false;
    return true;
}

bool TGIFWakeEvent::TryConsume() {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool was = set_;
    set_ = false;
    return was;
}

TGIFClock::~TGIFClock() = default;

std::int64_t TSteadyClock::Now() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool TSteadyClock::WaitFor(TGIFWakeEvent& event, std::int64_t ms) {
    return event.Wait(ms);
}

std::shared_ptr<TGIFClock> TSteadyClock::Instance() {
    static const std::shared_ptr<TGIFClock> clock = std::make_shared<TSteadyClock>();
    return clock;
}

std::int64_t TManualClock::Now() {
    std::lock_guard<std::mutex> lock(mutex_);
    return now_;
}

bool TManualClock::WaitFor(TGIFWakeEvent& event, std::int64_t ms) {
    if (event.TryConsume()) {
        return true;
    }
    if (ms < 0) {
        return event.Wait(-1);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    waits_.push_back(ms);
    now_ += ms;
    return false;
}

void TManualClock::Advance(std::int64_t ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    now_ += ms;
}

std::vector<std::int64_t> TManualClock::Waits() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waits_;
}

// ---------------------------------------------------------------- hand-over

namespace gif {

// The owner is woken through an eventfd rather than a posted Qt event, so
// that nothing allocated by a painter thread crosses into the event queue.
HandOver::HandOver(QObject* context, std::function<void()> onWake)
    : context_(context), onWake_(std::move(onWake)) {
#ifdef Q_OS_LINUX
    wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, context_, [this] {
            eventfd_t count = 0;
            eventfd_read(wakeFd_, &count);
            Woken();
        });
    }
#endif
}

HandOver::~HandOver() {
    notifier_.reset();
#ifdef Q_OS_LINUX
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
    }
#endif
}

void HandOver::Wake() {
#ifdef Q_OS_LINUX
    if (wakeFd_ >= 0) {
        eventfd_write(wakeFd_, 1);
        return;
    }
#endif
    QMetaObject::invokeMethod(
        context_, [this] { Woken(); }, Qt::QueuedConnection);
}

void HandOver::Woken() {
    Drain();
    if (onWake_) {
        onWake_();
    }
}

bool HandOver::Run(const std::function<void()>& fn) {
    Task task{&fn, false, nullptr};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (closed_) {
            return false;
        }
        queue_.push_back(&task);
    }
    cv_.notify_all();
    // Served by the owner's event loop, unless the owner waits for painters
    // and serves the queue itself first.
    Wake();
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&task] { return task.done; });
    if (task.error) {
        std::rethrow_exception(task.error);
    }
    return true;
}

void HandOver::Drain() {
    while (DrainOne()) {
    }
}

bool HandOver::DrainOne() {
    ++drainDepth_;
    {
        Task* task = nullptr;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (queue_.empty()) {
                --drainDepth_;
                return false;
            }
            task = queue_.front();
            queue_.pop_front();
        }
        std::exception_ptr error;
        try {
            (*task->fn)();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            task->error = error;
            task->done = true;
        }
        cv_.notify_all();
    }
    --drainDepth_;
    return true;
}

void HandOver::WaitUntil(const std::function<bool()>& done) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!done()) {
        if (!queue_.empty()) {
            // One task at a time: done() may hold after any of them.
            lock.unlock();
            DrainOne();
            lock.lock();
            continue;
        }
        cv_.wait(lock);
    }
}

void HandOver::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
}

} // namespace gif

// ---------------------------------------------------------------- painter

TGIFPainter::TGIFPainter(TGIFImage& image, QImage& target, bool threaded, TGIFClock& clock,
                         gif::HandOver* handOver)
    : image_(image), target_(target), options_(image.DrawOptions), threaded_(threaded),
      speed_(image.AnimationSpeed), clock_(clock), handOver_(handOver), hooks_(image.PainterHooks) {
    bool restores = false;
    bool erases = options_.ClearOnLoop;
    for (const auto& frame : image.frames_) {
        for (const auto& extension : frame->Extensions) {
            if (const auto* gce =
                    dynamic_cast<const TGIFGraphicControlExtension*>(extension.get())) {
                restores = restores || gce->Disposal() == 2 || gce->Disposal() == 3;
                erases = erases || gce->Disposal() == 2;
            }
        }
    }
    if (!(restores || options_.ClearOnLoop) || target_.isNull()) {
        return;
    }
    backgroundColor_ = image.BackgroundColor();
    if (options_.Transparent && erases) {
        background_ = target_.copy();
    }
    backup_ = target_.copy();
    frameBuffer_ = QImage(target_.size(), target_.format());
    frameBuffer_.fill(backgroundColor_);
}

void TGIFPainter::Stop() {
    stopped_ = true;
    wake_.Set();
}

void TGIFPainter::Restart() {
    restart_ = true;
    wake_.Set();
}

void TGIFPainter::SetHooks(TGIFPainterHooks hooks) {
    hooks_ = std::move(hooks);
}

void TGIFPainter::Execute() {
    try {
        Run();
    } catch (...) {
        error_ = std::current_exception();
        stopped_ = true;
        activeFrame_ = -1;
    }
}

void TGIFPainter::HandOverWork(const std::function<void()>& fn) {
    if (handOver_ != nullptr) {
        if (!handOver_->Run(fn)) {
            stopped_ = true;
        }
    } else {
        fn();
    }
}

void TGIFPainter::Notify(const std::function<void(TGIFPainter&)>& hook) {
    if (hook) {
        HandOverWork([this, &hook] { hook(*this); });
    }
}

namespace {
// What the painter needs of a frame, read before the frame is handed over:
// a composition may run code that clears the picture.
struct FrameFacts {
    bool empty = true;
    int disposal = 1;
    int delay = 0;
    bool hasLoop = false;
    int loops = 0;
};

FrameFacts FactsOf(const TGIFSubImage& frame) {
    FrameFacts facts;
    facts.empty = frame.Empty();
    for (const auto& extension : frame.Extensions) {
        if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get())) {
            if (!facts.hasLoop) {
                facts.hasLoop = true;
                facts.loops = loop->Loops;
            }
        }
        if (const auto* gce = dynamic_cast<const TGIFGraphicControlExtension*>(extension.get())) {
            facts.disposal = gce->Disposal();
        }
    }
    if (frame.GraphicControlExtension != nullptr) {
        facts.delay = frame.GraphicControlExtension->Delay;
    }
    return facts;
}
} // namespace

void TGIFPainter::Run() {
    while (restart_ && !stopped_) {
        activeFrame_ = 0;
        Notify(hooks_.OnStart);
        started_ = false;
        restart_ = false;
        int loops = 1;
        int firstFrame = 0;
        bool loopSeen = false;
        bool drawn = false;
        int delay = threaded_ ? 0 : 1;
        previousDisposal_ = 1;
        lastTime_ = clock_.Now();
        lastWait_ = 0;
        pass_ = 0;

        while ((loops != 0 || options_.LoopContinuously) && !stopped_ && !restart_) {
            activeFrame_ = firstFrame;
            ++pass_;
            if (drawn) {
                Notify(hooks_.OnLoop);
            }
            for (;;) {
                const int index = activeFrame_;
                if (stopped_ || restart_ || index < 0 || index >= image_.FrameCount()) {
                    break;
                }
                const FrameFacts facts = FactsOf(image_.Frame(index));
                if (facts.empty) {
                    break;
                }
                if (delay < 1) {
                    std::this_thread::yield();
                } else {
                    // Building the bitmap counts in the wait's overrun.
                    HandOverWork([this, index] { image_.Frame(index).Bitmap(); });
                    WaitDelay(delay);
                }
                if (stopped_ || restart_) {
                    break;
                }
                Notify(hooks_.OnBeforeFrame);
                if (facts.hasLoop && !loopSeen) {
                    loopSeen = true;
                    loops = facts.loops;
                    if ((threaded_ && loops == 0) || options_.LoopContinuously) {
                        loops = -1;
                    }
                    firstFrame = index;
                }
                HandOverWork([this, index, &facts] { Compose(index, facts.disposal); });
                drawn = true;
                previousDisposal_ = facts.disposal;
                delay = kDefaultDelay;
                if (facts.delay != 0) {
                    delay = std::max(facts.delay, kMinimumDelay);
                    if (!threaded_) {
                        delay = std::min(delay, kMaximumUnthreadedDelay);
                    }
                }
                Notify(hooks_.OnAfterFrame);
                if (activeFrame_ == index) {
                    activeFrame_ = index + 1;
                }
                if (!options_.Animate) {
                    break;
                }
            }
            if (loops > 0) {
                --loops;
            }
            if (!(options_.Animate && options_.Loop)) {
                break;
            }
        }
    }
    activeFrame_ = -1;
    Notify(hooks_.OnEnd);
}

void TGIFPainter::WaitDelay(int delay) {
    const std::int64_t now = clock_.Now();
    const std::int64_t overrun = now - lastTime_ - lastWait_;
    std::int64_t wait = 0;
    if (speed_ >= 1) {
        // Half of what the last frame cost beyond its wait comes off this one.
        const double exact =
            static_cast<double>(std::int64_t{delay} * kMsPerDelayUnit - overrun / 2) * 100.0 /
            speed_;
        wait = std::llround(exact);
        lastWait_ = wait;
    } else {
        wait = threaded_ ? -1 : kUnthreadedStillWait;
    }
    lastTime_ = now;

    if (threaded_) {
        if (wait > 0 || speed_ == 0) {
            if (clock_.WaitFor(wake_, wait)) {
                lastWait_ = 0;
                lastTime_ = clock_.Now();
            }
        }
        return;
    }
    // Without a thread: short slices, serving the application in between.
    std::int64_t left = std::max<std::int64_t>(wait, 1);
    while (left > 0 && !stopped_ && !restart_) {
        const std::int64_t slice = std::min(left, kUnthreadedSlice);
        const std::int64_t before = clock_.Now();
        const bool woken = clock_.WaitFor(wake_, slice);
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents();
        }
        if (woken) {
            break;
        }
        left -= std::max<std::int64_t>(clock_.Now() - before, 1);
    }
}

void TGIFPainter::CopyImage(QImage& to, const QImage& from) {
    QPainter p(&to);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, from);
}

void TGIFPainter::DrawFrameOn(QImage& surface, int index) {
    if (surface.isNull()) {
        return;
    }
    QPainter p(&surface);
    image_.DrawFrameInto(p, image_.Frame(index), surface.rect(), options_.Transparent);
}

void TGIFPainter::EraseFrame(QImage& surface, int index) {
    const TGIFSubImage& frame = image_.Frame(index);
    const QRect area =
        TGIFImage::MapFrameRect(frame, surface.rect(), image_.Width(), image_.Height()) &
        surface.rect();
    if (area.isEmpty()) {
        return;
    }
    QPainter p(&surface);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    if (options_.Transparent && !background_.isNull()) {
        p.drawImage(area, background_, area);
    } else {
        p.fillRect(area, backgroundColor_);
    }
}

void TGIFPainter::Compose(int index, int disposal) {
    if (target_.isNull() || index >= image_.FrameCount()) {
        return;
    }
    if (backup_.isNull()) {
        // Nothing restores: frames pile up on the target.
        DrawFrameOn(target_, index);
    } else {
        if (index == 0 && options_.ClearOnLoop) {
            EraseFrame(backup_, 0);
        }
        switch (disposal) {
        case 0:
        case 1:
            DrawFrameOn(backup_, index);
            CopyImage(target_, backup_);
            break;
        case 2:
            DrawFrameOn(backup_, index);
            CopyImage(target_, backup_);
            EraseFrame(backup_, index);
            break;
        case 3:
            if (previousDisposal_ <= 1) {
                DrawFrameOn(target_, index);
            } else if (previousDisposal_ <= 3) {
                CopyImage(frameBuffer_, backup_);
                DrawFrameOn(frameBuffer_, index);
                CopyImage(target_, frameBuffer_);
            }
            break;
        default:
            break; // methods 4 to 7 are not defined: nothing is drawn
        }
    }
    started_ = true;
    image_.Changed();
}

// ---------------------------------------------------------------- playing at once

void PlayFrames(TGIFImage& image, TGIFClock& clock, int maxPasses,
                const std::function<void(const QImage& picture, std::int64_t waitMs)>& onFrame) {
    if (image.FrameCount() == 0) {
        return;
    }
    QImage buffer =
        pictures::newImage(image.Width(), image.Height(), QImage::Format_ARGB32_Premultiplied);
    if (buffer.isNull()) {
        throw GIFException(QStringLiteral("Image dimensions too large"));
    }
    buffer.fill(Qt::transparent);
    if (image.FrameCount() == 1 || !image.DrawOptions.Animate) {
        {
            QPainter p(&buffer);
            image.DrawFrameInto(p, image.Frame(0), buffer.rect(), image.DrawOptions.Transparent);
        }
        onFrame(buffer, 0);
        return;
    }
    TGIFPainter painter(image, buffer, true, clock);
    std::int64_t last = clock.Now();
    TGIFPainterHooks hooks = image.PainterHooks;
    hooks.OnAfterFrame = [&, user = hooks.OnAfterFrame](TGIFPainter& p) {
        const std::int64_t now = clock.Now();
        onFrame(buffer, now - last);
        last = now;
        if (user) {
            user(p);
        }
    };
    hooks.OnLoop = [maxPasses, user = hooks.OnLoop](TGIFPainter& p) {
        if (maxPasses > 0 && p.Pass() > maxPasses) {
            p.Stop();
            return;
        }
        if (user) {
            user(p);
        }
    };
    painter.SetHooks(std::move(hooks));
    painter.Execute();
    if (painter.Error()) {
        std::rethrow_exception(painter.Error());
    }
}

} // namespace qcm
