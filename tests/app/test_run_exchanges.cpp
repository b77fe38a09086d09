// The program run once against live fakes, as an operator's --run does.
#include "d365/D365PostingFixture.h"
#include "support/FakeHttpServer.h"
#include "support/GoodsDb.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
};

Outcome runOnce(const QTemporaryDir& dir, const QString& name)
{
    QProcess p;
    p.setWorkingDirectory(dir.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral(VARNIS_PROCESS_BIN), {"--config", dir.filePath("VARNIS-A.ini"), "--run", name});
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

void writeIni(const QTemporaryDir& dir, const QString& db, const QString& more)
{
    QFile f(dir.filePath("VARNIS-A.ini"));
    f.open(QIODevice::WriteOnly);
    f.write(QStringLiteral("[AutoProcess_Config]\nDatuBaze=%1\nTempDir=%2\n%3").arg(db, dir.path(), more).toUtf8());
}

}  // namespace

TEST(RunExchanges, HorizonRecordsPrepaymentsOnceInARealDatabase)
{
    QTemporaryDir dir;
    GoodsDb db;
    db.exec("INSERT INTO N_KLIENT (ISN, GNOS, IDKODS, PIRCEJS) VALUES (500, 'SIA Kurzemes Maize', 'E00102', 'T')");
    db.close();
    FakeHttpServer horizon;
    horizon.Get("/rest/TDdmMUSar/query", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"collection":{"row":[{"PDOK":{"DAT_DOK":"2026-12-01T00:00:00","SUMMA_PV":12.5,)"
                        R"("BK":{"DAR_REGNUM":"MB-2026-1"},"PAMAT":"Rēķins 7, Identifikācijas numurs: E00102",)"
                        R"("K":{"KODS":"E00500"},"LASTEV":{"LAIKS":"2026-12-02T10:00:00"}}}]}})",
                        "application/json");
    });
    horizon.start();
    writeIni(dir, db.path(),
             QStringLiteral("[ApmaksHorizonRest]\nRestAdrese=%1\nUserName=horizon\nPasword=slepens\n"
                            "DatumsNo=2026-11-01T00:00:00\n[ApmaksOrder]\nLastIsNodala=1\n")
                 .arg(horizon.url("/")));

    const Outcome first = runOnce(dir, "horizon");
    EXPECT_EQ(first.exitCode, 0) << first.out.toStdString();
    EXPECT_TRUE(first.out.contains("Horizon imports pabeigts"));
    EXPECT_FALSE(first.out.contains("slepens"));  // no password in the log
    const Outcome second = runOnce(dir, "horizon");
    EXPECT_EQ(second.exitCode, 0) << second.out.toStdString();

    EXPECT_EQ(db.count("O_APMAKS"), 1);
    EXPECT_DOUBLE_EQ(db.scalar("SELECT PARPALIKUM FROM O_APMAKS").toDouble(), 12.5);
    EXPECT_EQ(db.scalar("SELECT ISKLIENT FROM O_APMAKS").toInt(), 500);
    EXPECT_EQ(db.scalar("SELECT KLKOMENT FROM N_KLIENT WHERE ISN=500").toString(), "E00500");
    ASSERT_EQ(horizon.requestCount(), 2u);
    EXPECT_EQ(FakeHttpServer::basicCredentials(horizon.requests().front()), "horizon:slepens");
}

TEST(RunExchanges, D365GetImportsMasterDataPricesAndDocumentsAndARerunChangesNothing)
{
    QTemporaryDir dir;
    GoodsDb db;
    for (const char* sql : {"INSERT INTO N_DEPART (ISN, GNOS, CENKODS) VALUES (2, 'Veikals', 3)",
                            "SET GENERATOR N_DEPARTGEN TO 2",
                            "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ARTIKULS5, ISPRGRUPA, NODOKLIS, PARDCENA3) "
                            "VALUES (100, 'Piens 1l', '4750001', 'P100', 1, 21, 1.0)",
                            "SET GENERATOR N_KLPRECGEN TO 100",
                            "INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (100, 2, 10)"})
        db.exec(sql);
    db.close();
    FakeD365 d365;
    d365.records("GetK42Vendors",
                 QJsonArray{QJsonObject{{"AccountNum", "V000900"},
                                        {"Name", "SIA Jaunais Piegādātājs"},
                                        {"BankAccountNum", "LV80HABA0551034218765"},
                                        {"BankName", "Swedbank AS"},
                                        {"SWIFTNo", "HABALV22"},
                                        {"IsResident_LV", "true"},
                                        {"RegNum", "40103000001"},
                                        {"VATNum", "LV40103000001"},
                                        {"PrimaryAddress", QJsonObject{{"County", ""}, {"City", "Rīga"}, {"State", ""},
                                                                       {"Street", "Brīvības iela 1"}, {"ZipCode", "LV-1001"},
                                                                       {"CountryRegion", "LV"}}},
                                        {"DeliveryAddress", QJsonValue::Null}}});
    d365.records("GetPrices", QJsonArray{QJsonObject{{"Product", "P100"}, {"BrandType", "Top"},
                                                     {"PriceLevelType", "PriceHighRisk"}, {"SalesPrice", 1.19}}});
    d365.records("GetPurchaseOrders",
                 QJsonArray{QJsonObject{{"RecId", "5637144576"}, {"ReturnOrder", "false"}, {"ISNDepartment", 2},
                                        {"OrderAccount", "V000900"}, {"InvoiceId", "ZP-1"}, {"DeliveryDate", "2026-12-05"},
                                        {"InvoiceDate", "2026-12-04"},
                                        {"line", QJsonArray{QJsonObject{{"Product", "P100"}, {"Qty", 5}},
                                                            QJsonObject{{"Product", "P200"}, {"Qty", 1}}}}}});
    d365.records("GetStoreSales",
                 QJsonArray{QJsonObject{{"RecId", "5637150001"}, {"ISNDepartment", 2}, {"OrderAccount", "C1"},
                                        {"InvoiceId", "Z-1"}, {"InvoiceDate", "2026-12-06"},
                                        {"line", QJsonArray{QJsonObject{{"Product", "P100"}, {"Qty", 2}, {"SalesPrice", 1.19}}}}}});
    writeIni(dir, db.path(),
             QStringLiteral("[D365]\nLoginHttps=%1\nRESTHttps=%2\nClientID=varnis-client\nSecretKey=s3cret\n")
                 .arg(d365.server.url("/token"), d365.server.url("/data")));

    const Outcome run = runOnce(dir, "d365-get");
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("D365GetTimer : D365NextTimeVisparejieDati="));
    for (const char* end : {"GetK42Vendors OK", "GetPrices OK", "GetVENDGR OK", "GetPromoPeriod OK", "GetTransfers OK"})
        EXPECT_TRUE(run.out.contains(end)) << end;
    EXPECT_FALSE(run.out.contains("nav pieejams"));
    EXPECT_FALSE(run.out.contains("s3cret"));
    EXPECT_EQ(db.scalar("SELECT GNOS FROM N_KLIENT WHERE IDKODS='V000900'").toString(), "SIA Jaunais Piegādātājs");
    // repriced, with the department's note
    EXPECT_DOUBLE_EQ(db.scalar("SELECT PARDCENA3 FROM N_KLPREC WHERE ISN=100").toDouble(), 1.19);
    EXPECT_DOUBLE_EQ(db.scalar("SELECT DAUDZUMS FROM O_PARCPR WHERE ISPRECE=100 AND KADA_CENA=3").toDouble(), 10);
    // the documents, with the new supplier and a product made for the unknown number
    EXPECT_EQ(db.scalar("SELECT N_KLIENT.IDKODS FROM O_PAVADZ JOIN N_KLIENT ON N_KLIENT.ISN=O_PAVADZ.ISKLIENT "
                        "WHERE O_PAVADZ.D365_ID='5637144576'").toString(), "V000900");
    EXPECT_EQ(db.count("N_KLPREC", "ARTIKULS5='P200'"), 1);
    EXPECT_EQ(db.count("O_PAVOUT", "D365_ID='5637150001'"), 1);
    EXPECT_DOUBLE_EQ(db.scalar("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=100 AND ISNODALA=2").toDouble(), 13);

    const int journal = db.count("O_OPERACIJAS");
    const int lines = db.count("O_PRECE") + db.count("O_PRCOUT") + db.count("O_PARCPR");
    db.close();
    const Outcome rerun = runOnce(dir, "d365-get");
    EXPECT_EQ(rerun.exitCode, 0) << rerun.out.toStdString();
    EXPECT_EQ(db.count("O_OPERACIJAS"), journal);
    EXPECT_EQ(db.count("O_PRECE") + db.count("O_PRCOUT") + db.count("O_PARCPR"), lines);
    EXPECT_EQ(db.count("N_KLPREC", "ARTIKULS5='P200'"), 1);
}

