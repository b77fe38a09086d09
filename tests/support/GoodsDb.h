#pragma once

#include "QtPrinters.h"

#include "db/FbDatabase.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A fresh goods database file for one test, copied from the template that the build
// makes with scripts/create-goods-db.
class GoodsDb {
public:
    enum class Charset { Win1257, Utf8 };

    explicit GoodsDb(Charset charset = Charset::Win1257);
    ~GoodsDb();

    QString path() const { return path_; }
    QString dir() const { return dir_.path(); }

    // A separate attachment for checks and set-up, outside the host's transaction; every
    // statement on it is durable at once.
    FbDatabase& connection();
    void exec(const QString& sql, const QVariantHash& params = {});
    QVariant scalar(const QString& sql, const QVariantHash& params = {});
    int count(const QString& table, const QString& where = {});
    void close();

private:
    QTemporaryDir dir_;
    QString path_;
    Charset charset_;
    FbDatabase connection_{FbDatabase::Commit::PerStatement};
};
