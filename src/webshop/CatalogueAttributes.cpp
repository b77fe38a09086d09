#include "CatalogueAttributes.h"

#include "CatalogueText.h"
#include "ShopRowBatch.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

#include <QHash>
#include <QSet>
#include <cmath>

using namespace CatalogueText;

namespace {

qint64 pack(int a, int b)
{
    return (qint64(a) << 32) | quint32(b);
}

// The attribute rows of the goods sent to the shop, plain (0) or variant options (1).
QString attributeRows(int opcija, const QString& extraColumns)
{
    return QStringLiteral("SELECT O_ATRIBUTI.GRUPAS_ID, O_ATRIBUTI.VERTIBA, O_ATRIBUTI.VERTIBA2, O_ATRIBUTI.VERTIBA3, "
                          "O_ATRIBUTI.VERTIBA4, O_ATRIBUTI.VERTIBA5, N_KLPREC.ISN ISPRECE, N_KLPREC.ARTIKULS7, "
                          "N_KLPREC.ISPRGRUPA, N_KLPREC.ISPRGRUPAVEL, N_KLPREC.WWW_ARI0")
        + extraColumns
        + QStringLiteral(" FROM N_KLPREC, N_PRGRUP, O_ATRIBUTI WHERE O_ATRIBUTI.ISPRECE = N_KLPREC.ISN AND "
                         "N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND ")
        + sendableGoods() + QStringLiteral(" AND O_ATRIBUTI.ATRIBUTS_OPCIJA=%1 ORDER BY N_KLPREC.ISN, O_ATRIBUTI.ISN").arg(opcija);
}

const QStringList kValueColumns = {QStringLiteral("VERTIBA"), QStringLiteral("VERTIBA2"), QStringLiteral("VERTIBA3"),
                                   QStringLiteral("VERTIBA4"), QStringLiteral("VERTIBA5")};
constexpr int kFilterNameLength = 64;
constexpr int kOptionNameLength = 128;

}  // namespace

CatalogueAttributes::CatalogueAttributes(ExchangeContext& context, const QSqlDatabase& shop, const CatalogueLanguages& languages,
                                         const WebShopOptions& options, Goods goods)
    : ctx_(context), shop_(shop), languages_(languages), options_(options), goods_(std::move(goods))
{
}

void CatalogueAttributes::write(ShopRowBatch& rows)
{
    ShopRowBatch::Reporting reporting;
    const QString table = rows.table();
    const bool shown = table == QLatin1String("option_value_description");
    reporting.rowFailed = [this, table, shown](const QString& error, const QVariantList& row) {
        QStringList key;
        for (int i = 0; i < std::min<qsizetype>(2, row.size()); ++i)
            key << row.at(i).toString();
        const QString line = shown ? QStringLiteral("Kļūda ievietojot tabulā option_value_description (2) \n ") + error
                                   : QStringLiteral("WWW Kļūda ievietojot tabulā %1 : %2 (%3)").arg(table, error, key.join(QLatin1Char(',')));
        if (shown)
            ctx_.dialogs.showMessage(line);
        else
            ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
    };
    rows.write(shop_, reporting);
}

