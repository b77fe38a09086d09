#include "SpecialPrices.h"

#include "WebShopConnection.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QHash>
#include <QSqlError>
#include <algorithm>
#include <cmath>

namespace {

const QString kSendable = QStringLiteral(
    "(N_PRGRUP.WEB_NESUTIT = 'F' OR N_PRGRUP.WEB_NESUTIT IS NULL) AND (N_KLPREC.WEB_NESUTIT = 'F' OR N_KLPREC.WEB_NESUTIT IS NULL)");

const QString kRunMark = QStringLiteral("LastSpecCenasOC_2");

// The sale price levels 1..15 as selected columns, named apart from the department row's
// discount, which the union selects as PARDCENA10.
QString levelColumns()
{
    QStringList columns;
    for (int level = 1; level <= 15; ++level)
        columns << QStringLiteral("N_KLPREC.PARDCENA%1 LEVEL%1").arg(level);
    return columns.join(QStringLiteral(", "));
}

struct Levels {
    double price[16] = {};  // 1..15
};

Levels levelsOf(const SqlQuery& q)
{
    Levels l;
    for (int level = 1; level <= 15; ++level)
        l.price[level] = q.asDouble(QStringLiteral("LEVEL%1").arg(level));
    return l;
}

bool progressDue(int i)
{
    return i == 1 || i % 1000 == 0;
}

bool isT(const QString& flag)
{
    return flag.trimmed() == QLatin1String("T");
}

// A group of a web customer's own: neither "none" (NULL, 0) nor the default group 1 of
// every shopper, whose rows would reach everybody.
bool isWebGroup(const QVariant& webId)
{
    return !webId.isNull() && webId.toInt() > 1;
}

// What a special's FLAG makes of it: 2 = the base price with the discount ATLAIDE (a percent,
// -10 for 10 % off); 3 = the price level that CENA_1 names; otherwise CENA_1 itself.
// 0 when it names no selected level.
double flagPrice(const QVariant& flag, double base, double atlaide, double cena1, const Levels& levels)
{
    const int kind = flag.isNull() ? 0 : flag.toInt();
    if (kind == 2)
        return base * (atlaide / 100 + 1);
    if (kind == 3) {
        if (cena1 != std::floor(cena1) || cena1 < 1 || cena1 > 15)
            return 0;
        return levels.price[static_cast<int>(cena1)];
    }
    return cena1;
}

// "The lower of": only a positive price competes; a 0 sale price does not make goods free.
double lowerOf(double price, double other)
{
    return other > 0 ? std::min(price, other) : price;
}

QDate dateOr(const QVariant& value, const QDate& fallback)
{
    return value.isNull() ? fallback : value.toDate();
}

// The columns of a customer's special or goods-group price, found once per statement.
struct SpecialColumns {
    explicit SpecialColumns(const SqlQuery& q)
    {
        const QStringList names = q.fieldNames();
        auto at = [&names](const QString& name) {
            for (int i = 0; i < names.size(); ++i)
                if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
                    return i;
            return -1;
        };
        isPrece = at(QStringLiteral("ISPRECE"));
        webId = at(QStringLiteral("WEB_ID"));
        flag = at(QStringLiteral("FLAG"));
        atlaide = at(QStringLiteral("ATLAIDE"));
        cena1 = at(QStringLiteral("CENA_1"));
        datNo = at(QStringLiteral("DAT_NO"));
        datLidz = at(QStringLiteral("DAT_LIDZ"));
        webSale = at(QStringLiteral("WEB_SALE"));
        for (int l = 1; l <= 15; ++l)
            level[l] = at(QStringLiteral("LEVEL%1").arg(l));
    }

    bool isWebGroup(const SqlQuery& q) const { return ::isWebGroup(q.value(webId)); }

