#include "EquinoxDocuments.h"

#include "EquinoxFile.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/My_proc.h"
#include "db/O_parpavtable.h"
#include "db/O_prcouttable.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Log.h"

#include <QMap>

namespace {

const char* const kInvoicesByOrder =
    "SELECT O_PAVADZ.ISN, O_PAVADZ.DAT_SANEM, O_PAVADZ.NR_PAVADZ, O_PAVADZ.PZ_BLOK FROM O_PAVADZ WHERE PASUT_NR=:PASUT_NR";
const char* const kInvoiceOfSupplier =
    "SELECT O_PAVADZ.ISN, O_PAVADZ.DAT_SANEM, O_PAVADZ.NR_PAVADZ, O_PAVADZ.PZ_BLOK FROM O_PAVADZ WHERE "
    "ISKLIENT=:ISKLIENT AND PASUT_NR=:PASUT_NR";

bool isT(const SqlQuery& q, const char* column)
{
    return q.asString(QLatin1String(column)).trimmed() == QLatin1String("T");
}

}  // namespace

EquinoxDocuments::EquinoxDocuments(ExchangeContext& context, int inventorySupplier, int inventoryBuyer)
    : context_(context), booking_(context), inventorySupplier_(inventorySupplier), inventoryBuyer_(inventoryBuyer)
{
}

bool EquinoxDocuments::readLines(const XmlElementReader& r, const QString& quantityTag, const QString& number,
                                 QList<Line>& lines)
{
    const int n = r.count(QStringLiteral("article_id"));
    if (r.count(quantityTag) != n) {
        context_.log.WriteLog(QStringLiteral("Equinox failā Nr=%1 preču (%2) un daudzumu (%3) skaits nesakrīt")
                                  .arg(number).arg(n).arg(r.count(quantityTag)));
        return false;
    }
    for (int i = 1; i <= n; ++i) {
        const QString goods = r.value(QStringLiteral("article_id"), i);
        const QString quantity = r.value(quantityTag, i);
        try {
            lines.append({XmlElementReader::toInteger(goods), XmlElementReader::toNumber(quantity)});
        } catch (const ConvertError& e) {
            context_.log.WriteLog(QStringLiteral("Equinox failā Nr=%1 rinda %2 nav nolasāma: ").arg(number).arg(i)
                                  + e.message());
            return false;
        }
    }
    return true;
}

bool EquinoxDocuments::goodsKnown(const QList<Line>& lines, const QString& number)
{
    for (const Line& l : lines) {
        if (l.quantity != 0 && !booking_.goodsExists(l.goods)) {
            context_.log.WriteLog(QStringLiteral("Equinox nav atrasta prece Isprece=%1 Nr=%2").arg(l.goods).arg(number));
            return false;
        }
    }
    return true;
}

bool EquinoxDocuments::departmentsKnown(const QString& number, std::optional<int> from, std::optional<int> to)
{
    if (from && to && booking_.departmentExists(*from) && booking_.departmentExists(*to))
        return true;
    context_.log.WriteLog(QStringLiteral("Pasūtījumā Nr=%1 kļūda pie nodaļu ISN. IsnodalaNo=%2 IsnodalaUz=%3")
                              .arg(number)
                              .arg(from.value_or(0))
                              .arg(to.value_or(0)));
    return false;
}

void EquinoxDocuments::applyCheckedQuantities(int invoice, const QString& number, const QDateTime& received,
                                              bool blocked)
{
    Log& log = context_.log;
    if (blocked) {
        // Applied once: a second DONE would take the zeroed counts as the quantities.
        log.WriteLog(QStringLiteral("Equinox saņemšana jau pabeigta Nr=%1 Ispavadz=%2").arg(number).arg(invoice));
        return;
    }
    auto& db = context_.dati.PRECES_DB();
    SqlQuery apply(db, QStringLiteral("UPDATE O_PRECE SET DAUDZUMS=DAUDZUMS_PARB, DAUDZUMS_PARB=0 WHERE "
                                      "O_PRECE.ISPAVADZ=:ISPAVADZ AND DAUDZUMS_PARB IS NOT NULL"));
    apply.bind(QStringLiteral("ISPAVADZ"), invoice).exec();
    log.WriteLog(QStringLiteral("Mainu daudzumu saņemšanā Nr=%1 Ispavadz=%2").arg(number).arg(invoice));
    context_.dati.proc().InsertOperacijas(
        QStringLiteral("L"), number, QStringLiteral("O_PRECE"), 0, nullptr,
        QStringLiteral("EQUINOX-daudzuma maiņa visiem DAUDZUMS_PARB->DAUDZUMS, Ispavadz=%1").arg(invoice), invoice,
        received);
    SqlQuery block(db, QStringLiteral("UPDATE O_PAVADZ SET PZ_BLOK='T' WHERE ISN=:ISN"));
    block.bind(QStringLiteral("ISN"), invoice).exec();
    context_.dati.CommitRetaining();
}

