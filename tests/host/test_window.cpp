// The main window against a real host on a temporary INI file, offscreen.

#include "support/QtPrinters.h"
#include "support/Recorders.h"

#include "host/ProcessHost.h"
#include "host/StatusTableModel.h"
#include "host/Varnisprocessmainform.h"
#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

namespace {

const QString kNoDatabase = QStringLiteral("Nav ievadīta datu bāze, process nav iespējams !!!");

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        registry = std::make_unique<Registry>(iniPath());
        host = std::make_unique<ProcessHost>(*registry, clock, temp.filePath(QStringLiteral("VarnisProcess.log")));
        window = std::make_unique<TVarnisProcessMain>(*host);
        host->setDialogs(&dialogs);
    }

    void TearDown() override
    {
        window.reset();
        host.reset();
        registry.reset();
    }

    QString iniPath() const { return temp.filePath(QStringLiteral("VARNIS-A.ini")); }
    QString missingDatabase() const { return temp.filePath(QStringLiteral("nav/PRECES.GDB")); }

    template <typename T>
    T* child(const char* name)
    {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QLineEdit* edit(const char* name) { return child<QLineEdit>(name); }
    QCheckBox* check(const char* name) { return child<QCheckBox>(name); }

    QList<QRadioButton*> items(const char* group)
    {
        QGroupBox* box = child<QGroupBox>(group);
        return box ? box->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly) : QList<QRadioButton*>{};
    }

    void choose(const char* group, int index)
    {
        const QList<QRadioButton*> buttons = items(group);
        ASSERT_LT(index, buttons.size()) << group;
        buttons.at(index)->click();
    }

    int chosen(const char* group)
    {
        const QList<QRadioButton*> buttons = items(group);
        for (int i = 0; i < buttons.size(); ++i)
            if (buttons.at(i)->isChecked())
                return i;
        return -1;
    }

    QTemporaryDir temp;
    ManualClock clock;
    RecordingDialogs dialogs;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<ProcessHost> host;
    std::unique_ptr<TVarnisProcessMain> window;
};

struct Radio {
    const char* name;
    QStringList items;
};

const QList<Radio>& radioGroups()
{
    static const QString no = QStringLiteral("Nesūtīt automātiski");
    static const QString noReceive = QStringLiteral("Nesaņemt automātiski");
    static const QString daily = QStringLiteral("Vienu reizi dienā");
    static const QString every = QStringLiteral("Ik pēc (min) :");
    static const QList<Radio> groups{
        {"rdAtlikumi", {no, QStringLiteral("Vienu reizi dienā :"), every}},
        {"rdKlasifikatori", {no, daily, every}},
        {"rdSanemt", {noReceive, daily, every}},
        {"rdVestureTips", {no, daily, every}},
        {"rdEquinoxAutoApmaina", {no, QStringLiteral("Ik pēc (min) : ")}},
        {"rdHorizonAutoApmaina", {no, every}},
        {"rdD365_GetVisparejieDati", {noReceive, daily, every}},
        {"rdD365_GetAkcijuDati", {noReceive, daily, every}},
        {"rdD365_GetPavadzimjuDati", {noReceive, daily, every}},
        {"rdD365_PostAutoApmaina", {no, QStringLiteral("Ik pēc (min) : ")}},
    };
    return groups;
}

const char* const kLineEdits[] = {
    "edDatuBaze", "edTempDir", "shNeveiktLaiksNo", "shNeveiktLaiksLidz",
    "shAtlikPlkst", "shSarakstsPlkst", "shSanemPlkst", "shVesturePlkst",
    "edD365_GetPlkstVisparejie", "edD365_GetPlkstAkcijas", "edD365_GetPlkstPavadzimju",
    "edAtlikumiTime", "edSarakstiTime", "edSanemtTime", "edVestureTime", "edEquinoxTime", "edHorizonTime",
    "edD365_GetTimeVisparejie", "edD365_GetTimeAkcijas", "edD365_GetTimePavadzimju", "edD365_PostTime",
};

}  // namespace

