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

// --run d365-get and d365-post behave as their hidden buttons: the tick's lines, busy flag
// and error lines.
TEST_F(RunnerTest, D365RunsHaveTheLinesBusyFlagAndErrorLinesOfTheirTicks)
{
    const QString getStart = "D365GetTimer : D365NextTimeVisparejieDati=";
    struct Case {
        const char* name;
        const char* run;
        const char* throwing;  // the exchange call that throws "savienojums pārtraukts", if any
        const char* refusing;  // the exchange call that returns -1, if any
        bool busyBefore;
        bool busyAfter;
        QStringList lines;  // in this order, each the start of a line
        QStringList calls;
        R result;
    };
    const Case cases[] = {
        {"post", "d365-post", nullptr, nullptr, false, false, {"Sāku D365 Post...", "Beidzu D365 Post"},
         {"LoginD365", "PostDocuments"}, R::Succeeded},
        {"post error", "d365-post", "PostDocuments", nullptr, false, false,
         {"Sāku D365 Post...", "Kļūda pie D365 Post, process turpinās : savienojums pārtraukts", "Beidzu D365 Post"},
         {"LoginD365", "PostDocuments"}, R::Failed},
        {"post login refused", "d365-post", nullptr, "LoginD365", false, false,
         {"Sāku D365 Post...", "Neizdevās pievienoties pie D365, process turpinās"}, {"LoginD365"}, R::Failed},
        {"post login error", "d365-post", "LoginD365", nullptr, false, false,
         {"Sāku D365 Post...", "Kļūda pievienojoties pie D365, process turpinās : savienojums pārtraukts",
          "Beidzu D365 Post"},
         {"LoginD365"}, R::Failed},
        {"post while busy", "d365-post", nullptr, nullptr, true, true, {}, {}, R::Failed},
        {"get", "d365-get", nullptr, nullptr, false, false, {getStart},
         {"LoginD365", "GetGeneralData", "GetPromotionData", "GetDocumentData"}, R::Succeeded},
        {"get error", "d365-get", "GetPromotionData", nullptr, true, false,
         {getStart, "Kļūda pie D365 Get Vispārējie dati, process turpinās : savienojums pārtraukts"},
         {"LoginD365", "GetGeneralData", "GetPromotionData"}, R::Failed},
        {"get login error", "d365-get", "LoginD365", nullptr, true, false,
         {getStart, "Kļūda pievienojoties pie D365, process turpinās : savienojums pārtraukts"}, {"LoginD365"},
         R::Failed},
        // the get tick neither tests nor sets the flag
        {"get while busy", "d365-get", nullptr, nullptr, true, true, {getStart},
         {"LoginD365", "GetGeneralData", "GetPromotionData", "GetDocumentData"}, R::Succeeded},
    };
    for (const Case& c : cases) {
        makeHost();
        exchanges.calls.clear();
        exchanges.actions.clear();
        exchanges.results.clear();
        bool busyDuringRun = false;
        exchanges.actions["PostDocuments"] = [&] { busyDuringRun = host->busy().isSet(); };
        if (c.throwing)
            exchanges.actions[c.throwing] = [&] {
                busyDuringRun = host->busy().isSet();
                throw VarnisError("savienojums pārtraukts");
            };
        if (c.refusing)
            exchanges.results[c.refusing] = -1;
        host->SetBusy(c.busyBefore, "test");
        const int before = logLines().size();

        EXPECT_EQ(ExchangeRunner(*host).run(c.run), c.result) << c.name;
        EXPECT_EQ(exchanges.calls, c.calls) << c.name;
        const QStringList lines = logLines().mid(before);
        ASSERT_EQ(lines.size(), c.lines.size()) << c.name << ": " << lines.join(" | ").toStdString();
        for (int i = 0; i < lines.size(); ++i)  // after the "dd.MM-HH:mm:ss " stamp
            EXPECT_TRUE(lines[i].mid(15).startsWith(c.lines[i])) << c.name << ": " << lines[i].toStdString();
        if (exchanges.calls.contains("PostDocuments")) {
            EXPECT_TRUE(busyDuringRun) << c.name;
        }
        // an error clears the flag even when a run outside set it
        EXPECT_EQ(host->busy().isSet(), c.busyAfter) << c.name;
    }
}
