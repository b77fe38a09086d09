#include "EdisoftReceiptImport.h"

#include "EdiGoodsLookup.h"

#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"
#include "platform/DateText.h"
#include "platform/Errors.h"
#include "platform/Log.h"

#include <cmath>

namespace {

QDateTime day(const QDate& date)
{
    return QDateTime(date, QTime(0, 0));
}

}  // namespace

EdisoftResult EdisoftReceiptImport::import(const QString& path)
{
    ctx_.log.WriteLog(QStringLiteral("Edisoft Saņemšanas fails : ") + path);
    XmlElementReader file;
    try {
        file = XmlElementReader::fromFile(path);
    } catch (const std::exception& e) {
        return keepFile(ctx_, QStringLiteral("Edisoft Kļūda ielasot no faila pie saņemšanas importa. Paziņojums:")
                                  + errorText(e));
    }
    EdisoftResult refused;
    const std::optional<Receipt> receipt = read(file, path, refused);
    if (!receipt)
        return refused;
    try {
        return store(*receipt, path);
    } catch (const std::exception& e) {
        return keepFile(ctx_, QStringLiteral("Edisoft Kļūda ievadot saņemšanas failu, fails paliek nākamajai reizei : ")
                                  + path + QStringLiteral(" Paziņojums:") + errorText(e));
    }
}

std::optional<EdisoftReceiptImport::Receipt> EdisoftReceiptImport::read(const XmlElementReader& file,
                                                                        const QString& path, EdisoftResult& refused)
{
    EdisoftValues v(file);
    Receipt r;
    r.number = v.text(QStringLiteral("InvoiceNumber"));
    // The supplier's own TaxID: the buyer's further down is not the seller's.
    r.taxId = v.text(QStringLiteral("TaxID"), 1, file.block(QStringLiteral("Seller")));
    r.location = v.text(QStringLiteral("DeliveryLocationNumber"));
    try {
        r.invoiceDate = XmlElementReader::toDate(v.text(QStringLiteral("InvoiceDate")));
    } catch (const ConvertError&) {
    }
    QStringList missing;
    if (r.number.isEmpty())
        missing << QStringLiteral(" nav Numurs");
    if (!r.invoiceDate.isValid())
        missing << QStringLiteral(" nav Datums");
    if (r.taxId.isEmpty())
        missing << QStringLiteral(" nav Klienta PVN kods");
    if (r.location.isEmpty())
        missing << QStringLiteral(" nav Nodaļas kods");
    if (!missing.isEmpty()) {
        refused = refuseFile(ctx_, path, missing);
        return std::nullopt;
    }

    r.comment = v.text(QStringLiteral("Remarks")).left(1000);
    r.orderNumber = v.text(QStringLiteral("BuyerOrderNumber"));
    r.dueDate = v.date(QStringLiteral("InvoicePaymentDueDate"));
    try {
        r.salesDate = XmlElementReader::toDate(v.text(QStringLiteral("SalesDate")));
    } catch (const ConvertError&) {
        r.salesDate = r.invoiceDate;
    }
    v.limit(r.number, 30, QStringLiteral("InvoiceNumber"));
    v.limit(r.orderNumber, 30, QStringLiteral("BuyerOrderNumber"));
    v.limit(r.taxId, 20, QStringLiteral("TaxID"));
    v.limit(r.location, 30, QStringLiteral("DeliveryLocationNumber"));

    const int total = v.count(QStringLiteral("TotalLines"));
    const int present = file.count(QStringLiteral("Line"));
    if (total > present)
        v.refuse(QStringLiteral(" TotalLines=%1, bet failā ir %2 rindas").arg(total).arg(present));
    for (int i = 1; i <= std::min(total, present); ++i) {
        const XmlBlock b = file.block(QStringLiteral("Line"), i);
        const QString where = QStringLiteral(" (rinda %1)").arg(i);
        Line l;
        l.description = v.text(QStringLiteral("ItemDescription"), 1, b);
        l.unit = v.text(QStringLiteral("UnitOfMeasure"), 1, b);
        l.supplierCode = v.text(QStringLiteral("SupplierItemCode"), 1, b);
        l.buyerCode = v.text(QStringLiteral("BuyerItemCode"), 1, b);
        l.ean = v.text(QStringLiteral("EAN"), 1, b);
        l.remarks = v.text(QStringLiteral("Remarks"), 1, b);
        l.taxRate = v.number(QStringLiteral("TaxRate"), 1, b, where);
        l.quantity = v.number(QStringLiteral("InvoiceQuantity"), 1, b, where);
        l.netAmount = v.number(QStringLiteral("NetAmount"), 1, b, where);
        l.unitPrice = v.number(QStringLiteral("InvoiceUnitNetPrice"), 1, b, where);
        for (const QString* code : {&l.supplierCode, &l.buyerCode, &l.ean})
            v.limit(*code, 100, QStringLiteral("Preces kods") + where);
        if (l.quantity != 0 && l.supplierCode.isEmpty() && l.buyerCode.isEmpty() && l.ean.isEmpty())
            v.refuse(QStringLiteral(" nav preces koda") + where);
        r.lines << l;
    }
    if (!v.reasons().isEmpty()) {
        refused = refuseFile(ctx_, path, v.reasons());
        return std::nullopt;
    }
    return r;
}

