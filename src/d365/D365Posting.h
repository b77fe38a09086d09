#pragma once

#include <QString>

class D365Connection;
class SqlQuery;
struct ExchangeContext;

// The clients whose documents are inventory corrections ([D365], read at start-up).
struct D365InventoryClients {
    int InventPiegadatajs = 0;  // surplus: incoming invoices from this "supplier"
    int InventPircejs = 0;      // shortage: outgoing invoices to this "buyer"
};

// Sends the goods database's finished documents to D365, one request per document, and
// marks each one the service accepted so that it is never sent again and can no longer
// be edited. Whatever happens to single documents, an operation gets through its list and
// returns 0; only an error outside them (the head selection failing) leaves it as an
// exception, for the run's own message.
class D365Posting {
public:
    D365Posting(ExchangeContext& context, D365Connection& connection);

    void setInventoryClients(const D365InventoryClients& clients) { inventory_ = clients; }
    const D365InventoryClients& inventoryClients() const { return inventory_; }

    int PostSAN();   // incoming invoices (receipts)
    int PostIZR();   // outgoing invoices
    int PostPAR();   // transfers between departments
    int PostPAS();   // orders to suppliers
    int PostATGR();  // returns
    int PostINV();   // inventory corrections: surplus receipts first, then shortages

private:
    // One kind of document: its selections, its members and its mark.
    struct Operation;

    int post(const Operation& operation);
    // The inner text of one document; false when it must not go (no lines, or a line
    // without a product code, each such line logged).
    bool prepare(const Operation& operation, const SqlQuery& head, SqlQuery& lines, QString& inner);
    void markSent(const Operation& operation, const SqlQuery& head, SqlQuery& mark, const QString& number);

    ExchangeContext& ctx_;
    D365Connection& connection_;
    D365InventoryClients inventory_;
};
