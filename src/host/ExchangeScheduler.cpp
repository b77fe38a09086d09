#include "ExchangeScheduler.h"

#include "db/Mainformdatiform.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

namespace {

struct ScheduleDef {
    const QString& key;
    const char* modeName;
    const char* minutesName;
    const char* clockName;
    const char* logName;
    QString AutoProcessSettings::*minutes;
    QString AutoProcessSettings::*clock;
    bool logsNewTime;
};

const ScheduleDef& def(Scheduled which)
{
    using S = AutoProcessSettings;
    static const ScheduleDef defs[kScheduledCount] = {
        {RegistryKeys::AutoProcessWWWExp, "AutoPrecuAtlikumi", "AtlikumiTime", "AtlikPlkst", "WWWNextTimeAtlikumi",
         &S::AtlikumiTime, &S::AtlikPlkst, true},
        {RegistryKeys::AutoProcessWWWExp, "AutoSanemt", "SanemtTime", "SanemPlkst", "WWWNextReceiveData",
         &S::SanemtTime, &S::SanemPlkst, false},
        {RegistryKeys::AutoProcessWWWExp, "AutoKlasifikatori", "SarakstiTime", "SarakstsPlkst", "WWWNextKlasif",
         &S::SarakstiTime, &S::SarakstsPlkst, true},
        {RegistryKeys::AutoProcessWWWExp, "VestureTips", "VestureTime", "VesturePlkst", "WWWNextVesture",
         &S::VestureTime, &S::VesturePlkst, false},
        {RegistryKeys::AutoProcessConfig, "D365_GetVisparejieDati", "D365_GetVisparejieDatiTime",
         "D365_GetVisparejieDatiPlkst", "D365NextTimeVisparejieDati", &S::D365_GetVisparejieDatiTime,
         &S::D365_GetVisparejieDatiPlkst, false},
        {RegistryKeys::AutoProcessConfig, "D365_GetAkcijuDati", "D365_GetAkcijuDatiTime", "D365_GetAkcijuDatiPlkst",
         "D365NextTimeAkcijuDati", &S::D365_GetAkcijuDatiTime, &S::D365_GetAkcijuDatiPlkst, false},
        {RegistryKeys::AutoProcessConfig, "D365_GetPavadzimjuDati", "D365_GetPavadzimjuDatiTime",
         "D365_GetPavadzimjuDatiPlkst", "D365NextTimePavadzimjuDati", &S::D365_GetPavadzimjuDatiTime,
         &S::D365_GetPavadzimjuDatiPlkst, false},
    };
    return defs[static_cast<int>(which)];
}

QString L(const char* text)
{
    return QString::fromUtf8(text);
}

}  // namespace

ExchangeScheduler::ExchangeScheduler(AutoProcessSettings& settings, Registry& registry, Clock& clock, Log& log,
                                     BusyFlag& busy, TMainFormDati& dati, QObject* parent)
    : QObject(parent),
      WWWDatuApmaina(QStringLiteral("WWWDatuApmaina"), 60000),
      TelemaaEdisoftLaiks(QStringLiteral("TelemaaEdisoftLaiks"), 300000),
      tmrEquinox(QStringLiteral("tmrEquinox"), 60000),
      tmrHorizonApmaksas(QStringLiteral("tmrHorizonApmaksas"), 60000),
      tmrD365_Get(QStringLiteral("tmrD365_Get"), 60000),
      tmrD365_Post(QStringLiteral("tmrD365_Post"), 60000),
      settings_(settings), registry_(registry), clock_(clock), log_(log), busy_(busy), dati_(dati)
{
    next_.fill(DateText::neverDue());
    connect(&WWWDatuApmaina, &ExchangeTimer::timeout, this, &ExchangeScheduler::WWWDatuApmainaTimer);
    connect(&TelemaaEdisoftLaiks, &ExchangeTimer::timeout, this, &ExchangeScheduler::TelemaaEdisoftLaiksTimer);
    connect(&tmrEquinox, &ExchangeTimer::timeout, this, &ExchangeScheduler::tmrEquinoxTimer);
    connect(&tmrHorizonApmaksas, &ExchangeTimer::timeout, this, &ExchangeScheduler::tmrHorizonApmaksasTimer);
    connect(&tmrD365_Get, &ExchangeTimer::timeout, this, &ExchangeScheduler::tmrD365_GetTimer);
    connect(&tmrD365_Post, &ExchangeTimer::timeout, this, &ExchangeScheduler::tmrD365_PostTimer);
}

