#pragma once

#include "support/FtpServer.h"
#include "support/GoodsDb.h"
#include "support/MariaDbServer.h"
#include "support/Recorders.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "host/ProcessLog.h"
#include "platform/BusyFlag.h"
#include "platform/RunReport.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "webshop/WebShopExchange.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

// A web shop exchange on a real goods database, a private MariaDB holding the shop
// schema and a real FTP server for pictures. The servers live for a test suite; the
// databases are made afresh for every test.
class WebShopFixture : public ::testing::Test {
protected:
    static inline MariaDbServer* mysql = nullptr;
    static inline FtpServer* ftp = nullptr;

    static void SetUpTestSuite()
    {
        mysql = new MariaDbServer;
        ftp = new FtpServer;
    }
    static void TearDownTestSuite()
    {
        delete ftp;
        ftp = nullptr;
        delete mysql;
        mysql = nullptr;
    }

    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};
    RecordingDialogs dialogs;
    BusyFlag busy;
    RunReport report;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<GoodsDb> goods;
    std::unique_ptr<ShopDb> shop;
    std::unique_ptr<TMainFormDati> dati;
    std::unique_ptr<ExchangeContext> ctx;
    std::unique_ptr<WebShopExchange> web;

    void SetUp() override
    {
        log.setProcessEvents(false);
        // A test that stopped a server leaves it to the next one to start again.
        mysql->start();
        ftp->start();
        registry = std::make_unique<Registry>(dir.filePath("VARNIS-A.ini"));
        goods = std::make_unique<GoodsDb>();
        shop = std::make_unique<ShopDb>(*mysql);
        shopSettings();
    }

    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "Process log:\n" << log.lines().join('\n').toStdString() << "\n";
        web.reset();
        ctx.reset();
        dati.reset();
    }

    // The N_ISI2 shop settings pointing at the test servers; extra columns override.
    void shopSettings(const QVariantHash& overrides = {})
    {
        QVariantHash v = {
            {"E_SHOP_FTP", ftp->address()},
            {"E_SHOP_FTP_DIR", "/image/catalog/images"},
            {"E_SHOP_FTP_USERNAME", ftp->user()},
            {"E_SHOP_FTP_PASWORD", ftp->password()},
            {"E_SHOP_MYSQL_IP", mysql->address()},
            {"E_SHOP_MYSQL_DB", shop->name()},
            {"E_SHOP_MYSQL_USERNAME", shop->user()},
            {"E_SHOP_MYSQL_PASWORD", shop->password()},
            {"E_SHOP_ISNODALA", "2,3,"},
            {"E_SHOP_ISNODALA_IN", 5},
            {"E_SHOP_ATLIK_ATRIBUTS", 0},
        };
        for (auto it = overrides.constBegin(); it != overrides.constEnd(); ++it)
            v[it.key()] = it.value();
        goods->exec("DELETE FROM N_ISI2");
        QStringList columns = {"ISN"};
        QStringList values = {"10"};
        for (auto it = v.constBegin(); it != v.constEnd(); ++it) {
            columns << it.key();
            values << ":" + it.key();
        }
        goods->exec("INSERT INTO N_ISI2 (" + columns.join(", ") + ") VALUES (" + values.join(", ") + ")", v);
    }

    // Changes settings after the host connected: written in its own transaction and kept.
    void changeSettings(const QString& assignments)
    {
        execSql(dati->PRECES_DB(), "UPDATE N_ISI2 SET " + assignments);
        dati->CommitRetaining();
    }

    void options(const QVariantHash& values)
    {
        RegistryKey key(*registry);
        key.OpenKey("WWWExp", true);
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            key.WriteString(it.key(), it.value().toString());
        key.CloseKey();
    }

    // Goods-database set-up, before connect().
    void department(int isn, const QString& name, int shopCode)
    {
        goods->exec("INSERT INTO N_DEPART (ISN, GNOS, E_SHOP_KODS) VALUES (:ISN, :GNOS, :KODS)",
                    {{"ISN", isn}, {"GNOS", name}, {"KODS", shopCode}});
    }
    void group(int isn, const QString& hidden = "F")
    {
        goods->exec("INSERT INTO N_PRGRUP (ISN, GNOS, WEB_NESUTIT) VALUES (:ISN, :GNOS, :H)",
                    {{"ISN", isn}, {"GNOS", QString("Grupa %1").arg(isn)}, {"H", hidden}});
    }
    void good(int isn, int grp, const QString& artikuls7 = {}, const QString& hidden = "F")
    {
        goods->exec("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS, ARTIKULS, ARTIKULS7, WEB_NESUTIT) "
                    "VALUES (:ISN, :G, :GNOS, :A, :A7, :H)",
                    {{"ISN", isn}, {"G", grp}, {"GNOS", QString("Prece %1").arg(isn)}, {"A", QString::number(100000 + isn)},
                     {"A7", artikuls7.isNull() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(artikuls7)},
                     {"H", hidden}});
    }
    void stock(int isPrece, int isNodala, double quantity)
    {
        goods->exec("INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (:P, :N, :A)",
                    {{"P", isPrece}, {"N", isNodala}, {"A", quantity}});
    }
    void variantAttribute(int isPrece, const QVariant& grupasId, const QString& vertiba, int opcija = 1)
    {
        goods->exec("INSERT INTO O_ATRIBUTI (ISPRECE, GRUPAS_ID, GNOS, VERTIBA, ATRIBUTS_OPCIJA) VALUES (:P, :G, 'Izmērs', :V, :O)",
                    {{"P", isPrece}, {"G", grupasId}, {"V", vertiba}, {"O", opcija}});
    }

    // Shop set-up.
    void product(int id, int quantity)
    {
        shop->insert("product", {{"product_id", id}, {"model", QString::number(100000 + id)}, {"quantity", quantity}, {"status", 1}});
    }
    int quantity(int productId)
    {
        return shop->scalar("SELECT quantity FROM product WHERE product_id=:id", {{"id", productId}}).toInt();
    }
    // A product option with one value per (option value id, name); returns the product_option_value ids.
    QList<int> productOption(int productId, int optionId, const QList<QPair<int, QString>>& values, int quantity = 77)
    {
        shop->insert("product_option", {{"product_id", productId}, {"option_id", optionId}, {"required", 1}});
        const int productOptionId = shop->scalar("SELECT MAX(product_option_id) FROM product_option").toInt();
        QList<int> ids;
        for (const auto& v : values) {
            if (shop->count("option_value", QString("option_value_id=%1").arg(v.first)) == 0) {
                shop->insert("option_value", {{"option_value_id", v.first}, {"option_id", optionId}, {"sort_order", 0}});
                for (int language : {1, 2})
                    shop->exec("INSERT INTO option_value_description (option_value_id, language_id, option_id, name) "
                               "VALUES (:v, :l, :o, :n)",
                               {{"v", v.first}, {"l", language}, {"o", optionId}, {"n", v.second}});
            }
            shop->insert("product_option_value", {{"product_option_id", productOptionId}, {"product_id", productId},
                                                  {"option_id", optionId}, {"option_value_id", v.first}, {"quantity", quantity},
                                                  {"subtract", 0}});
            ids << shop->scalar("SELECT MAX(product_option_value_id) FROM product_option_value").toInt();
        }
        return ids;
    }
    int valueQuantity(int productOptionValueId)
    {
        return shop->scalar("SELECT quantity FROM product_option_value WHERE product_option_value_id=:id", {{"id", productOptionValueId}})
            .toInt();
    }
    void languages(std::initializer_list<int> ids)
    {
        for (int id : ids)
            shop->insert("language", {{"language_id", id}, {"name", QString("Valoda %1").arg(id)}, {"code", QString("l%1").arg(id)},
                                      {"status", 1}});
    }

    // Opens the goods database as the host does and makes the exchange.
    void connect()
    {
        goods->close();
        dati = std::make_unique<TMainFormDati>(log, dialogs, clock);
        ASSERT_TRUE(dati->ConnectDatabase(goods->path(), dir.path()));
        ctx = std::make_unique<ExchangeContext>(ExchangeContext{log, busy, *registry, *dati, dialogs, clock, report});
        web = std::make_unique<WebShopExchange>(*ctx);
    }

    // The list on the page: long lines split, progress lines replacing the line before.
    QStringList listLines() const { return log.lines(); }
    // Whole lines, as the log file has them.
    QStringList fileLines() const
    {
        QFile f(log.filePath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    bool logHas(const QString& fragment) const { return logCount(fragment) > 0; }
    int logCount(const QString& fragment) const
    {
        int n = 0;
        for (const QString& line : fileLines())
            n += line.contains(fragment) ? 1 : 0;
        return n;
    }

    QDateTime runMark(const QString& name)
    {
        RegistryKey key(*registry);
        if (!key.OpenKey("AutoProcess_WWWExp", false) || !key.ValueExists(name))
            return {};
        return key.ReadDateTime(name);
    }
};
