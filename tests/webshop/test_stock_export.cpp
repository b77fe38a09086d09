#include "WebShopFixture.h"

#include "support/HostFixture.h"
#include "webshop/StockExport.h"

#include <QRegularExpression>

class StockExportTest : public WebShopFixture {
protected:
    void SetUp() override
    {
        WebShopFixture::SetUp();
        group(2);
        group(3, "T");
        options({{"ExpTips", 1}});
    }
    void run()
    {
        if (!web)
            connect();
        ASSERT_TRUE(web->SendAtlikumi());
    }
    int count(const QString& table, const QString& where = {}) { return shop->count(table, where); }
};

TEST_F(StockExportTest, TotalsOfTheStockDepartmentsReachTheProducts)
{
    department(2, "Noliktava", 0);
    department(3, "Veikals", 0);
    department(4, "Cita", 0);
    good(10, 2);
    stock(10, 2, 4);
    stock(10, 3, 2);
    stock(10, 4, 100);     // not a stock department
    good(11, 2, {}, "T");  // not sent to the shop
    stock(11, 2, 5);
    good(12, 3);           // in a group that is not sent
    stock(12, 2, 5);
    good(13, 2);           // no stock row in the stock departments
    stock(13, 4, 9);
    good(14, 2);
    stock(14, 2, 0);
    product(10, 0);
    product(11, 1);
    product(12, 1);
    product(13, 42);
    product(14, 5);
    run();
    EXPECT_EQ(quantity(10), 6);
    EXPECT_EQ(quantity(11), 1);
    EXPECT_EQ(quantity(12), 1);
    EXPECT_EQ(quantity(13), 42);
    EXPECT_EQ(quantity(14), 0);
    EXPECT_EQ(count("product"), 5);

    EXPECT_TRUE(logHas("WWW Preču atlikumi (kopējie) 1/2"));
    EXPECT_TRUE(logHas("Kopēji atlikumi aizsūtīti"));
    EXPECT_TRUE(logHas("Nav ievadīts atlikuma atribūts, atlikumus pa nodaļām nesūtām"));
    EXPECT_FALSE(logHas("Sāku atlikumu sūtīīsanu pa nodaļām"));
    // The progress line took the place of the line before it on the page.
    EXPECT_FALSE(listLines().join('\n').contains("WWW Sāk atlikumu sūtīšanu ..."));
    EXPECT_TRUE(logHas("WWW Sāk atlikumu sūtīšanu ..."));
}

TEST_F(StockExportTest, ProgressEveryThousandRowsReplacesTheLastLine)
{
    department(2, "Noliktava", 0);
    const QString numbers = "WITH RECURSIVE A AS (SELECT 0 N FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM A WHERE N < 49), "
                            "S AS (SELECT A1.N * 50 + A2.N + 1 N FROM A A1, A A2) ";
    goods->exec("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS) " + numbers + "SELECT 1000 + N, 2, 'Prece' FROM S");
    goods->exec("INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) " + numbers + "SELECT 1000 + N, 2, MOD(N, 7) FROM S");
    shop->insertSelect("product", {"product_id", "quantity"}, "SELECT 1000 + seq, 99 FROM seq_1_to_2500");
    run();
    QStringList progress;
    for (const QString& line : fileLines())
        if (line.contains("WWW Preču atlikumi (kopējie) "))
            progress << line.mid(line.indexOf("WWW"));
    EXPECT_EQ(progress, (QStringList{"WWW Preču atlikumi (kopējie) 1/2500", "WWW Preču atlikumi (kopējie) 1000/2500",
                                     "WWW Preču atlikumi (kopējie) 2000/2500"}));
    const QStringList list = listLines();
    EXPECT_EQ(list.filter("WWW Preču atlikumi (kopējie)").size(), 1);
    EXPECT_EQ(shop->scalar("SELECT SUM(quantity) FROM product").toInt(),
              goods->scalar("SELECT SUM(ATLIKUMS) FROM O_TEKATLIK").toInt());
}

