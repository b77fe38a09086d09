// Received invoices from a loopback Telema through the whole import (token, data list, Base64,
// text reading, supplier, department and goods look-ups, one document scope per invoice, price
// check, acknowledgement) into a fresh goods database made by scripts/create-goods-db. The
// floor stores the same heads and lines through TO_preceTable directly, one document scope per
// invoice as well, into a second fresh database. The two run in alternating rounds of ROUND
// invoices (Telema lists that many at a time), so that a busy machine weighs on both alike.
//
//   bench_telema_import [INVOICES [LINES [ROUND]]]     (default 500 x 20, rounds of 50)

#include "../BenchSupport.h"

#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"
#include "edi/TelemaExchange.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QCoreApplication>
#include <algorithm>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>
#include <httplib.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/resource.h>
#include <thread>

namespace {

constexpr int kGoods = 400;
const QString kRegNr = QStringLiteral("40003000001");

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QString gtin(int g)
{
    return QStringLiteral("475%1").arg(g, 10, 10, QLatin1Char('0'));
}

int goodsOf(int invoice, int line)
{
    return (invoice * 20 + line) % kGoods + 1;
}

QString invoiceXml(int i, int lines)
{
    QString items;
    for (int l = 0; l < lines; ++l) {
        const int g = goodsOf(i, l);
        items += QStringLiteral("<ItemEntry><ItemDescription>Prece %1</ItemDescription><SellerItemCode>S%1</SellerItemCode>"
                                "<GTIN>%2</GTIN><VATRate>21</VATRate><AmountInvoiced>%3</AmountInvoiced><AddRate>0</AddRate>"
                                "<SumBeforeVAT>%4</SumBeforeVAT></ItemEntry>\n")
                     .arg(g).arg(gtin(g)).arg(1 + l).arg((0.5 + g / 200.0) * (1 + l), 0, 'f', 4);
    }
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<E-Document><Document><DocumentType>invoice"
                          "</DocumentType><DocumentParties><SellerParty><RegNum>%1</RegNum><Name>Piegādātājs</Name>"
                          "</SellerParty><DeliveryParty><GLN>4750000000011</GLN></DeliveryParty></DocumentParties>"
                          "</Document><DocumentInfo><DocumentNum>ZP-%2</DocumentNum><DocumentSerialNum>ZP"
                          "</DocumentSerialNum><DateInfo><InvoiceDate>%3</InvoiceDate></DateInfo></DocumentInfo>"
                          "<DocumentItem>\n%4</DocumentItem></E-Document>")
        .arg(kRegNr).arg(i + 1).arg(QDate(2026, 12, 1).addDays(i % 28).toString(Qt::ISODate), items);
}

// A fresh goods database with a department, the supplier and the goods.
std::unique_ptr<TMainFormDati> freshDatabase(const QString& path, const QString& dir, Log& log, Dialogs& dialogs,
                                             Clock& clock)
{
    QProcess create;
    create.start(QStringLiteral(VARNIS_SOURCE_DIR "/scripts/create-goods-db"), {path});
    if (!create.waitForFinished(120000) || create.exitCode() != 0) {
        std::fprintf(stderr, "creating the goods database failed: %s\n", create.readAllStandardError().constData());
        return nullptr;
    }
    auto dati = std::make_unique<TMainFormDati>(log, dialogs, clock);
    if (!dati->ConnectDatabase(path, dir))
        return nullptr;
    auto& db = dati->PRECES_DB();
    execSql(db, QStringLiteral("INSERT INTO N_DEPART (GNOS, KODS, TELEMAA_KODS) VALUES ('Noliktava', 'N01', '4750000000011')"));
    execSql(db, QStringLiteral("INSERT INTO N_KLIENT (GNOS, REGNR, PVNKODS, PIEGADAT) VALUES ('Piegādātājs', :R, 'LV' || :R, 'T')"),
            {{QStringLiteral("R"), kRegNr}});
    for (int g = 1; g <= kGoods; ++g)
        execSql(db, QStringLiteral("INSERT INTO N_KLPREC (GNOS, ARTIKULS, ISPRGRUPA, NODOKLIS, PARDCENA1) "
                                   "VALUES (:GNOS, :ARTIKULS, 1, 21, :CENA)"),
                {{QStringLiteral("GNOS"), QStringLiteral("Prece %1").arg(g)},
                 {QStringLiteral("ARTIKULS"), gtin(g)},
                 {QStringLiteral("CENA"), 1.0 + g / 100.0}});
    dati->CommitRetaining();
    return dati;
}

