// GetPrices speed: N products (default 50,000) in a fresh goods database and a GetPrices list
// of N from a fake D365 on loopback, 5% of them changed, each level sold at by 4 departments
// that hold the product. The first run reprices and writes the notes; the rerun of the same
// list changes nothing. The floor, in the same run: N prepared look-ups by ARTIKULS5, timed
// just before and just after the rerun (the same caches, the same load of the machine).
//
//   bench_d365_prices [N]
//
// Targets: the rerun at most 2x the floor; peak memory at most 300 MB.

#include "../BenchSupport.h"

#include "support/FakeHttpServer.h"

#include "d365/D365Exchange.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct Kind {
    const char* brand;
    const char* risk;
    int level;
};
const Kind kKinds[] = {{"Top", "PriceHighRisk", 3}, {"Top", "PriceMediumRisk", 4}, {"Top", "PriceLowRisk", 7}, {"Own", "", 6}};

QString code(int n)
{
    return QStringLiteral("P%1").arg(n, 7, 10, QLatin1Char('0'));
}
double basePrice(int n)
{
    return 0.5 + (n % 500) / 100.0;
}

// Built as text, record by record, so that the fake's share of the memory is the reply itself.
std::string priceReply(int count)
{
    std::string text = R"({"data":[{"GetPrices":[)";
    for (int n = 0; n < count; ++n) {
        const Kind& k = kKinds[n % 4];
        const double price = basePrice(n) + (n % 20 == 0 ? 0.10 : 0.0);
        if (n > 0)
            text += ',';
        text += QJsonDocument(QJsonObject{{"Product", code(n)}, {"BrandType", k.brand}, {"PriceLevelType", k.risk},
                                          {"SalesPrice", price}})
                    .toJson(QJsonDocument::Compact)
                    .toStdString();
    }
    return text + "]}]}";
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 50000;

    QTemporaryDir dir;
    const QString path = dir.filePath("PRECES.GDB");
    if (QProcess::execute(QStringLiteral(VARNIS_SOURCE_DIR "/scripts/create-goods-db"), {path}) != 0) {
        std::fprintf(stderr, "scripts/create-goods-db failed\n");
        return 1;
    }
    const std::string reply = priceReply(count);
    FakeHttpServer fake;
    fake.Post("/token", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"token_type":"Bearer","access_token":"bench.token"})", "application/json");
    });
    fake.Post("/data", [&](const httplib::Request&, httplib::Response& res) { res.set_content(reply, "application/json"); });
    fake.start();

    Registry registry(dir.filePath("VARNIS-A.ini"));
    {
        RegistryKey key(registry);
        key.OpenKey("D365", true);
        key.WriteString("LoginHttps", fake.url("/token"));
        key.WriteString("RESTHttps", fake.url("/data"));
        key.WriteString("ClientID", "bench");
        key.WriteString("SecretKey", "bench");
    }
    BenchLog log;
    BenchDialogs dialogs;
    SystemClock clock;
    BusyFlag busy;
    RunReport report;
    TMainFormDati dati(log, dialogs, clock);
    if (!dati.ConnectDatabase(path, dir.path())) {
        std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(path), qPrintable(log.last));
        return 1;
    }

    // The register: products at their base price, 4 departments per level holding every
    // product of their level.
    QElapsedTimer setup;
    setup.start();
    FbDatabase& db = dati.PRECES_DB();
    QList<int> departments[17];
    for (const Kind& k : kKinds)
        for (int d = 0; d < 4; ++d) {
            execSql(db, QStringLiteral("INSERT INTO N_DEPART (GNOS, CENKODS) VALUES (:G, :C)"),
                    {{"G", QStringLiteral("Veikals %1-%2").arg(k.level).arg(d)}, {"C", k.level}});
            SqlQuery last(db, QStringLiteral("SELECT MAX(ISN) ISN FROM N_DEPART"));
            last.open();
            departments[k.level] << last.asInt("ISN");
        }
    SqlQuery product(db, QStringLiteral("INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ARTIKULS5, ISPRGRUPA, NODOKLIS, NET_CENA, "
                                        "PARDCENA3, PARDCENA4, PARDCENA6, PARDCENA7, PARDCENA10, PARDCENA11, PARDCENA12, "
                                        "PARDCENA13, CENA1ALGORITM) VALUES (:ISN, :GNOS, :ARTIKULS, :ARTIKULS5, 1, 21, :NET, "
                                        ":P, :P, :P, :P, :P, :P, :P, :P, '<NET>*1.3')"));
    SqlQuery stock(db, QStringLiteral("INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (:P, :N, :Q)"));
    for (int n = 0; n < count; ++n) {
        const int isn = 1000 + n;
        product.bind("ISN", isn).bind("GNOS", QStringLiteral("Prece %1").arg(n)).bind("ARTIKULS", QStringLiteral("475%1").arg(n))
            .bind("ARTIKULS5", code(n)).bind("NET", basePrice(n) / 2).bind("P", basePrice(n));
        product.exec();
        for (int d : departments[kKinds[n % 4].level]) {
            stock.bind("P", isn).bind("N", d).bind("Q", 1 + n % 30);
            stock.exec();
        }
    }
    execSql(db, QStringLiteral("SET GENERATOR N_KLPRECGEN TO %1").arg(1000 + count));
    dati.CommitRetaining();
    std::printf("d365_prices: %d products, %d stock rows, set up in %.1f s; reply %.1f MB\n", count, count * 4,
                setup.elapsed() / 1000.0, reply.size() / 1e6);

    // The floor: the look-up alone.
    const auto lookups = [&] {
        QElapsedTimer timer;
        timer.start();
        SqlQuery lookup(db, QStringLiteral(
            "SELECT ISN, ARTIKULS, GNOS, PARDCENA1, PARDCENA2, PARDCENA3, PARDCENA4, PARDCENA5, PARDCENA6, PARDCENA7, "
            "PARDCENA8, PARDCENA9, PARDCENA10, PARDCENA11, PARDCENA12, PARDCENA13, PARDCENA14, PARDCENA15, PARDCENA16, "
            "NODOKLIS, NET_CENA, NETCENAALGORITM FROM N_KLPREC WHERE ARTIKULS5=:ARTIKULS5"));
        long found = 0;
        for (int n = 0; n < count; ++n) {
            lookup.bind("ARTIKULS5", code(n));
            lookup.open();
            found += lookup.asInt("ISN") > 0 ? 1 : 0;
        }
        if (found != count)
            std::fprintf(stderr, "floor found %ld of %d\n", found, count);
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf("  floor  %8.2f s  %d prepared look-ups by ARTIKULS5\n", seconds, count);
        return seconds;
    };

    ExchangeContext ctx{log, busy, registry, dati, dialogs, clock, report};
    D365Exchange d365(ctx);
    if (d365.LoginD365() < 0) {
        std::fprintf(stderr, "login failed: %s\n", qPrintable(log.last));
        return 1;
    }
    double rerun = 0, floor = 0;
    for (const char* pass : {"first", "rerun"}) {
        if (QLatin1String(pass) == QLatin1String("rerun"))
            floor = lookups();
        report.begin();
        QElapsedTimer timer;
        timer.start();
        const int result = d365.GetPrices();
        const double seconds = timer.nsecsElapsed() / 1e9;
        if (result < 0) {
            std::fprintf(stderr, "GetPrices failed: %s\n", qPrintable(log.last));
            return 1;
        }
        SqlQuery lines(db, QStringLiteral("SELECT COUNT(*) N FROM O_PARCPR"));
        lines.open();
        std::printf("  %-6s %8.2f s  %6d prices changed, %6d note lines in all  peak memory %.1f MB\n", pass, seconds,
                    report.movedRecords(), lines.asInt("N"), peakKilobytes() / 1024.0);
        std::fflush(stdout);
        rerun = seconds;
    }
    floor = (floor + lookups()) / 2;
    const double ratio = rerun / floor;
    const double peakMb = peakKilobytes() / 1024.0;
    std::printf("rerun / floor (the mean of both) = %.2f (target at most 2); peak memory %.1f MB (target at most 300)%s\n", ratio, peakMb,
                dialogs.count ? qPrintable(QStringLiteral("; %1 messages").arg(dialogs.count)) : "");
    return ratio <= 2.0 && peakMb <= 300.0 && dialogs.count == 0 ? 0 : 1;
}