void CatalogueAttributes::FiltersAndAttributes()
{
    ctx_.log.WriteLog(QStringLiteral("WWW Sūtu preču filtrus un atribūtus "));
    // Attribute texts and filter names are per language; a filter without a name could not
    // be found again, and the next run would make it anew.
    if (languages_.count() == 0)
        return;

    // What the shop holds already.
    QSet<QPair<qint64, int>> attributes;  // (product, attribute), language
    {
        SqlQuery q(shop_, QStringLiteral("SELECT product_id, attribute_id, language_id FROM product_attribute"));
        q.open();
        for (; !q.eof(); q.next())
            attributes.insert({pack(q.asInt(QStringLiteral("product_id")), q.asInt(QStringLiteral("attribute_id"))),
                               q.asInt(QStringLiteral("language_id"))});
    }
    QHash<QPair<int, QString>, int> filters;  // (filter group, name) -> filter_id
    int lastFilter = 0;
    {
        SqlQuery q(shop_, QStringLiteral("SELECT filter_id, filter_group_id, name FROM filter_description ORDER BY filter_id"));
        q.open();
        for (; !q.eof(); q.next()) {
            const int id = q.asInt(QStringLiteral("filter_id"));
            filters.insert({q.asInt(QStringLiteral("filter_group_id")), collationKey(q.asString(QStringLiteral("name")))}, id);
            lastFilter = std::max(lastFilter, id);
        }
        SqlQuery m(shop_, QStringLiteral("SELECT MAX(filter_id) FROM filter"));
        m.open();
        lastFilter = std::max(lastFilter, m.value(0).toInt());
    }
    QSet<qint64> categoryFilters;
    QSet<qint64> productFilters;
    {
        SqlQuery c(shop_, QStringLiteral("SELECT category_id, filter_id FROM category_filter"));
        c.open();
        for (; !c.eof(); c.next())
            categoryFilters.insert(pack(c.asInt(QStringLiteral("category_id")), c.asInt(QStringLiteral("filter_id"))));
        SqlQuery p(shop_, QStringLiteral("SELECT product_id, filter_id FROM product_filter"));
        p.open();
        for (; !p.eof(); p.next())
            productFilters.insert(pack(p.asInt(QStringLiteral("product_id")), p.asInt(QStringLiteral("filter_id"))));
    }

    ShopRowBatch filterRows(QStringLiteral("filter"),
                            {QStringLiteral("filter_id"), QStringLiteral("filter_group_id"), QStringLiteral("sort_order")});
    ShopRowBatch filterNames(QStringLiteral("filter_description"), {QStringLiteral("filter_id"), QStringLiteral("language_id"),
                                                                    QStringLiteral("filter_group_id"), QStringLiteral("name")});
    ShopRowBatch categoryRows(QStringLiteral("category_filter"), {QStringLiteral("category_id"), QStringLiteral("filter_id")});
    ShopRowBatch productRows(QStringLiteral("product_filter"), {QStringLiteral("product_id"), QStringLiteral("filter_id")});
    ShopRowBatch attributeTexts(QStringLiteral("product_attribute"), {QStringLiteral("product_id"), QStringLiteral("attribute_id"),
                                                                      QStringLiteral("language_id"), QStringLiteral("text")});

    // The values of a product's attribute, in order: with grouping, those of all its goods.
    QHash<qint64, QStringList> texts;
    QList<qint64> textOrder;
    SqlQuery g(ctx_.dati.PRECES_DB(), attributeRows(0, {}));
    g.open();
    for (; !g.eof(); g.next()) {
        if (g.isNull(QStringLiteral("GRUPAS_ID")))
            continue;
        const int product = goods_.productOf(g.asInt(QStringLiteral("ISPRECE")), g.asString(QStringLiteral("ARTIKULS7")),
                                             g.asString(QStringLiteral("WWW_ARI0")));
        if (product == 0)
            continue;
        const int attribute = g.asInt(QStringLiteral("GRUPAS_ID"));
        const qint64 key = pack(product, attribute);
        if (!texts.contains(key))
            textOrder << key;
        QStringList& text = texts[key];
        const int mainGroup = g.asInt(QStringLiteral("ISPRGRUPA"));
        QList<int> categories = extraGroups(g.asString(QStringLiteral("ISPRGRUPAVEL")), mainGroup);
        if (mainGroup > 0)
            categories.prepend(mainGroup);
        for (const QString& column : kValueColumns) {
            const QString value = g.asString(column);
            if (value.trimmed().isEmpty())
                continue;
            if (!text.contains(value))
                text << value;
            const QString name = columnText(value, kFilterNameLength);
            const QPair<int, QString> filterKey{attribute, collationKey(name)};
            int filter = filters.value(filterKey);
            if (filter == 0) {
                filter = ++lastFilter;
                filters.insert(filterKey, filter);
                filterRows.add({filter, attribute, 0});
                for (int language : languages_.ids())
                    filterNames.add({filter, language, attribute, name});
            }
            for (int category : std::as_const(categories)) {
                if (!categoryFilters.contains(pack(category, filter))) {
                    categoryFilters.insert(pack(category, filter));
                    categoryRows.add({category, filter});
                }
            }
            if (!productFilters.contains(pack(product, filter))) {
                productFilters.insert(pack(product, filter));
                productRows.add({product, filter});
            }
        }
    }
    for (qint64 key : std::as_const(textOrder)) {
        const QString text = texts.value(key).join(QStringLiteral(", "));
        for (int language : languages_.ids()) {
            if (attributes.contains({key, language}))
                continue;
            attributes.insert({key, language});
            attributeTexts.add({int(key >> 32), int(key & 0xffffffff), language, text});
        }
    }
    for (ShopRowBatch* rows : {&filterRows, &filterNames, &categoryRows, &productRows, &attributeTexts})
        write(*rows);
}

