#include "OrderImport.h"

#include "ColumnWidths.h"
#include "CustomerImport.h"
#include "WebShopConnection.h"
#include "WebShopText.h"
#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/My_proc.h"
#include "db/O_paspavtable.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

#include <QSet>
#include <memory>

namespace {

const char* const kQ1 =
    "SELECT Pasut.ORDER_ID, Pasut.CUSTOMER_ID, Pasut.shipping_address_1, Pasut.shipping_city, Pasut.shipping_country, "
    "Pasut.shipping_postcode, Pasut.payment_code, Pasut.comment, Pasut.shipping_code, Pasut.email, "
    "Pasut.shipping_firstname, Pasut.shipping_lastname FROM `order` Pasut WHERE Pasut.order_status_id = 1";

// The details of a chunk of new orders, each read once for all of them (the order ids in
// the IN lists) instead of once per order: a run then costs one shop round trip per order.
// Lines (with the option value of each option that is a product option value, 0 for a line
// without one), ordered by option value, then product.
const char* const kLines =
    "SELECT order_product.order_id, order_product.product_id, order_product.order_product_id, order_product.quantity, "
    "order_product.price, product_option_value.option_value_id, order_product.model "
    "FROM order_product, order_option, product_option_value "
    "WHERE order_product.order_id = order_option.order_id AND order_product.order_product_id = order_option.order_product_id "
    "AND order_option.product_option_id = product_option_value.product_option_id "
    "AND order_option.product_option_value_id = product_option_value.product_option_value_id "
    "AND order_product.product_id = product_option_value.product_id AND order_product.order_id IN (%1) "
    "UNION SELECT order_product.order_id, order_product.product_id, order_product.order_product_id, order_product.quantity, "
    "order_product.price, 0 option_value_id, order_product.model FROM order_product WHERE order_product.order_id IN (%2) "
    "AND order_product.product_id NOT IN (SELECT order_product.product_id FROM order_option, product_option_value "
    "WHERE order_product.order_id = order_option.order_id AND order_product.order_product_id = order_option.order_product_id "
    "AND order_option.product_option_id = product_option_value.product_option_id "
    "AND order_option.product_option_value_id = product_option_value.product_option_value_id "
    "AND order_product.product_id = product_option_value.product_id) ORDER BY 6, 2";
const char* const kOptions =
    "SELECT order_option.order_id, order_option.order_product_id, order_option.value option_value, "
    "order_option.product_option_value_id FROM order_option WHERE order_option.order_id IN (%1) "
    "ORDER BY order_option.order_option_id";
// Shipping, commission and the order total: the first row of each code counts.
const char* const kTotals =
    "SELECT order_total.order_id, order_total.code, order_total.title, order_total.value from order_total "
    "where order_total.ORDER_ID IN (%1) AND order_total.code IN ('shipping', 'commission', 'total') "
    "ORDER BY order_total.order_total_id";
const char* const kParcels = "SELECT Pasut.ORDER_ID, Pasut.shipping_parcel_id FROM `order` Pasut WHERE Pasut.ORDER_ID IN (%1)";
const char* const kCoupons =
    "SELECT coupon_history.order_id, coupon_history.amount, coupon.code FROM coupon_history, coupon "
    "WHERE coupon_history.coupon_id = coupon.coupon_id AND coupon_history.order_id IN (%1) "
    "ORDER BY coupon_history.coupon_history_id";
const char* const kQ5 = "UPDATE `order` SET order_status_id=:status_id where ORDER_ID=:ORDER_ID";

// New orders whose details are read together.
constexpr int kChunk = 200;

// Web orders already stored, of a chunk's order numbers.
const char* const kAlreadyStored = "SELECT NR_PAVADZ FROM O_PASPAV WHERE WEB_PASUTIJUMS='T' AND NR_PAVADZ IN (%1)";
const char* const kShipped =
    "SELECT O_PASPAV.ISN FROM O_PASPAV WHERE O_PASPAV.NR_PAVADZ=:NR_PAVADZ AND O_PASPAV.ATKR_FLAG=2 "
    "AND O_PASPAV.WEB_PASUTIJUMS='T'";

// RETURNING gives this insert's own key; the generator's current value may already be another
// attachment's.
const char* const kPayment =
    "INSERT INTO O_APMAKS (ISKLIENT, ISNODALA, ISAGENTS, APMAKS_SUM, APMAKS_DOK, APMAKS_DAT, PARPALIKUM, ISAPMAKSVEIDS, "
    "SANEM_IZR, FUS_EXPORT, DEBETS, KREDITS, NELEGALIZ, DEBETSPVN, KREDITSPVN) VALUES (:ISKLIENT, :ISNODALA, :ISAGENTS, "
    ":APMAKS_SUM, :APMAKS_DOK, :APMAKS_DAT, :PARPALIKUM, :ISAPMAKSVEIDS, :SANEM_IZR, 'F', :DEBETS, :KREDITS, :NELEGALIZ, "
    ":DEBETSPVN, :KREDITSPVN) RETURNING ISN";
const char* const kPaymentLink =
    "INSERT INTO O_APMPAV (DAT_PAVADZ, ISAPMAKS, ISPAVADZ, NR_PAVADZ, SUMMA, PASUTIJUMS) "
    "VALUES (:DAT_PAVADZ, :ISAPMAKS, :ISPAVADZ, :NR_PAVADZ, :SUMMA, 'T')";
const char* const kPaymentHead =
    "UPDATE O_PASPAV SET APMAKS_SUM=:APMAKS_SUM, APMAKS_DOK=:APMAKS_DOK, ISAPMAKSVEIDS=:ISAPMAKSVEIDS, "
    "APMAKS_DAT=:APMAKS_DAT WHERE ISN=:ISN";

// An order that cannot be stored whole; the scope takes back what it wrote.
class OrderFailed : public VarnisError {
    using VarnisError::VarnisError;
};

// The goods whose article (its first 25 characters) or group article is the code.
struct CodeGoods {
    int isn = 0;
    double nodoklis = 0;
    double pardcena1 = 0;
};

CodeGoods goodsByCode(FbDatabase& db, const QString& code)
{
    if (code.trimmed().isEmpty())
        return {};
    SqlQuery q(db, QStringLiteral("SELECT ISN, NODOKLIS, PARDCENA1 FROM N_KLPREC WHERE ARTIKULS=:ARTIKULS OR ARTIKULS7=:ARTIKULS7"));
    q.bind(QStringLiteral("ARTIKULS"), ColumnWidths::cut(code, 25)).bind(QStringLiteral("ARTIKULS7"), ColumnWidths::cut(code, 30));
    q.open();
    return {q.asInt(QStringLiteral("ISN")), q.asDouble(QStringLiteral("NODOKLIS")), q.asDouble(QStringLiteral("PARDCENA1"))};
}

}  // namespace

