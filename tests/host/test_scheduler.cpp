#include "support/HostFixture.h"

#include "platform/DateText.h"
#include "db/SqlQuery.h"
#include "platform/Errors.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

QDateTime at(int h, int m, int s = 0, int day = 7)
{
    return QDateTime(QDate(2026, 12, day), QTime(h, m, s));
}

}  // namespace

class SchedulerTest : public HostFixture {
protected:
    GoodsDb db;

    void configure(QByteArray www, const QByteArray& config = {})
    {
        // Start writes the four modes together; a set-up names only those it cares about.
        for (const char* mode : {"AutoPrecuAtlikumi", "AutoKlasifikatori", "AutoSanemt", "VestureTips"})
            if (!www.contains(QByteArray(mode) + '='))
                www += QByteArray(mode) + "=0\n";
        writeIni("[AutoProcess_Config]\nDatuBaze=" + db.path().toUtf8()
                 + "\nTempDir=/tmp\nNeveiktLaiksNo=00:00\nNeveiktLaiksLidz=00:00\n"
                 + (config.contains("EdisoftAutoImport") ? QByteArray() : QByteArray("EdisoftAutoImport=false\nTelemaaAutoImports=false\n"))
                 + config
                 + "\n[AutoProcess_WWWExp]\n" + www);
    }
};

TEST_F(SchedulerTest, OnceADayAtTheClockTime)
{
    configure("AutoPrecuAtlikumi=1\nAtlikPlkst=10:00\nAtlikumiTime=20\n");
    clock.set(at(9, 0));
    host->FormActivate();
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), at(10, 0));

    clock.set(at(10, 30));
    host->btStartClick();
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), at(10, 0, 0, 8));

    // Equal to the clock time: stays today (and is due at once the next second).
    clock.set(at(10, 0));
    host->btStartClick();
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), at(10, 0));

    // After a successful run at 10:00:20 it moves to tomorrow.
    clock.set(at(10, 0, 20));
    sch().WWWDatuApmainaTimer();
    EXPECT_EQ(exchanges.calls, QStringList{"SendAtlikumi"});
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), at(10, 0, 0, 8));
}

TEST_F(SchedulerTest, EveryNMinutesAndItsLimits)
{
    configure("AutoPrecuAtlikumi=2\nAtlikumiTime=90\nAtlikPlkst=10:00\n");
    clock.set(at(9, 0));
    host->FormActivate();
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), at(10, 30));
    EXPECT_TRUE(logHas("WWWNextTimeAtlikumi=07.12.2026 10:30:00"));

    RegistryKey w(*registry);
    w.OpenKey("AutoProcess_WWWExp", true);
    w.WriteString("AtlikumiTime", "1500");
    w.CloseKey();
    EXPECT_THROW(sch().ComputeNextTime(Scheduled::Stock), ConvertError);
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), DateText::neverDue());
}

TEST_F(SchedulerTest, ModeZeroIsNeverDue)
{
    configure("AutoPrecuAtlikumi=0\nAutoKlasifikatori=0\nAutoSanemt=2\nSanemtTime=20\n");
    host->FormActivate();
    EXPECT_TRUE(logHas("WWWNextTimeAtlikumi=31.12.3000 00:00:00"));
    EXPECT_TRUE(logHas("WWWNextKlasif=31.12.3000 00:00:00"));
    clock.set(at(23, 59));
    sch().WWWDatuApmainaTimer();
    EXPECT_EQ(exchanges.calls, QStringList{"ReceiveData"});
}

