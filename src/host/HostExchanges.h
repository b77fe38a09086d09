#pragma once

#include "Exchanges.h"

#include "db/ExchangeContext.h"

#include <memory>

class D365Exchange;
class EdisoftExchange;
class TelemaExchange;
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

    bool EdisoftImpProcess() override;
    bool EdisoftTestImport() override;

    bool HorizonProcessImports() override;

    bool TelemaProcess() override;

    int LoginD365() override;
    int GetGeneralData() override;
    int GetPromotionData() override;
    int GetDocumentData() override;
    int PostDocuments() override;

private:
    ExchangeContext context_;
    // Lives as long as the host: the shop connection and the picture FTP login stay open.
    std::unique_ptr<WebShopExchange> webShop_;
    // Keeps the run's token between the login and the groups.
    std::unique_ptr<D365Exchange> d365_;
    // Keeps the last [Edisoft] values read for runs that find the section missing.
    std::unique_ptr<EdisoftExchange> edisoft_;
    // Keeps the [Telema] values of the last run that could read them.
    std::unique_ptr<TelemaExchange> telema_;
};
