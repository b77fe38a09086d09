#include "support/ExchangeFixture.h"

#include "db/FbDatabase.h"
#include "db/FbStatement.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// The host's data module on a fresh goods database, and a second attachment beside it.
struct FirebirdLayer : ExchangeFixture {
    std::unique_ptr<GoodsDb> db;

    void connect(GoodsDb::Charset charset = GoodsDb::Charset::Win1257, const QStringList& setUp = {})
    {
        db = std::make_unique<GoodsDb>(charset);
        for (const QString& sql : setUp)
            db->exec(sql);
        ExchangeFixture::connect(*db);
    }
    FbDatabase& host() { return dati->PRECES_DB(); }
    QVariant hostScalar(const QString& sql)
    {
        SqlQuery q(host(), sql);
        q.open();
        return q.value(0);
    }
    // An attachment of another user of the goods program: its work is its own until it commits.
    std::unique_ptr<FbDatabase> otherUser()
    {
        auto other = std::make_unique<FbDatabase>(FbDatabase::Commit::Shared);
        other->attach(db->path(), "SYSDBA", "masterkey", "WIN1257");
        return other;
    }
};

}  // namespace

TEST_F(FirebirdLayer, BothConnectionsRunReadCommittedRecordVersionsWithoutWaiting)
{
    connect();
    const QString monitor = "SELECT MON$ISOLATION_MODE ISO, MON$LOCK_TIMEOUT WAITS, MON$READ_ONLY RO FROM MON$TRANSACTIONS "
                            "WHERE MON$TRANSACTION_ID = CURRENT_TRANSACTION";
    for (FbDatabase* c : {&dati->PRECES_DB(), &dati->fdcPRECES()}) {
        SqlQuery q(*c, monitor);
        q.open();
        EXPECT_EQ(q.asInt("ISO"), 2);  // read committed, record versions
        EXPECT_EQ(q.asInt("WAITS"), 0); // no wait
        EXPECT_EQ(q.asInt("RO"), 0);
    }
}

TEST_F(FirebirdLayer, StatementsStayPreparedAndCursorsOpenAcrossCommitRetaining)
{
    connect();
    const int before = host().prepareCount();
    for (int i = 0; i < 40; ++i) {
        SqlQuery q(host(), "INSERT INTO N_PRGRUP (GNOS, ATLAIDE1) VALUES (:GNOS, :N)");
        q.bind("GNOS", QStringLiteral("Grupa %1").arg(i)).bind("N", i);
        q.exec();
        dati->CommitRetaining();
    }
    EXPECT_EQ(host().prepareCount() - before, 1);

    // A loop that writes and commits at every row reads every row of its cursor.
    SqlQuery rows(host(), "SELECT ISN FROM N_PRGRUP WHERE GNOS STARTING WITH 'Grupa' ORDER BY ISN");
    rows.open();
    int seen = 0;
    for (; !rows.eof(); rows.next(), ++seen) {
        SqlQuery upd(host(), "UPDATE N_PRGRUP SET ATLAIDE2=1 WHERE ISN=:ISN");
        upd.bind("ISN", rows.asInt("ISN")).exec();
        dati->CommitRetaining();
    }
    EXPECT_EQ(seen, 40);
    EXPECT_EQ(db->count("N_PRGRUP", "ATLAIDE2=1"), 40);
    EXPECT_EQ(host().prepareCount() - before, 3);
}

TEST_F(FirebirdLayer, WhatAnotherAttachmentCommitsIsSeenAtTheNextStatement)
{
    connect();
    EXPECT_EQ(hostScalar("SELECT COUNT(*) FROM N_PRGRUP WHERE ISN=77").toInt(), 0);
    db->exec("INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (77, 'Cits')");
    EXPECT_EQ(hostScalar("SELECT COUNT(*) FROM N_PRGRUP WHERE ISN=77").toInt(), 1);
    // ... and a row it changed and committed can be changed without a conflict.
    db->exec("UPDATE N_PRGRUP SET GNOS='Mainīts' WHERE ISN=77");
    EXPECT_NO_THROW(execSql(host(), "UPDATE N_PRGRUP SET GNOS='Atkal' WHERE ISN=77"));
}

TEST_F(FirebirdLayer, ARowHeldByAnotherUserFailsAtOnceAsALockConflict)
{
    connect(GoodsDb::Charset::Win1257, {"INSERT INTO N_KLPREC (ISN, GNOS, ISPRGRUPA) VALUES (100, 'Piens', 1)"});
    auto other = otherUser();
    execSql(*other, "UPDATE N_KLPREC SET GNOS='Piens 1l' WHERE ISN=100");
    try {
        execSql(host(), "UPDATE N_KLPREC SET GNOS='Piens 2l' WHERE ISN=100");
        FAIL() << "no conflict";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.isLockConflict()) << e.message().toStdString();
        EXPECT_FALSE(e.isConnectionLost());
    }
}

