// The order import and the customer import against a real shop and fresh goods databases.
//
// Orders: 2,000 new shop orders of 10 lines (200 registered customers) through the whole
// entry ReceiveData; floor: the same heads and lines through TO_paspavTable, one commit per
// order. Both go in rounds of 400 orders, alternating, each into a fresh goods database.
// Customers: the customer import of 10,000 shop customers, run twice; floor of the rerun:
// a bare prepared loop of the rerun's statements (each customer's addresses, its look-up
// by e-mail, each branch's look-up).
// Prints wall times, ratios (target <= 1.5 each) and peak memory (target <= 200 MB).
//
//   bench_order_import [ORDERS [CUSTOMERS [async]]]
//   (0 orders: the customer part only; async: goods databases without forced writes)
#include "support/FtpServer.h"
#include "support/GoodsDb.h"
#include "support/MariaDbServer.h"
#include "support/Recorders.h"

#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/O_paspavtable.h"
#include "db/SqlQuery.h"
#include "host/ProcessLog.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"
#include "webshop/WebShopExchange.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

constexpr int kLines = 10;
constexpr int kGoods = 400;
constexpr int kOrderCustomers = 200;
bool asyncWrites = false;

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

double seconds(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e9;
}

// A goods database with the goods the orders name, and shop settings pointing at shop.
void goodsData(GoodsDb& goods, MariaDbServer& mysql, FtpServer& ftp, ShopDb& shop)
{
    goods.exec(QStringLiteral("INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (2, 'Grupa')"));
    goods.exec(QStringLiteral("INSERT INTO N_DEPART (ISN, GNOS) VALUES (5, 'Interneta veikals')"));
    goods.exec(QStringLiteral(
        "INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS, ARTIKULS, NODOKLIS, PARDCENA1) "
        "WITH RECURSIVE A AS (SELECT 0 N FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM A WHERE N < %1) "
        "SELECT 1000 + N, 2, 'Prece ' || N, '47500' || (1000 + N), 21, 1.5 FROM A").arg(kGoods - 1));
    goods.exec(QStringLiteral("INSERT INTO O_APMKONTI (ISN, GNOS, KODS, WWW_IMPORTS) VALUES (41, 'Skaidrā', 'cod', 'F')"));
    goods.exec(QStringLiteral(
                   "INSERT INTO N_ISI2 (ISN, E_SHOP_FTP, E_SHOP_FTP_USERNAME, E_SHOP_FTP_PASWORD, E_SHOP_MYSQL_IP, "
                   "E_SHOP_MYSQL_DB, E_SHOP_MYSQL_USERNAME, E_SHOP_MYSQL_PASWORD, E_SHOP_ISNODALA, E_SHOP_ISNODALA_IN, "
                   "WWW_COMPLETED) VALUES (10, :F, :FU, :FP, :M, :DB, :MU, :MP, '5,', 5, 'Complete')"),
               {{QStringLiteral("F"), ftp.address()}, {QStringLiteral("FU"), ftp.user()}, {QStringLiteral("FP"), ftp.password()},
                {QStringLiteral("M"), mysql.address()}, {QStringLiteral("DB"), shop.name()}, {QStringLiteral("MU"), shop.user()},
                {QStringLiteral("MP"), shop.password()}});
    goods.close();
    if (asyncWrites) {
        QProcess gfix;
        gfix.start(QStringLiteral("gfix"), {QStringLiteral("-write"), QStringLiteral("async"), QStringLiteral("-user"),
                                            QStringLiteral("SYSDBA"), QStringLiteral("-password"), QStringLiteral("masterkey"),
                                            goods.path()});
        gfix.waitForFinished(60000);
    }
}