TEST_F(SchedulerTest, NoExchangePeriodDoesNotWrapPastMidnight)
{
    configure("AutoPrecuAtlikumi=2\nAtlikumiTime=20\n");
    host->FormActivate();
    host->settings().NeveiktLaiksNo = "22:00";
    host->settings().NeveiktLaiksLidz = "06:00";
    for (QTime t : {QTime(23, 0), QTime(3, 0), QTime(22, 0)}) {
        clock.set(QDateTime(QDate(2026, 12, 7), t));
        EXPECT_FALSE(sch().insideNoExchangePeriod()) << t.toString().toStdString();
    }
    host->settings().NeveiktLaiksNo = "01:00";
    host->settings().NeveiktLaiksLidz = "05:00";
    const std::pair<QTime, bool> cases[] = {{QTime(0, 59, 59), false}, {QTime(1, 0, 0), true}, {QTime(3, 0), true},
                                            {QTime(5, 0, 0), true}, {QTime(5, 0, 1), false}};
    for (auto [t, inside] : cases) {
        clock.set(QDateTime(QDate(2026, 12, 7), t));
        EXPECT_EQ(sch().insideNoExchangePeriod(), inside) << t.toString().toStdString();
    }
    host->settings().NeveiktLaiksNo = "00:00";
    host->settings().NeveiktLaiksLidz = "00:00";
    clock.set(at(0, 0, 0));
    EXPECT_TRUE(sch().insideNoExchangePeriod());
    clock.set(at(0, 0, 1));
    EXPECT_FALSE(sch().insideNoExchangePeriod());

    // A tick inside the period runs nothing even when due.
    host->settings().NeveiktLaiksNo = "01:00";
    host->settings().NeveiktLaiksLidz = "05:00";
    clock.set(at(3, 0, 0, 8));
    sch().WWWDatuApmainaTimer();
    EXPECT_TRUE(exchanges.calls.isEmpty());
    EXPECT_TRUE(sch().WWWDatuApmaina.enabled());
}

TEST_F(SchedulerTest, FailedOrRefusedEntryKeepsItsDueTime)
{
    configure("AutoPrecuAtlikumi=2\nAtlikumiTime=20\nAutoKlasifikatori=2\nSarakstiTime=20\n");
    clock.set(at(9, 0));
    host->FormActivate();
    exchanges.results["SendAtlikumi"] = 0;
    clock.set(at(9, 30));
    sch().WWWDatuApmainaTimer();
    EXPECT_EQ(exchanges.calls, (QStringList{"SendAtlikumi", "SendKlasif"}));
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), at(9, 20));
    EXPECT_EQ(sch().nextTime(Scheduled::Lists), at(9, 50));
    EXPECT_TRUE(logHas("WWWDatuApmainaTimer : WWWNextTimeAtlikumi=07.12.2026 09:20:00 WWWNextReceiveData=31.12.3000 00:00:00"));
}

TEST_F(SchedulerTest, ErrorInsideAnExchangeIsLoggedAndTheTimerGoesOn)
{
    configure("AutoPrecuAtlikumi=2\nAtlikumiTime=20\n");
    clock.set(at(9, 0));
    host->FormActivate();
    exchanges.actions["SendAtlikumi"] = [this] {
        host->SetBusy(true, "WWW SendAtlikumi");
        throw DbError("Lost connection to MySQL server");
    };
    clock.set(at(9, 30));
    sch().WWWDatuApmainaTimer();
    EXPECT_TRUE(logHas("Kļūda pie WWWDatuApmainaTimer !!!Lost connection to MySQL server"));
    EXPECT_FALSE(host->busy().isSet());
    EXPECT_TRUE(sch().WWWDatuApmaina.enabled());
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), at(9, 20));

    // The same for the other timers' guards.
    exchanges.actions["HorizonProcessImports"] = [] { throw VarnisError("timeout"); };
    sch().tmrHorizonApmaksasTimer();
    EXPECT_TRUE(logHas("Kļūda pie tmrHorizonApmaksasTimer !!!timeout"));
    EXPECT_TRUE(sch().tmrHorizonApmaksas.enabled());
}

TEST_F(SchedulerTest, InvalidPeriodFieldReportsAndKeepsEveryTimerAlive)
{
    configure("AutoPrecuAtlikumi=2\nAtlikumiTime=20\n");
    host->FormActivate();
    host->settings().NeveiktLaiksLidz = "  :  ";
    sch().WWWDatuApmainaTimer();
    EXPECT_TRUE(logHas("Kļūda pie WWWDatuApmainaTimer !!!"));
    sch().TelemaaEdisoftLaiksTimer();
    sch().tmrHorizonApmaksasTimer();
    sch().tmrD365_GetTimer();
    sch().tmrEquinoxTimer();
    sch().tmrD365_PostTimer();
    for (const char* name : {"TelemaaEdisoftLaiksTimer", "tmrHorizonApmaksasTimer", "tmrD365_GetTimer",
                             "tmrEquinoxTimer", "tmrD365_PostTimer"})
        EXPECT_TRUE(logHas(QStringLiteral("Kļūda pie %1 !!!").arg(name))) << name;
    for (ExchangeTimer* t : {&sch().WWWDatuApmaina, &sch().TelemaaEdisoftLaiks, &sch().tmrHorizonApmaksas,
                             &sch().tmrD365_Get})
        EXPECT_TRUE(t->enabled()) << t->name().toStdString();
    EXPECT_TRUE(exchanges.calls.isEmpty());
}

