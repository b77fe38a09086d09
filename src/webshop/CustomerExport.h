#pragma once

#include "WebShopSettings.h"

#include <QList>
#include <QSet>
#include <QString>
#include <memory>

struct ExchangeContext;
class SqlQuery;
class WebShopConnection;

// The customer export (SendKlientiOC_3): after the customer import, every web customer of
// the goods database that the shop does not know by e-mail becomes a shop customer with its
// own customer group and one address per branch.
class CustomerExport {
public:
    CustomerExport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings);
    ~CustomerExport();

    void run();

    // Last name and first name from a customer's name: split at its first blank.
    static QPair<QString, QString> namesFromGnos(const QString& gnos);

private:
    struct Branch {
        QString gnos, firstName, lastName, adrese, contact, telephone, fax, email;
        int zoneId = 0;
    };
    void exportCustomer(const SqlQuery& k, const QList<Branch>& branches);
    struct Statements;
    int nextId(SqlQuery& q, int atLeast);
    bool insertOrReport(SqlQuery& q, const QString& table);

    ExchangeContext& ctx_;
    WebShopConnection& shop_;
    const ShopSettings& settings_;
    QSet<QString> shopEmails_;  // e-mail keys of the shop's customers
    QList<int> languages_;
    bool hasApproved_ = false;
    std::unique_ptr<Statements> q_;  // the shop statements of one run, each prepared once
};
