#pragma once

#include "Exchanges.h"
#include "RunRecord.h"
#include "Secrets.h"

#include "platform/RunReport.h"

#include <QHash>
#include <QObject>
#include <functional>

class Clock;
class RunHistory;

// Every exchange call of the timers, the hidden buttons and --run passes through here: the
// run's report is begun, the call made, and what it came to recorded in the history, from
// the same result the scheduler acts on. A run inside another (a timer ticking while an
// exchange lets events through) gets a report of its own and leaves the outer one as it was.
class RunRecorder : public QObject, public Exchanges {
    Q_OBJECT
public:
    RunRecorder(RunReport& report, Clock& clock, QObject* parent = nullptr);

    void setInner(Exchanges* inner) { inner_ = inner; }
    Exchanges* inner() const { return inner_; }
    // May be null: runs are then only counted.
    void setHistory(RunHistory* history) { history_ = history; }
    Secrets& secrets() { return secrets_; }

    // Runs started while a scope lives, at its own depth, carry its trigger; runs nested
    // inside them came from a timer.
    class TriggerScope {
    public:
        TriggerScope(RunRecorder& recorder, RunTrigger trigger);
        ~TriggerScope();
        TriggerScope(const TriggerScope&) = delete;
        TriggerScope& operator=(const TriggerScope&) = delete;

    private:
        RunRecorder& recorder_;
        RunTrigger savedTrigger_;
        int savedDepth_;
    };

    // Since the host started (Prometheus counters start at zero with the process).
    struct Counters {
        qint64 runs = 0;
        qint64 failures = 0;
        qint64 refusals = 0;
        qint64 lastDurationMs = -1;
    };
    const QHash<QString, Counters>& counters() const { return counters_; }

    // Every process-log line: a run that fails without noting why keeps its first error line.
    void noteLogLine(const QString& message);

    bool SendAtlikumi() override;
    bool ReceiveData() override;
    bool SendKlasif() override;
    bool SendPZVesture() override;
    bool ReceiveWebCustomers() override;
    bool EdisoftImpProcess() override;
    bool TelemaProcess() override;
    bool EquinoxSendPartners(const EquinoxOptions& options) override;
    bool EquinoxSendGoods(const EquinoxOptions& options) override;
    bool EquinoxSendOrders(const EquinoxOptions& options) override;
    bool EquinoxImport(const EquinoxOptions& options) override;
    bool EquinoxTestFtp(const EquinoxOptions& options) override;
    bool EdisoftTestImport() override;
    bool HorizonProcessImports() override;
    // Recorded only when it fails: a login precedes every D365 tick, and its success shows
    // in the groups' runs.
    int LoginD365() override;
    int GetGeneralData() override;
    int GetPromotionData() override;
    int GetDocumentData() override;
    int PostDocuments() override;

Q_SIGNALS:
    void recorded(const RunRecord& run);

private:
    template <typename R, typename Call, typename Ok>
    R record(const QString& exchange, Call&& call, Ok&& ok, bool keepSuccess = true);
    bool recordBool(const char* exchange, const std::function<bool()>& call);
    int recordGroup(const char* exchange, const std::function<int()>& call);
    void finish(const QString& exchange, RunTrigger trigger, const QDateTime& started, bool returned,
                bool keepSuccess);
    void restore(const RunReport& outer, const QString& outerErrorLine, bool outerErrorIsError);

    RunReport& report_;
    Clock& clock_;
    Exchanges* inner_ = nullptr;
    RunHistory* history_ = nullptr;
    Secrets secrets_;
    RunTrigger scopeTrigger_ = RunTrigger::Timer;
    int scopeDepth_ = 0;
    int depth_ = 0;
    QString runErrorLine_;
    bool runErrorIsError_ = false;
    QHash<QString, Counters> counters_;
};
