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
    if (!armed_) arm(interval_);
}

void LazyTimer::arm(int ms) {
    armed_ = true;
    timer_.start(ms);
}

void LazyTimer::enable() {
    if (!enabled_) restart();
}

void LazyTimer::stop() {
    enabled_ = false;
    armed_ = false;
    timer_.stop();
}

void LazyTimer::onFire() {
    armed_ = false; // single shot: it is no longer running
    if (!enabled_) return;
    const qint64 remaining = due_ - now();
    if (remaining > 0) {
        arm(static_cast<int>(remaining));
        return;
    }
    // Periodic: the next one is due a full interval from now, unless the handler restarts or stops it.
    due_ = now() + interval_;
    arm(interval_);
    emit timeout();
}

} // namespace net