TEST_F(StockExportTest, AtLeastOneKeepsSmallStockAtOne)
{
    options({{"chkAtlik1UnVairak", "true"}});
    department(2, "Noliktava", 0);
    good(10, 2);
    stock(10, 2, 0.5);
    variantAttribute(10, 13, "M");
    good(11, 2);
    stock(11, 2, 5);
    variantAttribute(11, 13, "L");
    good(12, 2);  // no stock rows at all
    product(10, 0);
    product(11, 0);
    product(12, 42);
    product(99, 0);  // not a good of the goods database
    const int m = productOption(10, 13, {{10, "M"}}).first();
    const int l = productOption(11, 13, {{11, "L"}}).first();
    run();
    EXPECT_EQ(quantity(10), 1);
    EXPECT_EQ(valueQuantity(m), 1);
    EXPECT_EQ(quantity(11), 5);
    EXPECT_EQ(valueQuantity(l), 5);
    EXPECT_EQ(quantity(12), 1);
    EXPECT_EQ(quantity(99), 1);
    // Option values that were updated carry the subtract flag.
    EXPECT_EQ(count("product_option_value", "subtract=1"), 2);
}

TEST_F(StockExportTest, VariantOptionValuesGetTheVariantsStock)
{
    options({{"LautAr0Atlik", "true"}});
    department(2, "Noliktava", 0);
    department(3, "Veikals", 0);
    good(10, 2);
    stock(10, 2, 3);
    stock(10, 3, 1);
    variantAttribute(10, 13, "M");
    good(11, 2);
    stock(11, 2, 6);
    variantAttribute(11, 13, "");             // empty value: nothing changes
    variantAttribute(11, QVariant(QMetaType(QMetaType::Int)), "L");  // no option: nothing changes
    good(12, 2);
    stock(12, 2, 2);
    variantAttribute(12, 14, "XXL");          // found by the value's name
    good(13, 2);
    stock(13, 2, 8);
    variantAttribute(13, 14, "Zaļš", 0);      // a plain attribute, not a variant
    for (int p : {10, 11, 12, 13})
        product(p, 0);
    const int m = productOption(10, 13, {{10, "M"}}).first();
    const int eleven = productOption(11, 13, {{11, "L"}}).first();
    const int xl = productOption(12, 14, {{500, "XL"}, {501, "XXL"}}).first();
    const int green = productOption(13, 14, {{502, "Zaļš"}}).first();
    run();
    EXPECT_EQ(valueQuantity(m), 4);
    EXPECT_EQ(valueQuantity(eleven), 77);
    EXPECT_EQ(valueQuantity(xl), 77);
    EXPECT_EQ(valueQuantity(xl + 1), 2);
    EXPECT_EQ(valueQuantity(green), 77);
    // Ordering without stock allowed: written with subtract 0.
    EXPECT_EQ(shop->scalar("SELECT subtract FROM product_option_value WHERE product_option_value_id=:id", {{"id", m}}).toInt(), 0);
    EXPECT_EQ(quantity(11), 6);
}

TEST_F(StockExportTest, GroupingWritesTheGroupTotalToEachProductAndEachVariantToItsValue)
{
    options({{"chkPrecGrupet7Artikuls", "true"}});
    department(2, "Noliktava", 0);
    department(3, "Veikals", 0);
    good(20, 2, "KR-01");
    stock(20, 2, 3);
    variantAttribute(20, 13, "S");
    good(21, 2, "KR-01");
    stock(21, 3, 4);
    variantAttribute(21, 13, "M");
    good(22, 2, "KR-01");  // no stock rows: not among the rows, keeps its quantity
    good(23, 2, "KR-01", "T");
    stock(23, 2, 100);     // not sent: left out of the total
    // An article holding a quote is bound, not pasted: it neither breaks nor changes the statement.
    good(30, 2, "AB'7");
    stock(30, 2, 2);
    variantAttribute(30, 13, "S");
    good(31, 2, "AB'7");
    stock(31, 2, 3);
    variantAttribute(31, 13, "M");
    good(32, 2, "X' OR ''='");
    stock(32, 2, 1);
    for (int p : {20, 21, 22, 23, 30, 31, 32})
        product(p, 5);
    // The catalogue keys each variant's option value by the variant good.
    const QList<int> kr = productOption(20, 13, {{20, "S"}, {21, "M"}});
    const QList<int> ab = productOption(30, 13, {{30, "S"}, {31, "M"}});
    run();
    EXPECT_EQ(quantity(20), 7);
    EXPECT_EQ(quantity(21), 7);
    EXPECT_EQ(quantity(22), 5);
    EXPECT_EQ(quantity(23), 5);
    EXPECT_EQ(valueQuantity(kr[0]), 3);
    EXPECT_EQ(valueQuantity(kr[1]), 4);
    EXPECT_EQ(quantity(30), 5);
    EXPECT_EQ(quantity(31), 5);
    EXPECT_EQ(valueQuantity(ab[0]), 2);
    EXPECT_EQ(valueQuantity(ab[1]), 3);
    EXPECT_EQ(quantity(32), 1);
    EXPECT_TRUE(logHas("Kopēji atlikumi aizsūtīti"));
}

