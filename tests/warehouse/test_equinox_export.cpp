#include "EquinoxFixture.h"

#include "db/SqlQuery.h"
#include "warehouse/EquinoxSendGoods.h"
#include "warehouse/EquinoxSendOrders.h"
#include "warehouse/EquinoxSendPartners.h"
#include "warehouse/EquinoxTestFtp.h"

#include <functional>

namespace {

// Departments, partners, groups, goods and orders of one warehouse day (07.12.2026).
const std::initializer_list<const char*> kWarehouseDay = {
    "INSERT INTO N_DEPART (ISN, GNOS, FLAG_3D) VALUES (1, 'Nav noteikts', 'T')",
    "INSERT INTO N_DEPART (ISN, GNOS, BAZE_FLAG, TIRDZNADR, LICENCE, E_SHOP_KODS) VALUES (2, 'Veikals \"Centrs\" & Co', "
    "'F', 'Rīgas iela 1; <2>', 'Alkohola licence Nr. 12_34, Tabakas licence Nr. 55', 7)",
    "INSERT INTO N_DEPART (ISN, GNOS, BAZE_FLAG, TIRDZNADR, EQUINOX_KODS, E_SHOP_KODS) VALUES (3, 'Noliktava Rīga', 'T', "
    "'Dzirnavu 5', 'RIX', 0)",
    "INSERT INTO N_DEPART (ISN, GNOS, BAZE_FLAG, FLAG_3D) VALUES (4, 'Partneris 3D', 'T', 'T')",
    "INSERT INTO N_DEPART (ISN, GNOS, BAZE_FLAG, E_SHOP_KODS) VALUES (5, 'Noliktava Liepāja', 'T', 0)",
    "INSERT INTO N_LICENC (ISN, GNOS) VALUES (2, 'Tabakas licence T-9, Alkohola A-1')",
    "INSERT INTO N_KLIENT (ISN, GNOS, PIRCEJS, REGNR, PVNKODS, VALSTS_KODS, PILSETA, PASTINDEKS, ADRESE, ISBANKA, "
    "ISLICENC) VALUES (10, 'SIA ''Ābols''', 'T', '40003000001', 'LV40003000001', '', 'Rīga', 'LV-1001', 'Brīvības 10', 1, 2)",
    "INSERT INTO N_KLIENT (ISN, GNOS, PIEGADAT, ISBANKA) VALUES (11, 'Bez bankas', 'T', 99)",
    "INSERT INTO N_KLIENT (ISN, GNOS, PIRCEJS, PIEGADAT, REGNR, VALSTS_KODS, PILSETA, ADRESE, ISBANKA) VALUES (12, "
    "'AS Piegādātājs', 'F', 'T', 'EE100', 'EST', 'Tallinn', 'Narva mnt 1', 1)",
    "INSERT INTO N_KLIENT (ISN, GNOS, PIRCEJS, E_KLIENTS, ISBANKA) VALUES (13, 'Web klients', 'T', 'T', 1)",
    "INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (20, 'Dzērieni')",
    "INSERT INTO N_PRGRUP (ISN, GNOS, ISPARENT, EQUINOXPROCESSINGTYPE) VALUES (21, 'Sulas_{100}', 20, 1)",
    "INSERT INTO N_KLPREC (ISN, TARA, GNOS, ARTIKULS, ISPRGRUPA, GABALPRECE, PRECES_TIPS, SKKASTE, EDITDAT) VALUES "
    "(100, 'T', 'Kaste \"EURO\"', 'T100', 20, 'T', 'FIXED', 5, '2026-11-01 08:00:00')",
    "INSERT INTO N_KLPREC (ISN, TARA, GNOS, ISPRGRUPA, ARTIKULS, ARTIKULS2, ARTIKULS3, ARTIKULS5, DERDIENAS_MAX, "
    "MERVIENIBA, GABALPRECE, PRECES_TIPS, NETTO, BRUTOSVARS, GARUMS, AUGSTUMS, PALETE_H, KOP_TILPUMS, IR_DALAMA, "
    "SKKASTE, SKKASTELIELA, SKPALETE, MIN_PASUT, MUITASKODS_RUS, PALETE_KARTAS, EDITDAT) VALUES (200, 'F', "
    "'Sula <Ābolu> 1L; 100%', 21, '4750000000001', '', '4750000000001', 'D365_200', 180, 'L', 'T', 'SCAN_PACK', 1.05, "
    "1.1, 0, 25.5, 1.2, 0.00123, 'T', 6, 0, 480, 2, '2009 89', 5, '2026-12-05 09:00:00')",
    "INSERT INTO N_KLPREC (ISN, GNOS, ISPRGRUPA, ARTIKULS, MERVIENIBA, GABALPRECE, EDITDAT) VALUES (201, 'Siers svaru', "
    "20, '2000201', 'KG', 'F', '2026-12-04 18:00:00')",
    "INSERT INTO N_KLPREC (ISN, GNOS, ISPRGRUPA, ARTIKULS, GABALPRECE, PRECES_TIPS, EDITDAT) VALUES (202, 'Konfektes', "
    "20, '2000202', 'T', 'OTHER', '2026-12-06 07:00:00')",
    "INSERT INTO N_KLPREC (ISN, GNOS, ISPRGRUPA, ARTIKULS) VALUES (203, 'Bez artikula', 20, '')",
    // today's orders: purchase, sale, return, transfer, a shop's order from the warehouse
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS) VALUES (300, 1, 12, 3, 'P-300', "
    "'2026-12-07 09:15:00')",
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS, PIEGADE_VEIKALA, KOMENTARS) VALUES "
    "(301, 2, 10, 3, 'S-301', '2026-12-07 23:59:59', '2026-12-09', 'Zvanīt \"pirms\" <9:00> & vārti_2')",
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISNODALA, ISNODALAUZ, NR_PAVADZ, DATUMS) VALUES (302, 3, 3, 2, 'R-302', "
    "'2026-12-07')",
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISNODALA, ISNODALAUZ, NR_PAVADZ, DATUMS, PIEGADE_VEIKALA) VALUES (303, 3, "
    "3, 5, 'T-303', '2026-12-07 12:00:00', '2026-12-08 15:30:00')",
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISNODALA, ISNODALAUZ, NR_PAVADZ, DATUMS, KOMENTARS) VALUES (304, 3, 2, 3, "
    "'S-304', '2026-12-07', '')",
    // not sent: yesterday's, a web order, one already sent, an unknown kind, no warehouse
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS) VALUES (305, 2, 10, 3, 'Y-305', "
    "'2026-12-06 10:00:00')",
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS, WEB_PASUTIJUMS) VALUES (306, 2, 10, "
    "3, 'W-306', '2026-12-07', 'T')",
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS, EQUINOX_STATUSS, EQUINOX_DATUMS) "
    "VALUES (307, 2, 10, 3, 'D-307', '2026-12-07', 1, '2026-12-07 08:00:00')",
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS) VALUES (308, 0, 10, 3, 'X-308', "
    "'2026-12-07')",
    "INSERT INTO O_PASPAV (ISN, PIEGADPIRCEJS, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS) VALUES (309, 2, 10, 2, 'V-309', "
    "'2026-12-07')",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, DAUDZUMS, APSTIPRIN_DAUDZ) VALUES (1, 300, 200, 99, 10)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, DAUDZUMS, APSTIPRIN_DAUDZ) VALUES (2, 300, 201, 99, 2.3456)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, DAUDZUMS, APSTIPRIN_DAUDZ) VALUES (3, 301, 200, 99, 1)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, DAUDZUMS, APSTIPRIN_DAUDZ) VALUES (4, 302, 202, 99, 4)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, DAUDZUMS, APSTIPRIN_DAUDZ) VALUES (5, 303, 201, 99, 0.5)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, DAUDZUMS, APSTIPRIN_DAUDZ) VALUES (6, 304, 202, 99, 12)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, APSTIPRIN_DAUDZ) VALUES (7, 305, 200, 1)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, APSTIPRIN_DAUDZ) VALUES (8, 306, 200, 1)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, APSTIPRIN_DAUDZ) VALUES (9, 307, 200, 1)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, APSTIPRIN_DAUDZ) VALUES (10, 308, 200, 1)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, APSTIPRIN_DAUDZ) VALUES (11, 309, 200, 1)",
};

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
        QSqlDatabase c = db->connection();
        c.transaction();
        SqlQuery insert(c, "INSERT INTO N_KLPREC (ISN, GNOS, ISPRGRUPA, ARTIKULS, TARA) VALUES (:ISN, 'Prece', 20, :ART, 'F')");
        for (int i = 1; i <= 2500 - 3; ++i)
            insert.bind("ISN", 1000 + i).bind("ART", QString::number(1000 + i)).exec();
        c.exec("DELETE FROM N_KLPREC WHERE TARA='T'");
        c.commit();
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