bool EquinoxDocuments::completion(const EquinoxFile& file)
{
    if (!file.isDone())
        return true;
    const QString number = file.reader().value(QStringLiteral("inbound_order_no"));
    SqlQuery invoices(context_.dati.PRECES_DB(), QLatin1String(kInvoicesByOrder));
    invoices.bind(QStringLiteral("PASUT_NR"), number).open();
    if (invoices.isEmpty()) {
        // Nothing to complete: the warehouse's word is logged and the file is done.
        context_.log.WriteLog(QStringLiteral("Equinox nav atrasta saņemšanas pavadzīme Pasūtījuma Nr=") + number);
        return true;
    }
    for (; !invoices.eof(); invoices.next())
        applyCheckedQuantities(invoices.asInt(QStringLiteral("ISN")), invoices.asString(QStringLiteral("NR_PAVADZ")),
                               invoices.asDateTime(QStringLiteral("DAT_SANEM")), isT(invoices, "PZ_BLOK"));
    return true;
}

bool EquinoxDocuments::transferNote(const QString& number, int from, int to, const QString& vehicle,
                                    const QList<Line>& lines, int priceDepartment, const QString& zeroLine)
{
    Log& log = context_.log;
    SqlQuery booked(context_.dati.PRECES_DB(),
                    QStringLiteral("SELECT O_PARPAV.ISN FROM O_PARPAV WHERE O_PARPAV.PASUT_NR=:PASUT_NR AND "
                                   "O_PARPAV.ISNODALANO=:ISNODALANO AND O_PARPAV.ISNODALAUZ=:ISNODALAUZ AND "
                                   "O_PARPAV.IEVKODS=:IEVKODS"));
    booked.bind(QStringLiteral("PASUT_NR"), number)
        .bind(QStringLiteral("ISNODALANO"), from)
        .bind(QStringLiteral("ISNODALAUZ"), to)
        .bind(QStringLiteral("IEVKODS"), EquinoxBooking::entryCode())
        .open();
    if (!booked.isEmpty()) {
        log.WriteLog(QStringLiteral("Equinox dokuments jau ielasīts Nr=") + number);
        return true;
    }

    bool any = false;
    for (const Line& l : lines) {
        if (l.quantity == 0)
            log.WriteLog(zeroLine + QStringLiteral(" Isprece=%1 daudzums=0").arg(l.goods));
        else
            any = true;
    }
    if (!any)
        return true;

    TO_parpavTable note(context_.dati);
    note.O_PARPAV.ISNODALANO = from;
    note.O_PARPAV.ISNODALAUZ = to;
    note.O_PARPAV.DATUMS = QDateTime(context_.clock.now().date(), QTime(0, 0));
    note.O_PARPAV.NR_PAVADZ = number;
    note.O_PARPAV.PASUT_NR = number;
    note.O_PARPAV.ISMASINA = booking_.vehicle(vehicle);
    note.O_PARPAV.IEVKODS = EquinoxBooking::entryCode();
    if (note.O_PARPAVInsert() <= 0)
        return false;
    for (const Line& l : lines)
        if (l.quantity != 0 && !booking_.transferLine(note, l.goods, l.quantity, priceDepartment))
            return false;
    return true;
}

