#include "Exchanges.h"

#include "platform/Log.h"
#include "platform/NotAvailable.h"

bool UnavailableExchanges::refuse(const QString& name)
{
    log_.WriteLog(notAvailableLine(name));
    return false;
}