    // Its FLAG's price; on sale, the lower of that and the sale price. 0: no price.
    double price(const SqlQuery& q) const
    {
        Levels levels;
        for (int l = 1; l <= 15; ++l)
            levels.price[l] = q.value(level[l]).toDouble();
        const double byFlag = flagPrice(q.value(flag), levels.price[1], q.value(atlaide).toDouble(), q.value(cena1).toDouble(), levels);
        if (byFlag > 0 && isT(q.value(webSale).toString()))
            return lowerOf(byFlag, levels.price[10]);
        return byFlag;
    }
    QDate start(const SqlQuery& q) const { return dateOr(q.value(datNo), QDate(1900, 1, 1)); }
    QDate end(const SqlQuery& q) const { return dateOr(q.value(datLidz), QDate(3000, 12, 31)); }

    int isPrece, webId, flag, atlaide, cena1, datNo, datLidz, webSale;
    int level[16] = {};
};

QString sqlDate(const QDate& d)
{
    return QLatin1Char('\'') + d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
}

}  // namespace

SpecialPrices::SpecialPrices(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                             QStringList reducedPriceRegistrations)
    : ctx_(context), shop_(shop), settings_(settings), reducedPriceRegistrations_(std::move(reducedPriceRegistrations))
{
}

void SpecialPrices::run()
{
    if (!shop_.begin(settings_, ctx_.report))
        return;
    readRunMark();
    today_ = ctx_.clock.now().date();
    rows_.clear();
    try {
        refreshWebIds();
        readWebGroups();
        const QString column = priceColumn();
        newAndSale(column);
        if (ReducedPriceInstallations::includes(reducedPriceRegistrations_, ctx_.dati.ISIREGNR))
            reducedColumn(column);
        customerPrices();
        goodsGroupPrices();
        write();
    } catch (...) {
        // The server may have gone away: the next run connects and tests afresh.
        shop_.drop();
        throw;
    }
    ctx_.dati.CommitRetaining();
    writeRunMark();
    ctx_.report.moved(int(rows_.size()));
}

void SpecialPrices::readRunMark()
{
    // Read as the mark of this job always was; the rows sent do not depend on it.
    QDateTime last = DateText::neverRun();
    RegistryKey key(ctx_.registry);
    try {
        if (key.OpenKey(WebShopKeys::RunMarks, false))
            last = key.ReadDateTime(kRunMark);
    } catch (const std::exception&) {
    }
    (void)last;
}

void SpecialPrices::writeRunMark()
{
    RegistryKey key(ctx_.registry);
    key.OpenKey(WebShopKeys::RunMarks, true);
    key.WriteDateTime(kRunMark, ctx_.clock.now());
    key.CloseKey();
}

void SpecialPrices::refreshWebIds()
{
    struct Customer {
        int isn;
        QVariant webId;
        QString name;
        QString email;
    };
    QList<Customer> customers;
    {
        // The e-mail of the customer's first branch, as the customer import made it.
        SqlQuery q(ctx_.dati.PRECES_DB(),
                   QStringLiteral("SELECT N_KLIENT.ISN, N_KLIENT.WEB_ID, N_KLIENT.GNOS KLIENTS, (SELECT FIRST 1 N_KL_STRV.E_MAIL1 "
                                  "FROM N_KL_STRV WHERE N_KL_STRV.ISKLIENT = N_KLIENT.ISN ORDER BY N_KL_STRV.ISN) E_MAIL1 "
                                  "FROM N_KLIENT WHERE N_KLIENT.E_KLIENTS='T' ORDER BY N_KLIENT.ISN"));
        for (q.open(); !q.eof(); q.next())
            customers.append({q.asInt(QStringLiteral("ISN")), q.value(QStringLiteral("WEB_ID")),
                              q.asString(QStringLiteral("KLIENTS")).trimmed(), q.asString(QStringLiteral("E_MAIL1")).trimmed()});
    }
    SqlQuery find(shop_.database(), QStringLiteral("select customer_group_id FROM customer where email=:email ORDER BY customer_id"));
    SqlQuery update(ctx_.dati.PRECES_DB(), QStringLiteral("UPDATE N_KLIENT SET WEB_ID=:WEB_ID WHERE ISN=:ISN"));
    for (const Customer& c : customers) {
        QVariant group;
        // An empty e-mail would find any shop customer without one.
        if (!c.email.isEmpty()) {
            find.bind(QStringLiteral("email"), c.email);
            find.open();
            if (!find.isEmpty())
                group = find.value(0);
        }
        if (group.isNull()) {
            ctx_.log.WriteLog(QStringLiteral("WWW Nav atrasts klients Web datos : ") + c.name);
            continue;
        }
        if (c.webId.isNull() || c.webId.toInt() != group.toInt()) {
            update.bind(QStringLiteral("WEB_ID"), group.toInt()).bind(QStringLiteral("ISN"), c.isn);
            update.exec();
        }
    }
}