void CatalogueAttributes::Options()
{
    ctx_.log.WriteLog(QStringLiteral("WWW Sūtu preču opcijas "));

    QSet<int> options;
    QSet<qint64> optionNames;                    // (option, language)
    QHash<int, int> values;                      // option_value_id -> option_id
    QHash<qint64, QPair<int, QString>> valueNames;  // (value, language) -> option_id, name
    {
        SqlQuery o(shop_, QStringLiteral("SELECT option_id FROM `option`"));
        o.open();
        for (; !o.eof(); o.next())
            options.insert(o.asInt(QStringLiteral("option_id")));
        SqlQuery d(shop_, QStringLiteral("SELECT option_id, language_id FROM option_description"));
        d.open();
        for (; !d.eof(); d.next())
            optionNames.insert(pack(d.asInt(QStringLiteral("option_id")), d.asInt(QStringLiteral("language_id"))));
        SqlQuery v(shop_, QStringLiteral("SELECT option_value_id, option_id FROM option_value"));
        v.open();
        for (; !v.eof(); v.next())
            values.insert(v.asInt(QStringLiteral("option_value_id")), v.asInt(QStringLiteral("option_id")));
        SqlQuery n(shop_, QStringLiteral("SELECT option_value_id, language_id, option_id, name FROM option_value_description"));
        n.open();
        for (; !n.eof(); n.next())
            valueNames.insert(pack(n.asInt(QStringLiteral("option_value_id")), n.asInt(QStringLiteral("language_id"))),
                              {n.asInt(QStringLiteral("option_id")), n.asString(QStringLiteral("name"))});
    }
    auto loadProductOptions = [this] {
        QHash<qint64, int> ids;  // (product, option) -> product_option_id, the first one
        SqlQuery q(shop_, QStringLiteral("SELECT product_option_id, product_id, option_id FROM product_option ORDER BY product_option_id"));
        q.open();
        for (; !q.eof(); q.next()) {
            const qint64 key = pack(q.asInt(QStringLiteral("product_id")), q.asInt(QStringLiteral("option_id")));
            if (!ids.contains(key))
                ids.insert(key, q.asInt(QStringLiteral("product_option_id")));
        }
        return ids;
    };
    QHash<qint64, int> productOptions = loadProductOptions();

    ShopRowBatch optionRows(QStringLiteral("option"), {QStringLiteral("option_id"), QStringLiteral("type"), QStringLiteral("sort_order")});
    ShopRowBatch optionNameRows(QStringLiteral("option_description"),
                                {QStringLiteral("option_id"), QStringLiteral("language_id"), QStringLiteral("name")});
    ShopRowBatch valueRows(QStringLiteral("option_value"), {QStringLiteral("option_value_id"), QStringLiteral("option_id"),
                                                            QStringLiteral("sort_order"), QStringLiteral("image")});
    ShopRowBatch valueNameRows(QStringLiteral("option_value_description"), {QStringLiteral("option_value_id"), QStringLiteral("language_id"),
                                                                            QStringLiteral("option_id"), QStringLiteral("name")});
    ShopRowBatch productOptionRows(QStringLiteral("product_option"), {QStringLiteral("product_id"), QStringLiteral("option_id"),
                                                                      QStringLiteral("value"), QStringLiteral("required")});
    SqlQuery renameValue(shop_, QStringLiteral("UPDATE option_value_description SET name=:name, option_id=:option_id "
                                               "WHERE option_value_id=:option_value_id and language_id=:language_id"));

    struct Link {
        int product;
        int option;
        int variant;
        double quantity;
    };
    QList<Link> links;
    SqlQuery g(ctx_.dati.PRECES_DB(), attributeRows(1, QStringLiteral(", O_ATRIBUTI.GNOS OPCIJAS_NAME, O_ATRIBUTI.OBLIGATS")));
    g.open();
    for (; !g.eof(); g.next()) {
        const QString valueText = g.asString(QStringLiteral("VERTIBA"));
        if (g.isNull(QStringLiteral("GRUPAS_ID")) || valueText.trimmed().isEmpty())
            continue;  // nothing a shopper could choose
        const int variant = g.asInt(QStringLiteral("ISPRECE"));
        const int product = goods_.productOf(variant, g.asString(QStringLiteral("ARTIKULS7")), g.asString(QStringLiteral("WWW_ARI0")));
        if (product == 0)
            continue;
        const int option = g.asInt(QStringLiteral("GRUPAS_ID"));
        if (!options.contains(option)) {
            // Without its `option` row the shop shows no option at all.
            options.insert(option);
            optionRows.add({option, QStringLiteral("select"), 0});
        }
        const QString optionName = columnText(g.asString(QStringLiteral("OPCIJAS_NAME")), kOptionNameLength);
        for (int language : languages_.ids()) {
            if (!optionNames.contains(pack(option, language))) {
                optionNames.insert(pack(option, language));
                optionNameRows.add({option, language, optionName});
            }
        }
        const QString valueName = columnText(valueText, kOptionNameLength);
        if (!values.contains(variant)) {
            values.insert(variant, option);
            valueRows.add({variant, option, 0, QString()});
        }
        for (int language : languages_.ids()) {
            const qint64 key = pack(variant, language);
            const auto it = valueNames.constFind(key);
            if (it == valueNames.constEnd()) {
                valueNameRows.add({variant, language, option, valueName});
            } else if (it->first != option || it->second != valueName) {
                renameValue.bind(QStringLiteral("name"), valueName).bind(QStringLiteral("option_id"), option);
                renameValue.bind(QStringLiteral("option_value_id"), variant).bind(QStringLiteral("language_id"), language);
                renameValue.exec();
            }
            valueNames.insert(key, {option, valueName});
        }
        const qint64 productOption = pack(product, option);
        if (!productOptions.contains(productOption)) {
            productOptions.insert(productOption, 0);
            productOptionRows.add({product, option, QString(), g.asInt(QStringLiteral("OBLIGATS"))});
        }
        double quantity = goods_.stockOf(variant);
        if (options_.chkAtlik1UnVairak && quantity <= 1)
            quantity = 1;
        links << Link{product, option, variant, quantity};
    }
    for (ShopRowBatch* rows : {&optionRows, &optionNameRows, &valueRows, &valueNameRows, &productOptionRows})
        write(*rows);

    // The product option values, now that every product option has its id.
    productOptions = loadProductOptions();
    QHash<QPair<qint64, qint64>, QPair<int, int>> productValues;  // key -> id, quantity
    {
        SqlQuery q(shop_, QStringLiteral("SELECT product_option_value_id, product_option_id, product_id, option_id, option_value_id, "
                                         "quantity FROM product_option_value"));
        q.open();
        for (; !q.eof(); q.next())
            productValues.insert({pack(q.asInt(QStringLiteral("product_option_id")), q.asInt(QStringLiteral("product_id"))),
                                  pack(q.asInt(QStringLiteral("option_id")), q.asInt(QStringLiteral("option_value_id")))},
                                 {q.asInt(QStringLiteral("product_option_value_id")), q.asInt(QStringLiteral("quantity"))});
    }
    ShopRowBatch productValueRows(QStringLiteral("product_option_value"),
                                  {QStringLiteral("product_option_id"), QStringLiteral("product_id"), QStringLiteral("option_id"),
                                   QStringLiteral("option_value_id"), QStringLiteral("quantity"), QStringLiteral("subtract"),
                                   QStringLiteral("price"), QStringLiteral("price_prefix"), QStringLiteral("points"),
                                   QStringLiteral("points_prefix"), QStringLiteral("weight"), QStringLiteral("weight_prefix")});
    SqlQuery setQuantity(shop_, QStringLiteral("UPDATE product_option_value SET quantity=:DAUDZUMS WHERE product_option_value_id=:ID"));
    const int subtract = options_.LautAr0Atlik ? 0 : 1;
    for (const Link& l : std::as_const(links)) {
        const int productOption = productOptions.value(pack(l.product, l.option));
        if (productOption == 0)
            continue;  // its insert failed and was logged
        const QPair<qint64, qint64> key{pack(productOption, l.product), pack(l.option, l.variant)};
        const auto it = productValues.constFind(key);
        if (it == productValues.constEnd()) {
            productValues.insert(key, {0, int(std::lround(l.quantity))});
            productValueRows.add({productOption, l.product, l.option, l.variant, l.quantity, subtract, 0, QStringLiteral("+"), 0,
                                  QStringLiteral("+"), 0, QStringLiteral("+")});
        } else if (it->first != 0 && it->second != int(std::lround(l.quantity))) {
            setQuantity.bind(QStringLiteral("DAUDZUMS"), l.quantity).bind(QStringLiteral("ID"), it->first);
            setQuantity.exec();
        }
    }
    write(productValueRows);
}
