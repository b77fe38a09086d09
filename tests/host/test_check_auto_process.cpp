#include "support/HostFixture.h"

#include "platform/DateText.h"

#include <QSettings>

namespace {

QByteArray fullIni(const QString& db)
{
    return QStringLiteral(
               "[AutoProcess_Config]\n"
               "DatuBaze=%1\nTempDir=/tmp\nNeveiktLaiksNo=\" 0:10\"\nNeveiktLaiksLidz=00:20\n"
               "EdisoftAutoImport=true\nTelemaaAutoImports=false\n"
               "EquinixAutoApmaina=1\nEquinixAutoApmainaTime=15\n"
               "HorizonAutoApmaina=1\nHorizonAutoApmainaTime=\" 30 \"\n"
               "D365_GetVisparejieDati=1\nD365_GetVisparejieDatiPlkst=06:30\nD365_GetVisparejieDatiTime=20\n"
               "D365_GetAkcijuDati=2\nD365_GetAkcijuDatiPlkst=10:00\nD365_GetAkcijuDatiTime=90\n"
               "D365_GetPavadzimjuDati=0\nD365_GetPavadzimjuDatiPlkst=10:00\nD365_GetPavadzimjuDatiTime=20\n"
               "D365_Post=1\nD365_PostTime=5\n"
               "[AutoProcess_WWWExp]\n"
               "AutoPrecuAtlikumi=2\nAtlikumiTime=20\nAtlikPlkst=10:00\n"
               "AutoKlasifikatori=1\nSarakstiTime=20\nSarakstsPlkst=22:00\n"
               "AutoSanemt=0\nSanemtTime=20\nSanemPlkst=10:00\n"
               "VestureTips=0\nVestureTime=20\nVesturePlkst=10:00\n"
               "[EquinoxExp]\nInventarizPircejs=11\nInventarizPiegadat=12\n"
               "[D365]\nInventPircejs=21\nInventPiegadatajs=22\n")
        .arg(db)
        .toUtf8();
}

}  // namespace

class CheckAutoProcessTest : public HostFixture {
protected:
    GoodsDb db;
};

TEST_F(CheckAutoProcessTest, EmptyRegistryAsksForADatabaseAndStartsNothing)
{
    host->FormActivate();
    EXPECT_EQ(dialogs.messages, QStringList{"Nav ievadīta datu bāze, process nav iespējams !!!"});
    for (ExchangeTimer* t : sch().timers())
        EXPECT_FALSE(t->enabled()) << t->name().toStdString();
    EXPECT_FALSE(host->dati().isConnected());
    // The first activation only.
    host->FormActivate();
    EXPECT_EQ(dialogs.messages.size(), 1);
}

