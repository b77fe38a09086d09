// The special prices job against a real shop: 20,000 goods in 400 groups of 50, 5,000 of them
// new or on sale, 50 web customers with groups of their own, 100,000 customer special prices
// and 100 goods-group prices: 360,000 shop rows. Prints the job's wall time, rows per second
// and peak memory, and the floor on the same server: the same rows as multi-row INSERTs of
// 500 in one transaction on a bare connection.
#include "../ShopBench.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <algorithm>

namespace {

// The rows the job wrote, as the floor's statements of 500 rows each.
QStringList floorStatements(ShopBench& b)
{
    QStringList statements;
    QSqlDatabase db = b.mysql.connection(b.shop.name());
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.exec(QStringLiteral("SELECT product_special_id, product_id, customer_group_id, price, date_start, date_end, priority "
                          "FROM product_special ORDER BY product_special_id"));
    QString sql;
    int n = 0;
    while (q.next()) {
        if (n == 0)
            sql = QStringLiteral("INSERT INTO product_special (product_special_id, product_id, customer_group_id, price, date_start, "
                                 "date_end, priority) VALUES ");
        else
            sql += QLatin1Char(',');
        sql += QStringLiteral("(%1,%2,%3,%4,'%5','%6',%7)")
                   .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString(),
                        q.value(4).toDate().toString(Qt::ISODate), q.value(5).toDate().toString(Qt::ISODate), q.value(6).toString());
        if (++n == 500) {
            statements << sql;
            n = 0;
        }
    }
    if (n > 0)
        statements << sql;
    b.mysql.closeConnections();
    return statements;
}

double floorRun(ShopBench& b, const QStringList& statements)
{
    double seconds = -1;
    {
        QSqlDatabase db = b.floorConnection();
        QElapsedTimer t;
        t.start();
        bool ok = db.isOpen() && db.transaction();
        for (const QString& sql : statements) {
            if (!ok)
                break;
            QSqlQuery q(db);
            ok = q.exec(sql);
            if (!ok)
                std::fprintf(stderr, "floor: %s\n", qPrintable(q.lastError().text()));
        }
        if (ok && db.commit())
            seconds = t.nsecsElapsed() / 1e9;
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("floor"));
    return seconds;
}

