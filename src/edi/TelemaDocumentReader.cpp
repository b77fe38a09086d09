#include "TelemaDocumentReader.h"

#include "TelemaXmlText.h"
#include "platform/DateText.h"
#include "platform/Errors.h"

#include <cmath>

namespace TelemaDocumentReader {

namespace {

using TelemaXmlText::raw;
using TelemaXmlText::value;

void require(const QString& v, const QString& name)
{
    if (v.isEmpty())
        throw ConvertError(QStringLiteral("nav %1").arg(name));
}

}  // namespace

double number(const QString& block, const QString& name)
{
    const QString text = value(block, name);
    if (text.isEmpty())
        return 0;
    try {
        const double v = DateText::parseNumber(text);
        if (std::isfinite(v))
            return v;
    } catch (const ConvertError&) {
    }
    throw ConvertError(QStringLiteral("%1: skaitlis '%2' nav nolasāms").arg(name, text));
}

QDateTime date(const QString& block, const QString& name)
{
    const QString text = value(block, name);
    if (text.isEmpty())
        return DateText::neverRun();
    try {
        const QDate d = text.contains(QLatin1Char('-')) ? DateText::isoToDate(text) : DateText::parseDate(text);
        return QDateTime(d, QTime(0, 0));
    } catch (const ConvertError&) {
        throw ConvertError(QStringLiteral("%1: datums '%2' nav nolasāms").arg(name, text));
    }
}

QString documentType(const QString& xml)
{
    return value(xml, QStringLiteral("DocumentType"));
}

TelemaInvoice readInvoice(const QString& xml)
{
    TelemaInvoice d;
    d.DocumentType = documentType(xml);
    const QString seller = raw(xml, QStringLiteral("SellerParty"));
    d.RegNum = value(seller, QStringLiteral("RegNum"));
    d.Name = value(seller, QStringLiteral("Name"));
    d.VATRegNum = value(seller, QStringLiteral("VATRegNum"));
    d.Address1 = value(seller, QStringLiteral("Address1"));
    d.PostalCode = value(seller, QStringLiteral("PostalCode"));
    d.Country = value(seller, QStringLiteral("Country"));
    d.CountryCode = value(seller, QStringLiteral("CountryCode"));
    d.AccountNum = value(seller, QStringLiteral("AccountNum"));
    d.IBAN = value(seller, QStringLiteral("IBAN"));
    d.BIC = value(seller, QStringLiteral("BIC"));
    d.BankName = value(seller, QStringLiteral("BankName"));

    const QString info = raw(xml, QStringLiteral("DocumentInfo"));
    d.DocumentNum = value(info, QStringLiteral("DocumentNum"));
    d.DocumentSerialNum = value(info, QStringLiteral("DocumentSerialNum"));
    d.InvoiceDate = date(info, QStringLiteral("InvoiceDate"));
    d.DeliveryDateActual = date(info, QStringLiteral("DeliveryDateActual"));
    d.DueDate = date(info, QStringLiteral("DueDate"));

    const QString delivery = raw(xml, QStringLiteral("DeliveryParty"));
    d.PartyCode = value(delivery, QStringLiteral("PartyCode"));
    d.GLN = value(delivery, QStringLiteral("GLN"));
    d.ILN = value(delivery, QStringLiteral("ILN"));
    d.SourceDocumentNum = value(xml, QStringLiteral("SourceDocumentNum"));

    require(d.DocumentNum, QStringLiteral("DocumentNum"));
    require(d.RegNum, QStringLiteral("SellerParty/RegNum"));

    for (const QString& entry : TelemaXmlText::elements(raw(xml, QStringLiteral("DocumentItem")), QStringLiteral("ItemEntry"))) {
        TelemaInvoice::Line l;
        l.ItemDescription = value(entry, QStringLiteral("ItemDescription"));
        l.SellerItemCode = value(entry, QStringLiteral("SellerItemCode"));
        l.GTIN = value(entry, QStringLiteral("GTIN"));
        l.VATRate = number(entry, QStringLiteral("VATRate"));
        l.AmountInvoiced = number(entry, QStringLiteral("AmountInvoiced"));
        l.AddRate = number(entry, QStringLiteral("AddRate"));
        l.hasSum = !value(entry, QStringLiteral("SumBeforeVAT")).isEmpty();
        l.SumBeforeVAT = number(entry, QStringLiteral("SumBeforeVAT"));
        d.lines << l;
    }
    return d;
}

TelemaOrder readOrder(const QString& xml)
{
    TelemaOrder d;
    d.DocumentType = documentType(xml);
    d.BuyerRegNum = value(raw(xml, QStringLiteral("BuyerParty")), QStringLiteral("RegNum"));
    const QString delivery = raw(xml, QStringLiteral("DeliveryParty"));
    d.code = value(delivery, QStringLiteral("ILN"));
    if (d.code.isEmpty())
        d.code = value(delivery, QStringLiteral("GLN"));

    const QString info = raw(xml, QStringLiteral("DocumentInfo"));
    d.DocumentNum = value(info, QStringLiteral("DocumentNum"));
    d.DocumentSerialNum = value(info, QStringLiteral("DocumentSerialNum"));
    d.OrderDate = date(info, QStringLiteral("OrderDate"));
    d.DeliveryDateRequested = date(info, QStringLiteral("DeliveryDateRequested"));

    require(d.DocumentNum, QStringLiteral("DocumentNum"));
    require(d.code, QStringLiteral("DeliveryParty/ILN vai GLN"));

    for (const QString& entry : TelemaXmlText::elements(raw(xml, QStringLiteral("DocumentItem")), QStringLiteral("ItemEntry"))) {
        TelemaOrder::Line l;
        l.GTIN = value(entry, QStringLiteral("GTIN"));
        l.VATRate = number(entry, QStringLiteral("VATRate"));
        l.AmountOrdered = number(entry, QStringLiteral("AmountOrdered"));
        l.AddRate = number(entry, QStringLiteral("AddRate"));
        l.hasPrice = !value(entry, QStringLiteral("ItemPrice")).isEmpty();
        l.ItemPrice = number(entry, QStringLiteral("ItemPrice"));
        d.lines << l;
    }
    return d;
}

}  // namespace TelemaDocumentReader
