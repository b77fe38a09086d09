#pragma once

#include <QString>

// Where every step of every exchange reports what it does.
class Log {
public:
    virtual ~Log() = default;
    // replaceLast overwrites the newest line instead of adding one (progress counters).
    virtual void WriteLog(const QString& message, bool replaceLast = false) = 0;
};
