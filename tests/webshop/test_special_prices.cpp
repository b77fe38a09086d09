#include "ListsFixture.h"

#include "webshop/SpecialPrices.h"

#include <algorithm>

// Today is 07.12.2026 (the fixture's clock); rows start yesterday.
using SpecialPricesTest = ListsFixture;

static QStringList sorted(QStringList l)
{
    std::sort(l.begin(), l.end());
    return l;
}

TEST_F(SpecialPricesTest, NewSaleAndDepartmentRowsReachEveryShopperAndEveryWebGroup)
{
    goods->exec("UPDATE N_DEPART SET CENKODS=2 WHERE ISN=5");  // the shop sells at level 2
    priced(10, "WEB_NEW='T', WEB_NEW_DATLIDZ='07.12.2026 15:00', PARDCENA1=99, PARDCENA2=5");
    priced(11, "WEB_NEW='T', WEB_NEW_DATLIDZ='06.12.2026 23:00', PARDCENA2=5");
    priced(12, "WEB_SALE='T', WEB_SALE_DATLIDZ='31.12.2026', PARDCENA10=3");
    priced(13, "WEB_NEW='T', WEB_NEW_DATLIDZ='10.12.2026', WEB_SALE='T', WEB_SALE_DATLIDZ='20.12.2026', PARDCENA2=8, PARDCENA10=6");
    priced(14, "WEB_SALE='T', WEB_SALE_DATLIDZ='31.12.2026', PARDCENA10=0");
    priced(15, "WEB_NEW='T', WEB_NEW_DATLIDZ='31.12.2026', PARDCENA2=5, WEB_NESUTIT='T'");
    priced(16, "WEB_NEW='T', WEB_NEW_DATLIDZ='31.12.2026', PARDCENA2=5", 3);
    priced(20, "PARDCENA2=10, PARDCENA3=7");
    // Specials of good 20 priced by their FLAG; from the sixth on none gives a row (no level, no
    // price, no or a past end, another department).
    for (const char* special :
         {"FLAG=2, ATLAIDE=-10", "FLAG=3, CENA_1=3", "FLAG=1, CENA_1=8.5", "FLAG=NULL, CENA_1=8.25", "FLAG=7, ATLAIDE=-90, CENA_1=8.75",
          "FLAG=3, CENA_1=16", "FLAG=3, CENA_1=0", "FLAG=1, CENA_1=NULL", "FLAG=2, ATLAIDE=-100", "CENA_1=4, DAT_LIDZ=NULL",
          "CENA_1=4, DAT_LIDZ='06.12.2026'", "CENA_1=4, ISKLIENT=4"})
        row("O_SPECCENAS", QString("ISPRECE=20, ISKLIENT=5, KLIENTNODALAFLAG=2, DAT_LIDZ='31.12.2026', ") + special);
    // Served groups: 7 and 8; not 1, NULL or 0, nor a group of a customer who is not a web customer.
    webCustomer(30, 7, {});
    webCustomer(31, 8, {});
    webCustomer(32, 1, {});
    webCustomer(33, {}, {});
    webCustomer(34, 0, {});
    row("N_KLIENT", "ISN=35, GNOS='Cits', E_KLIENTS='F', WEB_ID=9");
    shop->insert("product_special", {{"product_special_id", 500}, {"product_id", 99}, {"customer_group_id", 1}});
    run(&WebShopExchange::SendKlasif);

    const QStringList groupOne = {"10 1 5 2026-12-06 2026-12-08 888",    "12 1 3 2026-12-06 2027-01-01 3",
                                  "13 1 6 2026-12-06 2026-12-21 3",      "13 1 8 2026-12-06 2026-12-11 888",
                                  "20 1 7 2026-12-06 2027-01-01 3",      "20 1 8.25 2026-12-06 2027-01-01 3",
                                  "20 1 8.5 2026-12-06 2027-01-01 3",    "20 1 8.75 2026-12-06 2027-01-01 3",
                                  "20 1 9 2026-12-06 2027-01-01 3"};
    EXPECT_EQ(sorted(specials("customer_group_id=1")), groupOne);
    EXPECT_EQ(shop->count("product_special"), 27);
    EXPECT_EQ(shop->scalar("SELECT GROUP_CONCAT(DISTINCT customer_group_id ORDER BY 1) FROM product_special").toString(), "1,7,8");
    QStringList groupEight = groupOne;
    for (QString& r : groupEight)
        r.replace(r.indexOf(' '), 3, " 8 ");
    EXPECT_EQ(sorted(specials("customer_group_id=8")), groupEight);
    EXPECT_EQ(shop->scalar("SELECT CONCAT(MIN(product_special_id), '-', MAX(product_special_id)) FROM product_special").toString(),
              "1-27");
    EXPECT_TRUE(logHas("WWW Ieraksti: 1 no 1; Paka: 27"));
    EXPECT_TRUE(logHas("WWW Nav atrasts klients Web datos : Klients 30"));
    EXPECT_EQ(runMark("LastSpecCenasOC_2"), clock.now());
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Done);
}

