#include "DocumentsFixture.h"

#include "db/O_atgpavtable.h"

namespace {

struct ReturnNoteTable : DocumentsTest {
    void fillHead(TO_atgpavTable& t)
    {
        t.O_ATGPAV.NR_PAVADZ = "RET-9";
        t.O_ATGPAV.DATUMS = day(2026, 12, 4);
        t.O_ATGPAV.DAT_ATKR = day(2026, 12, 5);
        t.O_ATGPAV.PIEZIMES = "D365 imports";
    }
};

}  // namespace

TEST_F(ReturnNoteTable, ReferencesWithoutRowsBecomeTheDefaultRows)
{
    open();
    TO_atgpavTable t(*dati);
    fillHead(t);
    t.O_ATGPAV.ISNODALA = 77;
    t.O_ATGPAV.ISAGENTS = 3;
    t.O_ATGPAV.ISMASINA = 99;
    t.O_ATGPAV.KL_IDKODS = "V000003";
    ASSERT_GT(t.O_ATGPAVInsert(), 0);
    EXPECT_EQ(t.O_ATGPAV.ISKLIENT, 3);
    EXPECT_EQ(t.O_ATGPAV.ISNODALA, 1);
    EXPECT_EQ(t.O_ATGPAV.ISAGENTS, 3);
    EXPECT_EQ(t.O_ATGPAV.ISMASINA, 1);

    t.O_ATGPAV = {};
    fillHead(t);
    t.O_ATGPAV.ISNODALA = 2;
    t.O_ATGPAV.KL_IDKODS = "NAV-TĀDA";
    ASSERT_GT(t.O_ATGPAVInsert(), 0);
    EXPECT_EQ(t.O_ATGPAV.ISKLIENT, 1);
    EXPECT_EQ(t.O_ATGPAV.ISNODALA, 2);
    EXPECT_EQ(t.O_ATGPAV.ISAGENTS, 1);
    EXPECT_EQ(count("O_ATGPAV", "ISKLIENT=3 AND ISNODALA=1 AND ISAGENTS=3 AND ISMASINA=1 AND DAT_ATKR='2026-12-05'"), 1);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='J' AND BAZE='O_ATGPAV' AND PIEZIMES='D365 imports'"), 2);
}

TEST_F(ReturnNoteTable, NegativeLinesTakeTheGoodsOutOfTheDepartment)
{
    open({"INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (100, 2, 20)"});
    TO_atgpavTable t(*dati);
    fillHead(t);
    t.O_ATGPAV.ISNODALA = 2;
    t.O_ATGPAV.KL_IDKODS = "V000002";
    const int head = t.O_ATGPAVInsert();
    ASSERT_GT(head, 0);
    t.O_ATGPRC.ARTIKULS = "D1001";
    t.O_ATGPRC.Meklet = GoodsLookup::Article5;
    t.O_ATGPRC.DAUDZUMS = -5;  // a purchase return of 5
    t.O_ATGPRC.CENA = 0.8;
    const int line = t.O_ATGPRCInsert();
    ASSERT_GT(line, 0);
    EXPECT_EQ(count("O_ATGPRC", QStringLiteral("ISN=%1 AND ISATGPAV=%2 AND ISPRECE=100 AND DAUDZUMS=-5 AND NODOKLIS=21")
                                    .arg(line).arg(head)), 1);
    EXPECT_DOUBLE_EQ(stock(100, 2), 15.0);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='J' AND BAZE='O_ATGPRC' AND ISPRECE=100"), 1);
}

TEST_F(ReturnNoteTable, FailuresCarryTheReturnsOwnNames)
{
    open(failing("O_ATGPAV"));
    TO_atgpavTable t(*dati);
    fillHead(t);
    EXPECT_EQ(t.O_ATGPAVInsert(), 0);
    EXPECT_EQ(clock.sleepCalls(), 4);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='E' AND BAZE='O_ATGPAV' AND PIEZIMES STARTING WITH 'Kļūda pie O_ATGPAVInsert='"), 1);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_atgpavTable::O_ATGPAVInsert");
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].contains("PAZIŅOJUMS : Neizdevās izveidot atgriešanas pavadzīmi !!!\n"));

    t.O_ATGPRC.ISPRECE = 100;
    EXPECT_EQ(t.O_ATGPRCInsert(), 0);
    EXPECT_EQ(dialogs.messages.last(), "Nav izveidota pavadzīmes galva !!!");
}
