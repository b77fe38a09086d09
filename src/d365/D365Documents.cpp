#include "D365Documents.h"

#include "D365Connection.h"
#include "D365MasterData.h"
#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/O_atgpavtable.h"
#include "db/O_parpavtable.h"
#include "db/O_prcouttable.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

namespace {

const char* const kReceiptDuplicate = "SELECT ISN FROM O_PAVADZ WHERE D365_ID=:D365_ID";
const char* const kReturnDuplicate = "SELECT ISN FROM O_ATGPAV WHERE D365_ID=:D365_ID";
const char* const kSaleDuplicate = "SELECT ISN FROM O_PAVOUT WHERE D365_ID=:D365_ID";
const char* const kTransferDuplicate = "SELECT ISN FROM O_PARPAV WHERE D365_ID=:D365_ID";

QDateTime day(const QDate& date)
{
    return QDateTime(date, QTime(0, 0));
}

// A line's goods by the D365 product number; a product the register lacks is created with
// that number in ARTIKULS5, so the next product import completes the row instead of adding one.
template <class LineRecord>
void lineGoods(LineRecord& l, const QString& product)
{
    l.ARTIKULS = product;
    l.Meklet = GoodsLookup::Article5;
    l.JaunaPrece.ARTIKULS5 = product;
}

}  // namespace

D365Documents::D365Documents(ExchangeContext& context, D365Connection& connection, D365MasterData& masterData)
    : ctx_(context), connection_(connection), masterData_(masterData)
{
}

void D365Documents::begin()
{
    refused_ = false;
}

QList<D365Documents::Line> D365Documents::readLines(const D365Record& r, bool salesPrice, bool certificate)
{
    QList<Line> lines;
    if (r.has(QStringLiteral("line")) && r.json().value(QStringLiteral("line")).isNull())
        throw D365Error(r.where() + QStringLiteral(": lauks \"line\" ir tukšs"));
    const QJsonArray array = r.array(QStringLiteral("line"));
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString at = QStringLiteral("%1, %2. rinda").arg(r.where()).arg(i + 1);
        if (!array.at(i).isObject())
            throw D365Error(at + QStringLiteral(": nav objekts"));
        const D365Record element(array.at(i).toObject(), at);
        Line l;
        l.product = element.text(QStringLiteral("Product"));
        l.qty = element.number(QStringLiteral("Qty"));
        if (salesPrice)
            l.salesPrice = element.number(QStringLiteral("SalesPrice"));
        if (certificate)
            l.certificate = element.text(QStringLiteral("Certificate"));
        lines << l;
    }
    return lines;
}

bool D365Documents::imported(const char* duplicateSql, const QString& recId)
{
    SqlQuery q(ctx_.dati.PRECES_DB(), QString::fromLatin1(duplicateSql));
    q.bind(QStringLiteral("D365_ID"), recId);
    q.open();
    return !q.isEmpty();
}

