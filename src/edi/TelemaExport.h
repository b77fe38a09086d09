#pragma once

#include "TelemaEDocument.h"

#include <QString>
#include <optional>

class SqlQuery;
class TTelemaRest;
struct ExchangeContext;

// Purchase orders to suppliers and issued invoices to customers, sent to Telema as
// E-Documents and marked as sent (FTP_STATUSS 1, FTP_DATUMS) when Telema accepts them. A
// document not accepted stays waiting and is offered again at the next run.
class TelemaExport {
public:
    TelemaExport(ExchangeContext& context, TTelemaRest& rest);

    // Each returns true when every waiting document was accepted or was not to be sent.
    // Database errors while a document is read are thrown.
    bool TelemaExpPurchaseOrders();
    bool TelemaExpOrdersProcess();  // issued invoices

    // The purchase order as it goes out; nullopt when its head reads no row.
    std::optional<TelemaOrderDocument> readPurchaseOrder(int isPasPav);
    // The issued invoice of a row of the invoice selection.
    TelemaInvoiceDocument readInvoice(const SqlQuery& head);

    // Why the last order was not sent, as the window shows it.
    const QString& lastExportMessage() const { return lastExportMessage_; }

    static const char* invoiceSelection();

private:
    enum class Upload { Accepted, NotAccepted, NoToken };
    // Token, then the document posted to "data"; failures are logged with the kind's texts.
    Upload upload(const QString& documentText, const QString& filename, bool invoice);
    bool branchForbids(int isPasPav);
    TelemaCompany company();
    void mark(const char* table, int isn);

    ExchangeContext& ctx_;
    TTelemaRest& rest_;
    QString lastExportMessage_;
};
