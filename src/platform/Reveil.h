#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

// Wakes the thread that owns a QObject from any other thread: the owner's
// event loop then runs onWake. On Linux an eventfd watched by the loop, so
// that nothing the waking thread allocates crosses into the event queue;
// elsewhere a queued call. Wakes that come before the loop gets to them run
// onWake at least once.
namespace qcm::platform {

class Reveil {
public:
    // Built and destroyed in context's thread; context outlives it.
    Reveil(QObject* context, std::function<void()> onWake);
    ~Reveil();
    Reveil(const Reveil&) = delete;
    Reveil& operator=(const Reveil&) = delete;

    // Any thread.
    void Sonner();

private:
    QObject* context_;
    std::function<void()> onWake_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace qcm::platform
