#include "support/GoodsDb.h"
#include "support/Recorders.h"

#include "db/Mainformdatiform.h"
#include "db/My_proc.h"
#include "db/SqlQuery.h"
#include "host/ProcessLog.h"
#include "platform/AppInfo.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>
#include <iostream>

namespace {

struct Journal : ::testing::Test {
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};
    RecordingDialogs dialogs;
    std::unique_ptr<GoodsDb> db;
    std::unique_ptr<TMainFormDati> dati;

    void open(GoodsDb::Charset charset = GoodsDb::Charset::Win1257, const QString& setUp = {})
    {
        log.setProcessEvents(false);
        db = std::make_unique<GoodsDb>(charset);
        if (!setUp.isEmpty()) {
            db->exec(setUp);
            db->close();
        }
        dati = std::make_unique<TMainFormDati>(log, dialogs, clock);
        ASSERT_TRUE(dati->ConnectDatabase(db->path(), {}));
    }
    MyProc& proc() { return dati->proc(); }
    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "Process log:\n" << log.lines().join('\n').toStdString() << "\n";
    }
};

}  // namespace

TEST_F(Journal, ErrorRowCutsNamesAt200AndKeepsTheWholeMessage)
{
    open();
    const QString function = QString(250, 'f');
    const QString message = QString(300, 'm') + QStringLiteral(" ā");
    proc().MyErrorHandle(function, message);
    EXPECT_EQ(db->count("O_ERRORINFO"), 1);
    EXPECT_EQ(db->scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), function.left(200));
    EXPECT_EQ(db->scalar("SELECT PIEZIMES FROM O_ERRORINFO").toString(), message);
    EXPECT_EQ(db->scalar("SELECT PROGRAMMA FROM O_ERRORINFO").toString(), AppInfo::title());
    EXPECT_EQ(db->scalar("SELECT PIETEICEJS FROM O_ERRORINFO").toString(), "ADMIN");
    EXPECT_EQ(db->scalar("SELECT E_MAIL FROM O_ERRORINFO").toString(), "NAV");
    EXPECT_EQ(db->scalar("SELECT GNOS FROM O_ERRORINFO").toString(), "ERROR");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages.first(), "KĻŪDA FUNKCIJĀ :" + function + " PAZIŅOJUMS : " + message);
    // A non-UTF8 database never registers texts.
    EXPECT_EQ(db->count("N_VALODAS"), 0);
}

TEST_F(Journal, Utf8DatabaseRegistersEachTextOnce)
{
    open(GoodsDb::Charset::Utf8);
    proc().MyErrorHandle("A", "pirmā");
    proc().MyErrorHandle("B", "otrā");
    EXPECT_EQ(db->count("N_VALODAS"), 2);
    EXPECT_EQ(db->count("N_VALODAS", "COMPONENT_NAME='MyErrorHandle1' AND LV='KĻŪDA FUNKCIJĀ :' AND PROGRAM='VN'"), 1);
    EXPECT_EQ(db->count("O_ERRORINFO"), 2);
}

TEST_F(Journal, FailingErrorInsertIsShownAndGoesNoFurther)
{
    open(GoodsDb::Charset::Utf8);
    dati->PRECES_DB().detach();
    proc().MyErrorHandle("Fn", "message");
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[0].startsWith("Procedūra : InsertErrorDB, Kļūda :\n"));
    EXPECT_EQ(dialogs.messages[1], "KĻŪDA FUNKCIJĀ :Fn PAZIŅOJUMS : message");
}

