#include "HostExchanges.h"

#include "payments/HorizonImport.h"

HostExchanges::HostExchanges(ExchangeContext context) : UnavailableExchanges(context.log), context_(context) {}

bool HostExchanges::HorizonProcessImports()
{
    return HorizonImport(context_).HorizonProcessImports();
}
