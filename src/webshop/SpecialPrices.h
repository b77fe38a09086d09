#pragma once

#include "ReducedPriceInstallations.h"
#include "WebShopSettings.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>
#include <QVector>

struct ExchangeContext;
class SqlQuery;
class WebShopConnection;

// The special prices of the lists entry: rebuilds the shop's product_special from the goods
// database on every run. New and sale goods, the order department's specials and the reduced
// price column go to every shopper (group 1) and to every web customer's own group; a web
// customer's own special prices and goods-group prices go to that customer's group only.
// Everything is read and priced first; the old rows are then replaced in one shop
// transaction, so a failure leaves the shop's specials as they were.
class SpecialPrices {
public:
    SpecialPrices(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                  QStringList reducedPriceRegistrations = ReducedPriceInstallations::registrations);

    void run();

    // OpenCart takes the lowest number: own price, then goods-group price, both before the
    // sale, the new-goods price and the reduced column.
    enum Priority { Customer = 1, GoodsGroup = 2, Sale = 3, New = 888, Reduced = 999 };
    static constexpr int BatchSize = 500;

    struct Row {
        int productId;
        int group;
        double price;
        QDate start;
        QDate end;
        int priority;
    };

private:
    void readRunMark();
    void writeRunMark();
    void refreshWebIds();
    void readWebGroups();
    QString priceColumn();
    void newAndSale(const QString& priceColumn);
    void reducedColumn(const QString& priceColumn);
    void customerPrices();
    void goodsGroupPrices();
    // One row for group 1 and one for every web group; a price not above 0 gives none.
    void addForEveryShopper(int productId, double price, const QDate& end, int priority);
    void add(int productId, int group, double price, const QDate& start, const QDate& end, int priority);
    void write();
    void insertBatch(const QSqlDatabase& shop, int firstId, int from, int count);
    // The rows of a customer's special or goods-group price statement, with the progress lines.
    void addPriced(SqlQuery& q, const QString& progress, int priority, const QHash<int, double>* departmentDiscount);

    ExchangeContext& ctx_;
    WebShopConnection& shop_;
    const ShopSettings& settings_;
    QStringList reducedPriceRegistrations_;
    QDate today_;
    QList<int> webGroups_;
    QVector<Row> rows_;
};