OrderImport::OrderImport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                         const WebShopOptions& options)
    : ctx_(context), shop_(shop), settings_(settings), options_(options)
{
}

OrderImport::~OrderImport() = default;

namespace {

// "IN (...)" placeholders for the order ids, bound by name.
QString idList(const QString& prefix, int n)
{
    QStringList names;
    for (int i = 0; i < n; ++i)
        names << QStringLiteral(":%1%2").arg(prefix).arg(i);
    return names.join(QStringLiteral(", "));
}

SqlQuery chunkQuery(const QSqlDatabase& db, const char* sql, const QList<int>& ids, bool twice = false)
{
    QString text = QString::fromLatin1(sql).arg(idList(QStringLiteral("A"), int(ids.size())));
    if (twice)
        text = text.arg(idList(QStringLiteral("B"), int(ids.size())));
    SqlQuery q(db, text);
    for (int i = 0; i < ids.size(); ++i) {
        q.bind(QStringLiteral("A%1").arg(i), ids.at(i));
        if (twice)
            q.bind(QStringLiteral("B%1").arg(i), ids.at(i));
    }
    q.open();
    return q;
}

}  // namespace

void OrderImport::run()
{
    if (!shop_.begin(settings_, ctx_.report))
        return;
    // New shop customers first, so that their orders find them.
    CustomerImport(ctx_, shop_, settings_, customers_).run();

    const int completed = completedStatus();
    QSqlDatabase shop = shop_.database();
    QList<ShopOrder> orders;
    {
        SqlQuery q1(shop, QLatin1String(kQ1));
        q1.open();
        for (; !q1.eof(); q1.next())
            orders << fromQ1(q1);
    }
    q5_ = std::make_unique<SqlQuery>(shop, QLatin1String(kQ5));
    for (qsizetype from = 0; from < orders.size(); from += kChunk) {
        QList<ShopOrder*> chunk;
        for (qsizetype i = from; i < qMin(from + kChunk, orders.size()); ++i)
            chunk << &orders[i];
        // A stored order whose status did not move (a refused update, a crash) only moves now.
        QSet<int> stored;
        {
            QStringList names;
            for (int i = 0; i < chunk.size(); ++i)
                names << QStringLiteral(":N%1").arg(i);
            SqlQuery q(ctx_.dati.PRECES_DB(), QString::fromLatin1(kAlreadyStored).arg(names.join(QStringLiteral(", "))));
            for (int i = 0; i < chunk.size(); ++i)
                q.bind(QStringLiteral("N%1").arg(i), QString::number(chunk.at(i)->orderId));
            q.open();
            for (; !q.eof(); q.next())
                stored.insert(q.asString(QStringLiteral("NR_PAVADZ")).trimmed().toInt());
        }
        bool detailsRead = true;
        try {
            readDetails(chunk);
        } catch (const std::exception& e) {
            // These orders wait for the next run; those stored before still move on.
            detailsRead = false;
            orderFailed(errorText(e));
        }
        for (ShopOrder* o : chunk) {
            if (!importOrder(*o, stored.contains(o->orderId), detailsRead))
                return;
        }
    }
    complete(completed);
    ctx_.dati.CommitRetaining();
}