TEST_F(SpecialPricesTest, CustomerAndGoodsGroupPricesByTheirRules)
{
    webCustomer(30, 7, {});
    webCustomer(31, {}, {});
    webCustomer(32, 1, {});
    struct Case {
        const char* good;
        const char* special;
        const char* row;  // price, start, end; empty: none
    };
    const Case cases[] = {
        {"PARDCENA1=10", "FLAG=2, ATLAIDE=-10", "9 1900-01-01 3000-12-31"},
        {"PARDCENA1=10", "FLAG=2, ATLAIDE=NULL", "10 1900-01-01 3000-12-31"},
        {"PARDCENA2=7.5", "FLAG=3, CENA_1=2, DAT_NO='01.12.2026 10:00', DAT_LIDZ='31.12.2026 15:00'", "7.5 2026-12-01 2026-12-31"},
        {"PARDCENA15=4", "FLAG=3, CENA_1=15", "4 1900-01-01 3000-12-31"},
        {"PARDCENA1=10", "FLAG=3, CENA_1=16", ""},
        {"PARDCENA1=10", "FLAG=3, CENA_1=2.5", ""},
        {"PARDCENA1=10", "FLAG=1, CENA_1=NULL", ""},
        {"PARDCENA1=10", "FLAG=NULL, CENA_1=4", "4 1900-01-01 3000-12-31"},
        {"PARDCENA1=10", "FLAG=7, CENA_1=4.5, DAT_LIDZ='31.01.2027'", "4.5 1900-01-01 2027-01-31"},
        {"WEB_SALE='T', PARDCENA10=6", "FLAG=1, CENA_1=8", "6 1900-01-01 3000-12-31"},
        {"WEB_SALE='T', PARDCENA10=6", "FLAG=1, CENA_1=5", "5 1900-01-01 3000-12-31"},
        {"WEB_SALE='T', PARDCENA10=0", "FLAG=1, CENA_1=8", "8 1900-01-01 3000-12-31"},
        {"PARDCENA1=10, WEB_NESUTIT='T'", "FLAG=1, CENA_1=3", ""},
        {"PARDCENA1=10", "FLAG=1, CENA_1=9.5", "8 1900-01-01 3000-12-31"},  // the department's -20 of two
        {"PARDCENA1=10", "FLAG=1, CENA_1=9.5", "9.5 1900-01-01 3000-12-31"},  // its special has ended
    };
    QStringList expected;
    int isn = 40;
    for (const Case& c : cases) {
        priced(++isn, c.good);
        row("O_SPECCENAS", QString("ISPRECE=%1, ISKLIENT=30, ").arg(isn) + c.special);
        if (*c.row)
            expected << QString("%1 7 %2 1").arg(isn).arg(c.row);
    }
    for (const char* dept : {"ISPRECE=54, ATLAIDE=-5, DAT_LIDZ='31.12.2026'", "ISPRECE=54, ATLAIDE=-20, DAT_LIDZ='07.12.2026'",
                             "ISPRECE=55, ATLAIDE=-20, DAT_LIDZ='06.12.2026'"})
        row("O_SPECCENAS", QString("ISKLIENT=5, KLIENTNODALAFLAG=2, FLAG=2, ") + dept);
    row("O_SPECCENAS", "ISPRECE=41, ISKLIENT=31, FLAG=1, CENA_1=1");
    row("O_SPECCENAS", "ISPRECE=41, ISKLIENT=32, FLAG=1, CENA_1=1");
    // Goods-group prices: every sendable good of the group.
    goods->exec("INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (4, 'Kafija')");
    priced(60, "PARDCENA1=10", 4);
    priced(61, "PARDCENA1=20, WEB_SALE='T', PARDCENA10=9", 4);
    priced(62, "PARDCENA1=30, WEB_NESUTIT='T'", 4);
    row("O_CENASPRGRUPAS", "ISPRGRUPA=4, ISKLIENT=30, FLAG=2, ATLAIDE=-50, DAT_NO='01.12.2026'");
    row("O_CENASPRGRUPAS", "ISPRGRUPA=4, ISKLIENT=31, FLAG=1, CENA_1=1");
    run(&WebShopExchange::SendKlasif);
    EXPECT_EQ(specials("priority=1"), expected);
    EXPECT_EQ(specials("priority=2"), (QStringList{"60 7 5 2026-12-01 3000-12-31 2", "61 7 9 2026-12-01 3000-12-31 2"}));
}

