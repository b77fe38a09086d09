// GetPurchaseOrders speed: R receipts of L lines (default 1,000 x 20) from a fake D365 on
// loopback into a fresh goods database, against the same documents inserted directly
// through TO_preceTable (one document scope each, as the import stores them) into another
// fresh database, in the same run. The disk's pace drifts with whatever else runs, so the
// two take turns in rounds of a quarter of the receipts each and their times are summed.
//
//   bench_d365_documents [RECEIPTS [LINES]]
//
// Targets: the import at most 1.3x the direct inserts; peak memory at most 300 MB.

#include "../BenchSupport.h"

#include "support/FakeHttpServer.h"

#include "d365/D365Exchange.h"
#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <vector>
#include <sys/resource.h>

namespace {

constexpr int kGoods = 400;

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QString product(int g)
{
    return QStringLiteral("P%1").arg(g, 6, 10, QLatin1Char('0'));
}
int goodsOf(int receipt, int line, int lines)
{
    return (receipt * lines + line) % kGoods + 1;
}
QDate dateOf(int receipt)
{
    return QDate(2026, 12, 1).addDays(receipt % 28);
}

constexpr int kRounds = 4;

// Receipts from..to-1, as the fake's reply of one round.
std::string purchaseReply(int from, int to, int lines)
{
    std::string text = R"({"data":[{"Purchase":[)";
    for (int r = from; r < to; ++r) {
        QJsonArray ls;
        for (int l = 0; l < lines; ++l)
            ls.append(QJsonObject{{"Product", product(goodsOf(r, l, lines))}, {"Qty", 1 + l}});
        const QString date = dateOf(r).toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("T00:00:00");
        if (r > from)
            text += ',';
        text += QJsonDocument(QJsonObject{{"RecId", QStringLiteral("56371%1").arg(r, 5, 10, QLatin1Char('0'))},
                                          {"ReturnOrder", "false"}, {"ISNDepartment", 2}, {"OrderAccount", "V000102"},
                                          {"InvoiceId", QStringLiteral("ZP-%1").arg(r + 1)}, {"DeliveryDate", date},
                                          {"InvoiceDate", date}, {"line", ls}})
                    .toJson(QJsonDocument::Compact)
                    .toStdString();
    }
    return text + "]}]}";
}

// A fresh database with the department, the supplier and the goods the documents name.
bool makeDatabase(const QString& path)
{
    if (QProcess::execute(QStringLiteral(VARNIS_SOURCE_DIR "/scripts/create-goods-db"), {path}) != 0)
        return false;
    BenchLog log;
    BenchDialogs dialogs;
    SystemClock clock;
    TMainFormDati dati(log, dialogs, clock);
    if (!dati.ConnectDatabase(path, QFileInfo(path).path()))
        return false;
    FbDatabase& db = dati.PRECES_DB();
    execSql(db, QStringLiteral("INSERT INTO N_DEPART (GNOS, KODS) VALUES ('Noliktava', 'N01')"));
    execSql(db, QStringLiteral("INSERT INTO N_KLIENT (GNOS, IDKODS, PIEGADAT) VALUES ('Piegādātājs', 'V000102', 'T')"));
    for (int g = 1; g <= kGoods; ++g)
        execSql(db, QStringLiteral("INSERT INTO N_KLPREC (GNOS, ARTIKULS, ARTIKULS5, ISPRGRUPA, NODOKLIS, PARDCENA1) "
                                   "VALUES (:GNOS, :ARTIKULS, :ARTIKULS5, 1, 21, :CENA)"),
                {{QStringLiteral("GNOS"), QStringLiteral("Prece %1").arg(g)},
                 {QStringLiteral("ARTIKULS"), QStringLiteral("475%1").arg(g, 10, 10, QLatin1Char('0'))},
                 {QStringLiteral("ARTIKULS5"), product(g)},
                 {QStringLiteral("CENA"), 1.0 + g / 100.0}});
    dati.CommitRetaining();
    return true;
}

int countOf(TMainFormDati& dati, const char* table)
{
    SqlQuery q(dati.PRECES_DB(), QStringLiteral("SELECT COUNT(*) N FROM %1").arg(QLatin1String(table)));
    q.open();
    return q.asInt(QStringLiteral("N"));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int receipts = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 20;

    QTemporaryDir dir;
    const QString directPath = dir.filePath("DIRECT.GDB");
    const QString importPath = dir.filePath("IMPORT.GDB");
    if (!makeDatabase(directPath) || !makeDatabase(importPath)) {
        std::fprintf(stderr, "creating the goods databases failed\n");
        return 1;
    }
    std::vector<std::string> replies;
    size_t replyBytes = 0;
    for (int k = 0; k < kRounds; ++k) {
        replies.push_back(purchaseReply(receipts * k / kRounds, receipts * (k + 1) / kRounds, lines));
        replyBytes += replies.back().size();
    }
    std::printf("d365_documents: %d receipts x %d lines; replies %.1f MB; peak memory before %.1f MB\n", receipts, lines,
                replyBytes / 1e6, peakKilobytes() / 1024.0);

    BenchLog log;
    BenchDialogs dialogs;
    SystemClock clock;
    size_t round = 0;
    FakeHttpServer fake;
    fake.Post("/token", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"token_type":"Bearer","access_token":"bench.token"})", "application/json");
    });
    fake.Post("/data", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(replies.at(round), "application/json");
    });
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

    TMainFormDati directDati(log, dialogs, clock);
    TMainFormDati importDati(log, dialogs, clock);
    if (!directDati.ConnectDatabase(directPath, dir.path()) || !importDati.ConnectDatabase(importPath, dir.path()))
        return 1;
    TO_preceTable table(directDati);
    BusyFlag busy;
    RunReport report;
    ExchangeContext ctx{log, busy, registry, importDati, dialogs, clock, report};
    D365Exchange d365(ctx);
    if (d365.LoginD365() < 0)
        return 1;

    double direct = 0, imported = 0;
    for (int k = 0; k < kRounds; ++k) {
        QElapsedTimer timer;
        timer.start();
        for (int r = receipts * k / kRounds; r < receipts * (k + 1) / kRounds; ++r) {
            DocumentScope scope(directDati);
            table.O_PAVADZ = {};
            table.O_PAVADZ.ISNODALA = 2;
            table.O_PAVADZ.KL_IDKODS = QStringLiteral("V000102");
            table.O_PAVADZ.NR_PAVADZ = QStringLiteral("ZP-%1").arg(r + 1);
            table.O_PAVADZ.DAT_SANEM = QDateTime(dateOf(r), QTime(0, 0));
            table.O_PAVADZ.DAT_PAVADZ = table.O_PAVADZ.DAT_SANEM;
            table.O_PAVADZ.PIEZIMES = QStringLiteral("D365 imports");
            table.O_PAVADZ.D365_ID = QStringLiteral("56371%1").arg(r, 5, 10, QLatin1Char('0'));
            if (table.O_PAVADZInsert() <= 0)
                return 1;
            for (int l = 0; l < lines; ++l) {
                table.O_PRECE = {};
                table.O_PRECE.ARTIKULS = product(goodsOf(r, l, lines));
                table.O_PRECE.Meklet = GoodsLookup::Article5;
                table.O_PRECE.DAUDZUMS = 1 + l;
                if (table.O_PRECEInsert() <= 0)
                    return 1;
            }
            scope.commit();
        }
        direct += timer.nsecsElapsed() / 1e9;

        round = static_cast<size_t>(k);
        timer.restart();
        if (d365.GetPurchaseOrders() < 0) {
            std::fprintf(stderr, "GetPurchaseOrders failed: %s\n", qPrintable(log.last));
            return 1;
        }
        imported += timer.nsecsElapsed() / 1e9;
    }
    std::printf("  direct %8.2f s  %d heads, %d lines\n", direct, countOf(directDati, "O_PAVADZ"),
                countOf(directDati, "O_PRECE"));
    std::printf("  import %8.2f s  %d heads, %d lines  peak memory %.1f MB\n", imported, countOf(importDati, "O_PAVADZ"),
                countOf(importDati, "O_PRECE"), peakKilobytes() / 1024.0);

    const double ratio = imported / direct;
    const double peakMb = peakKilobytes() / 1024.0;
    std::printf("import / direct = %.2f (target at most 1.3); peak memory %.1f MB (target at most 300)\n", ratio, peakMb);
    return ratio <= 1.3 && peakMb <= 300.0 && dialogs.count == 0 ? 0 : 1;
}
