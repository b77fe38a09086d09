#include "DocumentsFixture.h"

#include "db/O_parcpvtable.h"

namespace {

struct PriceChangeTable : DocumentsTest {
    void fillHead(TO_parcpvTable& t)
    {
        t.O_PARCPV.ISNODALA = 3;
        t.O_PARCPV.DATUMS = day(2026, 12, 7);
        t.O_PARCPV.PZ_VEIDS = 1;
        t.O_PARCPV.AKCIJAS_VEIDS = "01.12.2026-31.12.2026 Ziemas akcija";
        t.O_PARCPV.AKCIJA_NO = day(2026, 12, 1);
        t.O_PARCPV.AKCIJA_LIDZ = day(2026, 12, 31);
        t.O_PARCPV.PAMATOJUMS = "NO D365";
    }
};

}  // namespace

TEST_F(PriceChangeTable, TheHeadIsFoundOrCreatedOnce)
{
    open();
    TO_parcpvTable t(*dati);
    fillHead(t);
    EXPECT_EQ(t.FindO_PARCPV(), 0);
    const int head = t.FindOrInsertO_PARCPV();
    ASSERT_GT(head, 0);

    TO_parcpvTable again(*dati);
    fillHead(again);
    EXPECT_EQ(again.FindOrInsertO_PARCPV(), head);
    again.O_PARCPV.AKCIJAS_VEIDS = "cita akcija";
    again.O_PARCPV.ISN = 0;
    EXPECT_EQ(again.FindO_PARCPV(), 0);
    // With a number, the number must match too.
    fillHead(again);
    again.O_PARCPV.NR_PAVADZ = "PC-9";
    EXPECT_EQ(again.FindO_PARCPV(), 0);
    EXPECT_EQ(count("O_PARCPV"), 1);

    SqlQuery h(db->connection(), "SELECT * FROM O_PARCPV");
    h.open();
    EXPECT_EQ(h.asString("PAMATOJUMS"), "NO D365");
    EXPECT_EQ(h.asString("EDITKODS"), "ADMIN");
    EXPECT_EQ(h.asDateTime("EDITDAT"), clock.now());
    EXPECT_EQ(h.asDateTime("AKCIJA_LIDZ"), day(2026, 12, 31));
    EXPECT_EQ(h.asDateTime("AKCIJA_IEPC_NO"), day(1900, 1, 1));
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='J' AND BAZE='O_PARCPV' AND PIEZIMES='NO D365'"), 1);
}

TEST_F(PriceChangeTable, ALineWritesTheNewPriceIntoTheRegisterAndTheDepartmentsSpecialPrice)
{
    open({"INSERT INTO O_SPECCENAS (ISPRECE, ISKLIENT, KLIENTNODALAFLAG, CENAS_NR, CENA_1, FLAG, DAT_NO, DAT_LIDZ) "
          "VALUES (100, 3, 2, 3, 1.05, 1, '2026-12-01', '2026-12-31')",
          "INSERT INTO O_SPECCENAS (ISPRECE, ISKLIENT, KLIENTNODALAFLAG, CENAS_NR, CENA_1, FLAG, DAT_NO, DAT_LIDZ) "
          "VALUES (100, 3, 2, 3, 1.01, 1, '2027-01-01', '2027-01-31')",
          "INSERT INTO O_SPECCENAS (ISPRECE, ISKLIENT, KLIENTNODALAFLAG, CENAS_NR, CENA_1, FLAG, DAT_NO, DAT_LIDZ) "
          "VALUES (100, 3, 1, 3, 1.02, 1, '2026-12-01', '2026-12-31')"});
    TO_parcpvTable t(*dati);
    fillHead(t);
    const int head = t.O_PARCPVInsert();
    ASSERT_GT(head, 0);
    t.O_PARCPR.ISPRECE = 100;
    t.O_PARCPR.KADA_CENA = 3;
    t.O_PARCPR.CENA_NO = 1.10;
    t.O_PARCPR.CENA_UZ = 0.99;
    t.O_PARCPR.DAUDZUMS = 14;
    const int line = t.O_PARCPRInsert();
    ASSERT_GT(line, 0);

    SqlQuery l(db->connection(), "SELECT * FROM O_PARCPR");
    l.open();
    EXPECT_EQ(l.asInt("ISN"), line);
    EXPECT_EQ(l.asInt("ISPARCPV"), head);
    EXPECT_DOUBLE_EQ(l.asDouble("NODOKLIS"), 21);  // the default rate of the system
    EXPECT_DOUBLE_EQ(l.asDouble("CENA_UZ"), 0.99);
    EXPECT_EQ(l.asString("EDITKODS"), "ADMIN");
    EXPECT_DOUBLE_EQ(scalar("SELECT PARDCENA3 FROM N_KLPREC WHERE ISN=100").toDouble(), 0.99);
    EXPECT_DOUBLE_EQ(scalar("SELECT PARDCENA1 FROM N_KLPREC WHERE ISN=100").toDouble(), 1.21);
    // Only the department's special of that level in force on the date.
    EXPECT_EQ(count("O_SPECCENAS", "CENA_1=0.99"), 1);
    EXPECT_EQ(count("O_SPECCENAS", "CENA_1=0.99 AND KLIENTNODALAFLAG=2 AND DAT_NO='2026-12-01'"), 1);
    EXPECT_EQ(count("O_TEKATLIK"), 0);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='J' AND BAZE='O_PARCPR' AND ISPRECE=100"), 1);

    // A new purchase price.
    t.O_PARCPR = {};
    t.O_PARCPR.ISPRECE = 101;
    t.O_PARCPR.NEWIEPCENA = 0.95;
    t.O_PARCPR.NEWIEPCENA_NO = 0.90;
    ASSERT_GT(t.O_PARCPRInsert(), 0);
    EXPECT_DOUBLE_EQ(scalar("SELECT NEWIEPCENA FROM N_KLPREC WHERE ISN=101").toDouble(), 0.95);
}

TEST_F(PriceChangeTable, NothingIsRetriedAndALineBeforeTheHeadIsRefused)
{
    open(failing("O_PARCPR"));
    TO_parcpvTable t(*dati);
    t.O_PARCPR.ISPRECE = 100;
    EXPECT_EQ(t.O_PARCPRInsert(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Nav izveidota pārcenošanas akta galva !!!");

    fillHead(t);
    ASSERT_GT(t.O_PARCPVInsert(), 0);
    t.O_PARCPR.KADA_CENA = 1;
    t.O_PARCPR.CENA_UZ = 5;
    EXPECT_EQ(t.O_PARCPRInsert(), 0);
    EXPECT_EQ(clock.sleepCalls(), 0);
    EXPECT_DOUBLE_EQ(scalar("SELECT PARDCENA1 FROM N_KLPREC WHERE ISN=100").toDouble(), 1.21);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_parcpvTable::O_PARCPRInsert");
}
