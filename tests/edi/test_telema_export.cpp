// Purchase orders and issued invoices sent to the loopback Telema from a real goods file.
#include "TelemaFixture.h"

#include <QXmlStreamReader>

namespace {

// Supplier 2 has no bank row and takes no prices; order 1 goes out, order 2's branch forbids
// sending, order 3 names no department, order 4 went out before.
const QStringList kOrders{
    "UPDATE N_KLIENT SET FTP_BEZIEP_C='T' WHERE ISN=2",
    "INSERT INTO N_KL_STRV (ISN, ISKLIENT, GNOS, KODS, NESUTIT_TELEMAA) VALUES (8, 2, 'Aizliegta', 'X8', 'T')",
    "INSERT INTO O_PASPAV (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, PZ_SERIJA, DATUMS, DAT_PIEGADE, BEZPVNSUMMA, PIEGADPIRCEJS) "
    "VALUES (1, 2, 2, 'P-1', 'PAS', '07.12.2026', '09.12.2026', 19, 1)",
    "INSERT INTO O_PASPAV (ISN, ISKLIENT, ISNODALA, ISKLSTRV, NR_PAVADZ, DATUMS, PIEGADPIRCEJS, FTP_STATUSS) "
    "VALUES (2, 2, 2, 8, 'P-2', '07.12.2026', 1, 0)",
    "INSERT INTO O_PASPAV (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS, PIEGADPIRCEJS) VALUES (3, 2, 99, 'P-3', '07.12.2026', 1)",
    "INSERT INTO O_PASPAV (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS, PIEGADPIRCEJS, FTP_STATUSS) "
    "VALUES (4, 2, 2, 'P-4', '07.12.2026', 1, 1)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, CENA, ATLAIDE, DAUDZUMS, APSTIPRIN_DAUDZ, NODOKLIS) "
    "VALUES (1, 1, 100, 1, -10, 10, 10, 21)",
    "INSERT INTO O_PASPRC (ISN, ISPASPAV, ISPRECE, CENA, ATLAIDE, DAUDZUMS, APSTIPRIN_DAUDZ, NODOKLIS) "
    "VALUES (2, 1, 101, 5, 0, 2, 2, 12)",
};

// Customer 4 (no bank row) gets invoice 1, with one reverse-charged line; customer 5 takes none.
const QStringList kInvoices{
    "UPDATE N_KLIENT SET GNOS='Kafejnīca \"Rīts\" & <Co>' WHERE ISN=4",
    "INSERT INTO N_KLIENT (ISN, GNOS, FTP_TIPS, FTP_IZRAKSTNESUTIT) VALUES (5, 'Bez EDI', 4, 'T')",
    "INSERT INTO O_PAVOUT (ISN, ISKLIENT, ISNODALA, ISKLSTRV, NR_PAVADZ, PZ_SERIJA, DATUMS, DAT_ATKR, APM_LIDZ, PASUT_NR, "
    "KOPSUMMA, PVNSUMMA, BEZPVNSUMMA, PVN_REVERSS) VALUES (1, 4, 2, 7, 'R-1', 'VN', '01.12.2026', '02.12.2026', "
    "'31.12.2026', 'PO<1>&', 22.1, 2.1, 20, 'T')",
    "INSERT INTO O_PAVOUT (ISN, ISKLIENT, ISNODALA, NR_PAVADZ, DATUMS) VALUES (2, 5, 2, 'R-2', '01.12.2026')",
    "INSERT INTO O_PRCOUT (ISN, ISPAVOUT, ISPRECE, CENA, PIECENOJ, DAUDZUMS, NODOKLIS, PVN_REVERSS) "
    "VALUES (1, 1, 100, 1, 0, 10, 21, 0)",
    "INSERT INTO O_PRCOUT (ISN, ISPAVOUT, ISPRECE, CENA, PIECENOJ, DAUDZUMS, NODOKLIS, PVN_REVERSS) "
    "VALUES (2, 1, 101, 5, 0, 2, 21, 1)",
};

bool wellFormed(const QString& text)
{
    QXmlStreamReader xml(text);
    while (!xml.atEnd())
        xml.readNext();
    return !xml.hasError();
}

}  // namespace

