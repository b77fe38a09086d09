#include "Kopklbilance.h"

#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"

#include <cmath>

double roundMoney(double value)
{
    const double cents = value * 100.0;
    return std::round(cents + (cents >= 0 ? 1e-7 : -1e-7)) / 100.0;
}

namespace {

// The sum of one amount over the rows of a document statement.
template <typename Amount>
double sumOf(TMainFormDati& dati, const QString& sql, int isKlient, const QDateTime& from, const QDateTime& until, Amount amount)
{
    SqlQuery q(dati.PRECES_DB(), sql);
    q.bind(QStringLiteral("ISKLIENT"), isKlient).bind(QStringLiteral("DATNO"), from).bind(QStringLiteral("DATLIDZ"), until);
    double sum = 0;
    for (q.open(); !q.eof(); q.next())
        sum += amount(q);
    return sum;
}

double perRate(const SqlQuery& q, double amount)
{
    const double rate = q.asDouble(QStringLiteral("VAL_KURSS"));
    return rate > 0 ? amount / rate : amount;
}

}  // namespace

double Kopklbilance(TMainFormDati& dati, int isKlient, bool dateEachDocument, bool legalisedOnly, const QDate& balanceDate,
                    const QString& extraCondition, bool foreignCurrency)
{
    (void)dateEachDocument;
    SqlQuery partner(dati.PRECES_DB(), QStringLiteral("SELECT SAKATLSUM, SAKATLDAT, PIEGADAT FROM N_KLIENT WHERE ISN =:ISKLIENT"));
    partner.bind(QStringLiteral("ISKLIENT"), isKlient);
    partner.open();
    if (partner.isEmpty())
        return 0;
    double balance = 0;
    QDate opening(1900, 1, 1);
    if (!partner.isNull(QStringLiteral("SAKATLDAT"))) {
        opening = partner.asDateTime(QStringLiteral("SAKATLDAT")).date();
        if (balanceDate < opening)
            return 0;
        balance = partner.asDouble(QStringLiteral("SAKATLSUM"));
    }
    const bool supplier = partner.asString(QStringLiteral("PIEGADAT")).trimmed() == QLatin1String("T");

    // Dates carry a time of day: whole days are the day after the opening day from its
    // midnight, up to the midnight that ends the balance day.
    const QDateTime from(opening.addDays(1), QTime(0, 0));
    const QDateTime until(balanceDate.addDays(1), QTime(0, 0));
    QString more;
    if (legalisedOnly)
        more += QStringLiteral(" AND (NELEGALIZ != 'T' OR NELEGALIZ IS NULL OR NELEGALIZ='') ");
    if (!extraCondition.trimmed().isEmpty())
        more += QStringLiteral(" AND ") + extraCondition;
    auto statement = [&more](const char* select, const char* dateColumn) {
        return QString::fromLatin1(select)
            + QStringLiteral(" WHERE ISKLIENT=:ISKLIENT AND %1>=:DATNO AND %1<:DATLIDZ ").arg(QLatin1String(dateColumn)) + more;
    };
    const QString kopsumma = QStringLiteral("KOPSUMMA");

    if (!supplier) {
        const QString total = foreignCurrency ? QStringLiteral("PAVADZ_VAL") : kopsumma;
        const QString returned = foreignCurrency ? QStringLiteral("VALUTA") : kopsumma;
        balance += sumOf(dati, statement("SELECT ISN, DATUMS, KOPSUMMA, PAVADZ_VAL FROM O_PAVOUT", "DATUMS"), isKlient, from, until,
                         [&](const SqlQuery& q) { return q.asDouble(total); });
        balance -= sumOf(dati, statement("SELECT Round(APMAKS_SUM+PARPALIKUM,2) SUMMA, VAL_KURSS FROM O_APMAKS", "APMAKS_DAT"),
                         isKlient, from, until, [&](const SqlQuery& q) {
                             const double paid = q.asDouble(QStringLiteral("SUMMA"));
                             return foreignCurrency ? perRate(q, paid) : paid;
                         });
        balance -= sumOf(dati, statement("SELECT ISN, DATUMS, ISNODALA, KOPSUMMA, VALUTA FROM O_ATGPAV", "DATUMS"), isKlient, from,
                         until, [&](const SqlQuery& q) { return q.asDouble(returned); });
    } else {
        const QString total = foreignCurrency ? QStringLiteral("VALUTARPVNSUM") : kopsumma;
        const QString returned = foreignCurrency ? QStringLiteral("VALUTA") : kopsumma;
        balance += sumOf(dati, statement("SELECT ISN, DAT_SANEM DATUMS, KOPSUMMA, VALUTARPVNSUM FROM O_PAVADZ", "DAT_SANEM"), isKlient,
                         from, until, [&](const SqlQuery& q) { return roundMoney(q.asDouble(total)); });
        balance -= sumOf(dati, statement("SELECT APMAKS_SUM, PARPALIKUM, VAL_KURSS FROM O_APMAKS", "APMAKS_DAT"), isKlient, from,
                         until, [&](const SqlQuery& q) {
                             const double paid = q.asDouble(QStringLiteral("APMAKS_SUM")) + q.asDouble(QStringLiteral("PARPALIKUM"));
                             return foreignCurrency ? perRate(q, paid) : paid;
                         });
        // Goods sent back to the supplier lower what is owed to it.
        balance -= sumOf(dati, statement("SELECT ISN, KOPSUMMA, VALUTA, DATUMS FROM O_ATGPAV", "DATUMS"), isKlient, from, until,
                         [&](const SqlQuery& q) { return q.asDouble(returned); });
    }
    return roundMoney(balance);
}
