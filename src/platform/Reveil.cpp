#include "Reveil.h"

#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/eventfd.h>
#include <unistd.h>
#endif

namespace qcm::platform {

Reveil::Reveil(QObject* context, std::function<void()> onWake)
    : context_(context), onWake_(std::move(onWake)) {
#ifdef Q_OS_LINUX
    fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, context_, [this] {
            eventfd_t count = 0;
            eventfd_read(fd_, &count);
            onWake_();
        });
    }
#endif
}

Reveil::~Reveil() {
    notifier_.reset();
#ifdef Q_OS_LINUX
    if (fd_ >= 0) {
        ::close(fd_);
    }
#endif
}

void Reveil::Sonner() {
#ifdef Q_OS_LINUX
    if (fd_ >= 0) {
        eventfd_write(fd_, 1);
        return;
    }
#endif
    QMetaObject::invokeMethod(
        context_, [this] { onWake_(); }, Qt::QueuedConnection);
}

} // namespace qcm::platform
