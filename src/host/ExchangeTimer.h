#pragma once

#include <QObject>
#include <QTimer>

// A window timer: enabled or not, with an interval in milliseconds. An interval of 0
// never fires (a QTimer would fire continuously).
class ExchangeTimer : public QObject {
    Q_OBJECT
public:
    ExchangeTimer(const QString& name, int intervalMs, QObject* parent = nullptr);

    const QString& name() const { return name_; }
    bool enabled() const { return enabled_; }
    int interval() const { return interval_; }
    void setEnabled(bool enabled);
    void setInterval(int intervalMs);

Q_SIGNALS:
    void timeout();

private:
    void update();

    QString name_;
    QTimer timer_;
    bool enabled_ = false;
    int interval_;
};
