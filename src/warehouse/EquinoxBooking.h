#pragma once

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

struct ExchangeContext;
class TO_parpavTable;
class TO_prcoutTable;
class TO_preceTable;

// What the import's documents share: the entry code, the last incoming price, the deposit
// packaging that goes with goods, vehicles, and the checks of department and goods keys.
class EquinoxBooking {
public:
    explicit EquinoxBooking(ExchangeContext& context) : context_(context) {}

    static QString entryCode() { return QStringLiteral("EQUINOX imports"); }
    // "ERP_12" is department 12; anything else is not a department.
    static std::optional<int> department(const QString& code);

    bool departmentExists(int key);
    bool goodsExists(int key);

    // The price of the goods' most recent receipt into the department on or before the day, or
    // of a later transfer into it; else the goods' NEWIEPCENA. The department's price level
    // (CENKODS) above 0 takes the price after the invoice discount, CENA*(1+ATLAIDE/100).
    double lastIncomingPrice(int goods, const QDate& date, int department);

    // The vehicle named by the text (cut to 100), made when missing; 0 for an empty text.
    int vehicle(const QString& text);

    // A line and the deposit packaging its goods bring (quantity × DEPOZITATARADAUDZUMS of the
    // ISDEPOZITATARA goods): the packaging raises the document's line for it, moving the stock
    // by what was added, or gets a line of its own. Both at the last incoming price of the
    // price department. False when an insert failed (already reported by the document class).
    bool transferLine(TO_parpavTable& note, int goods, double quantity, int priceDepartment);
    bool incomingLine(TO_preceTable& invoice, int goods, double quantity, int priceDepartment);
    bool outgoingLine(TO_prcoutTable& invoice, int goods, double quantity, int priceDepartment);

private:
    struct Sink {
        int head;
        QDate date;
        const char* existingSql;  // :HEAD, :ISPRECE -> ISN, DAUDZUMS
        const char* updateSql;    // :DAUDZUMS, :ISN
        std::function<bool(int goods, double quantity, double price)> insert;
        std::function<void(int goods, double added)> stock;
    };
    bool addLine(const Sink& sink, int goods, double quantity, int priceDepartment);

    ExchangeContext& context_;
};
