#include "ProcessHost.h"

#include "HostExchanges.h"

#include "platform/AppInfo.h"
#include "platform/DateText.h"
#include "platform/Errors.h"
#include "platform/Registry.h"

#include "Secrets.h"

namespace {

// A guarded group: an error abandons the rest of the group silently.
template <typename F>
void guarded(F&& group)
{
    try {
        group();
    } catch (const VarnisError&) {
    }
}

}  // namespace

ProcessHost::ProcessHost(Registry& registry, Clock& clock, const QString& logFile, QObject* parent)
    : QObject(parent), registry_(registry), clock_(clock), log_(clock, logFile), logDialogs_(log_)
{
    dialogs_.target = &logDialogs_;
    dati_ = std::make_unique<TMainFormDati>(log_, dialogs_, clock_);
    scheduler_ = std::make_unique<ExchangeScheduler>(settings_, registry_, clock_, log_, busy_, *dati_);
    ownExchanges_ = std::make_unique<HostExchanges>(context());
    recorder_ = std::make_unique<RunRecorder>(report_, clock_);
    recorder_->setInner(ownExchanges_.get());
    scheduler_->setExchanges(recorder_.get());
    connect(&log_, &ProcessLog::lineWritten, recorder_.get(), &RunRecorder::noteLogLine);
    monitor_ = std::make_unique<HostMonitor>(registry_, clock_, log_, *recorder_, *scheduler_, settings_, logFile);
    readLogRotation();
}

ProcessHost::~ProcessHost()
{
    monitor_.reset();
    scheduler_.reset();
    ownExchanges_.reset();
    dati_.reset();
}

void ProcessHost::setExchanges(Exchanges* exchanges)
{
    recorder_->setInner(exchanges ? exchanges : ownExchanges_.get());
}

void ProcessHost::readLogRotation()
{
    // [AutoProcess_Config] LogMaxMB (0: never rotate) and LogFailuSkaits, read once at start.
    qint64 maxBytes = LogFile::kDefaultMaxBytes;
    int keep = LogFile::kDefaultKeep;
    RegistryKey a(registry_);
    if (a.OpenKey(RegistryKeys::AutoProcessConfig, false)) {
        if (a.ValueExists(QStringLiteral("LogMaxMB")))
            guarded([&] { maxBytes = qint64(a.ReadInteger(QStringLiteral("LogMaxMB"))) * 1024 * 1024; });
        if (a.ValueExists(QStringLiteral("LogFailuSkaits")))
            guarded([&] { keep = a.ReadInteger(QStringLiteral("LogFailuSkaits")); });
    }
    log_.file().setRotation(maxBytes, keep);
}

void ProcessHost::warnIfConfigReadable()
{
    const QString warning = Secrets::readableFileWarning(registry_);
    if (!warning.isEmpty())
        log_.WriteLog(warning);
}

void ProcessHost::FormCreate()
{
    dati_->OperatorName = QStringLiteral("ADMIN");
    log_.WriteLog(AppInfo::caption());
}

void ProcessHost::FormActivate()
{
    if (!activatedOnce_)
        CheckAutoProcess();
    activatedOnce_ = true;
}

void ProcessHost::btStartClick()
{
    SaveAutoProcessConfig();
    CheckAutoProcess();
}

