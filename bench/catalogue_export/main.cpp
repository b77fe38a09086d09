// The catalogue export against a real shop: 20,000 goods in 200 groups, two languages, two
// attributes each, 2,000 of them with a 30 kB picture; a private MariaDB and a pyftpdlib
// FTPS server. Prints wall time and peak memory of a full export, a second full export
// (the pictures there already) and an incremental run with 100 changed goods, and the
// floor in the same run: the product, product_description, product_to_category and
// seo_url rows of the export as multi-row INSERTs of 500 into an empty copy of those
// tables, plus the 2,000 uploads over one FtpClient.
//
//   bench_catalogue_export [GOODS]
#include "support/FtpServer.h"
#include "support/GoodsDb.h"
#include "support/MariaDbServer.h"
#include "support/Recorders.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "host/ProcessLog.h"
#include "net/FtpClient.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"
#include "webshop/WebShopExchange.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <cstdio>

namespace {

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

// Numbers 1..rows (up to 1,000,000) without a table.
QString numbers(int rows)
{
    return QStringLiteral("WITH RECURSIVE A AS (SELECT 0 N FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM A WHERE N < 99), "
                          "S AS (SELECT A1.N * 10000 + A2.N * 100 + A3.N + 1 N FROM A A1, A A2, A A3 WHERE A1.N * 10000 < %1) ")
        .arg(rows);
}

QByteArray picture(int key)
{
    QByteArray data(30 * 1024, '\0');
    data[0] = char(0xFF);
    data[1] = char(0xD8);
    for (int i = 2; i < data.size(); ++i)
        data[i] = char((i * 31 + key * 7) & 0xFF);
    return data;
}

struct Figures {
    double seconds = 0;
    double peak = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QByteArray(argv[1]).toInt() : 20000;
    const int groups = 200;
    const int withPicture = count / 10;
    std::printf("Setting up %d goods in %d groups, %d attributes, %d pictures of 30 kB ...\n", count, groups, count * 2, withPicture);
    std::fflush(stdout);

    QTemporaryDir dir;
    MariaDbServer mysql;
    FtpServer ftp;
    ShopDb shop(mysql);
    ShopDb floorDb(mysql, QStringLiteral("floor"), QStringLiteral("floor"), QStringLiteral("floor"));
    for (int l : {1, 2})
        shop.insert(QStringLiteral("language"), {{QStringLiteral("language_id"), l}, {QStringLiteral("name"), QStringLiteral("L%1").arg(l)},
                                                 {QStringLiteral("code"), QStringLiteral("l%1").arg(l)}, {QStringLiteral("status"), 1}});
    mysql.closeConnections();

