#pragma once

#include "EquinoxConnection.h"

struct ExchangeContext;

// Today's unsent orders that involve a warehouse, as the warehouse's inbound orders
// (purchases, returns from shops) and outbound orders (sales, transfers) in two files.
// An order is marked sent only once the file holding it arrived.
class EquinoxSendOrders {
public:
    EquinoxSendOrders(ExchangeContext& context, EquinoxLogin login);

    // False when the settings check stopped it or a file did not arrive.
    bool run();

private:
    ExchangeContext& context_;
    EquinoxConnection connection_;
};