void shopBasics(ShopDb& shop)
{
    shop.insert(QStringLiteral("language"), {{QStringLiteral("language_id"), 1}, {QStringLiteral("name"), QStringLiteral("LV")},
                                             {QStringLiteral("code"), QStringLiteral("lv")}, {QStringLiteral("status"), 1}});
    shop.insert(QStringLiteral("country"), {{QStringLiteral("country_id"), 117}, {QStringLiteral("name"), QStringLiteral("Latvia")},
                                            {QStringLiteral("iso_code_2"), QStringLiteral("LV")}});
    for (auto [id, name] : {std::pair{1, "Pending"}, {2, "Processing"}, {5, "Complete"}})
        shop.insert(QStringLiteral("order_status"), {{QStringLiteral("order_status_id"), id}, {QStringLiteral("language_id"), 1},
                                                     {QStringLiteral("name"), QString::fromLatin1(name)}});
}

// customers shop customers with one address each (every tenth a second one).
void shopCustomers(ShopDb& shop, int customers)
{
    shop.insertSelect(QStringLiteral("customer"),
                      {QStringLiteral("customer_id"), QStringLiteral("firstname"), QStringLiteral("lastname"),
                       QStringLiteral("email"), QStringLiteral("telephone"), QStringLiteral("password"), QStringLiteral("salt"),
                       QStringLiteral("custom_field"), QStringLiteral("status")},
                      QStringLiteral("SELECT seq, 'Anna', CONCAT('Bērziņa ', seq), CONCAT('klients', seq, '@example.lv'), "
                                     "'+371 20000000', SHA1(seq), 'abcdefghi', CONCAT('{\"2\":\"4000', seq, '\"}'), 1 "
                                     "FROM seq_1_to_%1").arg(customers));
    shop.insertSelect(QStringLiteral("address"),
                      {QStringLiteral("customer_id"), QStringLiteral("firstname"), QStringLiteral("lastname"),
                       QStringLiteral("address_1"), QStringLiteral("city"), QStringLiteral("postcode"), QStringLiteral("country_id"),
                       QStringLiteral("zone_id")},
                      QStringLiteral("SELECT seq, 'Anna', CONCAT('Bērziņa ', seq), CONCAT('Brīvības iela ', seq), 'Rīga', 'LV-1010', "
                                     "117, 3513 FROM seq_1_to_%1").arg(customers));
    shop.insertSelect(QStringLiteral("address"),
                      {QStringLiteral("customer_id"), QStringLiteral("firstname"), QStringLiteral("lastname"),
                       QStringLiteral("address_1"), QStringLiteral("city"), QStringLiteral("country_id")},
                      QStringLiteral("SELECT seq, 'Anna', CONCAT('Bērziņa ', seq), CONCAT('Krasta iela ', seq), 'Jūrmala', 117 "
                                     "FROM seq_1_to_%1 WHERE seq MOD 10 = 0").arg(customers));
}

// An exchange on one goods database and one shop, as the host wires it.
struct Host {
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    ProcessLog log{clock, dir.filePath(QStringLiteral("VarnisProcess.log"))};
    RecordingDialogs dialogs;
    BusyFlag busy;
    RunReport report;
    Registry registry{dir.filePath(QStringLiteral("VARNIS-A.ini"))};
    TMainFormDati dati{log, dialogs, clock};
    std::unique_ptr<ExchangeContext> ctx;
    std::unique_ptr<WebShopExchange> web;

