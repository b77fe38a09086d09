#pragma once

#include "D365Record.h"

#include <QJsonArray>
#include "db/FbDatabase.h"
#include <QString>
#include <QVariant>

class D365Connection;
struct ExchangeContext;

// The registers that D365 keeps: vendors and customers (N_KLIENT), categories (N_PRGRUP),
// products (N_KLPREC), the assortment of each department (O_SORTIMENTS) and the vendors'
// order schedules (N_KLPASGRAF). Every record is committed on its own, so a failure in
// the middle of a list keeps what came before it; the statements match on the service's
// identifiers, so a rerun of the same period rewrites the same rows.
class D365MasterData {
public:
    D365MasterData(ExchangeContext& context, D365Connection& connection);

    // 0 on success, -1 on a logged failure; a record that cannot be imported throws.
    int GetK42Vendors();
    int GetK42Customers();
    int GetCategories();
    int GetK42Products();
    // The product write, for the benchmark's floor.
    static const char* productStatement();
    // GetCatSort, then GetItemSort: one operation, one mark.
    int GetCatSort();
    int GetVENDGR();

    // Look-ups, also for the other D365 units.
    int bankIsn(const QString& name, const QString& swift);      // created when missing
    int certificateIsn(const QString& name);                     // created when missing
    int clientIsnByCode(const QString& code);                    // client or its branch; 0 when neither

    // "County,City,State,Street,ZipCode" without the empty parts.
    static QString addressText(const D365Record& address);
    // "County,City,State,Street,ZipCode|" per address, empty parts left out.
    static QString addressList(const QJsonArray& addresses, const QString& where);
    struct OtherCodes {
        QString artikuls2, artikuls3, artikuls4, artikuliN;
    };
    // ItemBarCodeOther "A;B;C;D;E": A, B and C (each cut to 13 characters) and "D;E".
    static OtherCodes splitOtherCodes(const QString& itemBarCodeOther);
    // OrderRegularity and DeliveryRegularityInStore: 0..7, unknown texts 0.
    static int regularityCode(const QString& text);

private:
    FbDatabase& db() const;
    void commit();
    int isnOf(const QString& sql, const QString& name, const QString& value);

    ExchangeContext& ctx_;
    D365Connection& connection_;
};