TEST_F(CheckAutoProcessTest, FullConfigurationConnectsAndEnablesTheTimersItAsksFor)
{
    writeIni(fullIni(db.path()));
    host->FormActivate();
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();
    EXPECT_TRUE(host->dati().isConnected());

    EXPECT_TRUE(sch().WWWDatuApmaina.enabled());
    EXPECT_TRUE(sch().TelemaaEdisoftLaiks.enabled());
    EXPECT_TRUE(sch().tmrEquinox.enabled());
    EXPECT_EQ(sch().tmrEquinox.interval(), 15 * 60000);
    EXPECT_TRUE(sch().tmrHorizonApmaksas.enabled());
    EXPECT_EQ(sch().tmrHorizonApmaksas.interval(), 30 * 60000);
    EXPECT_TRUE(sch().tmrD365_Get.enabled());
    EXPECT_EQ(sch().tmrD365_Get.interval(), 60000);
    EXPECT_TRUE(sch().tmrD365_Post.enabled());
    EXPECT_EQ(sch().tmrD365_Post.interval(), 5 * 60000);

    const AutoProcessSettings& s = host->settings();
    EXPECT_EQ(s.DatuBaze, db.path());
    EXPECT_EQ(s.NeveiktLaiksNo, " 0:10");
    EXPECT_TRUE(s.EdisoftAutoImport);
    EXPECT_FALSE(s.TelemaaAutoImports);
    EXPECT_EQ(s.AutoPrecuAtlikumi, 2);
    EXPECT_EQ(s.AutoKlasifikatori, 1);
    EXPECT_EQ(s.SarakstsPlkst, "22:00");
    EXPECT_EQ(host->EquinoxInventarizPircejs, 11);
    EXPECT_EQ(host->EquinoxInventarizPiegadat, 12);
    EXPECT_EQ(host->D365InventPircejs, 21);
    EXPECT_EQ(host->D365InventPiegadatajs, 22);

    EXPECT_TRUE(logHas("CheckAutoProcess - SetNextTime WWW"));
    EXPECT_TRUE(logHas("WWWNextTimeAtlikumi=07.12.2026 09:20:00"));
    EXPECT_TRUE(logHas("WWWNextKlasif=07.12.2026 22:00:00"));
    EXPECT_TRUE(logHas("CheckAutoProcess - SetNextTime D365 Get"));
    EXPECT_EQ(sch().nextTime(Scheduled::D365General), QDateTime(QDate(2026, 12, 8), QTime(6, 30)));
    EXPECT_EQ(sch().nextTime(Scheduled::D365Promotion), QDateTime(QDate(2026, 12, 7), QTime(10, 30)));
    EXPECT_EQ(sch().nextTime(Scheduled::D365Documents), DateText::neverDue());
    EXPECT_EQ(sch().nextTime(Scheduled::Orders), DateText::neverDue());
}

TEST_F(CheckAutoProcessTest, NonNumericEquinoxMinutesLeaveOnlyEquinoxOff)
{
    QByteArray ini = fullIni(db.path());
    ini.replace("EquinixAutoApmainaTime=15", "EquinixAutoApmainaTime=abc");
    writeIni(ini);
    host->FormActivate();
    EXPECT_FALSE(sch().tmrEquinox.enabled());
    EXPECT_TRUE(sch().tmrHorizonApmaksas.enabled());
    EXPECT_TRUE(sch().tmrD365_Get.enabled());
    EXPECT_TRUE(sch().tmrD365_Post.enabled());
    EXPECT_EQ(host->settings().EquinixAutoApmainaTime, "abc");
}

TEST_F(CheckAutoProcessTest, MissingEdisoftSwitchSkipsTheRestOfTheAutomationGroup)
{
    QByteArray ini = fullIni(db.path());
    ini.replace("EdisoftAutoImport=true\n", "");
    writeIni(ini);
    host->FormActivate();
    EXPECT_TRUE(sch().WWWDatuApmaina.enabled());
    EXPECT_FALSE(sch().TelemaaEdisoftLaiks.enabled());
    EXPECT_FALSE(sch().tmrEquinox.enabled());
    EXPECT_FALSE(sch().tmrHorizonApmaksas.enabled());
    EXPECT_FALSE(sch().tmrD365_Get.enabled());
    EXPECT_FALSE(sch().tmrD365_Post.enabled());
    // Later keys are still read.
    EXPECT_EQ(host->D365InventPircejs, 21);
}

TEST_F(CheckAutoProcessTest, EachInventoryClientIsReadOnItsOwn)
{
    // a missing buyer must not leave the supplier at 0 (its receipts would go out as ordinary ones)
    for (const char* missing : {"InventPircejs=21\n", "InventPiegadatajs=22\n"}) {
        QByteArray ini = fullIni(db.path());
        ini.replace(missing, "");
        writeIni(ini);
        host->FormActivate();
        EXPECT_EQ(host->D365InventPircejs, QByteArray(missing).startsWith("InventPircejs") ? 0 : 21) << missing;
        EXPECT_EQ(host->D365InventPiegadatajs, QByteArray(missing).startsWith("InventPiegadatajs") ? 0 : 22) << missing;
    }
}