void emptyShopTable(ShopBench& b)
{
    b.mysql.exec(b.shop.name(), QStringLiteral("TRUNCATE TABLE product_special"));
    b.mysql.closeConnections();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("Setting up 20,000 goods, 50 web customers, 100,000 customer and 100 goods-group special prices ...\n");
    std::fflush(stdout);
    ShopBench b;
    const QDate until = QDate::currentDate().addDays(30);
    b.goods.exec(QStringLiteral("INSERT INTO N_PRGRUP (ISN, GNOS) ") + ShopBench::numbers(400)
                 + QStringLiteral("SELECT N + 1, 'Grupa' FROM S WHERE N <= 400"));
    b.goods.exec(QStringLiteral("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS, PARDCENA1, PARDCENA2, PARDCENA10, WEB_NEW, "
                                "WEB_NEW_DATLIDZ, WEB_SALE, WEB_SALE_DATLIDZ) ")
                     + ShopBench::numbers(20000)
                     + QStringLiteral("SELECT N + 1, 2 + FLOOR((N - 1) / 50), 'Prece', 10 + MOD(N, 50), 9 + MOD(N, 50), 7 + MOD(N, 50), "
                                      "IIF(N <= 5000 AND MOD(N, 2) = 0, 'T', 'F'), :D, IIF(N <= 5000 AND MOD(N, 2) = 1, 'T', 'F'), :D "
                                      "FROM S WHERE N <= 20000"),
                 {{QStringLiteral("D"), until}});
    b.goods.exec(QStringLiteral("INSERT INTO N_KLIENT (ISN, GNOS, E_KLIENTS, PIRCEJS, WEB_ID) ") + ShopBench::numbers(50)
                 + QStringLiteral("SELECT 100 + N, 'Klients', 'T', 'T', 1 + N FROM S WHERE N <= 50"));
    b.goods.exec(QStringLiteral("INSERT INTO N_KL_STRV (ISKLIENT, GNOS, E_MAIL1) ") + ShopBench::numbers(50)
                 + QStringLiteral("SELECT 100 + N, 'Filiāle', 'klients' || N || '@pasts.lv' FROM S WHERE N <= 50"));
    b.shop.insertSelect(QStringLiteral("customer"),
                        {QStringLiteral("customer_id"), QStringLiteral("customer_group_id"), QStringLiteral("email"), QStringLiteral("status")},
                        QStringLiteral("SELECT seq + 1 id, seq + 1 grp, CONCAT('klients', seq, '@pasts.lv') email, 1 status FROM seq_1_to_50"));
    // Fixed prices, 10 % off and level 2 in turn; half of them with dates.
    b.goods.exec(QStringLiteral("INSERT INTO O_SPECCENAS (ISPRECE, ISKLIENT, FLAG, CENA_1, ATLAIDE, DAT_NO, DAT_LIDZ) ")
                     + ShopBench::numbers(100000)
                     + QStringLiteral("SELECT 2 + MOD(N * 7, 20000), 101 + MOD(N, 50), 1 + MOD(N, 3), IIF(MOD(N, 3) = 2, 2, 9), -10, "
                                      "IIF(MOD(N, 2) = 0, :D, NULL), IIF(MOD(N, 2) = 0, :D, NULL) FROM S WHERE N <= 100000"),
                 {{QStringLiteral("D"), until}});
    b.goods.exec(QStringLiteral("INSERT INTO O_CENASPRGRUPAS (ISPRGRUPA, ISKLIENT, FLAG, ATLAIDE) ") + ShopBench::numbers(100)
                 + QStringLiteral("SELECT 1 + N, 101 + MOD(N, 50), 2, -5 FROM S WHERE N <= 100"));
    if (!b.open({{QStringLiteral("ExpTips"), 2}, {QStringLiteral("chkSpecCenas"), QStringLiteral("true")}}))
        return 1;

    const QString end = QStringLiteral("WWW Saraksti aizsūtīti");
    PeakMemory::reset();
    const double baseMb = PeakMemory::megabytes();
    double peak1 = 0, peak2 = 0, peak3 = 0;
    const double job1 = b.timed(&WebShopExchange::SendKlasif, end, peak1);
    const int rows = b.mysql.scalar(b.shop.name(), QStringLiteral("SELECT COUNT(*) FROM product_special")).toInt();
    const QStringList statements = floorStatements(b);
    emptyShopTable(b);
    const double floor1 = floorRun(b, statements);
    emptyShopTable(b);
    const double job2 = b.timed(&WebShopExchange::SendKlasif, end, peak2);
    emptyShopTable(b);
    const double floor2 = floorRun(b, statements);
    // A run as every later one: the shop's rows are all replaced.
    const double replacing = b.timed(&WebShopExchange::SendKlasif, end, peak3);
    if (job1 < 0 || job2 < 0 || replacing < 0 || floor1 < 0 || floor2 < 0)
        return 1;
    const double job = std::min(job1, job2);
    const double floor = std::min(floor1, floor2);
    // The first run's: later ones share the process with the floor's statements.
    const double peak = peak1;

    std::printf("special prices, 20,000 goods (5,000 new or on sale), 50 web groups, 100,000 customer and 100 goods-group prices\n");
    std::printf("  rows written        %8d\n", rows);
    std::printf("  job wall time       %8.2f s   (into an empty table; runs %.2f s and %.2f s)\n", job, job1, job2);
    std::printf("  job rows per second %8.0f\n", rows / job);
    std::printf("  job replacing rows  %8.2f s   (a run over the full table)\n", replacing);
    std::printf("  job peak memory     %8.1f MB  (resident, first run; process before it: %.1f MB; later runs %.1f and %.1f MB)\n",
                peak, baseMb, peak2, peak3);
    std::printf("  floor wall time     %8.2f s   (multi-row INSERTs of 500 in one transaction; runs %.2f s and %.2f s)\n", floor,
                floor1, floor2);
    std::printf("  floor rows/second   %8.0f\n", rows / floor);
    std::printf("  ratio job/floor     %8.2f    (target <= 2; peak memory target <= 300 MB)\n", job / floor);
    return 0;
}
