#include "ListsFixture.h"

#include "support/ChildProcess.h"
#include "webshop/Kopklbilance.h"

#include <QDir>

class BalancesTest : public ListsFixture {};

TEST_F(BalancesTest, KopklbilanceCountsWholeDaysAfterTheOpeningDay)
{
    row("N_KLIENT", "ISN=50, PIRCEJS='T', SAKATLSUM=100, SAKATLDAT='01.12.2026'");
    row("O_PAVOUT", "ISKLIENT=50, DATUMS='01.12.2026 10:00', KOPSUMMA=1000");  // on the opening day
    row("O_PAVOUT", "ISKLIENT=50, DATUMS='02.12.2026', KOPSUMMA=50, PAVADZ_VAL=40");
    row("O_PAVOUT", "ISKLIENT=50, DATUMS='07.12.2026 15:00', KOPSUMMA=20, PAVADZ_VAL=16, NELEGALIZ='T', ISNODALA=9");
    row("O_PAVOUT", "ISKLIENT=50, DATUMS='08.12.2026', KOPSUMMA=500");
    row("O_APMAKS", "ISKLIENT=50, APMAKS_DAT='03.12.2026', APMAKS_SUM=30, PARPALIKUM=5, VAL_KURSS=2");
    row("O_ATGPAV", "ISKLIENT=50, DATUMS='04.12.2026', KOPSUMMA=10, VALUTA=8");
    row("N_KLIENT", "ISN=51, PIRCEJS='T'");
    row("O_PAVOUT", "ISKLIENT=51, DATUMS='02.12.2026', KOPSUMMA=0.1");
    row("O_PAVOUT", "ISKLIENT=51, DATUMS='02.12.2026', KOPSUMMA=0.2");
    row("N_KLIENT", "ISN=52, PIEGADAT='T'");
    row("O_PAVADZ", "ISKLIENT=52, DAT_SANEM='05.12.2026', KOPSUMMA=99.996");
    row("O_APMAKS", "ISKLIENT=52, APMAKS_DAT='05.12.2026', APMAKS_SUM=30, PARPALIKUM=10");
    row("O_ATGPAV", "ISKLIENT=52, DATUMS='06.12.2026', KOPSUMMA=15");
    connect();
    const QDate today(2026, 12, 7);
    struct Case {
        int partner;
        bool legalisedOnly;
        QDate date;
        const char* condition;
        bool foreign;
        double balance;
    } const cases[] = {
        {50, false, today, "", false, 125},               // 100 + 50 + 20 - (30 + 5) - 10
        {50, true, today, "", false, 105},                // without the unlegalised invoice
        {50, false, today, "ISNODALA=9", false, 120},     // appended to every document statement
        {50, false, QDate(2026, 12, 1), "", false, 100},  // the opening day itself
        {50, false, QDate(2026, 11, 30), "", false, 0},   // before the opening day
        {50, false, today, "", true, 130.5},              // 100 + 40 + 16 - 35 / 2 - 8
        {51, false, today, "", false, 0.3},
        {52, false, today, "", false, 45},                // supplier: 100 received - 40 paid - 15 returned
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(Kopklbilance(*dati, c.partner, false, c.legalisedOnly, c.date, c.condition, c.foreign), c.balance)
            << c.partner << " " << c.date.toString().toStdString() << " " << c.condition;
}

TEST_F(BalancesTest, OneAtlikumsRowPerWebCustomerAndNoOtherTransaction)
{
    webCustomer(60, {}, {}, "IDKODS='12'");
    row("O_PAVOUT", "ISKLIENT=60, DATUMS='07.12.2026 09:00', KOPSUMMA=45.504");
    row("O_APMAKS", "ISKLIENT=60, APMAKS_DAT='06.12.2026', APMAKS_SUM=10");
    webCustomer(61, {}, {}, "IDKODS='13'");
    int isn = 62;
    for (const char* code : {"'12a'", "' 14'", "''", "NULL", "'0'", "'123456789012'"})
        webCustomer(isn++, {}, {}, QString("IDKODS=") + code);
    row("N_KLIENT", "ISN=70, E_KLIENTS='F', IDKODS='15'");
    auto transaction = [this](int id, int customer, int order, const char* description) {
        shop->insert("customer_transaction", {{"customer_transaction_id", id}, {"customer_id", customer}, {"order_id", order},
                                              {"description", description}, {"amount", 1}});
    };
    transaction(5, 12, 0, "Atlikums");
    transaction(6, 12, 41, "Pasūtījums");
    transaction(7, 12, 42, "Atlikums");  // a second one, which the shop would add
    transaction(8, 14, 0, "Cits");
    transaction(9, 15, 0, "Cits");
    transaction(10, 0, 0, "Cits");
    for (int pass = 1; pass <= 2; ++pass) {
        SCOPED_TRACE(pass);
        report.begin();
        run(&WebShopExchange::SendPZVesture);
        EXPECT_EQ(shop->scalar("SELECT GROUP_CONCAT(CONCAT_WS(' ', customer_transaction_id, customer_id, order_id, description, "
                               "CAST(amount AS DOUBLE), DATE(date_added) = '2026-12-07') ORDER BY customer_transaction_id SEPARATOR '|') "
                               "FROM customer_transaction")
                      .toString(),
                  "5 12 0 Atlikums -35.5 0|8 14 0 Cits 1 0|9 15 0 Cits 1 0|10 0 0 Cits 1 0|11 13 0 Atlikums 0 1");
        EXPECT_EQ(logCount("WWW Klienta kods 123456789012 nav veikala klienta numurs, atlikums nav sūtīts"), pass);
        EXPECT_EQ(report.movedRecords(), 2);
    }
    EXPECT_TRUE(logHas("Sāk SendKlAtlikumiOC_3FD ..."));
    EXPECT_TRUE(logHas("WWW Klientu atlikumi 1/4"));
    EXPECT_TRUE(logHas("Beidz SendKlAtlikumiOC_3FD"));
}

TEST_F(BalancesTest, AShopRefusingTheLoginIsLeftAsItWasByBothEntries)
{
    webCustomer(30, 7, "a@pasts.lv", "IDKODS='2'");
    shopCustomer(2, 12, "a@pasts.lv");
    priced(10, "WEB_SALE='T', WEB_SALE_DATLIDZ='31.12.2026', PARDCENA10=3");
    shop->insert("product_special", {{"product_special_id", 500}, {"product_id", 99}, {"customer_group_id", 1}});
    shop->insert("customer_transaction", {{"customer_id", 2}, {"order_id", 4}, {"description", "Pasūtījums"}, {"amount", 5}});
    shopSettings({{"E_SHOP_MYSQL_PASWORD", "nepareiza"}});
    connect();
    const struct {
        bool (WebShopExchange::*entry)();
        const char* end;
        const char* mark;
    } entries[] = {{&WebShopExchange::SendKlasif, "WWW Saraksti aizsūtīti", "LastKlasif"},
                   {&WebShopExchange::SendPZVesture, "WWW Pavadzīmju vēsture/klientu atlikumi aizsūtīta", "LastPZVesture"}};
    for (const auto& e : entries) {
        report.begin();
        EXPECT_TRUE((web.get()->*e.entry)());
        EXPECT_TRUE(logHas(e.end));
        EXPECT_EQ(runMark(e.mark), clock.now());
        EXPECT_EQ(report.outcome(true), RunReport::Outcome::Failed);
    }
    EXPECT_EQ(logCount("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! "), 2);
    EXPECT_EQ(shop->count("product_special"), 1);
    EXPECT_EQ(shop->count("customer_transaction"), 1);
    EXPECT_EQ(goods->scalar("SELECT WEB_ID FROM N_KLIENT WHERE ISN=30").toInt(), 7);
    EXPECT_FALSE(runMark("LastSpecCenasOC_2").isValid());
}

// The program itself, as an operator's --run lists and --run balances.
TEST_F(BalancesTest, RunListsAndBalancesFillARealShop)
{
    const QDate today = QDate::currentDate();
    auto date = [](const QDate& d) { return d.toString("dd.MM.yyyy"); };
    webCustomer(30, 7, "a@pasts.lv", "IDKODS='2'");
    shopCustomer(2, 12, "a@pasts.lv");
    priced(10, QString("WEB_NEW='T', WEB_NEW_DATLIDZ='%1', PARDCENA1=5").arg(date(today.addDays(30))));
    row("O_PAVOUT", QString("ISKLIENT=30, DATUMS='%1', KOPSUMMA=12.5").arg(date(today)));
    {
        RegistryKey key(*registry);
        key.OpenKey("AutoProcess_Config", true);
        key.WriteString("DatuBaze", goods->path());
        key.WriteString("TempDir", dir.path());
    }
    registry->sync();
    goods->close();
    QDir(dir.path()).mkdir("run");
    for (const char* name : {"lists", "balances"}) {
        QProcess p;
        closeOnExec(p);
        p.setWorkingDirectory(dir.filePath("run"));
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(VARNIS_PROCESS_BIN, {"--config", registry->path(), "--run", name});
        ASSERT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
    }
    const QString dates = today.addDays(-1).toString("yyyy-MM-dd") + " " + today.addDays(31).toString("yyyy-MM-dd");
    EXPECT_EQ(specials(), (QStringList{"10 1 5 " + dates + " 888", "10 12 5 " + dates + " 888"}));
    EXPECT_EQ(shop->scalar("SELECT CONCAT(customer_id, ' ', description, ' ', CAST(amount AS DOUBLE)) FROM customer_transaction")
                  .toString(),
              "2 Atlikums -12.5");
    EXPECT_EQ(goods->scalar("SELECT WEB_ID FROM N_KLIENT WHERE ISN=30").toInt(), 12);
}
