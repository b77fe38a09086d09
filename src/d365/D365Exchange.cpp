#include "D365Exchange.h"

#include "platform/NotAvailable.h"

#include "db/ExchangeContext.h"
#include "platform/Log.h"

D365Exchange::D365Exchange(ExchangeContext& context)
    : ctx_(context), connection_(context), masterData_(context, connection_), prices_(context, connection_),
      documents_(context, connection_, masterData_), posting_(context, connection_)
{
}

int D365Exchange::LoginD365()
{
    return connection_.LoginD365();
}

int D365Exchange::runGroup(std::initializer_list<Operation> operations)
{
    for (Operation op : operations)
        if ((this->*op)() < 0)
            return -1;
    return 1;
}

int D365Exchange::GetGeneralData()
{
    return runGroup({&D365Exchange::GetK42Vendors, &D365Exchange::GetCategories, &D365Exchange::GetK42Products,
                     &D365Exchange::GetPrices, &D365Exchange::GetPurchPrices, &D365Exchange::GetPromoPeriodA,
                     &D365Exchange::GetCatSort, &D365Exchange::GetVENDGR});
}

int D365Exchange::GetPromotionData()
{
    return runGroup({&D365Exchange::GetPromoPeriod});
}

int D365Exchange::GetDocumentData()
{
    return runGroup({&D365Exchange::GetK42Customers, &D365Exchange::GetPurchaseOrders, &D365Exchange::GetStoreSales,
                     &D365Exchange::GetTransfers});
}

int D365Exchange::PostDocuments()
{
    return runGroup({&D365Exchange::PostSAN, &D365Exchange::PostIZR, &D365Exchange::PostPAR, &D365Exchange::PostPAS,
                     &D365Exchange::PostATGR, &D365Exchange::PostINV});
}
