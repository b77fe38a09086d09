#include "CustomerPrice.h"

#include "Mainformdatiform.h"
#include "SqlQuery.h"
#include "platform/DateText.h"

#include <algorithm>
#include <optional>

namespace {

struct Candidate {
    double price = 0;  // in the register's terms (with VAT when PARDCENASAR)
    double discount = 0;
};

bool validLevel(int level)
{
    return level >= 1 && level <= 16;
}

double levelPrice(FbDatabase& db, int isPrece, int level)
{
    SqlQuery q(db, QStringLiteral("SELECT PARDCENA%1 CENA FROM N_KLPREC WHERE ISN=:ISN").arg(validLevel(level) ? level : 1));
    q.bind(QStringLiteral("ISN"), isPrece);
    q.open();
    return q.asDouble(QStringLiteral("CENA"));
}

// The first usable row of a special-price or group-price select. FLAG says what CENA_1 is:
// 2 the first price level with the row's discount, 3 the number of a price level, 4 a purchase
// price (never a selling price, so such rows are left out by the selects); otherwise the price.
std::optional<Candidate> firstPrice(FbDatabase& db, SqlQuery& q, int isPrece, double price1)
{
    q.open();
    for (; !q.eof(); q.next()) {
        const int flag = q.asInt(QStringLiteral("FLAG"));
        const double cena1 = q.asDouble(QStringLiteral("CENA_1"));
        Candidate c;
        c.discount = q.asDouble(QStringLiteral("ATLAIDE"));
        if (flag == 2)
            c.price = price1;
        else if (flag == 3)
            c.price = validLevel(static_cast<int>(cena1)) ? levelPrice(db, isPrece, static_cast<int>(cena1)) : 0.0;
        else
            c.price = cena1;
        if (c.price > 0)
            return c;
    }
    return std::nullopt;
}

// Rows of table for the customer and key column, dated around the day (newest first) or undated
// (01.01.1900 to 31.12.3000, or empty dates).
SqlQuery priceRows(FbDatabase& db, const QString& table, const QString& keyColumn, int key, int isKlient,
                   const QDate& day, bool dated, const QString& extra)
{
    const QString undated = QStringLiteral(
        "(DAT_NO IS NULL OR DAT_NO <= :NAV_NO) AND (DAT_LIDZ IS NULL OR DAT_LIDZ >= :NAV_LIDZ)");
    const QString where = dated
        ? QStringLiteral("NOT (%1) AND COALESCE(DAT_NO, :NAV_NO) < :NAKAMA AND COALESCE(DAT_LIDZ, :NAV_LIDZ) >= :DIENA "
                         "ORDER BY DAT_NO DESCENDING, ISN DESCENDING").arg(undated)
        : undated + QStringLiteral(" ORDER BY ISN DESCENDING");
    SqlQuery q(db, QStringLiteral("SELECT CENA_1, ATLAIDE, FLAG FROM %1 WHERE %2=:KEY AND ISKLIENT=:ISKLIENT "
                                  "AND COALESCE(FLAG, 0) <> 4 %3 AND %4")
                       .arg(table, keyColumn, extra, where));
    q.bind(QStringLiteral("KEY"), key)
        .bind(QStringLiteral("ISKLIENT"), isKlient)
        .bind(QStringLiteral("NAV_NO"), DateText::neverRun())
        .bind(QStringLiteral("NAV_LIDZ"), DateText::neverDue());
    if (dated)
        q.bind(QStringLiteral("DIENA"), QDateTime(day, QTime(0, 0)))
            .bind(QStringLiteral("NAKAMA"), QDateTime(day.addDays(1), QTime(0, 0)));
    return q;
}

}  // namespace

