#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// A received invoice (an incoming invoice of the goods database), read whole and checked
// before anything is stored.
struct TelemaInvoice {
    QString DocumentType;
    // SellerParty: the supplier, and what a new supplier row is made of
    QString RegNum, Name, VATRegNum, Address1, PostalCode, Country, CountryCode, AccountNum, IBAN, BIC, BankName;
    // DocumentInfo
    QString DocumentNum, DocumentSerialNum;
    QDateTime InvoiceDate, DeliveryDateActual, DueDate;  // 01.01.1900 when not given
    // DeliveryParty: the department, by these codes in turn
    QString PartyCode, GLN, ILN;
    QString SourceDocumentNum;

    struct Line {
        QString ItemDescription, SellerItemCode, GTIN;
        double VATRate = 0, AmountInvoiced = 0, AddRate = 0, SumBeforeVAT = 0;
        bool hasSum = false;  // SumBeforeVAT was given
    };
    QList<Line> lines;
};

// A received customer order.
struct TelemaOrder {
    QString DocumentType;
    QString BuyerRegNum;
    QString code;  // DeliveryParty ILN, else GLN: who ordered
    QString DocumentNum, DocumentSerialNum;
    QDateTime OrderDate, DeliveryDateRequested;  // whole days; 01.01.1900 when not given

    struct Line {
        QString GTIN;
        double VATRate = 0, AmountOrdered = 0, AddRate = 0;
        bool hasPrice = false;  // ItemPrice was given
        double ItemPrice = 0;
    };
    QList<Line> lines;
};

// Reads received documents by Telema's text rule. A number or date that does not read, or a
// missing document number, supplier registration number (invoices) or customer code
// (orders) throws ConvertError naming it.
namespace TelemaDocumentReader {

QString documentType(const QString& xml);
TelemaInvoice readInvoice(const QString& xml);
TelemaOrder readOrder(const QString& xml);

// Numbers accept "." or "," as the decimal separator; empty is 0.
double number(const QString& block, const QString& name);
// "yyyy-mm-dd..." or "dd.mm.yyyy"; empty is 01.01.1900.
QDateTime date(const QString& block, const QString& name);

}  // namespace TelemaDocumentReader
