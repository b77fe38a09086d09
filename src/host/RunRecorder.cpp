#include "RunRecorder.h"

#include "RunHistory.h"

#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/RunReport.h"

RunRecorder::RunRecorder(RunReport& report, Clock& clock, QObject* parent)
    : QObject(parent), report_(report), clock_(clock)
{
}

RunRecorder::TriggerScope::TriggerScope(RunRecorder& recorder, RunTrigger trigger)
    : recorder_(recorder), savedTrigger_(recorder.scopeTrigger_), savedDepth_(recorder.scopeDepth_)
{
    recorder_.scopeTrigger_ = trigger;
    recorder_.scopeDepth_ = recorder_.depth_;
}

RunRecorder::TriggerScope::~TriggerScope()
{
    recorder_.scopeTrigger_ = savedTrigger_;
    recorder_.scopeDepth_ = savedDepth_;
}

void RunRecorder::noteLogLine(const QString& message)
{
    if (depth_ == 0)
        return;
    // A run that fails without noting why is told by its first error line, else its last line.
    const bool error = message.startsWith(QStringLiteral("Kļūda")) || message.contains(QStringLiteral("eizdevās"))
        || message.startsWith(QStringLiteral("Paziņojums: ")) || message.contains(QStringLiteral("nav pieejams"));
    if (!runErrorIsError_) {
        runErrorLine_ = message;
        runErrorIsError_ = error;
    }
}

template <typename R, typename Call, typename Ok>
R RunRecorder::record(const QString& exchange, Call&& call, Ok&& ok, bool keepSuccess)
{
    const RunReport outer = report_;
    const QString outerErrorLine = runErrorLine_;
    const bool outerErrorIsError = runErrorIsError_;
    const RunTrigger trigger = depth_ == scopeDepth_ ? scopeTrigger_ : RunTrigger::Timer;
    report_.begin();
    runErrorLine_.clear();
    runErrorIsError_ = false;
    const QDateTime started = clock_.now();
    ++depth_;
    R result{};
    bool returned = false;
    try {
        result = call();
        returned = ok(result);
    } catch (const std::exception& e) {
        --depth_;
        report_.fail(errorText(e));
        finish(exchange, trigger, started, false, keepSuccess);
        restore(outer, outerErrorLine, outerErrorIsError);
        throw;
    }
    --depth_;
    finish(exchange, trigger, started, returned, keepSuccess);
    restore(outer, outerErrorLine, outerErrorIsError);
    return result;
}

void RunRecorder::finish(const QString& exchange, RunTrigger trigger, const QDateTime& started, bool returned,
                         bool keepSuccess)
{
    RunRecord run;
    run.exchange = exchange;
    run.trigger = trigger;
    run.started = started;
    run.ended = clock_.now();
    run.result = report_.outcome(returned);
    run.moved = report_.movedRecords();
    if (!run.succeeded())
        run.error = secrets_.mask(report_.firstError().isEmpty() ? runErrorLine_ : report_.firstError());
    if (run.succeeded() && !keepSuccess)
        return;

    Counters& c = counters_[exchange];
    ++c.runs;
    c.failures += run.result == RunReport::Outcome::Failed ? 1 : 0;
    c.refusals += run.result == RunReport::Outcome::Refused ? 1 : 0;
    c.lastDurationMs = run.durationMs();
    if (history_)
        history_->record(run);
    Q_EMIT recorded(run);
}

void RunRecorder::restore(const RunReport& outer, const QString& outerErrorLine, bool outerErrorIsError)
{
    const RunReport inner = report_;
    report_ = outer;
    runErrorLine_ = outerErrorLine;
    runErrorIsError_ = outerErrorIsError;
    if (depth_ > 0)
        return;  // a nested run's notes are not the outer run's
    // At the outermost level the caller (--run) reads what the run came to.
    switch (inner.outcome(true)) {
    case RunReport::Outcome::Failed: report_.fail(inner.firstError()); break;
    case RunReport::Outcome::Refused: report_.refuse(inner.firstError()); break;
    case RunReport::Outcome::NothingToDo: report_.nothingToDo(); break;
    case RunReport::Outcome::Done: break;
    }
    if (inner.movedRecords() > 0)
        report_.moved(inner.movedRecords());
}

bool RunRecorder::recordBool(const char* exchange, const std::function<bool()>& call)
{
    return record<bool>(QString::fromLatin1(exchange), call, [](bool r) { return r; });
}

int RunRecorder::recordGroup(const char* exchange, const std::function<int()>& call)
{
    return record<int>(QString::fromLatin1(exchange), call, [](int r) { return r > 0; });
}

bool RunRecorder::SendAtlikumi()
{
    return recordBool("stock", [this] { return inner_->SendAtlikumi(); });
}

bool RunRecorder::ReceiveData()
{
    return recordBool("orders", [this] { return inner_->ReceiveData(); });
}

bool RunRecorder::SendKlasif()
{
    return recordBool("lists", [this] { return inner_->SendKlasif(); });
}

bool RunRecorder::SendPZVesture()
{
    return recordBool("balances", [this] { return inner_->SendPZVesture(); });
}

bool RunRecorder::ReceiveWebCustomers()
{
    return recordBool("web-customers", [this] { return inner_->ReceiveWebCustomers(); });
}

bool RunRecorder::EdisoftImpProcess()
{
    return recordBool("edisoft", [this] { return inner_->EdisoftImpProcess(); });
}

bool RunRecorder::TelemaProcess()
{
    return recordBool("telema", [this] { return inner_->TelemaProcess(); });
}

bool RunRecorder::EquinoxSendPartners(const EquinoxOptions& options)
{
    return recordBool("equinox-partners", [&] { return inner_->EquinoxSendPartners(options); });
}

bool RunRecorder::EquinoxSendGoods(const EquinoxOptions& options)
{
    return recordBool("equinox-goods", [&] { return inner_->EquinoxSendGoods(options); });
}

bool RunRecorder::EquinoxSendOrders(const EquinoxOptions& options)
{
    return recordBool("equinox-orders", [&] { return inner_->EquinoxSendOrders(options); });
}

bool RunRecorder::EquinoxImport(const EquinoxOptions& options)
{
    return recordBool("equinox-import", [&] { return inner_->EquinoxImport(options); });
}

bool RunRecorder::EquinoxTestFtp(const EquinoxOptions& options)
{
    return recordBool("equinox-test", [&] { return inner_->EquinoxTestFtp(options); });
}

bool RunRecorder::EdisoftTestImport()
{
    return recordBool("edisoft-test", [this] { return inner_->EdisoftTestImport(); });
}

bool RunRecorder::HorizonProcessImports()
{
    return recordBool("horizon", [this] { return inner_->HorizonProcessImports(); });
}

int RunRecorder::LoginD365()
{
    return record<int>(QStringLiteral("d365-login"), [this] { return inner_->LoginD365(); },
                       [](int r) { return r >= 0; }, false);
}

int RunRecorder::GetGeneralData()
{
    return recordGroup("d365-general", [this] { return inner_->GetGeneralData(); });
}

int RunRecorder::GetPromotionData()
{
    return recordGroup("d365-promotions", [this] { return inner_->GetPromotionData(); });
}

int RunRecorder::GetDocumentData()
{
    return recordGroup("d365-documents", [this] { return inner_->GetDocumentData(); });
}

int RunRecorder::PostDocuments()
{
    return recordGroup("d365-post", [this] { return inner_->PostDocuments(); });
}
