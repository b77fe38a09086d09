#include "DocumentsFixture.h"

#include "db/CustomerPrice.h"

namespace {

// Customer 4 buys at level 2 with discount group 2 (-4 % in goods group 2); department 3 sells
// at level 3. Goods 100: levels 1.21 / 1.15 / 1.10, group 2.
struct CustomerPriceRules : DocumentsTest {
    const QDateTime date = day(2026, 12, 7);

    TCustomerPrice price(int goods, int customer = 4, int department = 3)
    {
        return GetCustomerPrice(*dati, goods, customer, department, date);
    }

    static QString special(int customer, double cena, double atlaide, int flag, const QString& from, const QString& to,
                           int kind = 1)
    {
        return QStringLiteral("INSERT INTO O_SPECCENAS (ISPRECE, ISKLIENT, KLIENTNODALAFLAG, CENA_1, ATLAIDE, FLAG, "
                              "DAT_NO, DAT_LIDZ) VALUES (100, %1, %2, %3, %4, %5, %6, %7)")
            .arg(customer).arg(kind).arg(cena).arg(atlaide).arg(flag).arg(from, to);
    }
    static QString groupPrice(double cena, double atlaide, int flag, const QString& from, const QString& to)
    {
        return QStringLiteral("INSERT INTO O_CENASPRGRUPAS (ISPRGRUPA, ISKLIENT, CENA_1, ATLAIDE, FLAG, DAT_NO, DAT_LIDZ) "
                              "VALUES (2, 4, %1, %2, %3, %4, %5)").arg(cena).arg(atlaide).arg(flag).arg(from, to);
    }
};

const QString kUndatedFrom = "'1900-01-01'";
const QString kUndatedTo = "'3000-12-31'";

}  // namespace

TEST_F(CustomerPriceRules, PriceLevelAndDiscountsWithoutAgreedPrices)
{
    open({"INSERT INTO N_KLIENT (ISN, GNOS, CENUGRUPA, NODALAS_CENAS) VALUES (6, 'Veikala pircējs', 2, 'T')",
          "UPDATE N_KLPREC SET PASTAVIGATLAID=-2 WHERE ISN=100",
          "UPDATE N_KLPREC SET PASTAVIGATLAID=-10 WHERE ISN=101"});
    TCustomerPrice p = price(100);
    EXPECT_DOUBLE_EQ(p.CENA, 1.15);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, -4);  // the group's discount is the better one
    EXPECT_EQ(p.level, 2);
    EXPECT_EQ(p.source, PriceSource::GroupDiscount);

    p = price(101);  // no level-2 price: level 1; the permanent discount is the better one
    EXPECT_DOUBLE_EQ(p.CENA, 1.452);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, -10);
    EXPECT_EQ(p.level, 1);
    EXPECT_EQ(p.source, PriceSource::PermanentDiscount);

    p = price(100, 6);  // department prices: level 3 of department 3
    EXPECT_DOUBLE_EQ(p.CENA, 1.10);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, -2);
    EXPECT_EQ(p.source, PriceSource::PermanentDiscount);

    p = price(100, 5, 2);  // a customer without a level: the department's
    EXPECT_DOUBLE_EQ(p.CENA, 1.21);
    EXPECT_EQ(p.level, 1);

    p = price(999);
    EXPECT_EQ(p.source, PriceSource::NoGoods);
    EXPECT_DOUBLE_EQ(p.CENA, 0);
}

TEST_F(CustomerPriceRules, APromotionThatForbidsDiscountsLeavesTheLevelPrice)
{
    open({"UPDATE N_KLPREC SET PASTAVIGATLAID=-10 WHERE ISN=100",
          "INSERT INTO O_PARCPV (ISN, ISNODALA, DATUMS, PZ_VEIDS, AKCIJA_NO, AKCIJA_LIDZ, AKCNEDOTATL) "
          "VALUES (1, 3, '2026-12-01', 1, '2026-12-01', '2026-12-31', 'T')",
          "INSERT INTO O_PARCPR (ISPARCPV, ISPRECE, KADA_CENA, CENA_UZ) VALUES (1, 100, 2, 1.15)",
          // the same promotion in another department, and one that has ended
          "INSERT INTO O_PARCPV (ISN, ISNODALA, DATUMS, PZ_VEIDS, AKCIJA_NO, AKCIJA_LIDZ, AKCNEDOTATL) "
          "VALUES (2, 2, '2026-12-01', 1, '2026-12-01', '2026-12-31', 'T')",
          "INSERT INTO O_PARCPR (ISPARCPV, ISPRECE) VALUES (2, 101)",
          "INSERT INTO O_PARCPV (ISN, ISNODALA, DATUMS, PZ_VEIDS, AKCIJA_NO, AKCIJA_LIDZ, AKCNEDOTATL) "
          "VALUES (3, 3, '2026-11-01', 1, '2026-11-01', '2026-11-30', 'T')",
          "INSERT INTO O_PARCPR (ISPARCPV, ISPRECE) VALUES (3, 101)"});
    TCustomerPrice p = price(100);
    EXPECT_DOUBLE_EQ(p.CENA, 1.15);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, 0);
    EXPECT_EQ(p.source, PriceSource::PriceLevel);
    p = price(101);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, -4);
}

