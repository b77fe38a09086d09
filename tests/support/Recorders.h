#pragma once

#include "QtPrinters.h"
#include "host/Exchanges.h"
#include "platform/Dialogs.h"

#include <QStringList>
#include <functional>
#include <map>

// Message boxes a test can read instead of waiting for an operator.
class RecordingDialogs : public Dialogs {
public:
    void showMessage(const QString& text) override { messages << text; }
    QStringList messages;
};

// The scheduler's exchanges, recording each call and answering what the test says.
class RecordingExchanges : public Exchanges {
public:
    QStringList calls;
    std::map<QString, int> results;             // name -> result (default 1 / true)
    std::map<QString, std::function<void()>> actions;  // name -> run (may throw)

    int call(const QString& name)
    {
        calls << name;
        if (auto a = actions.find(name); a != actions.end())
            a->second();
        auto r = results.find(name);
        return r == results.end() ? 1 : r->second;
    }
    bool SendAtlikumi() override { return call(QStringLiteral("SendAtlikumi")) > 0; }
    bool ReceiveData() override { return call(QStringLiteral("ReceiveData")) > 0; }
    bool SendKlasif() override { return call(QStringLiteral("SendKlasif")) > 0; }
    bool SendPZVesture() override { return call(QStringLiteral("SendPZVesture")) > 0; }
    bool ReceiveWebCustomers() override { return call(QStringLiteral("ReceiveWebCustomers")) > 0; }
    bool EdisoftImpProcess() override { return call(QStringLiteral("EdisoftImpProcess")) > 0; }
    bool TelemaProcess() override { return call(QStringLiteral("TelemaProcess")) > 0; }
    bool EquinoxSendPartners(const EquinoxOptions&) override { return call(QStringLiteral("EquinoxSendPartners")) > 0; }
    bool EquinoxSendGoods(const EquinoxOptions&) override { return call(QStringLiteral("EquinoxSendGoods")) > 0; }
    bool EquinoxSendOrders(const EquinoxOptions&) override { return call(QStringLiteral("EquinoxSendOrders")) > 0; }
    bool EquinoxImport(const EquinoxOptions&) override { return call(QStringLiteral("EquinoxImport")) > 0; }
    bool EquinoxTestFtp(const EquinoxOptions&) override { return call(QStringLiteral("EquinoxTestFtp")) > 0; }
    bool EdisoftTestImport() override { return call(QStringLiteral("EdisoftTestImport")) > 0; }
    bool HorizonProcessImports() override { return call(QStringLiteral("HorizonProcessImports")) > 0; }
    int LoginD365() override { return call(QStringLiteral("LoginD365")); }
    int GetGeneralData() override { return call(QStringLiteral("GetGeneralData")); }
    int GetPromotionData() override { return call(QStringLiteral("GetPromotionData")); }
    int GetDocumentData() override { return call(QStringLiteral("GetDocumentData")); }
    int PostDocuments() override { return call(QStringLiteral("PostDocuments")); }
};