void ExchangeScheduler::stopAll()
{
    for (ExchangeTimer* t : timers())
        t->setEnabled(false);
}

void ExchangeScheduler::ComputeNextTime(Scheduled which)
{
    const ScheduleDef& d = def(which);
    QDateTime& next = next_[static_cast<int>(which)];
    next = DateText::neverDue();

    RegistryKey key(registry_);
    if (!key.OpenKey(d.key, false))
        return;
    const int mode = key.ReadInteger(QString::fromLatin1(d.modeName));
    try {
        settings_.*d.minutes = key.ReadString(QString::fromLatin1(d.minutesName)).trimmed();
        settings_.*d.clock = key.ReadString(QString::fromLatin1(d.clockName)).trimmed();
    } catch (const RegistryError&) {
        // the field keeps its text
    }

    const QDateTime now = clock_.now();
    if (mode == 1) {
        const QTime at = DateText::parseTime(settings_.*d.clock);
        next = QDateTime(now.date(), at);
        if (now.time() > at)
            next = next.addDays(1);
    } else if (mode == 2) {
        const int minutes = DateText::parseInt(settings_.*d.minutes);
        // The duration is read as a time of day, so it must stay below 24 hours.
        const QTime span = DateText::parseTime(QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60));
        next = now.addMSecs(span.msecsSinceStartOfDay());
    }
    if (d.logsNewTime)
        log_.WriteLog(QString::fromLatin1(d.logName) + QLatin1Char('=') + DateText::dateTime(next));
}

bool ExchangeScheduler::isDue(Scheduled which) const
{
    return nextTime(which) < clock_.now();
}

QString ExchangeScheduler::timeText(Scheduled which) const
{
    return DateText::dateTime(nextTime(which));
}

bool ExchangeScheduler::CheckDBConnection()
{
    bool answered = dati_.probe();
    if (!answered) {
        log_.WriteLog(L("DB konekcijas atjaunošana ..."));
        answered = dati_.ConnectDatabase(settings_.DatuBaze, settings_.TempDir);
    }
    Q_EMIT databaseChecked(answered);
    return answered;
}

bool ExchangeScheduler::insideNoExchangePeriod() const
{
    const QTime from = DateText::parseTime(settings_.NeveiktLaiksNo);
    const QTime to = DateText::parseTime(settings_.NeveiktLaiksLidz);
    const QTime now = clock_.now().time();
    // No wrap past midnight: a period that starts after it ends blocks nothing.
    return now >= from && now <= to;
}

void ExchangeScheduler::guardTick(ExchangeTimer& timer, const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        log_.WriteLog(QStringLiteral("Kļūda pie %1Timer !!!").arg(timer.name()) + errorText(e));
        busy_.set(false, timer.name());
        timer.setEnabled(true);
    }
}

bool ExchangeScheduler::periodBlocks(const ExchangeTimer& timer)
{
    try {
        return insideNoExchangePeriod();
    } catch (const std::exception& e) {
        // A period field that is not a time must not leave the timer stopped for good.
        log_.WriteLog(QStringLiteral("Kļūda pie %1Timer !!!").arg(timer.name()) + errorText(e));
        return true;
    }
}

void ExchangeScheduler::WWWDatuApmainaTimer()
{
    WWWDatuApmaina.setEnabled(false);
    log_.WriteLog(QStringLiteral("WWWDatuApmainaTimer : WWWNextTimeAtlikumi=") + timeText(Scheduled::Stock)
                  + QStringLiteral(" WWWNextReceiveData=") + timeText(Scheduled::Orders)
                  + QStringLiteral(" WWWNextKlasif=") + timeText(Scheduled::Lists)
                  + QStringLiteral(" WWWNextVesture=") + timeText(Scheduled::History));
    try {
        if (!insideNoExchangePeriod()) {
            if (CheckDBConnection()) {
                if (isDue(Scheduled::Stock) && exchanges_->SendAtlikumi())
                    ComputeNextTime(Scheduled::Stock);
                if (isDue(Scheduled::Orders) && exchanges_->ReceiveData())
                    ComputeNextTime(Scheduled::Orders);
                if (isDue(Scheduled::Lists) && exchanges_->SendKlasif())
                    ComputeNextTime(Scheduled::Lists);
                if (isDue(Scheduled::History) && exchanges_->SendPZVesture())
                    ComputeNextTime(Scheduled::History);
            } else {
                if (isDue(Scheduled::Stock))
                    log_.WriteLog(L("Neizpildījās WWW atlikumu sūtīšana, nav DB konekcijas WWWNextTimeAtlikumi=")
                                  + timeText(Scheduled::Stock));
                if (isDue(Scheduled::Lists))
                    log_.WriteLog(L("Neizpildījās WWW saraksti sūtīšana, nav DB konekcijas WWWNextKlasif=")
                                  + timeText(Scheduled::Lists));
            }
        }
    } catch (const std::exception& e) {
        log_.WriteLog(L("Kļūda pie WWWDatuApmainaTimer !!!") + errorText(e));
        busy_.set(false, QStringLiteral("WWWDatuApmainaTimer"));
    }
    WWWDatuApmaina.setEnabled(true);
}

