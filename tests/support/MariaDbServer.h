#pragma once

#include "QtPrinters.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

// A private MariaDB server for one test process: its own data directory in a temporary
// folder (copied from a template made once per build), a free port on 127.0.0.1 and a
// socket. It can be stopped and started again on the same port and data, to stand for a
// shop server that goes away in the middle of a run.
class MariaDbServer {
public:
    MariaDbServer();   // starts the server
    ~MariaDbServer();  // stops it
    MariaDbServer(const MariaDbServer&) = delete;
    MariaDbServer& operator=(const MariaDbServer&) = delete;

    void start();
    // A clean shutdown; returns when the server has ended.
    void stop();
    bool isRunning() const;

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return port_; }
    QString address() const { return QStringLiteral("%1:%2").arg(host()).arg(port_); }
    QString socket() const;

    // A database made afresh (dropped first when it exists) and loaded with schema/shop_db.sql.
    void createShopDatabase(const QString& database);
    // A user allowed everything on the database, over TCP and the socket alike.
    void createUser(const QString& user, const QString& password, const QString& database);
    // Runs an SQL file with the command-line client.
    void runScript(const QString& database, const QString& file);
    // Runs SQL text as root with the command-line client (several statements allowed).
    void runSql(const QString& database, const QString& sql);

    // Root's own connection to a database, for set-up and checks outside the code under test.
    QSqlDatabase connection(const QString& database);
    void exec(const QString& database, const QString& sql, const QVariantHash& params = {});
    QVariant scalar(const QString& database, const QString& sql, const QVariantHash& params = {});
    int count(const QString& database, const QString& table, const QString& where = {});
    // A whole row as the shop itself writes one: every NOT NULL column without a default
    // that values leaves out gets the empty value of its type ('', 0, now), so set-up passes
    // the server's strict mode.
    void insert(const QString& database, const QString& table, const QVariantHash& values);
    // The same for the rows of a select whose columns are named by columns.
    void insertSelect(const QString& database, const QString& table, const QStringList& columns, const QString& select);
    // Closes the checking connections (before a stop, or to see fresh data).
    void closeConnections();

    static QString schemaFile();

private:
    // The NOT NULL columns without a default of a table, outside given, with their empty values.
    QList<QPair<QString, QString>> fillers(const QString& database, const QString& table, const QStringList& given);
    void client(const QString& database, const QString& inputFile, const QString& sql);
    static QString templateDir();
    static void makeTemplate(const QString& dir);
    QStringList serverArgs() const;

    QTemporaryDir dir_;
    QString dataDir_;
    int port_ = 0;
    std::unique_ptr<QProcess> process_;
    QStringList connections_;
    int id_ = 0;
};

// One shop database on a MariaDbServer, with its checking helpers.
class ShopDb {
public:
    ShopDb(MariaDbServer& server, const QString& name = QStringLiteral("opencart"),
           const QString& user = QStringLiteral("varnis"), const QString& password = QStringLiteral("varnis"));

    MariaDbServer& server() { return server_; }
    QString name() const { return name_; }
    QString user() const { return user_; }
    QString password() const { return password_; }

    void exec(const QString& sql, const QVariantHash& params = {}) { server_.exec(name_, sql, params); }
    QVariant scalar(const QString& sql, const QVariantHash& params = {}) { return server_.scalar(name_, sql, params); }
    int count(const QString& table, const QString& where = {}) { return server_.count(name_, table, where); }
    void insert(const QString& table, const QVariantHash& values) { server_.insert(name_, table, values); }
    void insertSelect(const QString& table, const QStringList& columns, const QString& select)
    {
        server_.insertSelect(name_, table, columns, select);
    }
    void runSql(const QString& sql) { server_.runSql(name_, sql); }

private:
    MariaDbServer& server_;
    QString name_;
    QString user_;
    QString password_;
};