TEST_F(CustomerPriceRules, ADatedSpecialPriceBeatsAnUndatedOneWhichBeatsEverythingElse)
{
    open({special(4, 1.00, 0, 1, kUndatedFrom, kUndatedTo),
          groupPrice(0, -6, 2, kUndatedFrom, kUndatedTo)});
    TCustomerPrice p = price(100);
    EXPECT_DOUBLE_EQ(p.CENA, 1.00);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, 0);
    EXPECT_EQ(p.source, PriceSource::SpecialPrice);
}

TEST_F(CustomerPriceRules, DatedSpecialPricesNewestFirstAndOnlyInTheirPeriod)
{
    open({special(4, 1.00, 0, 1, kUndatedFrom, kUndatedTo),
          special(4, 0.97, 0, 1, "'2026-11-01'", "'2026-12-31'"),
          special(4, 0.95, 0, 1, "'2026-12-07'", "'2026-12-07'"),   // this very day
          special(4, 0.50, 0, 1, "'2026-12-08'", "'2026-12-31'"),   // not yet
          special(4, 0.40, 0, 1, "'2026-01-01'", "'2026-12-06'"),   // over
          special(4, 0.30, 0, 4, "'2026-12-01'", "'2026-12-31'"),   // a purchase price
          special(3, 0.20, 0, 1, "'2026-12-01'", "'2026-12-31'", 2)});  // a department's (key 3)
    TCustomerPrice p = price(100);
    EXPECT_DOUBLE_EQ(p.CENA, 0.95);
    EXPECT_EQ(p.source, PriceSource::DatedSpecialPrice);
    // The department's special is not the customer's even when the key is the same number.
    p = GetCustomerPrice(*dati, 100, 3, 3, date);
    EXPECT_NE(p.CENA, 0.20);
}

TEST_F(CustomerPriceRules, SpecialPriceKinds)
{
    open({special(4, 0, -7, 2, kUndatedFrom, kUndatedTo)});
    TCustomerPrice p = price(100);
    EXPECT_DOUBLE_EQ(p.CENA, 1.21);  // the first level with the row's discount
    EXPECT_DOUBLE_EQ(p.ATLAIDE, -7);
    EXPECT_EQ(p.source, PriceSource::SpecialPrice);

    db->exec("UPDATE O_SPECCENAS SET FLAG=3, CENA_1=3, ATLAIDE=0");  // a price level
    db->close();
    dati->CommitRetaining();
    p = price(100);
    EXPECT_DOUBLE_EQ(p.CENA, 1.10);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, 0);

    db->exec("UPDATE O_SPECCENAS SET FLAG=1, CENA_1=0");  // gives no price: passed over
    db->close();
    dati->CommitRetaining();
    p = price(100);
    EXPECT_EQ(p.source, PriceSource::GroupDiscount);
}

TEST_F(CustomerPriceRules, AGroupPriceBeatsDiscountsAndADatedOneBeatsAnUndatedOne)
{
    open({groupPrice(0, -6, 2, kUndatedFrom, kUndatedTo), "UPDATE N_KLPREC SET PASTAVIGATLAID=-10 WHERE ISN=100"});
    TCustomerPrice p = price(100);
    EXPECT_DOUBLE_EQ(p.CENA, 1.21);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, -6);
    EXPECT_EQ(p.source, PriceSource::GroupPrice);

    db->exec(groupPrice(1.05, 0, 1, "'2026-12-01'", "NULL"));
    db->close();
    dati->CommitRetaining();
    p = price(100);
    EXPECT_DOUBLE_EQ(p.CENA, 1.05);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, 0);
    EXPECT_EQ(p.source, PriceSource::DatedGroupPrice);
    EXPECT_DOUBLE_EQ(price(102).CENA, 2.24);  // another group
}

TEST_F(CustomerPriceRules, TheMinimumPriceIsAFloor)
{
    open({"UPDATE N_KLPREC SET MINCENFLAG='T', MINCENA=1.12 WHERE ISN=100",
          "UPDATE N_KLPREC SET MINCENFLAG='F', MINCENA=5 WHERE ISN=101"});
    TCustomerPrice p = price(100);  // 1.15 less 4 % = 1.104
    EXPECT_DOUBLE_EQ(p.CENA, 1.12);
    EXPECT_DOUBLE_EQ(p.ATLAIDE, 0);
    EXPECT_EQ(p.source, PriceSource::MinimumPrice);
    EXPECT_DOUBLE_EQ(price(101).CENA, 1.452);  // no minimum without the flag

    db->exec(special(4, 1.13, 0, 1, kUndatedFrom, kUndatedTo));  // above the floor: kept
    db->close();
    dati->CommitRetaining();
    EXPECT_DOUBLE_EQ(price(100).CENA, 1.13);
    db->exec("UPDATE O_SPECCENAS SET CENA_1=1.0");  // below: the floor
    db->close();
    dati->CommitRetaining();
    EXPECT_DOUBLE_EQ(price(100).CENA, 1.12);
}

TEST_F(CustomerPriceRules, PricesWithVatAreGivenWithoutIt)
{
    open({special(4, 2.42, 0, 1, kUndatedFrom, kUndatedTo)});
    reconnectWith("UPDATE N_ISI2 SET PARDCENASAR=1");
    EXPECT_NEAR(price(100).CENA, 2.0, 1e-9);
    EXPECT_NEAR(price(102).CENA, 2.0, 1e-9);  // 2.24 with 12 %
}