void SpecialPrices::readWebGroups()
{
    webGroups_.clear();
    SqlQuery q(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT DISTINCT N_KLIENT.WEB_ID FROM N_KLIENT WHERE N_KLIENT.E_KLIENTS='T' ORDER BY 1"));
    for (q.open(); !q.eof(); q.next())
        if (isWebGroup(q.value(0)))
            webGroups_ << q.value(0).toInt();
}

QString SpecialPrices::priceColumn()
{
    SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT CENKODS FROM N_DEPART WHERE ISN=:ISN"));
    q.bind(QStringLiteral("ISN"), settings_.E_SHOP_ISNODALA_IN);
    q.open();
    const int code = q.asInt(QStringLiteral("CENKODS"));
    // Only a price level names a column; anything else sells at the first level.
    return QStringLiteral("N_KLPREC.PARDCENA%1").arg(code >= 1 && code <= 16 ? code : 1);
}

void SpecialPrices::newAndSale(const QString& priceColumn)
{
    const QString levels = levelColumns();
    SqlQuery q(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT N_KLPREC.ISN ISPRECE, ") + priceColumn
                   + QStringLiteral(" PARDCENA, N_KLPREC.PARDCENA10, N_KLPREC.WEB_NEW, N_KLPREC.WEB_NEW_DATLIDZ, N_KLPREC.WEB_SALE, "
                                    "N_KLPREC.WEB_SALE_DATLIDZ, N_KLPREC.ISPRGRUPA, 1 FLAG, 1 FLAG_PRICE, "
                                    "CAST(NULL AS DOUBLE PRECISION) CENA_1, ")
                   + levels
                   + QStringLiteral(" FROM N_KLPREC, N_PRGRUP WHERE N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND "
                                    "(N_KLPREC.WEB_NEW='T' OR N_KLPREC.WEB_SALE='T') AND "
                                    "(N_KLPREC.WEB_NEW_DATLIDZ>=:DAT_LIDZ OR N_KLPREC.WEB_SALE_DATLIDZ>=:DAT_LIDZ) AND ")
                   + kSendable + QStringLiteral(" UNION SELECT O_SPECCENAS.ISPRECE, ") + priceColumn
                   + QStringLiteral(" PARDCENA, O_SPECCENAS.ATLAIDE PARDCENA10, 'F' WEB_NEW, O_SPECCENAS.DAT_LIDZ WEB_NEW_DATLIDZ, "
                                    "'F' WEB_SALE, O_SPECCENAS.DAT_LIDZ WEB_SALE_DATLIDZ, 0 ISPRGRUPA, 2 FLAG, "
                                    "O_SPECCENAS.FLAG FLAG_PRICE, O_SPECCENAS.CENA_1, ")
                   + levels
                   + QStringLiteral(" FROM O_SPECCENAS, N_KLPREC, N_PRGRUP WHERE O_SPECCENAS.ISPRECE = N_KLPREC.ISN AND "
                                    "N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND O_SPECCENAS.DAT_LIDZ>=:DAT_LIDZ AND "
                                    "O_SPECCENAS.KLIENTNODALAFLAG = 2 AND O_SPECCENAS.ISKLIENT = :ISNODALA AND ")
                   + kSendable + QStringLiteral(" ORDER BY 1, 9"));
    q.bind(QStringLiteral("DAT_LIDZ"), today_).bind(QStringLiteral("ISNODALA"), settings_.E_SHOP_ISNODALA_IN);
    for (q.open(); !q.eof(); q.next()) {
        const int isPrece = q.asInt(QStringLiteral("ISPRECE"));
        const double pardCena = q.asDouble(QStringLiteral("PARDCENA"));
        const QDate newUntil = dateOr(q.value(QStringLiteral("WEB_NEW_DATLIDZ")), {});
        const QDate saleUntil = dateOr(q.value(QStringLiteral("WEB_SALE_DATLIDZ")), {});
        if (q.asInt(QStringLiteral("FLAG")) == 2) {
            // A department special: its discount or level prices the good, as in a customer's.
            const double price = flagPrice(q.value(QStringLiteral("FLAG_PRICE")), pardCena, q.asDouble(QStringLiteral("PARDCENA10")),
                                           q.asDouble(QStringLiteral("CENA_1")), levelsOf(q));
            addForEveryShopper(isPrece, price, saleUntil.addDays(1), Sale);
            continue;
        }
        // Each mark counts while its own date has not passed.
        if (isT(q.asString(QStringLiteral("WEB_NEW"))) && newUntil >= today_)
            addForEveryShopper(isPrece, pardCena, newUntil.addDays(1), New);
        if (isT(q.asString(QStringLiteral("WEB_SALE"))) && saleUntil >= today_)
            addForEveryShopper(isPrece, q.asDouble(QStringLiteral("PARDCENA10")), saleUntil.addDays(1), Sale);
    }
}

void SpecialPrices::reducedColumn(const QString& priceColumn)
{
    SqlQuery q(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT N_KLPREC.ISN ISPRECE, N_KLPREC.PARDCENA11 SAMAZIN_CENA FROM N_KLPREC, N_PRGRUP "
                              "WHERE N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND N_KLPREC.PARDCENA11>0 AND N_KLPREC.PARDCENA11<")
                   + priceColumn + QStringLiteral(" AND ") + kSendable
                   + QStringLiteral(" AND (n_klprec.WEB_SALE IS NULL OR n_klprec.WEB_SALE='F') ORDER BY 1"));
    for (q.open(); !q.eof(); q.next())
        addForEveryShopper(q.asInt(QStringLiteral("ISPRECE")), q.asDouble(QStringLiteral("SAMAZIN_CENA")), QDate(2050, 12, 31), Reduced);
}

