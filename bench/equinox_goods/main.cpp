// The Equinox goods export of 100,000 goods into a fresh goods database made by
// scripts/create-goods-db, to a loopback FTP server; then, on the same database, the floor:
// a bare loop of the same number of prepared single-goods selects of the article's columns.
//
//   bench_equinox_goods [GOODS]     (default 100000)

#include "../BenchSupport.h"

#include "support/FtpServer.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"
#include "warehouse/EquinoxSendGoods.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

class PrintingDialogs : public Dialogs {
public:
    void showMessage(const QString& text) override { std::fprintf(stderr, "message: %s\n", qPrintable(text)); }
};

// CPU seconds of this process so far: steadier than wall time on a busy machine.
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

void fillGoods(TMainFormDati& dati, int goods)
{
    auto& db = dati.PRECES_DB();
    execSql(db, QStringLiteral("INSERT INTO N_PRGRUP (ISN, GNOS, EQUINOXPROCESSINGTYPE) VALUES (20, 'Dzērieni', 0)"));
    execSql(db, QStringLiteral("INSERT INTO N_PRGRUP (ISN, GNOS, ISPARENT, EQUINOXPROCESSINGTYPE) VALUES (21, 'Sulas', 20, 1)"));
    SqlQuery insert(db, QStringLiteral(
        "INSERT INTO N_KLPREC (ISN, GNOS, ISPRGRUPA, ARTIKULS, ARTIKULS2, ARTIKULS5, TARA, MERVIENIBA, GABALPRECE, "
        "PRECES_TIPS, NETTO, BRUTOSVARS, GARUMS, PLATUMS, AUGSTUMS, PALETE_H, KOP_TILPUMS, IR_DALAMA, SKKASTE, "
        "SKPALETE, MIN_PASUT, DERDIENAS_MAX, PALETE_KARTAS) VALUES (:ISN, :GNOS, :GRUPA, :ART, :ART2, :ART5, :TARA, "
        "'gab', 'T', 'SCAN_PACK', 0.5, 0.55, 10, 8, 25.5, 1.2, 0.002, 'F', 6, 480, 1, 180, 5)"));
    for (int g = 1; g <= goods; ++g) {
        insert.bind(QStringLiteral("ISN"), 1000 + g)
            .bind(QStringLiteral("GNOS"), QStringLiteral("Sula \"Ābolu\" & bumbieru_%1 1L; 100%").arg(g))
            .bind(QStringLiteral("GRUPA"), g % 2 ? 20 : 21)
            .bind(QStringLiteral("ART"), QStringLiteral("475%1").arg(g, 10, 10, QLatin1Char('0')))
            .bind(QStringLiteral("ART2"), g % 3 ? QString() : QStringLiteral("2%1").arg(g, 12, 10, QLatin1Char('0')))
            .bind(QStringLiteral("ART5"), QStringLiteral("P%1").arg(g))
            .bind(QStringLiteral("TARA"), g % 500 == 0 ? QStringLiteral("T") : QStringLiteral("F"))
            .exec();
        if (g % 5000 == 0)
            dati.CommitRetaining();
    }
    dati.CommitRetaining();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int goods = argc > 1 ? std::atoi(argv[1]) : 100000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("PRECES.GDB"));
    QProcess create;
    create.start(QStringLiteral(VARNIS_SOURCE_DIR "/scripts/create-goods-db"), {path});
    if (!create.waitForFinished(120000) || create.exitCode() != 0) {
        std::fprintf(stderr, "creating the goods database failed: %s\n", create.readAllStandardError().constData());
        return 1;
    }
    QDir(dir.path()).mkdir(QStringLiteral("work"));

    BenchLog log;
    PrintingDialogs dialogs;
    SystemClock clock;
    BusyFlag busy;
    RunReport report;
    Registry registry(dir.filePath(QStringLiteral("VARNIS-A.ini")));
    {
        RegistryKey key(registry);
        key.OpenKey(QStringLiteral("EquinoxExp"), true);
        key.WriteString(QStringLiteral("XmlNamespace"), QStringLiteral("urn:varnis:bench"));
    }
    TMainFormDati dati(log, dialogs, clock);
    if (!dati.ConnectDatabase(path, dir.filePath(QStringLiteral("work")))) {
        std::fprintf(stderr, "cannot connect: %s\n", qPrintable(log.last));
        return 1;
    }
    fillGoods(dati, goods);

    FtpServer ftp(FtpServer::Mode::Plain, QStringLiteral("equinox"), QStringLiteral("bench"));
    QDir().mkpath(ftp.localPath(QStringLiteral("/VISION/DATA/IN")));
    ExchangeContext context{log, busy, registry, dati, dialogs, clock, report};

    // The floor: the article's select for every goods key, nothing else. A first pass, not
    // timed, leaves the export and the floor reading the same warm pages.
    SqlQuery keys(dati.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_KLPREC WHERE ARTIKULS!='' ORDER BY ISN"));
    keys.open();
    QList<int> list;
    for (; !keys.eof(); keys.next())
        list << keys.asInt(QStringLiteral("ISN"));
    SqlQuery article(dati.PRECES_DB(), QLatin1String(EquinoxSendGoods::articleSql()));
    const auto floorPass = [&] {
        long rows = 0;
        for (int key : list) {
            article.bind(QStringLiteral("ISN"), key);
            article.open();
            rows += article.rowCount();
        }
        return rows;
    };
    floorPass();

    const long rssBefore = peakRssKb();
    QElapsedTimer timer;
    timer.start();
    double cpu = cpuSeconds();
    const bool ok = EquinoxSendGoods(context, {ftp.address(), ftp.user(), ftp.password()}, false).run();
    const double exportSeconds = timer.elapsed() / 1000.0;
    const double exportCpu = cpuSeconds() - cpu;
    const long rssAfter = peakRssKb();
    const int files = static_cast<int>(QDir(ftp.localPath(QStringLiteral("/VISION/DATA/IN"))).entryList(QDir::Files).size());

    timer.restart();
    cpu = cpuSeconds();
    const long rows = floorPass();
    const double floorSeconds = timer.elapsed() / 1000.0;
    const double floorCpu = cpuSeconds() - cpu;

    std::printf("equinox_goods: %d goods (%ld read by the floor), %d files uploaded, export %s\n", goods, rows, files,
                ok ? "ok" : "FAILED");
    std::printf("export: %.2f s, %.0f articles per second\n", exportSeconds, report.movedRecords() / exportSeconds);
    std::printf("floor (prepared single-goods selects): %.2f s; ratio %.2f (target <= 1.5)\n", floorSeconds,
                exportSeconds / floorSeconds);
    std::printf("CPU of this process: export %.2f s, floor %.2f s; ratio %.2f\n", exportCpu, floorCpu,
                exportCpu / floorCpu);
    std::printf("peak memory: %ld KiB after the export (%ld KiB before it; target <= 300 MB)\n", rssAfter, rssBefore);
    return ok ? 0 : 1;
}
