#pragma once

#include "Exchanges.h"

#include "db/ExchangeContext.h"

#include <memory>

class WebShopExchange;

// The exchanges this build carries, each reached through the scheduler's interface;
// the rest answer that they are not available.
class HostExchanges : public UnavailableExchanges {
public:
    explicit HostExchanges(ExchangeContext context);
    ~HostExchanges() override;

    bool SendAtlikumi() override;
    bool ReceiveData() override;
    bool SendKlasif() override;
    bool SendPZVesture() override;
    bool ReceiveWebCustomers() override;

    bool HorizonProcessImports() override;

private:
    ExchangeContext context_;
    // Lives as long as the host: the shop connection and the picture FTP login stay open.
    std::unique_ptr<WebShopExchange> webShop_;
};
