#include "DocumentsFixture.h"

#include "db/DocumentTable.h"
#include "db/N_klprecinfo.h"

using GoodsRegister = DocumentsTest;

TEST_F(GoodsRegister, LookUpByEveryArticleColumnByNameAndByKey)
{
    open();
    TN_klprecinfo g(*dati);
    EXPECT_EQ(g.FindArtikuls("4750000001001"), 100);
    EXPECT_EQ(g.Prece.GNOS, "Piens 2,5% 1l");
    EXPECT_DOUBLE_EQ(g.Prece.PARDCENA[3], 1.10);
    EXPECT_DOUBLE_EQ(g.Prece.NODOKLIS, 21);
    EXPECT_EQ(g.Prece.ISPRGRUPA, 2);
    EXPECT_FALSE(g.Prece.DEPOZITATARA);
    EXPECT_EQ(g.FindArtikuls("P-1001"), 100);   // ARTIKULS2
    EXPECT_EQ(g.FindArtikuls("D1001"), 100);    // ARTIKULS5
    EXPECT_EQ(g.FindArtikuls("X1001"), 100);    // one of ARTIKULI_N
    EXPECT_EQ(g.FindArtikuls("1001"), 0);       // part of a code is no code
    EXPECT_EQ(g.FindArtikuls("G-PIENS"), 100);  // ARTIKULS7
    EXPECT_EQ(g.FindArtikuls("nav", "G-PIENS"), 100);
    EXPECT_EQ(g.FindArtikuls("G-PIENS", "cits"), 0);
    EXPECT_EQ(g.FindArtikuls(""), 0);
    EXPECT_EQ(g.Prece.ISN, 0);

    EXPECT_EQ(g.FindArtikuls5("D1002"), 101);
    EXPECT_EQ(g.FindArtikuls5("4750000001002"), 0);
    EXPECT_EQ(g.FindGnos("Rupjmaize"), 102);
    EXPECT_EQ(g.FindGnos("rupjmaize"), 0);
    EXPECT_EQ(g.FindIsn(103), 103);
    EXPECT_EQ(g.Prece.GNOS, "Ūdens 0,5l");
    EXPECT_EQ(g.FindIsn(999), 0);

    EXPECT_EQ(g.FindArtikuli("nav", "4750000002001"), 102);
    EXPECT_EQ(g.FindArtikuli("Y1001", "nav"), 100);
    EXPECT_EQ(g.FindArtikuli("nav", "G-PIENS"), 100);
    EXPECT_EQ(g.FindArtikuli("", "D1002"), 101);
    EXPECT_EQ(g.FindArtikuli("nav", "arī nav"), 0);
}

TEST_F(GoodsRegister, CreationFindsItsSupplierAndLogisticsPartner)
{
    open();
    TN_klprecinfo g(*dati);
    TJaunaPrece p;
    p.ARTIKULS = "4759000000001";
    p.ARTIKULS7 = "G-JAUNS";
    p.GNOS = "Jogurts 'Rīts' 200g";
    p.NODOKLIS = 12;
    p.PARDCENA1 = 0.89;
    p.MERVIENIBA = "gab";
    p.REG_NR = "LV40003000002";  // a VAT code
    p.IDKODS = "V000002";
    const int isn = g.CreatePrece(p);
    ASSERT_GT(isn, 103);
    dati->CommitRetaining();
    SqlQuery r(db->connection(), QStringLiteral("SELECT * FROM N_KLPREC WHERE ISN=%1").arg(isn));
    r.open();
    EXPECT_EQ(r.asString("GNOS"), "Jogurts 'Rīts' 200g");
    EXPECT_EQ(r.asInt("ISPRKLIENT"), 3);
    EXPECT_EQ(r.asInt("ISPRLOGISTIKA"), 2);
    EXPECT_EQ(r.asString("MERVIENIBA"), "gab");
    EXPECT_DOUBLE_EQ(r.asDouble("PARDCENA1"), 0.89);
    EXPECT_EQ(r.asString("IEVKODS"), "ADMIN");
    EXPECT_EQ(g.FindArtikuls("G-JAUNS"), isn);

    // A registration number finds the supplier too; unknown partners are the default row.
    TJaunaPrece q;
    q.ARTIKULS = "4759000000002";
    q.REG_NR = "40003000001";
    q.IDKODS = "NAV";
    const int second = g.CreatePrece(q);
    dati->CommitRetaining();
    EXPECT_EQ(scalar(QStringLiteral("SELECT ISPRKLIENT FROM N_KLPREC WHERE ISN=%1").arg(second)).toInt(), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT ISPRLOGISTIKA FROM N_KLPREC WHERE ISN=%1").arg(second)).toInt(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT GNOS FROM N_KLPREC WHERE ISN=%1").arg(second)).toString(), "NO NAME");
}

TEST_F(GoodsRegister, PricesWithoutVatFollowTheSetting)
{
    open();
    TN_klprecinfo g(*dati);
    ASSERT_EQ(g.FindIsn(100), 100);
    EXPECT_DOUBLE_EQ(g.PriceWithoutVat(1), 1.21);
    reconnectWith("UPDATE N_ISI2 SET PARDCENASAR=1");
    EXPECT_NEAR(g.PriceWithoutVat(1), 1.0, 1e-9);
    EXPECT_NEAR(g.PriceWithoutVat(99), 1.0, 1e-9);
}

TEST_F(GoodsRegister, StockUpdatesWithoutADocument)
{
    open();
    stockCount(100, 2, day(2026, 12, 10));
    // Flag 0 is a correction: it goes in whatever was counted; an empty mark counts as "F".
    UpdateCurrentStock(*dati, 2, 100, day(2026, 12, 1), 5, "", 0);
    UpdateCurrentStock(*dati, 2, 100, day(2026, 12, 1), 5, "", 1);
    UpdateCurrentStock(*dati, 2, 100, day(2026, 12, 11), 2, "T", 1);
    dati->CommitRetaining();
    EXPECT_DOUBLE_EQ(stock(100, 2), 7.0);
}
