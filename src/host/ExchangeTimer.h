#pragma once

#include <QObject>
#include <QTimer>

// A window timer: enabled or not, with an interval in milliseconds. An interval of 0
// never fires (a QTimer would fire continuously). Intervals longer than a QTimer holds
// (about 24 days) are waited for in pieces.
class ExchangeTimer : public QObject {
    Q_OBJECT
public:
    ExchangeTimer(const QString& name, qint64 intervalMs, QObject* parent = nullptr);

    const QString& name() const { return name_; }
    bool enabled() const { return enabled_; }
    qint64 interval() const { return interval_; }
    void setEnabled(bool enabled);
    void setInterval(qint64 intervalMs);
    // Until the next timeout; -1 while disabled.
    qint64 remainingMs() const;

Q_SIGNALS:
    void timeout();
    // Enabled, disabled or started a new interval: the next timeout moved.
    void countdownChanged();

private:
    void update();
    void startPiece();
    void pieceElapsed();

    QString name_;
    QTimer timer_;
    bool enabled_ = false;
    qint64 interval_;
    qint64 remaining_ = 0;
};
