#include "GoodsDb.h"

#include "db/SqlQuery.h"

#include <QFile>
#include <stdexcept>

GoodsDb::GoodsDb(Charset charset) : charset_(charset)
{
    const QString name = charset == Charset::Utf8 ? QStringLiteral("goods_UTF8.fdb") : QStringLiteral("goods_WIN1257.fdb");
    const QString source = QStringLiteral(VARNIS_TEST_DATA_DIR) + QLatin1Char('/') + name;
    path_ = dir_.filePath(QStringLiteral("PRECES.GDB"));
    if (!QFile::copy(source, path_))
        throw std::runtime_error("cannot copy the template database " + source.toStdString());
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
}

GoodsDb::~GoodsDb()
{
    close();
}

FbDatabase& GoodsDb::connection()
{
    if (!connection_.isOpen())
        connection_.attach(address(), QStringLiteral("SYSDBA"), password_,
                           charset_ == Charset::Utf8 ? QStringLiteral("UTF8") : QStringLiteral("WIN1257"));
    return connection_;
}

void GoodsDb::serveThrough(const QString& address, const QString& password)
{
    close();
    address_ = address;
    password_ = password;
}

void GoodsDb::exec(const QString& sql, const QVariantHash& params)
{
    execSql(connection(), sql, params);
}

QVariant GoodsDb::scalar(const QString& sql, const QVariantHash& params)
{
    SqlQuery q(connection(), sql);
    for (auto it = params.constBegin(); it != params.constEnd(); ++it)
        q.bind(it.key(), it.value());
    q.open();
    return q.value(0);
}

int GoodsDb::count(const QString& table, const QString& where)
{
    return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where))
        .toInt();
}

void GoodsDb::close()
{
    connection_.detach();
}
