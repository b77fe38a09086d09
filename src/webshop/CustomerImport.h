#pragma once

#include "WebShopSettings.h"

#include <QHash>
#include <QList>
#include <QString>
#include <memory>

struct ExchangeContext;
class ColumnWidths;
class SqlQuery;
class WebCustomerIndex;
class WebShopConnection;
class ZoneDepartments;

// The customer import (ReceiveKlientiOC_3): every shop customer and every guest of a new
// order not yet known by e-mail becomes a customer (N_KLIENT) of the goods database, and each
// of its addresses a delivery branch (N_KL_STRV). Known ones are left as they are, so a
// rerun adds nothing.
class CustomerImport {
public:
    CustomerImport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                   WebCustomerIndex& index);
    ~CustomerImport();

    // False when the shop could not be reached; a candidate that fails is logged and skipped.
    bool run();

    struct Address {
        QString firstName, lastName, street, street2, company, postcode, city;
        int countryId = 0;
        int zoneId = 0;
    };
    struct Candidate {
        QString firstName, lastName, email, telephone, fax, password, salt, customField;
        int addressId = 0;
        int customerId = 0;
        int orderId = 0;
    };

private:
    struct Country {
        QString name;
        QString isoCode2;
    };
    bool readAddresses(const Candidate& c, QList<Address>& out);
    const Country& country(int countryId);
    int insertCustomer(const Candidate& c, const Address& first);
    void insertBranch(const Candidate& c, int isKlient, const Address& a);
    QString customerName(const Candidate& c, const Address& a) const;
    void failed(const QString& prefix, const QString& error);

    ExchangeContext& ctx_;
    WebShopConnection& shop_;
    const ShopSettings& settings_;
    WebCustomerIndex& index_;
    QHash<int, QList<Address>> addresses_;  // registered customers' addresses, by customer_id
    QHash<int, Country> countries_;
    std::unique_ptr<SqlQuery> guestAddress_;
    const ColumnWidths* klient_ = nullptr;
    const ColumnWidths* strv_ = nullptr;
    const ZoneDepartments* zones_ = nullptr;
};
