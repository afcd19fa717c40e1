#include "app/qt/PacedUpdate.h"

#include <QScreen>
#include <QWidget>

namespace sondrel {

PacedUpdate::PacedUpdate(QWidget& widget, std::function<void(unsigned)> update)
    : QObject(&widget), update_(std::move(update)) {
    if (const QScreen* screen = widget.screen()) pacer_ = FramePacer(screen->refreshRate());
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { carryOut(); });
}

void PacedUpdate::request(unsigned parts) {
    pending_ |= parts;
    if (timer_.isActive()) return;  // that refresh will show this request too
    const std::int64_t delay = pacer_.delayBeforePaint(clock_.elapsed());
    if (delay == 0)
        carryOut();
    else
        timer_.start(static_cast<int>(delay));
}

void PacedUpdate::done() {
    pacer_.painted(clock_.elapsed());
}

void PacedUpdate::carryOut() {
    const unsigned parts = pending_;
    pending_ = 0;
    done();
    update_(parts);
}

}  // namespace sondrel
