#pragma once

#include "WebCustomerIndex.h"
#include "WebShopSettings.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <memory>

struct ExchangeContext;
class ColumnWidths;
class SqlQuery;
class TO_paspavTable;
class WebShopConnection;

// The order import (ReceiveOrdersOC_3): the shop's new orders (status 1) become customer
// orders (O_PASPAV/O_PASPRC) with their shipping, commission, coupon and goods lines and an
// advance payment; each order is stored whole or not at all, and only then moves to status 2.
// Orders whose customer order has been shipped then get the shop's completed status.
class OrderImport {
public:
    OrderImport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                const WebShopOptions& options);
    ~OrderImport();

    void run();

    // One ordered product with every option it was ordered with.
    struct Line {
        int orderProductId = 0;
        int productId = 0;
        double quantity = 0;
        double price = 0;
        QString model;
        QList<int> optionValues;  // option_value_id of its options that are product option values
        QStringList optionTexts;  // the texts of all its options
    };
    struct Total {
        bool present = false;
        QString title;
        double value = 0;
    };
    struct ShopOrder {
        int orderId = 0;
        int customerId = 0;
        QString street, city, country, postcode, paymentCode, comment, shippingCode, email, firstName, lastName;
        QList<Line> lines;
        Total shipping;
        Total commission;
        QString parcelTerminal;
        QList<QPair<QString, double>> coupons;  // code, amount
        int paymentType = 0;
        bool advancePayment = false;
        double total = 0;
    };

private:
    int completedStatus();
    static ShopOrder fromQ1(const SqlQuery& q1);
    void readDetails(const QList<ShopOrder*>& chunk);
    // False when the shop is gone and the run must end.
    bool importOrder(ShopOrder& o, bool stored, bool detailsRead);
    void store(ShopOrder& o);
    void extraLine(TO_paspavTable& t, const Total& total, const QString& code, const QString& terminal);
    void couponLine(TO_paspavTable& t, const QString& code, double amount);
    void goodsLine(TO_paspavTable& t, const Line& l);
    int department(const ShopOrder& o, int branchDepartment);
    void advancePayment(TO_paspavTable& t, const ShopOrder& o);
    void moveStatus(int orderId, int status);
    void complete(int status);
    void orderFailed(const QString& error);

    ExchangeContext& ctx_;
    WebShopConnection& shop_;
    const ShopSettings& settings_;
    const WebShopOptions& options_;
    WebCustomerIndex customers_;
    std::unique_ptr<ColumnWidths> headWidths_;
    std::unique_ptr<SqlQuery> q5_;  // prepared once per run
};
