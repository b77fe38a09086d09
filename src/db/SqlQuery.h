#pragma once

#include "platform/Errors.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVector>

// A failed statement or connection; the message carries the driver's text.
class DbError : public VarnisError {
    using VarnisError::VarnisError;
};

// The one SQL helper: named parameters bound as values (never pasted into the text),
// errors as DbError, and result sets read whole on open() so that a commit in the
// middle of a loop over them cannot cut them short.
class SqlQuery {
public:
    SqlQuery(const QSqlDatabase& db, const QString& sql);

    // name with or without the leading ':'
    SqlQuery& bind(const QString& name, const QVariant& value);
    SqlQuery& bindNull(const QString& name, QMetaType::Type type = QMetaType::QString);

    void exec();   // a statement without rows; returns the affected row count via rowsAffected()
    void open();   // a select; positioned on the first row
    int rowsAffected() const { return rowsAffected_; }

    bool isEmpty() const { return rows_.isEmpty(); }
    bool eof() const { return current_ >= rows_.size(); }
    void next() { ++current_; }
    void first() { current_ = 0; }
    int rowCount() const { return static_cast<int>(rows_.size()); }

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

private:
    void run();
    int indexOf(const QString& field) const;

    QSqlDatabase db_;
    QString sql_;
    QSqlQuery query_;
    bool prepared_ = false;
    int preparedIn_ = -1;  // transaction generation the statement was prepared in
    QList<QPair<QString, QVariant>> binds_;
    QStringList names_;
    QHash<QString, int> index_;
    QVector<QVector<QVariant>> rows_;
    int current_ = 0;
    int rowsAffected_ = 0;
};

// A Firebird statement belongs to the transaction it was prepared in; after a commit it
// must be prepared again. Whoever ends a transaction on a connection calls this.
void markTransactionEnded(const QSqlDatabase& db);

// Runs one statement with the given parameters.
void execSql(const QSqlDatabase& db, const QString& sql, const QVariantHash& params = {});
