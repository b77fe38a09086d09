// What --run NAME comes to for the web shop exchanges: the host's runner on the real
// exchange, a real goods database, shop database and picture FTP.
#include "support/FtpServer.h"
#include "support/HostFixture.h"
#include "support/MariaDbServer.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "host/ExchangeRunner.h"
#include "webshop/WebShopExchange.h"

using R = ExchangeRunner::Result;

class WebShopRunOutcome : public HostFixture {
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

    // The web shop entries go to the real exchange.
    struct WebShopOnly : RecordingExchanges {
        WebShopExchange* web = nullptr;
        bool SendAtlikumi() override { return web->SendAtlikumi(); }
        bool ReceiveData() override { return web->ReceiveData(); }
        bool SendKlasif() override { return web->SendKlasif(); }
        bool SendPZVesture() override { return web->SendPZVesture(); }
        bool ReceiveWebCustomers() override { return web->ReceiveWebCustomers(); }
    };

    GoodsDb goods;
    std::unique_ptr<ShopDb> shop;
    std::unique_ptr<ExchangeContext> ctx;
    std::unique_ptr<WebShopExchange> web;
    WebShopOnly routed;

    void SetUp() override
    {
        HostFixture::SetUp();
        shop = std::make_unique<ShopDb>(*mysql);
        goods.exec("INSERT INTO N_ISI2 (ISN, E_SHOP_FTP, E_SHOP_FTP_USERNAME, E_SHOP_FTP_PASWORD, E_SHOP_MYSQL_IP, "
                   "E_SHOP_MYSQL_DB, E_SHOP_MYSQL_USERNAME, E_SHOP_MYSQL_PASWORD, E_SHOP_ISNODALA, E_SHOP_ISNODALA_IN, "
                   "WWW_COMPLETED) VALUES (10, :F, :FU, :FP, :M, :DB, :MU, :MP, '2,', 2, 'Complete')",
                   {{"F", ftp->address()}, {"FU", ftp->user()}, {"FP", ftp->password()}, {"M", mysql->address()},
                    {"DB", shop->name()}, {"MU", shop->user()}, {"MP", shop->password()}});
        goods.exec("INSERT INTO N_DEPART (ISN, GNOS) VALUES (2, 'Noliktava')");
        goods.exec("INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (2, 'Grupa')");
        goods.exec("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS) VALUES (10, 2, 'Prece')");
        goods.exec("INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (10, 2, 4)");
        shop->insert("product", {{"product_id", 10}, {"quantity", 0}});
        shop->insert("order_status", {{"order_status_id", 5}, {"language_id", 1}, {"name", "Complete"}});
        goods.close();
        writeIni("[AutoProcess_Config]\nDatuBaze=" + goods.path().toUtf8() + "\nTempDir=/tmp\n[WWWExp]\nExpTips=1\n");
        ctx = std::make_unique<ExchangeContext>(
            ExchangeContext{host->log(), host->busy(), *registry, host->dati(), host->dialogs(), clock, host->report()});
        web = std::make_unique<WebShopExchange>(*ctx);
        routed.web = web.get();
        host->setExchanges(&routed);
        host->FormActivate();
    }

    void settings(const QString& assignments)
    {
        execSql(host->dati().PRECES_DB(), "UPDATE N_ISI2 SET " + assignments);
        host->dati().CommitRetaining();
    }
    void options(const QString& name, const QString& value)
    {
        RegistryKey key(*registry);
        key.OpenKey("WWWExp", true);
        key.WriteString(name, value);
        key.CloseKey();
    }
};

TEST_F(WebShopRunOutcome, ExitTellsDoneFailedRefusedAndNothingToDo)
{
    struct Case {
        const char* what;
        const char* name;
        QString settings;  // N_ISI2 assignments for this case, undone after it
        QString undo;
        QList<QPair<QString, QString>> options;
        enum { None, Busy, ShopDown } state;
        R expected;
        const char* line;  // a line the run logs
    };
    const QString good = "E_SHOP_ISNODALA='2,', E_SHOP_FTP='" + ftp->address() + "'";
    const QList<Case> cases = {
        {"stock done", "stock", {}, {}, {{"ExpTips", "1"}}, Case::None, R::Succeeded, "WWW Atlikumi aizsūtīti"},
        {"stock off", "stock", {}, {}, {{"ExpTips", "0"}}, Case::None, R::NothingToDo, "WWW Atlikumi aizsūtīti"},
        {"lists need ExpTips 2", "lists", {}, {}, {{"ExpTips", "1"}}, Case::None, R::NothingToDo, "WWW Saraksti aizsūtīti"},
        {"no list chosen", "lists", {}, {}, {{"ExpTips", "2"}}, Case::None, R::NothingToDo, "Beidz SendKlasifOC_3"},
        {"orders done", "orders", {}, {}, {{"ExpTips", "1"}}, Case::None, R::Succeeded, "WWW Dati saņemti"},
        {"orders off", "orders", {}, {}, {{"ExpTips", "0"}}, Case::None, R::NothingToDo, "WWW Dati saņemti"},
        {"customers done", "web-customers", {}, {}, {}, Case::None, R::Succeeded, "WWW OC2 Klienti saņemti "},
        {"customers, shop down", "web-customers", {}, {}, {}, Case::ShopDown, R::Failed,
         "Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! "},
        {"orders, shop down", "orders", {}, {}, {{"ExpTips", "1"}}, Case::ShopDown, R::Failed,
         "Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! "},
        {"department list", "stock", "E_SHOP_ISNODALA='2,x,'", good, {{"ExpTips", "1"}}, Case::None, R::Failed,
         "WWW Nepareizs atlikumu nodaļu saraksts"},
        {"shop down", "stock", {}, {}, {}, Case::ShopDown, R::Failed,
         "Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! "},
        {"missing setting", "stock", "E_SHOP_FTP=''", good, {}, Case::None, R::Failed, "Nav ievadīta FTP adrese !!!"},
        {"busy", "stock", {}, {}, {}, Case::Busy, R::Failed, "WWW Nepilda atlikumu sūtīšanu - pildās cits process"},
    };
    ExchangeRunner runner(*host);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.settings.isEmpty())
            settings(c.settings);
        for (const auto& o : c.options)
            options(o.first, o.second);
        if (c.state == Case::Busy)
            host->busy().set(true, "cits");
        if (c.state == Case::ShopDown)
            mysql->stop();
        const int before = logCount(c.line);
        EXPECT_EQ(runner.run(c.name), c.expected);
        EXPECT_EQ(logCount(c.line), before + 1);
        host->busy().set(false, "cits");
        mysql->start();
        if (!c.undo.isEmpty())
            settings(c.undo);
    }
    // The one run that was done wrote the stock.
    EXPECT_EQ(shop->scalar("SELECT quantity FROM product WHERE product_id=10").toInt(), 4);
}
