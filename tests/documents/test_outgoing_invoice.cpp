#include "DocumentsFixture.h"

#include "db/O_prcouttable.h"

namespace {

struct OutgoingInvoiceTable : DocumentsTest {
    void fillHead(TO_prcoutTable& t)
    {
        t.O_PAVOUT.NR_PAVADZ = "SS-501";
        t.O_PAVOUT.DATUMS = day(2026, 12, 3);
        t.O_PAVOUT.ISNODALA = 3;
        t.O_PAVOUT.PIEZIMES = "D365 imports";
    }
};

}  // namespace

TEST_F(OutgoingInvoiceTable, TheHeadStatementIsAssembledFromTheHeadFields)
{
    open();
    TO_prcoutTable t(*dati);
    const QString sql = t.O_PAVOUTInsertSql();
    EXPECT_TRUE(sql.startsWith("INSERT INTO O_PAVOUT (ISKLIENT, ISKLSTRV, ISAGENTS, ISNODALA, ISMASINA, DATUMS, "));
    EXPECT_TRUE(sql.contains(", FUS_EXPORT) VALUES (:ISKLIENT, :ISKLSTRV, "));
    EXPECT_TRUE(sql.endsWith(":IEVDAT, :IEVKODS, 'F')"));
    for (const char* column : {"NR_PAVADZ", "PZ_SERIJA", "DAT_ATKR", "KOMENTARS", "D365_ID", "PZ_BLOK", "NELEGALIZ",
                               "APM_LIDZ", "INTRA_DARV", "DARIJUMAVEIDS", "IEVDAT", "IEVKODS"})
        EXPECT_TRUE(sql.contains(QStringLiteral(" :%1").arg(column))) << column;
    // Values are parameters, never text in the statement.
    t.O_PAVOUT.KOMENTARS = "x'); DELETE FROM N_KLIENT; --";
    EXPECT_EQ(t.O_PAVOUTInsertSql(), sql);
}

TEST_F(OutgoingInvoiceTable, HeadAndLinesAreStoredAndTakeGoodsOutOfStock)
{
    open({"INSERT INTO N_KL_STRV (ISN, ISKLIENT, GNOS, FTP_KLKODS) VALUES (8, 4, 'Kafejnīca Rīts, Brīvības 1', '4751000000088')",
          "INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (101, 3, 10)"});
    TO_prcoutTable t(*dati);
    fillHead(t);
    t.O_PAVOUT.KL_FTPKODS = "4751000000088";
    t.O_PAVOUT.KOMENTARS = "x'); DELETE FROM N_KLIENT; --";
    t.O_PAVOUT.D365_ID = "5637150001";
    const int head = t.O_PAVOUTInsert();
    ASSERT_GT(head, 0);

    SqlQuery h(db->connection(), "SELECT * FROM O_PAVOUT");
    h.open();
    ASSERT_EQ(h.rowCount(), 1);
    EXPECT_EQ(h.asInt("ISN"), head);
    EXPECT_EQ(h.asInt("ISKLIENT"), 4);
    EXPECT_EQ(h.asInt("ISKLSTRV"), 8);
    EXPECT_EQ(h.asInt("ISNODALA"), 3);
    EXPECT_EQ(h.asInt("ISAGENTS"), 1);
    EXPECT_EQ(h.asInt("ISMASINA"), 1);
    EXPECT_EQ(h.asString("KOMENTARS"), "x'); DELETE FROM N_KLIENT; --");
    EXPECT_EQ(h.asString("FUS_EXPORT").trimmed(), "F");
    EXPECT_EQ(h.asString("D365_ID"), "5637150001");
    EXPECT_EQ(h.asDateTime("DATUMS"), day(2026, 12, 3));
    EXPECT_EQ(h.asDateTime("DAT_ATKR"), day(1900, 1, 1));
    EXPECT_EQ(count("N_KLIENT"), 5);

    // A D365 product number; the price without VAT as the importer computed it.
    t.O_PRCOUT.ARTIKULS = "D1002";
    t.O_PRCOUT.Meklet = GoodsLookup::Article5;
    t.O_PRCOUT.DAUDZUMS = 4;
    t.O_PRCOUT.CENA = 1.2;
    t.O_PRCOUT.ATLAIDE = -5;
    const int line = t.O_PRCOUTInsert();
    ASSERT_GT(line, 0);

    SqlQuery l(db->connection(), "SELECT * FROM O_PRCOUT");
    l.open();
    EXPECT_EQ(l.asInt("ISN"), line);
    EXPECT_EQ(l.asInt("ISPAVOUT"), head);
    EXPECT_EQ(l.asInt("ISPRECE"), 101);
    EXPECT_DOUBLE_EQ(l.asDouble("PIECENOJ"), -5);  // the column that takes ATLAIDE
    EXPECT_DOUBLE_EQ(l.asDouble("NODOKLIS"), 21);
    EXPECT_EQ(l.asInt("ISSERTIF"), 1);
    EXPECT_EQ(l.asInt("ISPRECAGENTS"), 1);
    EXPECT_EQ(l.asString("VARAIZVIETOT").trimmed(), "F");
    EXPECT_DOUBLE_EQ(stock(101, 3), 6.0);

    EXPECT_EQ(count("O_OPERACIJAS", QStringLiteral("TAUSTINS='J' AND BAZE='O_PAVOUT' AND ISN_BAZE=%1 AND PIEZIMES='D365 imports'").arg(head)), 1);
    EXPECT_EQ(count("O_OPERACIJAS", QStringLiteral("TAUSTINS='J' AND BAZE='O_PRCOUT' AND ISN_BAZE=%1 AND ISPRECE=101 "
                                                   "AND PIEZIMES='4750000001002' AND NUMURS='SS-501'").arg(line)), 1);
}