TEST_F(SchedulerTest, D365LoginFailureStopsItsTimerUntilStart)
{
    configure("AutoPrecuAtlikumi=0\n", "D365_GetVisparejieDati=2\nD365_GetVisparejieDatiTime=20\n"
                                       "D365_GetAkcijuDati=2\nD365_GetAkcijuDatiTime=20\nD365_GetPavadzimjuDati=0\n");
    clock.set(at(9, 0));
    host->FormActivate();
    ASSERT_TRUE(sch().tmrD365_Get.enabled());
    clock.set(at(9, 30));
    exchanges.results["LoginD365"] = -1;
    sch().tmrD365_GetTimer();
    EXPECT_TRUE(logHas("Neizdevās pievienoties pie D365, process turpinās"));
    EXPECT_FALSE(sch().tmrD365_Get.enabled());
    EXPECT_EQ(exchanges.calls, QStringList{"LoginD365"});

    host->btStartClick();
    EXPECT_TRUE(sch().tmrD365_Get.enabled());
}

TEST_F(SchedulerTest, FailedD365GroupKeepsItsDueTimeWhileTheOthersRun)
{
    configure("AutoPrecuAtlikumi=0\n", "D365_GetVisparejieDati=2\nD365_GetVisparejieDatiTime=20\n"
                                       "D365_GetAkcijuDati=2\nD365_GetAkcijuDatiTime=20\n"
                                       "D365_GetPavadzimjuDati=2\nD365_GetPavadzimjuDatiTime=20\n");
    clock.set(at(9, 0));
    host->FormActivate();
    clock.set(at(9, 30));
    exchanges.results["GetGeneralData"] = -1;
    sch().tmrD365_GetTimer();
    EXPECT_EQ(exchanges.calls, (QStringList{"LoginD365", "GetGeneralData", "GetPromotionData", "GetDocumentData"}));
    EXPECT_EQ(sch().nextTime(Scheduled::D365General), at(9, 20));
    EXPECT_EQ(sch().nextTime(Scheduled::D365Promotion), at(9, 50));
    EXPECT_TRUE(sch().tmrD365_Get.enabled());
    EXPECT_TRUE(logHas("D365GetTimer : D365NextTimeVisparejieDati=07.12.2026 09:20:00"));

    // One minute later only the failed group is due again.
    exchanges.calls.clear();
    exchanges.results.erase("GetGeneralData");
    clock.set(at(9, 31));
    sch().tmrD365_GetTimer();
    EXPECT_EQ(exchanges.calls, (QStringList{"LoginD365", "GetGeneralData"}));
}

TEST_F(SchedulerTest, EquinoxAndD365PostTicksWhileBusyEndSilently)
{
    configure("AutoPrecuAtlikumi=0\n", "EquinixAutoApmaina=1\nEquinixAutoApmainaTime=1\nD365_Post=1\nD365_PostTime=1\n"
                                       "EdisoftAutoImport=false\nTelemaaAutoImports=false\n");
    host->FormActivate();
    ASSERT_TRUE(sch().tmrEquinox.enabled());
    host->SetBusy(true, "WWW SendAtlikumi");
    const int lines = host->log().lines().size();
    sch().tmrEquinoxTimer();
    sch().tmrD365_PostTimer();
    EXPECT_EQ(host->log().lines().size(), lines);
    EXPECT_TRUE(sch().tmrEquinox.enabled());
    EXPECT_TRUE(sch().tmrD365_Post.enabled());
    EXPECT_TRUE(host->busy().isSet());
    EXPECT_TRUE(exchanges.calls.isEmpty());
}