TEST_F(TelemaTest, PurchaseOrdersGoOutOnceAndOnlyWhereAllowed)
{
    open(kOrders);
    configure({{"PasutExports", "true"}});
    EXPECT_FALSE(run());  // order 3 cannot be read

    ASSERT_EQ(fake.uploaded().size(), 1);
    const RecordedRequest upload = fake.requests("POST", "data").at(0);
    EXPECT_EQ(upload.header("Authorization"), std::string("Bearer ") + FakeTelema::kToken);
    EXPECT_EQ(upload.header("Content-Type"), "application/json");
    EXPECT_EQ(upload.body.rfind(R"({"charset": "UTF-8","document": ")", 0), 0u);
    EXPECT_NE(upload.body.find(R"(","filename": "Order_P-1.xml"})"), std::string::npos);
    const QString doc = fake.uploaded().at(0);
    EXPECT_TRUE(wellFormed(doc));
    for (const char* part : {"<SenderID>4750000000011</SenderID>", "<PartyCode>4751000000001</PartyCode>",
                             "<Address1>Granīta iela 14</Address1>", "<GTIN>P-1001</GTIN>",
                             "<SellerItemCode>SUP-9</SellerItemCode>", "<BaseUnit>kaste</BaseUnit>", "<BaseUnit>kg</BaseUnit>",
                             "<ItemSum>9.00000</ItemSum>", "<TotalVATSum>3.09</TotalVATSum>",
                             "<TotalSum>22.09</TotalSum>", "<DeliveryDateRequested>2026-12-09</DeliveryDateRequested>"})
        EXPECT_TRUE(doc.contains(QString::fromUtf8(part))) << part;
    EXPECT_FALSE(doc.contains("<ItemPrice>"));

    EXPECT_EQ(scalar("SELECT FTP_STATUSS FROM O_PASPAV WHERE ISN=1").toInt(), 1);
    EXPECT_EQ(scalar("SELECT FTP_DATUMS FROM O_PASPAV WHERE ISN=1").toDateTime(), clock.now());
    EXPECT_EQ(count("O_PASPAV", "ISN IN (2, 3) AND COALESCE(FTP_STATUSS, 0)=0"), 2);
    EXPECT_TRUE(logHas("Uz šo struktūrvienību sūtīt ir aizliegts !!!"));
    EXPECT_TRUE(logHas("Pasūtījumam ISN=3 nav nolasāms piegādātājs vai nodaļa"));
    EXPECT_EQ(telema->exporter().lastExportMessage(), "Uz šo struktūrvienību sūtīt ir aizliegts !!!");

    fake.reset();
    run();
    EXPECT_TRUE(fake.requests("POST", "data").empty());  // nothing left to send
}

TEST_F(TelemaTest, AnUploadNotAcceptedMarksNothingAndGoesAgain)
{
    open(kOrders.mid(0, 3) + kOrders.mid(6));
    configure({{"PasutExports", "true"}});
    struct Case {
        FakeTelema::Reply reply;
        const char* logLine;
    } cases[] = {
        {{200, R"({"statusCode":0,"message":"Invalid document"})"},
         R"(Kļūda iesūtot pasūtījumu Telema 200 Paziņojums:{"statusCode":0,"message":"Invalid document"})"},
        {{200, R"({"statusCode":10})"}, R"(Kļūda iesūtot pasūtījumu Telema 200 Paziņojums:{"statusCode":10})"},
        {{500, R"({"statusCode":1})"}, R"(Kļūda iesūtot pasūtījumu Telema 500 Paziņojums:{"statusCode":1})"},
        {{200, "{}", FakeTelema::kLate}, "Kļūda iesūtot pasūtījumu Telema. Paziņojums :\n"},
    };
    for (const Case& c : cases) {
        fake.upload.push_back(c.reply);
        EXPECT_FALSE(run()) << c.logLine;
        EXPECT_TRUE(logHas(QString::fromUtf8(c.logLine))) << c.logLine;
        EXPECT_EQ(count("O_PASPAV", "FTP_STATUSS=1"), 0) << c.logLine;
    }
    EXPECT_EQ(count("O_ERRORINFO", "LOGA_NOS=' TTelemaRest::TelemaExpOrdersProcess'"), 1);
    EXPECT_TRUE(run());
    EXPECT_EQ(count("O_PASPAV", "FTP_STATUSS=1"), 1);
    EXPECT_EQ(fake.requests("POST", "data").size(), 5u);
}

TEST_F(TelemaTest, IssuedInvoicesGoToCustomersWithoutABankRowToo)
{
    open(kInvoices);
    configure({{"IzrPZExports", "true"}});
    EXPECT_TRUE(run()) << report.firstError().toStdString();
    ASSERT_EQ(fake.uploaded().size(), 1);
    EXPECT_NE(fake.requests("POST", "data").at(0).body.find(R"("filename": "Invoice_R-1.xml"})"), std::string::npos);
    const QString doc = fake.uploaded().at(0);
    EXPECT_TRUE(doc.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<E-Document>"));
    EXPECT_TRUE(wellFormed(doc));
    for (const char* part : {"<ReceiverID>4750000000099</ReceiverID>", "<Name>Kafejnīca &quot;Rīts&quot; &amp; &lt;Co&gt;</Name>",
                             "<DocumentNum>VN-R-1</DocumentNum>", "<SourceDocumentNum>PO&lt;1&gt;&amp;</SourceDocumentNum>",
                             "<VAT vatID=\"NOTTAX\">\n      <SumBeforeVAT>10.00000</SumBeforeVAT>",
                             "<VAT vatID=\"TAX\">\n      <SumBeforeVAT>10.00000</SumBeforeVAT>\n      <VATRate>21.00000",
                             "<TotalVATSum>2.1</TotalVATSum>", "<TotalSum>22.1</TotalSum>", "<BIC></BIC>"})
        EXPECT_TRUE(doc.contains(QString::fromUtf8(part))) << part;
    EXPECT_EQ(scalar("SELECT FTP_STATUSS FROM O_PAVOUT WHERE ISN=1").toInt(), 1);
    EXPECT_EQ(count("O_PAVOUT", "ISN=2 AND FTP_STATUSS IS NULL"), 1);

    fake.token.push_back({401, "Unauthorized"});
    EXPECT_FALSE(run());
    EXPECT_TRUE(dialogs.messages.contains("Neizdevās inicializēt Telema!!"));
}
