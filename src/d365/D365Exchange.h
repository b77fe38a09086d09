#pragma once

#include "D365Connection.h"
#include "D365Documents.h"
#include "D365MasterData.h"
#include "D365Posting.h"
#include "D365Prices.h"

#include <QString>

struct ExchangeContext;

// The Dynamics 365 exchange: the login and the four groups the scheduler runs. Each group
// calls its operations in a fixed order and stops at the first that fails.
class D365Exchange {
public:
    explicit D365Exchange(ExchangeContext& context);

    // Reads [D365] and obtains the run's token: 1, or -1 after its message.
    int LoginD365();

    // 1 when every operation succeeded, -1 at the first that failed. An error that an
    // operation does not handle itself (a record that cannot be imported, a database
    // error) leaves the group as an exception, for the run-level message.
    int GetGeneralData();
    int GetPromotionData();
    int GetDocumentData();
    int PostDocuments();

    // Operations: 0 (not below 0) on success, -1 after logging the failure.
    int GetK42Vendors() { return masterData_.GetK42Vendors(); }
    int GetCategories() { return masterData_.GetCategories(); }
    int GetK42Products() { return masterData_.GetK42Products(); }
    int GetCatSort() { return masterData_.GetCatSort(); }  // with GetItemSort
    int GetVENDGR() { return masterData_.GetVENDGR(); }
    int GetK42Customers() { return masterData_.GetK42Customers(); }

    int GetPrices() { return prices_.GetPrices(); }
    int GetPurchPrices() { return prices_.GetPurchPrices(); }
    int GetPromoPeriodA() { return prices_.GetPromoPeriodA(); }
    int GetPromoPeriod() { return prices_.GetPromoPeriod(); }
    int GetPurchaseOrders() { return documents_.GetPurchaseOrders(); }
    int GetStoreSales() { return documents_.GetStoreSales(); }
    int GetTransfers() { return documents_.GetTransfers(); }
    int PostSAN() { return posting_.PostSAN(); }
    int PostIZR() { return posting_.PostIZR(); }
    int PostPAR() { return posting_.PostPAR(); }
    int PostPAS() { return posting_.PostPAS(); }
    int PostATGR() { return posting_.PostATGR(); }
    int PostINV() { return posting_.PostINV(); }

    // Which documents are inventory corrections; the host reads them at start-up.
    void setInventoryClients(const D365InventoryClients& clients) { posting_.setInventoryClients(clients); }

    D365Connection& connection() { return connection_; }
    D365MasterData& masterData() { return masterData_; }
    D365Posting& posting() { return posting_; }
    D365Prices& prices() { return prices_; }

private:
    using Operation = int (D365Exchange::*)();
    int runGroup(std::initializer_list<Operation> operations);

    ExchangeContext& ctx_;
    D365Connection connection_;
    D365MasterData masterData_;
    D365Prices prices_;
    D365Documents documents_;
    D365Posting posting_;
};
