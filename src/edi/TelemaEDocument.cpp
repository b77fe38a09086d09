#include "TelemaEDocument.h"

#include "TelemaRest.h"
#include "platform/DateText.h"
#include "platform/XmlTextCleaning.h"

namespace TelemaEDocument {

namespace {

// Names and addresses.
QString name(const QString& text)
{
    return XmlTextCleaning::clean(text);
}

// Codes, numbers as stored and every other text.
QString code(const QString& text)
{
    return XmlTextCleaning::escapeEntities(text);
}

QString fixed(double value, int decimals)
{
    QString s = DateText::fixedText(value, decimals);
    // A negative amount that rounds to nothing is written without its sign.
    if (s.startsWith(QLatin1Char('-')) && s.mid(1).remove(QLatin1Char('0')).remove(QLatin1Char('.')).isEmpty())
        s.remove(0, 1);
    return s;
}

QString amount(double value)  // #0.00000
{
    return fixed(value, 5);
}

QString stored(double value)
{
    return DateText::floatText(value);
}

QString date(const QDate& d)
{
    return d.isValid() ? DateText::dateToIso(d) : QString();
}

// The document text, one element per line, nesting shown by indentation.
class Writer {
public:
    void open(const char* element, const char* attributes = "")
    {
        indent();
        text_ += QLatin1Char('<') + QLatin1String(element) + QLatin1String(attributes) + QStringLiteral(">\n");
        ++depth_;
    }
    void close(const char* element, const char* beforeEnd = "")
    {
        --depth_;
        indent();
        text_ += QStringLiteral("</") + QLatin1String(element) + QLatin1String(beforeEnd) + QStringLiteral(">\n");
    }
    void leaf(const char* element, const QString& value)
    {
        indent();
        text_ += QLatin1Char('<') + QLatin1String(element) + QLatin1Char('>') + value + QStringLiteral("</")
            + QLatin1String(element) + QStringLiteral(">\n");
    }
    void raw(const QString& line) { text_ += line + QLatin1Char('\n'); }
    const QString& text() const { return text_; }

private:
    void indent() { text_ += QString(depth_ * 2, QLatin1Char(' ')); }
    QString text_;
    int depth_ = 0;
};

void header(Writer& w, const QDate& today, const QString& sender, const QString& receiver)
{
    w.open("Header");
    w.leaf("DateIssued", date(today));
    w.leaf("SenderID", code(sender));
    w.leaf("ReceiverID", code(receiver));
    w.close("Header");
}

void party(Writer& w, const char* element, const char* attributes, const QString& partyCode, const QString& partyName,
           const QString& regNum, const QString& vatRegNum)
{
    w.open(element, attributes);
    w.leaf("PartyCode", code(partyCode));
    w.leaf("Name", name(partyName));
    w.leaf("RegNum", code(regNum));
    w.leaf("VATRegNum", code(vatRegNum));
}

// ContactData/ActualAddress with the given elements, already written as they go.
void address(Writer& w, std::initializer_list<std::pair<const char*, QString>> elements)
{
    w.open("ContactData");
    w.open("ActualAddress");
    for (const auto& [element, value] : elements)
        w.leaf(element, value);
    w.close("ActualAddress");
    w.close("ContactData");
}

void account(Writer& w, const QString& iban, const QString& bic, const QString& bankName)
{
    w.open("AccountInfo");
    w.leaf("AccountNum", code(iban));
    w.leaf("IBAN", code(iban));
    w.leaf("BIC", code(bic));
    w.leaf("BankName", name(bankName));
    w.close("AccountInfo");
}

void vat(Writer& w, const char* attributes, const QString& before, const QString& rate, const QString& sum)
{
    w.open("VAT", attributes);
    w.leaf("SumBeforeVAT", before);
    w.leaf("VATRate", rate);
    w.leaf("VATSum", sum);
    w.close("VAT");
}

void itemStart(Writer& w, int number, const TelemaItem& i)
{
    w.open("ItemEntry");
    w.leaf("LineItemNum", QString::number(number));
    w.leaf("SellerItemCode", code(i.sellerItemCode));
    w.leaf("GTIN", code(i.gtin));
    w.leaf("ItemDescription", name(i.gnos));
    if (i.hasBaseUnit)
        w.leaf("BaseUnit", code(i.baseUnit));
}

void discount(Writer& w, double rate)
{
    w.open("Addition", " addCode=\"DSC\"");
    w.leaf("AddRate", amount(rate));
    w.close("Addition");
}

}  // namespace

QString orderText(const TelemaOrderDocument& d)
{
    const TelemaCompany& c = d.company;
    Writer w;
    w.open("E-Document");
    header(w, d.today, d.TELEMAA_KODS, d.FTP_KLKODS);

    w.open("Document");
    w.leaf("DocumentType", QStringLiteral("order"));
    w.open("DocumentParties");
    party(w, "BuyerParty", " context=\"self\"", d.TELEMAA_KODS, d.NODALA, c.isiregnr, c.isinod_nr);
    address(w, {{"Address1", name(c.isiorgadr)}, {"Country", name(c.isiorgvalsts)}});
    account(w, c.isikorkonts, c.isibankkods, c.isibanknos);
    w.close("BuyerParty");
    party(w, "DeliveryParty", " context=\"self\"", d.TELEMAA_KODS, d.NODALA, c.isiregnr, c.isinod_nr);
    address(w, {{"Address1", name(d.NOD_ADRESE)}});
    w.close("DeliveryParty");
    party(w, "SellerParty", " context=\"partner\"", d.FTP_KLKODS, d.gnos, d.regnr, d.pvnkods);
    address(w, {{"Address1", name(d.adrese)}, {"PostalCode", code(d.pastindeks)}, {"Country", code(d.valsts)}});
    w.close("SellerParty");
    w.close("DocumentParties");
    w.close("Document");

    w.open("DocumentInfo");
    w.leaf("DocumentSubType", QStringLiteral("DEB"));
    w.leaf("DocumentNum", code(d.nr_pavadz));
    w.leaf("DocumentSerialNum", code(d.pz_serija));
    w.open("DateInfo");
    w.leaf("OrderDate", date(d.datums));
    w.leaf("DeliveryDateRequested", date(d.dat_piegade));
    w.close("DateInfo");
    w.close("DocumentInfo");

    w.open("DocumentSumGroup");
    w.leaf("DocumentSum", stored(d.bezpvnsumma));
    double totalVat = 0, total = 0;
    for (const TelemaVatGroup& g : d.groups) {
        vat(w, " vatID=\"TAX\"", amount(g.summa), amount(g.nodoklis), amount(g.pvnsumma));
        totalVat += g.pvnsumma;
        total += g.summa + g.pvnsumma;
    }
    w.leaf("TotalVATSum", fixed(totalVat, 2));
    w.leaf("TotalSum", fixed(total, 2));
    w.leaf("Currency", QStringLiteral("EUR"));
    w.close("DocumentSumGroup");

    w.open("DocumentItem");
    int n = 0;
    for (const TelemaItem& i : d.items) {
        itemStart(w, ++n, i);
        w.leaf("AmountOrdered", amount(i.daudzums));
        if (!d.withoutPrices) {
            w.leaf("ItemPrice", amount(i.cena_ar_atlaidi));
            w.leaf("ItemBasePrice", amount(i.cena));
        }
        w.leaf("ItemSum", amount(i.summa_ar_atlaidi));
        discount(w, i.atlaide);
        vat(w, " vatID=\"TAX\"", amount(i.summa_ar_atlaidi), amount(i.nodoklis), amount(i.nod_summa));
        w.leaf("ItemTotal", amount(i.ar_nod_summa));
        w.close("ItemEntry");
    }
    w.close("DocumentItem");
    w.close("E-Document");
    return w.text();
}

QString invoiceText(const TelemaInvoiceDocument& d)
{
    const TelemaCompany& c = d.company;
    Writer w;
    w.raw(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    w.open("E-Document");
    header(w, d.today, c.isiregnr, d.branchKods);

    w.open("Document");
    w.leaf("DocumentType", QStringLiteral("invoice"));
    w.open("DocumentParties");
    party(w, "BuyerParty", "", d.regnr, d.gnos, d.regnr, d.pvnkods);
    address(w, {{"Address1", name(d.adrese)}, {"PostalCode", code(d.pastindeks)}, {"Country", code(d.valsts)}});
    account(w, d.konts, d.bank_kods, d.bank_gnos);
    w.close("BuyerParty");
    party(w, "DeliveryParty", "", d.branchKods, d.branchGnos, d.regnr, d.pvnkods);
    address(w, {{"Address1", name(d.branchAdrese)}});
    w.close("DeliveryParty");
    party(w, "SellerParty", "", c.isiregnr, c.isiorgnos, c.isiregnr, c.isinod_nr);
    address(w, {{"Address1", name(d.NOD_ADRESE)}});
    w.close("SellerParty");
    w.close("DocumentParties");
    w.close("Document");

    w.open("DocumentInfo");
    w.leaf("DocumentSubType", QStringLiteral("DEB"));
    w.leaf("DocumentNum", code(d.pz_serija + QLatin1Char('-') + d.nr_pavadz));
    w.leaf("DocumentSerialNum", QString());
    w.open("DateInfo");
    w.leaf("InvoiceDate", date(d.datums));
    w.leaf("DueDate", date(d.APM_LIDZ));
    w.leaf("DeliveryDateRequested", date(d.dat_atkr));
    w.leaf("DeliveryDateActual", date(d.dat_atkr));
    w.close("DateInfo");
    w.open("RefInfo");
    w.open("SourceDocument", " type=\"order\"");
    w.leaf("SourceDocumentNum", code(d.PASUT_NR));
    w.close("SourceDocument", " ");
    w.close("RefInfo");
    w.close("DocumentInfo");

    w.open("DocumentSumGroup");
    w.leaf("DocumentSum", stored(d.bezpvnsumma));
    for (const TelemaVatGroup& g : d.groups)
        vat(w, " vatID=\"TAX\"", amount(g.summa), amount(g.nodoklis), amount(g.pvnsumma));
    if (d.reverseCharge)
        vat(w, " vatID=\"NOTTAX\"", amount(d.reverseChargeTotal), QStringLiteral("0.00"), QStringLiteral("0.00"));
    w.leaf("TotalVATSum", stored(d.pvnsumma));
    w.leaf("TotalSum", stored(d.kopsumma));
    w.leaf("Currency", QStringLiteral("EUR"));
    w.close("DocumentSumGroup");

    w.open("DocumentItem");
    int n = 0;
    for (const TelemaItem& i : d.items) {
        itemStart(w, ++n, i);
        w.leaf("AmountInvoiced", amount(i.daudzums));
        w.leaf("ItemPrice", amount(i.cena_ar_atlaidi));
        w.leaf("ItemBasePrice", amount(i.cena));
        w.leaf("ItemSum", amount(i.summa_ar_atlaidi));
        discount(w, i.atlaide);
        if (i.reverseCharge) {
            vat(w, " vatID=\"NOTTAX\"", amount(i.summa_ar_atlaidi), QStringLiteral("0.00000"), QStringLiteral("0.00000"));
            w.leaf("ItemTotal", amount(i.summa_ar_atlaidi));
        } else {
            vat(w, " vatID=\"TAX\"", amount(i.summa_ar_atlaidi), amount(i.nodoklis), amount(i.nod_summa));
            w.leaf("ItemTotal", amount(i.ar_nod_summa));
        }
        w.close("ItemEntry");
    }
    w.close("DocumentItem");
    w.close("E-Document");
    return w.text();
}

QByteArray uploadBody(const QString& documentText, const QString& filename)
{
    QByteArray base64 = documentText.toUtf8().toBase64();
    base64.replace("\r", "").replace("\n", "");
    return "{\"charset\": \"UTF-8\",\"document\": \"" + base64 + "\",\"filename\": " + TTelemaRest::jsonString(filename)
        + "}";
}

}  // namespace TelemaEDocument
