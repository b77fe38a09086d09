#pragma once

#include "CatalogueLanguages.h"
#include "WebShopSettings.h"

#include <QSqlDatabase>
#include <QString>
#include <functional>

struct ExchangeContext;
class ShopRowBatch;

// The last two steps of the catalogue export. Filters and attributes: the plain attributes
// of the goods (O_ATRIBUTI.ATRIBUTS_OPCIJA=0) become the products' attribute texts and one
// filter per value, linked to the products and their categories. Options: the variant
// attributes (ATRIBUTS_OPCIJA=1) become options, option values (keyed by the variant good)
// and the products' option values with the variant's stock. What the shop holds is read
// first, so that a row is written only when it is missing and a second run adds nothing.
class CatalogueAttributes {
public:
    struct Goods {
        // The shop product of a good; 0 when the good is not sent in this run (skipped).
        std::function<int(int isPrece, const QString& artikuls7, const QString& wwwAri0)> productOf;
        // The good's stock in the stock departments.
        std::function<double(int isPrece)> stockOf;
    };

    CatalogueAttributes(ExchangeContext& context, const QSqlDatabase& shop, const CatalogueLanguages& languages,
                        const WebShopOptions& options, Goods goods);

    void FiltersAndAttributes();
    void Options();

private:
    void write(ShopRowBatch& rows);

    ExchangeContext& ctx_;
    QSqlDatabase shop_;
    const CatalogueLanguages& languages_;
    const WebShopOptions& options_;
    Goods goods_;
};
