#pragma once

#include "AutoProcessSettings.h"
#include "ExchangeTimer.h"
#include "Exchanges.h"

#include <QDateTime>
#include <QObject>
#include <array>
#include <functional>

class BusyFlag;
class Clock;
class Log;
class Registry;
class RunReport;
class TMainFormDati;

// The exchanges that run once a day at a clock time or every N minutes.
enum class Scheduled { Stock, Orders, Lists, History, D365General, D365Promotion, D365Documents };
constexpr int kScheduledCount = 7;

// The six timers, the next run times, the no-exchange period and the database check.
class ExchangeScheduler : public QObject {
    Q_OBJECT
public:
    ExchangeScheduler(AutoProcessSettings& settings, Registry& registry, Clock& clock, Log& log,
                      BusyFlag& busy, TMainFormDati& dati, QObject* parent = nullptr);

    void setExchanges(Exchanges* exchanges) { exchanges_ = exchanges; }
    Exchanges& exchanges() { return *exchanges_; }

    // Recomputes the next run time from the registry and the current time; throws on a
    // missing mode value or a clock or minutes text that is not a valid time.
    void ComputeNextTime(Scheduled which);
    QDateTime nextTime(Scheduled which) const { return next_[static_cast<int>(which)]; }
    void setNextTime(Scheduled which, const QDateTime& value) { next_[static_cast<int>(which)] = value; }
    bool isDue(Scheduled which) const;

    bool CheckDBConnection();
    // Throws ConvertError when a period field is not a valid time.
    bool insideNoExchangePeriod() const;

    void WWWDatuApmainaTimer();
    void TelemaaEdisoftLaiksTimer();
    void tmrEquinoxTimer();
    void tmrHorizonApmaksasTimer();
    void tmrD365_GetTimer();
    void tmrD365_PostTimer();

    // Reads the Equinox switches and place of the tick; switches not read count as off.
    EquinoxOptions readEquinoxOptions();
    // The Equinox tick's steps by the switches, each in its own guard with its error line,
    // so that a failing step never stops the next. False when a step failed.
    bool runEquinoxSteps(const EquinoxOptions& options, RunReport* report = nullptr);
    const EquinoxOptions& equinoxOptions() const { return equinox_; }

    ExchangeTimer WWWDatuApmaina;
    ExchangeTimer TelemaaEdisoftLaiks;
    ExchangeTimer tmrEquinox;
    ExchangeTimer tmrHorizonApmaksas;
    ExchangeTimer tmrD365_Get;
    ExchangeTimer tmrD365_Post;

Q_SIGNALS:
    // Every database check of a tick, with its outcome after the one reconnect.
    void databaseChecked(bool answered);

public:
    std::array<ExchangeTimer*, 6> timers() { return {&WWWDatuApmaina, &TelemaaEdisoftLaiks, &tmrEquinox,
                                                      &tmrHorizonApmaksas, &tmrD365_Get, &tmrD365_Post}; }
    void stopAll();

private:
    QString timeText(Scheduled which) const;
    // True inside the no-exchange period, and when a period field is not a valid time
    // (logged with the timer's error line; the tick then does nothing).
    bool periodBlocks(const ExchangeTimer& timer);
    // The handler's body with its last-resort guard: an error logs "Kļūda pie <name> !!!",
    // clears the busy flag and leaves the timer enabled.
    void guardTick(ExchangeTimer& timer, const std::function<void()>& body);
    void runDueD365Groups();
    // The login of both D365 ticks: a refusal stops the calling timer until the next apply.
    enum class Login { Done, Refused, Failed };
    Login loginD365(const QString& label);

    AutoProcessSettings& settings_;
    Registry& registry_;
    Clock& clock_;
    Log& log_;
    BusyFlag& busy_;
    TMainFormDati& dati_;
    Exchanges* exchanges_ = nullptr;
    std::array<QDateTime, kScheduledCount> next_;
    EquinoxOptions equinox_;
};
