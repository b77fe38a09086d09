#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A private Firebird server for one test process: its own root directory (configuration with
// a free loopback port, its own security database with a known SYSDBA password, its own lock
// and temporary directories). The host reaches a database on it as 127.0.0.1/PORT:path, as a
// production host beside a shared goods database does. It can be stopped and started again
// on the same port, to stand for a server that goes away in the middle of a run.
class FirebirdServer {
public:
    FirebirdServer();   // starts the server
    ~FirebirdServer();  // stops it
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    void start();
    void stop();
    bool isRunning() const;

    int port() const { return port_; }
    QString user() const { return QStringLiteral("SYSDBA"); }
    QString password() const { return QStringLiteral("Slepens-7"); }
    // The connection string of a database file on this server.
    QString address(const QString& path) const;

private:
    void makeRoot();
    void runIsql(const QStringList& args, const QByteArray& input, const QString& what);
    QProcessEnvironment environment() const;

    QTemporaryDir dir_;
    int port_ = 0;
    std::unique_ptr<QProcess> process_;
};
