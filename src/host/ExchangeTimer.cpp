#include "ExchangeTimer.h"

ExchangeTimer::ExchangeTimer(const QString& name, int intervalMs, QObject* parent)
    : QObject(parent), name_(name), interval_(intervalMs)
{
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &ExchangeTimer::timeout);
}

void ExchangeTimer::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;  // enabling a running timer does not restart its interval
    enabled_ = enabled;
    update();
}

void ExchangeTimer::setInterval(int intervalMs)
{
    if (intervalMs == interval_)
        return;
    interval_ = intervalMs;
    update();
}

void ExchangeTimer::update()
{
    // Restarting counts a full interval from now, as a re-enabled window timer does.
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
    else
        timer_.stop();
}
