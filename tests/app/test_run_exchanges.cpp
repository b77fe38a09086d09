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

TEST(RunExchanges, D365GetImportsMasterDataAndReportsTheGroupItCouldNotFinish)
{
    QTemporaryDir dir;
    GoodsDb db;
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
    writeIni(dir, db.path(),
             QStringLiteral("[D365]\nLoginHttps=%1\nRESTHttps=%2\nClientID=varnis-client\nSecretKey=s3cret\n")
                 .arg(d365.server.url("/token"), d365.server.url("/data")));

    const Outcome run = runOnce(dir, "d365-get");
    // Prices are not in this build: the general group stops there, so the run reports failure.
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("GetK42Vendors OK"));
    EXPECT_TRUE(run.out.contains("GetPrices - nav pieejams šajā versijā"));
    EXPECT_FALSE(run.out.contains("s3cret"));
    EXPECT_EQ(db.count("N_KLIENT", "IDKODS='V000900'"), 1);
    EXPECT_EQ(db.scalar("SELECT GNOS FROM N_KLIENT WHERE IDKODS='V000900'").toString(), "SIA Jaunais Piegādātājs");
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
