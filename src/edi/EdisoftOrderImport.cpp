#include "EdisoftOrderImport.h"

#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/O_paspavtable.h"
#include "db/SqlQuery.h"
#include "platform/DateText.h"
#include "platform/Errors.h"
#include "platform/Log.h"

EdisoftResult EdisoftOrderImport::import(const QString& path)
{
    ctx_.log.WriteLog(QStringLiteral("Edisoft Pasūtījuma fails : ") + path);
    XmlElementReader file;
    try {
        file = XmlElementReader::fromFile(path);
    } catch (const std::exception& e) {
        return keepFile(ctx_, QStringLiteral("Kļūda ielasot no faila pie pasūtījumu importa. Paziņojums:") + errorText(e));
    }
    EdisoftResult refused;
    const std::optional<Order> order = read(file, path, refused);
    if (!order)
        return refused;
    try {
        return store(*order, path);
    } catch (const std::exception& e) {
        return keepFile(ctx_, QStringLiteral("Edisoft Kļūda ievadot pasūtījuma failu, fails paliek nākamajai reizei : ")
                                  + path + QStringLiteral(" Paziņojums:") + errorText(e));
    }
}

std::optional<EdisoftOrderImport::Order> EdisoftOrderImport::read(const XmlElementReader& file, const QString& path,
                                                                  EdisoftResult& refused)
{
    EdisoftValues v(file);
    Order o;
    o.number = v.text(QStringLiteral("OrderNumber"));
    QDate orderDate;
    try {
        orderDate = XmlElementReader::toDate(v.text(QStringLiteral("OrderDate")));
    } catch (const ConvertError&) {
    }
    // The delivery point's own ILN, not one further down the file.
    o.iln = v.text(QStringLiteral("ILN"), 1, file.block(QStringLiteral("DeliveryPoint")));
    QStringList missing;
    if (o.number.isEmpty())
        missing << QStringLiteral(" nav Numurs");
    if (!orderDate.isValid())
        missing << QStringLiteral(" nav Datums");
    if (o.iln.isEmpty())
        missing << QStringLiteral(" nav Klienta ILN kods");
    if (!missing.isEmpty()) {
        refused = refuseFile(ctx_, path, missing);
        return std::nullopt;
    }

    o.deliveryDate = v.date(QStringLiteral("ExpectedDeliveryDate"));
    o.date = options_.PasutijumaDatumaFlag == 1 && o.deliveryDate.isValid() ? o.deliveryDate : orderDate;
    v.limit(o.number, 30, QStringLiteral("OrderNumber"));
    v.limit(o.iln, 30, QStringLiteral("ILN"));

    const int total = v.count(QStringLiteral("TotalLines"));
    const int present = std::min(file.count(QStringLiteral("EAN")), file.count(QStringLiteral("OrderedQuantity")));
    if (total > present)
        v.refuse(QStringLiteral(" TotalLines=%1, bet failā ir %2 rindas").arg(total).arg(present));
    for (int i = 1; i <= std::min(total, present); ++i) {
        const QString where = QStringLiteral(" (rinda %1)").arg(i);
        Line l;
        l.ean = v.text(QStringLiteral("EAN"), i);
        const double pack = v.number(QStringLiteral("OrderedUnitPacksize"), i, kWholeFile, where);
        l.quantity = v.number(QStringLiteral("OrderedQuantity"), i, kWholeFile, where) * (pack == 0 ? 1.0 : pack);
        l.netAmount = v.number(QStringLiteral("OrderedNetAmount"), i, kWholeFile, where);
        v.limit(l.ean, 30, QStringLiteral("EAN") + where);
        if (l.ean.isEmpty() && l.quantity != 0)
            v.refuse(QStringLiteral(" nav preces koda") + where);
        o.lines << l;
    }
    if (!v.reasons().isEmpty()) {
        refused = refuseFile(ctx_, path, v.reasons());
        return std::nullopt;
    }
    return o;
}

