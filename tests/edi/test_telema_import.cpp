// The Telema run, its token and the two imports against the loopback Telema and a real goods file.
#include "TelemaFixture.h"

namespace {

const QString kInvoice = R"(<?xml version="1.0" encoding="UTF-8"?>
<E-Document><Header><DateIssued>2026-12-05</DateIssued></Header>
<Document><DocumentType>invoice</DocumentType><DocumentParties>
<SellerParty context="partner"><PartyCode>S1</PartyCode><Name>SIA &quot;Lauku&quot; Piens</Name><RegNum>%REG%</RegNum>
<VATRegNum>LV%REG%</VATRegNum><ContactData><ActualAddress><Address1>Rīgas iela 1</Address1><PostalCode>LV-3001</PostalCode>
<CountryCode>LV</CountryCode><Country>Latvija</Country></ActualAddress></ContactData><AccountInfo><AccountNum>A-1</AccountNum>
<IBAN>LV80HABA0551034218765</IBAN><BIC>HABALV22</BIC><BankName>Swedbank AS</BankName></AccountInfo></SellerParty>
<DeliveryParty><PartyCode>nav</PartyCode><GLN>4750000000028</GLN><ILN>4750000000011</ILN></DeliveryParty>
</DocumentParties></Document>
<DocumentInfo><DocumentNum>%NUM%</DocumentNum><DocumentSerialNum>ZP</DocumentSerialNum><DateInfo>
<InvoiceDate>2026-12-05</InvoiceDate><DueDate>05.01.2027</DueDate><DeliveryDateActual>2026-12-06</DeliveryDateActual>
</DateInfo><RefInfo><SourceDocument type="order"><SourceDocumentNum>PO-77</SourceDocumentNum></SourceDocument></RefInfo>
</DocumentInfo><DocumentItem>%LINES%</DocumentItem></E-Document>)";

const QString kOrder = R"(<E-Document><Document><DocumentType>order</DocumentType><DocumentParties>
<BuyerParty><RegNum>40003000004</RegNum></BuyerParty><DeliveryParty><GLN>%CODE%</GLN></DeliveryParty></DocumentParties>
</Document><DocumentInfo><DocumentNum>%NUM%</DocumentNum><DocumentSerialNum>WEB</DocumentSerialNum><DateInfo>
<OrderDate>2026-12-06</OrderDate><DeliveryDateRequested>2026-12-09</DeliveryDateRequested></DateInfo></DocumentInfo>
<DocumentItem>%LINES%</DocumentItem></E-Document>)";

QString item(const QString& gtin, const QString& seller, const QString& amount, const QString& sum,
             const QString& start = "<ItemEntry>")
{
    return start + "<ItemDescription>Prece " + gtin + "</ItemDescription><SellerItemCode>" + seller
        + "</SellerItemCode><GTIN>" + gtin + "</GTIN><VATRate>21</VATRate><AmountInvoiced>" + amount
        + "</AmountInvoiced><AddRate>-2,5</AddRate><SumBeforeVAT>" + sum + "</SumBeforeVAT></ItemEntry>\n";
}

QString invoice(const QString& number, const QString& regNum, const QString& lines)
{
    return QString(kInvoice).replace("%NUM%", number).replace("%REG%", regNum).replace("%LINES%", lines);
}

QString orderLine(const QString& gtin, const QString& amount, const QString& price)
{
    return "<ItemEntry><GTIN>" + gtin + "</GTIN><VATRate>21</VATRate><AmountOrdered>" + amount
        + "</AmountOrdered><AddRate>0</AddRate>" + (price.isEmpty() ? QString() : "<ItemPrice>" + price + "</ItemPrice>")
        + "</ItemEntry>";
}

QString order(const QString& number, const QString& code, const QString& lines)
{
    return QString(kOrder).replace("%NUM%", number).replace("%CODE%", code).replace("%LINES%", lines);
}

}  // namespace