TEST_F(CheckAutoProcessTest, MissingWebKeyAndAllModesZeroAreLogged)
{
    QByteArray ini = fullIni(db.path());
    ini = ini.left(ini.indexOf("[AutoProcess_WWWExp]"));
    writeIni(ini);
    host->FormActivate();
    EXPECT_TRUE(logHas("CheckAutoProcess - NOT WWW auto process"));
    EXPECT_FALSE(sch().WWWDatuApmaina.enabled());

    QByteArray zero = fullIni(db.path());
    zero.replace("AutoPrecuAtlikumi=2", "AutoPrecuAtlikumi=0").replace("AutoKlasifikatori=1", "AutoKlasifikatori=0");
    writeIni(zero);
    host->FormActivate();
    EXPECT_TRUE(logHas("CheckAutoProcess - NOT SetNextTime WWW"));
    EXPECT_FALSE(sch().WWWDatuApmaina.enabled());
}

TEST_F(CheckAutoProcessTest, ADamagedModeGroupKeepsTheControlsAndAnInvalidMinutesTextIsReported)
{
    QByteArray ini = fullIni(db.path());
    ini.replace("AutoSanemt=0\n", "AutoSanemt=x\n").replace("AtlikumiTime=20", "AtlikumiTime=1500");
    writeIni(ini);
    host->FormActivate();
    // The mode group stopped at AutoSanemt: stock (read before it) is 2, history (after it) untouched.
    EXPECT_EQ(host->settings().AutoPrecuAtlikumi, 2);
    EXPECT_EQ(host->settings().VestureTips, 0);
    // 1500 minutes is no time of day: shown, and the web shop group is abandoned with its timer
    // off; the groups after it still apply.
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages.first().contains("not a valid time")) << dialogs.messages.first().toStdString();
    EXPECT_FALSE(logHas("Kļūda pie CheckAutoProcess !!!"));
    EXPECT_EQ(sch().nextTime(Scheduled::Stock), DateText::neverDue());
    EXPECT_FALSE(sch().WWWDatuApmaina.enabled());
    EXPECT_TRUE(sch().tmrEquinox.enabled());
    EXPECT_TRUE(sch().tmrD365_Get.enabled());
}

