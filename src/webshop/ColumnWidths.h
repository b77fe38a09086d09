#pragma once

#include <QHash>
#include <QString>

class FbDatabase;

// The text widths of one goods-database table as the database declares them, so that a
// value from outside is cut to its column instead of failing the insert on every run.
class ColumnWidths {
public:
    ColumnWidths(FbDatabase& db, const QString& table);

    // Characters the column holds; 0 when it is not a text column of the table.
    int width(const QString& column) const { return widths_.value(column.toUpper()); }
    // text cut to the column (and to limit when that is smaller); a surrogate pair stays whole.
    // Never a null text, which would be bound as NULL.
    QString fit(const QString& column, const QString& text, int limit = 0) const;

    static QString cut(const QString& text, int length);

private:
    QHash<QString, int> widths_;
};
