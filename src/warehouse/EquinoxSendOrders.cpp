#include "EquinoxSendOrders.h"

#include "EquinoxXmlFile.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/DateText.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/RunReport.h"
#include "platform/XmlTextCleaning.h"

#include <cmath>

namespace {

const char* const kLinesSql =
    "SELECT O_PASPAV.ISN, O_PASPAV.NR_PAVADZ, O_PASPAV.ISKLIENT, O_PASPAV.ISNODALA, O_PASPAV.ISNODALAUZ, "
    "O_PASPRC.ISPRECE, O_PASPRC.APSTIPRIN_DAUDZ DAUDZUMS, O_PASPAV.PIEGADPIRCEJS, O_PASPAV.PIEGADE_VEIKALA, "
    "O_PASPAV.KOMENTARS, N_DEPART.BAZE_FLAG, N_DEPARTUZ.BAZE_FLAG BAZE_UZ_FLAG, N_DEPART.EQUINOX_KODS FROM "
    "O_PASPRC, N_DEPART, O_PASPAV LEFT OUTER JOIN N_DEPART N_DEPARTUZ ON (O_PASPAV.ISNODALAUZ=N_DEPARTUZ.ISN) "
    "WHERE O_PASPAV.ISN = O_PASPRC.ISPASPAV AND O_PASPAV.ISNODALA = N_DEPART.ISN AND (N_DEPART.BAZE_FLAG='T' OR "
    "N_DEPARTUZ.BAZE_FLAG='T') AND (O_PASPAV.WEB_PASUTIJUMS IS NULL OR O_PASPAV.WEB_PASUTIJUMS='F') AND "
    "O_PASPAV.DATUMS BETWEEN :DAT_NO AND :DAT_LIDZ AND (O_PASPAV.EQUINOX_STATUSS IS NULL OR "
    "O_PASPAV.EQUINOX_STATUSS=0) ORDER BY O_PASPAV.ISN";
const char* const kMarkSql = "UPDATE O_PASPAV SET EQUINOX_STATUSS = 1, EQUINOX_DATUMS=:DATUMS WHERE ISN=:ISN";

// One field of an order head, written in its order after the number.
struct HeadField {
    const char* tag;
    QString value;
};

struct OrderHead {
    bool inbound = false;
    QList<HeadField> fields;
};

struct Order {
    int isn = 0;
    QString number;  // as stored, for the log
    OrderHead head;
    QList<std::pair<int, double>> lines;  // goods, quantity
};

}  // namespace

EquinoxSendOrders::EquinoxSendOrders(ExchangeContext& context, EquinoxLogin login)
    : context_(context), connection_(context, std::move(login))
{
}

