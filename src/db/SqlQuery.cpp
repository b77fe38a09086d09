#include "SqlQuery.h"

#include <QSqlError>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlRecord>

namespace {

QString errorMessage(const QSqlError& e)
{
    QString text = e.databaseText().trimmed();
    const QString driver = e.driverText().trimmed();
    if (text.isEmpty())
        return driver;
    if (!driver.isEmpty() && !text.contains(driver))
        text = driver + QLatin1Char('\n') + text;
    return text;
}

}  // namespace

SqlQuery::SqlQuery(const QSqlDatabase& db, const QString& sql) : db_(db), sql_(sql), query_(db)
{
}

SqlQuery& SqlQuery::bind(const QString& name, const QVariant& value)
{
    const QString key = name.startsWith(QLatin1Char(':')) ? name : QLatin1Char(':') + name;
    for (auto& b : binds_) {
        if (b.first == key) {
            b.second = value;
            return *this;
        }
    }
    binds_.append({key, value});
    return *this;
}

SqlQuery& SqlQuery::bindNull(const QString& name, QMetaType::Type type)
{
    return bind(name, QVariant(QMetaType(type)));
}

namespace {

const char* const kGeneration = "varnisTransactionGeneration";

int transactionGeneration(const QSqlDatabase& db)
{
    return db.driver() ? db.driver()->property(kGeneration).toInt() : 0;
}

}  // namespace

void markTransactionEnded(const QSqlDatabase& db)
{
    if (db.driver())
        db.driver()->setProperty(kGeneration, transactionGeneration(db) + 1);
}

void SqlQuery::run()
{
    if (!db_.isOpen())
        throw DbError(QStringLiteral("Database is not connected"));
    const int generation = transactionGeneration(db_);
    if (!prepared_ || generation != preparedIn_) {
        query_.setForwardOnly(true);
        if (!query_.prepare(sql_))
            throw DbError(errorMessage(query_.lastError()));
        prepared_ = true;
        preparedIn_ = generation;
    }
    for (const auto& b : binds_)
        query_.bindValue(b.first, b.second);
    if (!query_.exec())
        throw DbError(errorMessage(query_.lastError()));
}

void SqlQuery::exec()
{
    run();
    // Only data changes have a count; asking for others makes the driver warn on stderr.
    static const QRegularExpression change(QStringLiteral("^\\s*(INSERT|UPDATE|DELETE|MERGE)\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    rowsAffected_ = change.match(sql_).hasMatch() ? query_.numRowsAffected() : 0;
    query_.finish();
}

void SqlQuery::open()
{
    run();
    rows_.clear();
    current_ = 0;
    const QSqlRecord rec = query_.record();
    if (names_.isEmpty()) {
        for (int i = 0; i < rec.count(); ++i) {
            names_ << rec.fieldName(i);
            index_.insert(rec.fieldName(i).toUpper(), i);
        }
    }
    const int n = rec.count();
    while (query_.next()) {
        QVector<QVariant> row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row.append(query_.value(i));
        rows_.append(std::move(row));
    }
    if (query_.lastError().isValid())
        throw DbError(errorMessage(query_.lastError()));
    query_.finish();
}

int SqlQuery::indexOf(const QString& field) const
{
    const auto it = index_.constFind(field.toUpper());
    if (it == index_.constEnd())
        throw DbError(QStringLiteral("Field '%1' not found").arg(field));
    return it.value();
}

bool SqlQuery::hasField(const QString& field) const
{
    return index_.contains(field.toUpper());
}

QVariant SqlQuery::value(int index) const
{
    if (eof() || index < 0 || index >= names_.size())
        return {};
    return rows_.at(current_).at(index);
}

QVariant SqlQuery::value(const QString& field) const
{
    return value(indexOf(field));
}

int SqlQuery::asInt(const QString& field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return static_cast<int>(v.toDouble());
    bool ok = false;
    const int i = v.toInt(&ok);
    return ok ? i : static_cast<int>(v.toString().trimmed().toDouble());
}

double SqlQuery::asDouble(const QString& field) const
{
    const QVariant v = value(field);
    return v.isNull() ? 0.0 : v.toDouble();
}

QString SqlQuery::asString(const QString& field) const
{
    const QVariant v = value(field);
    return v.isNull() ? QString() : v.toString();
}

QDateTime SqlQuery::asDateTime(const QString& field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    return v.toDateTime();
}

void execSql(const QSqlDatabase& db, const QString& sql, const QVariantHash& params)
{
    SqlQuery q(db, sql);
    for (auto it = params.constBegin(); it != params.constEnd(); ++it)
        q.bind(it.key(), it.value());
    q.exec();
}
