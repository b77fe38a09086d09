#include "D365Fixture.h"

namespace {

QJsonObject salesPrice(const QString& product, const QString& brand, const QString& risk, const QJsonValue& price)
{
    return {{"Product", product}, {"BrandType", brand}, {"PriceLevelType", risk}, {"SalesPrice", price}};
}

QJsonObject promotion(const QString& product, const QString& type, const QString& status, const QJsonValue& price,
                      const QString& designation = "Akcija", const QString& from = "2026-12-01T00:00:00")
{
    return {{"Product", product},     {"PromoType", type},   {"PromoStatus", status}, {"PromoPrice", price},
            {"PromoDesignation", designation}, {"FromDatePromo", from}, {"ToDatePromo", "2026-12-31T00:00:00"}};
}

const QString kUpdateError = "Kļūda mainot datus N_KLPREC 5. artikuls : ";

}  // namespace

class D365PricesTest : public D365Test {
protected:
    void SetUp() override
    {
        D365Test::SetUp();
        login();
    }
    double col(int isn, const QString& c) { return number(QString("SELECT %1 FROM N_KLPREC WHERE ISN=%2").arg(c).arg(isn)); }
    double level(int isn, int n) { return col(isn, QString("PARDCENA%1").arg(n)); }
    int journal(const QString& code) { return count("O_OPERACIJAS", QString("TAUSTINS='%1'").arg(code)); }
    int lines(int isn, int level) { return count("O_PARCPR", QString("ISPRECE=%1 AND KADA_CENA=%2").arg(isn).arg(level)); }
};

// The level pair of each record; a price that is stored already, or not above 0, changes nothing.
TEST_F(D365PricesTest, BrandAndRiskChooseTheLevelPair)
{
    struct Case {
        const char* brand;
        const char* risk;
        double price;
        QList<int> levels;
    };
    const Case cases[] = {
        {"Top", "PriceHighRisk", 2.5, {3, 11}}, {"Top", "PriceMediumRisk", 2.5, {4, 12}}, {"Top", "PriceLowRisk", 2.5, {7, 13}},
        {"Top", "PriceNoRisk", 2.5, {}},        {"Private", "PriceHighRisk", 2.5, {6, 10}}, {"", "", 2.5, {6, 10}},
        {"Top", "PriceHighRisk", 1.0, {}},      {"Own", "", 0, {}},                          {"Own", "", -1, {}},
    };
    QJsonArray records;
    QList<int> isns;
    for (const Case& c : cases) {
        QVariantHash levels;
        for (int i = 1; i <= 16; ++i)
            levels.insert(QString("PARDCENA%1").arg(i), 1.0);
        isns << goodsRow(QString("L%1").arg(isns.size()), levels);
        records << salesPrice(QString("L%1").arg(isns.size() - 1), c.brand, c.risk, c.price);
    }
    fake.records("GetPrices", records);
    ASSERT_EQ(d365->GetPrices(), 0);
    for (int i = 0; i < isns.size(); ++i)
        for (int n = 1; n <= 16; ++n)
            EXPECT_DOUBLE_EQ(level(isns[i], n), cases[i].levels.contains(n) ? cases[i].price : 1.0) << i << " level " << n;
    EXPECT_EQ(journal("L"), 5);
}