void ExchangeScheduler::TelemaaEdisoftLaiksTimer()
{
    TelemaaEdisoftLaiks.setEnabled(false);
    guardTick(TelemaaEdisoftLaiks, [this] {
        if (!periodBlocks(TelemaaEdisoftLaiks) && CheckDBConnection()) {
            if (settings_.EdisoftAutoImport) {
                try {
                    exchanges_->EdisoftImpProcess();
                } catch (const std::exception& e) {
                    log_.WriteLog(L("Kļūda pie TelemaaEdisoftLaiksTimer !!!") + errorText(e));
                    busy_.set(false, QStringLiteral("TelemaaEdisoftLaiksTimer"));
                }
            }
            if (settings_.TelemaaAutoImports)
                exchanges_->TelemaProcess();
        }
        TelemaaEdisoftLaiks.setEnabled(true);
    });
}

EquinoxOptions ExchangeScheduler::readEquinoxOptions()
{
    equinox_ = EquinoxOptions{equinox_.FTPVieta, equinox_.UserName, equinox_.Parole};
    RegistryKey key(registry_);
    if (key.OpenKey(RegistryKeys::EquinoxExp, false)) {
        try {
            equinox_.FTPVieta = key.ReadString(QStringLiteral("FTPVieta"));
            equinox_.UserName = key.ReadString(QStringLiteral("UserName"));
            equinox_.Parole = key.ReadString(QStringLiteral("Parole"));
            equinox_.AutoKlienti = key.ReadBool(QStringLiteral("AutoKlienti"));
            equinox_.AutoPreces = key.ReadBool(QStringLiteral("AutoPreces"));
            equinox_.AutoPasutijumi = key.ReadBool(QStringLiteral("AutoPasutijumi"));
            equinox_.AutoImports = key.ReadBool(QStringLiteral("AutoImports"));
            equinox_.TikaiLabotasPreces = key.ReadBool(QStringLiteral("TikaiLabotasPreces"));
        } catch (const RegistryError&) {
            // the rest of the group is not read
        }
    }
    return equinox_;
}

bool ExchangeScheduler::runEquinoxSteps(const EquinoxOptions& o, RunReport* report)
{
    struct Step {
        bool on;
        bool (Exchanges::*run)(const EquinoxOptions&);
        const char* errorLine;
    };
    const Step steps[] = {
        {o.AutoKlienti, &Exchanges::EquinoxSendPartners, "Kļūda sūtot uz Equinox nodaļas un klientus, process turpinās : "},
        {o.AutoPreces, &Exchanges::EquinoxSendGoods, "Kļūda sūtot uz Equinox preces, process turpinās : "},
        {o.AutoPasutijumi, &Exchanges::EquinoxSendOrders, "Kļūda sūtot uz Equinox pasūtījumus, process turpinās : "},
        {o.AutoImports, &Exchanges::EquinoxImport, "Kļūda saņemot datus no Equinox, process turpinās : "},
    };
    bool ok = true;
    for (const Step& step : steps) {
        if (!step.on)
            continue;
        try {
            ok = (exchanges_->*step.run)(o) && ok;
        } catch (const std::exception& e) {
            const QString line = L(step.errorLine) + errorText(e);
            log_.WriteLog(line);
            busy_.set(false, QStringLiteral("tmrEquinoxTimer"));
            if (report)
                report->fail(line);
            ok = false;
        }
    }
    return ok;
}