bool OrderImport::importOrder(ShopOrder& o, bool stored, bool detailsRead)
{
    try {
        if (!stored) {
            if (!detailsRead)
                return true;
            DocumentScope scope(ctx_.dati);
            store(o);
            scope.commit();
            ctx_.report.moved(1);
        } else {
            ctx_.log.WriteLog(QStringLiteral("WWW Pasūtījums %1 jau ir saņemts, maina tikai statusu").arg(o.orderId));
        }
        moveStatus(o.orderId, 2);
        return true;
    } catch (const std::exception& e) {
        orderFailed(errorText(e));
    }
    // The orders after it wait for the next run when the shop itself is gone.
    try {
        SqlQuery ping(shop_.database(), QStringLiteral("SELECT 1"));
        ping.open();
        // A connection made again has lost the statement prepared on the old one.
        q5_ = std::make_unique<SqlQuery>(shop_.database(), QLatin1String(kQ5));
        return true;
    } catch (const std::exception&) {
        shop_.drop();
        return false;
    }
}

void OrderImport::orderFailed(const QString& error)
{
    const QString text = QStringLiteral("WWW Saņemt datus neizdevās !!! ") + error;
    ctx_.dialogs.showMessage(text);
    ctx_.report.fail(text);
}

int OrderImport::completedStatus()
{
    SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT WWW_COMPLETED FROM N_ISI2"));
    q.open();
    const QString name = q.asString(QStringLiteral("WWW_COMPLETED")).trimmed();
    if (name.isEmpty()) {
        ctx_.dialogs.showMessage(QStringLiteral("Nav ievadīts 'Pasūtījums atkrauts' teksts sistēmas iestādīšana->Parametri 2"));
        return 0;
    }
    SqlQuery q6(shop_.database(), QStringLiteral("SELECT ORDER_STATUS_ID from order_status where name=:name"));
    q6.bind(QStringLiteral("name"), name);
    q6.open();
    if (q6.isEmpty())
        ctx_.dialogs.showMessage(QStringLiteral("Nav arasts Opencart 2/3 datu bāzē tabulā order_status '") + name
                                 + QStringLiteral("'"));
    return q6.asInt(QStringLiteral("ORDER_STATUS_ID"));
}

OrderImport::ShopOrder OrderImport::fromQ1(const SqlQuery& q1)
{
    ShopOrder o;
    o.orderId = q1.asInt(QStringLiteral("ORDER_ID"));
    o.customerId = q1.asInt(QStringLiteral("CUSTOMER_ID"));
    o.street = q1.asString(QStringLiteral("shipping_address_1"));
    o.city = q1.asString(QStringLiteral("shipping_city"));
    o.country = q1.asString(QStringLiteral("shipping_country"));
    o.postcode = q1.asString(QStringLiteral("shipping_postcode"));
    o.paymentCode = q1.asString(QStringLiteral("payment_code"));
    o.comment = q1.asString(QStringLiteral("comment"));
    o.shippingCode = q1.asString(QStringLiteral("shipping_code"));
    o.email = q1.asString(QStringLiteral("email"));
    o.firstName = q1.asString(QStringLiteral("shipping_firstname"));
    o.lastName = q1.asString(QStringLiteral("shipping_lastname"));
    return o;
}

