#pragma once

#include "PeakMemory.h"

#include "support/FtpServer.h"
#include "support/GoodsDb.h"
#include "support/MariaDbServer.h"
#include "support/Recorders.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "host/ProcessLog.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"
#include "webshop/WebShopExchange.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

// The web shop exchange as the host makes it, for a benchmark: a private MariaDB holding the
// shop, the picture FTP server, a goods database file filled by the caller, then open().
class ShopBench {
public:
    QTemporaryDir dir;
    MariaDbServer mysql;
    FtpServer ftp;
    ShopDb shop{mysql};
    GoodsDb goods;

    // Numbers 1..rows (up to 1,000,000) as S.N; Firebird recursion stops at 1024 levels.
    static QString numbers(int rows)
    {
        return QStringLiteral("WITH RECURSIVE A AS (SELECT 0 N FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM A WHERE N < 99), "
                              "S AS (SELECT A1.N * 10000 + A2.N * 100 + A3.N + 1 N FROM A A1, A A2, A A3 "
                              "WHERE A1.N * 10000 < %1) ")
            .arg(rows);
    }

    // The shop settings and options, then the goods database opened by the data module.
    bool open(const QVariantHash& options)
    {
        goods.exec(QStringLiteral("INSERT INTO N_DEPART (ISN, GNOS, E_SHOP_KODS, CENKODS) VALUES (5, 'Interneta veikals', 0, 1)"));
        goods.exec(QStringLiteral("INSERT INTO N_ISI2 (ISN, E_SHOP_FTP, E_SHOP_FTP_USERNAME, E_SHOP_FTP_PASWORD, E_SHOP_MYSQL_IP, "
                                  "E_SHOP_MYSQL_DB, E_SHOP_MYSQL_USERNAME, E_SHOP_MYSQL_PASWORD, E_SHOP_ISNODALA, E_SHOP_ISNODALA_IN) "
                                  "VALUES (10, :F, :FU, :FP, :M, :DB, :MU, :MP, '5,', 5)"),
                   {{QStringLiteral("F"), ftp.address()}, {QStringLiteral("FU"), ftp.user()},
                    {QStringLiteral("FP"), ftp.password()}, {QStringLiteral("M"), mysql.address()},
                    {QStringLiteral("DB"), shop.name()}, {QStringLiteral("MU"), shop.user()},
                    {QStringLiteral("MP"), shop.password()}});
        goods.close();
        mysql.closeConnections();
        log = std::make_unique<ProcessLog>(clock, dir.filePath(QStringLiteral("VarnisProcess.log")));
        log->setProcessEvents(false);
        registry = std::make_unique<Registry>(dir.filePath(QStringLiteral("VARNIS-A.ini")));
        {
            RegistryKey key(*registry);
            key.OpenKey(QStringLiteral("WWWExp"), true);
            for (auto it = options.constBegin(); it != options.constEnd(); ++it)
                key.WriteString(it.key(), it.value().toString());
        }
        dati = std::make_unique<TMainFormDati>(*log, dialogs, clock);
        if (!dati->ConnectDatabase(goods.path(), dir.path())) {
            std::fprintf(stderr, "cannot open the goods database\n");
            return false;
        }
        ctx = std::make_unique<ExchangeContext>(ExchangeContext{*log, busy, *registry, *dati, dialogs, clock, report});
        web = std::make_unique<WebShopExchange>(*ctx);
        return true;
    }

    // Runs an entry; its wall time in seconds and its peak memory, or -1 when it failed.
    double timed(bool (WebShopExchange::*entry)(), const QString& endLine, double& peakMb)
    {
        report.begin();
        PeakMemory::reset();
        QElapsedTimer t;
        t.start();
        const bool ran = (web.get()->*entry)();
        const double seconds = t.nsecsElapsed() / 1e9;
        peakMb = PeakMemory::megabytes();
        if (!ran || report.outcome(true) != RunReport::Outcome::Done || !log->lines().join(QLatin1Char('\n')).contains(endLine)) {
            std::fprintf(stderr, "the job failed:\n%s\n", qPrintable(log->lines().join(QLatin1Char('\n'))));
            return -1;
        }
        return seconds;
    }

    // A plain connection of its own for the floor, as the job's user.
    QSqlDatabase floorConnection()
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("floor"));
        db.setHostName(mysql.host());
        db.setPort(mysql.port());
        db.setDatabaseName(shop.name());
        db.setUserName(shop.user());
        db.setPassword(shop.password());
        if (!db.open())
            std::fprintf(stderr, "floor connection: %s\n", qPrintable(db.lastError().text()));
        return db;
    }

    SystemClock clock;
    std::unique_ptr<ProcessLog> log;
    RecordingDialogs dialogs;
    BusyFlag busy;
    RunReport report;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<TMainFormDati> dati;
    std::unique_ptr<ExchangeContext> ctx;
    std::unique_ptr<WebShopExchange> web;
};
