#pragma once

#include "EdisoftImport.h"

#include <QDateTime>
#include <QVector>

// One order status message file of Edisoft: the status time of each "ORDER" block goes to
// FTP_DATUMS of the order with that number and date. Block n is made of the n-th occurrence
// of each element; the first empty document-type ends the file.
class EdisoftStatusImport {
public:
    explicit EdisoftStatusImport(ExchangeContext& ctx) : ctx_(ctx) {}

    EdisoftResult import(const QString& path);

    struct Status {
        QString number;
        QDate date;
        QDateTime statusTime;
    };
    // The blocks that update an order; the others are logged as they are read.
    QVector<Status> read(const XmlElementReader& file, const QString& path);

private:
    ExchangeContext& ctx_;
};