TEST_F(FirebirdLayer, TheDocumentRetryStoresALineOnceWhenTheOtherUserCommitsMeanwhile)
{
    connect(GoodsDb::Charset::Win1257,
            {"INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ISPRGRUPA, NODOKLIS) VALUES (102, 'Maize', '4750000002001', 1, 12)",
             "INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (102, 1, 3)"});
    auto other = otherUser();
    execSql(*other, "UPDATE O_TEKATLIK SET ATLIKUMS=4 WHERE ISPRECE=102");
    clock.onSleep = [&] { other->commitRetaining(); };

    TO_preceTable t(*dati);
    t.O_PAVADZ.NR_PAVADZ = "ZP-1";
    t.O_PAVADZ.DAT_PAVADZ = QDateTime(QDate(2026, 12, 1), QTime(0, 0));
    ASSERT_GT(t.O_PAVADZInsert(), 0);
    t.O_PRECE.ARTIKULS = "4750000002001";
    t.O_PRECE.DAUDZUMS = 5;
    EXPECT_GT(t.O_PRECEInsert(), 0);

    EXPECT_EQ(clock.sleepCalls(), 1);
    EXPECT_EQ(db->count("O_PRECE"), 1);
    EXPECT_DOUBLE_EQ(db->scalar("SELECT ATLIKUMS FROM O_TEKATLIK WHERE ISPRECE=102").toDouble(), 9.0);
    EXPECT_EQ(db->count("O_ERRORINFO"), 0);
}

TEST_F(FirebirdLayer, EveryColumnTypeReadsBackAsWrittenInBothCharacterSets)
{
    const QString latvian = QStringLiteral("Ģērbtuve ķēķis Ūdens š ž");
    const QByteArray binary = QByteArray("\x00\xff\x01JPEG", 7);
    QString big;
    while (big.size() < 1024 * 1024)
        big += latvian + QLatin1Char('\n');
    const QDateTime when(QDate(2026, 12, 8), QTime(13, 45, 7, 250));

    for (auto charset : {GoodsDb::Charset::Win1257, GoodsDb::Charset::Utf8}) {
        SCOPED_TRACE(charset == GoodsDb::Charset::Utf8 ? "UTF8" : "WIN1257");
        connect(charset, {"CREATE TABLE T_TYPES (ISN INTEGER NOT NULL PRIMARY KEY, S SMALLINT, I INTEGER, "
                          "N NUMERIC(15,2), F FLOAT, D DOUBLE PRECISION, C CHAR(10), V VARCHAR(40), DT DATE, "
                          "TS TIMESTAMP, BT BLOB SUB_TYPE TEXT, BB BLOB SUB_TYPE 0)"});
        const char* insert = "INSERT INTO T_TYPES (ISN, S, I, N, F, D, C, V, DT, TS, BT, BB) "
                             "VALUES (:ISN, :S, :I, :N, :F, :D, :C, :V, :DT, :TS, :BT, :BB)";
        SqlQuery full(host(), insert);
        full.bind("ISN", 1).bind("S", -7).bind("I", 2000000000).bind("N", 1234.56).bind("F", 0.5).bind("D", 1.0 / 3)
            .bind("C", QStringLiteral("Āboli")).bind("V", latvian).bind("DT", when).bind("TS", when.date())
            .bind("BT", big).bind("BB", binary);
        full.exec();
        SqlQuery empty(host(), insert);
        empty.bind("ISN", 2);
        for (const char* name : {"S", "I", "N", "F", "D", "C", "V", "DT", "TS", "BT", "BB"})
            empty.bindNull(name);
        empty.exec();
        dati->CommitRetaining();

        SqlQuery q(db->connection(), "SELECT * FROM T_TYPES ORDER BY ISN");
        q.open();
        EXPECT_EQ(q.asInt("S"), -7);
        EXPECT_EQ(q.asInt("I"), 2000000000);
        EXPECT_DOUBLE_EQ(q.asDouble("N"), 1234.56);
        EXPECT_DOUBLE_EQ(q.asDouble("F"), 0.5);
        EXPECT_DOUBLE_EQ(q.asDouble("D"), 1.0 / 3);
        EXPECT_EQ(q.asString("C"), QStringLiteral("Āboli     "));  // a CHAR keeps its width
        EXPECT_EQ(q.asString("V"), latvian);
        EXPECT_EQ(q.asDateTime("DT"), when);  // the old DATE holds a time too
        EXPECT_EQ(q.asDateTime("TS"), QDateTime(when.date(), QTime(0, 0)));
        EXPECT_EQ(q.asString("BT"), big);
        EXPECT_EQ(q.value("BB").toByteArray(), binary);
        q.next();
        for (const char* name : {"S", "I", "N", "F", "D", "C", "V", "DT", "TS", "BT", "BB"})
            EXPECT_TRUE(q.isNull(name)) << name;
        EXPECT_EQ(q.asInt("I"), 0);
        EXPECT_EQ(q.asString("V"), QString());
        q.next();
        EXPECT_TRUE(q.eof());
        dati.reset();
        db.reset();
    }
}

