// The customer balances job against a real shop: 10,000 web customers with 20 invoices and
// 5 payments each in the goods database, and an "Atlikums" row and an order's transaction
// each in the shop. Prints customers per second and peak memory, and the floor on the same
// server: a bare loop of the job's three prepared shop statements per customer (find the
// "Atlikums" rows, delete the others, update the one kept), without the goods database.
#include "../ShopBench.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <algorithm>

namespace {

constexpr int kCustomers = 10000;

void orderTransactions(ShopBench& b)
{
    b.shop.insertSelect(QStringLiteral("customer_transaction"),
                        {QStringLiteral("customer_id"), QStringLiteral("order_id"), QStringLiteral("description"), QStringLiteral("amount")},
                        QStringLiteral("SELECT seq customer, seq ord, 'Pasūtījums' description, 5 amount FROM seq_1_to_%1").arg(kCustomers));
    b.mysql.closeConnections();
}

double floorRun(ShopBench& b)
{
    double seconds = -1;
    {
        QSqlDatabase db = b.floorConnection();
        QSqlQuery find(db), remove(db), update(db);
        bool ok = db.isOpen()
            && find.prepare(QStringLiteral("SELECT customer_transaction_id FROM customer_transaction WHERE customer_id=? "
                                           "AND description='Atlikums' ORDER BY customer_transaction_id"))
            && remove.prepare(QStringLiteral("DELETE FROM customer_transaction WHERE customer_id=? AND customer_transaction_id<>?"))
            && update.prepare(QStringLiteral("UPDATE customer_transaction SET amount=?, order_id=0 WHERE customer_transaction_id=?"));
        QElapsedTimer t;
        t.start();
        for (int c = 1; c <= kCustomers && ok; ++c) {
            find.bindValue(0, c);
            ok = find.exec();
            const int keep = ok && find.next() ? find.value(0).toInt() : 0;
            find.finish();
            remove.bindValue(0, c);
            remove.bindValue(1, keep);
            update.bindValue(0, -double(c % 97));
            update.bindValue(1, keep);
            ok = ok && remove.exec() && update.exec();
        }
        if (ok)
            seconds = t.nsecsElapsed() / 1e9;
        else
            std::fprintf(stderr, "floor: %s %s\n", qPrintable(find.lastError().text()), qPrintable(remove.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("floor"));
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::printf("Setting up %d web customers with 20 invoices and 5 payments each ...\n", kCustomers);
    std::fflush(stdout);
    ShopBench b;
    const QVariantHash today = {{QStringLiteral("D"), QDate::currentDate()}};
    b.goods.exec(QStringLiteral("INSERT INTO N_KLIENT (ISN, GNOS, E_KLIENTS, PIRCEJS, IDKODS, SAKATLSUM, SAKATLDAT) ")
                     + ShopBench::numbers(kCustomers)
                     + QStringLiteral("SELECT 1000 + N, 'Klients', 'T', 'T', CAST(CAST(N AS INTEGER) AS VARCHAR(10)), 10, "
                                      "IIF(MOD(N, 2) = 0, CAST(:D AS DATE) - 400, NULL) FROM S WHERE N <= %1")
                           .arg(kCustomers),
                 today);
    b.goods.exec(QStringLiteral("INSERT INTO O_PAVOUT (ISKLIENT, DATUMS, KOPSUMMA) ") + ShopBench::numbers(20 * kCustomers)
                     + QStringLiteral("SELECT 1001 + MOD(N, %1), CAST(:D AS DATE) - MOD(N, 300), 10 + MOD(N, 90) / 4.0 "
                                      "FROM S WHERE N <= %2")
                           .arg(kCustomers)
                           .arg(20 * kCustomers),
                 today);
    b.goods.exec(QStringLiteral("INSERT INTO O_APMAKS (ISKLIENT, APMAKS_DAT, APMAKS_SUM, PARPALIKUM) ")
                     + ShopBench::numbers(5 * kCustomers)
                     + QStringLiteral("SELECT 1001 + MOD(N, %1), CAST(:D AS DATE) - MOD(N, 300), 20, 0 FROM S WHERE N <= %2")
                           .arg(kCustomers)
                           .arg(5 * kCustomers),
                 today);
    b.shop.insertSelect(QStringLiteral("customer_transaction"),
                        {QStringLiteral("customer_id"), QStringLiteral("order_id"), QStringLiteral("description"), QStringLiteral("amount")},
                        QStringLiteral("SELECT seq customer, 0 ord, 'Atlikums' description, 0 amount FROM seq_1_to_%1").arg(kCustomers));
    orderTransactions(b);
    if (!b.open({{QStringLiteral("ExpTips"), 2}}))
        return 1;

    const QString end = QStringLiteral("WWW Pavadzīmju vēsture/klientu atlikumi aizsūtīta");
    PeakMemory::reset();
    const double baseMb = PeakMemory::megabytes();
    double peak1 = 0, peak2 = 0;
    const double floor1 = floorRun(b);
    orderTransactions(b);
    const double job1 = b.timed(&WebShopExchange::SendPZVesture, end, peak1);
    orderTransactions(b);
    const double floor2 = floorRun(b);
    orderTransactions(b);
    const double job2 = b.timed(&WebShopExchange::SendPZVesture, end, peak2);
    const int rows = b.mysql.scalar(b.shop.name(), QStringLiteral("SELECT COUNT(*) FROM customer_transaction")).toInt();
    if (job1 < 0 || job2 < 0 || floor1 < 0 || floor2 < 0 || rows != kCustomers) {
        std::fprintf(stderr, "%d transactions left instead of %d\n", rows, kCustomers);
        return 1;
    }
    const double job = std::min(job1, job2);
    const double floor = std::min(floor1, floor2);

    std::printf("customer balances, %d web customers with 20 invoices and 5 payments each\n", kCustomers);
    std::printf("  job wall time           %8.2f s   (runs %.2f s and %.2f s)\n", job, job1, job2);
    std::printf("  job customers/second    %8.0f\n", kCustomers / job);
    std::printf("  job peak memory         %8.1f MB  (resident, process before the jobs: %.1f MB)\n", std::max(peak1, peak2), baseMb);
    std::printf("  floor wall time         %8.2f s   (three prepared statements per customer; runs %.2f s and %.2f s)\n", floor,
                floor1, floor2);
    std::printf("  floor customers/second  %8.0f\n", kCustomers / floor);
    std::printf("  ratio job/floor         %8.2f    (target <= 3)\n", job / floor);
    return 0;
}
