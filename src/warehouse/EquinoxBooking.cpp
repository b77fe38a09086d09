#include "EquinoxBooking.h"

#include "db/DocumentTable.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/O_parpavtable.h"
#include "db/O_prcouttable.h"
#include "db/O_precetable.h"
#include "db/SqlQuery.h"

namespace {

const char* const kPlainPrice = "CENA";
const char* const kDiscountedPrice = "CENA*(1+ATLAIDE/100)";

QDateTime endOfDay(const QDate& date)
{
    return QDateTime(date, QTime(23, 59, 59, 999));
}

}  // namespace

std::optional<int> EquinoxBooking::department(const QString& code)
{
    const QString c = code.trimmed();
    if (!c.startsWith(QLatin1String("ERP_")))
        return std::nullopt;
    bool ok = false;
    const int key = c.mid(4).toInt(&ok);
    if (!ok || key <= 0)
        return std::nullopt;
    return key;
}

bool EquinoxBooking::departmentExists(int key)
{
    SqlQuery q(context_.dati.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_DEPART WHERE ISN=:ISN"));
    q.bind(QStringLiteral("ISN"), key).open();
    return !q.isEmpty();
}

bool EquinoxBooking::goodsExists(int key)
{
    SqlQuery q(context_.dati.PRECES_DB(), QStringLiteral("SELECT ISN FROM N_KLPREC WHERE ISN=:ISN"));
    q.bind(QStringLiteral("ISN"), key).open();
    return !q.isEmpty();
}

double EquinoxBooking::lastIncomingPrice(int goods, const QDate& date, int department)
{
    auto& db = context_.dati.PRECES_DB();
    SqlQuery level(db, QStringLiteral("SELECT CENKODS FROM N_DEPART WHERE ISN=:ISN"));
    level.bind(QStringLiteral("ISN"), department).open();
    const QString expression = QLatin1String(level.asInt(QStringLiteral("CENKODS")) > 0 ? kDiscountedPrice : kPlainPrice);
    const bool byDepartment = department > 0;

    SqlQuery receipt(db, QStringLiteral("SELECT FIRST 1 O_PAVADZ.ISN, DAT_SANEM DATUMS, ") + expression
                             + QStringLiteral(" LAUKS FROM O_PRECE, O_PAVADZ WHERE O_PRECE.ISPAVADZ = O_PAVADZ.ISN AND "
                                              "(O_PAVADZ.DAT_SANEM+0)<=:DATUMS AND O_PRECE.ISPRECE = :ISPRECE")
                             + (byDepartment ? QStringLiteral(" AND O_PAVADZ.ISNODALA = :ISNODALA") : QString())
                             + QStringLiteral(" ORDER BY DAT_SANEM DESCENDING"));
    receipt.bind(QStringLiteral("DATUMS"), endOfDay(date)).bind(QStringLiteral("ISPRECE"), goods);
    if (byDepartment)
        receipt.bind(QStringLiteral("ISNODALA"), department);
    receipt.open();
    const bool received = !receipt.isEmpty();
    const QDateTime since = received ? receipt.asDateTime(QStringLiteral("DATUMS")) : QDateTime(QDate(1900, 1, 1), QTime(0, 0));

    SqlQuery transfer(db, QStringLiteral("SELECT FIRST 1 O_PARPAV.ISN, O_PARPAV.DATUMS, ") + expression
                              + QStringLiteral(" LAUKS FROM O_PARPRC, O_PARPAV WHERE O_PARPRC.ISPARVPAV = O_PARPAV.ISN AND "
                                               "(O_PARPAV.DATUMS+0)<=:DATUMS AND (O_PARPAV.DATUMS+0)>:DATJAUNS AND "
                                               "O_PARPRC.ISPRECE = :ISPRECE")
                              + (byDepartment ? QStringLiteral(" AND O_PARPAV.ISNODALAUZ = :ISNODALA") : QString())
                              + QStringLiteral(" ORDER BY DATUMS DESCENDING, ISN DESCENDING"));
    transfer.bind(QStringLiteral("DATUMS"), endOfDay(date))
        .bind(QStringLiteral("DATJAUNS"), since)
        .bind(QStringLiteral("ISPRECE"), goods);
    if (byDepartment)
        transfer.bind(QStringLiteral("ISNODALA"), department);
    transfer.open();
    if (!transfer.isEmpty())
        return transfer.asDouble(QStringLiteral("LAUKS"));
    if (received)
        return receipt.asDouble(QStringLiteral("LAUKS"));

    SqlQuery card(db, QStringLiteral("SELECT NEWIEPCENA FROM N_KLPREC WHERE ISN=:ISN"));
    card.bind(QStringLiteral("ISN"), goods).open();
    return card.asDouble(QStringLiteral("NEWIEPCENA"));
}

int EquinoxBooking::vehicle(const QString& text)
{
    const QString name = text.trimmed().left(100);
    if (name.isEmpty())
        return 0;
    auto& db = context_.dati.PRECES_DB();
    SqlQuery find(db, QStringLiteral("SELECT ISN FROM N_MASINA WHERE GNOS=:GNOS"));
    find.bind(QStringLiteral("GNOS"), name).open();
    if (!find.isEmpty())
        return find.asInt(QStringLiteral("ISN"));
    SqlQuery insert(db, QStringLiteral("INSERT INTO N_MASINA (GNOS, VADITAJS) VALUES (:GNOS, :VADITAJS)"));
    insert.bind(QStringLiteral("GNOS"), name).bind(QStringLiteral("VADITAJS"), name).exec();
    find.open();
    return find.asInt(QStringLiteral("ISN"));
}

bool EquinoxBooking::addLine(const Sink& sink, int goods, double quantity, int priceDepartment)
{
    if (!sink.insert(goods, quantity, lastIncomingPrice(goods, sink.date, priceDepartment)))
        return false;

    auto& db = context_.dati.PRECES_DB();
    SqlQuery deposit(db, QStringLiteral("SELECT ISDEPOZITATARA, DEPOZITATARADAUDZUMS FROM N_KLPREC WHERE ISN=:ISN"));
    deposit.bind(QStringLiteral("ISN"), goods).open();
    const int tare = deposit.asInt(QStringLiteral("ISDEPOZITATARA"));
    const double tareQuantity = quantity * deposit.asDouble(QStringLiteral("DEPOZITATARADAUDZUMS"));
    if (tare <= 0 || tareQuantity == 0)
        return true;

    SqlQuery existing(db, QLatin1String(sink.existingSql));
    existing.bind(QStringLiteral("HEAD"), sink.head).bind(QStringLiteral("ISPRECE"), tare).open();
    if (existing.isEmpty())
        return sink.insert(tare, tareQuantity, lastIncomingPrice(tare, sink.date, priceDepartment));
    SqlQuery raise(db, QLatin1String(sink.updateSql));
    raise.bind(QStringLiteral("DAUDZUMS"), existing.asDouble(QStringLiteral("DAUDZUMS")) + tareQuantity)
        .bind(QStringLiteral("ISN"), existing.asInt(QStringLiteral("ISN")))
        .exec();
    // The line's own insert moved the stock by what it held; the raise moves it by what it adds.
    sink.stock(tare, tareQuantity);
    return true;
}

bool EquinoxBooking::transferLine(TO_parpavTable& note, int goods, double quantity, int priceDepartment)
{
    const O_PARPAVRecord& head = note.O_PARPAV;
    Sink sink{head.ISN, head.DATUMS.date(),
              "SELECT O_PARPRC.ISN, O_PARPRC.DAUDZUMS FROM O_PARPAV, O_PARPRC WHERE O_PARPAV.ISN = O_PARPRC.ISPARVPAV AND "
              "O_PARPAV.ISN = :HEAD AND O_PARPRC.ISPRECE = :ISPRECE",
              "UPDATE O_PARPRC SET DAUDZUMS=:DAUDZUMS WHERE ISN=:ISN",
              [&](int g, double q, double price) {
                  note.O_PARPRC = {};
                  note.O_PARPRC.ISPRECE = g;
                  note.O_PARPRC.DAUDZUMS = q;
                  note.O_PARPRC.CENA = price;
                  note.O_PARPRC.IEVKODS = entryCode();
                  return note.O_PARPRCInsert() > 0;
              },
              [&](int g, double added) {
                  UpdateCurrentStock(context_.dati, head.ISNODALANO, g, head.DATUMS, -added, QString(), 1);
                  UpdateCurrentStock(context_.dati, head.ISNODALAUZ, g, head.DATUMS, added, QString(), 1);
              }};
    return addLine(sink, goods, quantity, priceDepartment);
}

bool EquinoxBooking::incomingLine(TO_preceTable& invoice, int goods, double quantity, int priceDepartment)
{
    const O_PAVADZRecord& head = invoice.O_PAVADZ;
    Sink sink{head.ISN, head.DAT_SANEM.date(),
              "SELECT O_PRECE.ISN, O_PRECE.DAUDZUMS FROM O_PAVADZ, O_PRECE WHERE O_PAVADZ.ISN = O_PRECE.ISPAVADZ AND "
              "O_PAVADZ.ISN = :HEAD AND O_PRECE.ISPRECE = :ISPRECE",
              "UPDATE O_PRECE SET DAUDZUMS=:DAUDZUMS WHERE ISN=:ISN",
              [&](int g, double q, double price) {
                  invoice.O_PRECE = {};
                  invoice.O_PRECE.ISPRECE = g;
                  invoice.O_PRECE.DAUDZUMS = q;
                  invoice.O_PRECE.CENA = price;
                  invoice.O_PRECE.IEVKODS = entryCode();
                  return invoice.O_PRECEInsert() > 0;
              },
              [&](int g, double added) {
                  UpdateCurrentStock(context_.dati, head.ISNODALA, g, head.DAT_SANEM, added, QString(), 1);
              }};
    return addLine(sink, goods, quantity, priceDepartment);
}

bool EquinoxBooking::outgoingLine(TO_prcoutTable& invoice, int goods, double quantity, int priceDepartment)
{
    const O_PAVOUTRecord& head = invoice.O_PAVOUT;
    Sink sink{head.ISN, head.DATUMS.date(),
              "SELECT O_PRCOUT.ISN, O_PRCOUT.DAUDZUMS FROM O_PAVOUT, O_PRCOUT WHERE O_PAVOUT.ISN = O_PRCOUT.ISPAVOUT AND "
              "O_PAVOUT.ISN = :HEAD AND O_PRCOUT.ISPRECE = :ISPRECE",
              "UPDATE O_PRCOUT SET DAUDZUMS=:DAUDZUMS WHERE ISN=:ISN",
              [&](int g, double q, double price) {
                  invoice.O_PRCOUT = {};
                  invoice.O_PRCOUT.ISPRECE = g;
                  invoice.O_PRCOUT.DAUDZUMS = q;
                  invoice.O_PRCOUT.CENA = price;
                  invoice.O_PRCOUT.IEP_CENA = price;
                  invoice.O_PRCOUT.IEVKODS = entryCode();
                  return invoice.O_PRCOUTInsert() > 0;
              },
              [&](int g, double added) {
                  UpdateCurrentStock(context_.dati, head.ISNODALA, g, head.DATUMS, -added, QString(), 1);
              }};
    return addLine(sink, goods, quantity, priceDepartment);
}