void SpecialPrices::customerPrices()
{
    const QString fromWhere = QStringLiteral(
        " FROM o_speccenas, n_klprec, n_prgrup, n_klient WHERE o_speccenas.isprece = n_klprec.isn AND "
        "o_speccenas.isklient = n_klient.isn AND n_klprec.isprgrupa = n_prgrup.isn AND "
        "(o_speccenas.KLIENTNODALAFLAG = 1 OR o_speccenas.KLIENTNODALAFLAG IS NULL) AND "
        "(n_prgrup.web_nesutit = 'F' OR n_prgrup.web_nesutit IS NULL) AND "
        "(n_klprec.web_nesutit = 'F' OR n_klprec.web_nesutit IS NULL) AND n_klient.e_klients = 'T'");
    // The order department's current discount of each good, read once instead of row by row;
    // of two current specials the larger discount, the lower price.
    QHash<int, double> departmentDiscount;
    {
        SqlQuery d(ctx_.dati.PRECES_DB(),
                   QStringLiteral("SELECT O_SPECCENAS.ISPRECE, MIN(O_SPECCENAS.ATLAIDE) NODALAS_ATLAIDE FROM O_SPECCENAS "
                                  "WHERE O_SPECCENAS.DAT_LIDZ>=:DAT_LIDZ AND o_speccenas.KLIENTNODALAFLAG = 2 AND "
                                  "o_speccenas.ISKLIENT = :ISNODALA GROUP BY O_SPECCENAS.ISPRECE"));
        d.bind(QStringLiteral("DAT_LIDZ"), today_).bind(QStringLiteral("ISNODALA"), settings_.E_SHOP_ISNODALA_IN);
        for (d.open(); !d.eof(); d.next())
            if (!d.isNull(QStringLiteral("NODALAS_ATLAIDE")))
                departmentDiscount.insert(d.asInt(QStringLiteral("ISPRECE")), d.asDouble(QStringLiteral("NODALAS_ATLAIDE")));
    }
    SqlQuery q(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT o_speccenas.isn, o_speccenas.isprece, o_speccenas.isklient, n_klient.web_id, "
                              "o_speccenas.cena_1, o_speccenas.atlaide, o_speccenas.flag, o_speccenas.dat_no, o_speccenas.dat_lidz, ")
                   + levelColumns() + QStringLiteral(", N_KLPREC.WEB_SALE") + fromWhere + QStringLiteral(" ORDER BY o_speccenas.isn"));
    addPriced(q, QStringLiteral("WWW Speciālās cenas precēm "), Customer, &departmentDiscount);
}