bool EquinoxDocuments::receipt(const EquinoxFile& file)
{
    const XmlElementReader& r = file.reader();
    const QString number = r.value(QStringLiteral("inbound_order_no"));
    const QString partner = r.value(QStringLiteral("partner_code"));
    QList<Line> lines;
    if (!readLines(r, QStringLiteral("actual_quantity"), number, lines))
        return false;

    if (partner.trimmed().startsWith(QLatin1String("ERP_"))) {
        // Goods a department sent back to the warehouse.
        const auto from = EquinoxBooking::department(partner);
        const auto to = EquinoxBooking::department(r.value(QStringLiteral("erp_wh_code")));
        if (!departmentsKnown(number, from, to) || !goodsKnown(lines, number))
            return false;
        return transferNote(number, *from, *to, r.value(QStringLiteral("vw_ud_field_0")), lines, *from,
                            QStringLiteral("Inbounf order Nr=") + number);
    }

    // A purchase: the warehouse's count goes to the supplier's invoice as the checked quantity.
    bool isSupplier = false;
    const int supplier = partner.trimmed().toInt(&isSupplier);
    SqlQuery invoice(context_.dati.PRECES_DB(), QLatin1String(kInvoiceOfSupplier));
    if (isSupplier)
        invoice.bind(QStringLiteral("ISKLIENT"), supplier).bind(QStringLiteral("PASUT_NR"), number).open();
    if (!isSupplier || invoice.isEmpty()) {
        context_.log.WriteLog(QStringLiteral("Nav saņemšanas pavadzīme Isklient=") + partner
                              + QStringLiteral(" Pasūtījuma Nr=") + number);
        return true;
    }
    const int key = invoice.asInt(QStringLiteral("ISN"));
    const QString invoiceNumber = invoice.asString(QStringLiteral("NR_PAVADZ"));
    if (isT(invoice, "PZ_BLOK")) {
        context_.log.WriteLog(QStringLiteral("Equinox saņemšana jau pabeigta Nr=%1 Ispavadz=%2").arg(invoiceNumber).arg(key));
        return true;
    }
    // A count given in several lines is the sum of them.
    QMap<int, double> counted;
    QList<int> order;
    for (const Line& l : lines) {
        if (!counted.contains(l.goods))
            order << l.goods;
        counted[l.goods] += l.quantity;
    }
    auto& db = context_.dati.PRECES_DB();
    SqlQuery current(db, QStringLiteral("SELECT DAUDZUMS_PARB FROM O_PRECE WHERE O_PRECE.ISPAVADZ=:ISPAVADZ AND "
                                        "O_PRECE.ISPRECE=:ISPRECE"));
    SqlQuery store(db, QStringLiteral("UPDATE O_PRECE SET DAUDZUMS_PARB=:DAUDZUMS WHERE O_PRECE.ISPAVADZ=:ISPAVADZ AND "
                                      "O_PRECE.ISPRECE=:ISPRECE"));
    for (int goods : order) {
        current.bind(QStringLiteral("ISPAVADZ"), key).bind(QStringLiteral("ISPRECE"), goods).open();
        if (current.isEmpty()) {
            context_.log.WriteLog(QStringLiteral("Equinox prece nav saņemšanas pavadzīmē Nr=%1 Isprece=%2")
                                      .arg(invoiceNumber)
                                      .arg(goods));
            continue;
        }
        store.bind(QStringLiteral("DAUDZUMS"), counted.value(goods))
            .bind(QStringLiteral("ISPAVADZ"), key)
            .bind(QStringLiteral("ISPRECE"), goods)
            .exec();
    }
    if (file.isDone())
        applyCheckedQuantities(key, invoiceNumber, invoice.asDateTime(QStringLiteral("DAT_SANEM")), false);
    context_.dati.CommitRetaining();
    return true;
}

bool EquinoxDocuments::shipment(const EquinoxFile& file)
{
    const XmlElementReader& r = file.reader();
    const QString number = r.value(QStringLiteral("outbound_order_no"));
    const auto from = EquinoxBooking::department(r.value(QStringLiteral("erp_wh_code")));
    const auto to = EquinoxBooking::department(r.value(QStringLiteral("partner_code")));
    // A shipment to a customer is no transfer of the goods database: logged, and the file is
    // done. A department code that names no department is a fault of the file.
    if (from && !to) {
        departmentsKnown(number, from, to);
        return true;
    }
    if (!departmentsKnown(number, from, to))
        return false;
    QList<Line> lines;
    if (!readLines(r, QStringLiteral("actual_quantity"), number, lines) || !goodsKnown(lines, number))
        return false;
    return transferNote(number, *from, *to, r.value(QStringLiteral("driver_name")), lines, *from,
                        QStringLiteral("Pasūtījumā Nr=") + number);
}

