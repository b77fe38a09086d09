#include "PrometheusMetrics.h"

#include "StatusReport.h"

#include <functional>
#include <optional>

namespace {

struct Family {
    const char* name;
    const char* type;
    const char* help;
    // The sample of one exchange; nothing when it has none.
    std::function<std::optional<double>(const ExchangeStatus&, const RunRecorder::Counters&)> value;
};

std::optional<double> unixTime(const QDateTime& t)
{
    if (!t.isValid())
        return std::nullopt;
    return t.toMSecsSinceEpoch() / 1000.0;
}

QByteArray number(double v)
{
    return QByteArray::number(v, 'g', 15);
}

}  // namespace

QByteArray prometheusMetrics(const StatusReport& status, const QHash<QString, RunRecorder::Counters>& counters)
{
    using C = RunRecorder::Counters;
    const Family families[] = {
        {"varnis_exchange_runs_total", "counter", "Exchange runs since the host started.",
         [](const ExchangeStatus&, const C& c) { return std::optional<double>(c.runs); }},
        {"varnis_exchange_failures_total", "counter", "Failed exchange runs since the host started.",
         [](const ExchangeStatus&, const C& c) { return std::optional<double>(c.failures); }},
        {"varnis_exchange_refusals_total", "counter", "Refused exchange runs (busy, missing settings) since the host started.",
         [](const ExchangeStatus&, const C& c) { return std::optional<double>(c.refusals); }},
        {"varnis_exchange_enabled", "gauge", "1 when the configuration runs the exchange.",
         [](const ExchangeStatus& e, const C&) { return std::optional<double>(e.entry.enabled ? 1 : 0); }},
        {"varnis_exchange_last_success_timestamp_seconds", "gauge", "End of the last successful run, Unix time.",
         [](const ExchangeStatus& e, const C&) { return unixTime(e.runs.lastSuccess); }},
        {"varnis_exchange_next_due_timestamp_seconds", "gauge", "When the exchange is next due, Unix time.",
         [](const ExchangeStatus& e, const C&) {
             return e.entry.enabled ? unixTime(e.nextDue) : std::nullopt;
         }},
        {"varnis_exchange_last_duration_seconds", "gauge", "Duration of the last run.",
         [](const ExchangeStatus& e, const C& c) -> std::optional<double> {
             const qint64 ms = c.lastDurationMs >= 0 ? c.lastDurationMs : e.runs.lastDurationMs;
             if (ms < 0)
                 return std::nullopt;
             return ms / 1000.0;
         }},
    };

    QByteArray out;
    for (const Family& f : families) {
        out += QByteArray("# HELP ") + f.name + ' ' + f.help + '\n';
        out += QByteArray("# TYPE ") + f.name + ' ' + f.type + '\n';
        for (const ExchangeStatus& e : status.exchanges) {
            const std::optional<double> v = f.value(e, counters.value(e.entry.name));
            if (v)
                out += QByteArray(f.name) + "{exchange=\"" + e.entry.name.toUtf8() + "\"} " + number(*v) + '\n';
        }
    }
    out += "# HELP varnis_database_up 1 when the goods database answered the host's last probe.\n"
           "# TYPE varnis_database_up gauge\n";
    out += "varnis_database_up " + QByteArray(status.host.probed && status.host.probeAnswered ? "1" : "0") + '\n';
    out += "# HELP varnis_history_up 1 when the run history could be read.\n"
           "# TYPE varnis_history_up gauge\n";
    out += "varnis_history_up " + QByteArray(status.historyAvailable ? "1" : "0") + '\n';
    return out;
}
