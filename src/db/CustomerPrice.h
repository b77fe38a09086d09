#pragma once

#include <QDateTime>

class TMainFormDati;

// Where a customer price came from.
enum class PriceSource {
    NoGoods,            // the goods row does not exist: price and discount 0
    PriceLevel,         // the customer's or department's price level, no discount
    GroupDiscount,      // price level with the discount of the customer's discount group
    PermanentDiscount,  // price level with the goods' permanent discount
    SpecialPrice,       // the customer's special price for the goods (O_SPECCENAS), undated
    DatedSpecialPrice,  // ... dated around the order date
    GroupPrice,         // the customer's price for the goods group (O_CENASPRGRUPAS), undated
    DatedGroupPrice,    // ... dated around the order date
    MinimumPrice,       // the goods' minimum price, because the others came out below it
};

struct TCustomerPrice {
    double CENA = 0;     // price of an order line: without VAT when the register's prices include it
    double ATLAIDE = 0;  // percent; negative for a discount, as order lines store it
    int level = 1;       // the price level the price was taken from
    PriceSource source = PriceSource::NoGoods;
};

// The price and discount of goods for a customer buying from a department on a date.
// Throws DbError when the database cannot be read.
TCustomerPrice GetCustomerPrice(TMainFormDati& dati, int isPrece, int isKlient, int isNodala, const QDateTime& datums);