TEST_F(OutgoingInvoiceTable, ACustomerAccountTheRegisterLacksGivesTheDefaultCustomer)
{
    open();
    TO_prcoutTable t(*dati);
    fillHead(t);
    t.O_PAVOUT.KL_IDKODS = "C999999";
    ASSERT_GT(t.O_PAVOUTInsert(), 0);
    EXPECT_EQ(t.O_PAVOUT.ISKLIENT, 1);
    EXPECT_EQ(t.O_PAVOUT.ISKLSTRV, 0);
    t.O_PAVOUT = {};
    fillHead(t);
    t.O_PAVOUT.KL_IDKODS = "C000005";
    ASSERT_GT(t.O_PAVOUTInsert(), 0);
    EXPECT_EQ(t.O_PAVOUT.ISKLIENT, 5);
}

TEST_F(OutgoingInvoiceTable, ALaterCountOfTheDepartmentKeepsItsStock)
{
    open({"INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (100, 3, 10)"});
    stockCount(100, 3, day(2026, 12, 5));
    TO_prcoutTable t(*dati);
    fillHead(t);
    ASSERT_GT(t.O_PAVOUTInsert(), 0);
    t.O_PRCOUT.ISPRECE = 100;
    t.O_PRCOUT.DAUDZUMS = 3;
    ASSERT_GT(t.O_PRCOUTInsert(), 0);
    EXPECT_DOUBLE_EQ(stock(100, 3), 10.0);
}

