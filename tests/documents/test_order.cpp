#include "DocumentsFixture.h"

#include "db/O_paspavtable.h"

namespace {

// 07.12.2026 is a Monday.
struct CustomerOrderTable : DocumentsTest {
    void fillHead(TO_paspavTable& t)
    {
        t.O_PASPAV.NR_PAVADZ = "ORD-12";
        t.O_PASPAV.DATUMS = day(2026, 12, 7);
        t.O_PASPAV.DAT_PIEGADE = day(2026, 12, 9);
        t.O_PASPAV.ISNODALA = 3;
    }

    QStringList places() const
    {
        return {"INSERT INTO N_KL_STRV (ISN, ISKLIENT, GNOS, KODS, FTP_KLKODS, ISAGENTS, ORDER_1, ORDER_ISAGENTS_1, ORDER_2, "
                "ORDER_ISAGENTS_2) VALUES (11, 4, 'Rīts Centrs', 'K-11', '4752000000011', 2, 'F', 3, 'T', 3)",
                "INSERT INTO N_KL_STRV (ISN, ISKLIENT, GNOS, KODS, FTP_KLKODS, ISAGENTS, ORDER_1, ORDER_ISAGENTS_1) "
                "VALUES (12, 4, 'Rīts Osta', 'K-12', '4752000000012', 2, 'T', 3)"};
    }
};

}  // namespace

TEST_F(CustomerOrderTable, ADeliveryPlaceGivesCustomerAgentAndVehicle)
{
    open(places());
    TO_paspavTable t(*dati);
    fillHead(t);
    t.O_PASPAV.KL_FTPKODS = "4752000000011";
    const int head = t.O_PASPAVInsert();
    ASSERT_GT(head, 0);
    SqlQuery h(db->connection(), "SELECT * FROM O_PASPAV");
    h.open();
    EXPECT_EQ(h.asInt("ISN"), head);
    EXPECT_EQ(h.asInt("ISKLIENT"), 4);
    EXPECT_EQ(h.asInt("ISKLSTRV"), 11);
    EXPECT_EQ(h.asInt("ISAGENTS"), 2);  // the place's agent: Monday is no order day here
    EXPECT_EQ(h.asInt("ISMASINA"), 2);  // the agent's vehicle
    EXPECT_EQ(h.asInt("ISAPMAKSVEIDS"), 3);  // the customer's
    EXPECT_EQ(h.asInt("PIEGADPIRCEJS"), 2);
    EXPECT_EQ(h.asDateTime("DAT_PIEGADE"), day(2026, 12, 9));
    EXPECT_EQ(h.asDateTime("DAT_PIEGADE0"), day(2026, 12, 9));
    EXPECT_EQ(h.asString("NELEGALIZ").trimmed(), "F");
    EXPECT_EQ(count("O_OPERACIJAS", QStringLiteral("TAUSTINS='J' AND BAZE='O_PASPAV' AND ISN_BAZE=%1").arg(head)), 1);

    // On its order day a place's orders go to the agent of that weekday.
    t.O_PASPAV = {};
    fillHead(t);
    t.O_PASPAV.KL_IDKODS = "K-12";  // not a customer code: a branch code
    ASSERT_GT(t.O_PASPAVInsert(), 0);
    EXPECT_EQ(t.O_PASPAV.ISKLIENT, 4);
    EXPECT_EQ(t.O_PASPAV.ISKLSTRV, 12);
    EXPECT_EQ(t.O_PASPAV.ISAGENTS, 3);
    EXPECT_EQ(t.O_PASPAV.ISMASINA, 3);
}

TEST_F(CustomerOrderTable, TheCustomerSuppliesTheDefaultsAndAnUnknownOneBecomesTheDefaultRow)
{
    open();
    TO_paspavTable t(*dati);
    fillHead(t);
    t.O_PASPAV.KL_IDKODS = "C000004";
    ASSERT_GT(t.O_PASPAVInsert(), 0);
    EXPECT_EQ(t.O_PASPAV.ISKLIENT, 4);
    EXPECT_EQ(t.O_PASPAV.ISKLSTRV, 0);
    EXPECT_EQ(t.O_PASPAV.ISAGENTS, 2);  // ISKLAGENTS
    EXPECT_EQ(t.O_PASPAV.ISMASINA, 1);

    t.O_PASPAV = {};
    fillHead(t);
    t.O_PASPAV.ISNODALA = 0;
    t.O_PASPAV.KL_FTPKODS = "4759999999999";
    ASSERT_GT(t.O_PASPAVInsert(), 0);
    EXPECT_EQ(t.O_PASPAV.ISKLIENT, 1);
    EXPECT_EQ(t.O_PASPAV.ISAGENTS, 1);
    EXPECT_EQ(t.O_PASPAV.ISNODALA, 1);

    // An order to a supplier.
    t.O_PASPAV = {};
    fillHead(t);
    t.O_PASPAV.ISKLIENT = 2;
    ASSERT_GT(t.O_PASPAVInsert(), 0);
    EXPECT_EQ(t.O_PASPAV.PIEGADPIRCEJS, 1);
    EXPECT_EQ(count("O_PASPAV"), 3);
}

