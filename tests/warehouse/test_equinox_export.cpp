#include "EquinoxFixture.h"
#include "WarehouseDay.h"

#include "db/SqlQuery.h"
#include "warehouse/EquinoxSendGoods.h"
#include "warehouse/EquinoxSendOrders.h"
#include "warehouse/EquinoxSendPartners.h"
#include "warehouse/EquinoxTestFtp.h"

#include "platform/DateText.h"

#include <cmath>
#include <functional>

namespace {

const QString kInbound = QStringLiteral("inboundorders20261207_100000.xml");
const QString kOutbound = QStringLiteral("outboundorders20261207_100000.xml");

class EquinoxExportTest : public EquinoxTest {
protected:
    void SetUp() override
    {
        EquinoxTest::SetUp();
        seed(kWarehouseDay);
    }

    bool sendPartners(EquinoxLogin l) { return EquinoxSendPartners(*context, l).run(); }
    bool sendGoods(EquinoxLogin l, bool onlyChanged = false) { return EquinoxSendGoods(*context, l, onlyChanged).run(); }
    bool sendOrders(EquinoxLogin l) { return EquinoxSendOrders(*context, l).run(); }

    QString sentOrders()
    {
        QStringList keys;
        SqlQuery q(db->connection(), "SELECT ISN FROM O_PASPAV WHERE EQUINOX_STATUSS=1 AND EQUINOX_DATUMS IS NOT NULL "
                                     "ORDER BY ISN");
        for (q.open(); !q.eof(); q.next())
            keys << q.asString("ISN");
        return keys.join(' ');
    }

    QDateTime lastGoodsExport()
    {
        RegistryKey key(*registry);
        key.OpenKey("EquinoxExp", false);
        return key.ValueExists("LastPrecesFTP") ? key.ReadDateTime("LastPrecesFTP") : QDateTime();
    }
};

TEST_F(EquinoxExportTest, PartnersGoOutAsThreeFilesByteForByte)
{
    connect();
    EXPECT_TRUE(sendPartners(login()));
    EXPECT_EQ(uploadedNames(), (QStringList{"ERP.XML", "partners.XML", "stores.XML"}));
    for (const QString name : {"stores.XML", "ERP.XML", "partners.XML"}) {
        expectSameFile(uploaded(name), golden(name), name);
        // the local copy of the work directory is what went out
        QFile local(QDir(workDir()).filePath(name));
        ASSERT_TRUE(local.open(QIODevice::ReadOnly)) << name.toStdString();
        EXPECT_EQ(local.readAll(), golden(name));
    }
    const QStringList lines = logLines();
    EXPECT_TRUE(lines.filter("Equinox Sagatavoju nodaļu sarakstu...").size() == 1);
    EXPECT_TRUE(lines.filter("Equinox Nodaļu saraksta sagatavošana OK").size() == 1);
    EXPECT_TRUE(lines.filter("Equinox Klientu sarakstu...").size() == 1);
    EXPECT_TRUE(lines.filter("Equinox Klientu saraksta sagatavošana OK").size() == 1);
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Done);
}

TEST_F(EquinoxExportTest, GoodsGoOutAsGroupsTareAndArticlesByteForByte)
{
    connect();
    clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 30, 15)));
    EXPECT_TRUE(sendGoods(login()));
    EXPECT_EQ(uploadedNames(), (QStringList{"article_groups.XML", "articles.XML", "tare.XML"}));
    for (const QString name : {"article_groups.XML", "tare.XML", "articles.XML"})
        expectSameFile(uploaded(name), golden(name), name);
    EXPECT_EQ(lastGoodsExport(), QDateTime(QDate(2026, 12, 7), QTime(10, 30, 15)));
    for (const char* line : {"Equinox Sagatavoju preču grupu sarakstu...", "Equinox Preču grupu saraksta sagatavošana OK",
                             "Sagatavoju taras sarakstu...", "Equinox Taras saraksts OK",
                             "Equinox Sagatavoju preču sarakstu...", "Equinox Preču saraksta sagatavošana OK"})
        EXPECT_EQ(logCount(QString::fromUtf8(line)), 1) << line;
}

