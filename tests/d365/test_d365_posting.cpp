#include "D365PostingFixture.h"

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(10, 0));

// The body as it goes out: the inner text's quotes escaped once more in the envelope.
std::string envelope(QString inner)
{
    return ("{\"_requestBody\": {\"Request\": \"" + inner.replace("\"", "\\\"") + "\"}}").toStdString();
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Bodies

TEST_F(D365PostingTest, EachOperationSendsItsGoldenBody)
{
    document("SAN", 7, {{"INTERPAVNR", "IP-7"}, {"TRANSP_IZM", 5.5}},
             {{}, {{"ISPRECE", 102}, {"DAUDZUMS", 1.5}, {"CENA", 0.8}, {"PARD_CENA", 1.12}}});
    document("IZR", 8);
    document("PAR", 9);
    document("PAS", 10);
    document("ATGR", 11);  // an e-client: the shop's account
    document("IZR", 12, {{"ISKLIENT", kInventoryBuyer}}, {{}, {{"DAUDZUMS", 0.0}}});  // shortage, selected after
    document("SAN", 13, {{"ISKLIENT", kInventorySupplier}});   // the surplus
    EXPECT_EQ(d365->PostDocuments(), 1);

    const char* const head7 =
        R"({ "Company": "K42","ISN": 7,"ISNDepartment": 3,"K42Client": "V000102","PackingSlipNum": "N7","ISNMovementPVZ": 0,)"
        R"("InternalPackingSlipNO": "IP-7","ReceivementPVZDate": "2026-12-01","TransportCosts": 5.50,"OtherCosts": 0.00,)"
        R"("PackingSlipSum": 12.10,"VATSum": 2.10,"NoVAT": 10.00,"AssosiatedOrderNum": "P7","ISNReceivementPVZ": 7,)";
    const QString golden[] = {
        // 12.10 with VAT 21 % is 10.00000 without
        QString(R"({"PostSAN": [)") + head7 + R"("Product": "P100101","ProductPrice": 5.00000,"Quantity": 2.00000,"PriceNoVAT": 10.00000},)"
            + head7 + R"("Product": "P100102","ProductPrice": 0.80000,"Quantity": 1.50000,"PriceNoVAT": 1.00000}]})",
        R"({"PostIZR": [{ "Company": "K42","ISN": 8,"ISNDepartment": 3,"K42Client": "C000221","PackingSlipDate": "2026-12-01",)"
        R"("AssosiatedOrderNum": "P8","PackingSlipSum": 12.10,"VATSum": 2.10,"NoVAT": 10.00,"ISNCheckoutPVZ": 8,)"
        R"("Product": "P100101","ProductPrice": 4.50000,"Quantity": 2.00000,"PackingSlipNum": "N8"}]})",
        R"({"PostPAR": [{ "Company": "K42","ISN": 9,"PackingSlipDate": "2026-12-01","PackingSlipNum": "N9","ISNDepartmentFrom": 2,)"
        R"("ISNDepartmentTo": 4,"AssosiatedOrderNum": "P9","ISNMovementPVZ": 9,"Product": "P100101","Quantity": 2.00000,)"
        R"("ProductPrice": 5.00000,"PackingSlipSum": 12.10,"VATSum": 2.10,"NoVAT": 10.00,"PriceNoVAT": 6.05}]})",
        R"({"PostPAS": [{ "Company": "K42","ISN": 10,"ISNDepartment": 3,"K42Client": "V000102","PackingSlipDate": "2026-12-01",)"
        R"("PackingSlipNum": "N10","DeliveryDate": "2026-12-03","OrderType": 1,"PackingSlipSum": 12.10,"VATSum": 2.10,)"
        R"("NoVAT": 10.00,"ISNDepartmentTo": 4,"ISNOrderPVZ": 10,"Product": "P100101","ProductPrice": 5.50000,)"
        R"("Quantity": 2.00000,"DeliveryType": "BaseDelivery"}]})",
        R"({"PostATGR": [{ "Company": "K42","ISN": 11,"ISNDepartment": 3,"K42Client": "C013876","PackingSlipNum": "N11",)"
        R"("PackingSlipDate": "2026-12-01","OrderReturn": 2,"PackingSlipSum": 12.10,"VATSum": 2.10,"NoVAT": 10.00,)"
        R"("ISNReturnPVZ": 11,"Product": "P100101","Quantity": 2.00000,"ProductPrice": 5.00000,"PurchPrice": 4.00000,)"
        R"("PriceNoVAT": 0.00}]})",
        R"({"PostINV": [{ "Company": "K42","ISN": 13,"ISNDepartment": 3,"JournalId": "N13","Product": "P100101","Quantity": 2.00000}]})",
        R"({"PostINV": [{ "Company": "K42","ISN": 12,"ISNDepartment": 3,"JournalId": "N12","Product": "P100101","Quantity": -2.00000},)"
        R"({ "Company": "K42","ISN": 12,"ISNDepartment": 3,"JournalId": "N12","Product": "P100101","Quantity": 0.00000}]})",
    };
    const auto posts = service.posts();
    ASSERT_EQ(posts.size(), std::size(golden));
    for (size_t i = 0; i < posts.size(); ++i) {
        EXPECT_EQ(posts[i].inner, golden[i]) << posts[i].operation;
        EXPECT_EQ(posts[i].body, envelope(golden[i])) << posts[i].operation;
    }
}

TEST_F(D365PostingTest, QuotesBackslashesAndEmptyColumnsStillMakeAReadableBody)
{
    insert("N_KLIENT", {{"ISN", 40}, {"IDKODS", "V\"\\9"}});
    document("SAN", 7,
             {{"ISKLIENT", 40}, {"NR_PAVADZ", "A\"1\\2"}, {"ISNODALA", null}, {"DAT_PAVADZ", null}, {"KOPSUMMA", null},
              {"PASUT_NR", null}},
             {{{"DAUDZUMS", null}}});
    EXPECT_EQ(d365->PostSAN(), 0);
    const auto posts = service.posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].number, "A\"1\\2");  // the service reads the number back whole
    EXPECT_EQ(posts[0].inner,
              R"({"PostSAN": [{ "Company": "K42","ISN": 7,"ISNDepartment": 0,"K42Client": "V\"\\9","PackingSlipNum": "A\"1\\2",)"
              R"("ISNMovementPVZ": 0,"InternalPackingSlipNO": "","ReceivementPVZDate": "","TransportCosts": 0.00,)"
              R"("OtherCosts": 0.00,"PackingSlipSum": 0.00,"VATSum": 2.10,"NoVAT": 10.00,"AssosiatedOrderNum": "",)"
              R"("ISNReceivementPVZ": 7,"Product": "P100101","ProductPrice": 5.00000,"Quantity": 0.00000,"PriceNoVAT": 10.00000}]})");
    EXPECT_NE(posts[0].body.find(R"(\"PackingSlipNum\": \"A\\\"1\\\\2\")"), std::string::npos);
}

