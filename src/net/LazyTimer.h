#pragma once
// A timer that is restarted very often (after every send, after every arrival) but rarely fires.
// A restart only moves the due time; the underlying timer is re-armed when it fires early. So a
// restart costs a clock read instead of a timer registration, and the timer still fires one full
// interval after the last restart.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace net {

class LazyTimer : public QObject {
    Q_OBJECT
public:
    explicit LazyTimer(int intervalMs, QObject* parent = nullptr);

    // Full interval from now.
    void restart();
    // Starts only when not running; a running timer keeps its due time.
    void enable();
    void stop();
    bool isActive() const { return enabled_; }
    int interval() const { return interval_; }

signals:
    // Fires every interval while enabled (each restart moves the next one).
    void timeout();

private:
    void onFire();
    void arm(int ms);
    static qint64 now();

    QTimer timer_;
    int interval_;
    qint64 due_ = 0;
    bool enabled_ = false;
    // Whether timer_ runs, kept here: a restart after every send asks it, and the flag is at hand
    // where the timer's own state is not.
    bool armed_ = false;
};

} // namespace net