TEST_F(WindowTest, CreationLogsCaptionAndShowsSettingsPage)
{
    const QStringList lines = host->log().lines();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.first().endsWith(QLatin1Char(' ') + AppInfo::caption())) << lines.first().toStdString();
    EXPECT_EQ(window->windowTitle(), AppInfo::caption());
    EXPECT_EQ(window->size(), QSize(673, 639));

    auto* pages = child<QTabWidget>("pgLappuses");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("tabIestatisana"));
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Iestatīšana"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Process"));
    // Nothing is applied before the window is shown.
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(WindowTest, EveryControlExistsWithItsType)
{
    for (const char* name : kLineEdits)
        edit(name);
    check("chkEdisoftAuto");
    check("chkTelemaaAuto");
    EXPECT_EQ(check("chkEdisoftAuto")->text(), QStringLiteral("Veikt automātisko datu apmaiņu"));
    EXPECT_EQ(qobject_cast<QGroupBox*>(check("chkEdisoftAuto")->parentWidget())->title(), QStringLiteral("Edisoft"));
    EXPECT_EQ(qobject_cast<QGroupBox*>(check("chkTelemaaAuto")->parentWidget())->title(), QStringLiteral("Telemaa"));

    for (const Radio& r : radioGroups()) {
        QStringList captions;
        for (QRadioButton* b : items(r.name))
            captions << b->text();
        EXPECT_EQ(captions, r.items) << r.name;
    }
    EXPECT_EQ(child<QGroupBox>("rdAtlikumi")->title(), QStringLiteral("WWW - Preču atlikumu eksports"));
    EXPECT_EQ(child<QGroupBox>("rdVestureTips")->title(), QStringLiteral("Pavadzīmju vēstures/Klientu atlikumi (OC3)"));
    EXPECT_EQ(child<QGroupBox>("rdD365_GetVisparejieDati")->title(), QStringLiteral("D365 Get vispārājā informācija"));

    child<QWidget>("tabIestatisana");
    auto* tabProcess = child<QWidget>("tabProcess");
    auto* list = child<QListView>("lstProcess");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->parentWidget(), tabProcess);
    EXPECT_EQ(list->model(), host->log().model());

    EXPECT_EQ(child<QPushButton>("btStart")->text(), QStringLiteral("Start"));
    EXPECT_EQ(child<QPushButton>("btClose")->text(), QStringLiteral("Aizvērt"));
    const std::pair<const char*, const char*> hidden[] = {
        {"btTestEquinox", "Test Equinox FTP"}, {"btTestEdisoft", "Test Edisoft"},
        {"btTestTelema", "Test Telema"}, {"btTestWebKlienti", "Test Klientu saņem."},
        {"btEquinoxImport", "Test Equinox Import"}, {"btD365_Get", "Test D365 Get"},
        {"btD365Post", "Test D365 Post"},
    };
    for (const auto& [name, caption] : hidden) {
        auto* button = child<QPushButton>(name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(caption));
        EXPECT_TRUE(button->isHidden()) << name;
    }
}

TEST_F(WindowTest, ControlsStartWithTheInitialValues)
{
    EXPECT_EQ(edit("edDatuBaze")->text(), QString());
    EXPECT_EQ(edit("edTempDir")->text(), QString());
    EXPECT_EQ(edit("shNeveiktLaiksNo")->displayText(), QStringLiteral(" 0:10"));
    EXPECT_EQ(edit("shNeveiktLaiksLidz")->displayText(), QStringLiteral("23:59"));
    EXPECT_EQ(edit("shAtlikPlkst")->text(), QStringLiteral("10:00"));
    EXPECT_EQ(edit("edD365_GetPlkstPavadzimju")->text(), QStringLiteral("10:00"));
    EXPECT_EQ(edit("edD365_PostTime")->text(), QStringLiteral("20"));
    for (const Radio& r : radioGroups())
        EXPECT_EQ(chosen(r.name), 0) << r.name;
    EXPECT_FALSE(check("chkEdisoftAuto")->isChecked());
    EXPECT_FALSE(check("chkTelemaaAuto")->isChecked());
}

