// The stock export against a real shop: 100,000 goods with stock in 3 departments and
// 100,000 shop products. Prints the job's wall time, rows per second and peak memory, and
// the floor of its statement pattern on the same server: a bare loop of 100,000 prepared
// auto-commit "UPDATE product SET quantity=? WHERE product_id=?".
//
//   bench_stock_export [ROWS]
#include "support/FtpServer.h"
#include "support/GoodsDb.h"
#include "support/MariaDbServer.h"
#include "support/Recorders.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "host/ProcessLog.h"
#include "platform/BusyFlag.h"
#include "platform/RunReport.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "webshop/WebShopExchange.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

// Peak resident memory since the last reset, in MB (VmHWM).
double peakMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

void resetPeak()
{
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

// Numbers 1..rows (rows up to 1,000,000) without a table: Firebird recursion stops at 1024 levels.
QString numbers(int rows)
{
    return QStringLiteral("WITH RECURSIVE A AS (SELECT 0 N FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM A WHERE N < 99), "
                          "S AS (SELECT A1.N * 10000 + A2.N * 100 + A3.N + 1 N FROM A A1, A A2, A A3 WHERE A1.N * 10000 < %1) ")
        .arg(rows);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;

    std::printf("Setting up %d goods, %d stock rows and %d shop products ...\n", rows, rows * 3, rows);
    std::fflush(stdout);
    QTemporaryDir dir;
    MariaDbServer mysql;
    FtpServer ftp;
    ShopDb shop(mysql);
    shop.insertSelect(QStringLiteral("product"), {QStringLiteral("product_id"), QStringLiteral("quantity"), QStringLiteral("status")},
                      QStringLiteral("SELECT seq, 0, 1 FROM seq_1_to_%1").arg(rows));
    mysql.closeConnections();

    GoodsDb goods;
    goods.exec(QStringLiteral("INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (2, 'Grupa')"));
    for (int d : {2, 3, 4})
        goods.exec(QStringLiteral("INSERT INTO N_DEPART (ISN, GNOS, E_SHOP_KODS) VALUES (%1, 'Nodaļa', 0)").arg(d));
    goods.exec(QStringLiteral("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS, ARTIKULS) ") + numbers(rows)
               + QStringLiteral("SELECT N, 2, 'Prece', N FROM S WHERE N <= %1").arg(rows));
    for (int d : {2, 3, 4})
        goods.exec(QStringLiteral("INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) ") + numbers(rows)
                   + QStringLiteral("SELECT N, %1, MOD(N, 17) + %1 FROM S WHERE N <= %2").arg(d).arg(rows));
    goods.exec(QStringLiteral("INSERT INTO N_ISI2 (ISN, E_SHOP_FTP, E_SHOP_FTP_USERNAME, E_SHOP_FTP_PASWORD, E_SHOP_MYSQL_IP, "
                              "E_SHOP_MYSQL_DB, E_SHOP_MYSQL_USERNAME, E_SHOP_MYSQL_PASWORD, E_SHOP_ISNODALA, E_SHOP_ISNODALA_IN) "
                              "VALUES (10, :F, :FU, :FP, :M, :DB, :MU, :MP, '2,3,4,', 2)"),
               {{QStringLiteral("F"), ftp.address()}, {QStringLiteral("FU"), ftp.user()}, {QStringLiteral("FP"), ftp.password()},
                {QStringLiteral("M"), mysql.address()}, {QStringLiteral("DB"), shop.name()}, {QStringLiteral("MU"), shop.user()},
                {QStringLiteral("MP"), shop.password()}});
    goods.close();

    SystemClock clock;
    ProcessLog log(clock, dir.filePath(QStringLiteral("VarnisProcess.log")));
    log.setProcessEvents(false);
    RecordingDialogs dialogs;
    BusyFlag busy;
    RunReport report;
    Registry registry(dir.filePath(QStringLiteral("VARNIS-A.ini")));
    {
        RegistryKey key(registry);
        key.OpenKey(QStringLiteral("WWWExp"), true);
        key.WriteInteger(QStringLiteral("ExpTips"), 1);
    }
    TMainFormDati dati(log, dialogs, clock);
    if (!dati.ConnectDatabase(goods.path(), dir.path())) {
        std::fprintf(stderr, "cannot open the goods database\n");
        return 1;
    }
    ExchangeContext ctx{log, busy, registry, dati, dialogs, clock, report};
    WebShopExchange web(ctx);

    // The floor: the same statement pattern, prepared once, auto-commit, nothing else.
    // Every run writes values the rows do not hold yet, so each update changes its row.
    auto floor = [&](int base) -> double {
        double seconds = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("floor"));
            db.setHostName(mysql.host());
            db.setPort(mysql.port());
            db.setDatabaseName(shop.name());
            db.setUserName(shop.user());
            db.setPassword(shop.password());
            if (!db.open()) {
                std::fprintf(stderr, "floor connection: %s\n", qPrintable(db.lastError().text()));
            } else {
                QSqlQuery q(db);
                q.prepare(QStringLiteral("UPDATE product SET quantity=? WHERE product_id=?"));
                QElapsedTimer f;
                f.start();
                bool ok = true;
                for (int i = 1; i <= rows && ok; ++i) {
                    q.bindValue(0, base + i % 13);
                    q.bindValue(1, i);
                    ok = q.exec();
                }
                if (ok)
                    seconds = f.nsecsElapsed() / 1e9;
                else
                    std::fprintf(stderr, "floor: %s\n", qPrintable(q.lastError().text()));
                q.finish();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("floor"));
        return seconds;
    };

    // Floor before and after the job, so that a warming or tiring server shows.
    const double floorBefore = floor(2000);

    // The job: the whole entry as the scheduler calls it (settings, connect, phase 1).
    resetPeak();
    const double baseMb = peakMb();
    QElapsedTimer t;
    t.start();
    const bool ran = web.SendAtlikumi();
    const double jobSeconds = t.nsecsElapsed() / 1e9;
    const double jobPeakMb = peakMb();
    const QStringList lines = log.lines();
    if (!ran || !lines.join(QLatin1Char('\n')).contains(QStringLiteral("Kopēji atlikumi aizsūtīti"))) {
        std::fprintf(stderr, "the job failed:\n%s\n", qPrintable(lines.join(QLatin1Char('\n'))));
        return 1;
    }
    const int written = mysql.scalar(shop.name(), QStringLiteral("SELECT COUNT(*) FROM product WHERE quantity < 1000")).toInt();
    mysql.closeConnections();

    const double floorAfter = floor(1000);
    if (floorBefore <= 0 || floorAfter <= 0)
        return 1;
    const double floorSeconds = std::min(floorBefore, floorAfter);

    std::printf("stock export (phase 1), %d goods x 3 departments, %d shop products\n", rows, rows);
    std::printf("  job wall time       %8.2f s   (%d products written)\n", jobSeconds, written);
    std::printf("  job rows per second %8.0f\n", rows / jobSeconds);
    std::printf("  job peak memory     %8.1f MB  (resident, process before the job: %.1f MB)\n", jobPeakMb, baseMb);
    std::printf("  floor wall time     %8.2f s   (%d prepared auto-commit updates; before the job %.2f s, after %.2f s)\n",
                floorSeconds, rows, floorBefore, floorAfter);
    std::printf("  floor rows/second   %8.0f\n", rows / floorSeconds);
    std::printf("  ratio job/floor     %8.2f    (against the faster floor; target <= 1.5; peak memory target <= 300 MB)\n",
                jobSeconds / floorSeconds);
    return 0;
}
