#include "EquinoxTestFtp.h"

#include "EquinoxFiles.h"

#include "db/ExchangeContext.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

EquinoxTestFtp::EquinoxTestFtp(ExchangeContext& context, EquinoxLogin login)
    : context_(context), connection_(context, std::move(login))
{
}

bool EquinoxTestFtp::run()
{
    if (!connection_.check())
        return false;
    const auto failed = [this](const QString& line) {
        context_.log.WriteLog(line);
        context_.report.fail(line);
        return false;
    };
    FtpClient client;
    client.settings() = connection_.ftpSettings();
    try {
        client.connect();
    } catch (const NetError& e) {
        return failed(QStringLiteral("Pievienoties pie Equinox (btTextEquinoxClick-1) FTP neizdevās !!!") + e.message());
    }
    QStringList names;
    try {
        names = EquinoxFiles::xmlFiles(client.list(EquinoxConnection::outboundDir()));
    } catch (const NetError& e) {
        return failed(QStringLiteral("Ielasot katalogu no Equinox (ImportEquinox-2) FTP neizdevās !!!") + e.message());
    }
    client.disconnect();
    context_.log.WriteLog(QStringLiteral("Equinox ") + EquinoxConnection::outboundDir()
                          + QStringLiteral(" faili : %1").arg(names.size()));
    for (const QString& name : names)
        context_.log.WriteLog(name);
    return true;
}
