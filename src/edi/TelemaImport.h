#pragma once

#include "TelemaDocumentReader.h"
#include "TelemaReceived.h"

#include <QList>
#include <optional>

class TTelemaRest;
struct ExchangeContext;

// Received invoices and customer orders from Telema's "data" list, stored as incoming
// invoices (O_PAVADZ/O_PRECE) and orders (O_PASPAV/O_PASPRC) and acknowledged.
//
// Each document is read and checked whole, then stored whole or not at all, and acknowledged
// only once stored. A document that cannot be read or stored is logged with its Telema id
// and left unacknowledged, so Telema offers it again; the documents after it still come in.
// A document already stored (its acknowledgement was lost) is not stored again, only
// acknowledged.
class TelemaImport {
public:
    TelemaImport(ExchangeContext& context, TTelemaRest& rest);

    // True when every document of the kind was stored (or found stored) and acknowledged.
    bool TelemaImportInvoices();
    bool TelemaImportOrders();

    static QString entryCode() { return QStringLiteral("IMPORTS NO TELEMA-REST"); }

private:
    enum class Kind { Invoice, Order };
    enum class Stored { Stored, AlreadyStored, NotStored };

    // Token and data request; nullopt after the failure has been logged.
    std::optional<QList<TelemaReceivedDocument>> fetch(Kind kind);
    bool importAll(Kind kind);
    Stored storeInvoice(const TelemaReceivedDocument& received, const TelemaInvoice& d);
    Stored storeOrder(const TelemaReceivedDocument& received, const TelemaOrder& d);
    bool acknowledge(const TelemaReceivedDocument& received, Kind kind);
    void refuse(const TelemaReceivedDocument& received, const QString& reason);

    struct Supplier {
        int isn = 0;
        QString gnos;
        int ftpIsNodala = 0;
        int articleColumn = 0;  // FTP_ARTIKULS3: where the supplier's own codes are kept
    };
    Supplier findSupplier(const QString& regNum);
    Supplier createSupplier(const TelemaInvoice& d);
    int department(const TelemaInvoice& d, const Supplier& supplier, QString* name);

    ExchangeContext& ctx_;
    TTelemaRest& rest_;
};
