#include "SqlQuery.h"

#include "FbDatabase.h"
#include "FbStatement.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using Binds = QList<QPair<QString, QVariant>>;

class SqlQuery::Backend {
public:
    virtual ~Backend() = default;
    virtual int exec(const QString& sql, const Binds& binds) = 0;
    // Returns the column names.
    virtual QStringList open(const QString& sql, const Binds& binds) = 0;
    virtual bool fetch(QVector<QVariant>& row) = 0;
    // Whether open() read every row already.
    virtual bool readsWhole() const = 0;
};

namespace {

QString qtErrorMessage(const QSqlError& e)
{
    QString text = e.databaseText().trimmed();
    const QString driver = e.driverText().trimmed();
    if (text.isEmpty())
        return driver;
    if (!driver.isEmpty() && !text.contains(driver))
        text = driver + QStringLiteral("; ") + text;
    return text;
}

// The shop: Qt SQL, result sets read whole (the client library holds them anyway).
class QtBackend : public SqlQuery::Backend {
public:
    explicit QtBackend(const QSqlDatabase& db) : db_(db), query_(db) {}

    int exec(const QString& sql, const Binds& binds) override
    {
        run(sql, binds);
        // Only data changes have a count; asking for others makes the driver warn on stderr.
        static const QRegularExpression change(QStringLiteral("^\\s*(INSERT|UPDATE|DELETE|MERGE|REPLACE)\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
        const int n = change.match(sql).hasMatch() ? query_.numRowsAffected() : 0;
        query_.finish();
        return n;
    }

    QStringList open(const QString& sql, const Binds& binds) override
    {
        run(sql, binds);
        rows_.clear();
        next_ = 0;
        const QSqlRecord rec = query_.record();
        QStringList names;
        for (int i = 0; i < rec.count(); ++i)
            names << rec.fieldName(i);
        while (query_.next()) {
            QVector<QVariant> row(rec.count());
            for (int i = 0; i < rec.count(); ++i)
                row[i] = query_.value(i);
            rows_.append(std::move(row));
        }
        if (query_.lastError().isValid())
            throw DbError(qtErrorMessage(query_.lastError()));
        query_.finish();
        return names;
    }

    bool fetch(QVector<QVariant>& row) override
    {
        if (next_ >= rows_.size())
            return false;
        row = std::move(rows_[next_++]);
        return true;
    }

    bool readsWhole() const override { return true; }

private:
    void run(const QString& sql, const Binds& binds)
    {
        if (!db_.isOpen())
            throw DbError(QStringLiteral("Database is not connected"));
        if (!prepared_) {
            query_.setForwardOnly(true);
            if (!query_.prepare(sql))
                throw DbError(qtErrorMessage(query_.lastError()));
            prepared_ = true;
        }
        for (const auto& b : binds)
            query_.bindValue(QLatin1Char(':') + b.first, b.second);
        if (!query_.exec())
            throw DbError(qtErrorMessage(query_.lastError()));
    }

    QSqlDatabase db_;
    QSqlQuery query_;
    bool prepared_ = false;
    QVector<QVector<QVariant>> rows_;
    int next_ = 0;
};

// The goods database: a statement of the attachment's pool, held while this query lives.
class FbBackend : public SqlQuery::Backend {
public:
    explicit FbBackend(FbDatabase& db) : db_(db) {}
    ~FbBackend() override { release(); }

    int exec(const QString& sql, const Binds& binds) override { return statement(sql).execute(binds); }

    QStringList open(const QString& sql, const Binds& binds) override
    {
        FbStatement& s = statement(sql);
        s.open(binds);
        return s.columnNames();
    }

    bool fetch(QVector<QVariant>& row) override { return statement_ && statement_->fetch(row); }

    bool readsWhole() const override { return false; }

private:
    FbStatement& statement(const QString& sql)
    {
        if (statement_ && !statement_->valid())
            release();  // the attachment was reopened meanwhile
        if (!statement_)
            statement_ = db_.acquire(sql);
        return *statement_;
    }

    void release() noexcept
    {
        if (!statement_)
            return;
        statement_->closeCursor();
        statement_->inUse = false;
        statement_.reset();
    }

    FbDatabase& db_;
    std::shared_ptr<FbStatement> statement_;
};

}  // namespace

SqlQuery::SqlQuery(const QSqlDatabase& db, const QString& sql) : backend_(std::make_unique<QtBackend>(db)), sql_(sql)
{
}

SqlQuery::SqlQuery(FbDatabase& db, const QString& sql) : backend_(std::make_unique<FbBackend>(db)), sql_(sql)
{
}

SqlQuery::~SqlQuery() = default;
SqlQuery::SqlQuery(SqlQuery&&) noexcept = default;

SqlQuery& SqlQuery::bind(const QString& name, const QVariant& value)
{
    const QString key = name.startsWith(QLatin1Char(':')) ? name.mid(1) : name;
    const auto it = bindIndex_.constFind(key);
    if (it != bindIndex_.constEnd()) {
        binds_[it.value()].second = value;
        return *this;
    }
    bindIndex_.insert(key, int(binds_.size()));
    binds_.append({key, value});
    return *this;
}

SqlQuery& SqlQuery::bindNull(const QString& name, QMetaType::Type type)
{
    return bind(name, QVariant(QMetaType(type)));
}

void SqlQuery::exec()
{
    buffered_.clear();
    current_ = consumed_ = 0;
    rowsAffected_ = backend_->exec(sql_, binds_);
}

void SqlQuery::open()
{
    buffered_.clear();
    current_ = consumed_ = 0;
    keepAll_ = false;
    const QStringList names = backend_->open(sql_, binds_);
    if (names_.isEmpty()) {
        names_ = names;
        for (int i = 0; i < names_.size(); ++i)
            index_.insert(names_.at(i).toUpper(), i);
    }
    complete_ = false;
    if (backend_->readsWhole())
        readAll();
    else
        fetchOne();
}

bool SqlQuery::fetchOne()
{
    if (complete_)
        return false;
    QVector<QVariant> row;
    if (!backend_->fetch(row)) {
        complete_ = true;
        return false;
    }
    buffered_.append(std::move(row));
    return true;
}

void SqlQuery::readAll()
{
    while (fetchOne()) {
    }
}

void SqlQuery::next()
{
    if (eof())
        return;
    ++current_;
    if (current_ < buffered_.size())
        return;
    if (!keepAll_ && !complete_) {
        // Streaming: the rows behind are not needed again.
        consumed_ += int(buffered_.size());
        buffered_.clear();
        current_ = 0;
    }
    fetchOne();
}

void SqlQuery::first()
{
    if (consumed_ > 0)
        throw DbError(QStringLiteral("SqlQuery::first() after the rows were passed: ") + sql_);
    keepAll_ = true;
    readAll();
    current_ = 0;
}

int SqlQuery::rowCount()
{
    if (!complete_) {
        if (consumed_ > 0)
            throw DbError(QStringLiteral("SqlQuery::rowCount() after the rows were passed: ") + sql_);
        keepAll_ = true;
        readAll();
    }
    return consumed_ + int(buffered_.size());
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
    return buffered_.at(current_).at(index);
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

namespace {

template <typename Db>
void runWith(Db& db, const QString& sql, const QVariantHash& params)
{
    SqlQuery q(db, sql);
    for (auto it = params.constBegin(); it != params.constEnd(); ++it)
        q.bind(it.key(), it.value());
    q.exec();
}

}  // namespace

void execSql(FbDatabase& db, const QString& sql, const QVariantHash& params)
{
    runWith(db, sql, params);
}

void execSql(const QSqlDatabase& db, const QString& sql, const QVariantHash& params)
{
    runWith(db, sql, params);
}
