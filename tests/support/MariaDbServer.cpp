#include "MariaDbServer.h"

#include "ChildProcess.h"

#include "db/SqlQuery.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlError>
#include <QStandardPaths>
#include <QThread>
#include <csignal>
#include <stdexcept>
#include <unistd.h>

namespace {

int instances = 0;

std::runtime_error failure(const QString& text)
{
    return std::runtime_error(text.toStdString());
}

QString executable(const QString& name)
{
    QString path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        throw failure(QStringLiteral("%1 not found (package mariadb-server)").arg(name));
    return path;
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

// Options shared by the template's install and every server made from it.
const QStringList kInnodb = {QStringLiteral("--innodb-log-file-size=16M"), QStringLiteral("--innodb-buffer-pool-size=128M")};

void run(const QString& program, const QStringList& args, const QString& what)
{
    QProcess p;
    closeOnExec(p);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(180000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw failure(QStringLiteral("%1 failed: %2").arg(what, QString::fromLocal8Bit(p.readAll())));
}


}  // namespace

QString MariaDbServer::schemaFile()
{
    return QStringLiteral(VARNIS_SOURCE_DIR "/schema/shop_db.sql");
}

QString MariaDbServer::templateDir()
{
    return QStringLiteral(VARNIS_TEST_DATA_DIR "/mariadb-template");
}

void MariaDbServer::makeTemplate(const QString& dir)
{
    QDir().mkpath(QFileInfo(dir).absolutePath());
    QLockFile lock(dir + QStringLiteral(".lock"));
    if (!lock.lock())
        throw failure(QStringLiteral("cannot lock %1").arg(dir));
    if (QFile::exists(dir + QStringLiteral("/ready")))
        return;
    const QString building = dir + QStringLiteral(".new");
    QDir(building).removeRecursively();
    QDir(dir).removeRecursively();
    QStringList args = {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + building,
                        QStringLiteral("--auth-root-authentication-method=normal"), QStringLiteral("--skip-test-db")};
    if (runningAsRoot())
        args << QStringLiteral("--user=root");
    args << kInnodb;
    run(executable(QStringLiteral("mariadb-install-db")), args, QStringLiteral("mariadb-install-db"));
    if (!QDir().rename(building, dir))
        throw failure(QStringLiteral("cannot move %1").arg(building));
    QFile ready(dir + QStringLiteral("/ready"));
    ready.open(QIODevice::WriteOnly);
}

MariaDbServer::MariaDbServer() : id_(++instances)
{
    if (!dir_.isValid())
        throw failure(QStringLiteral("no temporary directory"));
    const QString tpl = templateDir();
    makeTemplate(tpl);
    dataDir_ = dir_.filePath(QStringLiteral("data"));
    run(QStringLiteral("cp"), {QStringLiteral("-a"), tpl, dataDir_}, QStringLiteral("copying the MariaDB template"));
    QFile::remove(dataDir_ + QStringLiteral("/ready"));
    start();
}

MariaDbServer::~MariaDbServer()
{
    try {
        stop();
    } catch (...) {
    }
    closeConnections();
    for (const QString& name : connections_)
        QSqlDatabase::removeDatabase(name);
}

QString MariaDbServer::socket() const
{
    return dir_.filePath(QStringLiteral("sock"));
}

QStringList MariaDbServer::serverArgs() const
{
    QStringList args = {QStringLiteral("--no-defaults"),
                        QStringLiteral("--datadir=") + dataDir_,
                        QStringLiteral("--socket=") + socket(),
                        QStringLiteral("--port=%1").arg(port_),
                        QStringLiteral("--bind-address=127.0.0.1"),
                        QStringLiteral("--skip-log-bin"),
                        QStringLiteral("--skip-name-resolve"),
                        QStringLiteral("--pid-file=") + dir_.filePath(QStringLiteral("mariadbd.pid")),
                        QStringLiteral("--log-error=") + dir_.filePath(QStringLiteral("error.log")),
                        // Its own place for temporary tables: a shared /tmp may be cleaned under it.
                        QStringLiteral("--tmpdir=") + dir_.path(),
                        QStringLiteral("--character-set-server=utf8mb4"),
                        QStringLiteral("--collation-server=utf8mb4_general_ci"),
                        // Tests and benchmarks need no durability across a power cut.
                        QStringLiteral("--innodb-flush-log-at-trx-commit=2"),
                        QStringLiteral("--max-connections=60")};
    args << kInnodb;
    if (runningAsRoot())
        args << QStringLiteral("--user=root");
    return args;
}

void MariaDbServer::start()
{
    if (isRunning())
        return;
    if (port_ == 0)
        port_ = freeLoopbackPort();
    process_ = std::make_unique<QProcess>();
    closeOnExec(*process_);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(QProcess::nullDevice());
    process_->start(executable(QStringLiteral("mariadbd")), serverArgs());
    if (!process_->waitForStarted(30000))
        throw failure(QStringLiteral("mariadbd did not start"));
    QElapsedTimer waited;
    waited.start();
    while (!acceptsOnLoopback(port_)) {
        if (process_->state() == QProcess::NotRunning || waited.elapsed() > 60000) {
            QFile log(dir_.filePath(QStringLiteral("error.log")));
            log.open(QIODevice::ReadOnly);
            throw failure(QStringLiteral("mariadbd is not answering on port %1:\n%2").arg(port_).arg(QString::fromLocal8Bit(log.readAll().right(3000))));
        }
        QThread::msleep(20);
    }
}

void MariaDbServer::stop()
{
    closeConnections();
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(60000)) {
            process_->kill();
            process_->waitForFinished(10000);
        }
    }
    process_.reset();
}