    GoodsDb goods;
    const QDate yesterday = QDate::currentDate().addDays(-1);
    const QVariantHash old{{QStringLiteral("D"), yesterday}};
    goods.exec(QStringLiteral("INSERT INTO N_DEPART (ISN, GNOS, CENKODS) VALUES (2, 'Noliktava', 1)"));
    goods.exec(QStringLiteral("INSERT INTO N_PRGRUP (ISN, GNOS, GNOS2, ISPARENT, GRUPKOD, KODS, EDITDAT, EDITLAIKS) ") + numbers(groups)
                   + QStringLiteral("SELECT 100 + N, 'Grupa ' || N, 'Group ' || N, IIF(N > 20, 100 + MOD(N, 20) + 1, 0), N, N, :D, "
                                    "'08:00:00' FROM S WHERE N <= %1")
                         .arg(groups),
               old);
    goods.exec(QStringLiteral("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS, GNOS2, ARTIKULS, ARTIKULS2, PARDCENA1, MERVIENIBA, LITRAZA, "
                              "WWW_COMENT, WWW_COMENT2, ISPAPILDGRUP3, EDITDAT) ")
                   + numbers(count)
                   + QStringLiteral("SELECT 1000 + N, 101 + MOD(N, %1), 'Prece ' || N, 'Goods ' || N, 'A' || N, '475' || N, "
                                    "MOD(N, 50) + 0.99, 'gab', 0.5, 'Apraksts ' || N, 'Description ' || N, 1, :D FROM S WHERE N <= %2")
                         .arg(groups)
                         .arg(count),
               old);
    goods.exec(QStringLiteral("INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) ") + numbers(count)
               + QStringLiteral("SELECT 1000 + N, 2, MOD(N, 17) + 1 FROM S WHERE N <= %1").arg(count));
    for (int a : {1, 2})
        goods.exec(QStringLiteral("INSERT INTO O_ATRIBUTI (ISPRECE, GRUPAS_ID, GNOS, VERTIBA, ATRIBUTS_OPCIJA) ") + numbers(count)
                   + QStringLiteral("SELECT 1000 + N, %1, 'Atribūts %1', 'V' || MOD(N, 20), 0 FROM S WHERE N <= %2").arg(a).arg(count));
    QList<QByteArray> pictures;
    for (int n = 1; n <= withPicture; ++n) {
        pictures << picture(1000 + n);
        goods.exec(QStringLiteral("UPDATE N_KLPREC SET BILDE=:B, EDITDAT=:D WHERE ISN=:ISN"),
                   {{QStringLiteral("B"), pictures.last()}, {QStringLiteral("ISN"), 1000 + n}, {QStringLiteral("D"), yesterday}});
    }
    goods.exec(QStringLiteral("INSERT INTO N_ISI2 (ISN, E_SHOP_FTP, E_SHOP_FTP_DIR, E_SHOP_FTP_USERNAME, E_SHOP_FTP_PASWORD, "
                              "E_SHOP_MYSQL_IP, E_SHOP_MYSQL_DB, E_SHOP_MYSQL_USERNAME, E_SHOP_MYSQL_PASWORD, E_SHOP_ISNODALA, "
                              "E_SHOP_ISNODALA_IN, WWW_KODS_GNOS, WWW_KODS_GNOS2) "
                              "VALUES (10, :F, '/image/catalog/images', :FU, :FP, :M, :DB, :MU, :MP, '2,', 2, 1, 2)"),
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
    auto option = [&registry](const QString& name, int value) {
        RegistryKey key(registry);
        key.OpenKey(QStringLiteral("WWWExp"), true);
        key.WriteInteger(name, value);
    };
    option(QStringLiteral("ExpTips"), 2);
    option(QStringLiteral("chkPreces"), 1);
    option(QStringLiteral("PrecesAllNew"), 0);
    TMainFormDati dati(log, dialogs, clock);
    if (!dati.ConnectDatabase(goods.path(), dir.path())) {
        std::fprintf(stderr, "cannot open the goods database\n");
        return 1;
    }
    ExchangeContext ctx{log, busy, registry, dati, dialogs, clock, report};
    WebShopExchange web(ctx);

    auto run = [&](const char* what) -> Figures {
        report.begin();
        resetPeak();
        QElapsedTimer t;
        t.start();
        const bool ran = web.SendKlasif();
        Figures f{t.nsecsElapsed() / 1e9, peakMb()};
        const QString all = log.lines().join(QLatin1Char('\n'));
        if (!ran || report.outcome(ran) != RunReport::Outcome::Done || !all.endsWith(QStringLiteral("WWW Saraksti aizsūtīti"))) {
            std::fprintf(stderr, "%s failed:\n%s\n", what, qPrintable(all.right(3000)));
            std::exit(1);
        }
        std::printf("  %-34s %8.2f s   peak %6.1f MB\n", what, f.seconds, f.peak);
        std::fflush(stdout);
        return f;
    };
    std::printf("Runs:\n");
    const Figures full = run("full export");
    const int products = mysql.scalar(shop.name(), QStringLiteral("SELECT COUNT(*) FROM product")).toInt();
    const Figures again = run("second full export (pictures there)");
    option(QStringLiteral("PrecesAllNew"), 1);
    {
        execSql(dati.PRECES_DB(), QStringLiteral("UPDATE N_KLPREC SET GNOS = GNOS || ' *' WHERE ISN BETWEEN 5001 AND 5100"));
        dati.CommitRetaining();
    }
    const Figures incremental = run("incremental, 100 changed goods");

    // The floor: the same rows of the four tables, as multi-row INSERTs of 500, and the
    // same pictures over one FtpClient.
    struct Table {
        QString name;
        QStringList columns;
        QList<QVariantList> rows;
    };
    QList<Table> tables;
    {
        QSqlDatabase src = mysql.connection(shop.name());
        for (const char* name : {"product", "product_description", "product_to_category", "seo_url"}) {
            Table t{QString::fromLatin1(name), {}, {}};
            QSqlQuery q(src);
            q.setForwardOnly(true);
            q.exec(QStringLiteral("SELECT * FROM %1").arg(t.name));
            const QSqlRecord rec = q.record();
            for (int i = 0; i < rec.count(); ++i)
                t.columns << rec.fieldName(i);
            while (q.next()) {
                QVariantList row;
                for (int i = 0; i < rec.count(); ++i)
                    row << q.value(i);
                t.rows << row;
            }
            tables << t;
        }
    }
    mysql.closeConnections();
    resetPeak();
    QElapsedTimer floorTimer;
    floorTimer.start();
    int floorRows = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("floor"));
        db.setHostName(mysql.host());
        db.setPort(mysql.port());
        db.setDatabaseName(floorDb.name());
        db.setUserName(floorDb.user());
        db.setPassword(floorDb.password());
        if (!db.open()) {
            std::fprintf(stderr, "floor connection: %s\n", qPrintable(db.lastError().text()));
            return 1;
        }
        for (const Table& t : tables) {
            const QString tuple = QLatin1Char('(') + QStringList(t.columns.size(), QStringLiteral("?")).join(QLatin1Char(',')) + QLatin1Char(')');
            for (qsizetype from = 0; from < t.rows.size(); from += 500) {
                const qsizetype n = std::min<qsizetype>(500, t.rows.size() - from);
                QSqlQuery q(db);
                q.prepare(QStringLiteral("INSERT INTO `%1` (`%2`) VALUES ").arg(t.name, t.columns.join(QStringLiteral("`,`")))
                          + QStringList(n, tuple).join(QLatin1Char(',')));
                for (qsizetype r = from; r < from + n; ++r)
                    for (const QVariant& v : t.rows.at(r))
                        q.addBindValue(v);
                if (!q.exec()) {
                    std::fprintf(stderr, "floor insert into %s: %s\n", qPrintable(t.name), qPrintable(q.lastError().text()));
                    return 1;
                }
                floorRows += int(n);
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("floor"));
    const double floorSql = floorTimer.nsecsElapsed() / 1e9;
    FtpClient client;
    client.settings().host = QStringLiteral("127.0.0.1");
    client.settings().port = ftp.port();
    client.settings().user = ftp.user();
    client.settings().password = ftp.password();
    client.settings().explicitTls = true;
    client.connect();
    for (int n = 0; n < pictures.size(); ++n)
        client.upload(QStringLiteral("/floor/BILDE_%1.JPG").arg(1001 + n), pictures.at(n));
    const Figures floor{floorTimer.nsecsElapsed() / 1e9, peakMb()};

    std::printf("Floor (%d rows in INSERTs of 500: %.2f s; %d uploads over one FtpClient: %.2f s)\n", floorRows, floorSql,
                int(pictures.size()), floor.seconds - floorSql);
    std::printf("  %-34s %8.2f s   peak %6.1f MB\n", "floor", floor.seconds, floor.peak);
    std::printf("Result: %d products\n", products);
    std::printf("  full / floor                %6.2f   (target <= 2)\n", full.seconds / floor.seconds);
    std::printf("  incremental / full          %6.1f %% (target <= 5 %%)\n", 100.0 * incremental.seconds / full.seconds);
    std::printf("  second full / floor         %6.2f\n", again.seconds / floor.seconds);
    std::printf("  peak memory                 %6.1f MB (target <= 400 MB)\n", std::max({full.peak, again.peak, incremental.peak}));
    return 0;
}