TEST_F(SpecialPricesTest, WebIdsFollowTheShopAccountOfTheFirstBranchEmail)
{
    webCustomer(30, 3, "Laura.K@Inbox.LV ");   // letter case and a blank
    webCustomer(31, {}, "o'brien@pasts.lv");  // a quote
    webCustomer(32, 5, {}, "GNOS='Bērziņš ''Mazais'''");  // no branch: keeps its group
    webCustomer(33, {}, "");                   // no e-mail: no shop customer without one
    webCustomer(34, 9, "pirma@pasts.lv");
    goods->exec("INSERT INTO N_KL_STRV (ISKLIENT, GNOS, E_MAIL1) VALUES (34, 'Otrā', 'otra@pasts.lv')");
    webCustomer(35, 6, "noklusetais@pasts.lv");  // a shop account in the default group
    shopCustomer(2, 12, "laura.k@inbox.lv");
    shopCustomer(3, 13, "o'brien@pasts.lv");
    shopCustomer(4, 14, "");
    shopCustomer(5, 15, "pirma@pasts.lv");
    shopCustomer(6, 16, "otra@pasts.lv");
    shopCustomer(7, 1, "noklusetais@pasts.lv");
    priced(10, "WEB_SALE='T', WEB_SALE_DATLIDZ='31.12.2026', PARDCENA10=3");
    row("O_SPECCENAS", "ISPRECE=10, ISKLIENT=35, FLAG=1, CENA_1=1");
    run(&WebShopExchange::SendKlasif);
    EXPECT_EQ(goods->scalar("SELECT LIST(COALESCE(WEB_ID, -1), ',') FROM (SELECT WEB_ID FROM N_KLIENT WHERE ISN>=30 ORDER BY ISN)")
                  .toString(),
              "12,13,5,-1,15,1");
    EXPECT_EQ(shop->scalar("SELECT GROUP_CONCAT(customer_group_id ORDER BY 1) FROM product_special").toString(), "1,5,12,13,15");
    EXPECT_EQ(logCount("WWW Nav atrasts klients Web datos : "), 2);
    EXPECT_TRUE(logHas("WWW Nav atrasts klients Web datos : Bērziņš 'Mazais'"));
    EXPECT_TRUE(logHas("WWW Nav atrasts klients Web datos : Klients 33"));
}