TEST_F(D365PostingTest, DeliveryTypeComesFromTheOrdersSchedule)
{
    const std::pair<QVariant, QString> cases[] = {
        {1, "BaseDelivery"}, {2, "DirectDelivery"}, {3, "None"}, {999, "None"}, {null, "None"}};
    for (int i = 0; i < int(std::size(cases)); ++i)
        document("PAS", 21 + i, {{"APMNOTEIKUMI", cases[i].first}});
    EXPECT_EQ(d365->PostPAS(), 0);
    for (const auto& p : service.posts())
        EXPECT_TRUE(p.inner.endsWith("\"DeliveryType\": \"" + cases[p.number.mid(1).toInt() - 21].second + "\"}]}"))
            << p.inner.toStdString();
    EXPECT_EQ(service.posts().size(), std::size(cases));
}

// ---------------------------------------------------------------------------------------
// Selections and marks

TEST_F(D365PostingTest, EachSelectionTakesItsReadyDocumentsAndMarksThemOnAcceptance)
{
    const QDateTime earlier(QDate(2026, 11, 2), QTime(8, 0));
    document("SAN", 20, {{"PZ_BLOK", "F"}});
    document("SAN", 21, {{"D365_READY", "F"}});
    document("SAN", 22, {{"D365_READY", null}});
    document("SAN", 23, {{"D365_ID", "X23"}});
    document("SAN", 24, {{"D365_SENT", earlier}});
    document("SAN", 25, {{"ISKLIENT", 22}});                  // no account code
    document("SAN", 26, {{"ISKLIENT", kInventorySupplier}});  // never a receipt, an inventory
    document("SAN", 27, {{"ISKLIENT", kInventorySupplier}, {"D365_ID", "X27"}});
    document("IZR", 28, {{"ISKLIENT", kInventoryBuyer}});
    document("IZR", 29);
    document("IZR", 30, {{"ISKLIENT", 22}});
    document("PAR", 31);
    document("PAR", 32, {{"D365_ID", "X32"}});
    document("PAS", 33, {{"PZ_BLOK", "T"}});
    document("PAS", 34, {{"PIEGADPIRCEJS", 2}});
    document("ATGR", 35, {{"ISKLIENT", 21}, {"PZ_BLOK", "F"}});
    document("ATGR", 36, {{"D365_READY", null}});
    EXPECT_EQ(d365->PostDocuments(), 1);

    const std::pair<std::string, QStringList> taken[] = {
        {"PostSAN", {"N20"}}, {"PostIZR", {"N29"}}, {"PostPAR", {"N31"}}, {"PostPAS", {"N33"}},
        {"PostATGR", {"N35"}}, {"PostINV", {"N26", "N27", "N28"}}};
    for (const auto& [operation, numbers] : taken)
        EXPECT_EQ(sorted(service.numbers(operation)), numbers) << operation;
    EXPECT_EQ(report.movedRecords(), 8);

    const std::tuple<const char*, int, QVariant, const char*> marks[] = {
        {"O_PAVADZ", 20, kNow, "T"},  {"O_PAVADZ", 21, {}, ""},      {"O_PAVADZ", 24, earlier, ""},
        {"O_PAVADZ", 26, kNow, "T"},  {"O_PAVOUT", 28, kNow, "T"},   {"O_PAVOUT", 30, {}, ""},
        {"O_PASPAV", 33, kNow, "T"},  {"O_PASPAV", 34, {}, ""},      {"O_ATGPAV", 35, kNow, "F"},  // a return stays open
        {"O_ATGPAV", 36, {}, ""}};
    for (const auto& [table, isn, sent, blocked] : marks) {
        EXPECT_EQ(column(table, isn, "D365_SENT").toDateTime(), sent.toDateTime()) << table << isn;
        EXPECT_EQ(column(table, isn, "PZ_BLOK").toString().trimmed(), blocked) << table << isn;
    }

    // sent is never selected again
    service.server.clearRequests();
    EXPECT_EQ(d365->PostDocuments(), 1);
    EXPECT_TRUE(service.posts().empty());
}