void ProcessHost::SaveAutoProcessConfig()
{
    const AutoProcessSettings& s = settings_;
    RegistryKey a(registry_);
    if (a.OpenKey(RegistryKeys::AutoProcessConfig, true)) {
        a.WriteString(QStringLiteral("DatuBaze"), s.DatuBaze);
        a.WriteString(QStringLiteral("TempDir"), s.TempDir);
        a.WriteString(QStringLiteral("NeveiktLaiksNo"), s.NeveiktLaiksNo);
        a.WriteString(QStringLiteral("NeveiktLaiksLidz"), s.NeveiktLaiksLidz);
        a.WriteBool(QStringLiteral("EdisoftAutoImport"), s.EdisoftAutoImport);
        a.WriteBool(QStringLiteral("TelemaaAutoImports"), s.TelemaaAutoImports);
        a.WriteInteger(QStringLiteral("EquinixAutoApmaina"), s.EquinixAutoApmaina);
        a.WriteString(QStringLiteral("EquinixAutoApmainaTime"), s.EquinixAutoApmainaTime);
        a.WriteInteger(QStringLiteral("HorizonAutoApmaina"), s.HorizonAutoApmaina);
        a.WriteString(QStringLiteral("HorizonAutoApmainaTime"), s.HorizonAutoApmainaTime);
        a.WriteInteger(QStringLiteral("D365_GetVisparejieDati"), s.D365_GetVisparejieDati);
        a.WriteString(QStringLiteral("D365_GetVisparejieDatiTime"), s.D365_GetVisparejieDatiTime);
        a.WriteString(QStringLiteral("D365_GetVisparejieDatiPlkst"), s.D365_GetVisparejieDatiPlkst);
        a.WriteInteger(QStringLiteral("D365_GetAkcijuDati"), s.D365_GetAkcijuDati);
        a.WriteString(QStringLiteral("D365_GetAkcijuDatiTime"), s.D365_GetAkcijuDatiTime);
        a.WriteString(QStringLiteral("D365_GetAkcijuDatiPlkst"), s.D365_GetAkcijuDatiPlkst);
        a.WriteInteger(QStringLiteral("D365_GetPavadzimjuDati"), s.D365_GetPavadzimjuDati);
        a.WriteString(QStringLiteral("D365_GetPavadzimjuDatiTime"), s.D365_GetPavadzimjuDatiTime);
        a.WriteString(QStringLiteral("D365_GetPavadzimjuDatiPlkst"), s.D365_GetPavadzimjuDatiPlkst);
        a.WriteInteger(QStringLiteral("D365_Post"), s.D365_Post);
        a.WriteString(QStringLiteral("D365_PostTime"), s.D365_PostTime);
        a.CloseKey();
    }
    RegistryKey w(registry_);
    if (w.OpenKey(RegistryKeys::AutoProcessWWWExp, true)) {
        w.WriteInteger(QStringLiteral("AutoPrecuAtlikumi"), s.AutoPrecuAtlikumi);
        w.WriteInteger(QStringLiteral("AutoKlasifikatori"), s.AutoKlasifikatori);
        w.WriteInteger(QStringLiteral("AutoSanemt"), s.AutoSanemt);
        w.WriteInteger(QStringLiteral("VestureTips"), s.VestureTips);
        w.WriteString(QStringLiteral("AtlikumiTime"), s.AtlikumiTime);
        w.WriteString(QStringLiteral("SarakstiTime"), s.SarakstiTime);
        w.WriteString(QStringLiteral("SanemtTime"), s.SanemtTime);
        w.WriteString(QStringLiteral("VestureTime"), s.VestureTime);
        w.WriteString(QStringLiteral("AtlikPlkst"), s.AtlikPlkst);
        w.WriteString(QStringLiteral("SarakstsPlkst"), s.SarakstsPlkst);
        w.WriteString(QStringLiteral("SanemPlkst"), s.SanemPlkst);
        w.WriteString(QStringLiteral("VesturePlkst"), s.VesturePlkst);
        w.CloseKey();
    }
}

void ProcessHost::computeNextTimes(const std::initializer_list<Scheduled>& which)
{
    for (Scheduled s : which)
        scheduler_->ComputeNextTime(s);
}

