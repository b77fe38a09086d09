#pragma once

#include <QString>
#include <QStringList>

struct StatusReport;

// --check, as a Nagios/Icinga check: healthy when every enabled exchange has succeeded
// within twice its interval (26 h for once a day) and the goods database answered its last
// probe. The time inside the no-exchange period does not count against an exchange, and the
// clock counts from the host's start when that came later than the last success.
struct HealthCheck {
    bool healthy = true;
    int checkedExchanges = 0;
    QStringList problems;

    static HealthCheck evaluate(const StatusReport& status);
    // First line "VARNIS OK - …" or "VARNIS WARNING - …" with performance data, then one
    // line per problem.
    QString text() const;
    int exitCode() const { return healthy ? 0 : 1; }
};
