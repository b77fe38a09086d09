#pragma once

#include "WebShopSettings.h"

#include <QList>
#include <QString>

struct ExchangeContext;
class SqlQuery;
class WebShopConnection;

// The stock job of SendAtlikumi: the goods database's current stock of the stock
// departments goes into the shop's product quantities and variant option values, and,
// with a stock option configured, into one option value per department.
class StockExport {
public:
    StockExport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                const WebShopOptions& options);

    void run();

    // The department keys of E_SHOP_ISNODALA; false when the text holds anything else.
    static bool parseDepartments(const QString& text, QList<int>& keys);

private:
    void productTotals();
    void departmentStock();
    // "IN (:NOD0, :NOD1, ...)" list with the keys bound by name, never pasted in.
    QString departmentList() const;
    void bindDepartments(SqlQuery& q) const;

    ExchangeContext& ctx_;
    WebShopConnection& shop_;
    const ShopSettings& settings_;
    const WebShopOptions& options_;
    QList<int> departments_;
};
