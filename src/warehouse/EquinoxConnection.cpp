#include "EquinoxConnection.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "platform/Dialogs.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QDir>
#include <QFile>

EquinoxConnection::EquinoxConnection(ExchangeContext& context, EquinoxLogin login)
    : context_(context), login_(std::move(login))
{
}

bool EquinoxConnection::check()
{
    const auto refuse = [this](const QString& message) {
        context_.dialogs.showMessage(message);
        context_.report.refuse(message);
        return false;
    };
    const QString place = login_.FTPVieta.trimmed();
    if (place.isEmpty())
        return refuse(QStringLiteral("Nav ievadīta FTP adrese !!!"));
    if (login_.UserName.isEmpty())
        return refuse(QStringLiteral("Nav ievadīts FTP lietotāja vārds !!!"));
    if (login_.Parole.isEmpty())
        return refuse(QStringLiteral("Nav ievadīts FTP lietotāja parole !!!"));

    ftp_ = FtpSettings{};
    ftp_.host = place;
    const int colon = place.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        bool ok = false;
        const int port = place.mid(colon + 1).trimmed().toInt(&ok);
        if (!ok || port <= 0 || port > 65535 || colon == 0)
            return refuse(QStringLiteral("Nederīga FTP adrese : ") + place);
        ftp_.host = place.left(colon).trimmed();
        ftp_.port = port;
    }
    ftp_.user = login_.UserName;
    ftp_.password = login_.Parole;
    // The warehouse's server speaks plain FTP; the time-outs are FtpSettings' own (30 s, 60 s).
    ftp_.explicitTls = false;
    ftp_.passive = true;

    namespace_.clear();
    RegistryKey key(context_.registry);
    if (key.OpenKey(QStringLiteral("EquinoxExp"), false))
        namespace_ = key.ReadString(QStringLiteral("XmlNamespace"));
    return true;
}

QString EquinoxConnection::localPath(const QString& fileName) const
{
    return QDir(context_.dati.TempDir).filePath(fileName);
}

bool EquinoxConnection::upload(const QString& fileName, const QByteArray& content)
{
    // The local file is a copy of what is sent, not the only one: no need to wait for the disk.
    const QString local = localPath(fileName);
    QFile file(local);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size() || !file.flush())
        throw VarnisError(QStringLiteral("Neizdevās saglabāt failu ") + local + QStringLiteral(" : ") + file.errorString());
    file.close();

    const auto failed = [this](const QString& line) {
        context_.log.WriteLog(line);
        context_.report.fail(line);
        return false;
    };
    FtpClient client;
    client.settings() = ftp_;
    try {
        client.connect();
    } catch (const NetError& e) {
        return failed(QStringLiteral("Pievienoties pie Equinox(UploadEquinox) FTP neizdevās !!! Fails ") + fileName
                      + QStringLiteral(" Paziņojums:") + e.message());
    }
    const QString remote = inboundDir() + fileName;
    try {
        // The warehouse owns its folders: a missing one is a fault to see, not to make.
        client.upload(remote, content, false);
    } catch (const NetError& e) {
        return failed(QStringLiteral("Neizdevās uzkopēt failu uz ") + remote + QStringLiteral(" Equinox(UploadEquinox) !!!\n")
                      + e.message());
    }
    client.disconnect();
    return true;
}
