#pragma once

#include "WebShopConnection.h"
#include "WebShopSettings.h"

#include <QString>
#include <functional>

struct ExchangeContext;

// The web shop exchange: the shop settings and options, the shop connection and picture
// FTP, and the four entries the scheduler calls. Each entry returns true when it ran and
// false when it did not start (missing setting, or another exchange busy).
class WebShopExchange {
public:
    explicit WebShopExchange(ExchangeContext& context);

    bool SendAtlikumi();         // stock export, ExpTips 1 or 2
    bool ReceiveData();          // order import, ExpTips 1 or 2
    bool SendKlasif();           // lists: catalogue, customers, special prices, ExpTips 2
    bool SendPZVesture();        // customer balances, ExpTips 2
    // The test button btTestWebKlienti: the settings, then the customer import.
    bool ReceiveWebCustomers();

    // 1 on success; -1 .. -6 for the first missing setting (logged). Loads the options too.
    int LoadSettings();

    void SendKlasifOC_3();
    void SendAtlikumiOC_3();     // the stock job (runs the shop connect when needed)

    const ShopSettings& settings() const { return settings_; }
    const WebShopOptions& options() const { return options_; }
    WebShopConnection& connection() { return connection_; }

private:
    struct Entry {
        QString label;     // busy-flag label
        QString refusal;
        QString start;
        QString end;
        QString runMark;
    };
    // The settings of an entry; a missing one refuses the run.
    bool settingsForEntry();
    bool runEntry(const Entry& entry, bool allowed, const std::function<void()>& job);
    void readOptions();
    void writeRunMark(const QString& name);

    void SendPrecesOC_3_FD();    // the product catalogue
    void SendKlientiOC_3();      // customer export
    void ReceiveOrdersOC_3();    // order import
    bool ReceiveKlientiOC_3();   // customer import; false when the shop could not be reached
    void SendSpecCenasOC_3();      // special prices
    void SendKlAtlikumiOC_3FD();   // customer balances

    ExchangeContext& ctx_;
    QString settingsLine_;  // why LoadSettings last stopped
    ShopSettings settings_;
    WebShopOptions options_;
    WebShopConnection connection_;
};
