#include "HealthCheck.h"

#include "StatusReport.h"

#include "platform/DateText.h"

#include <algorithm>

namespace {

QString span(qint64 ms)
{
    const qint64 minutes = ms / 60000;
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

}  // namespace

HealthCheck HealthCheck::evaluate(const StatusReport& status)
{
    HealthCheck h;
    if (!status.historyAvailable) {
        h.healthy = false;
        h.problems << QStringLiteral("run history not available: %1").arg(status.historyError);
        return h;
    }
    for (const ExchangeStatus& e : status.exchanges) {
        if (!e.entry.enabled || !e.entry.checked)
            continue;
        ++h.checkedExchanges;
        // A host started after the last success has had no time yet to run it.
        QDateTime since = e.runs.lastSuccess;
        if (status.host.started.isValid() && (!since.isValid() || status.host.started > since))
            since = status.host.started;
        if (!since.isValid()) {
            h.problems << QStringLiteral("%1: never succeeded").arg(e.entry.name);
            continue;
        }
        // A clock set back makes the last success lie ahead: that is no age at all.
        const qint64 age = std::max<qint64>(0, since.msecsTo(status.now));
        const qint64 allowed = e.entry.allowanceMs() + status.catalog.blockedMs(since, status.now);
        if (age <= allowed)
            continue;
        QString problem = e.runs.lastSuccess.isValid()
            ? QStringLiteral("%1: no success since %2").arg(e.entry.name, DateText::dateTime(e.runs.lastSuccess))
            : QStringLiteral("%1: no success since the host started %2").arg(e.entry.name, DateText::dateTime(since));
        problem += QStringLiteral(" (allowed %1)").arg(span(allowed));
        if (e.runs.lastFailure.isValid() && !e.runs.lastError.isEmpty())
            problem += QStringLiteral("; last error: %1").arg(e.runs.lastError);
        h.problems << problem;
    }
    if (status.host.probed && !status.host.probeAnswered)
        h.problems << QStringLiteral("goods database: no answer at the last probe, %1")
                          .arg(DateText::dateTime(status.host.probeAt));
    else if (!status.host.probed && h.checkedExchanges > 0)
        h.problems << QStringLiteral("goods database: never probed (is the host running?)");
    h.healthy = h.problems.isEmpty();
    return h;
}

QString HealthCheck::text() const
{
    const QString perf = QStringLiteral(" | exchanges=%1 problems=%2").arg(checkedExchanges).arg(problems.size());
    if (healthy) {
        const QString what = checkedExchanges == 0
            ? QStringLiteral("no exchange enabled")
            : QStringLiteral("%1 exchanges succeeded in time, goods database answered").arg(checkedExchanges);
        return QStringLiteral("VARNIS OK - ") + what + perf + QLatin1Char('\n');
    }
    QString out = QStringLiteral("VARNIS WARNING - %1").arg(problems.first());
    if (problems.size() > 1)
        out += QStringLiteral(" (and %1 more)").arg(problems.size() - 1);
    out += perf + QLatin1Char('\n');
    for (const QString& p : problems)
        out += p + QLatin1Char('\n');
    return out;
}
