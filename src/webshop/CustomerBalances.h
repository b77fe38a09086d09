#pragma once

#include "WebShopSettings.h"

#include <QString>

struct ExchangeContext;
class WebShopConnection;

// The balances job of SendPZVesture: every web customer's balance in the goods database
// becomes its one "Atlikums" transaction in the shop (debt negative, credit positive), and
// every other transaction of that customer leaves the shop.
class CustomerBalances {
public:
    CustomerBalances(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings);

    void run();

    // The shop customer_id that an IDKODS of digits names; 0 when it names none: a guest's
    // "0", or a number too large for the shop's key.
    static int shopCustomerId(const QString& idKods);

private:
    ExchangeContext& ctx_;
    WebShopConnection& shop_;
    const ShopSettings& settings_;
};