TEST_F(D365PostingTest, OnlyAnAcceptanceMarksAndARerunSendsTheRest)
{
    const std::tuple<int, int, std::string, const char*> cases[] = {
        {41, 200, R"({"data":[{"StatusCode":0,"Message":"Nav preces P100101"}]})",
         "Kļūda datos. P/Z Nr. N41 StatusCode=0 Nav preces P100101"},
        {42, 500, "Internal error", "Kļūda iegūstot PostSAN. P/Z Nr. N42 StatusCode=500 Internal error"},
        {43, 200, R"({"StatusCode":"1","Message":"OK"})", nullptr},
        {44, 200, R"({"Message":"Saņemts","StatusCode":1})", nullptr},  // the last member
        {45, 200, "<html>maintenance</html>", "Kļūda datos. P/Z Nr. N45 StatusCode= "},
    };
    for (const auto& [isn, status, body, line] : cases) {
        document("SAN", isn);
        service.reply(QStringLiteral("N%1").arg(isn), status, body);
    }
    EXPECT_EQ(d365->PostSAN(), 0);
    EXPECT_EQ(log.lines.last(), "PostSAN OK");
    for (const auto& [isn, status, body, line] : cases) {
        EXPECT_EQ(column("O_PAVADZ", isn, "D365_SENT").isNull(), line != nullptr) << isn;
        if (line)
            EXPECT_EQ(log.count(QString::fromUtf8(line)), 1) << line;
    }

    service.server.clearRequests();
    service.acceptAll();
    EXPECT_EQ(d365->PostSAN(), 0);
    EXPECT_EQ(sorted(service.numbers()), (QStringList{"N41", "N42", "N45"}));
    EXPECT_EQ(count("O_PAVADZ", "D365_SENT IS NULL"), 0);
}

TEST_F(D365PostingTest, LinesWithoutAProductCodeKeepTheDocumentBackAndAreEachNamed)
{
    const std::pair<const char*, const char*> prefixes[] = {
        {"SAN", "Kļūda sagatavojot PostSAN : Nav 5. artikuls, šo pavadzīmi nesūtām P/Z Nr. "},
        {"IZR", "Kļūda sagatavojot PostIZR : Nav 5. artikuls, šo pavadzīmi nesūtām  P/Z Nr. "},
        {"PAR", "Kļūda sagatavojot PostPAR : Nav 5. artikuls, šo pavadzīmi nesūtām P/Z Nr. "},
        {"PAS", "Kļūda sagatavojot PostPAS : Nav 5. artikuls, šo pavadzīmi nesūtām P/Z Nr. "},
        {"ATGR", "Kļūda sagatavojot PostATGR : Nav 5. artikuls, šo pavadzīmi nesūtām P/Z Nr. "}};
    int isn = 50;
    for (const auto& [kind, prefix] : prefixes)
        document(kind, ++isn, {}, {{{"ISPRECE", kNoCodeGoods}}});
    document("IZR", 60, {{"ISKLIENT", kInventoryBuyer}}, {{{"ISPRECE", kNoCodeGoods}}});
    // ten lines, the 4th and the 7th without a code
    QList<QVariantHash> ten(10);
    ten[3] = ten[6] = {{"ISPRECE", kNoCodeGoods}};
    document("SAN", 61, {}, ten);
    document("SAN", 62, {}, {});  // no lines at all
    EXPECT_EQ(d365->PostDocuments(), 1);

    EXPECT_TRUE(service.posts().empty());
    isn = 50;
    for (const auto& [kind, prefix] : prefixes)
        EXPECT_EQ(log.count(QString::fromUtf8(prefix) + QStringLiteral("N%1 prece 200103 Mājas maize").arg(++isn)), 1) << kind;
    EXPECT_EQ(log.count("Kļūda sagatavojot PostINV : Nav 5. artikuls., šo pavadzīmi nesūtām P/Z Nr. N60 prece 200103"), 1);
    EXPECT_EQ(log.count("P/Z Nr. N61 prece 200103 Mājas maize"), 2);
    EXPECT_FALSE(log.has("N62"));
    EXPECT_EQ(count("O_PAVADZ", "D365_SENT IS NOT NULL"), 0);
    // and they are selected again
    log.lines.clear();
    EXPECT_EQ(d365->PostSAN(), 0);
    EXPECT_EQ(log.count("P/Z Nr. N61 prece"), 2);
}

