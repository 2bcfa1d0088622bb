#include "GifTestEncoder.h"

#include "pictures/Gif.h"
#include "pictures/GifPainter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QThread>

#include <gtest/gtest.h>

using namespace qcm;
using namespace qcm::core;
using namespace qcm::pictures;
using qcm::test::GifBuilder;

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const std::vector<QRgb> kColors = {kRed, kGreen, kBlue, kWhite};
constexpr QRgb kClear = 0;

std::unique_ptr<TGIFImage> Read(const QByteArray& bytes) {
    auto image = std::make_unique<TGIFImage>();
    image->LoadFromBytes(bytes);
    return image;
}

std::vector<std::uint8_t> Solid(int count, std::uint8_t index) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(count), index);
}

// Frames of one pixel of colour i, with the given delays.
QByteArray Delays(const std::vector<int>& delays, int loop = -1) {
    GifBuilder gif;
    gif.Header(1, 1, kColors);
    if (loop >= 0) {
        gif.Loop(loop);
    }
    for (std::size_t i = 0; i < delays.size(); ++i) {
        gif.Gce(1, delays[i]).Image(0, 0, 1, 1, {static_cast<std::uint8_t>(i % 4)}, 2);
    }
    return gif.Trailer().bytes;
}

struct Played {
    std::vector<QImage> pictures;
    std::vector<std::int64_t> waits;
};

Played Play(TGIFImage& image, int maxPasses = 0) {
    Played played;
    TManualClock clock;
    PlayFrames(image, clock, maxPasses, [&](const QImage& picture, std::int64_t wait) {
        played.pictures.push_back(picture.copy());
        played.waits.push_back(wait);
    });
    return played;
}

std::vector<QRgb> Pixels(const QImage& image) {
    std::vector<QRgb> out;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        for (int x = 0; x < argb.width(); ++x) {
            out.push_back(argb.pixel(x, y));
        }
    }
    return out;
}