bool MariaDbServer::isRunning() const
{
    return process_ && process_->state() != QProcess::NotRunning;
}

void MariaDbServer::client(const QString& database, const QString& inputFile, const QString& sql)
{
    QStringList args = {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + socket(), QStringLiteral("--user=root"),
                        QStringLiteral("--default-character-set=utf8mb4")};
    if (!database.isEmpty())
        args << database;
    QProcess p;
    closeOnExec(p);
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!inputFile.isEmpty())
        p.setStandardInputFile(inputFile);
    p.start(executable(QStringLiteral("mariadb")), args);
    if (!p.waitForStarted(30000))
        throw failure(QStringLiteral("the mariadb client did not start"));
    if (inputFile.isEmpty()) {
        p.write(sql.toUtf8());
        p.closeWriteChannel();
    }
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw failure(QStringLiteral("mariadb client failed: %1").arg(QString::fromLocal8Bit(p.readAll())));
}

void MariaDbServer::runScript(const QString& database, const QString& file)
{
    client(database, file, {});
}

void MariaDbServer::runSql(const QString& database, const QString& sql)
{
    client(database, {}, sql);
}

void MariaDbServer::createShopDatabase(const QString& database)
{
    closeConnections();
    runSql({}, QStringLiteral("DROP DATABASE IF EXISTS `%1`; CREATE DATABASE `%1` CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;")
                   .arg(database));
    runScript(database, schemaFile());
}

