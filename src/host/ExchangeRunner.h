#pragma once

#include <QString>
#include <QStringList>

class ProcessHost;

// Runs one exchange by its command-line name, at once and whatever its due time.
class ExchangeRunner {
public:
    // Exit statuses of --run: 0 done, 1 failed or refused, 3 nothing to do by the settings.
    enum class Result { Succeeded = 0, Failed = 1, UnknownName = 2, NothingToDo = 3 };

    explicit ExchangeRunner(ProcessHost& host) : host_(host) {}

    static QStringList names();
    Result run(const QString& name);

private:
    bool runNamed(const QString& name);
    bool runD365(bool post);

    ProcessHost& host_;
};