TEST_F(Journal, NewDocumentUsesTheNineColumnInsert)
{
    open();
    proc().InsertOperacijas("J", "PAV-0001234567890", "O_ATGPAV", 0, nullptr, QString(120, 'n'), 55,
                            QDateTime(QDate(2026, 12, 1), QTime(0, 0)));
    ASSERT_EQ(db->count("O_OPERACIJAS"), 1);
    SqlQuery q(db->connection(), "SELECT * FROM O_OPERACIJAS");
    q.open();
    EXPECT_EQ(q.asString("TAUSTINS"), "J");
    EXPECT_EQ(q.asString("NUMURS"), "PAV-00012345678");
    EXPECT_EQ(q.asString("BAZE"), "O_ATGPAV");
    EXPECT_EQ(q.asInt("ISN_BAZE"), 55);
    EXPECT_EQ(q.asString("PIEZIMES").size(), 100);
    EXPECT_TRUE(q.isNull("PIEZIMES2"));
    EXPECT_EQ(q.asInt("ISPRECE"), 0);
    EXPECT_EQ(q.asString("IEVKODS"), "ADMIN");
    EXPECT_EQ(q.asDateTime("IEVDAT"), clock.now());
    EXPECT_EQ(q.asDateTime("DATUMS"), QDateTime(QDate(2026, 12, 1), QTime(0, 0)));
}

TEST_F(Journal, ChangeDescribesOnlyTheColumnsThatDiffer)
{
    open();
    db->exec("INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, PARDCENA1, NODOKLIS) VALUES (100, 'Piens 1l', '1001', 0.99, 21)");
    const QVariantMap fresh{{"GNOS", "Piens 2,5% 1l"}, {"ARTIKULS", "1001"}, {"PARDCENA1", 1.09}, {"NODOKLIS", 21},
                            {"ARTIKULS5", QVariant()}};
    proc().InsertOperacijas("L", "", "N_KLPREC", 100, &fresh, "No D365 pārcenošanā 1001|Piens 1l", 100, clock.now());
    EXPECT_EQ(db->scalar("SELECT PIEZIMES2 FROM O_OPERACIJAS").toString(),
              "GNOS:Piens 1l->Piens 2,5% 1l | PARDCENA1:0.99->1.09 | ");
    EXPECT_EQ(db->scalar("SELECT ISPRECE FROM O_OPERACIJAS").toInt(), 100);

    // Nothing differs: the nine-column insert.
    const QVariantMap same{{"ARTIKULS", "1001"}};
    proc().InsertOperacijas("L", "", "N_KLPREC", 100, &same, "", 100, clock.now());
    EXPECT_EQ(db->count("O_OPERACIJAS", "PIEZIMES2 IS NULL"), 1);
}

TEST_F(Journal, SingleValueReadersReportThroughTheErrorHandler)
{
    open(GoodsDb::Charset::Win1257, "INSERT INTO N_KLPREC (ISN, GNOS, PARDCENA1) VALUES (100, 'Maize', 1.25)");
    EXPECT_EQ(proc().GetNotUseString("N_KLPREC", "GNOS", 100), "Maize");
    EXPECT_DOUBLE_EQ(proc().GetNotUseFloat("N_KLPREC", "PARDCENA1", 100), 1.25);
    EXPECT_EQ(proc().GetNotUseString("N_KLPREC", "GNOS", 999), "");
    EXPECT_TRUE(dialogs.messages.isEmpty());

    EXPECT_EQ(proc().GetNotUseString("N_KLPREC", "NAV_KOLONNAS", 100), "");
    EXPECT_DOUBLE_EQ(proc().GetNotUseFloat("N_KLPREC", "NAV_KOLONNAS", 100), 0.0);
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[0].startsWith("KĻŪDA FUNKCIJĀ :GetNotUseString PAZIŅOJUMS : Kļūda:\n"));
    EXPECT_EQ(db->count("O_ERRORINFO", "LOGA_NOS='GetNotUseFloat'"), 1);
}

TEST_F(Journal, ReportingEndsWhenTheErrorTableAndTheTextTableBothFail)
{
    open(GoodsDb::Charset::Utf8, "DROP TABLE N_VALODAS");
    db->exec("DROP TABLE O_ERRORINFO");
    db->close();
    proc().MyErrorHandle("Fn", "message");
    // Every failure is shown once; none reports itself again without end.
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_LE(dialogs.messages.size(), 8);
    EXPECT_EQ(dialogs.messages.last(), "KĻŪDA FUNKCIJĀ :Fn PAZIŅOJUMS : message");
}
