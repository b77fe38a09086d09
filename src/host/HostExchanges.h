#pragma once

#include "Exchanges.h"

#include "db/ExchangeContext.h"

// The exchanges this build carries, each reached through the scheduler's interface;
// the rest answer that they are not available.
class HostExchanges : public UnavailableExchanges {
public:
    explicit HostExchanges(ExchangeContext context);

    bool HorizonProcessImports() override;

private:
    ExchangeContext context_;
};