void ProcessHost::CheckAutoProcess()
{
    AutoProcessSettings& s = settings_;
    {
        RegistryKey a(registry_);
        if (a.OpenKey(RegistryKeys::AutoProcessConfig, false)) {
            guarded([&] { s.DatuBaze = a.ReadString(QStringLiteral("DatuBaze")); });
            guarded([&] { s.TempDir = a.ReadString(QStringLiteral("TempDir")); });
            guarded([&] {
                s.NeveiktLaiksNo = a.ReadString(QStringLiteral("NeveiktLaiksNo"));
                s.NeveiktLaiksLidz = a.ReadString(QStringLiteral("NeveiktLaiksLidz"));
            });
            dati_->setCredentials(a.ReadString(QStringLiteral("DbUser")), a.ReadString(QStringLiteral("DbPassword")));
        }
    }
    Q_EMIT settingsChanged();

    if (s.DatuBaze.isEmpty()) {
        dialogs_.showMessage(QStringLiteral("Nav ievadīta datu bāze, process nav iespējams !!!"));
        return;
    }

    // The timers check the connection themselves; the monitors hear of it now.
    monitor_->noteProbe(dati_->ConnectDatabase(s.DatuBaze, s.TempDir));

    ExchangeScheduler& sch = *scheduler_;
    {
        RegistryKey w(registry_);
        if (!w.OpenKey(RegistryKeys::AutoProcessWWWExp, false)) {
            log_.WriteLog(QStringLiteral("CheckAutoProcess - NOT WWW auto process"));
        } else {
            guarded([&] {
                s.AutoPrecuAtlikumi = w.ReadInteger(QStringLiteral("AutoPrecuAtlikumi"));
                s.AutoKlasifikatori = w.ReadInteger(QStringLiteral("AutoKlasifikatori"));
                s.AutoSanemt = w.ReadInteger(QStringLiteral("AutoSanemt"));
                s.VestureTips = w.ReadInteger(QStringLiteral("VestureTips"));
            });
            if (s.AutoPrecuAtlikumi > 0 || s.AutoKlasifikatori > 0 || s.AutoSanemt > 0 || s.VestureTips > 0) {
                log_.WriteLog(QStringLiteral("CheckAutoProcess - SetNextTime WWW"));
                // A schedule that cannot be computed (1500 minutes, a mode that is not a number)
                // leaves the web shop timer off; it is shown, and the other groups still apply.
                try {
                    computeNextTimes({Scheduled::Stock, Scheduled::Orders, Scheduled::Lists, Scheduled::History});
                    sch.WWWDatuApmaina.setEnabled(true);
                } catch (const std::exception& e) {
                    dialogs_.showMessage(errorText(e));
                }
            } else {
                log_.WriteLog(QStringLiteral("CheckAutoProcess - NOT SetNextTime WWW"));
            }
        }
    }

    {
        RegistryKey a(registry_);
        if (a.OpenKey(RegistryKeys::AutoProcessConfig, false)) {
            guarded([&] {
                if (a.ReadBool(QStringLiteral("EdisoftAutoImport"))) {
                    sch.TelemaaEdisoftLaiks.setEnabled(true);
                    s.EdisoftAutoImport = true;
                }
                if (a.ReadBool(QStringLiteral("TelemaaAutoImports"))) {
                    sch.TelemaaEdisoftLaiks.setEnabled(true);
                    s.TelemaaAutoImports = true;
                }
                // A two-way group at 1 runs its timer every so many minutes.
                auto everyMinutes = [&](const char* modeName, const char* timeName, int& mode, QString& minutes,
                                        ExchangeTimer& timer) {
                    guarded([&] {
                        if (a.ReadInteger(QString::fromLatin1(modeName)) == 1) {
                            mode = 1;
                            minutes = a.ReadString(QString::fromLatin1(timeName));
                            timer.setInterval(qint64(DateText::parseInt(minutes)) * 60000);
                            timer.setEnabled(true);
                        }
                    });
                };
                everyMinutes("EquinixAutoApmaina", "EquinixAutoApmainaTime", s.EquinixAutoApmaina,
                             s.EquinixAutoApmainaTime, sch.tmrEquinox);
                everyMinutes("HorizonAutoApmaina", "HorizonAutoApmainaTime", s.HorizonAutoApmaina,
                             s.HorizonAutoApmainaTime, sch.tmrHorizonApmaksas);
                guarded([&] {
                    s.D365_GetVisparejieDati = a.ReadInteger(QStringLiteral("D365_GetVisparejieDati"));
                    s.D365_GetAkcijuDati = a.ReadInteger(QStringLiteral("D365_GetAkcijuDati"));
                    s.D365_GetPavadzimjuDati = a.ReadInteger(QStringLiteral("D365_GetPavadzimjuDati"));
                    if (s.D365_GetVisparejieDati > 0 || s.D365_GetAkcijuDati > 0 || s.D365_GetPavadzimjuDati > 0) {
                        log_.WriteLog(QStringLiteral("CheckAutoProcess - SetNextTime D365 Get"));
                        computeNextTimes({Scheduled::D365General, Scheduled::D365Promotion, Scheduled::D365Documents});
                        sch.tmrD365_Get.setEnabled(true);
                    }
                });
                everyMinutes("D365_Post", "D365_PostTime", s.D365_Post, s.D365_PostTime, sch.tmrD365_Post);
            });
        }
    }

    {
        RegistryKey e(registry_);
        if (e.OpenKey(RegistryKeys::EquinoxExp, false)) {
            guarded([&] {
                EquinoxInventarizPircejs = e.ReadInteger(QStringLiteral("InventarizPircejs"));
                EquinoxInventarizPiegadat = e.ReadInteger(QStringLiteral("InventarizPiegadat"));
            });
        }
    }
    {
        RegistryKey d(registry_);
        if (d.OpenKey(RegistryKeys::D365, false)) {
            // Each on its own: a missing buyer must not leave the supplier at 0, which
            // would send inventory receipts out as ordinary ones.
            guarded([&] { D365InventPircejs = d.ReadInteger(QStringLiteral("InventPircejs")); });
            guarded([&] { D365InventPiegadatajs = d.ReadInteger(QStringLiteral("InventPiegadatajs")); });
        }
        ownExchanges_->setD365InventoryClients({D365InventPiegadatajs, D365InventPircejs});
    }
    recorder_->secrets().readFrom(registry_);
    monitor_->publishDue();
    Q_EMIT settingsChanged();
}

