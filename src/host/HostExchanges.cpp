#include "HostExchanges.h"

#include "payments/HorizonImport.h"
#include "webshop/WebShopExchange.h"

HostExchanges::HostExchanges(ExchangeContext context)
    : UnavailableExchanges(context.log), context_(context), webShop_(std::make_unique<WebShopExchange>(context_))
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
