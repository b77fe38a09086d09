#include "support/FakeHttpServer.h"
#include "support/FirebirdServer.h"
#include "support/HostFixture.h"

#include "db/SqlQuery.h"
#include "payments/HorizonImport.h"

namespace {

// A host whose goods database sits on a private Firebird server, reached as a production
// host beside a shared goods database reaches it.
class OnFirebirdServer : public HostFixture {
protected:
    static inline FirebirdServer* server = nullptr;
    static void SetUpTestSuite() { server = new FirebirdServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    // The Horizon timer reaches the real import; everything else is recorded.
    struct HorizonOnly : RecordingExchanges {
        ProcessHost* host = nullptr;
        bool HorizonProcessImports() override
        {
            calls << "HorizonProcessImports";
            ExchangeContext context = host->context();
            return HorizonImport(context).HorizonProcessImports();
        }
    };

    GoodsDb goods;
    HorizonOnly routed;

    void SetUp() override
    {
        HostFixture::SetUp();
        if (!server->isRunning())
            server->start();
        goods.serveThrough(server->address(goods.path()), server->password());
    }

    QByteArray config(const QString& password) const
    {
        return "[AutoProcess_Config]\nDatuBaze=" + goods.address().toUtf8() + "\nDbPassword=" + password.toUtf8()
            + "\nTempDir=" + dir.path().toUtf8()
            + "\nNeveiktLaiksNo=00:00\nNeveiktLaiksLidz=00:00\nEdisoftAutoImport=false\nTelemaaAutoImports=false\n"
              "HorizonAutoApmaina=1\nHorizonAutoApmainaTime=5\n";
    }
};

}  // namespace

TEST_F(OnFirebirdServer, TheHostWorksThroughTheServerWithItsOwnTransaction)
{
    writeIni(config(server->password()));
    host->FormActivate();
    ASSERT_TRUE(host->dati().isConnected());
    SqlQuery q(host->dati().PRECES_DB(),
               "SELECT a.MON$REMOTE_PROTOCOL PROTO, t.MON$ISOLATION_MODE ISO, t.MON$LOCK_TIMEOUT WAITS "
               "FROM MON$ATTACHMENTS a JOIN MON$TRANSACTIONS t ON t.MON$ATTACHMENT_ID = a.MON$ATTACHMENT_ID "
               "WHERE t.MON$TRANSACTION_ID = CURRENT_TRANSACTION");
    q.open();
    EXPECT_EQ(q.asString("PROTO").trimmed(), "TCPv4");
    EXPECT_EQ(q.asInt("ISO"), 2);
    EXPECT_EQ(q.asInt("WAITS"), 0);
}

TEST_F(OnFirebirdServer, AWrongPasswordIsTheEnginesLineAndNoConnection)
{
    writeIni(config("nepareiza"));
    host->FormActivate();
    EXPECT_FALSE(host->dati().isConnected());
    EXPECT_TRUE(logHas("Nevaru atvērt datu bāzi !!!Your user name and password are not defined"));
}

TEST_F(OnFirebirdServer, AServerStoppedMidRunIsReconnectedAndTheRerunStoresEachPaymentOnce)
{
    goods.exec("INSERT INTO N_KLIENT (ISN, GNOS, IDKODS) VALUES (500, 'SIA Kurzemes Maize', 'E00102')");
    goods.exec("INSERT INTO N_KLIENT (ISN, GNOS, IDKODS) VALUES (501, 'SIA Latgales Piens', 'E00103')");
    goods.close();
    FakeHttpServer horizon;
    horizon.Get("/rest/TDdmMUSar/query", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(R"({"collection":{"row":[)"
                        R"({"PDOK":{"DAT_DOK":"2026-12-01T00:00:00","SUMMA_PV":12.5,"BK":{"DAR_REGNUM":"MB-1"},)"
                        R"("PAMAT":"Identifikācijas numurs: E00102","K":{"KODS":"K1"},"LASTEV":{"LAIKS":"2026-12-02T10:00:00"}}},)"
                        R"({"PDOK":{"DAT_DOK":"2026-12-01T00:00:00","SUMMA_PV":7,"BK":{"DAR_REGNUM":"MB-2"},)"
                        R"("PAMAT":"Identifikācijas numurs: E00103","K":{"KODS":"K2"},"LASTEV":{"LAIKS":"2026-12-02T10:00:00"}}})"
                        R"(]}})",
                        "application/json");
    });
    horizon.start();
    writeIni(config(server->password())
             + QStringLiteral("[ApmaksHorizonRest]\nRestAdrese=%1\nUserName=h\nPasword=p\nDatumsNo=2026-11-01T00:00:00\n"
                              "[ApmaksOrder]\nLastIsNodala=1\n")
                   .arg(horizon.url("/"))
                   .toUtf8());
    routed.host = host.get();
    host->setExchanges(&routed);
    host->FormActivate();
    ASSERT_TRUE(host->dati().isConnected());

    // The server goes away once the run has begun, before anything is written.
    bool stopped = false;
    QObject::connect(&host->log(), &ProcessLog::lastLineChanged, [&] {
        if (!stopped && host->log().lines().last().contains("Sāku Horizon...")) {
            stopped = true;
            server->stop();
        }
    });
    sch().tmrHorizonApmaksasTimer();
    ASSERT_TRUE(stopped);
    EXPECT_TRUE(logHas("Kļūda pie tmrHorizonApmaksasTimer !!!"));
    EXPECT_FALSE(logHas("Horizon imports pabeigts"));
    EXPECT_FALSE(host->busy().isSet());

    server->start();
    sch().tmrHorizonApmaksasTimer();
    EXPECT_EQ(logCount("DB konekcijas atjaunošana ..."), 1);
    EXPECT_TRUE(logHas("Horizon imports pabeigts"));
    sch().tmrHorizonApmaksasTimer();  // and once more: nothing new
    EXPECT_EQ(goods.count("O_APMAKS"), 2);
    EXPECT_EQ(goods.count("O_APMAKS", "ISKLIENT=500"), 1);
    EXPECT_EQ(routed.calls.count("HorizonProcessImports"), 3);
}
