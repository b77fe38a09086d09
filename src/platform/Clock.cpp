#include "Clock.h"

#include <QThread>

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

void SystemClock::sleep(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

ManualClock::ManualClock(QDateTime start) : now_(std::move(start)) {}

void ManualClock::sleep(int milliseconds)
{
    ++sleepCalls_;
    if (onSleep)
        onSleep();
    sleptMs_ += milliseconds;
    advance(milliseconds);
}
