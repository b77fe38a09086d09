#include "ExchangeTimer.h"

#include <algorithm>
#include <limits>

ExchangeTimer::ExchangeTimer(const QString& name, qint64 intervalMs, QObject* parent)
    : QObject(parent), name_(name), interval_(intervalMs)
{
    timer_.setTimerType(Qt::CoarseTimer);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ExchangeTimer::pieceElapsed);
}

void ExchangeTimer::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;  // enabling a running timer does not restart its interval
    enabled_ = enabled;
    update();
}

void ExchangeTimer::setInterval(qint64 intervalMs)
{
    if (intervalMs == interval_)
        return;
    interval_ = intervalMs;
    update();
}

qint64 ExchangeTimer::remainingMs() const
{
    if (!enabled_ || interval_ <= 0 || !timer_.isActive())
        return -1;
    // The pieces after the running one, and what is left of it.
    const qint64 piece = std::min<qint64>(remaining_, std::numeric_limits<int>::max());
    return remaining_ - piece + std::max(0, timer_.remainingTime());
}

void ExchangeTimer::update()
{
    // Restarting counts a full interval from now, as a re-enabled window timer does.
    remaining_ = interval_;
    if (enabled_ && interval_ > 0)
        startPiece();
    else
        timer_.stop();
    Q_EMIT countdownChanged();
}

void ExchangeTimer::startPiece()
{
    const qint64 piece = std::min<qint64>(remaining_, std::numeric_limits<int>::max());
    timer_.start(static_cast<int>(piece));
}

void ExchangeTimer::pieceElapsed()
{
    remaining_ -= std::min<qint64>(remaining_, std::numeric_limits<int>::max());
    if (remaining_ > 0) {
        startPiece();
        return;
    }
    remaining_ = interval_;
    if (enabled_ && interval_ > 0)
        startPiece();
    Q_EMIT countdownChanged();
    Q_EMIT timeout();
}
