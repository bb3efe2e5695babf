#include "net/LazyTimer.h"

namespace net {

LazyTimer::LazyTimer(int intervalMs, QObject* parent) : QObject(parent), interval_(intervalMs) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &LazyTimer::onFire);
}

qint64 LazyTimer::now() {
    static const QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.elapsed();
}

void LazyTimer::restart() {
    due_ = now() + interval_;
    enabled_ = true;
    if (!timer_.isActive()) timer_.start(interval_);
}

void LazyTimer::enable() {
    if (!enabled_) restart();
}

void LazyTimer::stop() {
    enabled_ = false;
    timer_.stop();
}

void LazyTimer::onFire() {
    if (!enabled_) return;
    const qint64 remaining = due_ - now();
    if (remaining > 0) {
        timer_.start(static_cast<int>(remaining));
        return;
    }
    // Periodic: the next one is due a full interval from now, unless the handler restarts or stops it.
    due_ = now() + interval_;
    timer_.start(interval_);
    emit timeout();
}

} // namespace net