// ---------------------------------------------------------------------------------------
// Faults

TEST_F(D365PostingTest, AnUnreachableServiceLeavesEveryDocumentReady)
{
    document("SAN", 70);
    document("SAN", 71);
    setSetting("RESTHttps", "http://127.0.0.1:1/data");
    login();
    EXPECT_EQ(d365->PostSAN(), 0);
    EXPECT_EQ(log.count("Kļūda pie PostSAN. P/Z Nr. N7"), 2);
    EXPECT_TRUE(log.has("Paziņojums :\n"));
    EXPECT_EQ(log.lines.last(), "PostSAN OK");

    setSetting("RESTHttps", service.server.url("/data"));
    login();
    EXPECT_EQ(d365->PostSAN(), 0);
    EXPECT_EQ(sorted(service.numbers()), (QStringList{"N70", "N71"}));
}

TEST_F(D365PostingTest, AHangingServiceCostsOneTimeOutPerOperation)
{
    d365->connection().transport().SetTimeout(300);
    for (int isn : {80, 81, 82})
        document("SAN", isn);
    document("IZR", 83);
    service.hanging = true;
    EXPECT_EQ(d365->PostDocuments(), 1);  // the next operations still run
    EXPECT_EQ(service.numbers("PostSAN").size(), 1);
    EXPECT_EQ(service.numbers("PostIZR"), QStringList{"N83"});
    EXPECT_TRUE(log.has("PostSAN: D365 neatbild, pārējās 2 pavadzīmes paliek nākamajai reizei"));
    EXPECT_TRUE(log.has("PostIZR: D365 neatbild, pārējās 0 pavadzīmes paliek nākamajai reizei"));
    EXPECT_FALSE(log.has("PostSAN OK"));
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Failed);
    EXPECT_EQ(count("O_PAVADZ", "D365_SENT IS NULL"), 3);

    service.hanging = false;
    service.server.clearRequests();
    EXPECT_EQ(d365->PostDocuments(), 1);
    EXPECT_EQ(sorted(service.numbers()), (QStringList{"N80", "N81", "N82", "N83"}));
}

TEST_F(D365PostingTest, AMarkThatFailsAfterAcceptanceIsLoggedAsSuch)
{
    goods.exec("ALTER TABLE O_PAVADZ ADD CONSTRAINT NO_MARK CHECK (D365_SENT IS NULL OR NR_PAVADZ <> 'N91')");
    for (int isn : {90, 91, 92})
        document("SAN", isn);
    EXPECT_EQ(d365->PostSAN(), 0);
    EXPECT_TRUE(log.has("Kļūda pie PostSAN. P/Z Nr. N91 D365 pieņēma, bet nav atzīmēts kā nosūtīts"));
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Failed);
    EXPECT_EQ(count("O_PAVADZ", "D365_SENT IS NULL"), 1);
    EXPECT_EQ(report.movedRecords(), 2);

    // the repeat the line announced
    service.server.clearRequests();
    EXPECT_EQ(d365->PostSAN(), 0);
    EXPECT_EQ(service.numbers(), QStringList{"N91"});
}

TEST_F(D365PostingTest, AFailingHeadSelectionLeavesTheGroup)
{
    document("SAN", 95);
    document("PAS", 96);
    goods.exec("ALTER TABLE O_PARPAV DROP D365_READY");
    EXPECT_THROW(d365->PostDocuments(), DbError);
    EXPECT_EQ(service.numbers(), QStringList{"N95"});
    EXPECT_TRUE(log.has("Procesējam PostPAR..."));
    EXPECT_FALSE(log.has("PostPAS"));
    EXPECT_FALSE(column("O_PAVADZ", 95, "D365_SENT").isNull());
}
