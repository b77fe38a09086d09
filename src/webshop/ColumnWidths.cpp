#include "ColumnWidths.h"

#include "db/SqlQuery.h"

ColumnWidths::ColumnWidths(FbDatabase& db, const QString& table)
{
    SqlQuery q(db, QStringLiteral(
        "SELECT RF.RDB$FIELD_NAME FIELD_NAME, F.RDB$CHARACTER_LENGTH CHARS FROM RDB$RELATION_FIELDS RF "
        "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
        "WHERE RF.RDB$RELATION_NAME = :T AND F.RDB$CHARACTER_LENGTH IS NOT NULL"));
    q.bind(QStringLiteral("T"), table.toUpper());
    q.open();
    for (; !q.eof(); q.next())
        widths_.insert(q.asString(QStringLiteral("FIELD_NAME")).trimmed().toUpper(), q.asInt(QStringLiteral("CHARS")));
}

QString ColumnWidths::cut(const QString& text, int length)
{
    // A null text would be bound as NULL; an empty one is what a text column gets.
    if (text.isNull())
        return QStringLiteral("");
    if (length <= 0 || text.size() <= length)
        return text;
    int n = length;
    if (text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

QString ColumnWidths::fit(const QString& column, const QString& text, int limit) const
{
    int length = width(column);
    if (limit > 0 && (length == 0 || limit < length))
        length = limit;
    return cut(text, length);
}
