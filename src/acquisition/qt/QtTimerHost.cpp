#include "acquisition/qt/QtTimerHost.h"

#include <QObject>
#include <QTimer>
#include <algorithm>

namespace sondrel {

QtTimerHost::QtTimerHost() : owner_(std::make_unique<QObject>()) {}

QtTimerHost::~QtTimerHost() = default;

QTimer* QtTimerHost::timerFor(int id) {
    auto it = timers_.find(id);
    if (it != timers_.end()) return it->second;
    auto* timer = new QTimer(owner_.get());
    // Poll intervals are part of the head's timing; a coarse timer could stretch
    // them by several per cent.
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(id != kOrientationTimer);
    QObject::connect(timer, &QTimer::timeout, owner_.get(), [this, id] {
        if (handler_) handler_(id);
    });
    timers_.emplace(id, timer);
    return timer;
}

void QtTimerHost::setTimer(int id, int ms) {
    timerFor(id)->start(std::max(ms, 0));
}

void QtTimerHost::killTimer(int id) {
    auto it = timers_.find(id);
    if (it != timers_.end()) it->second->stop();
}

bool QtTimerHost::isTimerActive(int id) const {
    auto it = timers_.find(id);
    return it != timers_.end() && it->second->isActive();
}

}  // namespace sondrel
