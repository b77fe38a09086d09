#pragma once

#include "D365Record.h"

#include <QDate>
#include <QList>
#include <QString>

class D365Connection;
class D365MasterData;
struct ExchangeContext;

// Documents of the service as documents of the goods database: purchase receipts and
// returns, store sales, transfers. Each head carries the service's RecId in D365_ID, which
// keeps a document from being imported twice. A record is read and checked whole before
// anything is written, and stored whole or not at all; a record that cannot be read stops
// the operation (the mark stays), one that the database refuses is logged, the list goes
// on, and the operation ends with -1 so that the mark stays and the next run tries again.
class D365Documents {
public:
    D365Documents(ExchangeContext& context, D365Connection& connection, D365MasterData& masterData);

    // 0 on success, -1 on a logged failure; a record that cannot be read throws D365Error.
    int GetPurchaseOrders();
    int GetStoreSales();
    int GetTransfers();

    // The head note of every imported document.
    static QString note() { return QStringLiteral("D365 imports"); }

private:
    struct Line {
        QString product;
        double qty = 0;
        double salesPrice = 0;  // store sales
        QString certificate;    // transfers
    };
    // The line array, each element checked; members beyond Product and Qty as named.
    static QList<Line> readLines(const D365Record& r, bool salesPrice, bool certificate);

    bool imported(const char* duplicateSql, const QString& recId);
    // A department the register lacks becomes the default row 1, with a line that says so.
    int department(const D365Record& r, const QString& key);
    // A head or line the database refused: the line, and a failed operation at its end.
    void refused(const QString& operation, const QString& what, const QString& error);
    void begin();
    bool allStored() const { return !refused_; }

    ExchangeContext& ctx_;
    D365Connection& connection_;
    D365MasterData& masterData_;
    bool refused_ = false;
};
