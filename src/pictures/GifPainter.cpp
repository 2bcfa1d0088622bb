#include "GifPainter.h"

#include "ImageLimits.h"
#include "platform/Reveil.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <thread>

namespace qcm::pictures {

using namespace qcm::core;

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

HandOver::HandOver(QObject* context, std::function<void()> onWake)
    : onWake_(std::move(onWake)),
      reveil_(std::make_unique<platform::Reveil>(context, [this] { Woken(); })) {}

HandOver::~HandOver() = default;

void HandOver::Wake() {
    reveil_->Sonner();
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
        const std::int64_t ms = std::int64_t{delay} * kMsPerDelayUnit - overrun / 2;
        const double exact = static_cast<double>(ms) * 100.0 / speed_;
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

// ---------------------------------------------------------------- painter threads

namespace gif {

// The painter threads of one picture and the hand-over they share.
struct Painters {
    struct Slot {
        std::unique_ptr<TGIFPainter> painter;
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    explicit Painters(TGIFImage& owner)
        : image(owner), context(std::make_unique<QObject>()),
          handOver(std::make_unique<HandOver>(context.get(), [this] { Reap(); })) {}
    ~Painters() {
        StopAll();
        handOver.reset();
        context.reset();
    }

    // Starts a painter thread over target and waits for its first
    // composition (or its end), serving hand-overs meanwhile.
    void Start(QImage& target, const std::shared_ptr<TGIFClock>& clock) {
        auto slot = std::make_unique<Slot>();
        slot->painter = std::make_unique<TGIFPainter>(image, target, true, *clock, handOver.get());
        Slot* raw = slot.get();
        drawing = raw->painter.get();
        {
            std::lock_guard<std::mutex> guard(lock);
            painters.push_back(std::move(slot));
        }
        HandOver* h = handOver.get();
        raw->thread = std::thread([raw, clock, h] {
            raw->painter->Execute();
            h->Update([raw] { raw->finished = true; });
            h->Wake(); // the owner reaps the ended thread
        });
        waiting = true;
        handOver->WaitUntil([raw] { return raw->painter->Started() || raw->finished; });
        waiting = false;
    }

    int Running() const {
        std::lock_guard<std::mutex> guard(lock);
        return static_cast<int>(std::count_if(painters.begin(), painters.end(),
                                              [](const auto& slot) { return !slot->finished; }));
    }

    // Joins the painters that have ended.
    void Reap() {
        if (waiting) {
            return;
        }
        std::vector<std::unique_ptr<Slot>> ended;
        {
            std::lock_guard<std::mutex> guard(lock);
            auto split = std::stable_partition(painters.begin(), painters.end(),
                                               [](const auto& slot) { return !slot->finished; });
            std::move(split, painters.end(), std::back_inserter(ended));
            painters.erase(split, painters.end());
        }
        for (auto& slot : ended) {
            slot->thread.join();
            if (slot->painter.get() == drawing) {
                drawing = nullptr;
            }
            // A painter's error ends only its animation; whoever listens is told.
            if (slot->painter->Error() && image.OnWarning) {
                try {
                    std::rethrow_exception(slot->painter->Error());
                } catch (const Exception& e) {
                    image.OnWarning(TGIFSeverity::Error, e.Message());
                } catch (const std::exception& e) {
                    image.OnWarning(TGIFSeverity::Error, QString::fromLocal8Bit(e.what()));
                }
            }
        }
    }

    // Stops every painter and waits for them while serving their hand-overs.
    // False when asked while waiting for painters already.
    bool StopAll() {
        if (waiting) {
            return false;
        }
        std::vector<Slot*> running;
        {
            std::lock_guard<std::mutex> guard(lock);
            for (auto& slot : painters) {
                slot->painter->Stop();
                running.push_back(slot.get());
            }
        }
        if (!running.empty()) {
            if (handOver->Draining()) {
                // Asked from inside a composition: the painter waits for it to
                // return, so it cannot end before we do. It has been told to
                // stop; it is joined later.
                return true;
            }
            waiting = true;
            handOver->WaitUntil([&running] {
                return std::all_of(running.begin(), running.end(),
                                   [](const Slot* slot) { return slot->finished.load(); });
            });
            waiting = false;
            Reap();
        }
        drawing = nullptr;
        return true;
    }

    TGIFImage& image;
    // Set while this thread waits for painters: ended ones are not reaped
    // meanwhile, since the wait still looks at them.
    bool waiting = false;
    TGIFPainter* drawing = nullptr; // the painter that feeds the back buffer
    mutable std::mutex lock;
    std::vector<std::unique_ptr<Slot>> painters;
    std::unique_ptr<QObject> context;
    std::unique_ptr<HandOver> handOver;
};

} // namespace gif

// ---------------------------------------------------------------- animated drawing

TGIFImage::TGIFImage() = default;

TGIFImage::~TGIFImage() {
    // The painters stop before the frames they read go.
    painters_.reset();
}

void TGIFImage::Draw(QPainter& canvas, const QRect& rect) {
    if (drawing_ || frames_.empty()) {
        return;
    }
    drawing_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{drawing_};

    if (painters_) {
        painters_->Reap();
    }
    if (frames_.size() == 1 || !DrawOptions.Animate) {
        DrawFrame(canvas, *frames_.front(), rect);
        return;
    }
    if (backBuffer_.isNull()) {
        StartAnimation(canvas, rect);
    }
    if (!backBuffer_.isNull()) {
        DrawBuffer(canvas, backBuffer_, rect);
    } else {
        // No back buffer (a screen of no size, or no memory): show the first frame.
        DrawFrame(canvas, *frames_.front(), rect);
    }
}

void TGIFImage::StartAnimation(QPainter& canvas, const QRect& rect) {
    StopPainting();
    backBuffer_ =
        pictures::NewImage(header_.Width, header_.Height, QImage::Format_ARGB32_Premultiplied);
    if (backBuffer_.isNull()) {
        return;
    }
    backBuffer_.fill(Qt::transparent);

    // What the canvas shows inside rect becomes the background that
    // transparent pixels let through.
    QPaintDevice* device = canvas.device();
    QImage copied;
    const QImage* under = nullptr;
    QRect area;
    if (device != nullptr) {
        area = canvas.combinedTransform().mapRect(QRectF(rect)).toAlignedRect();
        if (device->devType() == QInternal::Image) {
            const auto* image = static_cast<const QImage*>(device);
            if (image->rect().contains(area)) {
                under = image; // read in place: a picture's worth of memory saved
            } else if (area.intersects(image->rect())) {
                copied = image->copy(area);
            }
        } else if (device->devType() == QInternal::Pixmap) {
            const auto* pixmap = static_cast<const QPixmap*>(device);
            if (area.intersects(pixmap->rect())) {
                copied = pixmap->copy(area).toImage();
            }
        }
        if (!copied.isNull()) {
            under = &copied;
            area = copied.rect();
        }
    }
    if (under != nullptr) {
        QPainter p(&backBuffer_);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(backBuffer_.rect(), *under, area);
    }
    if (rect.isEmpty()) {
        return;
    }

    std::shared_ptr<TGIFClock> clock = Clock ? Clock : TSteadyClock::Instance();
    if (!DrawOptions.Async) {
        TGIFPainter painter(*this, backBuffer_, false, *clock);
        painter.Execute();
        if (painter.Error()) {
            std::rethrow_exception(painter.Error());
        }
        return;
    }

    if (!painters_) {
        painters_ = std::make_unique<gif::Painters>(*this);
    }
    painters_->Start(backBuffer_, std::move(clock));
}

int TGIFImage::RunningPainters() const {
    return painters_ ? painters_->Running() : 0;
}

void TGIFImage::StopPainting() {
    if (!painters_ || painters_->StopAll()) {
        backBuffer_ = QImage();
    }
}

// ---------------------------------------------------------------- playing at once

void PlayFrames(TGIFImage& image, TGIFClock& clock, int maxPasses,
                const std::function<void(const QImage& picture, std::int64_t waitMs)>& onFrame) {
    if (image.FrameCount() == 0) {
        return;
    }
    QImage buffer =
        pictures::NewImage(image.Width(), image.Height(), QImage::Format_ARGB32_Premultiplied);
    if (buffer.isNull()) {
        throw GIFException(TooLargeText(image.Width(), image.Height()));
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

} // namespace qcm::pictures
