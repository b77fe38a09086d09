#pragma once

#include "NetError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

struct FtpSettings {
    QString host;
    int port = 21;
    QString user;
    QString password;
    bool explicitTls = true;     // AUTH TLS, then control and data channels encrypted
    bool verifyPeer = false;     // check the server's certificate (against caFile when given)
    QString caFile;
    bool passive = true;
    int connectTimeoutMs = 30000;
    int readTimeoutMs = 60000;   // longest wait for an answer or for data to move
};

// The one FTP client (libcurl, blocking). One control connection is kept open between
// calls while the server allows it. Paths are absolute ("/dir/file.jpg") or relative to the
// login directory ("dir/file.xml"); transfers are binary. A download that ends short of
// the size the server gave fails. Every failure throws NetError and leaves the client disconnected. It logs
// nothing, so the password never reaches a log through it.
class FtpClient {
public:
    FtpClient();
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    FtpSettings& settings() { return settings_; }
    const FtpSettings& settings() const { return settings_; }

    // Logs in; the settings apply from here on.
    void connect();
    void disconnect();
    bool isConnected() const { return connected_; }

    // Names in a directory (NLST), without "." and "..".
    QStringList list(const QString& dir);
    QByteArray download(const QString& path);
    // Missing directories on the way are created unless createDirs is false (then the
    // upload fails when the folder is not there).
    void upload(const QString& path, const QByteArray& data, bool createDirs = true);
    void remove(const QString& path);
    void rename(const QString& from, const QString& to);
    void makeDir(const QString& dir);

private:
    struct Transfer;
    void perform(Transfer& t);
    QString url(const QString& path) const;
    QByteArray commandPath(const QString& path);

    FtpSettings settings_;
    void* curl_ = nullptr;   // the easy handle keeps the control connection between calls
    bool connected_ = false;
    QString entryPath_;  // the folder the server put the login in
};
