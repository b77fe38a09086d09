#pragma once

#include "WebShopSettings.h"
#include "net/FtpClient.h"

#include <QSqlDatabase>
#include <QString>

class Log;
class RegistryKey;
class RunReport;

// The shop's MySQL database (the connection fdcOpenCart20) and the picture FTP client.
// The connection stays configured between runs and the FTP client stays logged in.
class WebShopConnection {
public:
    explicit WebShopConnection(Log& log);
    ~WebShopConnection();
    WebShopConnection(const WebShopConnection&) = delete;
    WebShopConnection& operator=(const WebShopConnection&) = delete;

    struct Address {
        QString host;
        int port = -1;        // -1: not given
        QString portText;     // what stood after the colon
    };
    // "host:port" gives both; a bare host only the host.
    static Address splitMysqlAddress(const QString& value);
    // As above, except that a value containing "ftps:" is the host as a whole.
    static Address splitFtpAddress(const QString& value);

    // How the picture FTP may connect ([WWWExp] FtpTlsObligats, FtpSertifikatsParbaudit,
    // FtpCAFails). By default a failed TLS login is retried in plain FTP, as the shops'
    // servers it was made for need.
    struct FtpTls {
        bool required = false;  // no plain retry
        bool verify = false;    // the server's certificate against the system store or caFile
        QString caFile;
    };
    static FtpTls readFtpTls(const RegistryKey& wwwExp);
    void setFtpTls(const FtpTls& tls) { tls_ = tls; }

    // Configures fdcOpenCart20, tests it, then logs in to the picture FTP.
    // 0 when both succeeded, -1 otherwise (the failure is logged).
    int ShopConnect(const ShopSettings& settings);
    // 0 when logged in (or already), -1 after the retry failed too (logged).
    int FtpConnect(const ShopSettings& settings);

    // Every shop job begins here: connects when fdcOpenCart20 is not connected.
    // False when the job must return at once.
    bool begin(const ShopSettings& settings);
    // The same, noting a failed connect as the run's failure.
    bool begin(const ShopSettings& settings, RunReport& report);
    // The line the last failed connect logged.
    const QString& failureLine() const { return failureLine_; }

    bool isConnected() const;
    // The shop database, connected on use; throws DbError when it cannot be.
    QSqlDatabase database();

    // The SQL mode of the shop session, as OpenCart's own database driver sets it: not
    // strict, so a NOT NULL column an insert leaves out takes its type's empty value
    // instead of failing the insert, as it does when the shop itself writes.
    static QString sessionSqlMode() { return QStringLiteral("NO_ZERO_IN_DATE,NO_ENGINE_SUBSTITUTION"); }
    // After a failure in the middle of a job: the next job connects and tests afresh.
    void drop();

    FtpClient& ftp() { return ftp_; }
    QString connectionName() const { return name_; }

private:
    // Opens the connection and sets the session's SQL mode; throws DbError.
    void open(QSqlDatabase& db);
    // A connection the driver made again by itself is a fresh session without the mode.
    void keepSessionMode(QSqlDatabase& db);

    void failed(const QString& line);

    Log& log_;
    QString failureLine_;
    QString name_;
    FtpClient ftp_;
    FtpTls tls_;
};