void OrderImport::readDetails(const QList<ShopOrder*>& chunk)
{
    QSqlDatabase shop = shop_.database();
    QList<int> ids;
    QHash<int, ShopOrder*> byId;
    for (ShopOrder* o : chunk) {
        ids << o->orderId;
        byId.insert(o->orderId, o);
        o->lines.clear();
        o->coupons.clear();
        o->shipping = o->commission = Total();
        o->total = 0;
        o->parcelTerminal.clear();
    }
    // One line per ordered product: a line with two options (a variant and a department)
    // comes twice.
    SqlQuery lines = chunkQuery(shop, kLines, ids, true);
    for (; !lines.eof(); lines.next()) {
        ShopOrder* o = byId.value(lines.asInt(QStringLiteral("order_id")));
        if (!o)
            continue;
        const int id = lines.asInt(QStringLiteral("order_product_id"));
        Line* line = nullptr;
        for (Line& l : o->lines)
            if (l.orderProductId == id)
                line = &l;
        if (!line) {
            o->lines.append(Line{id, lines.asInt(QStringLiteral("product_id")), lines.asDouble(QStringLiteral("quantity")),
                                 lines.asDouble(QStringLiteral("price")), lines.asString(QStringLiteral("model")), {}, {}});
            line = &o->lines.last();
        }
        const int value = lines.asInt(QStringLiteral("option_value_id"));
        if (value != 0 && !line->optionValues.contains(value))
            line->optionValues << value;
    }
    SqlQuery options = chunkQuery(shop, kOptions, ids);
    for (; !options.eof(); options.next()) {
        ShopOrder* o = byId.value(options.asInt(QStringLiteral("order_id")));
        if (!o)
            continue;
        const int id = options.asInt(QStringLiteral("order_product_id"));
        for (Line& l : o->lines)
            if (l.orderProductId == id)
                l.optionTexts << options.asString(QStringLiteral("option_value"));
    }
    SqlQuery totals = chunkQuery(shop, kTotals, ids);
    QSet<QPair<int, QString>> seen;
    for (; !totals.eof(); totals.next()) {
        ShopOrder* o = byId.value(totals.asInt(QStringLiteral("order_id")));
        const QString code = totals.asString(QStringLiteral("code"));
        if (!o || seen.contains({o->orderId, code}))
            continue;
        seen.insert({o->orderId, code});
        const Total t{true, totals.asString(QStringLiteral("title")), totals.asDouble(QStringLiteral("value"))};
        if (code == QLatin1String("shipping"))
            o->shipping = t;
        else if (code == QLatin1String("commission"))
            o->commission = t;
        else
            o->total = t.value;
    }
    SqlQuery parcels = chunkQuery(shop, kParcels, ids);
    for (; !parcels.eof(); parcels.next()) {
        ShopOrder* o = byId.value(parcels.asInt(QStringLiteral("ORDER_ID")));
        if (o && o->shipping.present && o->shippingCode.startsWith(QLatin1String("dpd_parcel.")))
            o->parcelTerminal = parcels.asString(QStringLiteral("shipping_parcel_id"));
    }
    SqlQuery coupons = chunkQuery(shop, kCoupons, ids);
    for (; !coupons.eof(); coupons.next()) {
        ShopOrder* o = byId.value(coupons.asInt(QStringLiteral("order_id")));
        if (o && coupons.asDouble(QStringLiteral("amount")) != 0)
            o->coupons.append({coupons.asString(QStringLiteral("code")), coupons.asDouble(QStringLiteral("amount"))});
    }

    // The payment type and whether it brings an advance payment.
    FbDatabase& goods = ctx_.dati.PRECES_DB();
    for (ShopOrder* o : chunk) {
        SqlQuery type(goods, QStringLiteral("SELECT ISN FROM O_APMKONTI WHERE KODS=:KODS"));
        type.bind(QStringLiteral("KODS"), ColumnWidths::cut(o->paymentCode, 64));
        type.open();
        o->paymentType = type.asInt(QStringLiteral("ISN"));
        o->advancePayment = false;
        if (o->paymentType > 0) {
            SqlQuery imports(goods, QStringLiteral("SELECT WWW_IMPORTS FROM O_APMKONTI WHERE ISN=:ISN"));
            imports.bind(QStringLiteral("ISN"), o->paymentType);
            imports.open();
            o->advancePayment = imports.asString(QStringLiteral("WWW_IMPORTS")).trimmed() == QLatin1String("T");
        }
    }
}

