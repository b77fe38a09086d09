#pragma once

#include "EdisoftImport.h"

#include <QVector>
#include <optional>

// One received-invoice file of Edisoft into an incoming invoice (O_PAVADZ, O_PRECE): read
// and checked whole, then stored whole or not at all.
class EdisoftReceiptImport {
public:
    EdisoftReceiptImport(ExchangeContext& ctx, const EdisoftOptions& options) : ctx_(ctx), options_(options) {}

    EdisoftResult import(const QString& path);

    struct Line {
        QString description;
        QString unit;
        QString supplierCode;
        QString buyerCode;
        QString ean;
        QString remarks;  // a certificate name
        double taxRate = 0;
        double quantity = 0;
        double netAmount = 0;
        double unitPrice = 0;
    };
    struct Receipt {
        QString number;
        QString comment;
        QString orderNumber;
        QString taxId;
        QString location;
        QDate invoiceDate;
        QDate salesDate;  // the invoice date when the file has none that reads
        QDate dueDate;    // invalid: not given
        QVector<Line> lines;
    };
    // The file's values; nullopt when it can never be imported (the reasons are logged).
    std::optional<Receipt> read(const XmlElementReader& file, const QString& path, EdisoftResult& refused);

private:
    struct Supplier {
        int isn = 0;
        QString name;
        int department = 0;
        bool unitPrices = false;  // FTP_DATI_IEP_C 'T': the file's unit prices are the prices
        int supplierColumn = 0;   // FTP_ARTIKULS2
        int buyerColumn = 0;      // FTP_ARTIKULS3
    };
    Supplier supplier(const QString& taxId);
    int certificate(const QString& name);
    EdisoftResult store(const Receipt& r, const QString& path);

    ExchangeContext& ctx_;
    const EdisoftOptions& options_;
};