TEST_F(D365PricesTest, DepartmentsSellingAtTheLevelGetOneNoteLineEach)
{
    const int p1 = goodsRow("P1", {{"PARDCENA6", 1.0}, {"GNOS", "Piens 1l"}, {"ARTIKULS", "4750001"}});
    const int p2 = goodsRow("P2", {{"PARDCENA6", 1.0}});
    const int halfCent = goodsRow("P3", {{"PARDCENA6", 1.0}});
    const int assortment = departmentRow("Sortiments", 6), stocked = departmentRow("Atlikums", 6);
    const int neither = departmentRow("Nekas", 6), otherLevel = departmentRow("Cita cena", 3);
    for (int isn : {p1, p2, halfCent}) {
        inAssortment(isn, assortment);
        stockOf(isn, stocked, 7);
        stockOf(isn, otherLevel, 5);
    }
    fake.records("GetPrices", QJsonArray{salesPrice("P1", "Own", "", 1.5), salesPrice("P2", "Own", "", "1,25"),
                                         salesPrice("P3", "Own", "", 1.005)});
    ASSERT_EQ(d365->GetPrices(), 0);

    // one head per department and day; a line per department and product; half a cent writes none
    EXPECT_EQ(count("O_PARCPV"), 2);
    EXPECT_EQ(count("O_PARCPV", QString("ISNODALA IN (%1, %2)").arg(neither).arg(otherLevel)), 0);
    EXPECT_EQ(count("O_PARCPV", QString("ISNODALA=%1 AND DATUMS='2026-12-07' AND PAMATOJUMS='NO D365' AND AKCIJAS_VEIDS=''")
                                    .arg(assortment)),
              1);
    const QString line = "SELECT %1 FROM O_PARCPR JOIN O_PARCPV ON O_PARCPV.ISN=O_PARCPR.ISPARCPV "
                         "WHERE O_PARCPV.ISNODALA=:N AND O_PARCPR.ISPRECE=:P";
    EXPECT_DOUBLE_EQ(number(line.arg("DAUDZUMS"), {{"N", assortment}, {"P", p1}}), 1);  // at least 1
    EXPECT_DOUBLE_EQ(number(line.arg("DAUDZUMS"), {{"N", stocked}, {"P", p1}}), 7);
    EXPECT_DOUBLE_EQ(number(line.arg("CENA_NO + CENA_UZ"), {{"N", stocked}, {"P", p2}}), 2.25);
    EXPECT_EQ(lines(p1, 6) + lines(p2, 6) + lines(halfCent, 6), 4);
    EXPECT_DOUBLE_EQ(level(halfCent, 6), 1.005);
    EXPECT_EQ(text("SELECT PIEZIMES FROM O_OPERACIJAS WHERE TAUSTINS='L' AND ISPRECE=:P", {{"P", p1}}),
              "No D365 pārcenošanā 4750001|Piens 1l");

    // the same list again changes nothing
    const int journalled = count("O_OPERACIJAS");
    ASSERT_EQ(d365->GetPrices(), 0);
    EXPECT_EQ(count("O_PARCPR"), 4);
    EXPECT_EQ(count("O_OPERACIJAS"), journalled);
}

TEST_F(D365PricesTest, DependentLevelsFollowWhileTheLevelsSetKeepTheirPrice)
{
    const int p = goodsRow("F1", {{"PARDCENA6", 1.0},        {"PARDCENA2", 0.77}, {"PARDCENA8", 0.66},
                                  {"NET_CENA", 1.0},         {"CENA6ALGORITM", "<NET>*2"},  // would overwrite the price set
                                  {"CENA1ALGORITM", "<PCENA6>*0.9"}, {"CENA1ALGORAPAL", 11},
                                  {"CENA2ALGORITM", "<PCENA6>/0"},   {"CENA5ALGORITM", "<NULL>0"},
                                  {"CENA8ALGORITM", "<PCENA6>-<PCENA6>"},
                                  {"CENA9ALGORITM", "<PCENA6>*1.111"}, {"CENA9ALGORAPAL", 3}});
    fake.records("GetPrices", QJsonArray{salesPrice("F1", "Own", "", 1.5)});
    ASSERT_EQ(d365->GetPrices(), 0);
    EXPECT_DOUBLE_EQ(level(p, 6), 1.5);
    EXPECT_DOUBLE_EQ(level(p, 1), 1.35);
    EXPECT_DOUBLE_EQ(level(p, 2), 0.77);  // no value: the level keeps its price
    EXPECT_EQ(dialogs.messages, QStringList{"Nav korekta izteiksme cenu algoritmam no <PCENA6>/0"});
    EXPECT_DOUBLE_EQ(level(p, 5), 0.0);   // <NULL>: 0 is a price
    EXPECT_DOUBLE_EQ(level(p, 8), 0.66);  // 0 without it is none
    EXPECT_DOUBLE_EQ(level(p, 9), 1.666);  // 1.6665: the half goes to the even neighbour
    EXPECT_NEAR(col(p, "PIECEN6"), (1.5 / 1.21) / 1.0 * 100 - 100, 1e-9);
}