int D365Documents::department(const D365Record& r, const QString& key)
{
    const int isn = r.integer(key);
    SqlQuery q(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_DEPART WHERE ISN=:ISN"));
    q.bind(QStringLiteral("ISN"), isn);
    q.open();
    if (!q.isEmpty())
        return isn;
    ctx_.log.WriteLog(QStringLiteral("%1: nodaļa %2=%3 nav atrasta, dokumentā nodaļa ar ISN=1").arg(r.where(), key).arg(isn));
    return 1;
}

void D365Documents::refused(const QString& operation, const QString& what, const QString& error)
{
    // The scope rolls the document back; the next run (the mark stays) tries it again.
    const QString line = QStringLiteral("Kļūda pie %1: %2 nav ievietots, dokuments netiek saglabāts : %3")
                             .arg(operation, what, error.simplified());
    ctx_.log.WriteLog(line);
    ctx_.report.fail(line);
    refused_ = true;
}

int D365Documents::GetPurchaseOrders()
{
    begin();
    const QString operation = QStringLiteral("GetPurchaseOrders");
    TO_preceTable receipts(ctx_.dati);
    TO_atgpavTable returns(ctx_.dati);
    return connection_.runFetch(
        operation, QStringLiteral("Purchase"), QStringLiteral("LastPurchaseOrderDate"),
        [&](const D365Record& r) {
            const QString recId = r.text(QStringLiteral("RecId"));
            // only the exact text: "True" is a receipt
            const bool isReturn = r.text(QStringLiteral("ReturnOrder")) == QLatin1String("true");
            if (imported(isReturn ? kReturnDuplicate : kReceiptDuplicate, recId))
                return;
            const int isNodala = department(r, QStringLiteral("ISNDepartment"));
            const QString account = r.text(QStringLiteral("OrderAccount"));
            const QString number = r.text(QStringLiteral("InvoiceId"));
            const QDate delivery = r.date(QStringLiteral("DeliveryDate"));
            const QDate invoice = r.date(QStringLiteral("InvoiceDate"));
            const QList<Line> lines = readLines(r, false, false);
            const QString what = QStringLiteral("RecId %1 (%2)").arg(recId, number);

            DocumentScope scope(ctx_.dati);
            if (isReturn) {
                O_ATGPAVRecord& h = returns.O_ATGPAV;
                h = O_ATGPAVRecord();
                h.ISNODALA = isNodala;
                h.KL_IDKODS = account;
                h.NR_PAVADZ = number;
                h.DATUMS = day(invoice);
                h.DAT_ATKR = day(delivery);
                h.PIEZIMES = note();
                h.D365_ID = recId;
                if (returns.O_ATGPAVInsert() <= 0)
                    return refused(operation, what + QStringLiteral(" galva"), returns.ErrorText);
                for (qsizetype i = 0; i < lines.size(); ++i) {
                    O_ATGPRCRecord& l = returns.O_ATGPRC;
                    l = O_ATGPRCRecord();
                    lineGoods(l, lines[i].product);
                    l.DAUDZUMS = -lines[i].qty;  // returns are stored negative
                    if (returns.O_ATGPRCInsert() <= 0)
                        return refused(operation, what + QStringLiteral(", %1. rinda").arg(i + 1), returns.ErrorText);
                }
            } else {
                O_PAVADZRecord& h = receipts.O_PAVADZ;
                h = O_PAVADZRecord();
                h.ISNODALA = isNodala;
                h.KL_IDKODS = account;
                h.NR_PAVADZ = number;
                h.DAT_SANEM = day(delivery);
                h.DAT_PAVADZ = day(invoice);
                h.PIEZIMES = note();
                h.D365_ID = recId;
                if (receipts.O_PAVADZInsert() <= 0)
                    return refused(operation, what + QStringLiteral(" galva"), receipts.ErrorText);
                for (qsizetype i = 0; i < lines.size(); ++i) {
                    O_PRECERecord& l = receipts.O_PRECE;
                    l = O_PRECERecord();
                    lineGoods(l, lines[i].product);
                    l.DAUDZUMS = lines[i].qty;
                    if (receipts.O_PRECEInsert() <= 0)
                        return refused(operation, what + QStringLiteral(", %1. rinda").arg(i + 1), receipts.ErrorText);
                }
            }
            scope.commit();
            ctx_.report.moved();
        },
        [this] { return allStored(); });
}

int D365Documents::GetStoreSales()
{
    begin();
    const QString operation = QStringLiteral("GetStoreSales");
    TO_prcoutTable sales(ctx_.dati);
    SqlQuery goods(ctx_.dati.PRECES_DB(), QStringLiteral("SELECT ISN, NODOKLIS FROM N_KLPREC WHERE ARTIKULS5=:ARTIKULS"));
    return connection_.runFetch(
        operation, QStringLiteral("StoreSales"), QStringLiteral("LastStoreSalesDate"),
        [&](const D365Record& r) {
            const QString recId = r.text(QStringLiteral("RecId"));
            if (imported(kSaleDuplicate, recId))
                return;
            const int isNodala = department(r, QStringLiteral("ISNDepartment"));
            const QString account = r.text(QStringLiteral("OrderAccount"));
            const QString number = r.text(QStringLiteral("InvoiceId"));
            const QDate invoice = r.date(QStringLiteral("InvoiceDate"));
            const QList<Line> lines = readLines(r, true, false);
            const QString what = QStringLiteral("RecId %1 (%2)").arg(recId, number);

            DocumentScope scope(ctx_.dati);
            O_PAVOUTRecord& h = sales.O_PAVOUT;
            h = O_PAVOUTRecord();
            h.ISNODALA = isNodala;
            h.KL_IDKODS = account;
            h.NR_PAVADZ = number;
            h.DATUMS = day(invoice);
            h.PIEZIMES = note();
            h.D365_ID = recId;
            // without a head every line would only show its own message
            if (sales.O_PAVOUTInsert() <= 0)
                return refused(operation, what + QStringLiteral(" galva"), sales.ErrorText);
            for (qsizetype i = 0; i < lines.size(); ++i) {
                O_PRCOUTRecord& l = sales.O_PRCOUT;
                l = O_PRCOUTRecord();
                goods.bind(QStringLiteral("ARTIKULS"), lines[i].product);
                goods.open();
                // The price without VAT at the rate the line is stored with: the product's,
                // or the default rate a new product is created with.
                double rate = ctx_.dati.DEF_PVN;
                if (goods.isEmpty()) {
                    lineGoods(l, lines[i].product);
                } else {
                    l.ISPRECE = goods.asInt(QStringLiteral("ISN"));
                    rate = goods.asDouble(QStringLiteral("NODOKLIS"));
                }
                l.NODOKLIS = rate;
                l.DAUDZUMS = lines[i].qty;
                l.CENA = lines[i].salesPrice / (rate / 100.0 + 1.0);
                if (sales.O_PRCOUTInsert() <= 0)
                    return refused(operation, what + QStringLiteral(", %1. rinda").arg(i + 1), sales.ErrorText);
            }
            scope.commit();
            ctx_.report.moved();
        },
        [this] { return allStored(); });
}

int D365Documents::GetTransfers()
{
    begin();
    const QString operation = QStringLiteral("GetTransfers");
    TO_parpavTable transfers(ctx_.dati);
    return connection_.runFetch(
        operation, QStringLiteral("Transfers"), QStringLiteral("LastTransfersDate"),
        [&](const D365Record& r) {
            const QString recId = r.text(QStringLiteral("RecId"));
            if (imported(kTransferDuplicate, recId))
                return;
            const QString number = r.text(QStringLiteral("JournalId"));
            const QDate date = r.date(QStringLiteral("TransDate"));
            const int from = department(r, QStringLiteral("ISNDepartmentFrom"));
            const int to = department(r, QStringLiteral("ISNDepartmentTo"));
            const QList<Line> lines = readLines(r, false, true);
            const QString what = QStringLiteral("RecId %1 (%2)").arg(recId, number);

            DocumentScope scope(ctx_.dati);
            O_PARPAVRecord& h = transfers.O_PARPAV;
            h = O_PARPAVRecord();
            h.NR_PAVADZ = number;
            h.DATUMS = day(date);
            h.ISNODALANO = from;
            h.ISNODALAUZ = to;
            h.PIEZIMES = note();
            h.D365_ID = recId;
            if (transfers.O_PARPAVInsert() <= 0)
                return refused(operation, what + QStringLiteral(" galva"), transfers.ErrorText);
            for (qsizetype i = 0; i < lines.size(); ++i) {
                O_PARPRCRecord& l = transfers.O_PARPRC;
                l = O_PARPRCRecord();
                lineGoods(l, lines[i].product);
                l.DAUDZUMS = lines[i].qty;
                // an empty certificate is the row with the empty name, made once
                l.ISSERTIF = masterData_.certificateIsn(lines[i].certificate);
                if (transfers.O_PARPRCInsert() <= 0)
                    return refused(operation, what + QStringLiteral(", %1. rinda").arg(i + 1), transfers.ErrorText);
            }
            scope.commit();
            ctx_.report.moved();
        },
        [this] { return allStored(); });
}
