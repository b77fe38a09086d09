#include "D365Fixture.h"

namespace {

QJsonObject salesPrice(const QString& product, const QString& brand, const QString& levelType, const QJsonValue& price)
{
    return {{"Product", product}, {"BrandType", brand}, {"PriceLevelType", levelType}, {"SalesPrice", price}};
}

QJsonObject purchPrice(const QString& product, const QJsonValue& price, const QString& promoPrice)
{
    return {{"Product", product}, {"PurchPrice", price}, {"PromoPrice", promoPrice}};
}

QJsonObject promotion(const QString& product, const QString& type, const QString& status, const QJsonValue& price,
                      const QString& designation = "Ziemas akcija", const QString& from = "2026-12-01T00:00:00")
{
    return {{"Product", product},        {"PromoType", type},      {"PromoStatus", status},
            {"PromoPrice", price},       {"PromoDesignation", designation},
            {"FromDatePromo", from},     {"ToDatePromo", "2026-12-31T00:00:00"}};
}

QVariantHash allLevels(double price)
{
    QVariantHash levels;
    for (int i = 1; i <= 16; ++i)
        levels.insert(QString("PARDCENA%1").arg(i), price);
    return levels;
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
    double level(int isn, int n) { return number(QString("SELECT PARDCENA%1 FROM N_KLPREC WHERE ISN=%2").arg(n).arg(isn)); }
    QString column(int isn, const QString& c) { return text(QString("SELECT %1 FROM N_KLPREC WHERE ISN=%2").arg(c).arg(isn)); }
    int journal(const QString& code) { return count("O_OPERACIJAS", QString("TAUSTINS='%1'").arg(code)); }
    int lines(int isn, int level) { return count("O_PARCPR", QString("ISPRECE=%1 AND KADA_CENA=%2").arg(isn).arg(level)); }
};

// ---------------------------------------------------------------------------------------
// Sales price levels

TEST_F(D365PricesTest, BrandAndRiskChooseTheLevelPair)
{
    struct Case {
        const char* brand;
        const char* risk;
        QList<int> levels;
    };
    const Case cases[] = {
        {"Top", "PriceHighRisk", {3, 11}}, {"Top", "PriceMediumRisk", {4, 12}}, {"Top", "PriceLowRisk", {7, 13}},
        {"Top", "PriceNoRisk", {}},        {"Private", "PriceHighRisk", {6, 10}}, {"", "", {6, 10}},
    };
    QJsonArray records;
    QList<int> isns;
    for (const Case& c : cases) {
        isns << goodsRow(QString("L%1").arg(isns.size()), allLevels(1.0));
        records << salesPrice(QString("L%1").arg(isns.size() - 1), c.brand, c.risk, 2.5);
    }
    fake.records("GetPrices", records);
    ASSERT_EQ(d365->GetPrices(), 0);
    for (int i = 0; i < isns.size(); ++i) {
        for (int n = 1; n <= 16; ++n)
            EXPECT_DOUBLE_EQ(level(isns[i], n), cases[i].levels.contains(n) ? 2.5 : 1.0)
                << cases[i].brand << "/" << cases[i].risk << " level " << n;
    }
    EXPECT_EQ(journal("L"), 5);
    EXPECT_TRUE(log.has("GetPrices OK"));
}

TEST_F(D365PricesTest, AStoredPriceOrOneNotAboveZeroChangesNothing)
{
    const int stored = goodsRow("S1", {{"PARDCENA3", 1.99}});
    const int zero = goodsRow("S2", {{"PARDCENA6", 1.99}});
    const int negative = goodsRow("S3", {{"PARDCENA6", 1.99}});
    for (int level : {3, 6}) {
        const int d = departmentRow(QString("Veikals %1").arg(level), level);
        for (int isn : {stored, zero, negative})
            stockOf(isn, d, 4);
    }
    fake.records("GetPrices", QJsonArray{salesPrice("S1", "Top", "PriceHighRisk", 1.99), salesPrice("S2", "Own", "", 0),
                                         salesPrice("S3", "Own", "", -1)});
    ASSERT_EQ(d365->GetPrices(), 0);
    EXPECT_DOUBLE_EQ(level(stored, 3), 1.99);
    EXPECT_DOUBLE_EQ(level(zero, 6), 1.99);
    EXPECT_DOUBLE_EQ(level(negative, 6), 1.99);
    EXPECT_EQ(journal("L"), 0);
    EXPECT_EQ(count("O_PARCPR"), 0);
    EXPECT_EQ(count("O_PARCPV"), 0);
}

TEST_F(D365PricesTest, DepartmentsSellingAtTheLevelGetOneNoteLineEach)
{
    const int p1 = goodsRow("P1", {{"PARDCENA6", 1.0}, {"GNOS", "Piens 1l"}, {"ARTIKULS", "4750001"}});
    const int p2 = goodsRow("P2", {{"PARDCENA6", 1.0}});
    const int halfCent = goodsRow("P3", {{"PARDCENA6", 1.0}});
    const int assortment = departmentRow("Sortiments", 6), stocked = departmentRow("Atlikums", 6),
              neither = departmentRow("Nekas", 6), otherLevel = departmentRow("Cita cena", 3);
    for (int isn : {p1, p2, halfCent}) {
        inAssortment(isn, assortment);
        stockOf(isn, stocked, 7);
        stockOf(isn, otherLevel, 5);
    }
    fake.records("GetPrices", QJsonArray{salesPrice("P1", "Own", "", 1.5), salesPrice("P2", "Own", "", "1,25"),
                                         salesPrice("P3", "Own", "", 1.005)});
    ASSERT_EQ(d365->GetPrices(), 0);

    // one head per department and day, for both products
    EXPECT_EQ(count("O_PARCPV"), 2);
    EXPECT_EQ(count("O_PARCPV", QString("ISNODALA IN (%1, %2)").arg(neither).arg(otherLevel)), 0);
    const QVariantHash a{{"N", assortment}};
    EXPECT_EQ(value("SELECT DATUMS FROM O_PARCPV WHERE ISNODALA=:N", a).toDate(), QDate(2026, 12, 7));
    EXPECT_EQ(text("SELECT PAMATOJUMS FROM O_PARCPV WHERE ISNODALA=:N", a), "NO D365");
    EXPECT_EQ(text("SELECT AKCIJAS_VEIDS FROM O_PARCPV WHERE ISNODALA=:N", a), "");
    const QString line = "SELECT %1 FROM O_PARCPR JOIN O_PARCPV ON O_PARCPV.ISN=O_PARCPR.ISPARCPV "
                         "WHERE O_PARCPV.ISNODALA=:N AND O_PARCPR.ISPRECE=:P";
    EXPECT_DOUBLE_EQ(number(line.arg("DAUDZUMS"), {{"N", assortment}, {"P", p1}}), 1);  // at least 1
    EXPECT_DOUBLE_EQ(number(line.arg("DAUDZUMS"), {{"N", stocked}, {"P", p1}}), 7);
    EXPECT_DOUBLE_EQ(number(line.arg("CENA_NO"), {{"N", stocked}, {"P", p1}}), 1.0);
    EXPECT_DOUBLE_EQ(number(line.arg("CENA_UZ"), {{"N", stocked}, {"P", p1}}), 1.5);
    EXPECT_DOUBLE_EQ(number(line.arg("CENA_UZ"), {{"N", stocked}, {"P", p2}}), 1.25);
    EXPECT_EQ(lines(p1, 6), 2);
    // half a cent moves the price and writes no line
    EXPECT_DOUBLE_EQ(level(halfCent, 6), 1.005);
    EXPECT_EQ(lines(halfCent, 6), 0);
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
    const int p = goodsRow("F1", {{"PARDCENA6", 1.0},
                                  {"PARDCENA2", 0.77},
                                  {"PARDCENA8", 0.66},
                                  {"PARDCENA5", 0.55},
                                  {"NET_CENA", 1.0},
                                  {"CENA6ALGORITM", "<NET>*2"},  // would overwrite the price just set
                                  {"CENA1ALGORITM", "<PCENA6>*0.9"},
                                  {"CENA1ALGORAPAL", 11},
                                  {"CENA2ALGORITM", "<PCENA6>/0"},
                                  {"CENA5ALGORITM", "<NULL>0"},
                                  {"CENA8ALGORITM", "<PCENA6>-<PCENA6>"},
                                  {"CENA9ALGORITM", "<PCENA6>*1.111"},
                                  {"CENA9ALGORAPAL", 3}});
    fake.records("GetPrices", QJsonArray{salesPrice("F1", "Own", "", 1.5)});
    ASSERT_EQ(d365->GetPrices(), 0);
    EXPECT_DOUBLE_EQ(level(p, 6), 1.5);
    EXPECT_DOUBLE_EQ(level(p, 10), 1.5);
    EXPECT_DOUBLE_EQ(level(p, 1), 1.35);
    EXPECT_DOUBLE_EQ(level(p, 2), 0.77);  // the formula fails: the level keeps its price
    EXPECT_EQ(dialogs.messages, QStringList{"Nav korekta izteiksme cenu algoritmam no <PCENA6>/0"});
    EXPECT_DOUBLE_EQ(level(p, 5), 0.0);   // <NULL>: 0 is a price
    EXPECT_DOUBLE_EQ(level(p, 8), 0.66);  // 0 without <NULL> is no price
    EXPECT_DOUBLE_EQ(level(p, 9), 1.666);  // 1.6665: the half goes to the even neighbour
    EXPECT_NEAR(number("SELECT PIECEN6 FROM N_KLPREC WHERE ISN=:P", {{"P", p}}), (1.5 / 1.21) / 1.0 * 100 - 100, 1e-9);
}

TEST_F(D365PricesTest, FormulasReadEveryPlaceholderFromTheProduct)
{
    seed("INSERT INTO N_VALUTA (ISN, GNOS, KODS, KURSS) VALUES (7, 'ASV dolārs', 'USD', 1.25)");
    const int p = goodsRow("E1", {{"NEWIEPCENA", 1.1}, {"NEWIEPCENA2", 1.2}, {"NODOKLIS", 21}, {"NET_CENA", 0.9},
                                  {"PARDCENA16", 4.4}, {"NEWCENA2", 2.2}, {"PIECEN3", 30}, {"APLIMESANA", 0.01},
                                  {"LOGISTIKA", 0.02}, {"BONUSS", 0.03}, {"DRN_PROCENTS", 0.04}, {"TRANSPORTS", 0.05},
                                  {"AKCIZNOD", 0.06}, {"KATALVAL", 5.0}, {"KATCVAL", 7}});
    D365PriceLevels& levels = d365->prices().levels();
    const std::pair<const char*, double> plain[] = {
        {"<JIC>", 1.1},        {"<JIC_2>", 1.2},     {"<PVN>", 21},         {"<NET>", 0.9},       {"<PCENA16>", 4.4},
        {"<NEWCENA2>", 2.2},   {"<PIEC_3_X>", 30},   {"<APLIMESANA>", 0.01}, {"<LOGISTIKA>", 0.02}, {"<BONUSS>", 0.03},
        {"<DRN_PROCENTS>", 0.04}, {"<TRANSPORTS>", 0.05}, {"<AKCIZNOD>", 0.06}, {"<KCV>", 4.0},   {"<PIC>", 0},
        {"<NET>*(1+<PVN>/100)", 0.9 * 1.21}, {"", 0}, {"<NULL>", 0},
    };
    for (const auto& [formula, expected] : plain)
        EXPECT_NEAR(levels.EvaluatePriceFormula(formula, p), expected, 1e-12) << formula;
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // the latest purchase special in force today; the latest receipt
    const QString special = "INSERT INTO O_SPECCENAS (ISPRECE, FLAG, CENA_1, DAT_NO, DAT_LIDZ) VALUES (:P, 4, :C, :F, :T)";
    seed(special, {{"P", p}, {"C", 0.7}, {"F", QDate(2026, 11, 1)}, {"T", QDate(3000, 12, 31)}});
    seed(special, {{"P", p}, {"C", 0.8}, {"F", QDate(2026, 12, 1)}, {"T", QDate(2026, 12, 31)}});
    seed(special, {{"P", p}, {"C", 0.6}, {"F", QDate(2026, 12, 5)}, {"T", QDate(2026, 12, 6)}});  // ended
    seed(special, {{"P", p}, {"C", 0.5}, {"F", QDate(2026, 12, 8)}, {"T", QDate(2026, 12, 31)}});  // not yet
    EXPECT_DOUBLE_EQ(levels.EvaluatePriceFormula("<JIC>", p), 0.8);
    const QString receipt = "INSERT INTO O_PAVADZ (ISN, ISKLIENT, ISNODALA, DAT_SANEM) VALUES (:H, 1, 1, :D)";
    seed(receipt, {{"H", 901}, {"D", QDate(2026, 11, 20)}});
    seed(receipt, {{"H", 902}, {"D", QDate(2026, 10, 20)}});
    seed("INSERT INTO O_PRECE (ISPAVADZ, ISPRECE, CENA, DAUDZUMS) VALUES (901, :P, 0.95, 1)", {{"P", p}});
    seed("INSERT INTO O_PRECE (ISPAVADZ, ISPRECE, CENA, DAUDZUMS) VALUES (902, :P, 0.85, 1)", {{"P", p}});
    EXPECT_DOUBLE_EQ(levels.EvaluatePriceFormula("<PIC>", p), 0.95);

    // what cannot be evaluated is 0 and a message with the formula as stored
    for (const char* formula : {"<NET> / 0", "<NAV>*2", "<NET>*"}) {
        dialogs.messages.clear();
        EXPECT_EQ(levels.EvaluatePriceFormula(formula, p), 0.0) << formula;
        EXPECT_EQ(dialogs.messages, QStringList{QString("Nav korekta izteiksme cenu algoritmam no ") + formula});
    }
}

TEST_F(D365PricesTest, RecordsThatCannotBeReadOrStoredAreSkippedAndTheListGoesOn)
{
    const int p = goodsRow("B1", allLevels(1.0));
    const int good = goodsRow("B2", {{"PARDCENA6", 1.0}});
    QJsonObject noPrice = salesPrice("B1", "Own", "", 1);
    noPrice.remove("SalesPrice");
    fake.records("GetPrices", QJsonArray{salesPrice("NAV", "Own", "", 2), salesPrice("B1", "Own", "", "x"),
                                         salesPrice("B1", "Own", "", "1.5, PARDCENA1=0"), noPrice,
                                         salesPrice("B1", "Own", "", QString(201, 'x')), salesPrice("B2", "Own", "", 3)});
    ASSERT_EQ(d365->GetPrices(), 0);
    EXPECT_TRUE(log.has("Prece nav atrasta preču sarakstā. 5. artikuls : NAV"));
    EXPECT_EQ(log.count(kUpdateError + "B1 Error : "), 4);
    EXPECT_TRUE(log.has("nav skaitlis (1.5, PARDCENA1=0)"));
    EXPECT_TRUE(log.has("nav lauka \"SalesPrice\""));
    for (int n = 1; n <= 16; ++n)
        EXPECT_DOUBLE_EQ(level(p, n), 1.0) << n;
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
    EXPECT_DOUBLE_EQ(level(p, 6), 1.0);
    EXPECT_DOUBLE_EQ(level(p, 10), 1.0);
    EXPECT_TRUE(log.has(kUpdateError + "N1 Error : Neizdevās ievietot preci pārcenošanas aktā !!!")) << log.lines.join('\n').toStdString();
    EXPECT_EQ(count("O_ERRORINFO"), 1);
    EXPECT_EQ(journal("L"), 0);
    EXPECT_LE(count("O_PARCPR"), 1);

    ASSERT_EQ(d365->GetPrices(), 0);
    EXPECT_DOUBLE_EQ(level(p, 6), 1.5);
    for (int d : {a, b})
        EXPECT_EQ(count("O_PARCPR JOIN O_PARCPV ON O_PARCPV.ISN=O_PARCPR.ISPARCPV", QString("O_PARCPV.ISNODALA=%1").arg(d)), 1)
            << d;
    EXPECT_EQ(journal("L"), 1);
}

// ---------------------------------------------------------------------------------------
// Purchase prices

TEST_F(D365PricesTest, PurchasePricesAreWrittenOnlyWhenTheyDiffer)
{
    const int both = goodsRow("U1", {{"NEWIEPCENA", 0.5}, {"NEWIEPCENA2", 0.5}});
    const int one = goodsRow("U2", {{"NEWIEPCENA", 0.5}, {"NEWIEPCENA2", 0.5}});
    const int same = goodsRow("U3", {{"NEWIEPCENA", 0.8}, {"NEWIEPCENA2", 0.1}});
    const int attacked = goodsRow("U4", {{"NEWIEPCENA", 0.5}, {"PARDCENA1", 2.0}});
    fake.records("GetPurchPrices", QJsonArray{purchPrice("U1", 0.8, "false"), purchPrice("U2", "0,8", "true"),
                                              purchPrice("U3", 0.8, "FALSE"), purchPrice("U4", "0.5, PARDCENA1=0", "false"),
                                              purchPrice("NAV", 1, "false")});
    ASSERT_EQ(d365->GetPurchPrices(), 0);
    EXPECT_DOUBLE_EQ(number("SELECT NEWIEPCENA FROM N_KLPREC WHERE ISN=:P", {{"P", both}}), 0.8);
    EXPECT_DOUBLE_EQ(number("SELECT NEWIEPCENA2 FROM N_KLPREC WHERE ISN=:P", {{"P", both}}), 0.8);
    EXPECT_DOUBLE_EQ(number("SELECT NEWIEPCENA FROM N_KLPREC WHERE ISN=:P", {{"P", one}}), 0.8);
    EXPECT_DOUBLE_EQ(number("SELECT NEWIEPCENA2 FROM N_KLPREC WHERE ISN=:P", {{"P", one}}), 0.5);
    EXPECT_DOUBLE_EQ(number("SELECT PARDCENA1 FROM N_KLPREC WHERE ISN=:P", {{"P", attacked}}), 2.0);
    EXPECT_TRUE(log.has(kUpdateError + "U4 Error : "));
    EXPECT_TRUE(log.has("Prece nav atrasta preču sarakstā. 5. artikuls : NAV"));
    EXPECT_EQ(journal("D365 MAINA"), 2);  // U3 had its price: nothing
    EXPECT_EQ(text("SELECT PIEZIMES FROM O_OPERACIJAS WHERE ISPRECE=:P", {{"P", both}}), "No D365 GetPurchPrices A-U1|Prece U1");
    (void)same;

    ASSERT_EQ(d365->GetPurchPrices(), 0);
    EXPECT_EQ(journal("D365 MAINA"), 2);
}

TEST_F(D365PricesTest, ANewPurchasePriceRecomputesNetPriceLevelsAndMarkupsWhenAsked)
{
    struct Case {
        const char* name;
        const char* recalc;
        const char* netFormula;
        double net;       // NET_CENA after, 0.7 before
        double level1;    // 1.0 before
        double piecen3;   // 5.0 before
        int journal;
    };
    const double markup = (2.42 / 1.21) / 0.9 * 100 - 100;
    const Case cases[] = {
        {"on", "T", "<JIC>*0.9", 0.9, 1.35, markup, 3},
        {"on, empty formula", "T", "", 0.7, 1.05, 5.0, 2},  // no net price: no message, NET_CENA kept
        {"off", "F", "<JIC>*0.9", 0.7, 1.0, 5.0, 1},
    };
    int n = 0;
    for (const Case& c : cases) {
        seed("UPDATE N_ISI2 SET RECALC_PIEC_1_2=:R", {{"R", c.recalc}});
        const QString code = QString("R%1").arg(++n);
        const int p = goodsRow(code, {{"NEWIEPCENA", 0.5},
                                      {"NET_CENA", 0.7},
                                      {"NETCENAALGORITM", c.netFormula},
                                      {"PARDCENA1", 1.0},
                                      {"PARDCENA3", 2.42},
                                      {"PIECEN3", 5.0},
                                      {"CENA1ALGORITM", "<NET>*1.5"}});
        const int before = journal("D365 MAINA");
        fake.records("GetPurchPrices", QJsonArray{purchPrice(code, 1.0, "true")});
        ASSERT_EQ(d365->GetPurchPrices(), 0) << c.name;
        EXPECT_DOUBLE_EQ(number("SELECT NET_CENA FROM N_KLPREC WHERE ISN=:P", {{"P", p}}), c.net) << c.name;
        EXPECT_DOUBLE_EQ(level(p, 1), c.level1) << c.name;
        EXPECT_NEAR(number("SELECT PIECEN3 FROM N_KLPREC WHERE ISN=:P", {{"P", p}}), c.piecen3, 1e-9) << c.name;
        EXPECT_EQ(journal("D365 MAINA") - before, c.journal) << c.name;
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

// ---------------------------------------------------------------------------------------
// Promotions

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

    EXPECT_DOUBLE_EQ(level(top, 3), 0.99);
    EXPECT_DOUBLE_EQ(level(top, 7), 0.99);
    EXPECT_EQ(column(top, "FIELD3"), designation);
    EXPECT_EQ(column(top, "FIELD4"), "01.12.2026-31.12.2026");
    EXPECT_EQ(lines(top, 3), 1);
    EXPECT_EQ(lines(top, 4), 0);  // already at the promotion price
    EXPECT_EQ(text("SELECT AKCIJAS_VEIDS FROM O_PARCPV WHERE ISNODALA=:N", {{"N", d3}}), "01.12.2026-31.12.2026 " + designation);
    EXPECT_DOUBLE_EQ(level(own, 6), 0.89);
    EXPECT_EQ(column(own, "FIELD5"), "Vietējā");
    EXPECT_EQ(column(own, "FIELD6"), "01.12.2026-31.12.2026");
    EXPECT_EQ(lines(own, 6), 1);
    EXPECT_EQ(journal("L"), 2);

    // stored already: not even the labels are written again
    ASSERT_EQ(d365->GetPromoPeriod(), 0);
    EXPECT_EQ(journal("L"), 2);
    EXPECT_EQ(count("O_PARCPR"), 2);
}

TEST_F(D365PricesTest, PromotionsThatEndOrLackAPriceChangeNoLevel)
{
    struct Case {
        const char* name;
        QJsonObject record;
        double level3;   // 1.2 before
        QString field3;  // "Vecā" before
        bool written;
        bool errorLine;
    };
    const Case cases[] = {
        {"ended", promotion("C", "Top", "Closed", 0.5), 1.2, "", true, false},
        {"ended, labels already empty", promotion("C", "Top", "Closed", 0.5), 1.2, "", false, false},
        {"live without a price", [] { auto o = promotion("C", "Top", "Active", 0); o.remove("PromoPrice"); return o; }(),
         1.2, "", false, false},
        {"live at 0", promotion("C", "Top", "Active", 0), 1.2, "", false, false},
        {"live with a bad date", promotion("C", "Top", "Active", 0.5, "Akcija", "2026-13-45"), 1.2, "", false, true},
        {"live with an empty date", promotion("C", "Top", "Active", 0.5, "Akcija", ""), 1.2, "", false, true},
    };
    const int p = goodsRow("C", {{"PARDCENA3", 1.2}, {"FIELD3", "Vecā"}, {"FIELD4", "01.11.2026-30.11.2026"}});
    for (const Case& c : cases) {
        const int journalled = journal("L");
        log.lines.clear();
        fake.records("GetPromoPeriod", QJsonArray{c.record});
        ASSERT_EQ(d365->GetPromoPeriod(), 0) << c.name;
        EXPECT_DOUBLE_EQ(level(p, 3), c.level3) << c.name;
        EXPECT_EQ(column(p, "FIELD3"), c.field3) << c.name;
        EXPECT_EQ(journal("L") - journalled, c.written ? 1 : 0) << c.name;
        EXPECT_EQ(log.has(kUpdateError + "C Error : "), c.errorLine) << c.name;
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
    EXPECT_TRUE(log.has("GetPromoPeriodA OK"));
}
