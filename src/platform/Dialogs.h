#pragma once

#include <QString>

class Log;

// Modal message boxes. The window shows a box; unattended runs must never block.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual void showMessage(const QString& text) = 0;
};

// Used with --headless and --run: the message becomes a log line and nothing waits.
class LogDialogs : public Dialogs {
public:
    explicit LogDialogs(Log& log) : log_(log) {}
    void showMessage(const QString& text) override;

private:
    Log& log_;
};