int count(TMainFormDati& dati, const QString& table)
{
    SqlQuery q(dati.PRECES_DB(), QStringLiteral("SELECT COUNT(*) N FROM ") + table);
    q.open();
    return q.asInt(QStringLiteral("N"));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int invoices = argc > 1 ? std::atoi(argv[1]) : 500;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 20;
    const int round = argc > 3 ? std::atoi(argv[3]) : 50;

    // The loopback Telema: every invoice waits until its feedback arrives.
    std::mutex mutex;
    std::map<int, std::string> waiting;
    for (int i = 0; i < invoices; ++i)
        waiting[i + 1] = invoiceXml(i, lines).toUtf8().toBase64().toStdString();
    httplib::Server telema;
    telema.Post("/api/auth/accessToken", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"accessToken":"bench-token","expiresIn":3600})", "application/json");
    });
    telema.Get("/api/data", [&](const httplib::Request&, httplib::Response& res) {
        std::string body = R"({"data":{"documents":[)";
        std::lock_guard<std::mutex> lock(mutex);
        int listed = 0;
        for (auto it = waiting.begin(); it != waiting.end() && listed < round; ++it, ++listed)
            body += (body.back() == '[' ? "" : ",") + std::string(R"({"id":)") + std::to_string(it->first)
                + R"(,"document":")" + it->second + "\"}";
        res.set_content(body + "]}}", "application/json");
    });
    telema.Post("/api/data/feedback", [&](const httplib::Request& req, httplib::Response& res) {
        const int id = QJsonDocument::fromJson(QByteArray::fromStdString(req.body))
                           .object()["sessions"][0]["documents"][0]["id"].toInt();
        std::lock_guard<std::mutex> lock(mutex);
        waiting.erase(id);
        res.set_content(R"({"message":"Feedback saved with 1 documents"})", "application/json");
    });
    const int port = telema.bind_to_any_port("127.0.0.1");
    std::thread server([&] { telema.listen_after_bind(); });

    QTemporaryDir dir;
    BenchLog log;
    BenchDialogs dialogs;
    SystemClock clock;
    BusyFlag busy;
    RunReport report;
    Registry registry(dir.filePath(QStringLiteral("VARNIS-A.ini")));
    QSettings& s = registry.settings();
    s.setValue(QStringLiteral("Telema/RESTHttps"), QStringLiteral("http://127.0.0.1:%1/api/").arg(port));
    for (const char* flag : {"PasutImports", "PasutExports", "IzrPZExports", "SanNeapstiprin"})
        s.setValue(QStringLiteral("Telema/") + QLatin1String(flag), false);
    s.setValue(QStringLiteral("Telema/SanPZImports"), true);
    for (const char* value : {"Isnodala", "PasutijumaDatumaFlag", "KlientaAtpazisana"})
        s.setValue(QStringLiteral("Telema/") + QLatin1String(value), 0);
    s.sync();

    auto imported = freshDatabase(dir.filePath(QStringLiteral("IMPORT.GDB")), dir.path(), log, dialogs, clock);
    auto floor = freshDatabase(dir.filePath(QStringLiteral("FLOOR.GDB")), dir.path(), log, dialogs, clock);
    if (!imported || !floor)
        return 1;
    ExchangeContext ctx{log, busy, registry, *imported, dialogs, clock, report};
    TelemaExchange exchange(ctx);
    TO_preceTable table(*floor);
    double importSeconds = 0, importCpu = 0, floorSeconds = 0, floorCpu = 0;
    bool ok = true;
    long importPeak = 0;
    QElapsedTimer timer;
    for (int first = 0; first < invoices; first += round) {
        // The import: one Telema run takes the round's invoices.
        timer.start();
        double cpu = cpuSeconds();
        ok = exchange.TelemaProcess() && ok;
        importSeconds += timer.elapsed() / 1000.0;
        importCpu += cpuSeconds() - cpu;
        importPeak = peakRssKb();

        // The floor: the same heads and lines, one document scope per invoice.
        timer.start();
        cpu = cpuSeconds();
        for (int i = first; i < std::min(invoices, first + round); ++i) {
            DocumentScope scope(*floor);
            table.O_PAVADZ = {};
            table.O_PAVADZ.KL_PVNKODS = QStringLiteral("LV") + kRegNr;
            table.O_PAVADZ.NODALAS_KODS = QStringLiteral("4750000000011");
            table.O_PAVADZ.NODALAS_KODA_LAUKS = QStringLiteral("TELEMAA_KODS");
            table.O_PAVADZ.NR_PAVADZ = QStringLiteral("ZP-%1").arg(i + 1);
            table.O_PAVADZ.PZ_SERIJA = QStringLiteral("ZP");
            table.O_PAVADZ.DAT_PAVADZ = QDateTime(QDate(2026, 12, 1).addDays(i % 28), QTime(0, 0));
            table.O_PAVADZ.IEVKODS = QStringLiteral("IMPORTS NO TELEMA-REST");
            if (table.O_PAVADZInsert() <= 0)
                continue;
            for (int l = 0; l < lines; ++l) {
                const int g = goodsOf(i, l);
                table.O_PRECE = {};
                table.O_PRECE.ARTIKULS = gtin(g);
                table.O_PRECE.NODOKLIS = 21;
                table.O_PRECE.DAUDZUMS = 1 + l;
                table.O_PRECE.CENA = 0.5 + g / 200.0;
                table.O_PRECE.IEVKODS = QStringLiteral("IMPORTS NO TELEMA-REST");
                table.O_PRECEInsert();
            }
            scope.commit();
        }
        floorSeconds += timer.elapsed() / 1000.0;
        floorCpu += cpuSeconds() - cpu;
    }
    const int importHeads = count(*imported, QStringLiteral("O_PAVADZ"));
    const int importLines = count(*imported, QStringLiteral("O_PRECE"));
    const int floorLines = count(*floor, QStringLiteral("O_PRECE"));
    telema.stop();
    server.join();

    std::printf("telema_import: %d invoices x %d lines, rounds of %d\n", invoices, lines, round);
    std::printf("import: %.2f s (%.2f s processor), %d heads and %d lines stored, %zu left unacknowledged, run %s\n", importSeconds,
                importCpu, importHeads, importLines, waiting.size(), ok ? "ok" : "FAILED");
    std::printf("floor (TO_preceTable directly): %.2f s (%.2f s processor), %d lines stored\n", floorSeconds,
                floorCpu, floorLines);
    std::printf("ratio import/floor: %.2f (target at most 1.5)\n", importSeconds / floorSeconds);
    std::printf("peak memory: %ld KiB after the last import round, %ld KiB in all (target at most 200 MB)\n",
                importPeak, peakRssKb());
    const bool complete = ok && importLines == invoices * lines && floorLines == invoices * lines && waiting.empty()
        && dialogs.count == 0;
    return complete ? 0 : 1;
}
