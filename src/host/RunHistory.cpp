#include "RunHistory.h"

#include "AutoProcessSettings.h"

#include "platform/Log.h"
#include "platform/Registry.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QVariant>

namespace {

constexpr qint64 kDayMs = 24LL * 60 * 60 * 1000;

QString nextConnectionName()
{
    static QAtomicInt counter;
    return QStringLiteral("varnis_history_%1").arg(counter.fetchAndAddRelaxed(1));
}

QVariant msOf(const QDateTime& t)
{
    return t.isValid() ? QVariant(t.toMSecsSinceEpoch()) : QVariant();
}

QDateTime timeOf(const QVariant& v)
{
    return v.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(v.toLongLong());
}

RunReport::Outcome outcomeOf(const QString& text)
{
    for (RunReport::Outcome o : {RunReport::Outcome::Done, RunReport::Outcome::Failed, RunReport::Outcome::Refused,
                                 RunReport::Outcome::NothingToDo})
        if (RunText::result(o) == text)
            return o;
    return RunReport::Outcome::Failed;
}

RunTrigger triggerOf(const QString& text)
{
    for (RunTrigger t : {RunTrigger::Timer, RunTrigger::Button, RunTrigger::Command})
        if (RunText::trigger(t) == text)
            return t;
    return RunTrigger::Timer;
}

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS runs(id INTEGER PRIMARY KEY, exchange TEXT NOT NULL, started_by TEXT NOT NULL, "
    "started INTEGER NOT NULL, ended INTEGER NOT NULL, result TEXT NOT NULL, ok INTEGER NOT NULL, moved INTEGER, "
    "error TEXT)",
    // The latest success or failure of an exchange is one seek.
    "CREATE INDEX IF NOT EXISTS runs_by_exchange ON runs(exchange, ok, id)",
    "CREATE INDEX IF NOT EXISTS runs_by_start ON runs(started)",
    "CREATE TABLE IF NOT EXISTS state(name TEXT PRIMARY KEY, value TEXT)",
    "CREATE TABLE IF NOT EXISTS due(exchange TEXT PRIMARY KEY, at INTEGER)",
};

}  // namespace

RunHistory::RunHistory(const QString& path, Log* log) : RunHistory(path, log, Options{}) {}

RunHistory::RunHistory(const QString& path, Log* log, Options options)
    : path_(path), log_(log), options_(options), connection_(nextConnectionName())
{
}

RunHistory::~RunHistory()
{
    insert_.reset();
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        // Out of WAL when no one else has the file open, so that a reader coming later (an
        // operator's --status, perhaps as another user) need not make the -wal and -shm
        // files, which the host could then not write.
        if (open_ && options_.create)
            QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=DELETE"));
        if (db.isValid())
            db.close();
    }
    if (QSqlDatabase::contains(connection_))
        QSqlDatabase::removeDatabase(connection_);
}

QString RunHistory::configuredPath(Registry& registry, const QString& logFile)
{
    RegistryKey key(registry);
    if (key.OpenKey(RegistryKeys::AutoProcessConfig, false)) {
        const QString path = key.ReadString(QStringLiteral("VesturesFails")).trimmed();
        if (!path.isEmpty())
            return path;
    }
    return QFileInfo(logFile).absoluteDir().filePath(QStringLiteral("VarnisVesture.sqlite"));
}

int RunHistory::configuredKeepDays(Registry& registry)
{
    RegistryKey key(registry);
    if (key.OpenKey(RegistryKeys::AutoProcessConfig, false) && key.ValueExists(QStringLiteral("VesturesDienas"))) {
        try {
            const int days = key.ReadInteger(QStringLiteral("VesturesDienas"));
            if (days > 0)
                return days;
        } catch (const std::exception&) {
            // a value that is not a number keeps the default
        }
    }
    return kDefaultKeepDays;
}

bool RunHistory::failed(const QString& what, const QString& error)
{
    lastError_ = what + QStringLiteral(": ") + error;
    if (!failing_ && log_)
        log_->WriteLog(QStringLiteral("Darbību vēsture nav pieejama (%1): %2").arg(path_, lastError_));
    failing_ = true;
    return false;
}

void RunHistory::succeeded()
{
    if (failing_ && log_)
        log_->WriteLog(QStringLiteral("Darbību vēsture atkal pieejama (%1)").arg(path_));
    failing_ = false;
}