TEST_F(FirebirdLayer, TextTheDatabaseCannotHoldIsTheEnginesError)
{
    const QString cyrillic = QStringLiteral("Химия");
    connect(GoodsDb::Charset::Win1257);
    try {
        execSql(host(), "INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (60, :GNOS)", {{"GNOS", cyrillic}});
        FAIL() << "stored";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains("transliterate", Qt::CaseInsensitive)) << e.message().toStdString();
    }
    dati.reset();
    db.reset();
    connect(GoodsDb::Charset::Utf8);
    execSql(host(), "INSERT INTO N_PRGRUP (ISN, GNOS) VALUES (60, :GNOS)", {{"GNOS", cyrillic}});
    EXPECT_EQ(hostScalar("SELECT GNOS FROM N_PRGRUP WHERE ISN=60").toString(), cyrillic);
}

TEST_F(FirebirdLayer, NamedParametersMapToPositionsOutsideQuotesAndComments)
{
    QStringList names;
    EXPECT_EQ(FbStatement::positional("SELECT ':X', \"A:B\" FROM T -- :C\nWHERE A=:A OR B=:A /* :D */ AND C=:c_1", &names),
              "SELECT ':X', \"A:B\" FROM T -- :C\nWHERE A=? OR B=? /* :D */ AND C=?");
    EXPECT_EQ(names, QStringList({"A", "A", "C_1"}));

    connect();
    // One name standing twice takes one value.
    db->exec("INSERT INTO N_PRGRUP (ISN, GNOS, ATLAIDE1) VALUES (61, 'X', 5)");
    SqlQuery q(host(), "SELECT COUNT(*) FROM N_PRGRUP WHERE ISN=:K AND ATLAIDE1 < :K");
    q.bind("K", 61).open();
    EXPECT_EQ(q.value(0).toInt(), 1);
}

TEST_F(FirebirdLayer, ConnectionsThatCannotOpenAreOneLineEachAndNoCrash)
{
    QDir(dir.path()).mkpath("Datubāze");
    const QString latvianPath = dir.filePath("Datubāze/PRECES.GDB");
    {
        GoodsDb source;
        ASSERT_TRUE(QFile::copy(source.path(), latvianPath));
    }
    const QString otherFormat = dir.filePath("OTHER.GDB");
    {
        GoodsDb source;
        ASSERT_TRUE(QFile::copy(source.path(), otherFormat));
        QFile f(otherFormat);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(18);  // the header page's on-disk structure version
        f.write(QByteArray("\x0d\x80", 2));
    }
    const struct {
        QString path;
        const char* engineSays;
    } cases[] = {
        {dir.filePath("nav/PRECES.GDB"), "I/O error"},
        {otherFormat, "unsupported on-disk structure"},
        {"no-such-host.invalid:/data/PRECES.GDB", "network"},
    };
    TMainFormDati module(log, dialogs, clock);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_FALSE(module.ConnectDatabase(c.path, dir.path()));
        EXPECT_FALSE(module.isConnected());
        const QStringList lines = log.lines();
        const auto failed = std::find_if(lines.rbegin(), lines.rend(),
                                         [](const QString& l) { return l.contains("Nevaru atvērt datu bāzi !!!"); });
        ASSERT_NE(failed, lines.rend());
        EXPECT_TRUE(failed->contains(c.engineSays, Qt::CaseInsensitive)) << failed->toStdString();
    }
    EXPECT_TRUE(module.ConnectDatabase(latvianPath, dir.path()));
    EXPECT_TRUE(module.probe());

    // The engine's messages come in several lines; each failure is one line of the log file.
    for (const QString& line : logLines())
        EXPECT_TRUE(QRegularExpression("^\\d\\d\\.\\d\\d-").match(line).hasMatch()) << line.toStdString();
}
