#include "app/qt/PacedUpdate.h"

#include <QScreen>
#include <QWidget>

namespace sondrel {

PacedUpdate::PacedUpdate(QWidget& widget, std::function<void()> update)
    : QObject(&widget), update_(std::move(update)) {
    if (const QScreen* screen = widget.screen()) pacer_ = FramePacer(screen->refreshRate());
    clock_.start();
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { update_(); });
}

void PacedUpdate::request() {
    if (timer_.isActive()) return;  // that update will show this request too
    const std::int64_t delay = pacer_.delayBeforePaint(clock_.elapsed());
    if (delay == 0)
        update_();
    else
        timer_.start(static_cast<int>(delay));
}

void PacedUpdate::done() {
    pacer_.painted(clock_.elapsed());
}

}  // namespace sondrel
