#include "Exchanges.h"

#include "platform/Log.h"

QString UnavailableExchanges::unavailableLine(const QString& name)
{
    return name + QStringLiteral(" - nav pieejams šajā versijā (not available in this build)");
}

bool UnavailableExchanges::refuse(const QString& name)
{
    log_.WriteLog(unavailableLine(name));
    return false;
}