TEST_F(OutgoingInvoiceTable, LinesWithoutHeadAndFailingLinesAreReported)
{
    open(failing("O_PRCOUT"));
    TO_prcoutTable t(*dati);
    t.O_PRCOUT.ISPRECE = 100;
    t.O_PRCOUT.DAUDZUMS = 1;
    EXPECT_EQ(t.O_PRCOUTInsert(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Nav izveidota pavadzīmes galva !!!");

    fillHead(t);
    ASSERT_GT(t.O_PAVOUTInsert(), 0);
    EXPECT_EQ(t.O_PRCOUTInsert(), 0);
    EXPECT_EQ(clock.sleepCalls(), 4);
    EXPECT_EQ(count("O_PRCOUT"), 0);
    EXPECT_EQ(count("O_TEKATLIK"), 0);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='E' AND BAZE='O_PRCOUT' AND PIEZIMES STARTING WITH 'Kļūda pie O_PRCOUTInsert='"), 1);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_prcoutTable::O_PRCOUTInsert");
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[1].startsWith(
        "KĻŪDA FUNKCIJĀ :TO_prcoutTable::O_PRCOUTInsert PAZIŅOJUMS : Neizdevās ievietot preci izrakstīšanas pavadzīmē !!!\n"));
}

TEST_F(OutgoingInvoiceTable, AHeadThatKeepsFailingIsReported)
{
    open(failing("O_PAVOUT"));
    TO_prcoutTable t(*dati);
    fillHead(t);
    EXPECT_EQ(t.O_PAVOUTInsert(), 0);
    EXPECT_EQ(clock.sleepCalls(), 4);
    EXPECT_EQ(count("O_PAVOUT"), 0);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='E' AND BAZE='O_PAVOUT' AND NUMURS='SS-501'"), 1);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_prcoutTable::O_PAVOUTInsert");
    EXPECT_TRUE(t.ErrorText.startsWith("Neizdevās izveidot izrakstīšanas pavadzīmi !!!\n"));
}

TEST_F(OutgoingInvoiceTable, TheKeyIsConfirmedAmongTheNeighbouringRows)
{
    open({"CREATE TRIGGER TEST_OTHER FOR O_PAVOUT ACTIVE AFTER INSERT POSITION 5 AS "
          "DECLARE I INTEGER; BEGIN I = GEN_ID(O_PAVOUTGEN, 7); END"});
    TO_prcoutTable t(*dati);
    fillHead(t);
    const int first = t.O_PAVOUTInsert();
    t.O_PAVOUT.NR_PAVADZ = "SS-502";
    const int second = t.O_PAVOUTInsert();
    EXPECT_EQ(scalar("SELECT ISN FROM O_PAVOUT WHERE NR_PAVADZ='SS-501'").toInt(), first);
    EXPECT_EQ(scalar("SELECT ISN FROM O_PAVOUT WHERE NR_PAVADZ='SS-502'").toInt(), second);
}

TEST_F(OutgoingInvoiceTable, AProductNumberTheRegisterLacksIsCreatedOnceAndFoundAgain)
{
    open();
    TO_prcoutTable t(*dati);
    fillHead(t);
    ASSERT_GT(t.O_PAVOUTInsert(), 0);
    const int before = count("N_KLPREC");
    for (int n = 0; n < 2; ++n) {
        t.O_PRCOUT = {};
        t.O_PRCOUT.ARTIKULS = "D9999";
        t.O_PRCOUT.Meklet = GoodsLookup::Article5;
        t.O_PRCOUT.DAUDZUMS = 1;
        ASSERT_GT(t.O_PRCOUTInsert(), 0);
    }
    EXPECT_EQ(count("N_KLPREC"), before + 1);
    EXPECT_EQ(count("O_PRCOUT", "ISPRECE=(SELECT ISN FROM N_KLPREC WHERE ARTIKULS='D9999')"), 2);
    // A line that names no goods at all keeps the default goods row and says so in the log.
    t.O_PRCOUT = {};
    t.O_PRCOUT.ISPRECE = 5000;
    t.O_PRCOUT.DAUDZUMS = 1;
    ASSERT_GT(t.O_PRCOUTInsert(), 0);
    EXPECT_EQ(t.O_PRCOUT.ISPRECE, 1);
    EXPECT_EQ(count("N_KLPREC"), before + 1);
    EXPECT_TRUE(log.lines().last().contains("Prece nav atrasta (ISN=5000)")) << log.lines().join('\n').toStdString();
}