void SpecialPrices::goodsGroupPrices()
{
    const QString fromWhere = QStringLiteral(
        " FROM o_cenasprgrupas, n_klprec, n_prgrup, n_klient WHERE o_cenasprgrupas.isprgrupa = n_prgrup.isn AND "
        "o_cenasprgrupas.isklient = n_klient.isn AND n_klprec.isprgrupa = n_prgrup.isn AND "
        "(n_prgrup.web_nesutit = 'F' OR n_prgrup.web_nesutit IS NULL) AND "
        "(n_klprec.web_nesutit = 'F' OR n_klprec.web_nesutit IS NULL) AND n_klient.e_klients = 'T'");
    SqlQuery q(ctx_.dati.PRECES_DB(),
               QStringLiteral("SELECT o_cenasprgrupas.ISPRGRUPA, o_cenasprgrupas.isklient, n_klient.web_id, o_cenasprgrupas.cena_1, "
                              "o_cenasprgrupas.atlaide, o_cenasprgrupas.flag, o_cenasprgrupas.dat_no, o_cenasprgrupas.dat_lidz, "
                              "n_klprec.isn isprece, ")
                   + levelColumns() + QStringLiteral(", N_KLPREC.WEB_SALE") + fromWhere
                   + QStringLiteral(" ORDER BY o_cenasprgrupas.isn, n_klprec.isn"));
    addPriced(q, QStringLiteral("WWW Speciālās cenas preču grupām "), GoodsGroup, nullptr);
}

void SpecialPrices::addPriced(SqlQuery& q, const QString& progress, int priority, const QHash<int, double>* departmentDiscount)
{
    // Read whole, as the progress lines need the count, and priced as read: the sorted rows
    // are all at hand in the engine anyway, and a priced row is smaller than a read one.
    QVector<Row> priced;
    q.open();
    const SpecialColumns c(q);
    for (; !q.eof(); q.next()) {
        const int isPrece = q.value(c.isPrece).toInt();
        double price = c.price(q);
        if (departmentDiscount && price > 0) {
            const auto discount = departmentDiscount->constFind(isPrece);
            if (discount != departmentDiscount->constEnd())
                price = lowerOf(price, q.value(c.level[1]).toDouble() * (discount.value() / 100 + 1));
        }
        // A customer without a web group of its own gets no rows (group 0 here).
        priced.append({isPrece, c.isWebGroup(q) ? q.value(c.webId).toInt() : 0, price, c.start(q), c.end(q), priority});
    }
    const int count = int(priced.size());
    for (int i = 1; i <= count; ++i) {
        if (progressDue(i))
            ctx_.log.WriteLog(progress + QStringLiteral("%1/%2").arg(i).arg(count), true);
        const Row& r = priced.at(i - 1);
        if (r.group != 0)
            add(r.productId, r.group, r.price, r.start, r.end, r.priority);
    }
}

