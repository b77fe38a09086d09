#pragma once

#include "DbError.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>

class FbDatabase;

// The one SQL helper, on either database: the goods database through the Firebird layer
// (FbDatabase), the web shop through Qt SQL. Named parameters are bound as values (never
// pasted into the text); errors are DbError.
//
// On the goods database a statement is prepared once per attachment and reused by every
// query of the same text; rows are fetched as the loop moves on, and a commit-retaining
// inside the loop keeps the cursor. rowCount() and first() read the rest of the rows at once.
class SqlQuery {
public:
    SqlQuery(const QSqlDatabase& db, const QString& sql);
    SqlQuery(FbDatabase& db, const QString& sql);
    ~SqlQuery();
    SqlQuery(SqlQuery&&) noexcept;
    SqlQuery(const SqlQuery&) = delete;
    SqlQuery& operator=(const SqlQuery&) = delete;

    // name with or without the leading ':'
    SqlQuery& bind(const QString& name, const QVariant& value);
    SqlQuery& bindNull(const QString& name, QMetaType::Type type = QMetaType::QString);

    void exec();   // a statement without rows; the affected row count via rowsAffected()
    void open();   // a select; positioned on the first row
    int rowsAffected() const { return rowsAffected_; }

    bool isEmpty() const { return consumed_ == 0 && buffered_.isEmpty(); }
    bool eof() const { return current_ >= buffered_.size(); }
    void next();
    void first();
    int rowCount();

    bool hasField(const QString& field) const;
    QStringList fieldNames() const { return names_; }
    // Field values of the current row; past the end (or without rows) a field reads as null,
    // so asInt() gives 0 and asString() an empty text.
    QVariant value(const QString& field) const;
    QVariant value(int index) const;
    bool isNull(const QString& field) const { return value(field).isNull(); }
    int asInt(const QString& field) const;
    double asDouble(const QString& field) const;
    QString asString(const QString& field) const;
    QDateTime asDateTime(const QString& field) const;

    const QString& sql() const { return sql_; }

    class Backend;

private:
    bool fetchOne();
    void readAll();
    int indexOf(const QString& field) const;

    std::unique_ptr<Backend> backend_;
    QString sql_;
    QList<QPair<QString, QVariant>> binds_;  // names as given, without ':'
    QHash<QString, int> bindIndex_;          // name -> position in binds_ (statements with many values)
    QStringList names_;
    QHash<QString, int> index_;
    QVector<QVector<QVariant>> buffered_;
    int current_ = 0;
    int consumed_ = 0;     // rows dropped from the front while streaming
    bool keepAll_ = false; // first() or rowCount() asked for the whole set
    bool complete_ = true;
    int rowsAffected_ = 0;
};

// Runs one statement with the given parameters.
void execSql(FbDatabase& db, const QString& sql, const QVariantHash& params = {});
void execSql(const QSqlDatabase& db, const QString& sql, const QVariantHash& params = {});
