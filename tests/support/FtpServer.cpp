#include "FtpServer.h"

#include "ChildProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <stdexcept>
#include <unistd.h>

namespace {

std::runtime_error failure(const QString& text)
{
    return std::runtime_error(text.toStdString());
}

}  // namespace

FtpServer::FtpServer(Mode mode, const QString& user, const QString& password)
    : mode_(mode), user_(user), password_(password)
{
    if (!dir_.isValid())
        throw failure(QStringLiteral("no temporary directory"));
    QDir().mkpath(root());
    start();
}

FtpServer::~FtpServer()
{
    stop();
}

QString FtpServer::root() const
{
    return dir_.filePath(QStringLiteral("root"));
}

QString FtpServer::certificateFile() const
{
    return dir_.filePath(QStringLiteral("server.pem"));
}

QString FtpServer::localPath(const QString& serverPath) const
{
    QString p = serverPath;
    while (p.startsWith(QLatin1Char('/')))
        p.remove(0, 1);
    return root() + QLatin1Char('/') + p;
}

bool FtpServer::exists(const QString& serverPath) const
{
    return QFileInfo::exists(localPath(serverPath));
}

QByteArray FtpServer::read(const QString& serverPath) const
{
    QFile f(localPath(serverPath));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void FtpServer::write(const QString& serverPath, const QByteArray& data)
{
    const QString path = localPath(serverPath);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw failure(QStringLiteral("cannot write ") + path);
    f.write(data);
}

void FtpServer::start()
{
    if (isRunning())
        return;
    QStringList args = {QStringLiteral(VARNIS_SOURCE_DIR "/tests/support/ftp_server.py"),
                        QStringLiteral("--root"), root(),
                        QStringLiteral("--user"), user_,
                        QStringLiteral("--password"), password_,
                        QStringLiteral("--port"), QString::number(port_),
                        QStringLiteral("--cert"), certificateFile()};
    if (mode_ == Mode::Plain)
        args << QStringLiteral("--plain");
    process_ = std::make_unique<QProcess>();
    closeOnExec(*process_);
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->setStandardErrorFile(dir_.filePath(QStringLiteral("ftp_server.log")), QIODevice::Append);
    // Debian's Python packages (pyftpdlib, OpenSSL) belong to this interpreter.
    process_->start(QStringLiteral("/usr/bin/python3"), args);
    if (!process_->waitForStarted(30000))
        throw failure(QStringLiteral("the FTP server did not start"));
    QByteArray out;
    QElapsedTimer waited;
    waited.start();
    while (!out.contains('\n')) {
        if (process_->state() == QProcess::NotRunning || waited.elapsed() > 60000) {
            QFile log(dir_.filePath(QStringLiteral("ftp_server.log")));
            log.open(QIODevice::ReadOnly);
            throw failure(QStringLiteral("the FTP server did not report its port:\n") + QString::fromLocal8Bit(log.readAll()));
        }
        process_->waitForReadyRead(200);
        out += process_->readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (!line.startsWith("PORT "))
        throw failure(QStringLiteral("the FTP server said: ") + QString::fromLocal8Bit(line));
    port_ = line.mid(5).toInt();
}

void FtpServer::stop()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(10000)) {
            process_->kill();
            process_->waitForFinished(5000);
        }
    }
    process_.reset();
}

bool FtpServer::isRunning() const
{
    return process_ && process_->state() != QProcess::NotRunning;
}
