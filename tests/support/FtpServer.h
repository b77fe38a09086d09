#pragma once

#include "QtPrinters.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A real FTP server on 127.0.0.1 (pyftpdlib, tests/support/ftp_server.py) serving a
// temporary folder. By default it offers explicit TLS with a self-signed certificate made
// at start; Plain serves FTP without TLS. It can be stopped and started again on the same
// port.
class FtpServer {
public:
    enum class Mode { ExplicitTls, Plain };

    explicit FtpServer(Mode mode = Mode::ExplicitTls, const QString& user = QStringLiteral("shop"),
                       const QString& password = QStringLiteral("bilde$1"));
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    void start();
    void stop();
    bool isRunning() const;

    int port() const { return port_; }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    QString user() const { return user_; }
    QString password() const { return password_; }
    // The self-signed certificate (PEM, key included) of the TLS server.
    QString certificateFile() const;

    // The local folder behind the server's "/".
    QString root() const;
    // A file of the server by its path on the server ("/a/b.jpg").
    QString localPath(const QString& serverPath) const;
    bool exists(const QString& serverPath) const;
    QByteArray read(const QString& serverPath) const;
    void write(const QString& serverPath, const QByteArray& data);

private:
    Mode mode_;
    QString user_;
    QString password_;
    QTemporaryDir dir_;
    int port_ = 0;
    std::unique_ptr<QProcess> process_;
};
