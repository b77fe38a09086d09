#pragma once

#include "EquinoxConnection.h"

class EquinoxXmlFile;
class SqlQuery;
struct ExchangeContext;

// Departments and customers/suppliers to the warehouse as partners: the shops in
// "stores.XML", the warehouses in "ERP.XML", the customers and suppliers with a bank in
// "partners.XML".
class EquinoxSendPartners {
public:
    EquinoxSendPartners(ExchangeContext& context, EquinoxLogin login);

    // False when the settings check stopped it or a file did not arrive.
    bool run();

    // The licence number of a kind ("Alkohola", "Tabakas") in the licence text: from the kind's
    // first mention up to the next ",", trimmed; empty when the kind is not mentioned.
    static QString licenceNumber(const QString& licence, const QString& kind);
    // One partner element from a row of the department or customer data.
    static void writePartner(EquinoxXmlFile& file, const SqlQuery& row, bool department);

private:
    QByteArray departments(const char* listSql);
    QByteArray customers();

    ExchangeContext& context_;
    EquinoxConnection connection_;
};
