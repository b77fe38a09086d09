// PostSAN speed: N ready receipts of L lines (default 2,000 x 20) posted to a fake D365 on
// loopback that accepts each, against the floor of the same work done bare: the same bodies
// POSTed through HttpClient, each followed by one single-row update with a commit.
//
//   bench_d365_post [N [L [ROUNDS [--async]]]]     (default 2,000 x 20, 3 rounds)

#include "../BenchSupport.h"

#include "support/FakeHttpServer.h"

#include "d365/D365Exchange.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "net/HttpClient.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double seconds(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int receipts = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 20;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    // --async: the database without forced writes, so that a commit costs no disk sync and
    // the comparison shows the posting's own work rather than the disk's mood.
    const bool async = argc > 4 && QByteArray(argv[4]) == "--async";

    QTemporaryDir dir;
    const QString path = dir.filePath("PRECES.GDB");
    if (QProcess::execute(QStringLiteral(VARNIS_SOURCE_DIR "/scripts/create-goods-db"), {path}) != 0) {
        std::fprintf(stderr, "scripts/create-goods-db failed\n");
        return 1;
    }
    if (async && QProcess::execute(QStringLiteral("gfix"), {"-user", "SYSDBA", "-password", "masterkey", "-write", "async", path}) != 0) {
        std::fprintf(stderr, "gfix -write async failed\n");
        return 1;
    }

    const std::string accepted = R"({"data":[{"StatusCode":1,"Message":"Dokuments saņemts"}]})";
    FakeHttpServer fake;
    fake.Post("/token", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"token_type":"Bearer","access_token":"bench.token"})", "application/json");
    });
    fake.Post("/data", [&](const httplib::Request&, httplib::Response& res) { res.set_content(accepted, "application/json"); });
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

    // The documents: one supplier, as many goods as a receipt has lines.
    auto& db = dati.PRECES_DB();
    execSql(db, QStringLiteral("INSERT INTO N_KLIENT (ISN, GNOS, IDKODS) VALUES (2, 'SIA Piegādātājs', 'V000102')"));
    for (int g = 1; g <= lines; ++g)
        execSql(db, QStringLiteral("INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ARTIKULS5, NODOKLIS) "
                                   "VALUES (:ISN, :GNOS, :ARTIKULS, :ARTIKULS5, 21)"),
                {{"ISN", 100 + g}, {"GNOS", QStringLiteral("Prece Nr. %1 ķīmija").arg(g)},
                 {"ARTIKULS", QStringLiteral("4750%1").arg(g, 9, 10, QLatin1Char('0'))},
                 {"ARTIKULS5", QStringLiteral("P%1").arg(100000 + g)}});
    SqlQuery head(db, QStringLiteral(
        "INSERT INTO O_PAVADZ (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, INTERPAVNR, DAT_PAVADZ, KOPSUMMA, PVNSUMMA, "
        "BEZPVNSUMMA, PASUT_NR, D365_READY) VALUES (:ISN, 2, 3, :NR, :NR, :DAT, 1210.5, 210.09, 1000.41, :NR, 'T')"));
    SqlQuery line(db, QStringLiteral("INSERT INTO O_PRECE (ISPAVADZ, ISPRECE, DAUDZUMS, CENA, PARD_CENA) "
                                     "VALUES (:ISPAVADZ, :ISPRECE, :DAUDZUMS, :CENA, :PARD_CENA)"));
    for (int r = 1; r <= receipts; ++r) {
        head.bind("ISN", r).bind("NR", QStringLiteral("ZP-%1").arg(r, 6, 10, QLatin1Char('0')))
            .bind("DAT", QDateTime(QDate(2026, 12, 1), QTime(0, 0))).exec();
        for (int g = 1; g <= lines; ++g)
            line.bind("ISPAVADZ", r).bind("ISPRECE", 100 + g).bind("DAUDZUMS", 6.0 * g).bind("CENA", 1.25 + g)
                .bind("PARD_CENA", 2.19 + g).exec();
    }
    dati.CommitRetaining();

    ExchangeContext ctx{log, busy, registry, dati, dialogs, clock, report};
    D365Exchange d365(ctx);
    if (d365.LoginD365() < 0) {
        std::fprintf(stderr, "login failed: %s\n", qPrintable(log.last));
        return 1;
    }
    std::printf("PostSAN, %d receipts of %d lines, %d rounds%s; peak memory before %.1f MB\n", receipts, lines, rounds,
                async ? ", forced writes off" : "", peakKilobytes() / 1024.0);

    // Rounds of the posting and its floor one after the other, so that both meet the same
    // load of a shared disk; the best of each counts.
    HttpClient http;
    const QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", "application/json"},
                                                       {"Authorization", "Bearer bench.token"}};
    SqlQuery reset(db, QStringLiteral("UPDATE O_PAVADZ SET D365_SENT=NULL, PZ_BLOK='F'"));
    SqlQuery mark(db, QStringLiteral("UPDATE O_PAVADZ SET D365_SENT=:DATUMS, PZ_BLOK='T' WHERE ISN=:ISN"));
    SqlQuery marked(db, QStringLiteral("SELECT COUNT(*) N FROM O_PAVADZ WHERE D365_SENT IS NOT NULL"));
    double bestPosting = 1e9, bestFloor = 1e9, bestHttp = 1e9, bestDb = 1e9;
    double bodyKb = 0;
    for (int round = 1; round <= rounds; ++round) {
        reset.exec();
        dati.CommitRetaining();
        fake.clearRequests();
        const int preparesBefore = db.prepareCount();
        QElapsedTimer timer;
        timer.start();
        d365.PostSAN();
        const double posting = seconds(timer);
        const int prepares = db.prepareCount() - preparesBefore;
        const auto sent = fake.requests();
        fake.clearRequests();
        marked.open();
        if (static_cast<int>(sent.size()) != receipts || log.errors > 0 || marked.asInt("N") != receipts) {
            std::fprintf(stderr, "posting sent %zu, marked %d, errors %d: %s\n", sent.size(), marked.asInt("N"),
                         log.errors, qPrintable(log.last));
            return 1;
        }
        bodyKb = sent.front().body.size() / 1024.0;

        // The floor: the same bodies POSTed bare, each followed by one update with a commit,
        // in the posting's own rhythm (a POST of a warm loop is quicker than one that follows
        // a commit).
        double floorHttp = 0, floorDb = 0;
        for (int r = 1; r <= receipts; ++r) {
            timer.restart();
            if (http.post(fake.url("/data"), QByteArray::fromStdString(sent[r - 1].body), headers).status != 200) {
                std::fprintf(stderr, "floor POST failed\n");
                return 1;
            }
            floorHttp += seconds(timer);
            timer.restart();
            mark.bind("DATUMS", clock.now()).bind("ISN", r).exec();
            dati.CommitRetaining();
            floorDb += seconds(timer);
        }
        fake.clearRequests();
        std::printf("  round %d: posting %6.2f s (%d statement prepares), floor %6.2f s (%.2f s POSTs + %.2f s "
                    "updates with a commit each)\n",
                    round, posting, prepares, floorHttp + floorDb, floorHttp, floorDb);
        std::fflush(stdout);
        bestPosting = std::min(bestPosting, posting);
        bestFloor = std::min(bestFloor, floorHttp + floorDb);
        bestHttp = std::min(bestHttp, floorHttp);
        bestDb = std::min(bestDb, floorDb);
    }
    std::printf("  best: posting %.2f s (%.0f documents/s, body %.1f KB), floor %.2f s (%.2f + %.2f)\n", bestPosting,
                receipts / bestPosting, bodyKb, bestFloor, bestHttp, bestDb);
    std::printf("  ratio %.2f (target at most 1.30)\n", bestPosting / bestFloor);
    std::printf("  peak memory %.1f MB (target at most 200 MB)\n", peakKilobytes() / 1024.0);
    return 0;
}
