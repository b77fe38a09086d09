#pragma once

#include "RunRecord.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <memory>

class Log;
class Registry;

// The run history: one SQLite file (WAL, so a --status beside a running host reads without
// waiting) with a row per exchange run, the host's last database probe and the due times a
// running host publishes. Nothing here ever throws or stops an exchange: a file that cannot
// be opened or written is logged once (until it works again) and the host goes on without.
class RunHistory {
public:
    static constexpr int kDefaultKeepDays = 90;

    struct Options {
        bool create = true;  // a missing file is made (a reader that finds none makes none)
        int maxPages = 0;    // caps the file at so many 4 KiB pages; 0 = no cap
    };

    // log may be null: a reader keeps the error for its own output (lastError()).
    RunHistory(const QString& path, Log* log);
    RunHistory(const QString& path, Log* log, Options options);
    ~RunHistory();
    RunHistory(const RunHistory&) = delete;
    RunHistory& operator=(const RunHistory&) = delete;

    // [AutoProcess_Config] VesturesFails, else beside the log file.
    static QString configuredPath(Registry& registry, const QString& logFile);
    // [AutoProcess_Config] VesturesDienas, else 90.
    static int configuredKeepDays(Registry& registry);

    bool open();
    bool isOpen() const { return open_; }
    QString path() const { return path_; }
    QString lastError() const { return lastError_; }

    // Rows that started before now minus so many days go; -1 when it could not be done.
    int prune(const QDateTime& now, int keepDays);

    bool record(const RunRecord& run);
    bool noteProbe(const QDateTime& at, bool answered);
    bool noteHostStart(const QDateTime& at);
    // A service host's due times, replacing what stood (an invalid time: not due, timer off).
    bool publishDue(const QList<QPair<QString, QDateTime>>& due);
    bool clearDue();

    struct Summary {
        QDateTime lastStarted;    // of the latest run
        QString lastResult;       // "done", "failed", ... of the latest run
        qint64 lastDurationMs = -1;
        QDateTime lastSuccess;    // end of the latest successful run
        QDateTime lastFailure;    // end of the latest failed or refused run
        QString lastError;        // its first error line
        int runs24h = 0;
        int failures24h = 0;
    };
    // Latest runs by insertion, not by time stamp, so a clock set back changes nothing.
    QHash<QString, Summary> summaries(const QStringList& exchanges, const QDateTime& now);
    // Exchanges that have rows at all.
    QStringList exchangesWithRuns();

    struct HostState {
        QDateTime started;      // of the running (or last) service host
        bool probed = false;
        QDateTime probeAt;
        bool probeAnswered = false;
    };
    HostState hostState();
    // Exchange -> due time; a present but invalid time is a timer that is off.
    QHash<QString, QDateTime> dueTimes();

    // Every row of one exchange, oldest first (tests and diagnostics).
    QList<RunRecord> runs(const QString& exchange);
    qint64 rowCount();

private:
    bool ensureSchema();
    bool setState(const QString& name, const QString& value);
    QString state(const QString& name);
    // Logs the first failure of an episode; false for the caller to return.
    bool failed(const QString& what, const QString& error);
    void succeeded();

    QString path_;
    Log* log_;
    Options options_;
    QString connection_;
    bool open_ = false;
    bool failing_ = false;
    QString lastError_;
    std::unique_ptr<QSqlQuery> insert_;  // prepared once: a run's write stays well under 1 ms
};
