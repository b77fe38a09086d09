#pragma once

#include "EdisoftImport.h"

#include <QVector>
#include <optional>

// One order file of Edisoft into a customer order (O_PASPAV, O_PASPRC): read and checked
// whole, then stored whole or not at all.
class EdisoftOrderImport {
public:
    EdisoftOrderImport(ExchangeContext& ctx, const EdisoftOptions& options) : ctx_(ctx), options_(options) {}

    EdisoftResult import(const QString& path);

    struct Line {
        QString ean;
        double quantity = 0;   // ordered units times the pack size
        double netAmount = 0;
    };
    struct Order {
        QString number;
        QString iln;          // the delivery point: the customer's recognition code
        QDate date;           // the order date, or the delivery date when the settings ask
        QDate deliveryDate;   // invalid: not given
        QVector<Line> lines;
    };
    // The file's values; nullopt when it can never be imported (the reasons are logged).
    std::optional<Order> read(const XmlElementReader& file, const QString& path, EdisoftResult& refused);

private:
    EdisoftResult store(const Order& o, const QString& path);

    ExchangeContext& ctx_;
    const EdisoftOptions& options_;
};