TEST_F(WindowTest, StartSavesEveryControl)
{
    const QString db = missingDatabase();
    edit("edDatuBaze")->setText(db);
    edit("edTempDir")->setText(temp.path());
    edit("shNeveiktLaiksNo")->setText(QStringLiteral(" 1:30"));
    edit("shNeveiktLaiksLidz")->setText(QStringLiteral("22:45"));

    choose("rdAtlikumi", 2);
    edit("shAtlikPlkst")->setText(QStringLiteral("07:15"));
    edit("edAtlikumiTime")->setText(QStringLiteral("30"));
    choose("rdKlasifikatori", 1);
    edit("shSarakstsPlkst")->setText(QStringLiteral("05:00"));
    edit("edSarakstiTime")->setText(QStringLiteral("45"));
    choose("rdSanemt", 2);
    edit("shSanemPlkst")->setText(QStringLiteral("11:20"));
    edit("edSanemtTime")->setText(QStringLiteral("25"));
    edit("shVesturePlkst")->setText(QStringLiteral("12:30"));
    edit("edVestureTime")->setText(QStringLiteral("60"));

    check("chkEdisoftAuto")->setChecked(true);
    choose("rdEquinoxAutoApmaina", 1);
    edit("edEquinoxTime")->setText(QStringLiteral("15"));
    edit("edHorizonTime")->setText(QStringLiteral("abc"));

    choose("rdD365_GetVisparejieDati", 1);
    edit("edD365_GetPlkstVisparejie")->setText(QStringLiteral("06:30"));
    edit("edD365_GetTimeVisparejie")->setText(QStringLiteral("90"));
    choose("rdD365_GetAkcijuDati", 2);
    edit("edD365_GetPlkstAkcijas")->setText(QStringLiteral("08:00"));
    edit("edD365_GetTimeAkcijas")->setText(QStringLiteral("35"));
    edit("edD365_GetPlkstPavadzimju")->setText(QStringLiteral("21:05"));
    edit("edD365_GetTimePavadzimju")->setText(QStringLiteral("40"));
    choose("rdD365_PostAutoApmaina", 1);
    edit("edD365_PostTime")->setText(QStringLiteral("5"));

    child<QPushButton>("btStart")->click();

    QSettings ini(iniPath(), QSettings::IniFormat);
    auto a = [&](const char* name) { return ini.value(QStringLiteral("AutoProcess_Config/") + QLatin1String(name)).toString(); };
    auto w = [&](const char* name) { return ini.value(QStringLiteral("AutoProcess_WWWExp/") + QLatin1String(name)).toString(); };

    EXPECT_EQ(a("DatuBaze"), db);
    EXPECT_EQ(a("TempDir"), temp.path());
    EXPECT_EQ(a("NeveiktLaiksNo").trimmed(), QStringLiteral("1:30"));
    EXPECT_EQ(a("NeveiktLaiksLidz"), QStringLiteral("22:45"));
    EXPECT_EQ(a("EdisoftAutoImport"), QStringLiteral("true"));
    EXPECT_EQ(a("TelemaaAutoImports"), QStringLiteral("false"));
    EXPECT_EQ(a("EquinixAutoApmaina"), QStringLiteral("1"));
    EXPECT_EQ(a("EquinixAutoApmainaTime"), QStringLiteral("15"));
    EXPECT_EQ(a("HorizonAutoApmaina"), QStringLiteral("0"));
    EXPECT_EQ(a("HorizonAutoApmainaTime"), QStringLiteral("abc"));  // stored as typed
    EXPECT_EQ(a("D365_GetVisparejieDati"), QStringLiteral("1"));
    EXPECT_EQ(a("D365_GetVisparejieDatiPlkst"), QStringLiteral("06:30"));
    EXPECT_EQ(a("D365_GetVisparejieDatiTime"), QStringLiteral("90"));
    EXPECT_EQ(a("D365_GetAkcijuDati"), QStringLiteral("2"));
    EXPECT_EQ(a("D365_GetAkcijuDatiPlkst"), QStringLiteral("08:00"));
    EXPECT_EQ(a("D365_GetAkcijuDatiTime"), QStringLiteral("35"));
    EXPECT_EQ(a("D365_GetPavadzimjuDati"), QStringLiteral("0"));
    EXPECT_EQ(a("D365_GetPavadzimjuDatiPlkst"), QStringLiteral("21:05"));
    EXPECT_EQ(a("D365_GetPavadzimjuDatiTime"), QStringLiteral("40"));
    EXPECT_EQ(a("D365_Post"), QStringLiteral("1"));
    EXPECT_EQ(a("D365_PostTime"), QStringLiteral("5"));

    EXPECT_EQ(w("AutoPrecuAtlikumi"), QStringLiteral("2"));
    EXPECT_EQ(w("AutoKlasifikatori"), QStringLiteral("1"));
    EXPECT_EQ(w("AutoSanemt"), QStringLiteral("2"));
    EXPECT_EQ(w("VestureTips"), QStringLiteral("0"));
    EXPECT_EQ(w("AtlikumiTime"), QStringLiteral("30"));
    EXPECT_EQ(w("SarakstiTime"), QStringLiteral("45"));
    EXPECT_EQ(w("SanemtTime"), QStringLiteral("25"));
    EXPECT_EQ(w("VestureTime"), QStringLiteral("60"));
    EXPECT_EQ(w("AtlikPlkst"), QStringLiteral("07:15"));
    EXPECT_EQ(w("SarakstsPlkst"), QStringLiteral("05:00"));
    EXPECT_EQ(w("SanemPlkst"), QStringLiteral("11:20"));
    EXPECT_EQ(w("VesturePlkst"), QStringLiteral("12:30"));

    // Start also applied the configuration: the path was there, so no message.
    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_TRUE(host->log().lines().filter(QStringLiteral("CheckAutoProcess - SetNextTime WWW")).size() == 1);
    EXPECT_TRUE(host->scheduler().tmrEquinox.enabled());
    // The controls still show what was typed.
    EXPECT_EQ(edit("edDatuBaze")->text(), db);
    EXPECT_EQ(chosen("rdAtlikumi"), 2);
    EXPECT_TRUE(check("chkEdisoftAuto")->isChecked());
}

