#include "StatusReport.h"

#include "platform/DateText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString shown(const QDateTime& t)
{
    return t.isValid() ? DateText::dateTime(t) : QStringLiteral("-");
}

QJsonValue iso(const QDateTime& t)
{
    // With the UTC offset, so a reader elsewhere need not guess the host's zone.
    return t.isValid() ? QJsonValue(t.toOffsetFromUtc(t.offsetFromUtc()).toString(Qt::ISODate)) : QJsonValue();
}

QString nextDueText(const ExchangeStatus& e)
{
    if (!e.entry.enabled)
        return QStringLiteral("-");
    return shown(e.nextDue);
}

}  // namespace

StatusReport StatusReport::build(const ExchangeCatalog& catalog, RunHistory* history, const QDateTime& now)
{
    StatusReport r;
    r.now = now;
    r.catalog = catalog;
    QHash<QString, RunHistory::Summary> summaries;
    QHash<QString, QDateTime> due;
    if (history) {
        r.historyPath = history->path();
        r.historyAvailable = history->isOpen() || history->open();
        if (r.historyAvailable) {
            summaries = history->summaries(ExchangeCatalog::names(), now);
            due = history->dueTimes();
            r.host = history->hostState();
        }
        r.historyError = r.historyAvailable ? QString() : history->lastError();
    }
    for (const CatalogEntry& entry : catalog.entries) {
        ExchangeStatus s;
        s.entry = entry;
        s.runs = summaries.value(entry.name);
        s.nextDue = due.value(entry.name);
        // A manual exchange is worth a line once it has run.
        if (entry.scheduled || entry.enabled || s.runs.lastStarted.isValid())
            r.exchanges << s;
    }
    return r;
}

const ExchangeStatus* StatusReport::find(const QString& name) const
{
    for (const ExchangeStatus& e : exchanges)
        if (e.entry.name == name)
            return &e;
    return nullptr;
}

QString StatusReport::text() const
{
    const QString row = QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8");
    auto line = [&row](const QString& name, const QString& enabled, const QString& schedule, const QString& success,
                       const QString& failure, const QString& next, const QString& day, const QString& error) {
        return row.arg(name, -16)
            .arg(enabled, -7)
            .arg(schedule, -18)
            .arg(success, -19)
            .arg(failure, -19)
            .arg(next, -19)
            .arg(day, -15)
            .arg(error)
            .trimmed();
    };
    QStringList out;
    out << line(QStringLiteral("Exchange"), QStringLiteral("Enabled"), QStringLiteral("Schedule"),
                QStringLiteral("Last success"), QStringLiteral("Last failure"), QStringLiteral("Next due"),
                QStringLiteral("24h runs/failed"), QStringLiteral("Last error"));
    for (const ExchangeStatus& e : exchanges) {
        out << line(e.entry.name, e.entry.enabled ? QStringLiteral("yes") : QStringLiteral("no"), e.entry.scheduleText(),
                    shown(e.runs.lastSuccess), shown(e.runs.lastFailure), nextDueText(e),
                    QStringLiteral("%1/%2").arg(e.runs.runs24h).arg(e.runs.failures24h),
                    e.runs.lastFailure.isValid() ? e.runs.lastError : QString());
    }
    out << QString();
    if (!historyAvailable) {
        out << QStringLiteral("History: not available (%1)").arg(historyError.isEmpty() ? historyPath : historyError);
    } else {
        out << QStringLiteral("History: %1").arg(historyPath);
        out << QStringLiteral("Host started: %1").arg(shown(host.started));
        out << (host.probed ? QStringLiteral("Goods database: %1 at its last probe, %2")
                                  .arg(host.probeAnswered ? QStringLiteral("answered") : QStringLiteral("did not answer"),
                                       shown(host.probeAt))
                            : QStringLiteral("Goods database: not probed yet"));
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QByteArray StatusReport::json() const
{
    QJsonArray list;
    for (const ExchangeStatus& e : exchanges) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), e.entry.name);
        o.insert(QStringLiteral("label"), e.entry.label);
        o.insert(QStringLiteral("enabled"), e.entry.enabled);
        o.insert(QStringLiteral("schedule"), e.entry.scheduleText());
        o.insert(QStringLiteral("lastRun"), iso(e.runs.lastStarted));
        o.insert(QStringLiteral("lastResult"), e.runs.lastResult.isEmpty() ? QJsonValue() : QJsonValue(e.runs.lastResult));
        o.insert(QStringLiteral("lastDurationSeconds"),
                 e.runs.lastDurationMs >= 0 ? QJsonValue(e.runs.lastDurationMs / 1000.0) : QJsonValue());
        o.insert(QStringLiteral("lastSuccess"), iso(e.runs.lastSuccess));
        o.insert(QStringLiteral("lastFailure"), iso(e.runs.lastFailure));
        o.insert(QStringLiteral("lastError"), e.runs.lastFailure.isValid() ? QJsonValue(e.runs.lastError) : QJsonValue());
        o.insert(QStringLiteral("nextDue"), e.entry.enabled ? iso(e.nextDue) : QJsonValue());
        o.insert(QStringLiteral("runs24h"), e.runs.runs24h);
        o.insert(QStringLiteral("failures24h"), e.runs.failures24h);
        o.insert(QStringLiteral("failing"), e.failing());
        list << o;
    }
    QJsonObject database;
    database.insert(QStringLiteral("probed"), iso(host.probeAt));
    database.insert(QStringLiteral("answered"), host.probed ? QJsonValue(host.probeAnswered) : QJsonValue());
    QJsonObject history;
    history.insert(QStringLiteral("path"), historyPath);
    history.insert(QStringLiteral("available"), historyAvailable);
    if (!historyAvailable)
        history.insert(QStringLiteral("error"), historyError);

    QJsonObject root;
    root.insert(QStringLiteral("time"), iso(now));
    root.insert(QStringLiteral("hostStarted"), iso(host.started));
    root.insert(QStringLiteral("database"), database);
    root.insert(QStringLiteral("history"), history);
    root.insert(QStringLiteral("exchanges"), list);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