TEST_F(TelemaTest, SettingsDecideWhatRunsAndAMissingValueEndsTheRun)
{
    open();
    EXPECT_TRUE(run());
    EXPECT_EQ(logText().count('\n'), 2);
    EXPECT_TRUE(logHas("Sāku Telemaa...") && logHas("Beidzu Telemaa..."));
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::NothingToDo);

    configure({{"SanPZImports", "true"}, {"KlientaAtpazisana", "-"}});
    busy.set(true);
    EXPECT_FALSE(run());
    EXPECT_TRUE(logHas("Kļūda pie TelemaProcess !!!Invalid data type for 'KlientaAtpazisana'\n"));
    EXPECT_FALSE(busy.isSet());
    EXPECT_TRUE(logText().endsWith("Beidzu Telemaa...\n"));
    EXPECT_EQ(fake.server.requestCount(), 0u);

    // Without the key the values of the last run that read them stay.
    configure({{"SanPZImports", "true"}});
    EXPECT_TRUE(run());
    registry->settings().remove("Telema");
    fake.reset();
    EXPECT_TRUE(run());
    EXPECT_EQ(fake.requests("GET", "data").size(), 1u);
}

TEST_F(TelemaTest, TokenRequestAndItsFailures)
{
    open();
    configure({{"PasutImports", "true"}});
    EXPECT_TRUE(run());
    const RecordedRequest token = fake.requests("POST", "auth/accessToken").at(0);
    EXPECT_EQ(token.body, R"({"clientId": "varnis","clientSecret": "s3&<c\"r"})");
    EXPECT_EQ(token.header("Content-Type"), "application/json");
    EXPECT_EQ(token.header("Accept"), "application/json, text/plain; q=0.9, text/html;q=0.8,");
    EXPECT_EQ(token.header("Accept-Charset"), "utf-8, *;q=0.8");
    EXPECT_EQ(fake.requests("GET", "data").at(0).header("Authorization"), std::string("Bearer ") + FakeTelema::kToken);

    struct Case {
        const char* what;
        FakeTelema::Reply reply;
        QString address;
        const char* logLine;
        bool errorRow;
    } cases[] = {
        {"401", {401, "Unauthorized"}, {}, "Kļūda iegūstot piekļuves kodu 401 Paziņojums:Unauthorized", false},
        {"no token in a 200", {200, R"({"accessToken":null})"}, {}, "Kļūda iegūstot piekļuves kodu 200", false},
        {"refused", {}, "http://127.0.0.1:1/", "Kļūda iegūstot piekļuves kodu Telema. Paziņojums :\n", true},
        {"time-out", {200, "{}", FakeTelema::kLate}, {}, "Kļūda iegūstot piekļuves kodu Telema. Paziņojums :\n", true},
    };
    for (const Case& c : cases) {
        fake.reset();
        dialogs.messages.clear();
        fake.token.push_back(c.reply);
        configure({{"PasutImports", "true"}, {"RESTHttps", c.address.isEmpty() ? fake.base() : c.address}});
        const int errorRows = count("O_ERRORINFO", "LOGA_NOS=' TTelemaRest::GetAcessToken'");
        EXPECT_FALSE(run()) << c.what;
        EXPECT_TRUE(logHas(c.logLine)) << c.what;
        EXPECT_TRUE(dialogs.messages.contains("Neizdevās inicializēt Telema!!!")) << c.what;
        EXPECT_EQ(count("O_ERRORINFO", "LOGA_NOS=' TTelemaRest::GetAcessToken'"), errorRows + (c.errorRow ? 1 : 0)) << c.what;
        EXPECT_TRUE(fake.requests("GET", "data").empty()) << c.what;  // never an empty bearer
    }

    // A spaced reply: the JSON parser reads the token.
    fake.reset();
    fake.token.push_back({200, "{ \"accessToken\": \"spaced-1\", \"expiresIn\": 3600 }"});
    configure({{"PasutImports", "true"}});
    EXPECT_TRUE(run());
    EXPECT_EQ(fake.requests("GET", "data").at(0).header("Authorization"), "Bearer spaced-1");
}

