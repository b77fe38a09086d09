#pragma once

#include "ExchangeCatalog.h"
#include "RunHistory.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// One line of the status: an exchange, what the configuration asks of it and how its runs went.
struct ExchangeStatus {
    CatalogEntry entry;
    RunHistory::Summary runs;
    QDateTime nextDue;  // invalid: not known (no service host publishes it) or not due

    // Its latest run failed or was refused.
    bool failing() const
    {
        return runs.lastResult == RunText::result(RunReport::Outcome::Failed)
            || runs.lastResult == RunText::result(RunReport::Outcome::Refused);
    }
};

// What --status prints, /status serves and the window's "Stāvoklis" page shows: the
// configuration and the history, never the goods database.
struct StatusReport {
    QDateTime now;
    QString historyPath;
    bool historyAvailable = false;
    QString historyError;
    RunHistory::HostState host;
    ExchangeCatalog catalog;
    QList<ExchangeStatus> exchanges;

    // history may be null or unavailable: the configuration alone is shown then.
    static StatusReport build(const ExchangeCatalog& catalog, RunHistory* history, const QDateTime& now);

    const ExchangeStatus* find(const QString& name) const;
    QString text() const;
    QByteArray json() const;
};
