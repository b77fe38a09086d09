#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <functional>
#include <memory>

class Log;
class SqlQuery;

// Rows of one shop table, gathered and then written as multi-row INSERTs of up to 500 rows,
// every value bound. A batch the server refuses is written again row by row, so that only
// the bad rows are lost; a server that stopped answering ends the writing with DbError.
class ShopRowBatch {
public:
    static constexpr int kRowsPerStatement = 500;

    ShopRowBatch(const QString& table, const QStringList& columns);
    ~ShopRowBatch();
    ShopRowBatch(const ShopRowBatch&) = delete;
    ShopRowBatch& operator=(const ShopRowBatch&) = delete;

    // values in the order of the columns; a null text is written as ''
    void add(QVariantList values);
    int size() const { return int(rows_.size()); }
    bool isEmpty() const { return rows_.isEmpty(); }
    int batchCount() const { return (size() + kRowsPerStatement - 1) / kRowsPerStatement; }
    const QString& table() const { return table_; }

    struct Reporting {
        Log* log = nullptr;
        // Each batch logs progress + "<n> no <batches>; Paka: <rows>" when not empty.
        QString progress;
        // A batch the server refused as a whole, before its rows are tried one by one.
        std::function<void(const QString& error)> batchFailed;
        // A row the server refused on its own: it is lost.
        std::function<void(const QString& error, const QVariantList& row)> rowFailed;
    };
    // Writes and forgets every gathered row; returns how many rows went in.
    int write(const QSqlDatabase& db, const Reporting& reporting);

private:
    QString statement(int rows) const;
    void bindRows(SqlQuery& q, qsizetype from, int count) const;
    // Throws the error when the server no longer answers: a lost connection is no bad row.
    static void ensureServerAnswers(const QSqlDatabase& db, const QString& error);

    QString table_;
    QStringList columns_;
    QVector<QVariantList> rows_;
};
