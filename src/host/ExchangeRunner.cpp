#include "ExchangeRunner.h"

#include "ProcessHost.h"
#include "platform/DateText.h"
#include "platform/Errors.h"

QStringList ExchangeRunner::names()
{
    return {QStringLiteral("stock"), QStringLiteral("orders"), QStringLiteral("lists"), QStringLiteral("balances"),
            QStringLiteral("web-customers"), QStringLiteral("d365-get"), QStringLiteral("d365-post"),
            QStringLiteral("telema"), QStringLiteral("edisoft"), QStringLiteral("equinox"),
            QStringLiteral("equinox-import"), QStringLiteral("horizon")};
}

ExchangeRunner::Result ExchangeRunner::run(const QString& name)
{
    if (!names().contains(name))
        return Result::UnknownName;
    RunReport& report = host_.report();
    report.begin();
    const RunRecorder::TriggerScope command(host_.recorder(), RunTrigger::Command);
    bool returned = false;
    try {
        returned = runNamed(name);
    } catch (const std::exception& e) {
        const QString line = QStringLiteral("Kļūda pie %1 !!!").arg(name) + errorText(e);
        host_.log().WriteLog(line);
        host_.busy().set(false, name);
        report.fail(line);
    }
    switch (report.outcome(returned)) {
    case RunReport::Outcome::Done:
        return Result::Succeeded;
    case RunReport::Outcome::NothingToDo:
        return Result::NothingToDo;
    default:
        return Result::Failed;
    }
}

bool ExchangeRunner::runD365(bool post)
{
    // As the hidden buttons run the two D365 ticks: their lines, busy flag and error lines.
    // A get run runs every group, as an operator asking for a run wants all of it now.
    Exchanges& x = host_.scheduler().exchanges();
    Log& log = host_.log();
    BusyFlag& busy = host_.busy();
    RunReport& report = host_.report();
    const QString label = post ? QStringLiteral("tmrD365_PostTimer") : QStringLiteral("tmrD365_GetTimer");
    const auto failed = [&](const QString& line) {
        log.WriteLog(line);
        busy.set(false, label);
        report.fail(line);
    };
    if (post) {
        if (busy.isSet()) {
            report.refuse(QStringLiteral("D365 Post: cits process vēl strādā"));
            return false;
        }
        log.WriteLog(QStringLiteral("Sāku D365 Post..."));
        busy.set(true, label);
    } else {
        const ExchangeScheduler& s = host_.scheduler();
        log.WriteLog(QStringLiteral("D365GetTimer : D365NextTimeVisparejieDati=")
                     + DateText::dateTime(s.nextTime(Scheduled::D365General)) + QStringLiteral(" D365NextTimeAkcijuDati=")
                     + DateText::dateTime(s.nextTime(Scheduled::D365Promotion))
                     + QStringLiteral(" D365NextTimePavadzimjuDati=")
                     + DateText::dateTime(s.nextTime(Scheduled::D365Documents)));
    }
    bool ok = false;
    try {
        if (x.LoginD365() < 0) {
            // the run ends here, as the tick does, without its end line
            failed(QStringLiteral("Neizdevās pievienoties pie D365, process turpinās"));
            return false;
        }
        try {
            if (post) {
                ok = x.PostDocuments() > 0;
            } else {
                ok = x.GetGeneralData() > 0;
                ok = x.GetPromotionData() > 0 && ok;
                ok = x.GetDocumentData() > 0 && ok;
            }
        } catch (const std::exception& e) {
            failed((post ? QStringLiteral("Kļūda pie D365 Post, process turpinās : ")
                         : QStringLiteral("Kļūda pie D365 Get Vispārējie dati, process turpinās : "))
                   + errorText(e));
            ok = false;
        }
    } catch (const std::exception& e) {
        failed(QStringLiteral("Kļūda pievienojoties pie D365, process turpinās : ") + errorText(e));
    }
    if (post) {
        busy.set(false, label);
        log.WriteLog(QStringLiteral("Beidzu D365 Post"));
    }
    return ok;
}

bool ExchangeRunner::runNamed(const QString& name)
{
    Exchanges& x = host_.scheduler().exchanges();
    if (name == QLatin1String("stock"))
        return x.SendAtlikumi();
    if (name == QLatin1String("orders"))
        return x.ReceiveData();
    if (name == QLatin1String("lists"))
        return x.SendKlasif();
    if (name == QLatin1String("balances"))
        return x.SendPZVesture();
    if (name == QLatin1String("web-customers"))
        return x.ReceiveWebCustomers();
    if (name == QLatin1String("d365-get"))
        return runD365(false);
    if (name == QLatin1String("d365-post"))
        return runD365(true);
    if (name == QLatin1String("telema"))
        return x.TelemaProcess();
    if (name == QLatin1String("edisoft"))
        return x.EdisoftImpProcess();
    if (name == QLatin1String("horizon"))
        return x.HorizonProcessImports();
    const EquinoxOptions o = host_.scheduler().readEquinoxOptions();
    if (name == QLatin1String("equinox-import"))
        return x.EquinoxImport(o);
    // "equinox": what the Equinox tick runs, by its switches and with its guards
    if (!o.AutoKlienti && !o.AutoPreces && !o.AutoPasutijumi && !o.AutoImports)
        host_.report().nothingToDo();
    return host_.scheduler().runEquinoxSteps(o, &host_.report());
}
