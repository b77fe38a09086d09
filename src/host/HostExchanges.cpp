#include "HostExchanges.h"

#include "d365/D365Exchange.h"
#include "edi/EdisoftExchange.h"
#include "edi/TelemaExchange.h"
#include "payments/HorizonImport.h"
#include "warehouse/EquinoxImport.h"
#include "warehouse/EquinoxSendGoods.h"
#include "warehouse/EquinoxSendOrders.h"
#include "warehouse/EquinoxSendPartners.h"
#include "warehouse/EquinoxTestFtp.h"
#include "webshop/WebShopExchange.h"

HostExchanges::HostExchanges(ExchangeContext context)
    : UnavailableExchanges(context.log), context_(context),
      webShop_(std::make_unique<WebShopExchange>(context_)),
      d365_(std::make_unique<D365Exchange>(context_)),
      edisoft_(std::make_unique<EdisoftExchange>(context_)),
      telema_(std::make_unique<TelemaExchange>(context_))
{
}

HostExchanges::~HostExchanges() = default;

bool HostExchanges::SendAtlikumi()
{
    return webShop_->SendAtlikumi();
}

bool HostExchanges::ReceiveData()
{
    return webShop_->ReceiveData();
}

bool HostExchanges::SendKlasif()
{
    return webShop_->SendKlasif();
}

bool HostExchanges::SendPZVesture()
{
    return webShop_->SendPZVesture();
}

bool HostExchanges::ReceiveWebCustomers()
{
    return webShop_->ReceiveWebCustomers();
}

bool HostExchanges::EdisoftImpProcess()
{
    return edisoft_->EdisoftImpProcess();
}

bool HostExchanges::EdisoftTestImport()
{
    return edisoft_->EdisoftTestImport();
}

bool HostExchanges::HorizonProcessImports()
{
    return HorizonImport(context_).HorizonProcessImports();
}

bool HostExchanges::TelemaProcess()
{
    return telema_->TelemaProcess();
}

namespace {

EquinoxLogin equinoxLogin(const EquinoxOptions& o)
{
    return {o.FTPVieta, o.UserName, o.Parole};
}

}  // namespace

bool HostExchanges::EquinoxSendPartners(const EquinoxOptions& options)
{
    return ::EquinoxSendPartners(context_, equinoxLogin(options)).run();
}

bool HostExchanges::EquinoxSendGoods(const EquinoxOptions& options)
{
    return ::EquinoxSendGoods(context_, equinoxLogin(options), options.TikaiLabotasPreces).run();
}

bool HostExchanges::EquinoxSendOrders(const EquinoxOptions& options)
{
    return ::EquinoxSendOrders(context_, equinoxLogin(options)).run();
}

bool HostExchanges::EquinoxImport(const EquinoxOptions& options)
{
    return ::EquinoxImport(context_, equinoxLogin(options)).run();
}

bool HostExchanges::EquinoxTestFtp(const EquinoxOptions& options)
{
    return ::EquinoxTestFtp(context_, equinoxLogin(options)).run();
}

int HostExchanges::LoginD365()
{
    return d365_->LoginD365();
}

int HostExchanges::GetGeneralData()
{
    return d365_->GetGeneralData();
}

int HostExchanges::GetPromotionData()
{
    return d365_->GetPromotionData();
}

int HostExchanges::GetDocumentData()
{
    return d365_->GetDocumentData();
}

int HostExchanges::PostDocuments()
{
    return d365_->PostDocuments();
}

void HostExchanges::setD365InventoryClients(const D365InventoryClients& clients)
{
    d365_->setInventoryClients(clients);
}