TEST_F(WindowTest, PeriodKeepsItsBlankHourDigit)
{
    edit("edDatuBaze")->setText(missingDatabase());
    child<QPushButton>("btStart")->click();
    QSettings ini(iniPath(), QSettings::IniFormat);
    const QString from = ini.value(QStringLiteral("AutoProcess_Config/NeveiktLaiksNo")).toString();
    EXPECT_TRUE(from == QStringLiteral(" 0:10") || from == QStringLiteral("0:10")) << from.toStdString();
    EXPECT_EQ(edit("shNeveiktLaiksNo")->displayText(), QStringLiteral(" 0:10"));
}

TEST_F(WindowTest, EmptyDatabaseShowsMessageAndRefillsWhatWasRead)
{
    {
        RegistryKey a(*registry);
        ASSERT_TRUE(a.OpenKey(QStringLiteral("AutoProcess_Config"), true));
        a.WriteString(QStringLiteral("DatuBaze"), QString());
        a.WriteString(QStringLiteral("TempDir"), QStringLiteral("/var/tmp/varnis"));
        a.WriteString(QStringLiteral("NeveiktLaiksNo"), QStringLiteral("2:00"));
        a.WriteString(QStringLiteral("NeveiktLaiksLidz"), QStringLiteral("21:30"));
    }
    host->CheckAutoProcess();

    EXPECT_EQ(dialogs.messages, QStringList{kNoDatabase});
    EXPECT_EQ(edit("edDatuBaze")->text(), QString());
    EXPECT_EQ(edit("edTempDir")->text(), QStringLiteral("/var/tmp/varnis"));
    EXPECT_EQ(edit("shNeveiktLaiksNo")->displayText(), QStringLiteral(" 2:00"));
    EXPECT_EQ(edit("shNeveiktLaiksLidz")->displayText(), QStringLiteral("21:30"));
}

