#include "HostExchanges.h"

#include "d365/D365Exchange.h"
#include "payments/HorizonImport.h"
#include "webshop/WebShopExchange.h"

HostExchanges::HostExchanges(ExchangeContext context)
    : UnavailableExchanges(context.log), context_(context),
      webShop_(std::make_unique<WebShopExchange>(context_)),
      d365_(std::make_unique<D365Exchange>(context_))
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

bool HostExchanges::HorizonProcessImports()
{
    return HorizonImport(context_).HorizonProcessImports();
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
