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
    // Where the host finds it: the file, or its address on a server after serveThrough().
    QString address() const { return address_.isEmpty() ? path_ : address_; }
    // From now on the database is reached through a Firebird server, by the test as by the host.
    void serveThrough(const QString& address, const QString& password);
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
    QString address_;
    QString password_ = QStringLiteral("masterkey");
    FbDatabase connection_{FbDatabase::Commit::PerStatement};
};
