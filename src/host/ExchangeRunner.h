#pragma once

#include <QString>
#include <QStringList>

class ProcessHost;

// Runs one exchange by its command-line name, at once and whatever its due time.
class ExchangeRunner {
public:
    enum class Result { Succeeded, Failed, UnknownName };

    explicit ExchangeRunner(ProcessHost& host) : host_(host) {}

    static QStringList names();
    Result run(const QString& name);

private:
    bool runNamed(const QString& name);
    bool runD365(bool post);

    ProcessHost& host_;
};