TEST_F(D365PricesTest, FormulasReadEveryPlaceholderFromTheProduct)
{
    seed("INSERT INTO N_VALUTA (ISN, GNOS, KODS, KURSS) VALUES (7, 'ASV dolārs', 'USD', 1.25)");
    const int p = goodsRow("E1", {{"NEWIEPCENA", 1.1}, {"NEWIEPCENA2", 1.2}, {"NET_CENA", 0.9}, {"PARDCENA16", 4.4},
                                  {"NEWCENA2", 2.2},   {"PIECEN3", 30},      {"BONUSS", 0.03},  {"AKCIZNOD", 0.06},
                                  {"KATALVAL", 5.0},   {"KATCVAL", 7}});
    const QString special = "INSERT INTO O_SPECCENAS (ISPRECE, FLAG, CENA_1, DAT_NO, DAT_LIDZ) VALUES (:P, 4, :C, :F, :T)";
    seed(special, {{"P", p}, {"C", 0.8}, {"F", QDate(2026, 12, 1)}, {"T", QDate(2026, 12, 31)}});
    seed(special, {{"P", p}, {"C", 0.6}, {"F", QDate(2026, 12, 5)}, {"T", QDate(2026, 12, 6)}});  // ended
    seed(special, {{"P", p}, {"C", 0.5}, {"F", QDate(2026, 12, 8)}, {"T", QDate(2026, 12, 31)}});  // not yet
    for (int r : {1, 2})  // the later receipt's price
        seed(QString("INSERT INTO O_PAVADZ (ISN, ISKLIENT, ISNODALA, DAT_SANEM) VALUES (90%1, 1, 1, '2026-11-2%1')").arg(r));
    seed("INSERT INTO O_PRECE (ISPAVADZ, ISPRECE, CENA, DAUDZUMS) VALUES (902, :P, 0.95, 1)", {{"P", p}});
    seed("INSERT INTO O_PRECE (ISPAVADZ, ISPRECE, CENA, DAUDZUMS) VALUES (901, :P, 0.85, 1)", {{"P", p}});
    const std::pair<const char*, double> cases[] = {
        {"<JIC>", 0.8},       {"<JIC_2>", 1.2},    {"<PVN>", 21},       {"<NET>", 0.9},     {"<PCENA16>", 4.4},
        {"<NEWCENA2>", 2.2},  {"<PIEC_3_X>", 30},  {"<BONUSS>", 0.03},  {"<AKCIZNOD>", 0.06}, {"<KCV>", 4.0},
        {"<PIC>", 0.95},      {"<NET>*(1+<PVN>/100)", 0.9 * 1.21}, {"", 0}, {"<NULL>", 0}};
    D365PriceLevels& levels = d365->prices().levels();
    for (const auto& [formula, expected] : cases)
        EXPECT_NEAR(levels.EvaluatePriceFormula(formula, p), expected, 1e-12) << formula;
    EXPECT_TRUE(dialogs.messages.isEmpty());
    // what cannot be evaluated is 0 and a message with the formula as stored
    for (const char* formula : {"<NET> / 0", "<NAV>*2", "<NET>*"}) {
        dialogs.messages.clear();
        EXPECT_EQ(levels.EvaluatePriceFormula(formula, p), 0.0) << formula;
        EXPECT_EQ(dialogs.messages, QStringList{QString("Nav korekta izteiksme cenu algoritmam no ") + formula});
    }
}

TEST_F(D365PricesTest, RecordsThatCannotBeReadOrStoredAreSkippedAndTheListGoesOn)
{
    const int p = goodsRow("B1", {{"PARDCENA1", 1.0}, {"PARDCENA6", 1.0}});
    const int good = goodsRow("B2", {{"PARDCENA6", 1.0}});
    QJsonObject noPrice = salesPrice("B1", "Own", "", 1);
    noPrice.remove("SalesPrice");
    fake.records("GetPrices", QJsonArray{salesPrice("NAV", "Own", "", 2), salesPrice("B1", "Own", "", "x"),
                                         salesPrice("B1", "Own", "", "1.5, PARDCENA1=0"), noPrice,
                                         salesPrice("B2", "Own", "", 3)});
    ASSERT_EQ(d365->GetPrices(), 0);
    EXPECT_TRUE(log.has("Prece nav atrasta preču sarakstā. 5. artikuls : NAV"));
    EXPECT_EQ(log.count(kUpdateError + "B1 Error : "), 3);
    EXPECT_TRUE(log.has("nav lauka \"SalesPrice\""));
    EXPECT_DOUBLE_EQ(level(p, 1) + level(p, 6), 2.0);
    EXPECT_DOUBLE_EQ(level(good, 6), 3.0);
}

