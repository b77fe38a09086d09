#pragma once

#include "RunRecorder.h"

#include <QByteArray>
#include <QHash>

struct StatusReport;

// The Prometheus text format of GET /metrics: per exchange the runs and failures since the
// host started, the last success and the next due time as Unix times, and the duration of
// the last run; the goods database's last probe. No error text, so no secret can leak.
QByteArray prometheusMetrics(const StatusReport& status, const QHash<QString, RunRecorder::Counters>& counters);