TEST_F(EquinoxExportTest, OnlyGoodsEditedOnOrAfterTheDayOfTheLastExportWhenAsked)
{
    RegistryKey key(*registry);
    key.OpenKey("EquinoxExp", true);
    key.WriteDateTime("LastPrecesFTP", QDateTime(QDate(2026, 12, 5), QTime(14, 0)));
    key.CloseKey();
    connect();

    ASSERT_TRUE(sendGoods(login(), true));
    // 200 was edited that day before the export's time, 202 later; 201 and the tare before
    const QString articles = QString::fromUtf8(uploaded("articles.XML"));
    EXPECT_TRUE(articles.contains("<article_id>200</article_id>"));
    EXPECT_TRUE(articles.contains("<article_id>202</article_id>"));
    EXPECT_FALSE(articles.contains("<article_id>201</article_id>"));
    EXPECT_FALSE(QString::fromUtf8(uploaded("tare.XML")).contains("<article>"));

    // without the switch everything goes every time
    ASSERT_TRUE(sendGoods(login(), false));
    EXPECT_EQ(uploaded("articles.XML"), golden("articles.XML"));
}

TEST_F(EquinoxExportTest, TwoThousandFiveHundredGoodsGoIn999999And502)
{
    {
        // one transaction for the lot
        FbDatabase c;
        c.attach(db->path(), "SYSDBA", "masterkey", {});
        SqlQuery insert(c, "INSERT INTO N_KLPREC (ISN, GNOS, ISPRGRUPA, ARTIKULS, TARA) VALUES (:ISN, 'Prece', 20, :ART, 'F')");
        for (int i = 1; i <= 2500 - 3; ++i)
            insert.bind("ISN", 1000 + i).bind("ART", QString::number(1000 + i)).exec();
        execSql(c, "DELETE FROM N_KLPREC WHERE TARA='T'");
        c.commitRetaining();
        c.detach();
    }
    connect();
    ASSERT_TRUE(sendGoods(login()));
    EXPECT_EQ(uploadedNames(), (QStringList{"article_groups.XML", "articles.XML", "articles1.XML", "articles2.XML",
                                            "tare.XML"}));
    const auto articlesIn = [](const QString& name) { return QString::fromUtf8(uploaded(name)).count("<article>"); };
    EXPECT_EQ(articlesIn("articles1.XML"), 999);
    EXPECT_EQ(articlesIn("articles2.XML"), 999);
    EXPECT_EQ(articlesIn("articles.XML"), 502);
    // in key order, none twice
    EXPECT_TRUE(QString::fromUtf8(uploaded("articles1.XML")).contains("<article_id>200</article_id>"));
    EXPECT_TRUE(QString::fromUtf8(uploaded("articles.XML")).contains("<article_id>3497</article_id>"));
}

