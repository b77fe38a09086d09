#pragma once

#include "support/GoodsDb.h"
#include "support/Recorders.h"

#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "host/ProcessLog.h"
#include "platform/Clock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>

// A data module on a fresh goods database with a few registers: departments 2 and 3,
// suppliers and customers 2..5, goods 100..103. Set-up rows are written before the
// data module connects.
class DocumentsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};
    RecordingDialogs dialogs;
    std::unique_ptr<GoodsDb> db;
    std::unique_ptr<TMainFormDati> dati;

    static QDateTime day(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }

    void SetUp() override { log.setProcessEvents(false); }

    // extra: further set-up statements, run before the data module connects.
    void open(const QStringList& extra = {}, GoodsDb::Charset charset = GoodsDb::Charset::Win1257)
    {
        db = std::make_unique<GoodsDb>(charset);
        const QStringList rows{
            "INSERT INTO N_DEPART (ISN, GNOS, KODS, TELEMAA_KODS, EDISOFT_KODS, CENKODS) "
            "VALUES (2, 'Noliktava', 'N01', '4750000000011', 'E-01', 1)",
            "INSERT INTO N_DEPART (ISN, GNOS, KODS, TELEMAA_KODS, EDISOFT_KODS, CENKODS) "
            "VALUES (3, 'Veikals Centrs', 'V02', '4750000000028', 'E-02', 3)",
            "INSERT INTO N_KLIENT (ISN, GNOS, REGNR, PVNKODS, IDKODS, FTP_KLKODS, PIEGADAT, PIRCEJS, "
            "FUSSANTIPS, FUSSANPAMATS, ISKLAGENTS, ISAPMAKSVEIDS) VALUES (2, 'Piens SIA', '40003000001', "
            "'LV40003000001', 'V000002', '4751000000001', 'T', 'F', 'PPR', 'Pirkums', 0, 0)",
            "INSERT INTO N_KLIENT (ISN, GNOS, REGNR, PVNKODS, IDKODS, PIEGADAT, PIRCEJS) VALUES (3, 'Maize AS', "
            "'40003000002', 'LV40003000002', 'V000003', 'T', 'F')",
            "INSERT INTO N_KLIENT (ISN, GNOS, REGNR, PVNKODS, IDKODS, PIRCEJS, ISKLAGENTS, ISAPMAKSVEIDS, "
            "CENUGRUPA, ATLGRUPA, NODALAS_CENAS) VALUES (4, 'Kafejnīca Rīts', '40003000004', 'LV40003000004', "
            "'C000004', 'T', 2, 3, 2, 2, 'F')",
            "INSERT INTO N_KLIENT (ISN, GNOS, IDKODS, PIRCEJS) VALUES (5, 'Veikals Ezers', 'C000005', 'T')",
            "INSERT INTO N_AGENTS (ISN, GNOS, ISMASINA) VALUES (2, 'Aģents Jānis', 2)",
            "INSERT INTO N_AGENTS (ISN, GNOS, ISMASINA) VALUES (3, 'Aģente Anna', 3)",
            "INSERT INTO N_MASINA (ISN, GNOS) VALUES (2, 'Mašīna 1')",
            "INSERT INTO N_MASINA (ISN, GNOS) VALUES (3, 'Mašīna 2')",
            "INSERT INTO N_PRGRUP (ISN, GNOS, ATLAIDE1, ATLAIDE2) VALUES (2, 'Piena produkti', -2, -4)",
            "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ARTIKULS2, ARTIKULS5, ARTIKULS7, ARTIKULI_N, ISPRGRUPA, "
            "NODOKLIS, PARDCENA1, PARDCENA2, PARDCENA3, PARDCENA7, NEWIEPCENA) VALUES (100, 'Piens 2,5% 1l', "
            "'4750000001001', 'P-1001', 'D1001', 'G-PIENS', '|X1001|Y1001|', 2, 21, 1.21, 1.15, 1.10, 0.5, 0.80)",
            "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ARTIKULS5, ISPRGRUPA, NODOKLIS, PARDCENA1, PARDCENA3) "
            "VALUES (101, 'Kefīrs 1l', '4750000001002', 'D1002', 2, 21, 1.452, 1.331)",
            "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ISPRGRUPA, NODOKLIS, PARDCENA1) "
            "VALUES (102, 'Rupjmaize', '4750000002001', 1, 12, 2.24)",
            "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ISPRGRUPA, NODOKLIS, PARDCENA1) "
            "VALUES (103, 'Ūdens 0,5l', '4750000003001', 1, 21, 0.605)",
            "SET GENERATOR N_KLPRECGEN TO 103",
        };
        for (const QString& sql : rows + extra)
            db->exec(sql);
        db->close();
        dati = std::make_unique<TMainFormDati>(log, dialogs, clock);
        ASSERT_TRUE(dati->ConnectDatabase(db->path(), dir.path()));
    }

    // Changes the settings rows (which exist after the first connect) and connects again.
    void reconnectWith(const QString& sql)
    {
        db->exec(sql);
        db->close();
        ASSERT_TRUE(dati->ConnectDatabase(db->path(), dir.path()));
    }

    // Set-up statements for open(): a trigger that makes every insert into table fail, or only
    // the first `times` of them (a generator counts, outside any transaction).
    static QStringList failing(const QString& table, int times = -1)
    {
        QStringList sql{"CREATE EXCEPTION TEST_FAIL 'Testa kļūda'"};
        if (times >= 0)
            sql << "CREATE GENERATOR TEST_FAILS";
        const QString condition = times < 0 ? QStringLiteral("1=1") : QStringLiteral("GEN_ID(TEST_FAILS, 1) <= %1").arg(times);
        sql << QStringLiteral("CREATE TRIGGER TEST_FAIL_%1 FOR %1 ACTIVE BEFORE INSERT POSITION 5 AS "
                              "BEGIN IF (%2) THEN EXCEPTION TEST_FAIL; END").arg(table, condition);
        return sql;
    }

    int count(const QString& table, const QString& where = {}) { return db->count(table, where); }
    QVariant scalar(const QString& sql) { return db->scalar(sql); }

    double stock(int goods, int department)
    {
        return db->scalar(QStringLiteral("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=%1 AND ISNODALA=%2")
                              .arg(goods).arg(department)).toDouble();
    }
    int stockRows(int goods) { return db->count("O_TEKATLIK", QStringLiteral("ISPRECE=%1").arg(goods)); }

    // A stock count of goods in a department on a date.
    void stockCount(int goods, int department, const QDateTime& date)
    {
        static int n = 0;
        ++n;
        db->exec(QStringLiteral("INSERT INTO O_PRATL_PAV (ISN, ISNODALA, DATUMS, NR_PAVADZ) VALUES (%1, %2, :D, 'INV-%1')")
                     .arg(n).arg(department), {{"D", date}});
        db->exec(QStringLiteral("INSERT INTO O_PRATL_PRC (ISPRATLPAV, ISPRECE, DAUDZUMS) VALUES (%1, %2, 10)")
                     .arg(n).arg(goods));
        db->close();
        // The host's transaction reads a snapshot: start a fresh one that sees the count.
        if (dati)
            dati->CommitRetaining();
    }

    void TearDown() override
    {
        if (HasFailure()) {
            std::cerr << "Process log:\n" << log.lines().join('\n').toStdString() << "\n";
            std::cerr << "Messages:\n" << dialogs.messages.join("\n---\n").toStdString() << "\n";
        }
    }
};