TEST_F(WindowTest, ApplyRefillsTheControls)
{
    {
        RegistryKey a(*registry);
        ASSERT_TRUE(a.OpenKey(QStringLiteral("AutoProcess_Config"), true));
        a.WriteString(QStringLiteral("DatuBaze"), missingDatabase());
        a.WriteString(QStringLiteral("TempDir"), temp.path());
        a.WriteString(QStringLiteral("NeveiktLaiksNo"), QStringLiteral(" 0:30"));
        a.WriteString(QStringLiteral("NeveiktLaiksLidz"), QStringLiteral("23:00"));
        a.WriteBool(QStringLiteral("EdisoftAutoImport"), true);
        a.WriteBool(QStringLiteral("TelemaaAutoImports"), true);
        a.WriteInteger(QStringLiteral("EquinixAutoApmaina"), 1);
        a.WriteString(QStringLiteral("EquinixAutoApmainaTime"), QStringLiteral("12"));
        a.WriteInteger(QStringLiteral("HorizonAutoApmaina"), 1);
        a.WriteString(QStringLiteral("HorizonAutoApmainaTime"), QStringLiteral("50"));
        a.WriteInteger(QStringLiteral("D365_GetVisparejieDati"), 1);
        a.WriteString(QStringLiteral("D365_GetVisparejieDatiPlkst"), QStringLiteral("6:30"));
        a.WriteString(QStringLiteral("D365_GetVisparejieDatiTime"), QStringLiteral("20"));
        a.WriteInteger(QStringLiteral("D365_GetAkcijuDati"), 2);
        a.WriteString(QStringLiteral("D365_GetAkcijuDatiPlkst"), QStringLiteral("09:00"));
        a.WriteString(QStringLiteral("D365_GetAkcijuDatiTime"), QStringLiteral("120"));
        a.WriteInteger(QStringLiteral("D365_GetPavadzimjuDati"), 2);
        a.WriteString(QStringLiteral("D365_GetPavadzimjuDatiPlkst"), QStringLiteral("10:00"));
        a.WriteString(QStringLiteral("D365_GetPavadzimjuDatiTime"), QStringLiteral("15"));
        a.WriteInteger(QStringLiteral("D365_Post"), 1);
        a.WriteString(QStringLiteral("D365_PostTime"), QStringLiteral("7"));

        RegistryKey w(*registry);
        ASSERT_TRUE(w.OpenKey(QStringLiteral("AutoProcess_WWWExp"), true));
        w.WriteInteger(QStringLiteral("AutoPrecuAtlikumi"), 2);
        w.WriteInteger(QStringLiteral("AutoKlasifikatori"), 1);
        w.WriteInteger(QStringLiteral("AutoSanemt"), 2);
        w.WriteInteger(QStringLiteral("VestureTips"), 1);
        w.WriteString(QStringLiteral("AtlikumiTime"), QStringLiteral("30"));
        w.WriteString(QStringLiteral("AtlikPlkst"), QStringLiteral("10:00"));
        w.WriteString(QStringLiteral("SarakstiTime"), QStringLiteral("20"));
        w.WriteString(QStringLiteral("SarakstsPlkst"), QStringLiteral("04:45"));
        w.WriteString(QStringLiteral("SanemtTime"), QStringLiteral("5"));
        w.WriteString(QStringLiteral("SanemPlkst"), QStringLiteral("10:00"));
        w.WriteString(QStringLiteral("VestureTime"), QStringLiteral("20"));
        w.WriteString(QStringLiteral("VesturePlkst"), QStringLiteral("23:10"));
    }
    host->CheckAutoProcess();

    EXPECT_TRUE(dialogs.messages.isEmpty());
    EXPECT_EQ(edit("edDatuBaze")->text(), missingDatabase());
    EXPECT_EQ(edit("edTempDir")->text(), temp.path());
    EXPECT_EQ(edit("shNeveiktLaiksNo")->displayText(), QStringLiteral(" 0:30"));
    EXPECT_EQ(edit("shNeveiktLaiksLidz")->displayText(), QStringLiteral("23:00"));

    EXPECT_EQ(chosen("rdAtlikumi"), 2);
    EXPECT_EQ(chosen("rdKlasifikatori"), 1);
    EXPECT_EQ(chosen("rdSanemt"), 2);
    EXPECT_EQ(chosen("rdVestureTips"), 1);
    EXPECT_EQ(edit("edAtlikumiTime")->text(), QStringLiteral("30"));
    EXPECT_EQ(edit("shSarakstsPlkst")->text(), QStringLiteral("04:45"));
    EXPECT_EQ(edit("edSanemtTime")->text(), QStringLiteral("5"));
    EXPECT_EQ(edit("shVesturePlkst")->text(), QStringLiteral("23:10"));

    EXPECT_TRUE(check("chkEdisoftAuto")->isChecked());
    EXPECT_TRUE(check("chkTelemaaAuto")->isChecked());
    EXPECT_EQ(chosen("rdEquinoxAutoApmaina"), 1);
    EXPECT_EQ(edit("edEquinoxTime")->text(), QStringLiteral("12"));
    EXPECT_EQ(chosen("rdHorizonAutoApmaina"), 1);
    EXPECT_EQ(edit("edHorizonTime")->text(), QStringLiteral("50"));

    EXPECT_EQ(chosen("rdD365_GetVisparejieDati"), 1);
    EXPECT_EQ(edit("edD365_GetPlkstVisparejie")->text(), QStringLiteral("6:30"));  // a plain edit keeps what is stored
    EXPECT_EQ(chosen("rdD365_GetAkcijuDati"), 2);
    EXPECT_EQ(edit("edD365_GetTimeAkcijas")->text(), QStringLiteral("120"));
    EXPECT_EQ(chosen("rdD365_GetPavadzimjuDati"), 2);
    EXPECT_EQ(edit("edD365_GetTimePavadzimju")->text(), QStringLiteral("15"));
    EXPECT_EQ(chosen("rdD365_PostAutoApmaina"), 1);
    EXPECT_EQ(edit("edD365_PostTime")->text(), QStringLiteral("7"));
}