TEST_F(CheckAutoProcessTest, AD365ScheduleThatCannotBeComputedLeavesItsTimerOffSilently)
{
    QByteArray ini = fullIni(db.path());
    ini.replace("D365_GetAkcijuDatiTime=90", "D365_GetAkcijuDatiTime=1500");
    writeIni(ini);
    host->FormActivate();
    EXPECT_FALSE(sch().tmrD365_Get.enabled());
    EXPECT_FALSE(logHas("Kļūda pie CheckAutoProcess !!!"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(sch().tmrD365_Post.enabled());  // the next guarded group still runs
}

TEST_F(CheckAutoProcessTest, MinutesBeyondAMonthDoNotOverflowTheInterval)
{
    QByteArray ini = fullIni(db.path());
    ini.replace("HorizonAutoApmainaTime=\" 30 \"", "HorizonAutoApmainaTime=40000");
    writeIni(ini);
    host->FormActivate();
    EXPECT_TRUE(sch().tmrHorizonApmaksas.enabled());
    EXPECT_EQ(sch().tmrHorizonApmaksas.interval(), 40000LL * 60000);
}

TEST_F(CheckAutoProcessTest, AnEmptyWebSectionIsAKeyWithoutModes)
{
    QByteArray ini = fullIni(db.path());
    ini = ini.left(ini.indexOf("[AutoProcess_WWWExp]")) + "[AutoProcess_WWWExp]\n";
    writeIni(ini);
    host->FormActivate();
    EXPECT_FALSE(logHas("CheckAutoProcess - NOT WWW auto process"));
    EXPECT_TRUE(logHas("CheckAutoProcess - NOT SetNextTime WWW"));
    EXPECT_FALSE(sch().WWWDatuApmaina.enabled());
}

TEST_F(CheckAutoProcessTest, DatabaseThatCannotOpenIsLoggedAndTheTimersStillRun)
{
    writeIni(fullIni(dir.filePath("nav/PRECES.GDB")));
    host->FormActivate();
    EXPECT_TRUE(logHas("Nevaru atvērt datu bāzi !!!"));
    EXPECT_FALSE(host->dati().isConnected());
    EXPECT_TRUE(sch().WWWDatuApmaina.enabled());
    EXPECT_TRUE(sch().tmrEquinox.enabled());
}

TEST_F(CheckAutoProcessTest, SaveWritesEveryControlAndStartAppliesIt)
{
    AutoProcessSettings& s = host->settings();
    s.DatuBaze = db.path();
    s.TempDir = dir.path();
    s.NeveiktLaiksNo = "01:00";
    s.NeveiktLaiksLidz = "05:00";
    s.AutoPrecuAtlikumi = 2;  s.AtlikumiTime = "25";  s.AtlikPlkst = "07:00";
    s.AutoKlasifikatori = 1;  s.SarakstiTime = "30";  s.SarakstsPlkst = "08:00";
    s.AutoSanemt = 2;         s.SanemtTime = "5";     s.SanemPlkst = "09:00";
    s.VestureTips = 1;        s.VestureTime = "40";   s.VesturePlkst = "23:00";
    s.EdisoftAutoImport = true;
    s.TelemaaAutoImports = true;
    s.EquinixAutoApmaina = 1; s.EquinixAutoApmainaTime = "7";
    s.HorizonAutoApmaina = 1; s.HorizonAutoApmainaTime = "8";
    s.D365_GetVisparejieDati = 2; s.D365_GetVisparejieDatiTime = "45"; s.D365_GetVisparejieDatiPlkst = "04:00";
    s.D365_GetAkcijuDati = 1;     s.D365_GetAkcijuDatiTime = "46";     s.D365_GetAkcijuDatiPlkst = "04:30";
    s.D365_GetPavadzimjuDati = 2; s.D365_GetPavadzimjuDatiTime = "47"; s.D365_GetPavadzimjuDatiPlkst = "05:30";
    s.D365_Post = 1;              s.D365_PostTime = "9";
    const AutoProcessSettings saved = s;
    host->btStartClick();

    QSettings ini(iniPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value("AutoProcess_Config/DatuBaze").toString(), db.path());
    EXPECT_EQ(ini.value("AutoProcess_Config/NeveiktLaiksNo").toString(), "01:00");
    EXPECT_EQ(ini.value("AutoProcess_Config/EquinixAutoApmaina").toString(), "1");
    EXPECT_EQ(ini.value("AutoProcess_Config/EquinixAutoApmainaTime").toString(), "7");
    EXPECT_EQ(ini.value("AutoProcess_Config/TelemaaAutoImports").toString(), "true");
    EXPECT_EQ(ini.value("AutoProcess_Config/D365_GetPavadzimjuDatiPlkst").toString(), "05:30");
    EXPECT_EQ(ini.value("AutoProcess_WWWExp/VesturePlkst").toString(), "23:00");
    EXPECT_EQ(ini.value("AutoProcess_WWWExp/AutoSanemt").toString(), "2");

    // A new host reading the same file comes back with the same settings.
    makeHost();
    host->FormActivate();
    EXPECT_EQ(host->settings(), saved);
    EXPECT_TRUE(sch().TelemaaEdisoftLaiks.enabled());
    EXPECT_EQ(sch().tmrEquinox.interval(), 7 * 60000);
}

TEST_F(CheckAutoProcessTest, StartTwiceReconnectsAndKeepsRunningTimers)
{
    writeIni(fullIni(db.path()));
    host->FormActivate();
    ASSERT_TRUE(sch().tmrEquinox.enabled());
    // The operator turns Equinox off and presses Start: the running timer is not stopped.
    host->settings().EquinixAutoApmaina = 0;
    host->btStartClick();
    host->btStartClick();
    EXPECT_TRUE(sch().tmrEquinox.enabled());
    EXPECT_TRUE(host->dati().isConnected());
}