EdisoftResult EdisoftOrderImport::store(const Order& o, const QString& path)
{
    TMainFormDati& dati = ctx_.dati;
    DocumentScope scope(dati);
    TO_paspavTable table(dati);
    O_PASPAVRecord& h = table.O_PASPAV;
    h.NR_PAVADZ = o.number;
    h.DATUMS = QDateTime(o.date, QTime(0, 0));
    if (o.deliveryDate.isValid())
        h.DAT_PIEGADE = QDateTime(o.deliveryDate, QTime(0, 0));
    h.ISNODALA = options_.Isnodala;
    h.PIEGADPIRCEJS = 2;  // an order from a buyer
    h.IEVKODS = kEdisoftEntryCode;
    if (options_.KlientaAtpazisana == 0)
        h.KL_IDKODS = o.iln;  // customer IDKODS, else branch KODS
    else
        h.KL_FTPKODS = o.iln;  // branch FTP_KLKODS, else customer FTP_KLKODS
    if (table.O_PASPAVInsert() <= 0)
        return keepFile(ctx_, QStringLiteral("Edisoft pasūtījums netika ievadīts, fails paliek nākamajai reizei : ") + path);

    if (const int earlier = earlierDocument(dati, QStringLiteral("O_PASPAV"), QStringLiteral("DATUMS"), h.ISKLIENT,
                                            o.number, o.date, h.ISN)) {
        const QString line = QStringLiteral("Edisoft pasūtījums Nr %1 datums %2 jau ir ievadīts (ISN=%3), "
                                            "neievadu to atkārtoti : %4")
                                 .arg(o.number, DateText::date(o.date)).arg(earlier).arg(path);
        ctx_.log.WriteLog(line);
        return {EdisoftOutcome::AlreadyStored, line};
    }

    SqlQuery customer(dati.PRECES_DB(), QStringLiteral(
        "SELECT ISN, GNOS, FTP_ISNODALA, FTP_DATI_IEP_C, FTP_ARTIKULS2, FTP_ARTIKULS3 FROM N_KLIENT WHERE ISN = :ISN"));
    customer.bind(QStringLiteral("ISN"), h.ISKLIENT);
    customer.open();
    ctx_.log.WriteLog(QStringLiteral("Pasūtījums Nr ") + o.number + QStringLiteral(" datums ") + DateText::date(o.date)
                      + QStringLiteral(" Klients ") + customer.asString(QStringLiteral("GNOS")).trimmed());
    if (h.ISKLIENT <= 1)
        ctx_.log.WriteLog(QStringLiteral("Edisoft klients ar kodu %1 nav atrasts: pasūtījums būs klientam "
                                         "\"Nav noteikts\"").arg(o.iln));

    TN_klprecinfo goods(dati);
    for (const Line& l : o.lines) {
        if (l.ean.isEmpty())
            continue;  // an empty line: no goods and no quantity
        table.O_PASPRC = {};
        O_PASPRCRecord& line = table.O_PASPRC;
        line.ARTIKULS = l.ean;
        line.ISPRECE = goods.FindArtikuls(l.ean);
        line.DAUDZUMS = l.quantity;
        line.APSTIPRIN_DAUDZ = l.quantity;
        if (line.ISPRECE > 0) {
            // The customer's price rules fall back to the goods' permanent discount themselves.
            const TCustomerPrice price = table.CustomerPrice(line.ISPRECE);
            line.CENA = price.CENA;
            line.ATLAIDE = price.ATLAIDE;
        }
        // The file's amount prices the line only where the price rules give nothing.
        if (line.CENA == 0 && line.DAUDZUMS != 0)
            line.CENA = l.netAmount / line.DAUDZUMS;
        if (table.O_PASPRCInsert() <= 0)
            return keepFile(ctx_, QStringLiteral("Edisoft pasūtījuma rinda netika ievadīta, fails paliek nākamajai "
                                                 "reizei : ") + path);
    }
    scope.commit();
    return {EdisoftOutcome::Stored, {}};
}