TEST(RunExchanges, D365PostSendsTheReadyDocumentsAndAgainOnlyWhatWasRefused)
{
    QTemporaryDir dir;
    GoodsDb db;
    db.exec("INSERT INTO N_KLIENT (ISN, GNOS, IDKODS) VALUES (2, 'SIA Piens', 'V000102')");
    db.exec("INSERT INTO N_KLIENT (ISN, GNOS, IDKODS) VALUES (90, 'Inventarizācija', 'INV')");
    db.exec("INSERT INTO N_KLPREC (ISN, ARTIKULS, ARTIKULS5, GNOS) VALUES (101, '100101', 'P100101', 'Piens')");
    for (const auto& [isn, client] : {std::pair{1, 2}, {2, 2}, {3, 90}}) {
        db.exec("INSERT INTO O_PAVADZ (ISN, ISKLIENT, NR_PAVADZ, D365_READY) VALUES (:ISN, :K, :NR, 'T')",
                {{"ISN", isn}, {"K", client}, {"NR", QStringLiteral("N%1").arg(isn)}});
        db.exec("INSERT INTO O_PRECE (ISPAVADZ, ISPRECE, DAUDZUMS) VALUES (:ISN, 101, 3)", {{"ISN", isn}});
    }
    db.close();
    FakeD365 d365;
    PostingService service;
    service.reply("N2", 200, R"({"data":[{"StatusCode":0,"Message":"Nezināms piegādātājs"}]})");
    // only the inventory supplier is set: it still keeps its receipt out of PostSAN
    writeIni(dir, db.path(),
             QStringLiteral("[D365]\nLoginHttps=%1\nRESTHttps=%2\nClientID=varnis-client\nSecretKey=s3cret\n"
                            "InventPiegadatajs=90\n")
                 .arg(d365.server.url("/token"), service.server.url("/data")));

    const Outcome first = runOnce(dir, "d365-post");
    EXPECT_EQ(first.exitCode, 0) << first.out.toStdString();
    for (const char* line : {"Sāku D365 Post...", "Kļūda datos. P/Z Nr. N2 StatusCode=0 Nezināms piegādātājs",
                             "PostINV OK", "Beidzu D365 Post"})
        EXPECT_TRUE(first.out.contains(QString::fromUtf8(line))) << line;
    EXPECT_EQ(service.numbers("PostSAN"), (QStringList{"N1", "N2"}));
    EXPECT_EQ(service.numbers("PostINV"), QStringList{"N3"});
    EXPECT_EQ(db.count("O_PAVADZ", "D365_SENT IS NOT NULL AND PZ_BLOK='T'"), 2);
    db.close();  // the embedded engine lets one process at a time have the file

    service.server.clearRequests();
    service.acceptAll();
    const Outcome second = runOnce(dir, "d365-post");
    EXPECT_EQ(second.exitCode, 0) << second.out.toStdString();
    EXPECT_EQ(service.numbers(), QStringList{"N2"});
    EXPECT_EQ(db.count("O_PAVADZ", "D365_SENT IS NULL"), 0);
}