TEST_F(StockExportTest, ProductMissingInTheShopIsLeftOutAndTheRunGoesOn)
{
    shopSettings({{"E_SHOP_ATLIK_ATRIBUTS", 20}});
    department(2, "Noliktava", 9001);
    languages({1});
    good(40, 2);
    stock(40, 2, 3);
    variantAttribute(40, 13, "M");
    good(41, 2);
    stock(41, 2, 8);
    product(41, 0);
    run();
    EXPECT_EQ(count("product"), 1);
    EXPECT_EQ(quantity(41), 8);
    EXPECT_EQ(count("product_option", "product_id=40"), 0);
    EXPECT_EQ(count("product_option_value", "product_id=40"), 0);
    EXPECT_EQ(count("product_option_value", "product_id=41 AND quantity=8"), 1);
    EXPECT_TRUE(logHas("Atlikumi pa nodaļām iesūtīti"));
}

TEST_F(StockExportTest, DepartmentStockBecomesOptionValuesOnceAndIsUpdated)
{
    shopSettings({{"E_SHOP_ATLIK_ATRIBUTS", 20}, {"E_SHOP_ISNODALA", "2,3,4,"}});
    department(2, "Centrālā noliktava", 9001);
    department(3, "Veikals Rīgā", 9002);
    department(4, "Bez koda", 0);
    languages({1, 2});
    good(10, 2);
    stock(10, 2, 5);
    stock(10, 3, 2);
    stock(10, 4, 8);
    good(11, 2);
    stock(11, 2, 1);
    product(10, 0);
    product(11, 0);
    run();
    EXPECT_EQ(quantity(10), 15);
    EXPECT_EQ(count("option_value"), 2);
    EXPECT_EQ(count("option_value", "option_id=20 AND option_value_id IN (9001, 9002) AND sort_order=1"), 2);
    EXPECT_EQ(count("option_value_description"), 4);
    EXPECT_EQ(shop->scalar("SELECT name FROM option_value_description WHERE option_value_id=9002 AND language_id=2").toString(),
              "Veikals Rīgā");
    EXPECT_EQ(count("product_option", "option_id=20 AND required=1"), 2);
    EXPECT_EQ(count("product_option_value"), 3);
    EXPECT_EQ(count("product_option_value", "option_value_id=0"), 0);
    auto stockOf = [this](int product, int value) {
        return shop->scalar("SELECT quantity FROM product_option_value WHERE product_id=:p AND option_value_id=:v",
                            {{"p", product}, {"v", value}})
            .toInt();
    };
    EXPECT_EQ(stockOf(10, 9001), 5);
    EXPECT_EQ(stockOf(10, 9002), 2);
    EXPECT_EQ(stockOf(11, 9001), 1);
    EXPECT_EQ(count("product_option_value", "subtract=1"), 3);
    EXPECT_TRUE(logHas("Sāku atlikumu sūtīīsanu pa nodaļām ..."));
    EXPECT_TRUE(logHas("Preču atlikumi nodaļās 1/4"));
    EXPECT_TRUE(logHas("Atlikumi pa nodaļām iesūtīti"));

    // A second run inserts nothing new and writes the quantities again.
    shop->exec("UPDATE product_option_value SET quantity=0");
    run();
    EXPECT_EQ(count("option_value"), 2);
    EXPECT_EQ(count("option_value_description"), 4);
    EXPECT_EQ(count("product_option"), 2);
    EXPECT_EQ(count("product_option_value"), 3);
    EXPECT_EQ(stockOf(10, 9001), 5);
    EXPECT_EQ(stockOf(11, 9001), 1);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

// The shop's tables declare NOT NULL columns without defaults that the option inserts leave
// out; on a strict server only the shop's own session mode lets them pass, also after the
// server closed an idle session and the driver opened a new one.
TEST_F(StockExportTest, OptionInsertsPassOnAStrictServerInTheShopsSessionMode)
{
    EXPECT_TRUE(shop->scalar("SELECT @@GLOBAL.sql_mode").toString().contains("STRICT_TRANS_TABLES"));
    shopSettings({{"E_SHOP_ATLIK_ATRIBUTS", 20}, {"E_SHOP_ISNODALA", "2,3,"}});
    department(2, "Noliktava", 9001);
    department(3, "Veikals", 9002);
    languages({1});
    good(10, 2);
    stock(10, 2, 5);
    product(10, 0);
    run();
    EXPECT_EQ(count("option_value", "option_value_id=9001 AND image=''"), 1);
    EXPECT_EQ(count("product_option", "product_id=10 AND value=''"), 1);
    EXPECT_EQ(count("product_option_value", "product_id=10 AND quantity=5 AND price=0 AND price_prefix=''"), 1);
    EXPECT_FALSE(logHas("default value"));

    // The server ends the idle session; the next run, inserting afresh, goes on in a new one.
    const int session = shop->scalar("SELECT ID FROM information_schema.PROCESSLIST WHERE USER=:u", {{"u", shop->user()}}).toInt();
    ASSERT_GT(session, 0);
    shop->exec("KILL " + QString::number(session));
    shop->exec("DELETE FROM option_value");
    shop->exec("DELETE FROM product_option");
    shop->exec("DELETE FROM product_option_value");
    run();
    EXPECT_EQ(count("product_option_value", "product_id=10 AND option_value_id=9001 AND quantity=5"), 1);
    SqlQuery mode(web->connection().database(), "SELECT @@SESSION.sql_mode");
    mode.open();
    EXPECT_EQ(mode.value(0).toString(), WebShopConnection::sessionSqlMode());
    EXPECT_FALSE(logHas("default value"));
}

TEST_F(StockExportTest, AFailedDescriptionInsertIsShownAndTheRunGoesOn)
{
    shopSettings({{"E_SHOP_ATLIK_ATRIBUTS", 20}});
    department(2, "Noliktava", 9001);
    languages({1, 2});
    good(10, 2);
    stock(10, 2, 5);
    product(10, 0);
    // The value's key in language 1 is taken by another option: the insert must fail.
    shop->exec("INSERT INTO option_value_description (option_value_id, language_id, option_id, name) VALUES (9001, 1, 99, 'Cits')");
    run();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith("Kļūda ievietojot tabulā option_value_description (1) \n "));
    EXPECT_TRUE(dialogs.messages[0].contains("Duplicate entry"));
    EXPECT_EQ(count("option_value_description", "option_value_id=9001 AND language_id=2 AND option_id=20"), 1);
    EXPECT_EQ(count("product_option_value", "product_id=10 AND option_value_id=9001 AND quantity=5"), 1);
    EXPECT_TRUE(logHas("Atlikumi pa nodaļām iesūtīti"));
}

