#include "GoodsDb.h"

#include "db/SqlQuery.h"

#include <QFile>
#include <QSqlError>
#include <stdexcept>

namespace {
int counter = 0;
}

GoodsDb::GoodsDb(Charset charset)
{
    const QString name = charset == Charset::Utf8 ? QStringLiteral("goods_UTF8.fdb") : QStringLiteral("goods_WIN1257.fdb");
    const QString source = QStringLiteral(VARNIS_TEST_DATA_DIR) + QLatin1Char('/') + name;
    path_ = dir_.filePath(QStringLiteral("PRECES.GDB"));
    if (!QFile::copy(source, path_))
        throw std::runtime_error("cannot copy the template database " + source.toStdString());
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup);
    connectionName_ = QStringLiteral("test_goods_%1").arg(++counter);
}

GoodsDb::~GoodsDb()
{
    close();
}

QSqlDatabase GoodsDb::connection()
{
    if (!QSqlDatabase::contains(connectionName_)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), connectionName_);
        db.setDatabaseName(path_);
        db.setUserName(QStringLiteral("SYSDBA"));
        db.setPassword(QStringLiteral("masterkey"));
    }
    QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
    if (!db.isOpen() && !db.open())
        throw std::runtime_error("cannot open test database: " + db.lastError().text().toStdString());
    return db;
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
    if (QSqlDatabase::contains(connectionName_)) {
        {
            QSqlDatabase db = QSqlDatabase::database(connectionName_, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connectionName_);
    }
}
