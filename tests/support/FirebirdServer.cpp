#include "FirebirdServer.h"

#include "ChildProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <stdexcept>

namespace {

const char* const kEngineDir = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
const char* const kServer = "/usr/sbin/firebird";
const char* const kSecuritySql = "/usr/share/firebird/3.0/security.sql";

std::runtime_error failure(const QString& text)
{
    return std::runtime_error(text.toStdString());
}

}  // namespace

FirebirdServer::FirebirdServer()
{
    if (!dir_.isValid())
        throw failure(QStringLiteral("no temporary directory"));
    if (!QFile::exists(QLatin1String(kServer)))
        throw failure(QStringLiteral("%1 not found (package firebird3.0-server)").arg(QLatin1String(kServer)));
    port_ = freeLoopbackPort();
    makeRoot();
    start();
}

FirebirdServer::~FirebirdServer()
{
    stop();
}

QProcessEnvironment FirebirdServer::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), dir_.filePath(QStringLiteral("root")));
    env.insert(QStringLiteral("FIREBIRD_LOCK"), dir_.filePath(QStringLiteral("lock")));
    env.insert(QStringLiteral("FIREBIRD_TMP"), dir_.filePath(QStringLiteral("tmp")));
    return env;
}

void FirebirdServer::makeRoot()
{
    QDir base(dir_.path());
    for (const char* sub : {"root/intl", "lock", "tmp"})
        base.mkpath(QLatin1String(sub));
    // The engine's own files are shared; the configuration is this server's.
    for (const char* part : {"UDF", "firebird.msg", "lib", "plugins", "plugins.conf", "fbtrace.conf"})
        QFile::link(QStringLiteral("%1/%2").arg(QLatin1String(kEngineDir), QLatin1String(part)),
                    base.filePath(QStringLiteral("root/") + QLatin1String(part)));
    // The character sets' module is loaded only from inside the root, a link does not do.
    for (const char* part : {"intl/libfbintl.so", "intl/fbintl.conf"})
        QFile::copy(QStringLiteral("%1/%2").arg(QLatin1String(kEngineDir), QLatin1String(part)),
                    base.filePath(QStringLiteral("root/") + QLatin1String(part)));
    const QString security = base.filePath(QStringLiteral("security3.fdb"));
    QFile conf(base.filePath(QStringLiteral("root/firebird.conf")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("RemoteServicePort = %1\nRemoteBindAddress = 127.0.0.1\nSecurityDatabase = %2\n"
                              "ServerMode = Super\n")
                   .arg(port_)
                   .arg(security)
                   .toUtf8());
    conf.close();
    QFile databases(base.filePath(QStringLiteral("root/databases.conf")));
    databases.open(QIODevice::WriteOnly);
    databases.close();

    // Its own users: a security database made from the package's script, SYSDBA's password set
    // through the embedded engine under this configuration.
    QFile script{QString::fromLatin1(kSecuritySql)};
    if (!script.open(QIODevice::ReadOnly))
        throw failure(QStringLiteral("%1 not found (package firebird3.0-server)").arg(QLatin1String(kSecuritySql)));
    runIsql({QStringLiteral("-q"), QStringLiteral("-user"), user()},
            "CREATE DATABASE '" + security.toUtf8() + "';\n" + script.readAll(), QStringLiteral("the security database"));
    runIsql({QStringLiteral("-q"), QStringLiteral("-user"), user(), security},
            "CREATE OR ALTER USER SYSDBA PASSWORD '" + password().toUtf8() + "' USING PLUGIN Srp;\nCOMMIT;\n",
            QStringLiteral("the SYSDBA password"));
}

void FirebirdServer::runIsql(const QStringList& args, const QByteArray& input, const QString& what)
{
    QProcess p;
    closeOnExec(p);
    p.setProcessEnvironment(environment());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("isql-fb"), args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        throw failure(QStringLiteral("isql-fb failed making %1: %2").arg(what, QString::fromLocal8Bit(p.readAll())));
}

void FirebirdServer::start()
{
    if (isRunning())
        return;
    process_ = std::make_unique<QProcess>();
    closeOnExec(*process_);
    process_->setProcessEnvironment(environment());
    process_->setStandardOutputFile(dir_.filePath(QStringLiteral("server.log")), QIODevice::Append);
    process_->setStandardErrorFile(dir_.filePath(QStringLiteral("server.log")), QIODevice::Append);
    process_->start(QLatin1String(kServer), {});
    if (!process_->waitForStarted(10000))
        throw failure(QStringLiteral("the Firebird server did not start"));
    QElapsedTimer waited;
    waited.start();
    while (!acceptsOnLoopback(port_)) {
        if (process_->state() == QProcess::NotRunning || waited.elapsed() > 30000)
            throw failure(QStringLiteral("the Firebird server does not listen on port %1").arg(port_));
        QThread::msleep(50);
    }
}

void FirebirdServer::stop()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        // A server with attachments open may take its time; a test does not wait for it.
        process_->terminate();
        if (!process_->waitForFinished(3000)) {
            process_->kill();
            process_->waitForFinished(10000);
        }
    }
    process_.reset();
}

bool FirebirdServer::isRunning() const
{
    return process_ && process_->state() != QProcess::NotRunning;
}

QString FirebirdServer::address(const QString& path) const
{
    return QStringLiteral("127.0.0.1/%1:%2").arg(port_).arg(path);
}