TEST_F(StockExportTest, DepartmentListIsReadAsKeysOnly)
{
    QList<int> keys;
    EXPECT_TRUE(StockExport::parseDepartments("2,3,4,", keys));
    EXPECT_EQ(keys, (QList<int>{2, 3, 4}));
    EXPECT_TRUE(StockExport::parseDepartments("2,3", keys));  // the last key keeps its place
    EXPECT_EQ(keys, (QList<int>{2, 3}));
    EXPECT_FALSE(StockExport::parseDepartments("2) OR (1=1,", keys));
    EXPECT_FALSE(StockExport::parseDepartments(",", keys));

    department(2, "Noliktava", 0);
    good(10, 2);
    stock(10, 2, 4);
    product(10, 0);
    shopSettings({{"E_SHOP_ISNODALA", "2,x,"}});
    run();
    EXPECT_TRUE(logHas("WWW Nepareizs atlikumu nodaļu saraksts E_SHOP_ISNODALA: '2,x,', atlikumi nav sūtīti"));
    EXPECT_EQ(quantity(10), 0);
    EXPECT_TRUE(logHas("WWW Atlikumi aizsūtīti"));
}

// Through the scheduler's tick, as the host runs it.
class StockThroughScheduler : public HostFixture {
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
        delete mysql;
    }

    // The web shop entries go to the real exchange, everything else is recorded.
    struct WebShopOnly : RecordingExchanges {
        WebShopExchange* web = nullptr;
        bool SendAtlikumi() override
        {
            calls << "SendAtlikumi";
            return web->SendAtlikumi();
        }
    };

    GoodsDb goods;
    std::unique_ptr<ShopDb> shop;
    std::unique_ptr<ExchangeContext> ctx;
    std::unique_ptr<WebShopExchange> web;
    WebShopOnly routed;
};