TEST_F(TelemaTest, InvoicesAreStoredWholeAndAcknowledged)
{
    open();
    configure({{"SanPZImports", "true"}, {"SanNeapstiprin", "true"}});
    // a new supplier (created once with its bank), known and unknown goods, a line of quantity 0,
    // an entry with attributes, decimal commas
    fake.offerXml("501", invoice("A-1", "40009999999",
                                 item("4750000001001", "x", "10", "8,5") + item("4759999999999", "SUP-1", "2", "3")
                                     + item("4750000001002", "y", "0", "") + item("", "SUP-9", "1,5", "6", "<ItemEntry nr=\"4\">")));
    fake.offerXml("\"502\"", invoice("A-2", "40009999999", item("4750000001001", "", "1", "0.80")
                                                           + item("4759999999999", "SUP-1", "1", "1.5")));
    fake.offerXml("503", order("O-1", "C000004", orderLine("4750000001001", "1", "")));  // for the order import
    EXPECT_TRUE(run()) << report.firstError().toStdString();

    EXPECT_EQ(count("O_PAVADZ"), 2);
    EXPECT_EQ(count("N_KLIENT", "REGNR='40009999999'"), 1);
    EXPECT_EQ(count("N_BANKA", "KODS='HABALV22'"), 1);
    EXPECT_EQ(scalar("SELECT GNOS || '|' || VALSTS || '|' || VALSTS_KODS || '|' || KONTS FROM N_KLIENT WHERE REGNR='40009999999'")
                  .toString(), "SIA \"Lauku\" Piens|Latvija|LV|LV80HABA0551034218765");
    EXPECT_EQ(scalar("SELECT PZ_SERIJA || '|' || PASUT_NR || '|' || NELEGALIZ || '|' || IEVKODS || '|' || ISNODALA "
                     "FROM O_PAVADZ WHERE NR_PAVADZ='A-1'").toString(), "ZP|PO-77|T|IMPORTS NO TELEMA-REST|3");
    EXPECT_EQ(scalar("SELECT DAT_SANEM FROM O_PAVADZ WHERE NR_PAVADZ='A-1'").toDate(), QDate(2026, 12, 6));
    EXPECT_EQ(scalar("SELECT APM_LIDZ FROM O_PAVADZ WHERE NR_PAVADZ='A-1'").toDate(), QDate(2027, 1, 5));
    EXPECT_EQ(count("O_PRECE", "ISPAVADZ=(SELECT ISN FROM O_PAVADZ WHERE NR_PAVADZ='A-1')"), 3);
    EXPECT_DOUBLE_EQ(scalar("SELECT CENA FROM O_PRECE WHERE ISPRECE=100 AND DAUDZUMS=10").toDouble(), 0.85);
    EXPECT_DOUBLE_EQ(scalar("SELECT ATLAIDE FROM O_PRECE WHERE ISPRECE=100 AND DAUDZUMS=10").toDouble(), -2.5);
    EXPECT_EQ(count("N_KLPREC", "ARTIKULS='4759999999999'"), 1);  // unknown GTIN: created once
    EXPECT_EQ(count("O_PRECE", "ISPRECE=101 AND DAUDZUMS=1.5"), 1);  // the supplier's code in ARTIKULS3
    EXPECT_TRUE(logHas("Pavadzīme TelemaID 501 Nr ZP A-1 datums 05.12.2026 Klients SIA \"Lauku\" Piens Nodaļa:Veikals"));
    EXPECT_TRUE(logHas("Nesakrīt iep.cena !!! Artikuls:4750000001001 Nosūtītāja cena:0.850 Definētā cena:0.800 Prece:Piens 1l"));
    EXPECT_EQ(logCount("Nesakrīt iep.cena"), 1);

    const auto feedback = fake.requests("POST", "data/feedback");
    ASSERT_EQ(feedback.size(), 2u);
    EXPECT_EQ(feedback[0].body, R"({"sessions": [{"documents": [{"id": 501,"status": "received"}],"sessionId": "AAAAAA","time": "2021-11-22T22:20:23+0200"}]})");
    EXPECT_NE(feedback[1].body.find(R"({"id": "502",)"), std::string::npos);
    EXPECT_EQ(fake.waitingCount(), 1u);  // the order stays for the order import
}

