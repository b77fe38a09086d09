// GetK42Products speed: N products (default 50,000) from a fake D365 on loopback (its own
// process) into a
// fresh goods database, first as new rows, then once more as updates of the same rows. The
// floor, in the same run on the same database settings: a bare loop of the product write with
// one prepare and a commit-retaining per record, into a second fresh database.
//
//   bench_d365_products [N]

#include "../BenchSupport.h"

#include "support/FakeHttpServer.h"

#include "d365/D365Exchange.h"
#include "d365/D365MasterData.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/BusyFlag.h"
#include "platform/RunReport.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Registry.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <csignal>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

std::string listReply(const char* list, const QJsonArray& records)
{
    QJsonObject first;
    first.insert(QLatin1String(list), records);
    return QJsonDocument(QJsonObject{{"data", QJsonArray{first}}}).toJson(QJsonDocument::Compact).toStdString();
}

// Built as text one product at a time, so that the fake's share of the memory is the
// reply itself and the peak shows what the import needs.
std::string productReply(int count)
{
    std::string text = R"({"data":[{"Products":[)";
    for (int n = 0; n < count; ++n) {
        const QString code = QStringLiteral("P%1").arg(n, 7, 10, QLatin1Char('0'));
        QJsonObject p{{"Product", code},
                      {"Name", QStringLiteral("Prece Nr. %1 ķīmija/pārtika").arg(n)},
                      {"Certificate", n % 10 == 0 ? QStringLiteral("Sertifikāts %1").arg(n % 50) : QString()},
                      {"CategoryCode", QStringLiteral("K%1").arg(n % 20)},
                      {"PrimaryVendorId", QStringLiteral("V%1").arg(n % 50)},
                      {"VarnisVAT", n % 7 == 0 ? 12 : 21},
                      {"PurchPackage", "false"},
                      {"ItemBarCodeMain", QStringLiteral("475%1").arg(n, 10, 10, QLatin1Char('0'))},
                      {"ItemBarCodeOther", n % 3 == 0 ? QStringLiteral("476%1;477%1").arg(n, 10, 10, QLatin1Char('0')) : QString()},
                      {"OrvProductCode", QStringLiteral("G%1").arg(n / 4)},
                      {"UnitBasicPackage", 1},
                      {"NetWeight", 0.5},
                      {"GrossWeight", 0.53},
                      {"PriceTagUnit", "gab"},
                      {"TransportQty", 12},
                      {"TransportPalletQty", 720},
                      {"DaysBetweenOrders", 7},
                      {"OrigCountryRegion", "Latvija"},
                      {"AlcoholConcentration", 0},
                      {"SendToScales", n % 25 == 0 ? "true" : "false"},
                      {"BestBefore", 30},
                      {"HighestQty", 240},
                      {"TempStoreMax", 6},
                      {"TempStoreMin", 2},
                      {"LowestQty", 12},
                      {"StandartDeliveryType", "BaseDelivery"},
                      {"ActualDeliveryType", "BaseDelivery"},
                      {"InternalLogistics", "true"},
                      {"NutriSugar", 4.5},
                      {"ProductLifecycleStateCode", n % 100 == 0 ? "BloketsViss" : ""},
                      {"SuppItemId", n % 40 == 1 ? QStringLiteral("P%1").arg(n - 1, 7, 10, QLatin1Char('0')) : QString()},
                      {"MinimumQty", 1},
                      {"ProdContentDescr", "Sastāvs: ūdens, cukurs, citronskābe."}};
        if (n > 0)
            text += ',';
        text += QJsonDocument(p).toJson(QJsonDocument::Compact).toStdString();
    }
    return text + "]}]}";
}