TEST_F(WindowTest, FirstShowAppliesTheConfigurationOnce)
{
    window->show();
    const QDeadlineTimer deadline(5000);
    while (dialogs.messages.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(dialogs.messages, QStringList{kNoDatabase});  // empty INI

    window->hide();
    window->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialogs.messages.size(), 1);

    child<QPushButton>("btClose")->click();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowTest, ListFollowsTheLastLine)
{
    for (int i = 0; i < 40; ++i)
        host->log().WriteLog(QStringLiteral("rinda %1").arg(i));
    host->log().WriteLog(QStringLiteral("progress 1"), true);
    auto* list = child<QListView>("lstProcess");
    ASSERT_NE(list, nullptr);
    const int rows = list->model()->rowCount();
    EXPECT_EQ(list->currentIndex().row(), rows - 1);
    EXPECT_TRUE(list->selectionModel()->isRowSelected(rows - 1, {}));
}

TEST_F(WindowTest, HiddenButtonsReachTheHost)
{
    RecordingExchanges exchanges;
    host->setExchanges(&exchanges);
    for (const char* button : {"btTestTelema", "btTestWebKlienti", "btTestEdisoft", "btTestEquinox", "btEquinoxImport"})
        child<QPushButton>(button)->click();
    EXPECT_EQ(exchanges.calls, (QStringList{"TelemaProcess", "ReceiveWebCustomers", "EdisoftTestImport",
                                            "EquinoxTestFtp", "EquinoxImport"}));
    host->setExchanges(nullptr);
}

