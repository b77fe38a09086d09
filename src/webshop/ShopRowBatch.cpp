#include "ShopRowBatch.h"

#include "db/SqlQuery.h"
#include "platform/Log.h"

ShopRowBatch::ShopRowBatch(const QString& table, const QStringList& columns) : table_(table), columns_(columns)
{
}

ShopRowBatch::~ShopRowBatch() = default;

void ShopRowBatch::add(QVariantList values)
{
    Q_ASSERT(values.size() == columns_.size());
    // A text the goods database left NULL is an empty text here: the driver would send a
    // null QString as NULL, which a NOT NULL column refuses on a single-row insert.
    for (QVariant& v : values)
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            v = QStringLiteral("");
    rows_.append(std::move(values));
}

QString ShopRowBatch::statement(int rows) const
{
    QStringList quoted;
    for (const QString& c : columns_)
        quoted << QLatin1Char('`') + c + QLatin1Char('`');
    QString sql = QStringLiteral("INSERT INTO `%1` (%2) VALUES ").arg(table_, quoted.join(QStringLiteral(", ")));
    for (int r = 0; r < rows; ++r) {
        if (r > 0)
            sql += QStringLiteral(", ");
        sql += QLatin1Char('(');
        for (int c = 0; c < columns_.size(); ++c) {
            if (c > 0)
                sql += QStringLiteral(", ");
            sql += QStringLiteral(":r%1c%2").arg(r).arg(c);
        }
        sql += QLatin1Char(')');
    }
    return sql;
}

void ShopRowBatch::bindRows(SqlQuery& q, qsizetype from, int count) const
{
    for (int r = 0; r < count; ++r) {
        const QVariantList& row = rows_.at(from + r);
        for (int c = 0; c < columns_.size(); ++c)
            q.bind(QStringLiteral("r%1c%2").arg(r).arg(c), row.at(c));
    }
}

void ShopRowBatch::ensureServerAnswers(const QSqlDatabase& db, const QString& error)
{
    try {
        SqlQuery probe(db, QStringLiteral("SELECT 1"));
        probe.open();
    } catch (const DbError&) {
        throw DbError(error);
    }
}

int ShopRowBatch::write(const QSqlDatabase& db, const Reporting& reporting)
{
    const int batches = batchCount();
    int written = 0;
    // The full-size statement is prepared once; only a shorter last batch needs its own.
    std::unique_ptr<SqlQuery> full;
    std::unique_ptr<SqlQuery> single;
    for (int b = 0; b < batches; ++b) {
        const qsizetype from = qsizetype(b) * kRowsPerStatement;
        const int count = int(std::min<qsizetype>(kRowsPerStatement, rows_.size() - from));
        if (reporting.log && !reporting.progress.isEmpty())
            reporting.log->WriteLog(reporting.progress + QStringLiteral("%1 no %2; Paka: %3").arg(b + 1).arg(batches).arg(count));
        try {
            std::unique_ptr<SqlQuery> shorter;
            SqlQuery* q = nullptr;
            if (count == kRowsPerStatement) {
                if (!full)
                    full = std::make_unique<SqlQuery>(db, statement(count));
                q = full.get();
            } else {
                shorter = std::make_unique<SqlQuery>(db, statement(count));
                q = shorter.get();
            }
            bindRows(*q, from, count);
            q->exec();
            written += count;
            continue;
        } catch (const DbError& e) {
            ensureServerAnswers(db, e.message());
            if (reporting.batchFailed)
                reporting.batchFailed(e.message());
        }
        if (!single)
            single = std::make_unique<SqlQuery>(db, statement(1));
        for (int r = 0; r < count; ++r) {
            try {
                bindRows(*single, from + r, 1);
                single->exec();
                ++written;
            } catch (const DbError& e) {
                ensureServerAnswers(db, e.message());
                if (reporting.rowFailed)
                    reporting.rowFailed(e.message(), rows_.at(from + r));
            }
        }
    }
    rows_.clear();
    return written;
}