bool EquinoxDocuments::adjustment(const EquinoxFile& file)
{
    const XmlElementReader& r = file.reader();
    Log& log = context_.log;
    const QString number = r.value(QStringLiteral("document_no"));
    const QString reason = r.value(QStringLiteral("erp_reason_type"));
    QDate date;
    try {
        date = XmlElementReader::toDate(r.value(QStringLiteral("posting_date")));
    } catch (const ConvertError& e) {
        log.WriteLog(QStringLiteral("Equinox korekcijā Nr=%1 nav nolasāms posting_date: ").arg(number) + e.message());
        return false;
    }
    QList<Line> all;
    if (!readLines(r, QStringLiteral("quantity"), number, all))
        return false;
    const int n = static_cast<int>(all.size());
    if (r.count(QStringLiteral("from_erp_wh_code")) != n || r.count(QStringLiteral("to_erp_wh_code")) != n) {
        log.WriteLog(QStringLiteral("Equinox korekcijā Nr=%1 noliktavu un preču skaits nesakrīt").arg(number));
        return false;
    }

    // One invoice per warehouse and direction, in the order their first lines come.
    struct Group {
        int warehouse;
        bool incoming;
        QList<Line> lines;
    };
    QList<Group> groups;
    for (int i = 1; i <= n; ++i) {
        const Line& l = all.at(i - 1);
        const QString fromCode = r.value(QStringLiteral("from_erp_wh_code"), i);
        const QString toCode = r.value(QStringLiteral("to_erp_wh_code"), i);
        const auto from = EquinoxBooking::department(fromCode);
        const auto to = EquinoxBooking::department(toCode);
        if (!from || !to || !booking_.departmentExists(*from)) {
            log.WriteLog(QStringLiteral("Equinox korekcijā Nr=%1 kļūda pie noliktavas: %2 %3").arg(number, fromCode, toCode));
            return false;
        }
        if (*from != *to) {
            log.WriteLog(QStringLiteral("Equinox korekcija starp noliktavām netiek grāmatota Nr=%1 Isprece=%2 %3->%4")
                             .arg(number)
                             .arg(l.goods)
                             .arg(fromCode, toCode));
            continue;
        }
        if (l.quantity == 0) {
            log.WriteLog(QStringLiteral("Korekcijā Nr=%1 Isprece=%2 daudzums=0").arg(number).arg(l.goods));
            continue;
        }
        const bool incoming = l.quantity > 0;
        auto g = std::find_if(groups.begin(), groups.end(),
                              [&](const Group& x) { return x.warehouse == *from && x.incoming == incoming; });
        if (g == groups.end()) {
            groups.append({*from, incoming, {}});
            g = groups.end() - 1;
        }
        g->lines.append({l.goods, std::abs(l.quantity)});
    }
    for (const Group& g : groups)
        if (!goodsKnown(g.lines, number))
            return false;

    auto& db = context_.dati.PRECES_DB();
    const QDateTime day(date, QTime(0, 0));
    for (const Group& g : groups) {
        SqlQuery booked(db, g.incoming ? QStringLiteral("SELECT ISN FROM O_PAVADZ WHERE NR_PAVADZ=:NR_PAVADZ AND "
                                                        "ISNODALA=:ISNODALA AND DAT_PAVADZ=:DATUMS AND IEVKODS=:IEVKODS")
                                       : QStringLiteral("SELECT ISN FROM O_PAVOUT WHERE NR_PAVADZ=:NR_PAVADZ AND "
                                                        "ISNODALA=:ISNODALA AND DATUMS=:DATUMS AND IEVKODS=:IEVKODS"));
        booked.bind(QStringLiteral("NR_PAVADZ"), number)
            .bind(QStringLiteral("ISNODALA"), g.warehouse)
            .bind(QStringLiteral("DATUMS"), day)
            .bind(QStringLiteral("IEVKODS"), EquinoxBooking::entryCode())
            .open();
        if (!booked.isEmpty()) {
            log.WriteLog(QStringLiteral("Equinox dokuments jau ielasīts Nr=") + number);
            return true;
        }
    }

    for (const Group& g : groups) {
        if (g.incoming) {
            TO_preceTable invoice(context_.dati);
            O_PAVADZRecord& h = invoice.O_PAVADZ;
            h.ISKLIENT = inventorySupplier_;
            h.ISNODALA = g.warehouse;
            h.NR_PAVADZ = number;
            h.DAT_PAVADZ = day;
            h.DAT_SANEM = day;
            h.KOMENTARS = reason;
            h.IEVKODS = EquinoxBooking::entryCode();
            if (invoice.O_PAVADZInsert() <= 0)
                return false;
            for (const Line& l : g.lines)
                if (!booking_.incomingLine(invoice, l.goods, l.quantity, g.warehouse))
                    return false;
        } else {
            TO_prcoutTable invoice(context_.dati);
            O_PAVOUTRecord& h = invoice.O_PAVOUT;
            h.ISKLIENT = inventoryBuyer_;
            h.ISNODALA = g.warehouse;
            h.NR_PAVADZ = number;
            h.DATUMS = day;
            h.DAT_ATKR = day;
            h.KOMENTARS = reason;
            h.IEVKODS = EquinoxBooking::entryCode();
            if (invoice.O_PAVOUTInsert() <= 0)
                return false;
            for (const Line& l : g.lines)
                if (!booking_.outgoingLine(invoice, l.goods, l.quantity, g.warehouse))
                    return false;
        }
    }
    return true;
}
