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
    const struct { const char* what; QList<EdiArticleCode> codes; int expected; const char* artikuls; } cases[] = {
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
    for (const auto& c : cases) {
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
    newGoods.MERVIENIBA = "gab";
    newGoods.PARDCENA1 = 0.89;
    newGoods.ISPRKLIENT = 2;
    newGoods.IEVKODS = "IMPORTS NO EDISOFT";

    // One code: it stands for ARTIKULS7 too, so goods 106 with an empty ARTIKULS7 do not match.
    const QList<EdiArticleCode> codes{{"4759000000001"}, {"", 2}};
    const EdiGoods made = lookup.find(codes, newGoods);
    ASSERT_TRUE(made.created && made.ISN > 106 && made.ARTIKULS == "4759000000001");
    const EdiGoods again = lookup.find(codes, newGoods);
    EXPECT_TRUE(!again.created && again.ISN == made.ISN);
    dati->CommitRetaining();
    // No rate given: the system's default rate.
    EXPECT_EQ(count("N_KLPREC", QStringLiteral("ISN=%1 AND GNOS='Jogurts \"Rīts\"' AND PARDCENA1=0.89 AND NODOKLIS=%2 "
                                               "AND MERVIENIBA='gab' AND ISPRKLIENT=2 AND IEVKODS='IMPORTS NO EDISOFT'")
                                    .arg(made.ISN).arg(dati->DEF_PVN)), 1);
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS='4759000000001'"), 1);

    // A partner's code looked for in another column than the one holding it is unknown.
    const EdiGoods other = lookup.find({{"4759000000002"}, {"SUP-7", 4}}, newGoods);
    EXPECT_TRUE(other.created);
    EXPECT_NE(other.ISN, 104);
}

TEST(EdiGoodsLookupColumns, OnlyTheSevenArticleColumnsReachTheStatement)
{
    const QStringList columns{"ARTIKULS", "ARTIKULS", "ARTIKULS", "ARTIKULS3", "ARTIKULS7", "ARTIKULS", "ARTIKULS"};
    const int settings[] = {-1, 0, 1, 3, 7, 8, 99};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(EdiGoodsLookup::articleColumn(settings[i]), columns[i]) << settings[i];
}
