#include "HostMonitor.h"

#include "AutoProcessSettings.h"
#include "ExchangeScheduler.h"
#include "PrometheusMetrics.h"
#include "RunRecorder.h"

#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Log.h"
#include "platform/Registry.h"

namespace {

// The 24-hour counts move with the clock even when nothing runs.
constexpr int kRefreshMs = 60000;

}  // namespace

HostMonitor::HostMonitor(Registry& registry, Clock& clock, Log& log, RunRecorder& recorder,
                         ExchangeScheduler& scheduler, const AutoProcessSettings& settings, QString logFile,
                         QObject* parent)
    : QObject(parent), registry_(registry), clock_(clock), log_(log), recorder_(recorder), scheduler_(scheduler),
      settings_(settings), logFile_(std::move(logFile))
{
    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &HostMonitor::refresh);
    refreshSoon_.setSingleShot(true);
    refreshSoon_.setInterval(0);
    connect(&refreshSoon_, &QTimer::timeout, this, &HostMonitor::refresh);
    connect(&recorder_, &RunRecorder::recorded, this, &HostMonitor::refreshSoon);
    connect(&scheduler_, &ExchangeScheduler::databaseChecked, this, &HostMonitor::noteProbe);
    for (ExchangeTimer* t : scheduler_.timers())
        connect(t, &ExchangeTimer::countdownChanged, this, &HostMonitor::publishDue);
}

HostMonitor::~HostMonitor()
{
    server_.stop();
    recorder_.setHistory(nullptr);
}

void HostMonitor::openHistory(Role role)
{
    openHistory(role, RunHistory::configuredPath(registry_, logFile_));
}

void HostMonitor::openHistory(Role role, const QString& path, RunHistory::Options options)
{
    role_ = role;
    recorder_.setHistory(nullptr);
    history_ = std::make_unique<RunHistory>(path, &log_, options);
    recorder_.setHistory(history_.get());
    recorder_.secrets().readFrom(registry_);
    if (!history_->open())
        return;  // logged once; the exchanges go on without it
    if (role == Role::Service) {
        history_->prune(clock_.now(), RunHistory::configuredKeepDays(registry_));
        history_->noteHostStart(clock_.now());
        publishDue();
        refreshTimer_.start();
    }
}

void HostMonitor::startMonitoring()
{
    server_.stop();
    RegistryKey key(registry_);
    if (!key.OpenKey(QStringLiteral("Monitoring"), false) || !key.ValueExists(QStringLiteral("Port")))
        return;
    int port = 0;
    try {
        port = key.ReadInteger(QStringLiteral("Port"));
    } catch (const std::exception&) {
        log_.WriteLog(QStringLiteral("Monitoringa ports nav skaitlis: '%1'").arg(key.ReadString(QStringLiteral("Port"))));
        return;
    }
    if (port == 0)
        return;
    // What the first request finds is ready before the port opens.
    const StatusReport report = status();
    server_.publish(report.json(), prometheusMetrics(report, recorder_.counters()));
    QString error;
    if (!server_.start(port, &error)) {
        log_.WriteLog(QStringLiteral("Monitoringa portu 127.0.0.1:%1 neizdevās atvērt: %2").arg(port).arg(error));
        return;
    }
    log_.WriteLog(QStringLiteral("Monitorings: http://127.0.0.1:%1/status un /metrics").arg(port));
}

StatusReport HostMonitor::status()
{
    StatusReport report = StatusReport::build(ExchangeCatalog::read(registry_), history_.get(), clock_.now());
    if (role_ == Role::Service) {
        // The host's own due times hold even when the history cannot be written.
        const auto due = dueTimes();
        for (ExchangeStatus& e : report.exchanges)
            for (const auto& d : due)
                if (d.first == e.entry.name)
                    e.nextDue = d.second;
    }
    return report;
}

void HostMonitor::refresh()
{
    const StatusReport report = status();
    model_.setReport(report);
    if (server_.isRunning())
        server_.publish(report.json(), prometheusMetrics(report, recorder_.counters()));
}

void HostMonitor::refreshSoon()
{
    refreshSoon_.start();
}

void HostMonitor::noteProbe(bool answered)
{
    if (history_ && history_->isOpen())
        history_->noteProbe(clock_.now(), answered);
}

QList<QPair<QString, QDateTime>> HostMonitor::dueTimes() const
{
    const QDateTime now = clock_.now();
    auto byTimer = [&now](const ExchangeTimer& t) {
        const qint64 remaining = t.remainingMs();
        return remaining >= 0 ? now.addMSecs(remaining) : QDateTime();
    };
    auto byNextTime = [this](const ExchangeTimer& t, Scheduled which) {
        const QDateTime next = scheduler_.nextTime(which);
        return t.enabled() && next != DateText::neverDue() ? next : QDateTime();
    };
    ExchangeScheduler& s = scheduler_;
    const QDateTime equinox = byTimer(s.tmrEquinox);
    return {
        {QStringLiteral("stock"), byNextTime(s.WWWDatuApmaina, Scheduled::Stock)},
        {QStringLiteral("orders"), byNextTime(s.WWWDatuApmaina, Scheduled::Orders)},
        {QStringLiteral("lists"), byNextTime(s.WWWDatuApmaina, Scheduled::Lists)},
        {QStringLiteral("balances"), byNextTime(s.WWWDatuApmaina, Scheduled::History)},
        {QStringLiteral("edisoft"), settings_.EdisoftAutoImport ? byTimer(s.TelemaaEdisoftLaiks) : QDateTime()},
        {QStringLiteral("telema"), settings_.TelemaaAutoImports ? byTimer(s.TelemaaEdisoftLaiks) : QDateTime()},
        {QStringLiteral("equinox-partners"), equinox},
        {QStringLiteral("equinox-goods"), equinox},
        {QStringLiteral("equinox-orders"), equinox},
        {QStringLiteral("equinox-import"), equinox},
        {QStringLiteral("horizon"), byTimer(s.tmrHorizonApmaksas)},
        {QStringLiteral("d365-general"), byNextTime(s.tmrD365_Get, Scheduled::D365General)},
        {QStringLiteral("d365-promotions"), byNextTime(s.tmrD365_Get, Scheduled::D365Promotion)},
        {QStringLiteral("d365-documents"), byNextTime(s.tmrD365_Get, Scheduled::D365Documents)},
        {QStringLiteral("d365-post"), byTimer(s.tmrD365_Post)},
    };
}

void HostMonitor::publishDue()
{
    if (role_ != Role::Service)
        return;
    if (history_ && history_->isOpen())
        history_->publishDue(dueTimes());
    refreshSoon();
}

void HostMonitor::shutdown()
{
    refreshTimer_.stop();
    server_.stop();
    if (role_ == Role::Service && history_ && history_->isOpen())
        history_->clearDue();
}