TEST_F(EquinoxExportTest, TodaysOrdersGoOutByTypeAndOnlyTheSentAreMarked)
{
    connect();
    EXPECT_TRUE(sendOrders(login()));
    EXPECT_EQ(uploadedNames(), (QStringList{kInbound, kOutbound}));
    expectSameFile(uploaded(kInbound), golden("inboundorders.xml"), kInbound);
    expectSameFile(uploaded(kOutbound), golden("outboundorders.xml"), kOutbound);
    // 305 is yesterday's: never sent; 306 web, 307 sent before, 308 no kind, 309 no warehouse
    EXPECT_EQ(sentOrders(), "300 301 302 303 304 307");
    EXPECT_EQ(db->scalar("SELECT EQUINOX_DATUMS FROM O_PASPAV WHERE ISN=300").toDateTime(),
              QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
    EXPECT_EQ(logCount("Equinox Sagatavoju pasūtījumu eksportu..."), 1);
    EXPECT_EQ(logCount("Equinox Pasūtījumi OK"), 1);

    // a second run finds nothing new and sends no file of nothing
    QDir(ftp().localPath("/VISION/DATA/IN")).removeRecursively();
    QDir().mkpath(ftp().localPath("/VISION/DATA/IN"));
    clock.advance(60000);
    EXPECT_TRUE(sendOrders(login()));
    EXPECT_TRUE(uploadedNames().isEmpty());
}

TEST_F(EquinoxExportTest, OrdersAreMarkedAndTheGoodsMarkMovesOnlyWhenTheirFilesArrived)
{
    connect();
    lockInbound(true);
    EXPECT_FALSE(sendOrders(login()));
    EXPECT_FALSE(sendGoods(login()));
    EXPECT_EQ(sentOrders(), "307");
    EXPECT_FALSE(lastGoodsExport().isValid());
    EXPECT_TRUE(logHas("Neizdevās uzkopēt failu uz VISION/DATA/IN/" + kInbound + " Equinox(UploadEquinox) !!!"));
    EXPECT_TRUE(logHas("Neizdevās uzkopēt failu uz VISION/DATA/IN/articles.XML Equinox(UploadEquinox) !!!"));
    EXPECT_EQ(report.outcome(false), RunReport::Outcome::Failed);

    // the warehouse's folder back: the same orders go and are marked
    lockInbound(false);
    clock.advance(60000);
    EXPECT_TRUE(sendOrders(login()));
    EXPECT_EQ(sentOrders(), "300 301 302 303 304 307");
    EXPECT_EQ(uploaded("inboundorders20261207_100100.xml"), golden("inboundorders.xml"));
    EXPECT_TRUE(sendGoods(login()));
    EXPECT_TRUE(lastGoodsExport().isValid());
}

TEST_F(EquinoxExportTest, AMarkThatFailsIsLoggedAndTheOtherOrdersAreMarked)
{
    seed({"CREATE EXCEPTION E_LOCKED 'order locked by another user'"});
    seed({"CREATE TRIGGER O_PASPAV_LOCKED FOR O_PASPAV BEFORE UPDATE AS BEGIN IF (NEW.ISN = 301) THEN EXCEPTION "
          "E_LOCKED; END"});
    connect();
    sendOrders(login());
    EXPECT_EQ(sentOrders(), "300 302 303 304 307");
    EXPECT_TRUE(logHas("Neizdevās atjaunot pasūtījumam Nr.S-301 statusu !!! "));
    EXPECT_TRUE(logText().contains("order locked by another user"));
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Failed);
}

TEST(EquinoxNumbers, AreWrittenAsTheNumberTextHelperWritesThem)
{
    QList<double> values{0, 1, -1, 0.5, 1.05, 1.1, 25.5, 480, 0.00123, 1e-4, 9.99e-5, 123456789012345.0, 1e15, 1e16,
                         0.1 + 0.2, 1.0 / 3, -2.675, 1e-10, 99999999999999.9, 5e300};
    for (int i = 0; i < 20000; ++i)
        values << (i % 2 ? -1 : 1) * std::ldexp(static_cast<double>(qHash(i)), (i % 60) - 40) / (1 + i % 7);
    for (double v : values)
        EXPECT_EQ(EquinoxSendGoods::numberText(v), DateText::floatText(v)) << v;
}

// Each step with each FTP value missing: the operator's message, nothing sent, nothing marked.
struct MissingSetting {
    const char* name;
    std::function<void(EquinoxLogin&)> spoil;
    const char* message;
};

class EquinoxMissingSettingTest : public EquinoxExportTest, public ::testing::WithParamInterface<MissingSetting> {};

