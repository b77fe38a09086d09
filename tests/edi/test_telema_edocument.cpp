// The E-Documents sent to Telema, compared byte for byte with the files under golden/.
#include "support/QtPrinters.h"

#include "edi/TelemaEDocument.h"

#include <QFile>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

QString golden(const char* name)
{
    QFile f(QStringLiteral(VARNIS_SOURCE_DIR "/tests/edi/golden/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return QString::fromUtf8(f.readAll());
}

void expectWellFormed(const QString& text)
{
    QXmlStreamReader xml(text);
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
}

// Names with the characters the cleaning blanks and escapes; codes with & and <.
const TelemaCompany kCompany{"SIA \"Daugava\" & Co", "40103564821", "LV40103564821", "Krasta iela 52; Rīga",
                             "Latvija", "Swedbank_AS", "HABALV22", "LV80HABA0551034218765"};

const TelemaItem kMilk{.gnos = "Piens 2,5% 1l", .sellerItemCode = "P-1001", .gtin = "4750000001001", .baseUnit = "gab",
                       .daudzums = 10, .atlaide = -5, .cena = 1.0, .cena_ar_atlaidi = 0.95, .summa_ar_atlaidi = 9.5,
                       .nodoklis = 21, .nod_summa = 1.995, .ar_nod_summa = 11.495};
const TelemaItem kBread{.gnos = "Maize", .sellerItemCode = "M-2", .gtin = "4750000002001", .hasBaseUnit = false,
                        .daudzums = 2, .cena = 5, .cena_ar_atlaidi = 5, .summa_ar_atlaidi = 10, .nodoklis = 12,
                        .nod_summa = 1.2, .ar_nod_summa = 11.2};

TelemaOrderDocument order()
{
    return {.today = QDate(2026, 12, 7), .company = kCompany, .TELEMAA_KODS = "4751012340017",
            .NODALA = "Centrālā noliktava", .NOD_ADRESE = "Granīta iela 14, Rumbula", .FTP_KLKODS = "4750101000010",
            .gnos = "SIA <Zemgales> Piens", .regnr = "40003000001", .pvnkods = "LV40003000001",
            .adrese = "Rīgas iela 1, Jelgava", .pastindeks = "LV-3001", .valsts = "Latvija", .nr_pavadz = "P&1",
            .pz_serija = "PAS", .datums = QDate(2026, 12, 7), .dat_piegade = QDate(2026, 12, 9), .bezpvnsumma = 27.5,
            .groups = {{12, 10, 1.2}, {21, 17.5, 3.675}}, .items = {kMilk, kBread}};
}

}  // namespace

TEST(TelemaEDocument, PurchaseOrderAsTheGoldenFile)
{
    const QString text = TelemaEDocument::orderText(order());
    EXPECT_EQ(text, golden("telema_order.xml"));
    expectWellFormed(text);

    // A supplier that takes no prices: the two price elements go, everything else stays.
    TelemaOrderDocument o = order();
    o.withoutPrices = true;
    QStringList expected = golden("telema_order.xml").split('\n');
    expected.removeIf([](const QString& line) { return line.contains("<ItemPrice>") || line.contains("<ItemBasePrice>"); });
    EXPECT_EQ(TelemaEDocument::orderText(o), expected.join('\n'));
}

TEST(TelemaEDocument, ReverseChargeInvoiceAsTheGoldenFile)
{
    TelemaItem reversed = kBread;
    reversed.hasBaseUnit = true;
    reversed.baseUnit = "kg";
    reversed.reverseCharge = true;
    const TelemaInvoiceDocument i{
        .today = QDate(2026, 12, 7), .company = kCompany, .gnos = "Kafejnīca \"Rīts\"", .regnr = "40003000004",
        .pvnkods = "LV40003000004", .adrese = "Tērbatas iela 5", .pastindeks = "LV-1010", .valsts = "Latvija",
        .konts = "LV12UNLA0000000000001", .bank_kods = "UNLALV2X", .bank_gnos = "AS SEB banka",
        .branchKods = "4750000000099", .branchGnos = "Rīts #2", .branchAdrese = "Brīvības iela 1",
        .NOD_ADRESE = "Krasta iela 52, Rīga", .nr_pavadz = "000123", .pz_serija = "VN", .PASUT_NR = "PO<7>",
        .datums = QDate(2026, 12, 1), .APM_LIDZ = QDate(2026, 12, 31), .dat_atkr = QDate(2026, 12, 2),
        .bezpvnsumma = 19.5, .pvnsumma = 1.995, .kopsumma = 21.495, .reverseCharge = true, .reverseChargeTotal = 10,
        .groups = {{21, 9.5, 1.995}}, .items = {kMilk, reversed}};

    const QString text = TelemaEDocument::invoiceText(i);
    EXPECT_EQ(text, golden("telema_invoice.xml"));
    expectWellFormed(text);
}