TEST_F(SchedulerTest, EquinoxTickRunsTheSwitchedOperationsEachGuarded)
{
    configure("AutoPrecuAtlikumi=0\n", "EquinixAutoApmaina=1\nEquinixAutoApmainaTime=1\nEdisoftAutoImport=false\n"
                                       "TelemaaAutoImports=false\n"
                                       "[EquinoxExp]\nFTPVieta=ftp.example.lv\nUserName=u\nParole=p\nAutoKlienti=true\n"
                                       "AutoPreces=true\nAutoPasutijumi=false\nAutoImports=true\nTikaiLabotasPreces=true");
    host->FormActivate();
    exchanges.actions["EquinoxSendPartners"] = [] { throw VarnisError("530 Login incorrect"); };
    sch().tmrEquinoxTimer();
    EXPECT_EQ(exchanges.calls, (QStringList{"EquinoxSendPartners", "EquinoxSendGoods", "EquinoxImport"}));
    EXPECT_TRUE(logHas("Sāku tmrEquinoxTimer..."));
    EXPECT_TRUE(logHas("Kļūda sūtot uz Equinox nodaļas un klientus, process turpinās : 530 Login incorrect"));
    EXPECT_TRUE(logHas("Beidzu tmrEquinoxTimer..."));
    EXPECT_EQ(sch().equinoxOptions().FTPVieta, "ftp.example.lv");
    EXPECT_TRUE(sch().equinoxOptions().TikaiLabotasPreces);
    EXPECT_FALSE(host->busy().isSet());
    EXPECT_TRUE(sch().tmrEquinox.enabled());
}

TEST_F(SchedulerTest, TelemaEdisoftTickFollowsTheCheckBoxes)
{
    configure("AutoPrecuAtlikumi=0\n", "EdisoftAutoImport=true\nTelemaaAutoImports=true\n");
    host->FormActivate();
    exchanges.actions["EdisoftImpProcess"] = [this] {
        host->SetBusy(true, "EdisoftImpProcess");
        throw VarnisError("bad file");
    };
    sch().TelemaaEdisoftLaiksTimer();
    EXPECT_EQ(exchanges.calls, (QStringList{"EdisoftImpProcess", "TelemaProcess"}));
    EXPECT_TRUE(logHas("Kļūda pie TelemaaEdisoftLaiksTimer !!!bad file"));
    EXPECT_FALSE(host->busy().isSet());
    EXPECT_TRUE(sch().TelemaaEdisoftLaiks.enabled());
}

TEST_F(SchedulerTest, DatabaseRemovedThenRestored)
{
    configure("AutoPrecuAtlikumi=2\nAtlikumiTime=20\nAutoKlasifikatori=2\nSarakstiTime=20\n");
    clock.set(at(9, 0));
    host->FormActivate();
    ASSERT_TRUE(host->dati().isConnected());
    const QString moved = db.path() + ".away";
    ASSERT_TRUE(QFile::rename(db.path(), moved));

    clock.set(at(9, 30));
    sch().WWWDatuApmainaTimer();
    EXPECT_TRUE(logHas("DB konekcijas atjaunošana ..."));
    EXPECT_TRUE(logHas("Nevaru atvērt datu bāzi !!!"));
    EXPECT_TRUE(logHas("Neizpildījās WWW atlikumu sūtīšana, nav DB konekcijas WWWNextTimeAtlikumi=07.12.2026 09:20:00"));
    EXPECT_TRUE(logHas("Neizpildījās WWW saraksti sūtīšana, nav DB konekcijas WWWNextKlasif=07.12.2026 09:20:00"));
    EXPECT_TRUE(exchanges.calls.isEmpty());
    EXPECT_TRUE(sch().WWWDatuApmaina.enabled());

    ASSERT_TRUE(QFile::rename(moved, db.path()));
    clock.set(at(9, 31));
    sch().WWWDatuApmainaTimer();
    EXPECT_EQ(logCount("DB konekcijas atjaunošana ..."), 2);
    EXPECT_EQ(exchanges.calls, (QStringList{"SendAtlikumi", "SendKlasif"}));
    EXPECT_TRUE(host->dati().isConnected());
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), at(9, 51));
}

TEST_F(SchedulerTest, RealTimersTickOnTheirIntervals)
{
    configure("AutoPrecuAtlikumi=0\n", "HorizonAutoApmaina=1\nHorizonAutoApmainaTime=1\nEdisoftAutoImport=false\n"
                                       "TelemaaAutoImports=false\n");
    host->FormActivate();
    ASSERT_TRUE(sch().tmrHorizonApmaksas.enabled());
    sch().tmrHorizonApmaksas.setInterval(20);
    QElapsedTimer t;
    t.start();
    while (exchanges.calls.size() < 3 && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_GE(exchanges.calls.size(), 3);
    EXPECT_EQ(exchanges.calls.first(), "HorizonProcessImports");
    EXPECT_TRUE(sch().tmrHorizonApmaksas.enabled());
}