namespace {

QString erp(int department)
{
    return QStringLiteral("ERP_%1").arg(department);
}

QString shipDate(const QDateTime& value)
{
    return value.isValid() ? DateText::dateToIso(value.date()) + QStringLiteral(" 00:00:00") : QString();
}

// The order's list and head fields by the head's columns; false when it goes to no list.
bool classify(const SqlQuery& row, OrderHead& out)
{
    const int kind = row.asInt(QStringLiteral("PIEGADPIRCEJS"));
    const int klient = row.asInt(QStringLiteral("ISKLIENT"));
    const int nodala = row.asInt(QStringLiteral("ISNODALA"));
    const int nodalaUz = row.asInt(QStringLiteral("ISNODALAUZ"));
    const QString ship = shipDate(row.asDateTime(QStringLiteral("PIEGADE_VEIKALA")));
    const QString comment = row.asString(QStringLiteral("KOMENTARS"));
    const auto addComment = [&] {
        if (!comment.trimmed().isEmpty())
            out.fields.append({"ud_field_1", XmlTextCleaning::clean(comment)});
    };
    switch (kind) {
    case 1: {
        out.inbound = true;
        out.fields = {{"type", QStringLiteral("PURCHASE")}, {"supplier_code", QString::number(klient)},
                      {"erp_wh_code", erp(nodala)}};
        const QString code = row.asString(QStringLiteral("EQUINOX_KODS"));
        if (!code.trimmed().isEmpty())
            out.fields.append({"ud_field_0", QStringLiteral("ERP_") + XmlTextCleaning::clean(code)});
        return true;
    }
    case 2:
        out.inbound = false;
        out.fields = {{"type", QStringLiteral("SALE")}, {"partner_code", QString::number(klient)},
                      {"erp_wh_code", erp(nodala)}, {"last_ship_date", ship}};
        addComment();
        return true;
    case 3: {
        const bool fromWarehouse = row.asString(QStringLiteral("BAZE_FLAG")).trimmed() == QLatin1String("T");
        const bool toWarehouse = row.asString(QStringLiteral("BAZE_UZ_FLAG")).trimmed() == QLatin1String("T");
        if (fromWarehouse && !toWarehouse) {
            out.inbound = true;
            out.fields = {{"type", QStringLiteral("RETURN")}, {"supplier_code", erp(nodalaUz)},
                          {"erp_wh_code", erp(nodala)}};
        } else if (fromWarehouse) {
            out.inbound = false;
            out.fields = {{"type", QStringLiteral("TRANSFER")}, {"partner_code", erp(nodala)},
                          {"erp_wh_code", erp(nodalaUz)}, {"last_ship_date", ship}};
        } else {
            out.inbound = false;
            out.fields = {{"type", QStringLiteral("SALE")}, {"partner_code", erp(nodala)},
                          {"erp_wh_code", erp(nodalaUz)}, {"last_ship_date", ship}};
            addComment();
        }
        return true;
    }
    default:
        return false;
    }
}

void writeOrder(EquinoxXmlFile& f, const Order& o)
{
    using D = EquinoxXmlFile;
    const bool inbound = o.head.inbound;
    const char* entity = inbound ? "inbound_order" : "outbound_order";
    f.begin(D::Entity, entity);
    f.text(D::Field, inbound ? "inbound_order_no" : "outbound_order_no", o.number);
    for (const HeadField& h : o.head.fields)
        f.field(D::Field, h.tag, h.value);
    const char* details = inbound ? "inbound_order_details" : "outbound_order_details";
    const char* detail = inbound ? "inbound_order_detail" : "outbound_order_detail";
    f.begin(D::Field, details);
    int item = 0;
    for (const auto& [goods, quantity] : o.lines) {
        f.begin(D::Item, detail);
        f.field(D::ItemField, "item_no", QString::number(++item));
        f.field(D::ItemField, "article_id", QString::number(goods));
        f.field(D::ItemField, "quantity", DateText::fixedText(std::round(quantity * 1000.0) / 1000.0, 3));
        f.end(D::Item, detail);
    }
    f.end(D::Field, details);
    f.end(D::Entity, entity);
}

// Marks the orders of a file that arrived; a failure is logged and the next goes on.
void mark(ExchangeContext& context, const QList<Order>& orders)
{
    SqlQuery q(context.dati.PRECES_DB(), QLatin1String(kMarkSql));
    for (const Order& o : orders) {
        try {
            q.bind(QStringLiteral("DATUMS"), context.clock.now()).bind(QStringLiteral("ISN"), o.isn);
            q.exec();
            context.dati.CommitRetaining();
            context.report.moved();
        } catch (const std::exception& e) {
            const QString line = QStringLiteral("Neizdevās atjaunot pasūtījumam Nr.") + o.number
                + QStringLiteral(" statusu !!! \n\n") + errorText(e);
            context.log.WriteLog(line);
            context.report.fail(line);
        }
    }
}

}  // namespace

bool EquinoxSendOrders::run()
{
    if (!connection_.check())
        return false;
    context_.log.WriteLog(QStringLiteral("Equinox Sagatavoju pasūtījumu eksportu..."));
    const QDate today = context_.clock.now().date();
    SqlQuery q(context_.dati.PRECES_DB(), QLatin1String(kLinesSql));
    // The whole day: orders carry the time they were entered.
    q.bind(QStringLiteral("DAT_NO"), QDateTime(today, QTime(0, 0)))
        .bind(QStringLiteral("DAT_LIDZ"), QDateTime(today, QTime(23, 59, 59, 999)));
    q.open();

    QList<Order> inbound, outbound;
    Order current;
    bool listed = false;
    const auto finish = [&] {
        if (listed)
            (current.head.inbound ? inbound : outbound).append(current);
        listed = false;
    };
    for (; !q.eof(); q.next()) {
        const int isn = q.asInt(QStringLiteral("ISN"));
        if (isn != current.isn) {
            finish();
            current = Order{};
            current.isn = isn;
            current.number = q.asString(QStringLiteral("NR_PAVADZ"));
            listed = classify(q, current.head);
        }
        current.lines.append({q.asInt(QStringLiteral("ISPRECE")), q.asDouble(QStringLiteral("DAUDZUMS"))});
    }
    finish();

    // Both files are named after the moment they are written.
    const QDateTime now = context_.clock.now();
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd_HHmmss"));
    bool ok = true;
    const auto send = [&](const QList<Order>& orders, bool in) {
        // An empty list is not sent: the warehouse would only read a file of nothing.
        if (orders.isEmpty())
            return;
        EquinoxXmlFile f(connection_.xmlNamespace(), in ? "inbound_orders" : "outbound_orders");
        for (const Order& o : orders)
            writeOrder(f, o);
        const QString name = (in ? QStringLiteral("inboundorders") : QStringLiteral("outboundorders")) + stamp
            + QStringLiteral(".xml");
        if (connection_.upload(name, f.close()))
            mark(context_, orders);
        else
            ok = false;
    };
    send(inbound, true);
    send(outbound, false);
    context_.log.WriteLog(QStringLiteral("Equinox Pasūtījumi OK"));
    return ok;
}