EdisoftReceiptImport::Supplier EdisoftReceiptImport::supplier(const QString& taxId)
{
    SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral(
        "SELECT ISN, GNOS, FTP_ISNODALA, FTP_DATI_IEP_C, FTP_ARTIKULS2, FTP_ARTIKULS3 FROM N_KLIENT WHERE PVNKODS = :PVNKODS"));
    q.bind(QStringLiteral("PVNKODS"), taxId);
    q.open();
    Supplier s;
    s.isn = q.asInt(QStringLiteral("ISN"));
    s.name = q.asString(QStringLiteral("GNOS")).trimmed();
    s.department = q.asInt(QStringLiteral("FTP_ISNODALA"));
    s.unitPrices = q.asString(QStringLiteral("FTP_DATI_IEP_C")).trimmed() == QLatin1String("T");
    s.supplierColumn = q.asInt(QStringLiteral("FTP_ARTIKULS2"));
    s.buyerColumn = q.asInt(QStringLiteral("FTP_ARTIKULS3"));
    return s;
}

int EdisoftReceiptImport::certificate(const QString& name)
{
    const QString gnos = name.left(200);
    SqlQuery find(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_SERTIF WHERE GNOS=:GNOS"));
    find.bind(QStringLiteral("GNOS"), gnos);
    find.open();
    if (find.asInt(QStringLiteral("ISN")) > 0)
        return find.asInt(QStringLiteral("ISN"));
    SqlQuery insert(ctx_.dati.PRECES_DB(),
                    QStringLiteral("INSERT INTO N_SERTIF (GNOS, DERIGSLIDZ) VALUES (:GNOS, :DERIGSLIDZ)"));
    insert.bind(QStringLiteral("GNOS"), gnos).bind(QStringLiteral("DERIGSLIDZ"), DateText::neverDue());
    insert.exec();
    find.open();
    return find.asInt(QStringLiteral("ISN"));
}

EdisoftResult EdisoftReceiptImport::store(const Receipt& r, const QString& path)
{
    TMainFormDati& dati = ctx_.dati;
    const Supplier s = supplier(r.taxId);
    if (s.isn <= 0)
        ctx_.log.WriteLog(QStringLiteral("Edisoft piegādātājs ar PVN kodu %1 nav atrasts: pavadzīme būs klientam "
                                         "\"Nav noteikts\"").arg(r.taxId));
    int department = s.department;
    if (department <= 0) {
        SqlQuery d(dati.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_DEPART WHERE EDISOFT_KODS=:KODS"));
        d.bind(QStringLiteral("KODS"), r.location);
        d.open();
        department = d.asInt(QStringLiteral("ISN"));
        if (department <= 0)
            ctx_.log.WriteLog(QStringLiteral("Edisoft nodaļa ar kodu %1 nav atrasta: pavadzīme būs nodaļai "
                                             "\"Nav noteikts\"").arg(r.location));
    }

    DocumentScope scope(dati);
    TO_preceTable table(dati);
    O_PAVADZRecord& h = table.O_PAVADZ;
    h.ISKLIENT = s.isn;
    h.KL_PVNKODS = r.taxId;
    h.ISNODALA = department;
    h.NODALAS_KODS = r.location;
    h.NODALAS_KODA_LAUKS = QStringLiteral("EDISOFT_KODS");
    h.NR_PAVADZ = r.number;
    h.DAT_PAVADZ = day(r.invoiceDate);
    h.DAT_SANEM = day(r.salesDate);
    if (r.dueDate.isValid())
        h.APM_LIDZ = day(r.dueDate);
    h.PASUT_NR = r.orderNumber;
    h.KOMENTARS = r.comment;
    h.NELEGALIZ = options_.SanNeapstiprin;
    h.IEVKODS = kEdisoftEntryCode;
    ctx_.log.WriteLog(QStringLiteral("Pavadzīme Nr ") + r.number + QStringLiteral(" datums ")
                      + DateText::date(r.invoiceDate) + QStringLiteral(" Klients ") + s.name);
    if (table.O_PAVADZInsert() <= 0)
        return keepFile(ctx_, QStringLiteral("Edisoft pavadzīme netika ievadīta, fails paliek nākamajai reizei : ") + path);

    if (const int earlier = earlierDocument(dati, QStringLiteral("O_PAVADZ"), QStringLiteral("DAT_PAVADZ"), h.ISKLIENT,
                                            r.number, r.invoiceDate, h.ISN)) {
        const QString line = QStringLiteral("Edisoft pavadzīme Nr %1 datums %2 jau ir ievadīta (ISN=%3), "
                                            "neievadu to atkārtoti : %4")
                                 .arg(r.number, DateText::date(r.invoiceDate)).arg(earlier).arg(path);
        ctx_.log.WriteLog(line);
        return {EdisoftOutcome::AlreadyStored, line};
    }

    SqlQuery departmentName(dati.PRECES_DB(), QStringLiteral("SELECT GNOS FROM N_DEPART WHERE ISN=:ISN"));
    departmentName.bind(QStringLiteral("ISN"), h.ISNODALA);
    departmentName.open();
    SqlQuery defined(dati.PRECES_DB(),
                     QStringLiteral("SELECT N_KLPREC.NEWIEPCENA, N_KLPREC.GNOS PRECE FROM N_KLPREC WHERE ISN=:ISN"));
    EdiGoodsLookup goods(dati);
    QStringList priceWarnings;
    for (const Line& l : r.lines) {
        if (l.quantity == 0)
            continue;
        const double price = s.unitPrices ? l.unitPrice : l.netAmount / l.quantity;
        TJaunaPrece newGoods;
        newGoods.GNOS = l.description.left(200);
        newGoods.MERVIENIBA = l.unit.left(20);
        newGoods.NODOKLIS = l.taxRate;
        newGoods.PARDCENA1 = price;
        newGoods.ISPRKLIENT = h.ISKLIENT;
        newGoods.IEVKODS = kEdisoftEntryCode;
        const EdiGoods g = goods.find({{l.ean, 0}, {l.supplierCode, s.supplierColumn}, {l.buyerCode, s.buyerColumn}},
                                      newGoods);

        table.O_PRECE = {};
        O_PRECERecord& line = table.O_PRECE;
        line.ISPRECE = g.ISN;
        line.ARTIKULS = g.ARTIKULS;
        line.GNOS = l.description;
        line.CENA = price;
        line.DAUDZUMS = l.quantity;
        line.NODOKLIS = l.taxRate;
        line.ISSERTIF = l.remarks.isEmpty() ? 0 : certificate(l.remarks);
        line.IEVKODS = kEdisoftEntryCode;
        if (table.O_PRECEInsert() <= 0)
            return keepFile(ctx_, QStringLiteral("Edisoft pavadzīmes rinda netika ievadīta, fails paliek nākamajai "
                                                 "reizei : ") + path);

        defined.bind(QStringLiteral("ISN"), line.ISPRECE);
        defined.open();
        const double newIepCena = defined.asDouble(QStringLiteral("NEWIEPCENA"));
        if (newIepCena != 0 && std::fabs(newIepCena - price) > 0.009)
            priceWarnings << QStringLiteral("Edisoft Nesakrīt iep.cena !!! Nodaļa:")
                    + departmentName.asString(QStringLiteral("GNOS")).trimmed() + QStringLiteral(" Prece:")
                    + defined.asString(QStringLiteral("PRECE")).trimmed() + QStringLiteral(" Nosūtītāja cena:")
                    + DateText::fixedText(price, 3) + QStringLiteral(" Definētā cena:")
                    + DateText::fixedText(newIepCena, 3);
    }
    scope.commit();
    for (const QString& warning : priceWarnings)
        ctx_.log.WriteLog(warning);
    return {EdisoftOutcome::Stored, {}};
}
