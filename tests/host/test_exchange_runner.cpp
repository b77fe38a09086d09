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

TEST_F(RunnerTest, EquinoxStepsAreGuardedLikeTheTickAndAFailedStepFailsTheRun)
{
    writeIni("[EquinoxExp]\nAutoKlienti=true\nAutoPreces=true\nAutoPasutijumi=true\nAutoImports=true\n"
             "TikaiLabotasPreces=false\n");
    ExchangeRunner run(*host);
    exchanges.actions["EquinoxSendGoods"] = [] { throw VarnisError("disk full"); };
    exchanges.results["EquinoxImport"] = 0;
    EXPECT_EQ(run.run("equinox"), R::Failed);
    EXPECT_EQ(exchanges.calls,
              (QStringList{"EquinoxSendPartners", "EquinoxSendGoods", "EquinoxSendOrders", "EquinoxImport"}));
    EXPECT_TRUE(logHas("Kļūda sūtot uz Equinox preces, process turpinās : disk full"));

    // every switch off: nothing to do by the settings
    writeIni("[EquinoxExp]\nAutoKlienti=false\nAutoPreces=false\nAutoPasutijumi=false\nAutoImports=false\n"
             "TikaiLabotasPreces=false\n");
    ExchangeRunner idle(*host);
    EXPECT_EQ(idle.run("equinox"), R::NothingToDo);
}

// --run d365-get and d365-post behave as their hidden buttons: the tick's lines, busy flag
// and error lines.
TEST_F(RunnerTest, D365RunsHaveTheLinesBusyFlagAndErrorLinesOfTheirTicks)
{
    const QString get = "D365GetTimer : D365NextTimeVisparejieDati=", post = "Sāku D365 Post...", end = "Beidzu D365 Post";
    const QStringList all{"LoginD365", "GetGeneralData", "GetPromotionData", "GetDocumentData"};
    struct Case {
        const char* run;
        const char* throwing;  // the call that throws "pārtraukts"
        const char* refusing;  // the call that returns -1
        bool busyBefore, busyAfter;
        QStringList lines;  // the start of each line, in order
        QStringList calls;
        R result;
    };
    const Case cases[] = {
        {"d365-post", nullptr, nullptr, false, false, {post, end}, {"LoginD365", "PostDocuments"}, R::Succeeded},
        {"d365-post", "PostDocuments", nullptr, false, false, {post, "Kļūda pie D365 Post, process turpinās : pārtraukts", end},
         {"LoginD365", "PostDocuments"}, R::Failed},
        {"d365-post", nullptr, "LoginD365", false, false, {post, "Neizdevās pievienoties pie D365, process turpinās"},
         {"LoginD365"}, R::Failed},
        {"d365-post", nullptr, nullptr, true, true, {}, {}, R::Failed},  // busy: refused
        {"d365-get", "GetPromotionData", nullptr, true, false,
         {get, "Kļūda pie D365 Get Vispārējie dati, process turpinās : pārtraukts"}, all.mid(0, 3), R::Failed},
        {"d365-get", "LoginD365", nullptr, true, false, {get, "Kļūda pievienojoties pie D365, process turpinās : pārtraukts"},
         {"LoginD365"}, R::Failed},
        {"d365-get", nullptr, nullptr, true, true, {get}, all, R::Succeeded},  // the flag is not the get tick's
    };
    for (const Case& c : cases) {
        makeHost();
        bool busyDuringPost = false;
        exchanges.actions.clear();
        for (const QString& call : {QString("PostDocuments"), QString(c.throwing)})
            exchanges.actions[call] = [&, call] {
                busyDuringPost = busyDuringPost || (call == "PostDocuments" && host->busy().isSet());
                if (call == c.throwing)
                    throw VarnisError("pārtraukts");
            };
        exchanges.results = c.refusing ? std::map<QString, int>{{c.refusing, -1}} : std::map<QString, int>{};
        exchanges.calls.clear();
        host->SetBusy(c.busyBefore, "test");
        const int before = logLines().size();
        const std::string name = c.run + std::to_string(&c - cases);

        EXPECT_EQ(ExchangeRunner(*host).run(c.run), c.result) << name;
        EXPECT_EQ(exchanges.calls, c.calls) << name;
        const QStringList lines = logLines().mid(before);
        ASSERT_EQ(lines.size(), c.lines.size()) << name << ": " << lines.join(" | ").toStdString();
        for (int i = 0; i < lines.size(); ++i)  // after the "dd.MM-HH:mm:ss " stamp
            EXPECT_TRUE(lines[i].mid(15).startsWith(c.lines[i])) << name << ": " << lines[i].toStdString();
        EXPECT_EQ(busyDuringPost, exchanges.calls.contains("PostDocuments")) << name;
        EXPECT_EQ(host->busy().isSet(), c.busyAfter) << name;
    }
}
