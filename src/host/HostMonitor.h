#pragma once

#include "MonitoringServer.h"
#include "RunHistory.h"
#include "StatusReport.h"
#include "StatusTableModel.h"

#include <QObject>
#include <QTimer>
#include <memory>

class Clock;
class ExchangeScheduler;
class Log;
class Registry;
class RunRecorder;
struct AutoProcessSettings;

// What the people who keep a host running see of it: the run history, the status table the
// window shows, the due times and database probes a service host publishes for --status and
// --check, and the optional monitoring port.
class HostMonitor : public QObject {
    Q_OBJECT
public:
    // A service host (the window, --headless) prunes the history at start, notes its start
    // and publishes its due times; a one-off --run only records its runs.
    enum class Role { Service, OneRun };

    HostMonitor(Registry& registry, Clock& clock, Log& log, RunRecorder& recorder, ExchangeScheduler& scheduler,
                const AutoProcessSettings& settings, QString logFile, QObject* parent = nullptr);
    ~HostMonitor() override;

    // Opens the history of [AutoProcess_Config] VesturesFails (default beside the log).
    void openHistory(Role role);
    // Opens the given history instead (tests, and hosts told where it is).
    void openHistory(Role role, const QString& path, RunHistory::Options options = {});
    RunHistory* history() { return history_.get(); }

    // [Monitoring] Port: 0 or missing leaves it off. A port that cannot be bound is logged.
    void startMonitoring();
    MonitoringServer& monitoring() { return server_; }

    StatusReport status();
    StatusTableModel* statusModel() { return &model_; }
    // Rebuilds the status table and what the monitoring port serves.
    void refresh();
    // The same once control is back in the event loop, so a run's end is not held up.
    void refreshSoon();

    void noteProbe(bool answered);
    void publishDue();
    // At the end of a service host: its due times no longer hold.
    void shutdown();

private:
    QList<QPair<QString, QDateTime>> dueTimes() const;

    Registry& registry_;
    Clock& clock_;
    Log& log_;
    RunRecorder& recorder_;
    ExchangeScheduler& scheduler_;
    const AutoProcessSettings& settings_;
    QString logFile_;
    Role role_ = Role::OneRun;
    std::unique_ptr<RunHistory> history_;
    StatusTableModel model_;
    MonitoringServer server_;
    QTimer refreshTimer_;
    QTimer refreshSoon_;
};
