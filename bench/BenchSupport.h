#pragma once

#include "platform/Dialogs.h"
#include "platform/Log.h"

#include <QString>
#include <cstdio>

// The log of a benchmark: keeps the last line, counts error lines and prints them, so a
// figure printed after a failure is seen for what it is.
class BenchLog : public Log {
public:
    void WriteLog(const QString& message, bool) override
    {
        ++lines;
        last = message;
        if (message.startsWith(QStringLiteral("Kļūda")) || message.contains(QStringLiteral("neizdevās"), Qt::CaseInsensitive)) {
            if (++errors <= 5)
                std::fprintf(stderr, "log: %s\n", qPrintable(message));
        }
    }
    QString last;
    int lines = 0;
    int errors = 0;
};

// Message boxes of a benchmark: counted, the first few printed.
class BenchDialogs : public Dialogs {
public:
    void showMessage(const QString& text) override
    {
        if (++count <= 3)
            std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    int count = 0;
};