// The product write alone, prepared once, committed per record: first inserts, then updates.
std::pair<double, double> floorRun(const QString& path, int count)
{
    FbDatabase db;
    db.attach(path, QStringLiteral("SYSDBA"), QStringLiteral("masterkey"), QStringLiteral("WIN1257"));
    SqlQuery write(db, QString::fromLatin1(D365MasterData::productStatement()));
    double seconds[2] = {0, 0};
    for (double& pass : seconds) {
        QElapsedTimer timer;
        timer.start();
        for (int n = 0; n < count; ++n) {
            const QString code = QStringLiteral("P%1").arg(n, 7, 10, QLatin1Char('0'));
            write.bind("ARTIKULS5", code).bind("GNOS", QStringLiteral("Prece Nr. %1 ķīmija/pārtika").arg(n))
                .bind("INOS", QStringLiteral("Prece %1").arg(n)).bind("ISSERTIF1", 1).bind("ISPRGRUPA", 1)
                .bind("ISPRKLIENT", 1).bind("NODOKLIS", n % 7 == 0 ? 12 : 21).bind("TARA", "F")
                .bind("ARTIKULS", QStringLiteral("475%1").arg(n, 10, 10, QLatin1Char('0')))
                .bind("ARTIKULS7", QStringLiteral("G%1").arg(n / 4)).bind("LITRAZA", 1).bind("NETTO", 0.5)
                .bind("BRUTOSVARS", 0.53).bind("MERVIENIBA", "gab").bind("SKKASTE", 12).bind("SKPALETE", 720)
                .bind("VALSTS", "Latvija").bind("GLABTEMP", "2..6").bind("KOMENTARS", "Sastāvs: ūdens, cukurs.");
            write.exec();
            db.commitRetaining();
        }
        pass = timer.nsecsElapsed() / 1e9;
    }
    return {seconds[0], seconds[1]};
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The fake D365 in a child process of its own, so that the peak memory printed is the
// import's alone. Returns the service's base address.
QString startFakeService(int count)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t child = ::fork();
    if (child != 0) {
        ::close(fds[1]);
        char address[256] = {};
        const ssize_t n = ::read(fds[0], address, sizeof address - 1);
        ::close(fds[0]);
        return n > 0 ? QString::fromUtf8(address, int(n)) : QString();
    }
    ::close(fds[0]);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    QJsonArray vendors, categories;
    for (int n = 0; n < 50; ++n)
        vendors.append(QJsonObject{{"AccountNum", QStringLiteral("V%1").arg(n)}, {"Name", QStringLiteral("Piegādātājs %1").arg(n)},
                                   {"BankAccountNum", ""}, {"BankName", "Swedbank AS"}, {"SWIFTNo", "HABALV22"},
                                   {"IsResident_LV", "true"}, {"RegNum", ""}, {"VATNum", ""},
                                   {"PrimaryAddress", QJsonValue::Null}, {"DeliveryAddress", QJsonValue::Null}});
    for (int n = 0; n < 20; ++n)
        categories.append(QJsonObject{{"Code", QStringLiteral("K%1").arg(n)}, {"Name", QStringLiteral("Grupa %1").arg(n)},
                                      {"ParentCode", ""}});
    const std::string products = productReply(count);
    const std::string vendorReply = listReply("Vendors", vendors);
    const std::string categoryReply = listReply("Categories", categories);

    FakeHttpServer fake;
    fake.Post("/token", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"token_type":"Bearer","access_token":"bench.token"})", "application/json");
    });
    fake.Post("/data", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string& reply = req.body.find("GetK42Vendors") != std::string::npos ? vendorReply
                                   : req.body.find("GetCategories") != std::string::npos ? categoryReply
                                                                                        : products;
        res.set_content(reply, "application/json");
    });
    fake.start();
    const QByteArray address = fake.url("/").toUtf8();
    if (::write(fds[1], address.constData(), size_t(address.size())) < 0)
        ::_exit(1);
    ::close(fds[1]);
    for (;;)
        ::pause();
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 50000;
    const QString service = startFakeService(count);  // before any thread of this process
    if (service.isEmpty()) {
        std::fprintf(stderr, "the fake service did not start\n");
        return 1;
    }
    QCoreApplication app(argc, argv);

    QTemporaryDir dir;
    const QString path = dir.filePath("PRECES.GDB");
    if (QProcess::execute(QStringLiteral(VARNIS_SOURCE_DIR "/scripts/create-goods-db"), {path}) != 0) {
        std::fprintf(stderr, "scripts/create-goods-db failed\n");
        return 1;
    }

    Registry registry(dir.filePath("VARNIS-A.ini"));
    {
        RegistryKey key(registry);
        key.OpenKey("D365", true);
        key.WriteString("LoginHttps", service + QStringLiteral("token"));
        key.WriteString("RESTHttps", service + QStringLiteral("data"));
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
    ExchangeContext ctx{log, busy, registry, dati, dialogs, clock, report};
    D365Exchange d365(ctx);
    if (d365.LoginD365() < 0 || d365.GetK42Vendors() < 0 || d365.GetCategories() < 0) {
        std::fprintf(stderr, "set-up failed: %s\n", qPrintable(log.last));
        return 1;
    }

    std::printf("GetK42Products, %d products; peak memory before the import %.1f MB\n", count, peakKilobytes() / 1024.0);
    const QString floorPath = dir.filePath("FLOOR.GDB");
    if (QProcess::execute(QStringLiteral(VARNIS_SOURCE_DIR "/scripts/create-goods-db"), {floorPath}) != 0) {
        std::fprintf(stderr, "scripts/create-goods-db failed\n");
        return 1;
    }
    const auto [floorInsert, floorUpdate] = floorRun(floorPath, count);
    for (const char* pass : {"insert", "update"}) {
        const int preparesBefore = dati.PRECES_DB().prepareCount();
        QElapsedTimer timer;
        timer.start();
        const int result = d365.GetK42Products();
        const double seconds = timer.nsecsElapsed() / 1e9;
        const double floor = pass[0] == 'i' ? floorInsert : floorUpdate;
        if (result < 0) {
            std::fprintf(stderr, "import failed: %s\n", qPrintable(log.last));
            return 1;
        }
        std::printf("  %-6s %8.1f s  %8.0f records/s  floor %.1f s  job/floor %.2f (target <= 1.5)  "
                    "prepares %d  peak memory %.1f MB\n",
                    pass, seconds, count / seconds, floor, seconds / floor,
                    dati.PRECES_DB().prepareCount() - preparesBefore, peakKilobytes() / 1024.0);
        std::fflush(stdout);
    }
    return 0;
}
