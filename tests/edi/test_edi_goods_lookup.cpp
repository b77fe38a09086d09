#include "documents/DocumentsFixture.h"

#include "edi/EdiGoodsLookup.h"

namespace {

// Goods 104 keeps a supplier's code in ARTIKULS3, 105 a long code, 106 an empty ARTIKULS7.
const QStringList kMoreGoods{
    "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ARTIKULS3, ISPRGRUPA, NODOKLIS) VALUES (104, 'Siers', 'A104', 'SUP-7', 1, 21)",
    "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ISPRGRUPA, NODOKLIS) VALUES (105, 'Garš', '1234567890123456789012345', 1, 21)",
    "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ARTIKULS7, ISPRGRUPA, NODOKLIS) VALUES (106, 'Tukšs 7', 'A106', '', 1, 21)",
    "SET GENERATOR N_KLPRECGEN TO 106",
};

}  // namespace

using EdiGoodsLookupTest = DocumentsTest;

TEST_F(EdiGoodsLookupTest, FirstCodeInEveryColumnThenEachFurtherCodeInItsOwn)
{
    open(kMoreGoods);
    EdiGoodsLookup lookup(*dati);
    struct Case {
        const char* what;
        QList<EdiArticleCode> codes;
        int expected;
        const char* artikuls;
    } cases[] = {
        {"first code as ARTIKULS", {{"4750000001001"}, {"SUP-x", 3}}, 100, "4750000001001"},
        {"first code in ARTIKULS2", {{"P-1001"}}, 100, "4750000001001"},
        {"first code in ARTIKULI_N", {{"Y1001"}}, 100, "4750000001001"},
        {"second code as ARTIKULS7", {{"nav"}, {"G-PIENS", 3}}, 100, "4750000001001"},
        {"further code in its column", {{"nav"}, {"cits"}, {"SUP-7", 3}}, 104, "A104"},
        {"empty codes are passed over", {{""}, {"  "}, {"SUP-7", 3}}, 104, "A104"},
        {"a code longer than 25 by its first 25", {{"1234567890123456789012345-6789"}}, 105,
         "1234567890123456789012345"},
        {"no code at all", {{""}, {""}}, 0, ""},
    };
    for (const Case& c : cases) {
        const EdiGoods g = lookup.find(c.codes, {});
        EXPECT_EQ(g.ISN, c.expected) << c.what;
        EXPECT_EQ(g.ARTIKULS, QString::fromUtf8(c.artikuls)) << c.what;
        EXPECT_FALSE(g.created) << c.what;
    }
    EXPECT_EQ(count("N_KLPREC"), 8);  // the default row 1 and 100..106
}

TEST_F(EdiGoodsLookupTest, UnknownCodesCreateTheGoodsOnceWithTheFirstCodeAsArticle)
{
    open(kMoreGoods);
    EdiGoodsLookup lookup(*dati);
    TJaunaPrece newGoods;
    newGoods.GNOS = "Jogurts \"Rīts\"";
    newGoods.PARDCENA1 = 0.89;
    newGoods.MERVIENIBA = "gab";
    newGoods.ISPRKLIENT = 2;
    newGoods.IEVKODS = "IMPORTS NO EDISOFT";

    // One code: it stands for ARTIKULS7 too, so goods 106 with an empty ARTIKULS7 do not match.
    const QList<EdiArticleCode> codes{{"4759000000001"}, {"", 2}};
    const EdiGoods made = lookup.find(codes, newGoods);
    ASSERT_TRUE(made.created);
    EXPECT_GT(made.ISN, 106);
    EXPECT_EQ(made.ARTIKULS, "4759000000001");
    const EdiGoods again = lookup.find(codes, newGoods);
    EXPECT_FALSE(again.created);
    EXPECT_EQ(again.ISN, made.ISN);
    dati->CommitRetaining();

    SqlQuery r(db->connection(), QStringLiteral("SELECT * FROM N_KLPREC WHERE ISN=%1").arg(made.ISN));
    r.open();
    EXPECT_EQ(r.asString("GNOS"), "Jogurts \"Rīts\"");
    EXPECT_DOUBLE_EQ(r.asDouble("PARDCENA1"), 0.89);
    EXPECT_DOUBLE_EQ(r.asDouble("NODOKLIS"), dati->DEF_PVN);  // no rate given: the system's
    EXPECT_EQ(r.asString("MERVIENIBA").trimmed(), "gab");
    EXPECT_EQ(r.asInt("ISPRKLIENT"), 2);
    EXPECT_EQ(r.asString("IEVKODS").trimmed(), "IMPORTS NO EDISOFT");
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS='4759000000001'"), 1);

    // A partner's code looked for in another column than the one holding it is unknown.
    const EdiGoods other = lookup.find({{"4759000000002"}, {"SUP-7", 4}}, newGoods);
    EXPECT_TRUE(other.created);
    EXPECT_NE(other.ISN, 104);
}

TEST(EdiGoodsLookupColumns, OnlyTheSevenArticleColumnsReachTheStatement)
{
    EXPECT_EQ(EdiGoodsLookup::articleColumn(0), "ARTIKULS");
    EXPECT_EQ(EdiGoodsLookup::articleColumn(1), "ARTIKULS");
    EXPECT_EQ(EdiGoodsLookup::articleColumn(3), "ARTIKULS3");
    EXPECT_EQ(EdiGoodsLookup::articleColumn(7), "ARTIKULS7");
    EXPECT_EQ(EdiGoodsLookup::articleColumn(8), "ARTIKULS");
    EXPECT_EQ(EdiGoodsLookup::articleColumn(-1), "ARTIKULS");
}