TEST_F(D365PricesTest, ANoteTheDatabaseRefusesPutsThePriceBackAndTheRerunWritesIt)
{
    const int p = goodsRow("N1", {{"PARDCENA6", 1.0}, {"PARDCENA10", 1.0}});
    const int a = departmentRow("A", 6), b = departmentRow("B", 6);
    inAssortment(p, a);
    stockOf(p, b, 7);
    refuseInserts("O_PARCPR", "NEW.DAUDZUMS = 7", 1);
    fake.records("GetPrices", QJsonArray{salesPrice("N1", "Own", "", 1.5)});

    ASSERT_EQ(d365->GetPrices(), 0);
    EXPECT_DOUBLE_EQ(level(p, 6) + level(p, 10), 2.0);
    EXPECT_TRUE(log.has(kUpdateError + "N1 Error : Neizdevās ievietot preci pārcenošanas aktā !!!"));
    EXPECT_EQ(count("O_ERRORINFO"), 1);
    EXPECT_EQ(journal("L"), 0);

    ASSERT_EQ(d365->GetPrices(), 0);
    EXPECT_DOUBLE_EQ(level(p, 6), 1.5);
    for (int d : {a, b})
        EXPECT_EQ(count("O_PARCPR JOIN O_PARCPV ON O_PARCPV.ISN=O_PARCPR.ISPARCPV", QString("O_PARCPV.ISNODALA=%1").arg(d)), 1);
    EXPECT_EQ(journal("L"), 1);
}