TEST_F(CustomerOrderTable, LinesTakeTheCustomersPriceAndMoveNoStock)
{
    open();
    TO_paspavTable t(*dati);
    fillHead(t);
    t.O_PASPAV.ISKLIENT = 4;
    const int head = t.O_PASPAVInsert();
    ASSERT_GT(head, 0);

    // No price given: customer 4 buys at level 2 (1.15) with discount group 2 (-4 % in group 2).
    t.O_PASPRC.ARTIKULS = "4750000001001";
    t.O_PASPRC.DAUDZUMS = 10;
    t.O_PASPRC.APSTIPRIN_DAUDZ = 10;
    const int line1 = t.O_PASPRCInsert();
    ASSERT_GT(line1, 0);
    // A price given stays, with its own discount.
    t.O_PASPRC = {};
    t.O_PASPRC.ISPRECE = 102;
    t.O_PASPRC.CENA = 2.0;
    t.O_PASPRC.DAUDZUMS = 1;
    t.O_PASPRC.PIEZIMES = "Nav atrasts 123";
    ASSERT_GT(t.O_PASPRCInsert(), 0);

    SqlQuery l(db->connection(), "SELECT * FROM O_PASPRC ORDER BY ISN");
    l.open();
    EXPECT_EQ(l.asInt("ISN"), line1);
    EXPECT_EQ(l.asInt("ISPASPAV"), head);
    EXPECT_EQ(l.asInt("ISPRECE"), 100);
    EXPECT_DOUBLE_EQ(l.asDouble("CENA"), 1.15);
    EXPECT_DOUBLE_EQ(l.asDouble("ATLAIDE"), -4);
    EXPECT_DOUBLE_EQ(l.asDouble("APSTIPRIN_DAUDZ"), 10);
    l.next();
    EXPECT_DOUBLE_EQ(l.asDouble("CENA"), 2.0);
    EXPECT_DOUBLE_EQ(l.asDouble("ATLAIDE"), 0);
    EXPECT_DOUBLE_EQ(l.asDouble("NODOKLIS"), 12);
    EXPECT_EQ(l.asString("PIEZIMES"), "Nav atrasts 123");
    EXPECT_EQ(count("O_TEKATLIK"), 0);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='J' AND BAZE='O_PASPRC'"), 2);

    const TCustomerPrice price = t.CustomerPrice(101);
    EXPECT_DOUBLE_EQ(price.CENA, 1.452);  // customer level 2 has no price for 101: level 1
    EXPECT_DOUBLE_EQ(price.ATLAIDE, -4);
}

TEST_F(CustomerOrderTable, NothingIsRetriedAndALineBeforeTheHeadIsRefused)
{
    open(failing("O_PASPAV"));
    TO_paspavTable t(*dati);
    t.O_PASPRC.ISPRECE = 100;
    EXPECT_EQ(t.O_PASPRCInsert(), 0);
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0], "Nav izveidota pasūtījuma galva !!!");

    fillHead(t);
    EXPECT_EQ(t.O_PASPAVInsert(), 0);
    EXPECT_EQ(clock.sleepCalls(), 0);
    EXPECT_EQ(count("O_PASPAV"), 0);
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='E' AND BAZE='O_PASPAV'"), 1);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_paspavTable::O_PASPAVInsert");
    EXPECT_TRUE(t.ErrorText.startsWith("Neizdevās izveidot pasūtījumu !!!\n"));
}

TEST_F(CustomerOrderTable, AFailingLineIsReportedAtOnce)
{
    open(failing("O_PASPRC"));
    TO_paspavTable t(*dati);
    fillHead(t);
    ASSERT_GT(t.O_PASPAVInsert(), 0);
    t.O_PASPRC.ISPRECE = 100;
    t.O_PASPRC.CENA = 1;
    EXPECT_EQ(t.O_PASPRCInsert(), 0);
    EXPECT_EQ(clock.sleepCalls(), 0);
    EXPECT_EQ(scalar("SELECT LOGA_NOS FROM O_ERRORINFO").toString(), "TO_paspavTable::O_PASPRCInsert");
    EXPECT_EQ(count("O_OPERACIJAS", "TAUSTINS='E' AND BAZE='O_PASPRC' AND ISPRECE=100"), 1);
}