int OrderImport::department(const ShopOrder& o, int branchDepartment)
{
    if (branchDepartment >= 10)
        return branchDepartment;
    SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_DEPART WHERE E_SHOP_KODS=:KODS"));
    for (const Line& l : o.lines) {
        for (int value : l.optionValues) {
            q.bind(QStringLiteral("KODS"), value);
            q.open();
            if (q.asInt(QStringLiteral("ISN")) > 0)
                return q.asInt(QStringLiteral("ISN"));
        }
    }
    return settings_.E_SHOP_ISNODALA_IN;
}

void OrderImport::store(ShopOrder& o)
{
    FbDatabase& goods = ctx_.dati.PRECES_DB();
    if (!headWidths_)
        headWidths_ = std::make_unique<ColumnWidths>(goods, QStringLiteral("O_PASPAV"));
    const ColumnWidths& head = *headWidths_;
    const QString number = QString::number(o.orderId);

    // The customer: the branch with the e-mail and this address, else the first branch with
    // the e-mail, else a customer subscribed with it. An order without an e-mail is nobody's.
    int isKlient = 0;
    int isKlStrv = 0;
    int branchDepartment = 0;
    const QString email = o.email.trimmed();
    if (!email.isEmpty()) {
        const QString adrese = WebShopText::addressText(o.street, o.city, o.postcode, o.country);
        const WebBranch* b = customers_.branchAt(email, adrese);
        if (!b)
            b = customers_.firstBranch(email);
        if (b) {
            isKlient = b->isKlient;
            isKlStrv = b->isn;
            branchDepartment = b->isNodalaWww;
        } else {
            isKlient = customers_.customerOf(email);
        }
    }

    auto t = std::make_unique<TO_paspavTable>(ctx_.dati);
    O_PASPAVRecord& h = t->O_PASPAV;
    h.NR_PAVADZ = head.fit(QStringLiteral("NR_PAVADZ"), number);
    h.DATUMS = QDateTime(ctx_.clock.now().date(), QTime(0, 0));
    h.ISKLIENT = isKlient;
    h.ISKLSTRV = isKlStrv;
    h.ISAPMAKSVEIDS = o.paymentType;
    h.WEB_PASUTIJUMS = true;
    h.ISNODALA = department(o, branchDepartment);
    const QString comment = o.comment.trimmed().isEmpty() ? QStringLiteral("NO WWW PASUTIJUMA") : o.comment;
    h.KOMENTARS = head.fit(QStringLiteral("KOMENTARS"), comment);
    if (isKlient <= 1)
        h.PIEZIMES = QStringLiteral("Klients ") + o.firstName + QLatin1Char(' ') + o.lastName + QStringLiteral(" Adrese ") + o.street;
    if (isKlient > 0) {
        // The customer's payment days, when it has them, give the payment date.
        SqlQuery konsign(goods, QStringLiteral("SELECT KONSIGN FROM N_KLIENT WHERE ISN=:ISN"));
        konsign.bind(QStringLiteral("ISN"), isKlient);
        konsign.open();
        bool ok = false;
        const int days = konsign.asString(QStringLiteral("KONSIGN")).trimmed().toInt(&ok);
        if (ok && days > 0)
            h.APM_LIDZ = h.DATUMS.addDays(days);
    }
    if (t->O_PASPAVInsert() <= 0)
        throw OrderFailed(t->ErrorText);

    if (o.shipping.present)
        extraLine(*t, o.shipping, o.shippingCode, o.parcelTerminal);
    if (o.commission.present)
        extraLine(*t, o.commission, QStringLiteral("commission"), QString());
    for (const auto& coupon : o.coupons)
        couponLine(*t, coupon.first, coupon.second);
    if (o.lines.isEmpty())
        ctx_.log.WriteLog(QStringLiteral("WWW Pasūtījumā %1 nav preču").arg(o.orderId));
    for (const Line& l : o.lines)
        goodsLine(*t, l);
    if (o.advancePayment)
        advancePayment(*t, o);
}

