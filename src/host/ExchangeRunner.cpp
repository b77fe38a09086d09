#include "ExchangeRunner.h"

#include "ProcessHost.h"
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
    Exchanges& x = host_.scheduler().exchanges();
    if (x.LoginD365() < 0) {
        host_.log().WriteLog(QStringLiteral("Neizdevās pievienoties pie D365, process turpinās"));
        return false;
    }
    if (post)
        return x.PostDocuments() > 0;
    // Every group runs, as an operator asking for a run wants all of it now.
    bool ok = x.GetGeneralData() > 0;
    ok = x.GetPromotionData() > 0 && ok;
    ok = x.GetDocumentData() > 0 && ok;
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
    // "equinox": what the Equinox tick runs, by its switches
    bool ok = true;
    if (o.AutoKlienti)
        ok = x.EquinoxSendPartners(o) && ok;
    if (o.AutoPreces)
        ok = x.EquinoxSendGoods(o) && ok;
    if (o.AutoPasutijumi)
        ok = x.EquinoxSendOrders(o) && ok;
    if (o.AutoImports)
        ok = x.EquinoxImport(o) && ok;
    return ok;
}