TEST_F(TelemaTest, BadDocumentsAreLoggedAndLeftWhileTheOthersComeIn)
{
    open();
    configure({{"SanPZImports", "true"}});
    const auto text = [](const QString& xml) { return "\"" + xml.toUtf8().toBase64().toStdString() + "\""; };
    const struct {
        const char* id;
        std::string document;
        const char* reason;
    } bad[] = {
        {"11", "\"bm90IEJhc2U2NA==!\"", "dokuments nav Base64"},
        {"12", text("just text"), "dokuments nav XML teksts"},
        {"13", "null", "dokuments ir tukšs"},
        {"14", text(invoice("", "40003000001", "")), "nav DocumentNum"},
        {"15", text(invoice("B-1", "40003000001", item("1", "", "1 kg", "1"))), "AmountInvoiced: skaitlis '1 kg' nav nolasāms"},
        {"16", text(invoice("B-2", "", "")), "nav SellerParty/RegNum"},
    };
    for (const auto& b : bad)
        fake.offer(b.id, b.document);
    fake.offerXml("17", invoice("B-3", "40003000001", item("4750000001001", "", "1", "0.8")));
    EXPECT_FALSE(run());
    for (const auto& b : bad)
        EXPECT_TRUE(logHas(QStringLiteral("Telema dokuments ID %1 netiek saglabāts: %2").arg(b.id, b.reason))) << b.id;
    EXPECT_EQ(count("O_PAVADZ"), 1);
    EXPECT_EQ(count("O_PAVADZ", "NR_PAVADZ='B-3' AND ISKLIENT=2"), 1);
    EXPECT_EQ(fake.requests("POST", "data/feedback").size(), 1u);
    EXPECT_EQ(fake.waitingCount(), 6u);

    // An answer without the list, an empty list.
    for (const auto& [body, ok] : {std::pair{R"({"data":{}})", false}, std::pair{R"({"data":{"documents":[]}})", true}}) {
        fake.reset();
        fake.data.push_back({200, body});
        EXPECT_EQ(run(), ok) << body;
        EXPECT_TRUE(fake.requests("POST", "data/feedback").empty());
    }
    EXPECT_TRUE(logHas("Kļūda saņemot datus no Telema. Paziņojums :\natbildē nav saraksta data.documents"));
}

TEST_F(TelemaTest, ARedeliveredInvoiceIsAcknowledgedAgainNotStoredTwice)
{
    open();
    configure({{"SanPZImports", "true"}});
    fake.offerXml("21", invoice("C-1", "40003000001", item("4750000001001", "", "3", "2.4")));
    fake.feedback.push_back({500, "Server error"});
    EXPECT_FALSE(run());
    EXPECT_TRUE(logHas("Kļūda ievietojot apstiprinājuma pazīmi saņemšanas P/Z no Telema 500 Paziņojums:Server error"));
    EXPECT_EQ(count("O_PAVADZ"), 1);

    // Not answered at all: five attempts 2000 ms apart.
    fake.feedback.assign(5, {200, "{}", FakeTelema::kLate});
    const qint64 slept = clock.sleptMs();
    EXPECT_FALSE(run());
    EXPECT_EQ(logCount("Kļūda ievietojot apstiprinājuma pazīmi saņemšanas P/Z no Telema. Atkārtojums "), 5);
    EXPECT_TRUE(logHas("Atkārtojums 5 Paziņojums :\n"));
    EXPECT_EQ(clock.sleptMs() - slept, 4 * 2000);

    EXPECT_TRUE(run());
    EXPECT_EQ(count("O_PAVADZ"), 1);
    EXPECT_EQ(count("O_PRECE"), 1);
    EXPECT_EQ(logCount("Pavadzīme TelemaID 21 Nr ZP C-1 jau ir saglabāta"), 2);
    EXPECT_EQ(fake.waitingCount(), 0u);
}

TEST_F(TelemaTest, AnInvoiceTheDatabaseRefusesIsRolledBackAndComesInAtTheRerun)
{
    open(refusing("O_PRECE", 5));  // the first line fails all five attempts
    configure({{"SanPZImports", "true"}});
    fake.offerXml("31", invoice("D-1", "40008888888", item("4750000001001", "", "1", "1") + item("4750000001002", "", "2", "2")));
    EXPECT_FALSE(run());
    EXPECT_EQ(count("O_PAVADZ"), 0);
    EXPECT_EQ(count("O_PRECE"), 0);
    EXPECT_EQ(count("N_KLIENT", "REGNR='40008888888'"), 0);  // the new supplier went with it
    EXPECT_EQ(count("O_ERRORINFO", "LOGA_NOS='TO_preceTable::O_PRECEInsert'"), 1);
    EXPECT_TRUE(fake.requests("POST", "data/feedback").empty());

    EXPECT_TRUE(run());
    EXPECT_EQ(count("O_PAVADZ"), 1);
    EXPECT_EQ(count("O_PRECE"), 2);
    EXPECT_EQ(count("N_KLIENT", "REGNR='40008888888'"), 1);
    EXPECT_EQ(fake.waitingCount(), 0u);
}