    explicit Host(const QString& goodsPath)
    {
        log.setProcessEvents(false);
        RegistryKey key(registry);
        key.OpenKey(QStringLiteral("WWWExp"), true);
        key.WriteInteger(QStringLiteral("ExpTips"), 1);
        key.CloseKey();
        if (!dati.ConnectDatabase(goodsPath, dir.path()))
            throw std::runtime_error("cannot open the goods database");
        ctx = std::make_unique<ExchangeContext>(ExchangeContext{log, busy, registry, dati, dialogs, clock, report});
        web = std::make_unique<WebShopExchange>(*ctx);
    }
    bool failed(const char* what)
    {
        if (report.outcome(true) == RunReport::Outcome::Done && dialogs.messages.isEmpty())
            return false;
        std::fprintf(stderr, "%s failed:\n%s\n%s\n", what, qPrintable(log.lines().join(QLatin1Char('\n'))),
                     qPrintable(dialogs.messages.join(QLatin1Char('\n'))));
        return true;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int orders = argc > 1 ? QByteArray(argv[1]).toInt() : 2000;
    const int customers = argc > 2 ? QByteArray(argv[2]).toInt() : 10000;
    asyncWrites = argc > 3 && QByteArray(argv[3]) == "async";
    if (asyncWrites)
        std::printf("Goods databases without forced writes: the disk's sync latency left out of both sides\n");

    MariaDbServer mysql;
    FtpServer ftp;

    // ---- Orders ------------------------------------------------------------------------
    if (orders > 0) {
        std::printf("Setting up %d orders of %d lines ...\n", orders, kLines);
        std::fflush(stdout);
        ShopDb orderShop(mysql, QStringLiteral("orders"));
        shopBasics(orderShop);
        shopCustomers(orderShop, kOrderCustomers);
        orderShop.insertSelect(QStringLiteral("order"),
                               {QStringLiteral("order_id"), QStringLiteral("customer_id"), QStringLiteral("email"),
                                QStringLiteral("shipping_firstname"), QStringLiteral("shipping_lastname"),
                                QStringLiteral("shipping_address_1"), QStringLiteral("shipping_city"),
                                QStringLiteral("shipping_postcode"), QStringLiteral("shipping_country"),
                                QStringLiteral("payment_code"), QStringLiteral("comment"), QStringLiteral("order_status_id")},
                               QStringLiteral("SELECT seq, c, CONCAT('klients', c, '@example.lv'), 'Anna', CONCAT('Bērziņa ', c), "
                                              "CONCAT('Brīvības iela ', c), 'Rīga', 'LV-1010', 'Latvia', 'cod', 'Zvanīt', 1 "
                                              "FROM (SELECT seq, 1 + seq MOD %2 c FROM seq_1_to_%1) o").arg(orders).arg(kOrderCustomers));
        orderShop.insertSelect(QStringLiteral("order_product"),
                               {QStringLiteral("order_id"), QStringLiteral("product_id"), QStringLiteral("model"),
                                QStringLiteral("name"), QStringLiteral("quantity"), QStringLiteral("price")},
                               QStringLiteral("SELECT 1 + (seq - 1) DIV %2, p, CONCAT('47500', p), 'Prece', 1 + seq MOD 3, 1.25 "
                                              "FROM (SELECT seq, 1000 + seq MOD %3 p FROM seq_1_to_%1) l")
                                   .arg(orders * kLines).arg(kLines).arg(kGoods));
        orderShop.insertSelect(QStringLiteral("order_total"),
                               {QStringLiteral("order_id"), QStringLiteral("code"), QStringLiteral("title"), QStringLiteral("value")},
                               QStringLiteral("SELECT seq, 'total', 'Kopā', 20 FROM seq_1_to_%1").arg(orders));
        mysql.closeConnections();

        // Floor: the same heads and lines, one commit per order, nothing else. The orders go in
        // rounds, job and floor alternating (each into a fresh goods database), so that a
        // changing load on the machine weighs on both alike.
        auto floor = [&](int from, int to) -> double {
            GoodsDb floorGoods;
            goodsData(floorGoods, mysql, ftp, orderShop);
            Host host(floorGoods.path());
            QElapsedTimer t;
            t.start();
            for (int o = from; o <= to; ++o) {
                DocumentScope scope(host.dati);
                TO_paspavTable table(host.dati);
                table.O_PASPAV.NR_PAVADZ = QString::number(o);
                table.O_PASPAV.DATUMS = QDateTime(QDate(2026, 12, 7), QTime(0, 0));
                table.O_PASPAV.ISKLIENT = 1;
                table.O_PASPAV.ISNODALA = 5;
                table.O_PASPAV.WEB_PASUTIJUMS = true;
                table.O_PASPAV.KOMENTARS = QStringLiteral("Zvanīt");
                if (table.O_PASPAVInsert() <= 0)
                    return -1;
                for (int l = 0; l < kLines; ++l) {
                    const int seq = (o - 1) * kLines + l + 1;
                    table.O_PASPRC = O_PASPRCRecord();
                    table.O_PASPRC.ISPRECE = 1000 + seq % kGoods;
                    table.O_PASPRC.DAUDZUMS = 1 + seq % 3;
                    table.O_PASPRC.CENA = 1.25;
                    if (table.O_PASPRCInsert() <= 0)
                        return -1;
                }
                scope.commit();
            }
            return seconds(t);
        };
        double orderPeak = 0;
        int stored = 0, storedLines = 0;
        // The job on the round's orders only: they are new, every other order is in status 0.
        auto job = [&](int from, int to) -> double {
            orderShop.exec(QStringLiteral("UPDATE `order` SET order_status_id = IF(order_id BETWEEN %1 AND %2, 1, 0)")
                               .arg(from).arg(to));
            mysql.closeConnections();
            GoodsDb jobGoods;
            goodsData(jobGoods, mysql, ftp, orderShop);
            double took = -1;
            {
                Host host(jobGoods.path());
                resetPeak();
                QElapsedTimer t;
                t.start();
                host.web->ReceiveData();
                took = seconds(t);
                orderPeak = std::max(orderPeak, peakMb());
                if (host.failed("the order import"))
                    return -1;
            }
            stored += jobGoods.count(QStringLiteral("O_PASPAV"));
            storedLines += jobGoods.count(QStringLiteral("O_PASPRC"));
            return took;
        };
        const int rounds = std::max(1, orders / 400);
        double orderSeconds = 0, floorOrderSeconds = 0;
        QStringList roundTimes;
        for (int r = 0; r < rounds; ++r) {
            const int from = r * orders / rounds + 1, to = (r + 1) * orders / rounds;
            double j = 0, f = 0;
            if (r % 2 == 0) {
                f = floor(from, to);
                j = job(from, to);
            } else {
                j = job(from, to);
                f = floor(from, to);
            }
            if (j <= 0 || f <= 0)
                return 1;
            orderSeconds += j;
            floorOrderSeconds += f;
            roundTimes << QStringLiteral("%1/%2").arg(j, 0, 'f', 1).arg(f, 0, 'f', 1);
        }

        std::printf("order import, %d orders x %d lines (%d registered customers), %d rounds\n", orders, kLines,
                    kOrderCustomers, rounds);
        std::printf("  job wall time       %8.2f s   (%d heads, %d lines stored; %.0f lines/s)\n", orderSeconds, stored, storedLines,
                    storedLines / orderSeconds);
        std::printf("  floor wall time     %8.2f s   (the same heads and lines through TO_paspavTable, one commit per order)\n",
                    floorOrderSeconds);
        std::printf("  rounds job/floor    %s s\n", qPrintable(roundTimes.join(QStringLiteral(", "))));
        std::printf("  ratio job/floor     %8.2f    (target <= 1.5)\n", orderSeconds / floorOrderSeconds);
        std::printf("  peak memory         %8.1f MB  (resident; target <= 200 MB)\n", orderPeak);
        std::fflush(stdout);
    }

    // ---- Customers ---------------------------------------------------------------------
    std::printf("Setting up %d shop customers ...\n", customers);
    std::fflush(stdout);
    ShopDb customerShop(mysql, QStringLiteral("customers"));
    shopBasics(customerShop);
    shopCustomers(customerShop, customers);
    mysql.closeConnections();
    GoodsDb customerGoods;
    goodsData(customerGoods, mysql, ftp, customerShop);

    double firstSeconds = 0, rerunSeconds = 0, floorRerunSeconds = 0, customerPeak = 0;
    int made = 0, branches = 0;
    {
        Host host(customerGoods.path());
        resetPeak();
        QElapsedTimer t;
        t.start();
        host.web->ReceiveWebCustomers();
        firstSeconds = seconds(t);
        made = host.report.movedRecords();
        t.restart();
        host.web->ReceiveWebCustomers();
        rerunSeconds = seconds(t);
        customerPeak = peakMb();
        if (host.failed("the customer import"))
            return 1;

        // Floor: the rerun's statements in a bare prepared loop.
        QSqlDatabase shop = host.web->connection().database();
        FbDatabase& goods = host.dati.PRECES_DB();
        t.restart();
        SqlQuery candidates(shop, QStringLiteral(
            "select firstname, lastname, email, telephone, fax, password, salt, address_id, customer_id, 0 order_id, custom_field "
            "FROM customer union select shipping_firstname, shipping_lastname, email, telephone, fax, '' password, '' salt, "
            "0 address_id, Pasut.customer_id, Pasut.order_id, '' custom_field FROM `order` Pasut "
            "where Pasut.customer_id=0 and Pasut.order_status_id = 1 ORDER BY 1"));
        candidates.open();
        SqlQuery addresses(shop, QStringLiteral(
            "select address.firstname, address.lastname, address.address_1, address.address_2, address.company, "
            "address.postcode, address.city, address.country_id, address.zone_id from address where address.customer_id = :customer_id"));
        SqlQuery byEmail(goods, QStringLiteral("SELECT ISKLIENT ISN FROM N_KL_STRV WHERE E_MAIL1=:E_MAIL"));
        SqlQuery branch(goods, QStringLiteral(
            "SELECT N_KL_STRV.ISN FROM N_KL_STRV WHERE ISKLIENT=:ISKLIENT AND E_MAIL1=:E_MAIL1 AND WEB_FIRSTNAME=:WEB_FIRSTNAME "
            "AND WEB_LASTNAME=:WEB_LASTNAME AND ADRESE=:ADRESE"));
        for (; !candidates.eof(); candidates.next()) {
            addresses.bind(QStringLiteral("customer_id"), candidates.asInt(QStringLiteral("customer_id")));
            addresses.open();
            byEmail.bind(QStringLiteral("E_MAIL"), candidates.asString(QStringLiteral("email")));
            byEmail.open();
            for (; !addresses.eof(); addresses.next()) {
                branch.bind(QStringLiteral("ISKLIENT"), byEmail.asInt(QStringLiteral("ISN")))
                    .bind(QStringLiteral("E_MAIL1"), candidates.asString(QStringLiteral("email")))
                    .bind(QStringLiteral("WEB_FIRSTNAME"), addresses.asString(QStringLiteral("firstname")))
                    .bind(QStringLiteral("WEB_LASTNAME"), addresses.asString(QStringLiteral("lastname")))
                    .bind(QStringLiteral("ADRESE"), addresses.asString(QStringLiteral("address_1")) + QStringLiteral(",Rīga,LV-1010,Latvia"));
                branch.open();
            }
        }
        floorRerunSeconds = seconds(t);
        branches = customerGoods.count(QStringLiteral("N_KL_STRV"));
    }

    std::printf("customer import, %d shop customers (%d branches)\n", customers, branches);
    std::printf("  first run           %8.2f s   (%d customers made)\n", firstSeconds, made);
    std::printf("  rerun               %8.2f s   (nothing new)\n", rerunSeconds);
    std::printf("  floor of the rerun  %8.2f s   (its statements in a bare prepared loop)\n", floorRerunSeconds);
    std::printf("  ratio rerun/floor   %8.2f    (target <= 1.5)\n", rerunSeconds / floorRerunSeconds);
    std::printf("  peak memory         %8.1f MB  (resident; target <= 200 MB)\n", customerPeak);
    return 0;
}