TEST_F(SpecialPricesTest, ReducedPriceColumnForAListedInstallationOnly)
{
    priced(70, "PARDCENA1=10, PARDCENA11=8");
    priced(71, "PARDCENA1=10, PARDCENA11=12");
    priced(72, "PARDCENA1=10, PARDCENA11=8, WEB_SALE='T', WEB_SALE_DATLIDZ='31.12.2026', PARDCENA10=9");
    priced(73, "PARDCENA1=10, PARDCENA11=0");
    run(&WebShopExchange::SendKlasif);
    EXPECT_EQ(specials(), QStringList{"72 1 9 2026-12-06 2027-01-01 3"});  // no web customers: group 1 only

    dati->ISIREGNR = "40003";
    ASSERT_EQ(web->LoadSettings(), 1);
    SpecialPrices(*ctx, web->connection(), web->settings(), {"40103", "40003"}).run();
    EXPECT_EQ(specials("priority=999"), QStringList{"70 1 8 2026-12-06 2050-12-31 999"});
}

TEST_F(SpecialPricesTest, BatchesOfFiveHundredAndARerunThatDoublesNothing)
{
    webCustomer(30, 7, {});
    const QString numbers = "WITH RECURSIVE A AS (SELECT 0 N FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM A WHERE N < 39), "
                            "S AS (SELECT A1.N * 40 + A2.N N FROM A A1, A A2 WHERE A1.N < 30) ";
    goods->exec("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS, PARDCENA1) " + numbers + "SELECT 1000 + N, 2, 'Prece', 10 FROM S");
    goods->exec("INSERT INTO O_SPECCENAS (ISPRECE, ISKLIENT, FLAG, CENA_1) " + numbers + "SELECT 1000 + N, 30, 1, 9 FROM S");
    for (int pass = 1; pass <= 2; ++pass) {
        SCOPED_TRACE(pass);
        run(&WebShopExchange::SendKlasif);
        EXPECT_EQ(shop->scalar("SELECT CONCAT(COUNT(*), ' ', MIN(product_special_id), ' ', MAX(product_special_id)) "
                               "FROM product_special")
                      .toString(),
                  "1200 1 1200");
        EXPECT_EQ(logCount("WWW Ieraksti: 3 no 3; Paka: 200"), pass);
    }
    EXPECT_TRUE(logHas("WWW Ieraksti: 1 no 3; Paka: 500"));
    EXPECT_TRUE(logHas("WWW Speciālās cenas precēm 1/1200"));
    EXPECT_TRUE(logHas("WWW Speciālās cenas precēm 1000/1200"));
    EXPECT_EQ(listLines().filter("WWW Speciālās cenas precēm").size(), 2);  // one line each run
}

TEST_F(SpecialPricesTest, AServerStoppedWhileWritingKeepsTheOldSpecialsAndARerunCompletes)
{
    webCustomer(30, 7, {});
    priced(10, "PARDCENA1=10");
    row("O_SPECCENAS", "ISPRECE=10, ISKLIENT=30, FLAG=1, CENA_1=9");
    shop->insert("product_special", {{"product_special_id", 500}, {"product_id", 99}, {"customer_group_id", 1}});
    connect();
    bool stopped = false;
    QObject::connect(&log, &ProcessLog::lastLineChanged, [&] {
        if (!stopped && log.lines().last().contains("WWW Ieraksti: 1 no 1")) {
            stopped = true;
            mysql->stop();
        }
    });
    EXPECT_ANY_THROW(web->SendKlasif());
    ASSERT_TRUE(stopped);
    busy.set(false);  // as the timer's guard does
    mysql->start();
    EXPECT_EQ(specials(), QStringList{"99 1 0 0000-00-00 0000-00-00 1"});
    EXPECT_FALSE(runMark("LastSpecCenasOC_2").isValid());
    run(&WebShopExchange::SendKlasif);
    EXPECT_EQ(specials(), QStringList{"10 7 9 1900-01-01 3000-12-31 1"});
}
