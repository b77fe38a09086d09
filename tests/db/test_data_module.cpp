#include "support/GoodsDb.h"
#include "support/Recorders.h"

#include "db/Mainformdatiform.h"
#include "db/My_proc.h"
#include "db/SqlQuery.h"
#include "host/ProcessLog.h"
#include "platform/Clock.h"

#include <QFile>
#include <iostream>
#include <gtest/gtest.h>

namespace {

struct DataModule : ::testing::Test {
    QTemporaryDir dir;
    ManualClock clock;
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};
    RecordingDialogs dialogs;

    DataModule() { log.setProcessEvents(false); }
    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "Process log:\n" << log.lines().join('\n').toStdString() << "\n";
    }

    bool logHas(const QString& fragment)
    {
        for (const QString& l : log.lines())
            if (l.contains(fragment))
                return true;
        return false;
    }
};

const char* const kDefaultTables[] = {"N_SERTIF", "N_DEPART", "N_PRGRUP", "N_KLGRUPPAP1", "N_KLIENT", "N_PAPILDGRUP1",
                                      "N_PAPILDGRUP7", "N_KLPREC", "N_KLGRUP", "N_LICENC", "N_BANKA", "N_AGENTS",
                                      "N_MASINA", "N_USERGROUPS", "N_TIKLS"};

}  // namespace

TEST_F(DataModule, FirstConnectOfANewDatabaseFillsItsDefaults)
{
    GoodsDb db;
    TMainFormDati dati(log, dialogs, clock);
    ASSERT_TRUE(dati.ConnectDatabase(db.path(), "/tmp/varnis"));
    EXPECT_EQ(dati.TempDir, "/tmp/varnis");
    EXPECT_EQ(dati.OperatorName, "ADMIN");
    EXPECT_FALSE(dati.Utf8);
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join('|').toStdString();

    EXPECT_EQ(db.scalar("SELECT ISN FROM N_ISI2").toInt(), 10);
    EXPECT_EQ(db.count("N_ISI"), 1);
    EXPECT_EQ(db.scalar("SELECT ISIORGNOS FROM N_ISI").toString(), "TOLVERN");
    EXPECT_EQ(dati.ISIREGNR, "TOLVERN");
    for (int n = 1; n <= 16; ++n)
        EXPECT_EQ(db.scalar(QStringLiteral("SELECT ISICENA%1NOS FROM N_ISI").arg(n)).toString(),
                  QStringLiteral("%1. cena").arg(n));
    EXPECT_EQ(db.scalar("SELECT ISIIZR2ARTNOS FROM N_ISI").toString(), "2. artikuls");
    for (const char* table : kDefaultTables) {
        EXPECT_EQ(db.scalar(QStringLiteral("SELECT GNOS FROM %1 WHERE ISN=1").arg(table)).toString(), "Nav noteikts")
            << table;
        EXPECT_EQ(db.count(table), 1) << table;
    }
    EXPECT_EQ(db.scalar("SELECT ISPRGRUPA FROM N_KLPREC WHERE ISN=1").toInt(), 1);
}

TEST_F(DataModule, SystemSettingsAreReadAndOnlyEmptyNamesFilled)
{
    GoodsDb db;
    db.exec("INSERT INTO N_ISI2 (ISN, DEF_PVN, FILL2IEPCENA, PARDCENASAR) VALUES (10, 21, 'T', 1)");
    QString names;
    for (int n = 1; n <= 16; ++n)
        names += QStringLiteral(", ISICENA%1NOS").arg(n);
    QString values;
    for (int n = 1; n <= 16; ++n)
        values += n == 5 ? QStringLiteral(", ''") : QStringLiteral(", 'Līmenis %1'").arg(n);
    db.exec("INSERT INTO N_ISI (ISN, ISIORGNOS, ISIREGNR, ISIIZR2ARTNOS" + names + ") VALUES (1, 'SIA Varnis', '40003000001', 'EAN'"
            + values + ")");
    db.close();

    TMainFormDati dati(log, dialogs, clock);
    ASSERT_TRUE(dati.ConnectDatabase(db.path(), {}));
    EXPECT_DOUBLE_EQ(dati.DEF_PVN, 21.0);
    EXPECT_TRUE(dati.FILL2IEPCENA);
    EXPECT_TRUE(dati.PARDCENASAR);
    EXPECT_EQ(dati.ISIREGNR, "40003000001");
    EXPECT_EQ(db.scalar("SELECT ISICENA5NOS FROM N_ISI").toString(), "5. cena");
    EXPECT_EQ(db.scalar("SELECT ISICENA4NOS FROM N_ISI").toString(), "Līmenis 4");
    EXPECT_EQ(db.scalar("SELECT ISIIZR2ARTNOS FROM N_ISI").toString(), "EAN");
    // N_ISI was not empty: no default rows.
    EXPECT_EQ(db.count("N_DEPART"), 0);
}