TEST_F(StockThroughScheduler, ServerStoppedMidRunReachesTheTimerLineAndTheNextRunCompletes)
{
    shop = std::make_unique<ShopDb>(*mysql);
    goods.exec("INSERT INTO N_ISI2 (ISN, E_SHOP_FTP, E_SHOP_FTP_USERNAME, E_SHOP_FTP_PASWORD, E_SHOP_MYSQL_IP, E_SHOP_MYSQL_DB, "
               "E_SHOP_MYSQL_USERNAME, E_SHOP_MYSQL_PASWORD, E_SHOP_ISNODALA, E_SHOP_ISNODALA_IN) "
               "VALUES (10, :F, :FU, :FP, :M, :DB, :MU, :MP, '2,', 5)",
               {{"F", ftp->address()}, {"FU", ftp->user()}, {"FP", ftp->password()}, {"M", mysql->address()},
                {"DB", shop->name()}, {"MU", shop->user()}, {"MP", shop->password()}});
    goods.exec("INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (2, 'Grupa')");
    for (int p : {10, 11, 12}) {
        goods.exec("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS) VALUES (:P, 2, 'Prece')", {{"P", p}});
        goods.exec("INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (:P, 2, :A)", {{"P", p}, {"A", p}});
        shop->insert("product", {{"product_id", p}, {"quantity", 0}});
    }
    goods.close();
    writeIni("[AutoProcess_Config]\nDatuBaze=" + goods.path().toUtf8()
             + "\nTempDir=/tmp\nNeveiktLaiksNo=00:00\nNeveiktLaiksLidz=00:00\nEdisoftAutoImport=false\nTelemaaAutoImports=false\n"
               "[AutoProcess_WWWExp]\nAutoPrecuAtlikumi=2\nAtlikumiTime=2\nAtlikPlkst=10:00\n"
               "[WWWExp]\nExpTips=1\n");
    ctx = std::make_unique<ExchangeContext>(
        ExchangeContext{host->log(), host->busy(), *registry, host->dati(), host->dialogs(), clock, host->report()});
    web = std::make_unique<WebShopExchange>(*ctx);
    routed.web = web.get();
    host->setExchanges(&routed);
    host->FormActivate();

    // The server goes away right after the first progress line, before the first update.
    bool stopped = false;
    QObject::connect(&host->log(), &ProcessLog::lastLineChanged, [&] {
        if (!stopped && host->log().lines().last().contains("WWW Preču atlikumi (kopējie) 1/3")) {
            stopped = true;
            mysql->stop();
        }
    });
    clock.advance(3 * 60000);
    const QDateTime due = sch().nextTime(Scheduled::Stock);
    sch().WWWDatuApmainaTimer();
    ASSERT_TRUE(stopped);
    EXPECT_TRUE(logHas("Kļūda pie WWWDatuApmainaTimer !!!"));
    EXPECT_FALSE(logHas("WWW Atlikumi aizsūtīti"));
    EXPECT_FALSE(host->busy().isSet());
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), due);  // stays due
    EXPECT_TRUE(sch().WWWDatuApmaina.enabled());

    mysql->start();
    clock.advance(60000);
    sch().WWWDatuApmainaTimer();
    EXPECT_TRUE(logHas("WWW Atlikumi aizsūtīti"));
    EXPECT_EQ(shop->scalar("SELECT SUM(quantity) FROM product").toInt(), 33);
    EXPECT_GT(sch().nextTime(Scheduled::Stock), clock.now());
    EXPECT_EQ(routed.calls, (QStringList{"SendAtlikumi", "SendAtlikumi"}));
}