void MariaDbServer::createUser(const QString& user, const QString& password, const QString& database)
{
    QString sql;
    // The install's anonymous localhost users would shadow a user of host '%'.
    for (const QString& host : {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")}) {
        sql += QStringLiteral("CREATE OR REPLACE USER '%1'@'%2' IDENTIFIED BY '%3';").arg(user, host, password);
        sql += QStringLiteral("GRANT ALL ON `%1`.* TO '%2'@'%3';").arg(database, user, host);
    }
    runSql({}, sql);
}

QSqlDatabase MariaDbServer::connection(const QString& database)
{
    const QString name = QStringLiteral("mariadb_check_%1_%2").arg(id_).arg(database);
    if (!QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
        db.setHostName(host());
        db.setPort(port_);
        db.setUserName(QStringLiteral("root"));
        db.setDatabaseName(database);
        connections_ << name;
    }
    QSqlDatabase db = QSqlDatabase::database(name, false);
    if (!db.isOpen() && !db.open())
        throw failure(QStringLiteral("cannot open the shop database: ") + db.lastError().text());
    return db;
}

void MariaDbServer::exec(const QString& database, const QString& sql, const QVariantHash& params)
{
    execSql(connection(database), sql, params);
}

QVariant MariaDbServer::scalar(const QString& database, const QString& sql, const QVariantHash& params)
{
    SqlQuery q(connection(database), sql);
    for (auto it = params.constBegin(); it != params.constEnd(); ++it)
        q.bind(it.key(), it.value());
    q.open();
    return q.value(0);
}

int MariaDbServer::count(const QString& database, const QString& table, const QString& where)
{
    return scalar(database, QStringLiteral("SELECT COUNT(*) FROM ") + table
                                + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where))
        .toInt();
}

QList<QPair<QString, QString>> MariaDbServer::fillers(const QString& database, const QString& table,
                                                       const QStringList& given)
{
    SqlQuery q(connection(database), QStringLiteral(
        "SELECT COLUMN_NAME, DATA_TYPE FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA=:db AND TABLE_NAME=:t "
        "AND IS_NULLABLE='NO' AND COLUMN_DEFAULT IS NULL AND EXTRA NOT LIKE '%auto_increment%' ORDER BY ORDINAL_POSITION"));
    q.bind(QStringLiteral("db"), database).bind(QStringLiteral("t"), table);
    q.open();
    QStringList named;
    for (const QString& c : given)
        named << c.toLower();
    QList<QPair<QString, QString>> out;
    for (; !q.eof(); q.next()) {
        const QString column = q.asString(QStringLiteral("COLUMN_NAME"));
        if (named.contains(column.toLower()))
            continue;
        const QString type = q.asString(QStringLiteral("DATA_TYPE")).toLower();
        QString empty = QStringLiteral("''");
        if (type.contains(QLatin1String("int")) || type == QLatin1String("decimal") || type == QLatin1String("double")
            || type == QLatin1String("float"))
            empty = QStringLiteral("0");
        else if (type == QLatin1String("datetime") || type == QLatin1String("timestamp"))
            empty = QStringLiteral("NOW()");
        else if (type == QLatin1String("date"))
            empty = QStringLiteral("CURDATE()");
        out.append({QLatin1Char('`') + column + QLatin1Char('`'), empty});
    }
    return out;
}

void MariaDbServer::insert(const QString& database, const QString& table, const QVariantHash& values)
{
    QStringList columns, params;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        columns << QLatin1Char('`') + it.key() + QLatin1Char('`');
        params << QLatin1Char(':') + it.key();
    }
    for (const auto& f : fillers(database, table, values.keys())) {
        columns << f.first;
        params << f.second;
    }
    exec(database, QStringLiteral("INSERT INTO `%1` (%2) VALUES (%3)").arg(table, columns.join(QStringLiteral(", ")),
                                                                          params.join(QStringLiteral(", "))),
         values);
}

void MariaDbServer::insertSelect(const QString& database, const QString& table, const QStringList& columns,
                                 const QString& select)
{
    QStringList all = columns, extra;
    for (const auto& f : fillers(database, table, columns)) {
        all << f.first;
        extra << f.second;
    }
    exec(database, QStringLiteral("INSERT INTO `%1` (%2) SELECT s.*%3 FROM (%4) s")
                       .arg(table, all.join(QStringLiteral(", ")),
                            extra.isEmpty() ? QString() : QStringLiteral(", ") + extra.join(QStringLiteral(", ")), select));
}

void MariaDbServer::closeConnections()
{
    for (const QString& name : connections_) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
}

ShopDb::ShopDb(MariaDbServer& server, const QString& name, const QString& user, const QString& password)
    : server_(server), name_(name), user_(user), password_(password)
{
    server_.createShopDatabase(name_);
    server_.createUser(user_, password_, name_);
}
