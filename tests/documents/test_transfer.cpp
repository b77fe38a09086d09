#include "DocumentsFixture.h"

#include "db/O_parpavtable.h"

namespace {

struct TransferTable : DocumentsTest {
    void fillHead(TO_parpavTable& t)
    {
        t.O_PARPAV.NR_PAVADZ = "TR-1";
        t.O_PARPAV.PASUT_NR = "TR-1";
        t.O_PARPAV.DATUMS = day(2026, 12, 3);
        t.O_PARPAV.ISNODALANO = 2;
        t.O_PARPAV.ISNODALAUZ = 3;
        t.O_PARPAV.IEVKODS = "EQUINOX imports";
    }
};

}  // namespace

TEST_F(TransferTable, ALineMovesItsQuantityBetweenTheDepartments)
{
    open({"INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (100, 2, 50)"});
    reconnectWith("UPDATE N_ISI2 SET PARVREKVIZITIFROM=2");
    TO_parpavTable t(*dati);
    fillHead(t);
    t.O_PARPAV.D365_ID = "TRF-77";
    const int head = t.O_PARPAVInsert();
    ASSERT_GT(head, 0);
    SqlQuery h(db->connection(), "SELECT * FROM O_PARPAV");
    h.open();
    EXPECT_EQ(h.asInt("ISN"), head);
    EXPECT_EQ(h.asInt("REKVIZITIFROM"), 2);
    EXPECT_EQ(h.asInt("ISMASINA"), 1);
    EXPECT_EQ(h.asString("NELEGALIZ").trimmed(), "F");
    EXPECT_EQ(h.asString("FUS_EXPORT").trimmed(), "F");
    EXPECT_EQ(h.asString("IEVKODS"), "EQUINOX imports");
    EXPECT_EQ(h.asString("D365_ID"), "TRF-77");

    t.O_PARPRC.ISPRECE = 100;
    t.O_PARPRC.DAUDZUMS = 12;
    t.O_PARPRC.ISSERTIF = 0;
    ASSERT_GT(t.O_PARPRCInsert(), 0);
    EXPECT_DOUBLE_EQ(stock(100, 2), 38.0);
    EXPECT_DOUBLE_EQ(stock(100, 3), 12.0);
    EXPECT_EQ(count("O_PARPRC", QStringLiteral("ISPARVPAV=%1 AND ISPRECE=100 AND DAUDZUMS=12 AND ISSERTIF=1 "
                                               "AND IEVKODS='ADMIN'").arg(head)), 1);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='J' AND BAZE='O_PARPRC' AND NUMURS='TR-1'"), 1);
}

TEST_F(TransferTable, ACountInTheSourceAfterTheTransferKeepsOnlyThatDepartment)
{
    open({"INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (101, 2, 50)"});
    stockCount(101, 2, day(2026, 12, 4));
    TO_parpavTable t(*dati);
    fillHead(t);
    ASSERT_GT(t.O_PARPAVInsert(), 0);
    t.O_PARPRC.ISPRECE = 101;
    t.O_PARPRC.DAUDZUMS = 5;
    ASSERT_GT(t.O_PARPRCInsert(), 0);
    EXPECT_DOUBLE_EQ(stock(101, 2), 50.0);
    EXPECT_DOUBLE_EQ(stock(101, 3), 5.0);
}

TEST_F(TransferTable, AnExistingTransferIsFoundByItsOrderNumber)
{
    open();
    TO_parpavTable t(*dati);
    fillHead(t);
    const int head = t.O_PARPAVInsert();
    ASSERT_GT(head, 0);
    EXPECT_EQ(t.FindByOrderNumber("TR-1"), head);
    EXPECT_EQ(t.FindByOrderNumber("TR-1", day(2026, 12, 3)), head);
    EXPECT_EQ(t.FindByOrderNumber("TR-1", day(2026, 12, 4)), 0);
    EXPECT_EQ(t.FindByOrderNumber("TR-2"), 0);

    // Lines go on into the document found, with its departments.
    TO_parpavTable later(*dati);
    later.O_PARPAV.ISN = later.FindByOrderNumber("TR-1");
    later.O_PARPRC.ISPRECE = 102;
    later.O_PARPRC.DAUDZUMS = 2;
    ASSERT_GT(later.O_PARPRCInsert(), 0);
    EXPECT_DOUBLE_EQ(stock(102, 2), -2.0);
    EXPECT_DOUBLE_EQ(stock(102, 3), 2.0);
}

TEST_F(TransferTable, FailuresAndMissingHeadsAreReported)
{
    open(failing("O_PARPAV"));
    TO_parpavTable t(*dati);
    t.O_PARPRC.ISPRECE = 100;
    EXPECT_EQ(t.O_PARPRCInsert(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Nav izveidota pārvietošanas pavadzīmes galva !!!");

    fillHead(t);
    EXPECT_EQ(t.O_PARPAVInsert(), 0);
    EXPECT_EQ(clock.sleepCalls(), 4);
    EXPECT_EQ(count("O_PARPAV"), 0);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='E' AND BAZE='O_PARPAV' AND PIEZIMES STARTING WITH 'Kļūda pie O_PARPAVInsert='"), 1);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_parpavTable::O_PARPAVInsert");
    EXPECT_TRUE(t.ErrorText.startsWith("Neizdevās izveidot pārvietošanas pavadzīmi !!!\n"));
}

TEST_F(TransferTable, ALineThatKeepsFailingCarriesTheTransferMessage)
{
    open(failing("O_PARPRC"));
    TO_parpavTable t(*dati);
    fillHead(t);
    ASSERT_GT(t.O_PARPAVInsert(), 0);
    t.O_PARPRC.ISPRECE = 100;
    t.O_PARPRC.DAUDZUMS = 1;
    EXPECT_EQ(t.O_PARPRCInsert(), 0);
    EXPECT_EQ(clock.sleepCalls(), 4);
    EXPECT_EQ(count("O_TEKATLIK"), 0);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_parpavTable::O_PARPRCInsert");
    EXPECT_TRUE(t.ErrorText.startsWith("Neizdevās ievietot preci pārvietošanas pavadzīmē !!!\n"));
}
