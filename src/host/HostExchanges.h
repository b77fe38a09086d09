#pragma once

#include "Exchanges.h"

#include "d365/D365Posting.h"
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
    bool EquinoxSendPartners(const EquinoxOptions& options) override;
    bool EquinoxSendGoods(const EquinoxOptions& options) override;
    bool EquinoxSendOrders(const EquinoxOptions& options) override;
    bool EquinoxImport(const EquinoxOptions& options) override;
    bool EquinoxTestFtp(const EquinoxOptions& options) override;

    int LoginD365() override;
    int GetGeneralData() override;
    int GetPromotionData() override;
    int GetDocumentData() override;
    int PostDocuments() override;
    void setD365InventoryClients(const D365InventoryClients& clients);

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