TEST_F(TelemaTest, OrdersByRecognitionModeWithTheirOwnOrTheCustomersPrice)
{
    open({"INSERT INTO O_SPECCENAS (ISN, ISPRECE, ISKLIENT, KLIENTNODALAFLAG, CENA_1, ATLAIDE, FLAG, DAT_NO, DAT_LIDZ) "
          "VALUES (1, 100, 4, 1, 0.99, 0, 1, '01.01.1900', '31.12.3000')"});
    struct Case {
        const char* mode;
        const char* dateFlag;
        const char* code;
        int branch;
        QDate date;
    } cases[] = {{"0", "0", "C000004", 0, QDate(2026, 12, 6)}, {"1", "1", "STRV-7", 7, QDate(2026, 12, 9)}};
    int n = 0;
    for (const Case& c : cases) {
        const QString number = QStringLiteral("W-%1").arg(++n);
        fake.reset();
        configure({{"PasutImports", "true"}, {"KlientaAtpazisana", c.mode}, {"PasutijumaDatumaFlag", c.dateFlag},
                   {"Isnodala", "3"}});
        fake.offerXml(std::to_string(40 + n),
                      order(number, c.code, orderLine("4750000001001", "4", "") + orderLine("", "1", "9")
                                                + orderLine("4750000001002", "2", "4,5")));
        EXPECT_TRUE(run()) << c.mode;
        const QString head = QStringLiteral("FROM O_PASPAV WHERE NR_PAVADZ='%1'").arg(number);
        EXPECT_EQ(scalar("SELECT ISKLIENT || '|' || COALESCE(ISKLSTRV, 0) || '|' || ISNODALA || '|' || PIEGADPIRCEJS || '|' || "
                         "PZ_SERIJA " + head).toString(), QStringLiteral("4|%1|3|2|WEB").arg(c.branch)) << c.mode;
        EXPECT_EQ(scalar("SELECT DATUMS " + head).toDate(), c.date) << c.mode;
        EXPECT_EQ(scalar("SELECT DAT_PIEGADE " + head).toDate(), QDate(2026, 12, 9)) << c.mode;
        const QString lines = "FROM O_PASPRC WHERE ISPASPAV=(SELECT ISN " + head + ")";
        EXPECT_EQ(scalar("SELECT COUNT(*) " + lines).toInt(), 2) << c.mode;  // no GTIN, no line
        EXPECT_DOUBLE_EQ(scalar("SELECT CENA " + lines + " AND ISPRECE=100").toDouble(), 0.99) << c.mode;
        EXPECT_DOUBLE_EQ(scalar("SELECT CENA " + lines + " AND ISPRECE=101").toDouble(), 4.5) << c.mode;
        EXPECT_DOUBLE_EQ(scalar("SELECT APSTIPRIN_DAUDZ " + lines + " AND ISPRECE=100").toDouble(), 4) << c.mode;
        EXPECT_EQ(fake.waitingCount(), 0u) << c.mode;
    }
    EXPECT_TRUE(logHas("Pasūtījums Nr WEB W-1 datums 06.12.2026"));
}

TEST_F(TelemaTest, OrderFailuresAreToldAndARedeliveredOrderIsNotStoredTwice)
{
    open();
    configure({{"PasutImports", "true"}});
    fake.data.push_back({503, "Busy"});
    EXPECT_FALSE(run());
    EXPECT_TRUE(logHas("Kļūda saņemot datus no Telema 503 Paziņojums:Busy"));

    fake.offerXml("61", order("X-1", "C000004", orderLine("4750000001001", "1", "1")));
    fake.offerXml("62", order("X-2", "", orderLine("4750000001001", "1", "1")));
    fake.feedback.push_back({200, "{}", FakeTelema::kLate});
    const int errorRows = count("O_ERRORINFO", "LOGA_NOS='TVarnisProcessMain::TelemaImportOrders'");
    EXPECT_FALSE(run());
    EXPECT_TRUE(logHas("Kļūda ievietojot apstiprinājuma pazīmi pasūtījumam no Telema. Paziņojums :\n"));
    EXPECT_EQ(count("O_ERRORINFO", "LOGA_NOS='TVarnisProcessMain::TelemaImportOrders'"), errorRows + 1);
    EXPECT_TRUE(logHas("Telema dokuments ID 62 netiek saglabāts: nav DeliveryParty/ILN vai GLN"));

    EXPECT_FALSE(run());  // 62 still cannot be read
    EXPECT_EQ(count("O_PASPAV"), 1);
    EXPECT_EQ(count("O_PASPRC"), 1);
    EXPECT_TRUE(logHas("Pasūtījums TelemaID 61 Nr WEB X-1 jau ir saglabāts"));
    EXPECT_EQ(fake.waitingCount(), 1u);
}