TEST_F(DataModule, Utf8DatabaseIsOpenedAgainWithUtf8)
{
    GoodsDb db(GoodsDb::Charset::Utf8);
    TMainFormDati dati(log, dialogs, clock);
    ASSERT_TRUE(dati.ConnectDatabase(db.path(), {}));
    EXPECT_TRUE(dati.Utf8);
    EXPECT_EQ(dati.PRECES_DB().lcCtype(), "UTF8");
    EXPECT_EQ(dati.fdcPRECES().lcCtype(), "UTF8");
    // Text outside the Baltic code page survives a UTF8 database.
    execSql(dati.PRECES_DB(), "INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (50, :GNOS)", {{"GNOS", QStringLiteral("Ķīmija Химия")}});
    dati.CommitRetaining();
    SqlQuery q(dati.fdcPRECES(), "SELECT GNOS FROM N_PRGRUP WHERE ISN=50");
    q.open();
    EXPECT_EQ(q.asString("GNOS"), QStringLiteral("Ķīmija Химия"));
}

TEST_F(DataModule, DatabasesThatCannotOpenAreLoggedNotThrown)
{
    TMainFormDati dati(log, dialogs, clock);
    EXPECT_FALSE(dati.ConnectDatabase(dir.filePath("nav/PRECES.GDB"), {}));
    EXPECT_TRUE(logHas("Nevaru atvērt datu bāzi !!!"));
    EXPECT_TRUE(logHas("Nevaru atvērt FireDAC konekciju datu bāzi !!!"));

    QFile junk(dir.filePath("junk.gdb"));
    junk.open(QIODevice::WriteOnly);
    junk.write(QByteArray(32768, 'x'));
    junk.close();
    log.model()->removeRows(0, log.model()->rowCount());
    EXPECT_FALSE(dati.ConnectDatabase(junk.fileName(), {}));
    EXPECT_TRUE(logHas("Nevaru atvērt datu bāzi !!!"));
    EXPECT_FALSE(dati.isConnected());
    EXPECT_FALSE(dati.probe());
}

TEST_F(DataModule, MissingSettingsColumnFailsTheWholeOpen)
{
    GoodsDb db;
    db.exec("ALTER TABLE N_ISI2 DROP WB_SVETKI");
    db.close();
    TMainFormDati dati(log, dialogs, clock);
    EXPECT_FALSE(dati.ConnectDatabase(db.path(), "/tmp/varnis"));
    EXPECT_TRUE(logHas("Nevaru atvērt datu bāzi !!!"));
    EXPECT_TRUE(logHas("WB_SVETKI"));
    // It stays closed, so the ticks' check fails and connects again, rather than letting the
    // exchanges run on empty settings.
    EXPECT_FALSE(dati.isConnected());
    EXPECT_FALSE(dati.probe());
    EXPECT_TRUE(dati.TempDir.isEmpty());

    db.exec("ALTER TABLE N_ISI2 ADD WB_SVETKI VARCHAR(200)");
    db.close();
    EXPECT_TRUE(dati.ConnectDatabase(db.path(), "/tmp/varnis"));
    EXPECT_TRUE(dati.probe());
}

TEST_F(DataModule, ConnectingAnotherPathMovesBothConnections)
{
    GoodsDb first, second;
    TMainFormDati dati(log, dialogs, clock);
    ASSERT_TRUE(dati.ConnectDatabase(first.path(), {}));
    ASSERT_TRUE(dati.ConnectDatabase(second.path(), {}));
    execSql(dati.PRECES_DB(), "INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (77, 'Otrā')");
    dati.CommitRetaining();
    dati.proc().InsertOperacijas("J", "1", "N_PRGRUP", 0, nullptr, "jauns", 77, clock.now());
    EXPECT_EQ(second.count("N_PRGRUP", "ISN=77"), 1);
    EXPECT_EQ(second.count("O_OPERACIJAS"), 1);
    EXPECT_EQ(first.count("N_PRGRUP", "ISN=77"), 0);
    EXPECT_EQ(first.count("O_OPERACIJAS"), 0);
}

TEST_F(DataModule, UpdateTekAtlikAddsToTheCurrentStock)
{
    GoodsDb db;
    TMainFormDati dati(log, dialogs, clock);
    ASSERT_TRUE(dati.ConnectDatabase(db.path(), {}));
    dati.UpdateTekAtlik(1, 1, 5, "F", 0);
    dati.UpdateTekAtlik(1, 1, 2.5, "F", 0);
    dati.UpdateTekAtlik(1, 2, -1, "F", 0);
    dati.CommitRetaining();
    EXPECT_DOUBLE_EQ(db.scalar("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=1 AND ISNODALA=1").toDouble(), 7.5);
    EXPECT_DOUBLE_EQ(db.scalar("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=1 AND ISNODALA=2").toDouble(), -1.0);
}