bool RunHistory::open()
{
    if (open_)
        return true;
    const bool exists = QFileInfo::exists(path_);
    if (!options_.create && !exists) {
        lastError_ = QStringLiteral("no history file %1").arg(path_);
        return false;
    }
    if (options_.create && !exists)
        QDir().mkpath(QFileInfo(path_).absolutePath());

    QSqlDatabase db = QSqlDatabase::contains(connection_) ? QSqlDatabase::database(connection_, false)
                                                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db.isValid())
        return failed(QStringLiteral("open"), QStringLiteral("the SQLite driver (QSQLITE) is not installed"));
    db.setDatabaseName(path_);
    // A reader must not leave files of its own beside a host's history; it reads only.
    db.setConnectOptions(options_.create ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000")
                                         : QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000;QSQLITE_OPEN_READONLY"));
    if (!db.open())
        return failed(QStringLiteral("open"), db.lastError().text());

    QSqlQuery q(db);
    if (options_.create) {
        if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")))
            return failed(QStringLiteral("open"), q.lastError().text());
        // Durable at the next checkpoint; a power cut may lose the last runs, never the file.
        q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        if (options_.maxPages > 0)
            q.exec(QStringLiteral("PRAGMA max_page_count=%1").arg(options_.maxPages));
        if (!ensureSchema())
            return false;
    } else if (!q.exec(QStringLiteral("SELECT 1 FROM runs LIMIT 1"))) {
        return failed(QStringLiteral("open"), q.lastError().text());
    }

    insert_ = std::make_unique<QSqlQuery>(db);
    if (!insert_->prepare(QStringLiteral("INSERT INTO runs(exchange, started_by, started, ended, result, ok, moved, "
                                         "error) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"))
        && options_.create)
        return failed(QStringLiteral("open"), insert_->lastError().text());
    open_ = true;
    succeeded();
    return true;
}

bool RunHistory::ensureSchema()
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    for (const char* statement : kSchema)
        if (!q.exec(QString::fromLatin1(statement)))
            return failed(QStringLiteral("schema"), q.lastError().text());
    return true;
}

int RunHistory::prune(const QDateTime& now, int keepDays)
{
    if (!open_ && !open())
        return -1;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("DELETE FROM runs WHERE started < ?"));
    q.addBindValue(now.toMSecsSinceEpoch() - qint64(keepDays) * kDayMs);
    if (!q.exec()) {
        failed(QStringLiteral("prune"), q.lastError().text());
        return -1;
    }
    return q.numRowsAffected();
}

bool RunHistory::record(const RunRecord& run)
{
    if (!open_ && !open())
        return false;
    QSqlQuery& q = *insert_;
    q.addBindValue(run.exchange);
    q.addBindValue(RunText::trigger(run.trigger));
    q.addBindValue(run.started.toMSecsSinceEpoch());
    q.addBindValue(run.ended.toMSecsSinceEpoch());
    q.addBindValue(RunText::result(run.result));
    q.addBindValue(run.succeeded() ? 1 : 0);
    q.addBindValue(run.moved);
    q.addBindValue(run.error.isEmpty() ? QVariant() : QVariant(run.error));
    if (!q.exec())
        return failed(QStringLiteral("record"), q.lastError().text());
    // Only a run's row ends a failing spell: a full disk still takes the small writes.
    succeeded();
    return true;
}

bool RunHistory::setState(const QString& name, const QString& value)
{
    if (!open_ && !open())
        return false;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("INSERT INTO state(name, value) VALUES (?, ?) "
                             "ON CONFLICT(name) DO UPDATE SET value = excluded.value"));
    q.addBindValue(name);
    q.addBindValue(value);
    if (!q.exec())
        return failed(QStringLiteral("state"), q.lastError().text());
    return true;
}

QString RunHistory::state(const QString& name)
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT value FROM state WHERE name = ?"));
    q.addBindValue(name);
    if (!q.exec())
        return failed(QStringLiteral("read"), q.lastError().text()), QString();
    return q.next() ? q.value(0).toString() : QString();
}

bool RunHistory::noteProbe(const QDateTime& at, bool answered)
{
    return setState(QStringLiteral("probe"),
                    QStringLiteral("%1 %2").arg(at.toMSecsSinceEpoch()).arg(answered ? 1 : 0));
}

bool RunHistory::noteHostStart(const QDateTime& at)
{
    return setState(QStringLiteral("host_started"), QString::number(at.toMSecsSinceEpoch()));
}

bool RunHistory::publishDue(const QList<QPair<QString, QDateTime>>& due)
{
    if (!open_ && !open())
        return false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction())
        return failed(QStringLiteral("due"), db.lastError().text());
    QSqlQuery q(db);
    bool ok = q.exec(QStringLiteral("DELETE FROM due"));
    ok = ok && q.prepare(QStringLiteral("INSERT INTO due(exchange, at) VALUES (?, ?)"));
    for (int i = 0; ok && i < due.size(); ++i) {
        q.addBindValue(due[i].first);
        q.addBindValue(msOf(due[i].second));
        ok = q.exec();
    }
    if (!ok || !db.commit()) {
        const QString error = ok ? db.lastError().text() : q.lastError().text();
        db.rollback();
        return failed(QStringLiteral("due"), error);
    }
    return true;
}

bool RunHistory::clearDue()
{
    return publishDue({});
}

