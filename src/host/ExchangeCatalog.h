#pragma once

#include <QList>
#include <QString>
#include <QTime>

class Registry;

// One exchange as the history, the status and the health check know it, with what the
// configuration asks of it.
struct CatalogEntry {
    enum class Kind { Daily, EveryMinutes, Manual };

    QString name;   // the history's name; the --run names where there is one
    QString label;  // what the window shows
    bool enabled = false;
    Kind kind = Kind::Manual;
    QTime at;         // Daily
    int minutes = 0;  // EveryMinutes
    // Shown even without runs; manual ones only once they have run.
    bool scheduled = true;
    // Counted by the health check when enabled.
    bool checked = true;
    // Says when a manual entry runs, where it rides on others.
    QString note;

    QString scheduleText() const;
    // How long the exchange may go without a success before a monitor is told:
    // twice its interval, 26 h for once a day.
    qint64 allowanceMs() const;
};

// The configuration as the apply step and the timers read it: which exchanges run, when,
// and the no-exchange period. Read from the settings file alone, never the goods database.
struct ExchangeCatalog {
    QList<CatalogEntry> entries;
    bool periodValid = false;
    QTime periodFrom;
    QTime periodTo;

    static ExchangeCatalog read(Registry& registry);
    // Every name the host records runs under, in the order the status shows them.
    static QStringList names();
    const CatalogEntry* find(const QString& name) const;
    // Milliseconds inside the no-exchange period between two times (no wrap past midnight,
    // as the timers see it).
    qint64 blockedMs(const QDateTime& from, const QDateTime& to) const;
};
