#pragma once

#include "db/O_parcpvtable.h"

#include <QList>
#include <QString>

struct ExchangeContext;

// The register's price machinery behind an imported price: price formulas, the levels
// computed from them, markups, and the price-change notes of the departments that sell at
// a changed level.
class D365PriceLevels {
public:
    // Rounding mode 0 rounds to this many decimals.
    static constexpr int kDefaultDecimals = 2;

    explicit D365PriceLevels(ExchangeContext& context);

    // The value of a formula for a product; 0 when it yields nothing. A formula that cannot
    // be evaluated (a division by zero included) also gives 0 and shows its message.
    double EvaluatePriceFormula(const QString& formula, int isn);

    // Stores the levels from..to whose formulas give a price (or hold <NULL>), rounded by
    // each level's mode; skip holds levels just set from outside, which keep their price.
    // withNew also recomputes the new levels NEWCENAi from their formulas.
    void RecalcPriceLevels(int isn, int from, int to, const QList<int>& skip = {}, bool withNew = false);

    // Markup of a level over the net purchase price; stored only when there is a net price.
    static double markup(double price, double vat, double netPrice);
    void UpdateMarkup(int isn, int level);

    // After level n of a product changed from oldPrice to newPrice: the dependent levels
    // (except those in setLevels), the markup of n, and a price-change line for every
    // department selling at n that carries the product (assortment or stock). False when a
    // note head or line could not be written (ErrorText says why); database errors throw.
    bool PropagatePriceLevel(int isn, int level, const QString& label, double oldPrice, double newPrice,
                             const QList<int>& setLevels);

    QString ErrorText;

private:
    int noteHead(int isNodala, const QString& label);

    ExchangeContext& ctx_;
    TO_parcpvTable notes_;
};
