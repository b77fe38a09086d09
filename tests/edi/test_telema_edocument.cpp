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

TelemaItem milk()
{
    TelemaItem i;
    i.gnos = "Piens 2,5% 1l";
    i.sellerItemCode = "P-1001";
    i.gtin = "4750000001001";
    i.baseUnit = "gab";
    i.daudzums = 10;
    i.atlaide = -5;
    i.cena = 1.0;
    i.cena_ar_atlaidi = 0.95;
    i.summa_ar_atlaidi = 9.5;
    i.nodoklis = 21;
    i.nod_summa = 1.995;
    i.ar_nod_summa = 11.495;
    return i;
}

TelemaItem bread()
{
    TelemaItem i;
    i.gnos = "Maize";
    i.sellerItemCode = "M-2";
    i.gtin = "4750000002001";
    i.hasBaseUnit = false;
    i.daudzums = 2;
    i.cena = i.cena_ar_atlaidi = 5;
    i.summa_ar_atlaidi = 10;
    i.nodoklis = 12;
    i.nod_summa = 1.2;
    i.ar_nod_summa = 11.2;
    return i;
}

TelemaOrderDocument order()
{
    TelemaOrderDocument o;
    o.today = QDate(2026, 12, 7);
    o.company = kCompany;
    o.TELEMAA_KODS = "4751012340017";
    o.NODALA = "Centrālā noliktava";
    o.NOD_ADRESE = "Granīta iela 14, Rumbula";
    o.FTP_KLKODS = "4750101000010";
    o.gnos = "SIA <Zemgales> Piens";
    o.regnr = "40003000001";
    o.pvnkods = "LV40003000001";
    o.adrese = "Rīgas iela 1, Jelgava";
    o.pastindeks = "LV-3001";
    o.valsts = "Latvija";
    o.nr_pavadz = "P&1";
    o.pz_serija = "PAS";
    o.datums = QDate(2026, 12, 7);
    o.dat_piegade = QDate(2026, 12, 9);
    o.bezpvnsumma = 27.5;
    o.groups = {{12, 10, 1.2}, {21, 17.5, 3.675}};
    o.items = {milk(), bread()};
    return o;
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
    TelemaInvoiceDocument i;
    i.today = QDate(2026, 12, 7);
    i.company = kCompany;
    i.gnos = "Kafejnīca \"Rīts\"";
    i.regnr = "40003000004";
    i.pvnkods = "LV40003000004";
    i.adrese = "Tērbatas iela 5";
    i.pastindeks = "LV-1010";
    i.valsts = "Latvija";
    i.konts = "LV12UNLA0000000000001";
    i.bank_kods = "UNLALV2X";
    i.bank_gnos = "AS SEB banka";
    i.branchKods = "4750000000099";
    i.branchGnos = "Rīts #2";
    i.branchAdrese = "Brīvības iela 1";
    i.NOD_ADRESE = "Krasta iela 52, Rīga";
    i.nr_pavadz = "000123";
    i.pz_serija = "VN";
    i.PASUT_NR = "PO<7>";
    i.datums = QDate(2026, 12, 1);
    i.APM_LIDZ = QDate(2026, 12, 31);
    i.dat_atkr = QDate(2026, 12, 2);
    i.bezpvnsumma = 19.5;
    i.pvnsumma = 1.995;
    i.kopsumma = 21.495;
    i.reverseCharge = true;
    i.reverseChargeTotal = 10;
    i.groups = {{21, 9.5, 1.995}};
    TelemaItem reversed = bread();
    reversed.hasBaseUnit = true;
    reversed.baseUnit = "kg";
    reversed.reverseCharge = true;
    reversed.nodoklis = 21;
    i.items = {milk(), reversed};

    const QString text = TelemaEDocument::invoiceText(i);
    EXPECT_EQ(text, golden("telema_invoice.xml"));
    expectWellFormed(text);
}
