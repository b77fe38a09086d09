#pragma once

#include "EquinoxBooking.h"

#include <QList>
#include <QString>

class EquinoxFile;
class XmlElementReader;
struct ExchangeContext;

// What each kind of warehouse file books in the goods database. Every value is read and
// checked before the first row is written; a handler that returns false has logged why and
// the file is kept. A document already booked (the same file delivered again) is logged and
// nothing of it is stored.
class EquinoxDocuments {
public:
    // The customers of the adjustments' incoming and outgoing invoices.
    EquinoxDocuments(ExchangeContext& context, int inventorySupplier, int inventoryBuyer);

    bool completion(const EquinoxFile& file);
    bool receipt(const EquinoxFile& file);
    bool shipment(const EquinoxFile& file);
    bool adjustment(const EquinoxFile& file);

private:
    struct Line {
        int goods = 0;
        double quantity = 0;
    };
    // The n-th article_id with the n-th quantity element; false (logged) when their counts
    // differ or a value is not a number.
    bool readLines(const XmlElementReader& reader, const QString& quantityTag, const QString& number,
                   QList<Line>& lines);
    // False (logged) when a goods key of a line with a quantity is not in the goods register.
    bool goodsKnown(const QList<Line>& lines, const QString& number);
    // DAUDZUMS_PARB becomes DAUDZUMS and the invoice is blocked; an invoice already blocked
    // is left as it is.
    void applyCheckedQuantities(int invoice, const QString& number, const QDateTime& received, bool blocked);
    bool transferNote(const QString& number, int from, int to, const QString& vehicle, const QList<Line>& lines,
                      int priceDepartment, const QString& zeroLine);
    bool departmentsKnown(const QString& number, std::optional<int> from, std::optional<int> to);

    ExchangeContext& context_;
    EquinoxBooking booking_;
    int inventorySupplier_;
    int inventoryBuyer_;
};