TEST_F(WindowTest, StatusPageShowsTheRunsAndMarksFailedRows)
{
    host->monitor().openHistory(HostMonitor::Role::Service, temp.filePath(QStringLiteral("VarnisVesture.sqlite")));
    RecordingExchanges exchanges;
    exchanges.results["TelemaProcess"] = 0;
    exchanges.actions["TelemaProcess"] = [this] { host->log().WriteLog(QStringLiteral("Kļūda pie Telema: 503")); };
    host->setExchanges(&exchanges);
    child<QPushButton>("btTestTelema")->click();
    child<QPushButton>("btTestWebKlienti")->click();
    QCoreApplication::processEvents();  // the table is rebuilt once the run has ended

    auto* pages = child<QTabWidget>("pgLappuses");
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(2), QStringLiteral("Stāvoklis"));
    auto* table = child<QTableView>("grdStavoklis");
    ASSERT_NE(table, nullptr);
    const QAbstractItemModel* m = table->model();
    auto row = [m](const QString& label) {
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->index(r, StatusTableModel::Exchange).data().toString() == label)
                return r;
        return -1;
    };
    const int telema = row(QStringLiteral("Telema"));
    const int customers = row(QStringLiteral("WWW klientu saņemšana"));
    const int stock = row(QStringLiteral("WWW preču atlikumi"));
    ASSERT_GE(telema, 0);
    ASSERT_GE(customers, 0);  // a manual exchange shows once it has run
    ASSERT_GE(stock, 0);
    EXPECT_EQ(m->index(telema, StatusTableModel::LastError).data().toString(), QStringLiteral("Kļūda pie Telema: 503"));
    EXPECT_EQ(m->index(telema, StatusTableModel::Runs24h).data().toString(), QStringLiteral("1 / 1"));
    EXPECT_EQ(m->index(stock, StatusTableModel::Schedule).data().toString(), QStringLiteral("izslēgta"));
    EXPECT_TRUE(m->index(telema, 0).data(StatusTableModel::FailingRole).toBool());
    EXPECT_TRUE(m->index(telema, StatusTableModel::LastError).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(m->index(customers, 0).data(Qt::BackgroundRole).isValid());

    host->setExchanges(nullptr);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST_F(WindowTest, EditsCountAtOnceForTheTimersWithoutStart)
{
    const AutoProcessSettings& s = host->settings();
    check("chkEdisoftAuto")->click();
    EXPECT_TRUE(s.EdisoftAutoImport);
    check("chkEdisoftAuto")->click();
    EXPECT_FALSE(s.EdisoftAutoImport);
    edit("shNeveiktLaiksNo")->setText(QStringLiteral("01:15"));
    EXPECT_EQ(s.NeveiktLaiksNo, QStringLiteral("01:15"));
    edit("edDatuBaze")->setText(missingDatabase());
    EXPECT_EQ(s.DatuBaze, missingDatabase());
    choose("rdAtlikumi", 2);
    EXPECT_EQ(s.AutoPrecuAtlikumi, 2);
    // Nothing is written until Start.
    EXPECT_FALSE(QFile::exists(iniPath()));
}

TEST_F(WindowTest, StoredValuesOutsideTheControlsAreShownSoundly)
{
    {
        RegistryKey a(*registry);
        ASSERT_TRUE(a.OpenKey(QStringLiteral("AutoProcess_Config"), true));
        a.WriteString(QStringLiteral("DatuBaze"), missingDatabase());
        a.WriteBool(QStringLiteral("EdisoftAutoImport"), false);
        a.WriteBool(QStringLiteral("TelemaaAutoImports"), false);
        a.WriteInteger(QStringLiteral("D365_GetVisparejieDati"), 2);  // every 20 minutes; the clock text is only shown
        a.WriteString(QStringLiteral("D365_GetVisparejieDatiTime"), QStringLiteral("20"));
        a.WriteString(QStringLiteral("D365_GetVisparejieDatiPlkst"), QStringLiteral("123:456"));
        a.WriteInteger(QStringLiteral("D365_GetAkcijuDati"), 0);
        a.WriteInteger(QStringLiteral("D365_GetPavadzimjuDati"), 0);
        RegistryKey w(*registry);
        ASSERT_TRUE(w.OpenKey(QStringLiteral("AutoProcess_WWWExp"), true));
        w.WriteInteger(QStringLiteral("AutoPrecuAtlikumi"), 3);
        w.WriteInteger(QStringLiteral("AutoKlasifikatori"), 0);
        w.WriteInteger(QStringLiteral("AutoSanemt"), 0);
        w.WriteInteger(QStringLiteral("VestureTips"), 0);
    }
    host->CheckAutoProcess();
    // An index past the last item chooses the last, so Start saves a real one.
    EXPECT_EQ(chosen("rdAtlikumi"), 2);
    // The D365 clock fields are plain edits: no mask pads or cuts what is stored.
    EXPECT_TRUE(edit("edD365_GetPlkstVisparejie")->inputMask().isEmpty());
    EXPECT_EQ(edit("edD365_GetPlkstVisparejie")->text(), QStringLiteral("123:456"));
    child<QPushButton>("btStart")->click();
    QSettings ini(iniPath(), QSettings::IniFormat);
    EXPECT_EQ(ini.value("AutoProcess_WWWExp/AutoPrecuAtlikumi").toInt(), 2);
    EXPECT_EQ(ini.value("AutoProcess_Config/D365_GetVisparejieDatiPlkst").toString(), QStringLiteral("123:456"));
}
