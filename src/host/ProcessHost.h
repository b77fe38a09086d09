#pragma once

#include "AutoProcessSettings.h"
#include "ExchangeScheduler.h"
#include "HostMonitor.h"
#include "ProcessLog.h"
#include "RunRecorder.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "platform/BusyFlag.h"
#include "platform/Dialogs.h"
#include "platform/RunReport.h"

#include <QObject>
#include <memory>

class Clock;
class HostExchanges;
class Registry;

// The core of the program: settings model, busy flag, process log, data module and
// scheduler. The window only shows and edits the settings and forwards its buttons.
class ProcessHost : public QObject {
    Q_OBJECT
public:
    ProcessHost(Registry& registry, Clock& clock, const QString& logFile = QStringLiteral("VarnisProcess.log"),
                QObject* parent = nullptr);
    ~ProcessHost() override;

    ExchangeContext context() { return {log_, busy_, registry_, *dati_, dialogs_, clock_, report_}; }

    // Message boxes go here; without a window they become log lines.
    void setDialogs(Dialogs* dialogs) { dialogs_.target = dialogs ? dialogs : &logDialogs_; }
    void setExchanges(Exchanges* exchanges);

    void FormCreate();
    // Applies the configuration on the first activation only.
    void FormActivate();
    void btStartClick();
    void SaveAutoProcessConfig();
    void CheckAutoProcess();
    void SetBusy(bool state, const QString& label) { busy_.set(state, label); }

    // The hidden test buttons: each runs one exchange at once.
    void btTestEquinoxClick();
    void btTestEdisoftClick();
    void btTestTelemaClick();
    void btTestWebKlientiClick();
    void btEquinoxImportClick();
    void btD365_GetClick();
    void btD365PostClick();

    // One warning line when the settings file holds a password and others may read it.
    void warnIfConfigReadable();

    AutoProcessSettings& settings() { return settings_; }
    // The window calls this after editing the model in code (not needed for plain edits).
    void notifySettingsChanged() { Q_EMIT settingsChanged(); }

    ProcessLog& log() { return log_; }
    BusyFlag& busy() { return busy_; }
    RunReport& report() { return report_; }
    TMainFormDati& dati() { return *dati_; }
    ExchangeScheduler& scheduler() { return *scheduler_; }
    // Every exchange call passes through it on its way to the exchanges.
    RunRecorder& recorder() { return *recorder_; }
    HostMonitor& monitor() { return *monitor_; }
    Registry& registry() { return registry_; }
    Clock& clock() { return clock_; }
    Dialogs& dialogs() { return dialogs_; }

    // Inventory identifiers of the warehouse and D365 inventory documents.
    int EquinoxInventarizPircejs = 0;
    int EquinoxInventarizPiegadat = 0;
    int D365InventPircejs = 0;
    int D365InventPiegadatajs = 0;

Q_SIGNALS:
    // The settings model was loaded from the registry; the window refreshes its controls.
    void settingsChanged();

private:
    struct ForwardingDialogs : Dialogs {
        Dialogs* target = nullptr;
        void showMessage(const QString& text) override { target->showMessage(text); }
    };

    void computeNextTimes(const std::initializer_list<Scheduled>& which);
    void readLogRotation();

    Registry& registry_;
    Clock& clock_;
    ProcessLog log_;
    LogDialogs logDialogs_;
    ForwardingDialogs dialogs_;
    BusyFlag busy_;
    RunReport report_;
    AutoProcessSettings settings_;
    std::unique_ptr<TMainFormDati> dati_;
    std::unique_ptr<ExchangeScheduler> scheduler_;
    std::unique_ptr<HostExchanges> ownExchanges_;
    std::unique_ptr<RunRecorder> recorder_;
    std::unique_ptr<HostMonitor> monitor_;
    bool activatedOnce_ = false;
};