TEST_P(EquinoxMissingSettingTest, StopsEveryStepBeforeAnythingIsSent)
{
    connect();
    using Step = std::function<bool(EquinoxLogin)>;
    const Step steps[] = {[this](EquinoxLogin l) { return sendPartners(l); },
                          [this](EquinoxLogin l) { return sendGoods(l); },
                          [this](EquinoxLogin l) { return sendOrders(l); },
                          [this](EquinoxLogin l) { return EquinoxTestFtp(*context, l).run(); }};
    for (const Step& step : steps) {
        EquinoxLogin l = login();
        GetParam().spoil(l);
        EXPECT_FALSE(step(l));
    }
    EXPECT_EQ(dialogs.messages, QStringList(4, QString::fromUtf8(GetParam().message)));
    EXPECT_EQ(report.outcome(false), RunReport::Outcome::Refused);
    EXPECT_TRUE(uploadedNames().isEmpty());
    EXPECT_TRUE(QDir(workDir()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(sentOrders(), "307");
    EXPECT_FALSE(lastGoodsExport().isValid());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, EquinoxMissingSettingTest,
    ::testing::Values(MissingSetting{"Place", [](EquinoxLogin& l) { l.FTPVieta = "  "; }, "Nav ievadīta FTP adrese !!!"},
                      MissingSetting{"User", [](EquinoxLogin& l) { l.UserName.clear(); },
                                     "Nav ievadīts FTP lietotāja vārds !!!"},
                      MissingSetting{"Password", [](EquinoxLogin& l) { l.Parole.clear(); },
                                     "Nav ievadīts FTP lietotāja parole !!!"},
                      MissingSetting{"Port", [](EquinoxLogin& l) { l.FTPVieta = "127.0.0.1:ftp"; },
                                     "Nederīga FTP adrese : 127.0.0.1:ftp"}),
    [](const ::testing::TestParamInfo<MissingSetting>& info) { return std::string(info.param.name); });

TEST_F(EquinoxExportTest, AServerThatIsDownFailsEveryFileAndMarksNothing)
{
    connect();
    EquinoxLogin down = login();
    down.FTPVieta = "127.0.0.1:1";
    EXPECT_FALSE(sendPartners(down));
    EXPECT_FALSE(sendGoods(down));
    EXPECT_FALSE(sendOrders(down));
    for (const char* file : {"stores.XML", "ERP.XML", "partners.XML", "article_groups.XML", "tare.XML", "articles.XML"})
        EXPECT_EQ(logCount(QStringLiteral("Pievienoties pie Equinox(UploadEquinox) FTP neizdevās !!! Fails %1 Paziņojums:")
                               .arg(QLatin1String(file))),
                  1)
            << file;
    EXPECT_TRUE(logHas("Pievienoties pie Equinox(UploadEquinox) FTP neizdevās !!! Fails " + kOutbound));
    EXPECT_EQ(sentOrders(), "307");
    EXPECT_FALSE(lastGoodsExport().isValid());
    EXPECT_FALSE(logText().contains(ftp().password()));
}

TEST_F(EquinoxExportTest, TheTestButtonListsTheOutboundFolderOrSaysWhyNot)
{
    connect();
    ftp().write("/VISION/DATA/OUT/shipment_1.XML", "x");
    ftp().write("/VISION/DATA/OUT/receipt_2.xml", "x");
    ftp().write("/VISION/DATA/OUT/readme.txt", "x");
    EXPECT_TRUE(EquinoxTestFtp(*context, login()).run());
    EXPECT_TRUE(logHas("Equinox VISION/DATA/OUT/ faili : 2"));
    EXPECT_TRUE(logHas("receipt_2.xml"));
    EXPECT_FALSE(logHas("readme.txt"));

    EquinoxLogin down = login();
    down.FTPVieta = "127.0.0.1:1";
    EXPECT_FALSE(EquinoxTestFtp(*context, down).run());
    EXPECT_TRUE(logHas("Pievienoties pie Equinox (btTextEquinoxClick-1) FTP neizdevās !!!"));
    QDir(ftp().localPath("/VISION/DATA/OUT")).removeRecursively();
    EXPECT_FALSE(EquinoxTestFtp(*context, login()).run());
    EXPECT_TRUE(logHas("Ielasot katalogu no Equinox (ImportEquinox-2) FTP neizdevās !!!"));
}

}  // namespace
