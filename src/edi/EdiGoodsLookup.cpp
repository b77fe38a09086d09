#include "EdiGoodsLookup.h"

#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"

namespace {

constexpr int kCodeLength = 25;

}  // namespace

EdiGoodsLookup::EdiGoodsLookup(TMainFormDati& dati) : dati_(dati), register_(dati)
{
}

QString EdiGoodsLookup::articleColumn(int column)
{
    // The column name goes into the statement: only the seven article columns.
    if (column >= 2 && column <= 7)
        return QStringLiteral("ARTIKULS%1").arg(column);
    return QStringLiteral("ARTIKULS");
}

EdiGoods EdiGoodsLookup::byAnyColumn(const QString& code, const QString& second)
{
    SqlQuery q(dati_.PRECES_DB(), QStringLiteral(
        "SELECT ISN, ARTIKULS FROM N_KLPREC WHERE ARTIKULS=:ARTIKULS OR ARTIKULS2=:ARTIKULS OR ARTIKULS3=:ARTIKULS "
        "OR ARTIKULS4=:ARTIKULS OR ARTIKULS5=:ARTIKULS OR ARTIKULS6=:ARTIKULS OR ARTIKULS7=:ARTIKULS7 "
        "OR ARTIKULI_N CONTAINING :ARTIKULI_N"));
    // Without a second code ARTIKULS7 is compared with the first: an empty text would match
    // every row whose ARTIKULS7 is empty.
    q.bind(QStringLiteral("ARTIKULS"), code.left(kCodeLength))
        .bind(QStringLiteral("ARTIKULS7"), (second.isEmpty() ? code : second).left(kCodeLength))
        .bind(QStringLiteral("ARTIKULI_N"), QLatin1Char('|') + code + QLatin1Char('|'));
    q.open();
    for (; !q.eof(); q.next())
        if (q.asInt(QStringLiteral("ISN")) > 0)
            return {q.asInt(QStringLiteral("ISN")), q.asString(QStringLiteral("ARTIKULS")).trimmed(), false};
    return {};
}

EdiGoods EdiGoodsLookup::byColumn(const QString& code, int column)
{
    SqlQuery q(dati_.PRECES_DB(),
               QStringLiteral("SELECT ISN, ARTIKULS FROM N_KLPREC WHERE %1=:ARTIKULS").arg(articleColumn(column)));
    q.bind(QStringLiteral("ARTIKULS"), code.left(kCodeLength));
    q.open();
    for (; !q.eof(); q.next())
        if (q.asInt(QStringLiteral("ISN")) > 0)
            return {q.asInt(QStringLiteral("ISN")), q.asString(QStringLiteral("ARTIKULS")).trimmed(), false};
    return {};
}

EdiGoods EdiGoodsLookup::find(const QList<EdiArticleCode>& codes, const TJaunaPrece& newGoods)
{
    QList<EdiArticleCode> given;
    for (const EdiArticleCode& c : codes)
        if (!c.code.trimmed().isEmpty())
            given.append({c.code.trimmed(), c.column});
    if (given.isEmpty())
        return {};

    EdiGoods found = byAnyColumn(given.first().code, given.size() > 1 ? given.at(1).code : QString());
    for (int i = 1; found.ISN <= 0 && i < given.size(); ++i)
        found = byColumn(given.at(i).code, given.at(i).column);
    if (found.ISN > 0)
        return found;

    TJaunaPrece p = newGoods;
    p.ARTIKULS = given.first().code.left(kCodeLength);
    if (p.NODOKLIS == 0)
        p.NODOKLIS = dati_.DEF_PVN;
    const int isn = register_.CreatePrece(p);
    return {isn, p.ARTIKULS, true};
}
