#pragma once

#include <QDateTime>

#include <functional>

// Time source of the whole host, so that tests can set the time and skip the waits.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Blocking pause used between retries.
    virtual void sleep(int milliseconds) = 0;
};

class SystemClock : public Clock {
public:
    QDateTime now() const override;
    void sleep(int milliseconds) override;
};

// A clock that only moves when told to; sleep() advances it instead of waiting.
class ManualClock : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    QDateTime now() const override { return now_; }
    void sleep(int milliseconds) override;
    void set(const QDateTime& value) { now_ = value; }
    void advance(qint64 milliseconds) { now_ = now_.addMSecs(milliseconds); }
    int sleepCalls() const { return sleepCalls_; }
    qint64 sleptMs() const { return sleptMs_; }
    // Runs at every sleep: what happens elsewhere while the caller waits.
    std::function<void()> onSleep;

private:
    QDateTime now_;
    int sleepCalls_ = 0;
    qint64 sleptMs_ = 0;
};