void OrderImport::extraLine(TO_paspavTable& t, const Total& total, const QString& code, const QString& terminal)
{
    const CodeGoods g = goodsByCode(ctx_.dati.PRECES_DB(), code);
    O_PASPRCRecord& l = t.O_PASPRC;
    l = O_PASPRCRecord();
    l.DAUDZUMS = 1;
    l.PIEZIMES = ColumnWidths::cut(total.title, 250);
    l.PIEZIMES2 = ColumnWidths::cut(terminal, 250);
    if (g.isn > 0) {
        l.ISPRECE = g.isn;
        l.CENA = options_.TranspNoWeb ? total.value / (g.nodoklis / 100 + 1) : g.pardcena1;
    } else {
        ctx_.log.WriteLog(QStringLiteral("Shipping - nav atrasts kods ") + code);
        l.CENA = total.value;
    }
    if (t.O_PASPRCInsert() <= 0)
        throw OrderFailed(t.ErrorText);
}

void OrderImport::couponLine(TO_paspavTable& t, const QString& code, double amount)
{
    const CodeGoods g = goodsByCode(ctx_.dati.PRECES_DB(), code);
    O_PASPRCRecord& l = t.O_PASPRC;
    l = O_PASPRCRecord();
    l.DAUDZUMS = 1;
    l.PIEZIMES = ColumnWidths::cut(code, 250);
    if (g.isn > 0) {
        l.ISPRECE = g.isn;
        l.CENA = amount / (g.nodoklis / 100 + 1);
    } else {
        ctx_.log.WriteLog(QStringLiteral("Kupons - nav atrasts kods ") + code);
        l.CENA = amount;
    }
    if (t.O_PASPRCInsert() <= 0)
        throw OrderFailed(t.ErrorText);
}

void OrderImport::goodsLine(TO_paspavTable& t, const Line& line)
{
    FbDatabase& goods = ctx_.dati.PRECES_DB();
    const QString model = ColumnWidths::cut(line.model, 30);
    int isPrece = 0;
    if (options_.chkPrecGrupet7Artikuls && !model.trimmed().isEmpty()) {
        // The variant of the group whose option value is one of the line's option texts.
        SqlQuery variant(goods, QStringLiteral(
            "SELECT N_KLPREC.ISN FROM N_KLPREC, O_ATRIBUTI WHERE N_KLPREC.ISN = O_ATRIBUTI.ISPRECE AND "
            "O_ATRIBUTI.ATRIBUTS_OPCIJA=1 AND N_KLPREC.ARTIKULS7=:ARTIKULS7 AND O_ATRIBUTI.VERTIBA=:VERTIBA"));
        for (const QString& text : line.optionTexts) {
            if (text.trimmed().isEmpty())
                continue;
            variant.bind(QStringLiteral("ARTIKULS7"), model).bind(QStringLiteral("VERTIBA"), ColumnWidths::cut(text, 250));
            variant.open();
            isPrece = variant.asInt(QStringLiteral("ISN"));
            if (isPrece > 0)
                break;
        }
        if (isPrece == 0) {
            SqlQuery group(goods, QStringLiteral("SELECT N_KLPREC.ISN FROM N_KLPREC WHERE N_KLPREC.ARTIKULS7=:ARTIKULS7"));
            group.bind(QStringLiteral("ARTIKULS7"), model);
            group.open();
            for (; !group.eof(); group.next())
                if (isPrece == 0 || group.asInt(QStringLiteral("ISN")) < isPrece)
                    isPrece = group.asInt(QStringLiteral("ISN"));
        }
    }
    O_PASPRCRecord& l = t.O_PASPRC;
    l = O_PASPRCRecord();
    if (isPrece == 0) {
        SqlQuery known(goods, QStringLiteral("SELECT ISN FROM N_KLPREC WHERE ISN=:ISN"));
        known.bind(QStringLiteral("ISN"), line.productId);
        known.open();
        if (known.isEmpty())
            l.PIEZIMES = ColumnWidths::cut(QStringLiteral("Nav atrasts ") + line.model, 250);
        isPrece = line.productId;
    }
    l.ISPRECE = isPrece;
    l.CENA = line.price;
    l.DAUDZUMS = line.quantity;
    if (t.O_PASPRCInsert() <= 0)
        throw OrderFailed(t.ErrorText);
}

