#include "support/HostFixture.h"

#include "host/ExchangeRunner.h"
#include "platform/Errors.h"

using R = ExchangeRunner::Result;

class RunnerTest : public HostFixture {};

TEST_F(RunnerTest, NamesReachTheirExchanges)
{
    ExchangeRunner run(*host);
    const std::pair<const char*, const char*> cases[] = {
        {"stock", "SendAtlikumi"}, {"orders", "ReceiveData"}, {"lists", "SendKlasif"}, {"balances", "SendPZVesture"},
        {"web-customers", "ReceiveWebCustomers"}, {"telema", "TelemaProcess"}, {"edisoft", "EdisoftImpProcess"},
        {"horizon", "HorizonProcessImports"}, {"equinox-import", "EquinoxImport"}};
    for (auto [name, call] : cases) {
        exchanges.calls.clear();
        EXPECT_EQ(run.run(name), R::Succeeded) << name;
        EXPECT_EQ(exchanges.calls, QStringList{call}) << name;
    }
    EXPECT_EQ(run.run("nav"), R::UnknownName);
}

TEST_F(RunnerTest, D365RunsEveryGroupAtOnceAndFailsWhenOneFails)
{
    ExchangeRunner run(*host);
    EXPECT_EQ(run.run("d365-get"), R::Succeeded);
    EXPECT_EQ(exchanges.calls, (QStringList{"LoginD365", "GetGeneralData", "GetPromotionData", "GetDocumentData"}));

    exchanges.calls.clear();
    exchanges.results["GetPromotionData"] = -1;
    EXPECT_EQ(run.run("d365-get"), R::Failed);
    EXPECT_EQ(exchanges.calls.size(), 4);

    exchanges.calls.clear();
    exchanges.results["LoginD365"] = -1;
    EXPECT_EQ(run.run("d365-post"), R::Failed);
    EXPECT_EQ(exchanges.calls, QStringList{"LoginD365"});
    EXPECT_TRUE(logHas("Neizdevās pievienoties pie D365, process turpinās"));
}

TEST_F(RunnerTest, EquinoxRunsWhatItsSwitchesSelectAndErrorsFailTheRun)
{
    writeIni("[EquinoxExp]\nAutoKlienti=true\nAutoPreces=false\nAutoPasutijumi=true\nAutoImports=false\n"
             "TikaiLabotasPreces=false\n");
    ExchangeRunner run(*host);
    EXPECT_EQ(run.run("equinox"), R::Succeeded);
    EXPECT_EQ(exchanges.calls, (QStringList{"EquinoxSendPartners", "EquinoxSendOrders"}));

    exchanges.actions["HorizonProcessImports"] = [this] {
        host->SetBusy(true, "HorizonProcessImports");
        throw VarnisError("savienojums pārtraukts");
    };
    EXPECT_EQ(run.run("horizon"), R::Failed);
    EXPECT_TRUE(logHas("Kļūda pie horizon !!!savienojums pārtraukts"));
    EXPECT_FALSE(host->busy().isSet());
}