QHash<QString, RunHistory::Summary> RunHistory::summaries(const QStringList& exchanges, const QDateTime& now)
{
    QHash<QString, Summary> result;
    if (!open_ && !open())
        return result;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery latest(db);
    latest.prepare(QStringLiteral("SELECT MAX(id) FROM runs WHERE exchange = ? AND ok = ?"));
    QSqlQuery row(db);
    row.prepare(QStringLiteral("SELECT started, ended, result, error FROM runs WHERE id = ?"));

    auto latestId = [&](const QString& exchange, int ok) -> qint64 {
        latest.addBindValue(exchange);
        latest.addBindValue(ok);
        if (!latest.exec())
            return failed(QStringLiteral("read"), latest.lastError().text()), -1;
        return latest.next() && !latest.value(0).isNull() ? latest.value(0).toLongLong() : -1;
    };
    auto readRow = [&](qint64 id) {
        row.addBindValue(id);
        if (!row.exec())
            return failed(QStringLiteral("read"), row.lastError().text());
        return row.next();
    };

    for (const QString& exchange : exchanges) {
        Summary s;
        const qint64 success = latestId(exchange, 1);
        const qint64 failure = latestId(exchange, 0);
        if (success >= 0 && readRow(success))
            s.lastSuccess = timeOf(row.value(1));
        if (failure >= 0 && readRow(failure)) {
            s.lastFailure = timeOf(row.value(1));
            s.lastError = row.value(3).toString();
        }
        const qint64 last = std::max(success, failure);
        if (last >= 0 && readRow(last)) {
            s.lastStarted = timeOf(row.value(0));
            s.lastResult = row.value(2).toString();
            s.lastDurationMs = std::max<qint64>(0, row.value(1).toLongLong() - row.value(0).toLongLong());
        }
        result.insert(exchange, s);
    }

    QSqlQuery day(db);
    // By the start index: left to itself the planner walks the exchange index for the
    // grouping, every row of 90 days instead of one day's.
    day.prepare(QStringLiteral("SELECT exchange, COUNT(*), SUM(1 - ok) FROM runs INDEXED BY runs_by_start "
                               "WHERE started >= ? GROUP BY exchange"));
    day.addBindValue(now.toMSecsSinceEpoch() - kDayMs);
    if (!day.exec())
        failed(QStringLiteral("read"), day.lastError().text());
    while (day.next()) {
        auto it = result.find(day.value(0).toString());
        if (it == result.end())
            continue;
        it->runs24h = day.value(1).toInt();
        it->failures24h = day.value(2).toInt();
    }
    return result;
}

QStringList RunHistory::exchangesWithRuns()
{
    QStringList names;
    if (!open_ && !open())
        return names;
    // Walks the index by its first column: one seek per exchange, not per row.
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT MIN(exchange) FROM runs WHERE exchange > ?"));
    QString after = QStringLiteral("");  // not a null string, which would bind as NULL
    for (;;) {
        q.addBindValue(after);
        if (!q.exec() || !q.next() || q.value(0).isNull())
            break;
        after = q.value(0).toString();
        names << after;
    }
    return names;
}

RunHistory::HostState RunHistory::hostState()
{
    HostState h;
    if (!open_ && !open())
        return h;
    const QString started = state(QStringLiteral("host_started"));
    if (!started.isEmpty())
        h.started = QDateTime::fromMSecsSinceEpoch(started.toLongLong());
    const QStringList probe = state(QStringLiteral("probe")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (probe.size() == 2) {
        h.probed = true;
        h.probeAt = QDateTime::fromMSecsSinceEpoch(probe[0].toLongLong());
        h.probeAnswered = probe[1] == QLatin1String("1");
    }
    return h;
}

QHash<QString, QDateTime> RunHistory::dueTimes()
{
    QHash<QString, QDateTime> due;
    if (!open_ && !open())
        return due;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SELECT exchange, at FROM due")))
        failed(QStringLiteral("read"), q.lastError().text());
    while (q.next())
        due.insert(q.value(0).toString(), timeOf(q.value(1)));
    return due;
}

QList<RunRecord> RunHistory::runs(const QString& exchange)
{
    QList<RunRecord> list;
    if (!open_ && !open())
        return list;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT exchange, started_by, started, ended, result, moved, error FROM runs "
                             "WHERE exchange = ? ORDER BY id"));
    q.addBindValue(exchange);
    if (q.exec()) {
        while (q.next()) {
            RunRecord r;
            r.exchange = q.value(0).toString();
            r.trigger = triggerOf(q.value(1).toString());
            r.started = timeOf(q.value(2));
            r.ended = timeOf(q.value(3));
            r.result = outcomeOf(q.value(4).toString());
            r.moved = q.value(5).toInt();
            r.error = q.value(6).toString();
            list << r;
        }
    }
    return list;
}

qint64 RunHistory::rowCount()
{
    if (!open_ && !open())
        return -1;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    return q.exec(QStringLiteral("SELECT COUNT(*) FROM runs")) && q.next() ? q.value(0).toLongLong() : -1;
}
