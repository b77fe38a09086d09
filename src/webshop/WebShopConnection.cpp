#include "WebShopConnection.h"

#include "db/SqlQuery.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QAtomicInt>
#include <QSqlError>

namespace {

QAtomicInt instances;

QString sqlErrorText(const QSqlError& e)
{
    const QString text = e.databaseText().trimmed();
    return text.isEmpty() ? e.driverText() : text;
}

}  // namespace

WebShopConnection::WebShopConnection(Log& log) : log_(log)
{
    name_ = QStringLiteral("fdcOpenCart20_%1").arg(instances.fetchAndAddRelaxed(1));
    QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name_);
}

WebShopConnection::~WebShopConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

WebShopConnection::Address WebShopConnection::splitMysqlAddress(const QString& value)
{
    Address a;
    const int colon = value.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        a.host = value;
        return a;
    }
    a.host = value.left(colon);
    a.portText = value.mid(colon + 1);
    bool ok = false;
    const int port = a.portText.trimmed().toInt(&ok);
    a.port = ok ? port : 0;
    return a;
}

WebShopConnection::Address WebShopConnection::splitFtpAddress(const QString& value)
{
    Address a;
    const int colon = value.indexOf(QLatin1Char(':'));
    if (colon < 0 || value.contains(QLatin1String("ftps:"))) {
        a.host = value;
        return a;
    }
    a.host = value.left(colon);
    a.portText = value.mid(colon + 1).trimmed();
    bool ok = false;
    const int port = a.portText.toInt(&ok);
    a.port = ok ? port : 0;
    return a;
}

int WebShopConnection::ShopConnect(const ShopSettings& settings)
{
    int result = 1;
    failureLine_.clear();
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    try {
        db.close();
        const Address a = splitMysqlAddress(settings.E_SHOP_MYSQL_IP);
        if (a.port == 0)
            throw DbError(QStringLiteral("Nepareizs MySQL servera ports: '%1'").arg(a.portText));
        db.setHostName(a.host);
        db.setPort(a.port);
        db.setDatabaseName(settings.E_SHOP_MYSQL_DB);
        db.setUserName(settings.E_SHOP_MYSQL_USERNAME);
        db.setPassword(settings.E_SHOP_MYSQL_PASWORD);
        // The driver speaks utf8mb4, the superset of utf8, by itself; a lost connection
        // is made again on the next statement.
        db.setConnectOptions(QStringLiteral(
            "MYSQL_OPT_RECONNECT=1;MYSQL_OPT_CONNECT_TIMEOUT=30;MYSQL_OPT_READ_TIMEOUT=600;MYSQL_OPT_WRITE_TIMEOUT=600"));
        open(db);
        if (!db.isOpen()) {
            failureLine_ = QStringLiteral("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! ");
            result = -1;
        }
        db.close();
    } catch (const std::exception& e) {
        failed(QStringLiteral("Pieslēgties pie OpenChart 2/3 datu bāzes neizdevās !!! ") + errorText(e));
        db.close();
        result = -1;
    }
    if (result > 0)
        result = FtpConnect(settings);
    return result;
}

int WebShopConnection::FtpConnect(const ShopSettings& settings)
{
    if (ftp_.isConnected())
        return 0;
    const Address a = splitFtpAddress(settings.E_SHOP_FTP);
    if (a.port == 0) {
        failed(QStringLiteral("Pievienoties pie FTP neizdevās !!!") + QStringLiteral("Nepareizs FTP ports: '%1'").arg(a.portText));
        return -1;
    }
    FtpSettings& s = ftp_.settings();
    s.host = a.host;
    s.port = a.port > 0 ? a.port : 21;
    s.user = settings.E_SHOP_FTP_USERNAME;
    s.password = settings.E_SHOP_FTP_PASWORD;
    s.passive = true;
    s.readTimeoutMs = 60000;
    // Shops' picture servers mostly carry certificates of their own making; they are taken
    // as they are unless the options ask for the check.
    s.verifyPeer = tls_.verify;
    s.caFile = tls_.caFile;
    // Every connect starts with TLS; only the retry goes without it, so that one failed
    // attempt does not leave the client on plain FTP for good. A checked certificate that
    // failed must not be stepped around in plain text either.
    s.explicitTls = true;
    try {
        ftp_.connect();
        return 0;
    } catch (const std::exception& e) {
        ftp_.disconnect();
        if (tls_.required || tls_.verify) {
            failed(QStringLiteral("Pievienoties pie FTP neizdevās !!!") + errorText(e));
            return -1;
        }
        s.explicitTls = false;
        log_.WriteLog(QStringLiteral("FTP ar TLS neizdevās, mēģinu bez šifrēšanas (parole tiek sūtīta atklāti): %1")
                          .arg(errorText(e)));
    }
    try {
        ftp_.connect();
        return 0;
    } catch (const std::exception& e) {
        ftp_.disconnect();
        failed(QStringLiteral("Pievienoties pie FTP neizdevās !!!") + errorText(e));
        return -1;
    }
}

WebShopConnection::FtpTls WebShopConnection::readFtpTls(const RegistryKey& wwwExp)
{
    FtpTls tls;
    auto readBool = [&wwwExp](const char* name, bool& value) {
        try {
            value = wwwExp.ReadBool(QString::fromLatin1(name));
        } catch (const std::exception&) {
            // missing: the default stays
        }
    };
    readBool("FtpTlsObligats", tls.required);
    readBool("FtpSertifikatsParbaudit", tls.verify);
    tls.caFile = wwwExp.ReadString(QStringLiteral("FtpCAFails")).trimmed();
    return tls;
}

void WebShopConnection::open(QSqlDatabase& db)
{
    if (!db.open())
        throw DbError(sqlErrorText(db.lastError()));
    execSql(db, QStringLiteral("SET SESSION sql_mode = '%1'").arg(sessionSqlMode()));
}

void WebShopConnection::keepSessionMode(QSqlDatabase& db)
{
    SqlQuery mode(db, QStringLiteral("SELECT @@SESSION.sql_mode"));
    mode.open();
    if (mode.value(0).toString() != sessionSqlMode())
        execSql(db, QStringLiteral("SET SESSION sql_mode = '%1'").arg(sessionSqlMode()));
}

bool WebShopConnection::begin(const ShopSettings& settings)
{
    if (!isConnected())
        return ShopConnect(settings) >= 0;
    // Between runs the server may have closed the session and the driver opened a new one.
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    try {
        keepSessionMode(db);
        return true;
    } catch (const std::exception&) {
        db.close();
    }
    return ShopConnect(settings) >= 0;
}

bool WebShopConnection::begin(const ShopSettings& settings, RunReport& report)
{
    if (begin(settings))
        return true;
    report.fail(failureLine_);
    return false;
}

void WebShopConnection::failed(const QString& line)
{
    failureLine_ = line;
    log_.WriteLog(line);
}

bool WebShopConnection::isConnected() const
{
    return QSqlDatabase::database(name_, false).isOpen();
}

QSqlDatabase WebShopConnection::database()
{
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (!db.isOpen())
        open(db);
    return db;
}

void WebShopConnection::drop()
{
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    db.close();
}
