// The program run once against live fakes, as an operator's --run does.
#include "d365/D365Fixture.h"
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

TEST(RunExchanges, D365GetImportsMasterDataAndGoesPastOperationsNotInThisBuild)
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
    // An operation this build lacks logs its line and holds back nothing after it.
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("GetK42Vendors OK"));
    EXPECT_TRUE(run.out.contains("GetPrices - nav pieejams šajā versijā"));
    EXPECT_TRUE(run.out.contains("GetVENDGR OK"));
    EXPECT_TRUE(run.out.contains("D365GetTimer : D365NextTimeVisparejieDati="));
    EXPECT_FALSE(run.out.contains("s3cret"));
    EXPECT_EQ(db.count("N_KLIENT", "IDKODS='V000900'"), 1);
    EXPECT_EQ(db.scalar("SELECT GNOS FROM N_KLIENT WHERE IDKODS='V000900'").toString(), "SIA Jaunais Piegādātājs");
}