void ExchangeScheduler::tmrEquinoxTimer()
{
    guardTick(tmrEquinox, [this] {
        if (periodBlocks(tmrEquinox) || busy_.isSet())
            return;
        log_.WriteLog(L("Sāku tmrEquinoxTimer..."));
        busy_.set(true, QStringLiteral("tmrEquinoxTimer"));
        tmrEquinox.setEnabled(false);
        if (CheckDBConnection())
            runEquinoxSteps(readEquinoxOptions());
        tmrEquinox.setEnabled(true);
        busy_.set(false, QStringLiteral("tmrEquinoxTimer"));
        log_.WriteLog(L("Beidzu tmrEquinoxTimer..."));
    });
}

void ExchangeScheduler::tmrHorizonApmaksasTimer()
{
    tmrHorizonApmaksas.setEnabled(false);
    guardTick(tmrHorizonApmaksas, [this] {
        if (!periodBlocks(tmrHorizonApmaksas) && CheckDBConnection()) {
            try {
                exchanges_->HorizonProcessImports();
            } catch (const std::exception& e) {
                log_.WriteLog(L("Kļūda pie tmrHorizonApmaksasTimer !!!") + errorText(e));
                busy_.set(false, QStringLiteral("tmrHorizonApmaksasTimer"));
            }
        }
        tmrHorizonApmaksas.setEnabled(true);
    });
}

void ExchangeScheduler::runDueD365Groups()
{
    if (isDue(Scheduled::D365General) && exchanges_->GetGeneralData() > 0)
        ComputeNextTime(Scheduled::D365General);
    if (isDue(Scheduled::D365Promotion) && exchanges_->GetPromotionData() > 0)
        ComputeNextTime(Scheduled::D365Promotion);
    if (isDue(Scheduled::D365Documents) && exchanges_->GetDocumentData() > 0)
        ComputeNextTime(Scheduled::D365Documents);
}

ExchangeScheduler::Login ExchangeScheduler::loginD365(const QString& label)
{
    try {
        if (exchanges_->LoginD365() < 0) {
            log_.WriteLog(L("Neizdevās pievienoties pie D365, process turpinās"));
            busy_.set(false, label);
            return Login::Refused;
        }
        return Login::Done;
    } catch (const std::exception& e) {
        log_.WriteLog(L("Kļūda pievienojoties pie D365, process turpinās : ") + errorText(e));
        busy_.set(false, label);
        return Login::Failed;
    }
}

void ExchangeScheduler::tmrD365_GetTimer()
{
    tmrD365_Get.setEnabled(false);
    log_.WriteLog(QStringLiteral("D365GetTimer : D365NextTimeVisparejieDati=") + timeText(Scheduled::D365General)
                  + QStringLiteral(" D365NextTimeAkcijuDati=") + timeText(Scheduled::D365Promotion)
                  + QStringLiteral(" D365NextTimePavadzimjuDati=") + timeText(Scheduled::D365Documents));
    guardTick(tmrD365_Get, [this] {
        if (!periodBlocks(tmrD365_Get) && CheckDBConnection()) {
            const Login login = loginD365(QStringLiteral("tmrD365_GetTimer"));
            if (login == Login::Refused)
                return;  // stays stopped until the next apply step
            if (login == Login::Done) {
                try {
                    runDueD365Groups();
                } catch (const std::exception& e) {
                    log_.WriteLog(L("Kļūda pie D365 Get Vispārējie dati, process turpinās : ") + errorText(e));
                    busy_.set(false, QStringLiteral("tmrD365_GetTimer"));
                }
            }
        }
        tmrD365_Get.setEnabled(true);
    });
}

void ExchangeScheduler::tmrD365_PostTimer()
{
    guardTick(tmrD365_Post, [this] {
        if (periodBlocks(tmrD365_Post) || busy_.isSet())
            return;
        log_.WriteLog(L("Sāku D365 Post..."));
        busy_.set(true, QStringLiteral("tmrD365_PostTimer"));
        tmrD365_Post.setEnabled(false);
        if (CheckDBConnection()) {
            const Login login = loginD365(QStringLiteral("tmrD365_PostTimer"));
            if (login == Login::Refused)
                return;  // stays stopped until the next apply step
            if (login == Login::Done) {
                try {
                    exchanges_->PostDocuments();
                } catch (const std::exception& e) {
                    log_.WriteLog(L("Kļūda pie D365 Post, process turpinās : ") + errorText(e));
                    busy_.set(false, QStringLiteral("tmrD365_PostTimer"));
                }
            }
        }
        tmrD365_Post.setEnabled(true);
        busy_.set(false, QStringLiteral("tmrD365_PostTimer"));
        log_.WriteLog(L("Beidzu D365 Post"));
    });
}
