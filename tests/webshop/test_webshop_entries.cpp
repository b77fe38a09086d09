#include "WebShopFixture.h"

#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>

namespace {

const QString kNotAvailable = QStringLiteral(" - nav pieejams šajā versijā (not available in this build)");

}  // namespace

class WebShopEntries : public WebShopFixture {
protected:
    // One good with stock 7 in department 2 and its shop product at 3.
    void oneGood()
    {
        department(2, "Noliktava", 0);
        group(2);
        good(10, 2);
        stock(10, 2, 7);
        product(10, 3);
    }
    bool allFour()
    {
        bool ran = web->SendAtlikumi();
        ran = web->ReceiveData() && ran;
        ran = web->SendKlasif() && ran;
        ran = web->SendPZVesture() && ran;
        return ran;
    }
};

TEST_F(WebShopEntries, EachMissingSettingStopsEveryEntryWithItsCodeAndLine)
{
    oneGood();
    options({{"ExpTips", 2}});
    connect();
    struct Case {
        QString assignment;
        int code;
        QString line;
    };
    const QList<Case> cases = {
        {"E_SHOP_FTP=''", -1, "Nav ievadīta FTP adrese !!!"},
        {"E_SHOP_FTP_USERNAME=NULL", -2, "Nav ievadīts FTP lietotāja vārds !!!"},
        {"E_SHOP_FTP_PASWORD=''", -3, "Nav ievadīts FTP lietotāja parole !!!"},
        {"E_SHOP_ISNODALA=''", -4, "Nav izvēlēta atlikumu nodaļa !!!"},
        // Also the stock export stops, though it does not use the order department.
        {"E_SHOP_ISNODALA_IN=0", -6, "Nav izvēlēta nodaļa, kurā importēt !!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.assignment.toStdString());
        changeSettings(c.assignment);
        EXPECT_EQ(web->LoadSettings(), c.code);
        const int before = logCount(c.line);
        EXPECT_FALSE(web->SendAtlikumi());
        EXPECT_FALSE(web->ReceiveData());
        EXPECT_FALSE(web->SendKlasif());
        EXPECT_FALSE(web->SendPZVesture());
        EXPECT_EQ(logCount(c.line), before + 4);
        EXPECT_FALSE(busy.isSet());
        // Put the value back for the next case.
        changeSettings(QString("E_SHOP_FTP='%1', E_SHOP_FTP_USERNAME='%2', E_SHOP_FTP_PASWORD='%3', E_SHOP_ISNODALA='2,', "
                               "E_SHOP_ISNODALA_IN=5")
                           .arg(ftp->address(), ftp->user(), ftp->password()));
    }
    // The first missing one is reported when several are.
    changeSettings("E_SHOP_FTP_PASWORD='', E_SHOP_ISNODALA_IN=0");
    EXPECT_EQ(web->LoadSettings(), -3);

    EXPECT_FALSE(logHas("WWW Sāk"));
    EXPECT_FALSE(runMark("LastAtlikumi").isValid());
    EXPECT_FALSE(runMark("LastReceive").isValid());
    EXPECT_FALSE(runMark("LastKlasif").isValid());
    EXPECT_FALSE(runMark("LastPZVesture").isValid());
    EXPECT_EQ(quantity(10), 3);
    // The MySQL settings are not checked by the loader.
    changeSettings(QString("E_SHOP_FTP_PASWORD='%1', E_SHOP_ISNODALA_IN=5, E_SHOP_MYSQL_IP='', E_SHOP_MYSQL_DB=''")
                       .arg(ftp->password()));
    EXPECT_EQ(web->LoadSettings(), 1);
}

TEST_F(WebShopEntries, ExpTipsDecidesWhichJobsRun)
{
    oneGood();
    options({{"ExpTips", 0}, {"chkPreces", "true"}, {"chkKlienti", "true"}, {"chkSpecCenas", "true"}});
    connect();

    // 0: every entry runs its frame, writes its mark and sends nothing.
    EXPECT_TRUE(allFour());
    for (const char* line : {"WWW Sāk atlikumu sūtīšanu ...", "WWW Atlikumi aizsūtīti", "WWW Sāk saņemt datus ...",
                             "WWW Dati saņemti", "WWW Sāk sarakstu sūtīšanu ... ExpTips=0", "WWW Saraksti aizsūtīti",
                             "WWW Sāk pavadzīmju vēstures/klientu atlikumu sūtīšanu ... ExpTips=0",
                             "WWW Pavadzīmju vēsture/klientu atlikumi aizsūtīta"})
        EXPECT_EQ(logCount(line), 1) << line;
    for (const char* mark : {"LastAtlikumi", "LastReceive", "LastKlasif", "LastPZVesture"})
        EXPECT_EQ(runMark(mark), clock.now()) << mark;
    EXPECT_FALSE(logHas("Kopēji atlikumi aizsūtīti"));
    EXPECT_FALSE(logHas(kNotAvailable));
    EXPECT_EQ(quantity(10), 3);
    EXPECT_FALSE(busy.isSet());

    // 1: stock and orders only.
    options({{"ExpTips", 1}});
    clock.advance(60000);
    log.WriteLog("--- ExpTips 1");
    EXPECT_TRUE(allFour());
    EXPECT_EQ(quantity(10), 7);
    EXPECT_EQ(logCount("Kopēji atlikumi aizsūtīti"), 1);
    EXPECT_EQ(logCount("WWW OC2 Klienti saņemti "), 1);  // the order import ran
    EXPECT_FALSE(logHas("Sāk SendKlasifOC_3"));
    EXPECT_FALSE(logHas("SendKlAtlikumiOC_3FD"));
    EXPECT_TRUE(logHas("WWW Sāk sarakstu sūtīšanu ... ExpTips=1"));
    for (const char* mark : {"LastAtlikumi", "LastReceive", "LastKlasif", "LastPZVesture"})
        EXPECT_EQ(runMark(mark), clock.now()) << mark;

    // 2: the lists job runs its parts in order between its own lines, and the balances job runs.
    options({{"ExpTips", 2}, {"chkKlienti", "false"}});
    goods->exec("UPDATE N_KLPREC SET WEB_SALE='T', WEB_SALE_DATLIDZ='31.12.2026', PARDCENA10=2 WHERE ISN=10");
    clock.advance(60000);
    log.WriteLog("--- ExpTips 2");
    EXPECT_TRUE(allFour());
    QStringList lines = fileLines();
    lines = lines.mid(lines.indexOf(QRegularExpression(".*--- ExpTips 2")));
    auto at = [&lines](const QString& text) {
        return lines.indexOf(QRegularExpression(".*" + QRegularExpression::escape(text) + "$"));
    };
    EXPECT_LT(at("WWW Sāk sarakstu sūtīšanu ... ExpTips=2"), at("Sāk SendKlasifOC_3 ..."));
    EXPECT_LT(at("Sāk SendKlasifOC_3 ..."), at("WWW Sāk SendPrecesOC_3_FD ..."));
    EXPECT_LT(at("WWW Sāk SendPrecesOC_3_FD ..."), at("WWW Beidz SendPrecesOC_3_FD"));
    EXPECT_LT(at("WWW Beidz SendPrecesOC_3_FD"), at("WWW Ieraksti: 1 no 1; Paka: 1"));
    EXPECT_LT(at("WWW Ieraksti: 1 no 1; Paka: 1"), at("Beidz SendKlasifOC_3"));
    EXPECT_LT(at("Beidz SendKlasifOC_3"), at("WWW Saraksti aizsūtīti"));
    EXPECT_EQ(at("SendKlientiOC_3" + kNotAvailable), -1);
    EXPECT_LT(at("Sāk SendKlAtlikumiOC_3FD ..."), at("Beidz SendKlAtlikumiOC_3FD"));
    EXPECT_GE(at("Sāk SendKlAtlikumiOC_3FD ..."), 0);
}

TEST_F(WebShopEntries, BusyFlagRefusesEveryEntry)
{
    oneGood();
    options({{"ExpTips", 2}});
    connect();
    busy.set(true, "tmrEquinoxTimer");
    EXPECT_FALSE(web->SendAtlikumi());
    EXPECT_FALSE(web->ReceiveData());
    EXPECT_FALSE(web->SendKlasif());
    EXPECT_FALSE(web->SendPZVesture());
    EXPECT_TRUE(logHas("WWW Nepilda atlikumu sūtīšanu - pildās cits process"));
    EXPECT_TRUE(logHas("WWW Nepilda datu saņemšanu - pildās cits process"));
    EXPECT_TRUE(logHas("WWW Nepilda sarakstu sūtīšanu - pildās cits process"));
    EXPECT_TRUE(logHas("WWW Nepilda pavadzīmju vēstures/klientu atlikumu sūtīšanu - pildās cits process"));
    EXPECT_TRUE(busy.isSet());  // someone else's flag stays
    EXPECT_FALSE(runMark("LastAtlikumi").isValid());
    EXPECT_EQ(quantity(10), 3);
}

TEST_F(WebShopEntries, OptionsAreReadOneByOneAndKeepWhatIsMissing)
{
    oneGood();
    connect();
    // No key at all: no error, everything off.
    EXPECT_EQ(web->LoadSettings(), 1);
    EXPECT_EQ(web->options().ExpTips, 0);
    EXPECT_FALSE(web->options().chkAtlik1UnVairak);

    options({{"LautAr0Atlik", "true"}, {"chkAtlik1UnVairak", "1"}, {"chkPrecGrupet7Artikuls", "kļūda"},
             {"PrecesAllNew", "3"}, {"XML_UTF8", "true"}, {"chkPreces", "true"}, {"chkKlienti", "false"},
             {"chkSpecCenas", "true"}, {"ExpTips", "2"}, {"chkVisusAttelus", "true"}, {"NotServiceMode", "true"},
             {"PrGrupaTrimKods", "true"}, {"PrInos", "true"}, {"TranspNoWeb", "true"}});
    EXPECT_EQ(web->LoadSettings(), 1);
    WebShopOptions o = web->options();
    EXPECT_TRUE(o.LautAr0Atlik);
    EXPECT_TRUE(o.chkAtlik1UnVairak);
    EXPECT_FALSE(o.chkPrecGrupet7Artikuls);  // malformed: left as it was
    EXPECT_EQ(o.PrecesAllNew, 3);
    EXPECT_TRUE(o.XML_UTF8);
    EXPECT_TRUE(o.chkPreces);
    EXPECT_FALSE(o.chkKlienti);
    EXPECT_TRUE(o.chkSpecCenas);
    EXPECT_EQ(o.ExpTips, 2);
    EXPECT_TRUE(o.chkVisusAttelus);
    EXPECT_TRUE(o.NotServiceMode);
    EXPECT_TRUE(o.PrGrupaTrimKods);
    EXPECT_TRUE(o.PrInos);
    EXPECT_TRUE(o.TranspNoWeb);

    // Values gone from the key keep their last values; values changed are taken.
    {
        RegistryKey key(*registry);
        key.OpenKey("WWWExp", true);
        registry->settings().remove("WWWExp/ExpTips");
        registry->settings().remove("WWWExp/LautAr0Atlik");
        key.WriteString("chkPreces", "false");
        key.WriteString("chkPrecGrupet7Artikuls", "true");
    }
    EXPECT_EQ(web->LoadSettings(), 1);
    o = web->options();
    EXPECT_EQ(o.ExpTips, 2);
    EXPECT_TRUE(o.LautAr0Atlik);
    EXPECT_FALSE(o.chkPreces);
    EXPECT_TRUE(o.chkPrecGrupet7Artikuls);
}

TEST_F(WebShopEntries, SettingsAreCopiedAndTheStockOptionTakenOnlyAboveZero)
{
    connect();
    changeSettings("E_SHOP_ATLIK_ATRIBUTS=20, E_SHOP_ISNOD_AKCIJAS='3,', E_SHOP_FTP_DIR='/image/x'");
    EXPECT_EQ(web->LoadSettings(), 1);
    const ShopSettings& s = web->settings();
    EXPECT_EQ(s.E_SHOP_FTP, ftp->address());
    EXPECT_EQ(s.E_SHOP_FTP_DIR, "/image/x");
    EXPECT_EQ(s.E_SHOP_FTP_USERNAME, ftp->user());
    EXPECT_EQ(s.E_SHOP_FTP_PASWORD, ftp->password());
    EXPECT_EQ(s.E_SHOP_MYSQL_IP, mysql->address());
    EXPECT_EQ(s.E_SHOP_MYSQL_DB, shop->name());
    EXPECT_EQ(s.E_SHOP_MYSQL_USERNAME, shop->user());
    EXPECT_EQ(s.E_SHOP_MYSQL_PASWORD, shop->password());
    EXPECT_EQ(s.E_SHOP_ISNODALA, "2,3,");
    EXPECT_EQ(s.E_SHOP_ISNODALA_IN, 5);
    EXPECT_EQ(s.E_SHOP_ATLIK_ATRIBUTS, "20");
    EXPECT_EQ(s.E_SHOP_ISNOD_AKCIJAS, "3,");
    changeSettings("E_SHOP_ATLIK_ATRIBUTS=-4");
    web->LoadSettings();
    EXPECT_EQ(web->settings().E_SHOP_ATLIK_ATRIBUTS, "");
    changeSettings("E_SHOP_ATLIK_ATRIBUTS=NULL");
    web->LoadSettings();
    EXPECT_EQ(web->settings().E_SHOP_ATLIK_ATRIBUTS, "");
}

TEST_F(WebShopEntries, ServerAndPortAreSplitAtTheFirstColon)
{
    auto m = WebShopConnection::splitMysqlAddress("shop.example.lv:3307");
    EXPECT_EQ(m.host, "shop.example.lv");
    EXPECT_EQ(m.port, 3307);
    m = WebShopConnection::splitMysqlAddress("shop.example.lv");
    EXPECT_EQ(m.host, "shop.example.lv");
    EXPECT_EQ(m.port, -1);

    auto f = WebShopConnection::splitFtpAddress("ftp.example.lv: 2121 ");
    EXPECT_EQ(f.host, "ftp.example.lv");
    EXPECT_EQ(f.port, 2121);
    f = WebShopConnection::splitFtpAddress("ftp.example.lv");
    EXPECT_EQ(f.host, "ftp.example.lv");
    EXPECT_EQ(f.port, -1);
    // "ftps:" keeps the whole text as the host, colon or not.
    f = WebShopConnection::splitFtpAddress("ftps://ftp.example.lv:990");
    EXPECT_EQ(f.host, "ftps://ftp.example.lv:990");
    EXPECT_EQ(f.port, -1);

    // On the real connection: host and port from the setting; a bare host sets no port.
    connect();
    web->LoadSettings();
    WebShopConnection& c = web->connection();
    EXPECT_EQ(c.ShopConnect(web->settings()), 0);
    QSqlDatabase db = QSqlDatabase::database(c.connectionName(), false);
    EXPECT_EQ(db.hostName(), "127.0.0.1");
    EXPECT_EQ(db.port(), mysql->port());
    EXPECT_FALSE(db.isOpen());  // the test connects and lets go again
    // Jobs connect on use, speaking UTF-8.
    SqlQuery cs(c.database(), "SELECT @@character_set_connection CS");
    cs.open();
    EXPECT_TRUE(cs.asString("CS").startsWith("utf8")) << cs.asString("CS").toStdString();
    changeSettings("E_SHOP_MYSQL_IP='127.0.0.1'");
    web->LoadSettings();
    c.ShopConnect(web->settings());
    EXPECT_EQ(QSqlDatabase::database(c.connectionName(), false).port(), -1);
}

TEST_F(WebShopEntries, ShopDatabaseDownOrRefusingEndsTheJobButNotTheEntry)
{
    oneGood();
    options({{"ExpTips", 1}});
    shopSettings({{"E_SHOP_MYSQL_PASWORD", "nepareiza"}});
    connect();
    EXPECT_TRUE(web->SendAtlikumi());
    EXPECT_TRUE(logHas("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! "));
    EXPECT_TRUE(logHas("Access denied"));
    EXPECT_FALSE(logHas("Kopēji atlikumi aizsūtīti"));
    EXPECT_TRUE(logHas("WWW Atlikumi aizsūtīti"));
    EXPECT_EQ(runMark("LastAtlikumi"), clock.now());
    EXPECT_FALSE(busy.isSet());
    EXPECT_EQ(quantity(10), 3);

    // A port that is not a number is the same kind of failure.
    changeSettings(QString("E_SHOP_MYSQL_PASWORD='%1', E_SHOP_MYSQL_IP='127.0.0.1:trīs'").arg(shop->password()));
    EXPECT_TRUE(web->SendAtlikumi());
    EXPECT_TRUE(logHas("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! Nepareizs MySQL servera ports: 'trīs'"));

    // The server stopped: the same line, and the next run after it is back sends.
    changeSettings(QString("E_SHOP_MYSQL_IP='%1'").arg(mysql->address()));
    mysql->stop();
    const int before = logCount("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! ");
    EXPECT_TRUE(web->SendAtlikumi());
    EXPECT_EQ(logCount("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! "), before + 1);
    EXPECT_FALSE(logHas("Kopēji atlikumi aizsūtīti"));
    mysql->start();
    EXPECT_EQ(quantity(10), 3);
    EXPECT_TRUE(web->SendAtlikumi());
    EXPECT_EQ(quantity(10), 7);
}

TEST_F(WebShopEntries, PictureFtpDownIsRetriedOnceThenReported)
{
    oneGood();
    options({{"ExpTips", 1}});
    connect();
    ftp->stop();
    EXPECT_TRUE(web->SendAtlikumi());
    EXPECT_EQ(logCount("Pievienoties pie FTP neizdevās !!!"), 1);
    EXPECT_FALSE(logHas("Kopēji atlikumi aizsūtīti"));
    EXPECT_TRUE(logHas("WWW Atlikumi aizsūtīti"));
    EXPECT_EQ(runMark("LastAtlikumi"), clock.now());
    EXPECT_EQ(quantity(10), 3);
    EXPECT_FALSE(web->connection().ftp().isConnected());

    // Back again: the next run connects, sends, and from then on the FTP stays logged in.
    ftp->start();
    EXPECT_TRUE(web->SendAtlikumi());
    EXPECT_EQ(quantity(10), 7);
    EXPECT_TRUE(web->connection().ftp().isConnected());
    EXPECT_TRUE(web->connection().ftp().settings().explicitTls);
}

TEST_F(WebShopEntries, RetryGoesWithoutTlsWhenTheServerOffersNone)
{
    oneGood();
    options({{"ExpTips", 1}});
    FtpServer plain(FtpServer::Mode::Plain);
    shopSettings({{"E_SHOP_FTP", plain.address()}, {"E_SHOP_FTP_USERNAME", plain.user()},
                  {"E_SHOP_FTP_PASWORD", plain.password()}});
    connect();
    EXPECT_TRUE(web->SendAtlikumi());
    EXPECT_FALSE(logHas("Pievienoties pie FTP neizdevās !!!"));
    EXPECT_EQ(quantity(10), 7);
    EXPECT_TRUE(web->connection().ftp().isConnected());
    EXPECT_FALSE(web->connection().ftp().settings().explicitTls);

    // The next connect starts with TLS again: a TLS server after a plain one still gets TLS.
    web->connection().ftp().disconnect();
    EXPECT_EQ(web->connection().FtpConnect(web->settings()), 0);
    web->connection().ftp().disconnect();
    changeSettings(QString("E_SHOP_FTP='%1', E_SHOP_FTP_USERNAME='%2', E_SHOP_FTP_PASWORD='%3'")
                       .arg(ftp->address(), ftp->user(), ftp->password()));
    web->LoadSettings();
    EXPECT_EQ(web->connection().FtpConnect(web->settings()), 0);
    EXPECT_TRUE(web->connection().ftp().settings().explicitTls);
}

TEST_F(WebShopEntries, FtpsAddressIsTakenWholeAndFails)
{
    oneGood();
    options({{"ExpTips", 1}});
    shopSettings({{"E_SHOP_FTP", "ftps://" + ftp->address()}});
    connect();
    EXPECT_TRUE(web->SendAtlikumi());
    EXPECT_EQ(logCount("Pievienoties pie FTP neizdevās !!!"), 1);
    EXPECT_EQ(web->connection().ftp().settings().host, "ftps://" + ftp->address());
    EXPECT_EQ(quantity(10), 3);
}

TEST_F(WebShopEntries, CustomerImportButtonLoadsSettingsThenRunsTheImport)
{
    connect();
    EXPECT_TRUE(web->ReceiveWebCustomers());
    EXPECT_EQ(logCount("WWW OC2 Klienti saņemti "), 1);
    // The settings' result is not looked at: the import itself finds the picture FTP missing.
    web->connection().drop();
    web->connection().ftp().disconnect();
    changeSettings("E_SHOP_FTP=''");
    EXPECT_FALSE(web->ReceiveWebCustomers());
    EXPECT_TRUE(logHas("Nav ievadīta FTP adrese !!!"));
    EXPECT_TRUE(logHas("Pievienoties pie FTP neizdevās !!!"));
    EXPECT_EQ(logCount("WWW OC2 Klienti saņemti "), 1);
}
