#include "EquinoxImport.h"

#include "EquinoxDocuments.h"
#include "EquinoxFile.h"
#include "EquinoxFiles.h"

#include "db/DocumentScope.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// An inventory customer from [EquinoxExp]; 0, missing or unreadable is the default customer 1.
int inventoryCustomer(Registry& registry, const QString& name)
{
    RegistryKey key(registry);
    if (!key.OpenKey(QStringLiteral("EquinoxExp"), false) || !key.ValueExists(name))
        return 1;
    try {
        const int value = key.ReadInteger(name);
        return value > 0 ? value : 1;
    } catch (const RegistryError&) {
        return 1;
    }
}

}  // namespace

EquinoxImport::EquinoxImport(ExchangeContext& context, EquinoxLogin login)
    : context_(context), connection_(context, std::move(login))
{
}

QString EquinoxImport::localDir() const
{
    return connection_.localPath(QStringLiteral("Equinox"));
}

QString EquinoxImport::errorDir() const
{
    return QDir(localDir()).filePath(QStringLiteral("Error"));
}

bool EquinoxImport::download()
{
    Log& log = context_.log;
    const auto failed = [this, &log](const QString& line) {
        log.WriteLog(line);
        context_.report.fail(line);
        return false;
    };
    FtpClient client;
    client.settings() = connection_.ftpSettings();
    try {
        client.connect();
    } catch (const NetError& e) {
        return failed(QStringLiteral("Pievienoties pie Equinox (ImportEquinox-1) FTP neizdevās !!!") + e.message());
    }
    log.WriteLog(QStringLiteral("Equinox Kopēju no FTP uz local ..."));
    bool ok = true;
    int copied = 0;
    try {
        if (!QDir().mkpath(localDir()))
            throw VarnisError(QStringLiteral("Nevar izveidot katalogu ") + localDir());
        const QString remoteDir = EquinoxConnection::outboundDir();
        for (const QString& name : EquinoxFiles::xmlFiles(client.list(remoteDir))) {
            const QByteArray bytes = client.download(remoteDir + name);
            const QString local = QDir(localDir()).filePath(name);
            QSaveFile file(local);
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
                throw VarnisError(QStringLiteral("Neizdevās saglabāt failu ") + local + QStringLiteral(" : ")
                                  + file.errorString());
            if (QFileInfo(local).size() != bytes.size())
                throw VarnisError(QStringLiteral("Fails ") + local + QStringLiteral(" nav pilnīgs"));
            client.remove(remoteDir + name);
            ++copied;
        }
    } catch (const VarnisError& e) {
        ok = failed(QStringLiteral("Nokopēt failus no Equinox (ImportEquinox-2) FTP neizdevās !!!") + e.message());
    }
    client.disconnect();
    log.WriteLog(QStringLiteral("Equinox Nokopēti %1 faili").arg(copied));
    return ok;
}

void EquinoxImport::setAside(const QString& path)
{
    QDir().mkpath(errorDir());
    const QFileInfo info(path);
    QString target = QDir(errorDir()).filePath(info.fileName());
    // A file of the same name set aside before is kept too.
    for (int n = 1; QFileInfo::exists(target); ++n)
        target = QDir(errorDir()).filePath(QStringLiteral("%1.%2.%3").arg(info.completeBaseName()).arg(n).arg(info.suffix()));
    const QString line = QStringLiteral("Equinox neapstrādāts fails saglabāts: ")
        + (QFile::rename(path, target) ? target : path);
    context_.log.WriteLog(line);
    context_.report.fail(line);
}

bool EquinoxImport::process(const QString& path)
{
    Log& log = context_.log;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        log.WriteLog(QStringLiteral("Equinox fails nav nolasāms: ") + path + QStringLiteral(" ") + in.errorString());
        setAside(path);
        return false;
    }
    const EquinoxFile file(in.readAll());
    in.close();
    if (file.kind() == EquinoxFile::Kind::Unknown) {
        log.WriteLog(QStringLiteral("Equinox nezināms faila veids: ") + path);
        setAside(path);
        return false;
    }
    if (!file.isWhole()) {
        log.WriteLog(QStringLiteral("Equinox fails nav pilnīgs: ") + path);
        setAside(path);
        return false;
    }

    EquinoxDocuments documents(context_, inventoryCustomer(context_.registry, QStringLiteral("InventarizPiegadat")),
                               inventoryCustomer(context_.registry, QStringLiteral("InventarizPircejs")));
    bool booked = false;
    try {
        DocumentScope scope(context_.dati);
        switch (file.kind()) {
        case EquinoxFile::Kind::Completion: booked = documents.completion(file); break;
        case EquinoxFile::Kind::Receipt: booked = documents.receipt(file); break;
        case EquinoxFile::Kind::Shipment: booked = documents.shipment(file); break;
        case EquinoxFile::Kind::Adjustment: booked = documents.adjustment(file); break;
        case EquinoxFile::Kind::Unknown: break;
        }
        if (booked)
            scope.commit();
    } catch (const std::exception& e) {
        log.WriteLog(QStringLiteral("Kļūda apstrādājot Equinox failu ") + path + QStringLiteral(" : ") + errorText(e));
        booked = false;
        // The database gone: the file is not at fault; it waits for the next run.
        if (!context_.dati.probe())
            throw;
    }
    if (booked) {
        QFile::remove(path);
        log.WriteLog(QStringLiteral("Equinox fails ielasīts: ") + QFileInfo(path).fileName());
        context_.report.moved();
        return true;
    }
    if (!context_.dati.probe())
        throw DbError(QStringLiteral("Equinox fails ") + path + QStringLiteral(" paliek nākamajai reizei: datu bāze nav pieejama"));
    setAside(path);
    return false;
}

bool EquinoxImport::run()
{
    if (!connection_.check())
        return false;
    Log& log = context_.log;
    log.WriteLog(QStringLiteral("Sāku ImportEquinox..."));
    bool ok = download();

    const QStringList names = EquinoxFiles::xmlFiles(QDir(localDir()).entryList(QDir::Files));
    log.WriteLog(QStringLiteral("Equinox Apstrādāju ielasītos failus... Failu skaits : %1").arg(names.size()));
    for (const QString& name : names)
        ok = process(QDir(localDir()).filePath(name)) && ok;
    log.WriteLog(QStringLiteral("ImportEquinox pabeigts"));
    return ok;
}