void SpecialPrices::addForEveryShopper(int productId, double price, const QDate& end, int priority)
{
    const QDate start = today_.addDays(-1);
    add(productId, 1, price, start, end, priority);
    for (int group : std::as_const(webGroups_))
        add(productId, group, price, start, end, priority);
}

void SpecialPrices::add(int productId, int group, double price, const QDate& start, const QDate& end, int priority)
{
    if (price > 0 && std::isfinite(price))
        rows_.append({productId, group, price, start, end, priority});
}

void SpecialPrices::write()
{
    QSqlDatabase shop = shop_.database();
    SqlQuery connectionId(shop, QStringLiteral("SELECT CONNECTION_ID()"));
    auto sessionId = [&connectionId] {
        connectionId.open();
        return connectionId.value(0).toLongLong();
    };
    const int total = int(rows_.size());
    const int batches = (total + BatchSize - 1) / BatchSize;
    if (!shop.transaction())
        throw DbError(QStringLiteral("START TRANSACTION: ") + shop.lastError().text());
    try {
        const qint64 session = sessionId();
        execSql(shop, QStringLiteral("DELETE FROM product_special"));
        SqlQuery max(shop, QStringLiteral("SELECT MAX(product_special_id) MAX_COUNT FROM product_special"));
        max.open();
        int id = max.asInt(QStringLiteral("MAX_COUNT")) + 1;
        for (int b = 0; b < batches; ++b) {
            const int from = b * BatchSize;
            const int n = std::min(BatchSize, total - from);
            ctx_.log.WriteLog(QStringLiteral("WWW Ieraksti: %1 no %2; Paka: %3").arg(b + 1).arg(batches).arg(n));
            insertBatch(shop, id, from, n);
            // A driver that made the connection again went on outside the transaction, whose
            // delete the server has undone: take this batch out again and stop.
            if (sessionId() != session) {
                execSql(shop, QStringLiteral("DELETE FROM product_special WHERE product_special_id>=:a AND product_special_id<=:b"),
                        {{QStringLiteral("a"), id}, {QStringLiteral("b"), id + n - 1}});
                throw DbError(QStringLiteral("Savienojums ar veikala datu bāzi pārtrūka, speciālās cenas nav nomainītas"));
            }
            id += n;
        }
        if (!shop.commit())
            throw DbError(QStringLiteral("COMMIT: ") + shop.lastError().text());
    } catch (...) {
        shop.rollback();
        throw;
    }
}

void SpecialPrices::insertBatch(const QSqlDatabase& shop, int firstId, int from, int count)
{
    // One statement of many rows; it holds only numbers and dates that this program formats,
    // nothing read as text.
    QString sql = QStringLiteral(
        "INSERT INTO product_special (product_special_id, product_id, customer_group_id, price, date_start, date_end, priority) VALUES ");
    sql.reserve(sql.size() + count * 72);
    QHash<qint64, QString> dates;  // a batch holds few of them
    auto date = [&dates](const QDate& d) -> const QString& {
        auto it = dates.constFind(d.toJulianDay());
        if (it == dates.constEnd())
            it = dates.insert(d.toJulianDay(), sqlDate(d));
        return it.value();
    };
    for (int k = 0; k < count; ++k) {
        const Row& r = rows_.at(from + k);
        sql += k > 0 ? QLatin1String(",(") : QLatin1String("(");
        sql += QString::number(firstId + k);
        sql += QLatin1Char(',');
        sql += QString::number(r.productId);
        sql += QLatin1Char(',');
        sql += QString::number(r.group);
        sql += QLatin1Char(',');
        sql += DateText::fixedText(r.price, 4);
        sql += QLatin1Char(',');
        sql += date(r.start);
        sql += QLatin1Char(',');
        sql += date(r.end);
        sql += QLatin1Char(',');
        sql += QString::number(r.priority);
        sql += QLatin1Char(')');
    }
    SqlQuery(shop, sql).exec();
}