TCustomerPrice GetCustomerPrice(TMainFormDati& dati, int isPrece, int isKlient, int isNodala, const QDateTime& datums)
{
    FbDatabase& db = dati.PRECES_DB();
    TCustomerPrice result;

    SqlQuery goods(db, QStringLiteral(
        "SELECT ISN, ISPRGRUPA, PASTAVIGATLAID, PARDCENA1, MINCENFLAG, MINCENA FROM N_KLPREC WHERE ISN=:ISN"));
    goods.bind(QStringLiteral("ISN"), isPrece);
    goods.open();
    if (goods.isEmpty())
        return result;
    const int group = goods.asInt(QStringLiteral("ISPRGRUPA"));
    const double price1 = goods.asDouble(QStringLiteral("PARDCENA1"));

    // Price level: the department's when the customer buys at department prices, else the
    // customer's own; either falls back to the other, then to level 1.
    SqlQuery customer(db, QStringLiteral("SELECT CENUGRUPA, NODALAS_CENAS, ATLGRUPA FROM N_KLIENT WHERE ISN = :ISN"));
    customer.bind(QStringLiteral("ISN"), isKlient);
    customer.open();
    SqlQuery department(db, QStringLiteral("SELECT CENKODS FROM N_DEPART WHERE ISN=:ISN"));
    department.bind(QStringLiteral("ISN"), isNodala);
    department.open();
    const int customerLevel = customer.asInt(QStringLiteral("CENUGRUPA"));
    const int departmentLevel = department.asInt(QStringLiteral("CENKODS"));
    const bool departmentPrices = customer.asString(QStringLiteral("NODALAS_CENAS")).trimmed() == QLatin1String("T");
    int level = departmentPrices ? departmentLevel : customerLevel;
    if (!validLevel(level))
        level = departmentPrices ? customerLevel : departmentLevel;
    if (!validLevel(level))
        level = 1;
    double levelPriceValue = levelPrice(db, isPrece, level);
    if (levelPriceValue == 0) {
        level = 1;
        levelPriceValue = price1;
    }
    result.level = level;

    // Discount of the customer's discount group in the goods' group.
    double groupDiscount = 0;
    const int discountGroup = customer.asInt(QStringLiteral("ATLGRUPA"));
    if (discountGroup >= 1 && discountGroup <= 8) {
        SqlQuery g(db, QStringLiteral("SELECT ISN, ATLAIDE1, ATLAIDE2, ATLAIDE3, ATLAIDE4, ATLAIDE5, ATLAIDE6, ATLAIDE7, "
                                      "ATLAIDE8 FROM N_PRGRUP WHERE ISN = :ISN"));
        g.bind(QStringLiteral("ISN"), group);
        g.open();
        groupDiscount = g.asDouble(QStringLiteral("ATLAIDE%1").arg(discountGroup));
    }

    const QDate day = datums.date();
    const QString customerRows = QStringLiteral("AND COALESCE(KLIENTNODALAFLAG, 1) = 1");
    SqlQuery datedSpecial = priceRows(db, QStringLiteral("O_SPECCENAS"), QStringLiteral("ISPRECE"), isPrece, isKlient, day, true, customerRows);
    SqlQuery special = priceRows(db, QStringLiteral("O_SPECCENAS"), QStringLiteral("ISPRECE"), isPrece, isKlient, day, false, customerRows);
    SqlQuery datedGroup = priceRows(db, QStringLiteral("O_CENASPRGRUPAS"), QStringLiteral("ISPRGRUPA"), group, isKlient, day, true, {});
    SqlQuery groupPrice = priceRows(db, QStringLiteral("O_CENASPRGRUPAS"), QStringLiteral("ISPRGRUPA"), group, isKlient, day, false, {});

    // A promotion of the department covering the day may forbid discounts on the goods.
    SqlQuery promotion(db, QStringLiteral(
        "SELECT O_PARCPV.AKCNEDOTATL FROM O_PARCPV, O_PARCPR WHERE O_PARCPV.ISN = O_PARCPR.ISPARCPV AND "
        "O_PARCPR.ISPRECE = :ISPRECE AND O_PARCPV.ISNODALA = :ISNODALA AND O_PARCPV.PZ_VEIDS = 1 AND "
        "O_PARCPV.AKCIJA_NO<=:DATUMS AND O_PARCPV.AKCIJA_LIDZ>=:DATUMS"));
    promotion.bind(QStringLiteral("ISPRECE"), isPrece)
        .bind(QStringLiteral("ISNODALA"), isNodala)
        .bind(QStringLiteral("DATUMS"), datums);
    promotion.open();
    bool noDiscounts = false;
    for (; !promotion.eof(); promotion.next())
        noDiscounts = noDiscounts || promotion.asString(QStringLiteral("AKCNEDOTATL")).trimmed() == QLatin1String("T");

    // How the sources combine, the first that applies winning:
    //  1. the customer's special price for the goods, a dated one before an undated one;
    //  2. the customer's price for the goods group, dated before undated;
    //  3. the price level, with the better (more negative) of the discount-group discount and
    //     the goods' permanent discount, unless a promotion forbids discounts on the day.
    // A special or group price is agreed with the customer and takes no further discounts.
    // Then the minimum price is a floor: a result below it becomes the minimum price, no discount.
    Candidate chosen;
    if (auto c = firstPrice(db, datedSpecial, isPrece, price1)) {
        chosen = *c;
        result.source = PriceSource::DatedSpecialPrice;
    } else if (auto c = firstPrice(db, special, isPrece, price1)) {
        chosen = *c;
        result.source = PriceSource::SpecialPrice;
    } else if (auto c = firstPrice(db, datedGroup, isPrece, price1)) {
        chosen = *c;
        result.source = PriceSource::DatedGroupPrice;
    } else if (auto c = firstPrice(db, groupPrice, isPrece, price1)) {
        chosen = *c;
        result.source = PriceSource::GroupPrice;
    } else {
        chosen.price = levelPriceValue;
        result.source = PriceSource::PriceLevel;
        const double permanent = goods.asDouble(QStringLiteral("PASTAVIGATLAID"));
        if (!noDiscounts && std::min(groupDiscount, permanent) < 0) {
            chosen.discount = std::min(groupDiscount, permanent);
            result.source = groupDiscount <= permanent ? PriceSource::GroupDiscount : PriceSource::PermanentDiscount;
        }
    }

    const bool hasMinimum = goods.asString(QStringLiteral("MINCENFLAG")).trimmed() == QLatin1String("T");
    const double minimum = goods.asDouble(QStringLiteral("MINCENA"));
    if (hasMinimum && minimum > 0 && chosen.price * (1 + chosen.discount / 100.0) < minimum) {
        chosen = {minimum, 0.0};
        result.source = PriceSource::MinimumPrice;
    }

    double price = chosen.price;
    if (dati.PARDCENASAR) {
        SqlQuery vat(db, QStringLiteral("SELECT NODOKLIS FROM N_KLPREC WHERE ISN=:ISN"));
        vat.bind(QStringLiteral("ISN"), isPrece);
        vat.open();
        price /= vat.asDouble(QStringLiteral("NODOKLIS")) / 100.0 + 1.0;
    }
    result.CENA = price;
    result.ATLAIDE = chosen.discount;
    return result;
}