namespace {

// A test button's run: an error is logged like a timer's, and nothing else stops.
template <typename F>
void runButton(Log& log, BusyFlag& busy, RunRecorder& recorder, const QString& name, F&& run)
{
    const RunRecorder::TriggerScope button(recorder, RunTrigger::Button);
    try {
        run();
    } catch (const std::exception& e) {
        log.WriteLog(QStringLiteral("Kļūda pie %1 !!!").arg(name) + errorText(e));
        busy.set(false, name);
    }
}

}  // namespace

void ProcessHost::btTestEquinoxClick()
{
    runButton(log_, busy_, *recorder_, QStringLiteral("btTestEquinoxClick"),
              [this] { scheduler_->exchanges().EquinoxTestFtp(scheduler_->readEquinoxOptions()); });
}

void ProcessHost::btTestEdisoftClick()
{
    runButton(log_, busy_, *recorder_, QStringLiteral("btTestEdisoftClick"), [this] { scheduler_->exchanges().EdisoftTestImport(); });
}

void ProcessHost::btTestTelemaClick()
{
    runButton(log_, busy_, *recorder_, QStringLiteral("btTestTelemaClick"), [this] { scheduler_->exchanges().TelemaProcess(); });
}

void ProcessHost::btTestWebKlientiClick()
{
    runButton(log_, busy_, *recorder_, QStringLiteral("btTestWebKlientiClick"),
              [this] { scheduler_->exchanges().ReceiveWebCustomers(); });
}

void ProcessHost::btEquinoxImportClick()
{
    runButton(log_, busy_, *recorder_, QStringLiteral("btEquinoxImportClick"),
              [this] { scheduler_->exchanges().EquinoxImport(scheduler_->readEquinoxOptions()); });
}

void ProcessHost::btD365_GetClick()
{
    const RunRecorder::TriggerScope button(*recorder_, RunTrigger::Button);
    scheduler_->tmrD365_GetTimer();
}

void ProcessHost::btD365PostClick()
{
    const RunRecorder::TriggerScope button(*recorder_, RunTrigger::Button);
    scheduler_->tmrD365_PostTimer();
}
