#include "EdisoftImport.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

QString EdisoftValues::text(const QString& tag, int n, const XmlBlock& within) const
{
    return reader_.value(tag, n, within).trimmed();
}

double EdisoftValues::number(const QString& tag, int n, const XmlBlock& within, const QString& where)
{
    const QString value = text(tag, n, within);
    try {
        return XmlElementReader::toNumber(value);
    } catch (const ConvertError&) {
        refuse(QStringLiteral(" %1%2 nav skaitlis: '%3'").arg(tag, where, value));
        return 0.0;
    }
}

QDate EdisoftValues::date(const QString& tag, int n, const XmlBlock& within, const QString& where)
{
    const QString value = text(tag, n, within);
    if (value.isEmpty())
        return {};
    try {
        return XmlElementReader::toDate(value);
    } catch (const ConvertError&) {
        refuse(QStringLiteral(" %1%2 nav datums: '%3'").arg(tag, where, value));
        return {};
    }
}

int EdisoftValues::count(const QString& tag)
{
    const QString value = text(tag);
    try {
        const int n = XmlElementReader::toInteger(value);
        if (n >= 0)
            return n;
    } catch (const ConvertError&) {
    }
    refuse(QStringLiteral(" %1 nav rindu skaits: '%2'").arg(tag, value));
    return -1;
}

void EdisoftValues::limit(const QString& value, int length, const QString& what)
{
    if (value.size() > length)
        refuse(QStringLiteral(" %1 garāks par %2 zīmēm").arg(what).arg(length));
}

EdisoftResult refuseFile(ExchangeContext& ctx, const QString& path, const QStringList& reasons)
{
    const QString line = QStringLiteral("Edisoft Kļūda XML faila datos : ") + path + reasons.join(QString());
    ctx.log.WriteLog(line);
    return {EdisoftOutcome::Refused, line};
}

EdisoftResult keepFile(ExchangeContext& ctx, const QString& line)
{
    ctx.log.WriteLog(line);
    return {EdisoftOutcome::Failed, line};
}

int earlierDocument(TMainFormDati& dati, const QString& table, const QString& dateColumn, int isKlient,
                    const QString& number, const QDate& date, int ownKey)
{
    // Table and column are the callers' constants, never a file's text.
    SqlQuery q(dati.PRECES_DB(), QStringLiteral("SELECT FIRST 1 ISN FROM %1 WHERE ISKLIENT=:ISKLIENT AND "
                                                "NR_PAVADZ=:NR_PAVADZ AND %2=:DATUMS AND ISN<>:ISN ORDER BY ISN")
                                     .arg(table, dateColumn));
    q.bind(QStringLiteral("ISKLIENT"), isKlient)
        .bind(QStringLiteral("NR_PAVADZ"), number)
        .bind(QStringLiteral("DATUMS"), QDateTime(date, QTime(0, 0)))
        .bind(QStringLiteral("ISN"), ownKey);
    q.open();
    return q.asInt(QStringLiteral("ISN"));
}