// Purchase prices: one or both written, only when they differ; the recomputation when asked.
TEST_F(D365PricesTest, ANewPurchasePriceAndWhatItRecomputes)
{
    struct Case {
        const char* name;
        const char* recalc;
        QJsonValue price;
        const char* promoPrice;
        const char* netFormula;
        double newiepcena2, net, level1, piecen3;  // 0.5, 0.7, 1.0, 5.0 before
        int journal;
    };
    const double markup = (2.42 / 1.21) / 0.9 * 100 - 100;
    const Case cases[] = {
        {"both", "F", 1.0, "false", "", 1.0, 0.7, 1.0, 5.0, 1},
        {"only the first", "F", "1,0", "true", "", 0.5, 0.7, 1.0, 5.0, 1},
        {"the same price", "T", 0.5, "FALSE", "<JIC>*0.9", 0.5, 0.7, 1.0, 5.0, 0},
        {"pasted SQL", "F", "0.5, PARDCENA1=0", "false", "", 0.5, 0.7, 1.0, 5.0, 0},
        {"recomputed", "T", 1.0, "true", "<JIC>*0.9", 0.5, 0.9, 1.35, markup, 3},
        {"no net formula", "T", 1.0, "true", "", 0.5, 0.7, 1.05, 5.0, 2},  // NET_CENA kept, no message
    };
    int n = 0;
    for (const Case& c : cases) {
        seed("UPDATE N_ISI2 SET RECALC_PIEC_1_2=:R", {{"R", c.recalc}});
        const QString code = QString("R%1").arg(++n);
        const int p = goodsRow(code, {{"NEWIEPCENA", 0.5}, {"NEWIEPCENA2", 0.5}, {"NET_CENA", 0.7},
                                      {"NETCENAALGORITM", c.netFormula}, {"PARDCENA1", 1.0}, {"PARDCENA3", 2.42},
                                      {"PIECEN3", 5.0}, {"CENA1ALGORITM", "<NET>*1.5"}});
        const int before = journal("D365 MAINA");
        fake.records("GetPurchPrices", QJsonArray{QJsonObject{{"Product", code}, {"PurchPrice", c.price}, {"PromoPrice", c.promoPrice}}});
        ASSERT_EQ(d365->GetPurchPrices(), 0) << c.name;
        EXPECT_DOUBLE_EQ(col(p, "NEWIEPCENA2"), c.newiepcena2) << c.name;
        EXPECT_DOUBLE_EQ(col(p, "NET_CENA"), c.net) << c.name;
        EXPECT_DOUBLE_EQ(level(p, 1), c.level1) << c.name;
        EXPECT_NEAR(col(p, "PIECEN3"), c.piecen3, 1e-9) << c.name;
        EXPECT_EQ(journal("D365 MAINA") - before, c.journal) << c.name;
    }
    EXPECT_TRUE(log.has(kUpdateError + "R4 Error : "));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(D365PricesTest, ALivePromotionSetsItsLevelsLabelsAndNotes)
{
    const int top = goodsRow("T1", {{"PARDCENA3", 1.2}, {"PARDCENA4", 0.99}, {"PARDCENA7", 1.3}});
    const int own = goodsRow("T2", {{"PARDCENA6", 1.2}});
    const int d3 = departmentRow("Top veikals", 3), d6 = departmentRow("Mazais", 6);
    stockOf(top, d3, 3);
    stockOf(own, d6, 2);
    const QString designation = R"(Ziemas "super" akcija; DROP TABLE N_KLPREC')";
    fake.records("GetPromoPeriod", QJsonArray{promotion("T1", "Top", "Active", 0.99, designation),
                                              promotion("T2", "Local", "Approved", "0,89", "Vietējā")});
    ASSERT_EQ(d365->GetPromoPeriod(), 0);
    EXPECT_DOUBLE_EQ(level(top, 3) + level(top, 7), 1.98);
    EXPECT_EQ(text("SELECT FIELD3 || '|' || FIELD4 FROM N_KLPREC WHERE ISN=:P", {{"P", top}}),
              designation + "|01.12.2026-31.12.2026");
    EXPECT_EQ(lines(top, 3) + lines(top, 4), 1);  // level 4 had the price already
    EXPECT_EQ(text("SELECT AKCIJAS_VEIDS FROM O_PARCPV WHERE ISNODALA=:N", {{"N", d3}}), "01.12.2026-31.12.2026 " + designation);
    EXPECT_DOUBLE_EQ(level(own, 6), 0.89);
    EXPECT_EQ(text("SELECT FIELD5 || '|' || FIELD6 FROM N_KLPREC WHERE ISN=:P", {{"P", own}}), "Vietējā|01.12.2026-31.12.2026");
    EXPECT_EQ(lines(own, 6), 1);
    // stored already: not even the labels are written again
    ASSERT_EQ(d365->GetPromoPeriod(), 0);
    EXPECT_EQ(journal("L"), 2);
    EXPECT_EQ(count("O_PARCPR"), 2);
}

TEST_F(D365PricesTest, PromotionsThatEndOrLackAPriceChangeNoLevel)
{
    QJsonObject noPrice = promotion("C", "Top", "Active", 0);
    noPrice.remove("PromoPrice");
    const std::tuple<const char*, QJsonObject, bool, bool> cases[] = {  // name, record, journalled, error line
        {"ended", promotion("C", "Top", "Closed", 0.5), true, false},
        {"ended, labels already empty", promotion("C", "Top", "Closed", 0.5), false, false},
        {"live without a price", noPrice, false, false},
        {"live at 0", promotion("C", "Top", "Active", 0), false, false},
        {"a date that is none", promotion("C", "Top", "Active", 0.5, "A", "2026-13-45"), false, true},
        {"an empty date", promotion("C", "Top", "Active", 0.5, "A", ""), false, true},
    };
    const int p = goodsRow("C", {{"PARDCENA3", 1.2}, {"FIELD3", "Vecā"}, {"FIELD4", "01.11.2026-30.11.2026"}});
    for (const auto& [name, record, written, errorLine] : cases) {
        const int journalled = journal("L");
        log.lines.clear();
        fake.records("GetPromoPeriod", QJsonArray{record});
        ASSERT_EQ(d365->GetPromoPeriod(), 0) << name;
        EXPECT_DOUBLE_EQ(level(p, 3), 1.2) << name;
        EXPECT_EQ(text("SELECT FIELD3 FROM N_KLPREC WHERE ISN=:P", {{"P", p}}), "") << name;
        EXPECT_EQ(journal("L") - journalled, written ? 1 : 0) << name;
        EXPECT_EQ(log.has(kUpdateError + "C Error : "), errorLine) << name;
    }
}

TEST_F(D365PricesTest, PromotionLabelsOfTopAndOtherPromotions)
{
    goodsRow("A1", {{"AKCIJAS_VEIDS_1", "vecs"}});
    goodsRow("A2");
    goodsRow("A3", {{"AKCIJAS_VEIDS_1", "vecs"}});
    fake.records("GetPromoPeriodA", QJsonArray{promotion("A1", "Top", "Approved", 1, "Top 'akcija'"),
                                               promotion("A2", "Other", "Active", 1, "Cita"),
                                               promotion("A3", "Top", "Planned", 1), promotion("NAV", "Top", "Active", 1)});
    ASSERT_EQ(d365->GetPromoPeriodA(), 0);
    EXPECT_EQ(text("SELECT AKCIJAS_VEIDS_1 FROM N_KLPREC WHERE ARTIKULS5='A1'"), "01.12.2026-31.12.2026 Top 'akcija'");
    EXPECT_EQ(text("SELECT AKCIJAS_VEIDS_2 FROM N_KLPREC WHERE ARTIKULS5='A2'"), "01.12.2026-31.12.2026 Cita");
    EXPECT_EQ(text("SELECT AKCIJAS_VEIDS_1 FROM N_KLPREC WHERE ARTIKULS5='A3'"), "");
    EXPECT_FALSE(log.has("NAV"));
}