// Serves queued hand-overs until pred holds or a generous time is up.
template <class Pred> bool ServeUntil(Pred pred) {
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > 20000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace

TEST(GifAnimation, WaitsTwelveMillisecondsPerDelayUnit) {
    // Before each composition: nothing for the first, then the previous
    // frame's delay: 5 -> 60, 0 -> 120 (default 10), 1 -> 36 (minimum 3),
    // 2 -> 36, 200 -> 2400.
    auto image = Read(Delays({5, 0, 1, 2, 200, 7}));
    const Played played = Play(*image);
    EXPECT_EQ(played.waits, (std::vector<std::int64_t>{0, 60, 120, 36, 36, 2400}));
}

TEST(GifAnimation, OverrunComesHalfOffTheNextWait) {
    auto image = Read(Delays({5, 5, 5}));
    TManualClock clock;
    std::vector<std::int64_t> waits;
    // Each composition costs 40 ms beyond its wait.
    image->PainterHooks.OnAfterFrame = [&clock](TGIFPainter&) { clock.Advance(40); };
    PlayFrames(*image, clock, 0, [](const QImage&, std::int64_t) {});
    EXPECT_EQ(clock.Waits(), (std::vector<std::int64_t>{60 - 20, 60 - 20}));
}

TEST(GifAnimation, AnimationSpeedScalesWaits) {
    auto image = Read(Delays({5, 5}));
    image->AnimationSpeed = 200;
    TManualClock clock;
    PlayFrames(*image, clock, 0, [](const QImage&, std::int64_t) {});
    EXPECT_EQ(clock.Waits(), (std::vector<std::int64_t>{30}));
}

TEST(GifAnimation, LoopCountsGivePassesInAll) {
    struct Case {
        const char* name;
        QByteArray gif;
        int maxPasses;
        std::vector<QRgb> shown; // colour of each composition
    };
    // The loop extension sits on frame 1: later passes begin there.
    GifBuilder later;
    later.Header(1, 1, kColors)
        .Gce(1, 5)
        .Image(0, 0, 1, 1, {0}, 2)
        .Loop(2)
        .Gce(1, 5)
        .Image(0, 0, 1, 1, {1}, 2)
        .Gce(1, 5)
        .Image(0, 0, 1, 1, {2}, 2)
        .Trailer();
    const Case cases[] = {
        {"no loop extension", Delays({5, 5}), 0, {kRed, kGreen}},
        {"loop count 1", Delays({5, 5}, 1), 0, {kRed, kGreen}},
        {"loop count 2", Delays({5, 5}, 2), 0, {kRed, kGreen, kRed, kGreen}},
        {"loop count 0, three passes",
         Delays({5, 5}, 0),
         3,
         {kRed, kGreen, kRed, kGreen, kRed, kGreen}},
        {"loop extension on frame 1", later.bytes, 0, {kRed, kGreen, kBlue, kGreen, kBlue}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto image = Read(c.gif);
        const Played played = Play(*image, c.maxPasses);
        std::vector<QRgb> shown;
        for (const QImage& picture : played.pictures) {
            shown.push_back(picture.pixel(0, 0));
        }
        EXPECT_EQ(shown, c.shown);
    }
}

TEST(GifAnimation, DisposalRestoresBackgroundAndPrevious) {
    // A red 2x2 first frame, then a green pixel at (0,0) with the disposal
    // under test, then a blue pixel at (1,1).
    struct Case {
        int disposal;
        std::vector<QRgb> afterSecond;
        std::vector<QRgb> afterThird;
    };
    const Case cases[] = {
        {1, {kGreen, kRed, kRed, kRed}, {kGreen, kRed, kRed, kBlue}},
        // 2: the area goes back to what was under the picture (nothing).
        {2, {kGreen, kRed, kRed, kRed}, {kClear, kRed, kRed, kBlue}},
        // 3: the area goes back to the frame before.
        {3, {kGreen, kRed, kRed, kRed}, {kRed, kRed, kRed, kBlue}},
        // Without a restoring frame in the GIF, every method piles up.
        {5, {kGreen, kRed, kRed, kRed}, {kGreen, kRed, kRed, kBlue}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.disposal);
        auto image = Read(GifBuilder()
                              .Header(2, 2, kColors)
                              .Gce(1, 5)
                              .Image(0, 0, 2, 2, Solid(4, 0), 2)
                              .Gce(c.disposal, 5)
                              .Image(0, 0, 1, 1, {1}, 2)
                              .Gce(1, 5)
                              .Image(1, 1, 1, 1, {2}, 2)
                              .Trailer()
                              .bytes);
        const Played played = Play(*image);
        ASSERT_EQ(played.pictures.size(), 3U);
        EXPECT_EQ(Pixels(played.pictures[1]), c.afterSecond);
        EXPECT_EQ(Pixels(played.pictures[2]), c.afterThird);
    }
}

TEST(GifAnimation, DisposalThreeAfterTwoRestoresTheErasedBackup) {
    auto image = Read(GifBuilder()
                          .Header(2, 1, kColors)
                          .Gce(2, 5)
                          .Image(0, 0, 2, 1, {0, 0}, 2)
                          .Gce(3, 5)
                          .Image(1, 0, 1, 1, {1}, 2)
                          .Gce(1, 5)
                          .Image(0, 0, 1, 1, {2}, 2)
                          .Trailer()
                          .bytes);
    const Played played = Play(*image);
    ASSERT_EQ(played.pictures.size(), 3U);
    EXPECT_EQ(Pixels(played.pictures[0]), (std::vector<QRgb>{kRed, kRed}));
    EXPECT_EQ(Pixels(played.pictures[1]), (std::vector<QRgb>{kClear, kGreen}));
    EXPECT_EQ(Pixels(played.pictures[2]), (std::vector<QRgb>{kBlue, kClear}));
}

TEST(GifAnimation, TransparentPixelsShowWhatWasUnder) {
    auto image = Read(GifBuilder()
                          .Header(2, 1, kColors)
                          .Gce(1, 5, 3)
                          .Image(0, 0, 2, 1, {0, 3}, 2)
                          .Gce(1, 5, 3)
                          .Image(0, 0, 2, 1, {3, 1}, 2)
                          .Trailer()
                          .bytes);
    const Played played = Play(*image);
    ASSERT_EQ(played.pictures.size(), 2U);
    EXPECT_EQ(Pixels(played.pictures[0]), (std::vector<QRgb>{kRed, kClear}));
    EXPECT_EQ(Pixels(played.pictures[1]), (std::vector<QRgb>{kRed, kGreen}));
}

TEST(GifAnimation, FrameRectangleIsMappedWithRounding) {
    TGIFSubImage frame;
    frame.Left = 1;
    frame.Top = 2;
    frame.Width = 3;
    frame.Height = 1;
    struct Case {
        QRect rect;
        QRect expected;
    };
    const Case cases[] = {
        {QRect(0, 0, 10, 10), QRect(1, 2, 3, 1)},
        {QRect(5, 7, 10, 10), QRect(6, 9, 3, 1)},
        {QRect(0, 0, 25, 15), QRect(3, 3, 7, 2)}, // 2.5 -> 3, 10 -> 10; 3 -> 3, 4.5 -> 5
        {QRect(0, 0, 3, 3), QRect(0, 1, 1, 0)},   // 0.3 -> 0, 1.2 -> 1; 0.6 -> 1, 0.9 -> 1
        {QRect(0, 0, 40000, 40000), QRect(4000, 8000, 12000, 4000)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TGIFImage::MapFrameRect(frame, c.rect, 10, 10), c.expected) << c.rect.width();
    }
    EXPECT_TRUE(TGIFImage::MapFrameRect(frame, QRect(0, 0, 10, 10), 0, 10).isNull());
}

TEST(GifAnimation, StillPictureDrawsDirectlyWithoutPainter) {
    auto image = Read(GifBuilder()
                          .Header(2, 1, kColors)
                          .Gce(1, 5, 3)
                          .Image(0, 0, 2, 1, {1, 3}, 2)
                          .Trailer()
                          .bytes);
    QImage canvas(4, 2, QImage::Format_ARGB32);
    canvas.fill(kWhite);
    {
        QPainter p(&canvas);
        image->Draw(p, canvas.rect());
    }
    EXPECT_EQ(image->RunningPainters(), 0);
    EXPECT_TRUE(image->BackBuffer().isNull());
    EXPECT_EQ(canvas.pixel(1, 1), kGreen);
    EXPECT_EQ(canvas.pixel(2, 0), kWhite); // transparent: the canvas shows through
}

TEST(GifAnimation, PainterThreadFeedsBackBufferOnGuiThread) {
    auto image = Read(GifBuilder()
                          .Header(2, 1, kColors)
                          .Gce(1, 5, 3)
                          .Image(0, 0, 2, 1, {0, 3}, 2)
                          .Gce(1, 5, 3)
                          .Image(0, 0, 2, 1, {3, 1}, 2)
                          .Trailer()
                          .bytes);
    auto clock = std::make_shared<TManualClock>();
    image->Clock = clock;
    int changes = 0;
    bool offThread = false;
    QThread* gui = QThread::currentThread();
    image->OnChange = [&] {
        ++changes;
        offThread = offThread || QThread::currentThread() != gui;
    };
    QImage canvas(4, 2, QImage::Format_ARGB32);
    canvas.fill(kWhite);
    {
        QPainter p(&canvas);
        image->Draw(p, canvas.rect());
    }
    // The first frame is there when Draw returns, over what the canvas had.
    EXPECT_EQ(canvas.pixel(0, 0), kRed);
    EXPECT_EQ(canvas.pixel(3, 1), kWhite);
    ASSERT_TRUE(ServeUntil([&] { return image->RunningPainters() == 0; }));
    EXPECT_EQ(Pixels(image->BackBuffer()), (std::vector<QRgb>{kRed, kGreen}));
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(offThread);
    EXPECT_EQ(clock->Waits(), (std::vector<std::int64_t>{60}));

    // A larger box shows the same back buffer stretched; no new painter.
    QImage larger(8, 4, QImage::Format_ARGB32);
    larger.fill(kBlue);
    {
        QPainter p(&larger);
        image->Draw(p, larger.rect());
    }
    EXPECT_EQ(image->RunningPainters(), 0);
    EXPECT_EQ(larger.pixel(7, 3), kGreen);
    EXPECT_EQ(larger.pixel(0, 0), kRed);
}

TEST(GifAnimation, ReleasingDuringLongDelayReturnsAtOnce) {
    // Real clock: frame 0 asks for 655.35 s before frame 1.
    auto image = Read(GifBuilder()
                          .Header(1, 1, kColors)
                          .Loop(0)
                          .Gce(1, 65535)
                          .Image(0, 0, 1, 1, {0}, 2)
                          .Gce(1, 65535)
                          .Image(0, 0, 1, 1, {1}, 2)
                          .Trailer()
                          .bytes);
    QImage canvas(1, 1, QImage::Format_ARGB32);
    {
        QPainter p(&canvas);
        image->Draw(p, canvas.rect());
    }
    EXPECT_EQ(image->RunningPainters(), 1);
    QThread::msleep(50); // let the painter settle into its wait
    QElapsedTimer timer;
    timer.start();
    image.reset();
    EXPECT_LT(timer.elapsed(), 10000);
}

TEST(GifAnimation, ReloadingWhileAnimatingStopsThePainter) {
    const QByteArray bytes = Delays({5, 5, 5}, 0);
    auto image = Read(bytes);
    image->Clock = std::make_shared<TManualClock>();
    QImage canvas(1, 1, QImage::Format_ARGB32);
    {
        QPainter p(&canvas);
        image->Draw(p, canvas.rect());
    }
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    image->LoadFromBytes(bytes);
    EXPECT_EQ(image->RunningPainters(), 0);
    EXPECT_TRUE(image->BackBuffer().isNull());
    EXPECT_EQ(image->FrameCount(), 3);
}

TEST(GifAnimation, ReloadFromInsideACompositionDoesNotDeadlock) {
    const QByteArray bytes = Delays({5, 5, 5}, 0);
    auto image = Read(bytes);
    image->Clock = std::make_shared<TManualClock>();
    int changes = 0;
    image->OnChange = [&] {
        if (++changes == 3) {
            image->LoadFromBytes(bytes);
        }
    };
    QImage canvas(1, 1, QImage::Format_ARGB32);
    {
        QPainter p(&canvas);
        image->Draw(p, canvas.rect());
    }
    ASSERT_TRUE(ServeUntil([&] { return changes >= 3 && image->RunningPainters() == 0; }));
    EXPECT_EQ(image->FrameCount(), 3);
}