void OrderImport::advancePayment(TO_paspavTable& t, const ShopOrder& o)
{
    FbDatabase& goods = ctx_.dati.PRECES_DB();
    const O_PASPAVRecord& h = t.O_PASPAV;
    const QDateTime today(ctx_.clock.now().date(), QTime(0, 0));
    const QString number = QString::number(o.orderId);
    SqlQuery payment(goods, QLatin1String(kPayment));
    payment.bind(QStringLiteral("ISKLIENT"), h.ISKLIENT)
        .bind(QStringLiteral("ISNODALA"), h.ISNODALA)
        .bind(QStringLiteral("ISAGENTS"), h.ISAGENTS)
        .bind(QStringLiteral("APMAKS_SUM"), o.total)
        .bind(QStringLiteral("APMAKS_DOK"), number)
        .bind(QStringLiteral("APMAKS_DAT"), today)
        .bind(QStringLiteral("PARPALIKUM"), o.total)
        .bind(QStringLiteral("ISAPMAKSVEIDS"), o.paymentType)
        .bind(QStringLiteral("SANEM_IZR"), 2)
        .bind(QStringLiteral("DEBETS"), QString(QLatin1String("")))
        .bind(QStringLiteral("KREDITS"), QString(QLatin1String("")))
        .bind(QStringLiteral("NELEGALIZ"), QStringLiteral("F"))
        .bind(QStringLiteral("DEBETSPVN"), QString(QLatin1String("")))
        .bind(QStringLiteral("KREDITSPVN"), QString(QLatin1String("")));
    payment.open();
    const int key = payment.asInt(QStringLiteral("ISN"));
    ctx_.dati.proc().InsertOperacijas(QStringLiteral("J"), number, QStringLiteral("O_APMAKS"), 0, nullptr,
                                      QStringLiteral("Summa=") + DateText::fixedText(o.total, 2) + QStringLiteral(" Avanss=F")
                                          + QStringLiteral(" Isapmaksveids=") + QString::number(o.paymentType),
                                      key, today);
    SqlQuery link(goods, QLatin1String(kPaymentLink));
    link.bind(QStringLiteral("DAT_PAVADZ"), today)
        .bind(QStringLiteral("ISAPMAKS"), key)
        .bind(QStringLiteral("ISPAVADZ"), h.ISN)
        .bind(QStringLiteral("NR_PAVADZ"), number)
        .bind(QStringLiteral("SUMMA"), o.total);
    link.exec();
    SqlQuery update(goods, QLatin1String(kPaymentHead));
    update.bind(QStringLiteral("APMAKS_SUM"), o.total)
        .bind(QStringLiteral("APMAKS_DOK"), number)
        .bind(QStringLiteral("ISAPMAKSVEIDS"), o.paymentType)
        .bind(QStringLiteral("APMAKS_DAT"), today)
        .bind(QStringLiteral("ISN"), h.ISN);
    update.exec();
}

void OrderImport::moveStatus(int orderId, int status)
{
    SqlQuery& q5 = *q5_;
    q5.bind(QStringLiteral("status_id"), status).bind(QStringLiteral("ORDER_ID"), orderId);
    q5.exec();
}

void OrderImport::complete(int status)
{
    // Statuses 0 to 2 are those of new and imported orders: completing with one would move
    // orders back.
    if (status <= 2) {
        ctx_.log.WriteLog(QStringLiteral("WWW Pabeigtā pasūtījuma statuss nav zināms (%1), pabeigtos pasūtījumus nemaina").arg(status));
        return;
    }
    QList<int> imported;
    {
        SqlQuery q7(shop_.database(), QStringLiteral("SELECT Pasut.ORDER_ID FROM `order` Pasut WHERE Pasut.order_status_id = 2"));
        q7.open();
        for (; !q7.eof(); q7.next())
            imported << q7.asInt(QStringLiteral("ORDER_ID"));
    }
    SqlQuery shipped(ctx_.dati.PRECES_DB(), QLatin1String(kShipped));
    for (int orderId : imported) {
        shipped.bind(QStringLiteral("NR_PAVADZ"), QString::number(orderId));
        shipped.open();
        if (!shipped.isEmpty())
            moveStatus(orderId, status);
    }
}
