#include "platform/NotAvailable.h"
#include "D365Fixture.h"

#include <QSettings>
#include <QUrl>

namespace {

const QString kToken = QStringLiteral("eyJ0eXAi.tEst-Token_1~");

// The form fields of the token request, decoded, in the order sent.
QList<QPair<QString, QString>> formFields(const RecordedRequest& r)
{
    QList<QPair<QString, QString>> fields;
    for (const QString& pair : QString::fromStdString(r.body).split('&')) {
        const qsizetype eq = pair.indexOf('=');
        fields.append({QUrl::fromPercentEncoding(pair.left(eq).toUtf8()),
                       QUrl::fromPercentEncoding(pair.mid(eq + 1).toUtf8())});
    }
    return fields;
}

RecordedRequest tokenRequest(const FakeD365& fake)
{
    for (const RecordedRequest& r : fake.server.requests())
        if (r.path == "/token")
            return r;
    ADD_FAILURE() << "no token request";
    return {};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Login

TEST_F(D365Test, LoginSendsTheFourFormFieldsAndKeepsTheToken)
{
    setSetting("SecretKey", "a+b&c=d%e f");  // a secret must reach the service unchanged
    login();
    EXPECT_EQ(d365->connection().token(), kToken);

    const RecordedRequest r = tokenRequest(fake);
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(r.header("Authorization"), "");
    const auto fields = formFields(r);
    ASSERT_EQ(fields.size(), 4);
    EXPECT_EQ(fields[0], qMakePair(QString("grant_type"), QString("client_credentials")));
    EXPECT_EQ(fields[1], qMakePair(QString("client_id"), QString("varnis-client")));
    EXPECT_EQ(fields[2], qMakePair(QString("client_secret"), QString("a+b&c=d%e f")));
    // no ".com" in the loopback address: the first four characters
    EXPECT_EQ(fields[3], qMakePair(QString("resource"), QString("http")));
    EXPECT_TRUE(fake.calls().empty());
}

TEST_F(D365Test, ResourceRunsToDotComAndOneCharacterMore)
{
    EXPECT_EQ(D365Connection::resourceOf("https://k42.sandbox.operations.dynamics.com/api/services/VarnisServices/Request"),
              "https://k42.sandbox.operations.dynamics.com/");
    EXPECT_EQ(D365Connection::resourceOf("https://k42.operations.dynamics.com:443/api"),
              "https://k42.operations.dynamics.com:");
    EXPECT_EQ(D365Connection::resourceOf("https://k42.dynamics.com"), "https://k42.dynamics.com");
    // the first ".com" counts, wherever it stands
    EXPECT_EQ(D365Connection::resourceOf("https://a.dynamics.com/x.com/y"), "https://a.dynamics.com/");
    EXPECT_EQ(D365Connection::resourceOf("https://a.company.com/x"), "https://a.comp");
    EXPECT_EQ(D365Connection::resourceOf("http://127.0.0.1:8365/data"), "http");

    // and it is what the token request carries
    setSetting("RESTHttps", "https://k42.sandbox.operations.dynamics.com/api/services/VarnisServices/Request");
    login();
    EXPECT_EQ(formFields(tokenRequest(fake)).at(3).second, "https://k42.sandbox.operations.dynamics.com/");
}

TEST_F(D365Test, TokenIsReadWhateverTheSpacingOfTheReply)
{
    EXPECT_EQ(D365Connection::readToken(R"({"token_type":"Bearer","access_token":"abc.DEF-1_2~x","expires_in":"3599"})"),
              "abc.DEF-1_2~x");
    // blanks between name, colon and value: the fixed distance lands on a blank
    EXPECT_EQ(D365Connection::readToken(R"({"token_type": "Bearer", "access_token": "abc.DEF", "expires_in": 3599})"),
              "abc.DEF");
    EXPECT_EQ(D365Connection::readToken("{\n  \"access_token\" : \"abc.DEF\",\n  \"expires_in\" : 3599\n}"), "abc.DEF");
    EXPECT_EQ(D365Connection::readToken(R"({"token_type":"Bearer"})"), "");
    EXPECT_EQ(D365Connection::readToken("not json at all"), "");

    fake.tokenBody = R"({ "token_type" : "Bearer", "access_token" : "spaced.Token-9", "expires_in" : 3599 })";
    login();
    EXPECT_EQ(d365->connection().token(), "spaced.Token-9");
}

TEST_F(D365Test, FailedLoginsSayWhyAndAskNothingOfTheService)
{
    fake.tokenStatus = 401;
    fake.tokenBody = R"({"error":"invalid_client"})";
    EXPECT_EQ(d365->LoginD365(), -1);
    EXPECT_TRUE(log.has(R"(Kļūda iegūstot piekļuves kodu (2) D365. StatusCode=401 {"error":"invalid_client"})"));
    EXPECT_TRUE(d365->connection().token().isEmpty());

    fake.tokenStatus = 200;
    // nothing listens on port 1
    setSetting("LoginHttps", "http://127.0.0.1:1/token");
    EXPECT_EQ(d365->LoginD365(), -1);
    ASSERT_FALSE(log.lines.isEmpty());
    EXPECT_TRUE(log.lines.last().startsWith("Kļūda iegūstot piekļuves kodu (1) D365. Paziņojums :\n"))
        << log.lines.last().toStdString();
    EXPECT_GT(log.lines.last().size(), QString("Kļūda iegūstot piekļuves kodu (1) D365. Paziņojums :\n").size());

    EXPECT_TRUE(fake.calls().empty());
    EXPECT_TRUE(dialogs.messages.isEmpty());
    // the secret never reaches the log
    EXPECT_FALSE(log.has("s3cret"));
}

// An unattended host has nobody to read a message box: a missing setting is a log line.
TEST_F(D365Test, AMissingSettingIsLoggedNotShownAndNoTokenIsAskedFor)
{
    const std::pair<const char*, const char*> cases[] = {
        {"LoginHttps", "Nav ievadīta Login Https adrese !!!"},
        {"RESTHttps", "Nav ievadīta REST Https adrese !!!"},
        {"ClientID", "Nav ievadīts klienta ID !!!"},
        {"SecretKey", "Nav ievadīta slēptā atslēga !!!"},
    };
    // each missing on its own, the others set
    for (const auto& [name, message] : cases) {
        const QString kept = [&] {
            RegistryKey k(*registry);
            k.OpenKey("D365", false);
            return k.ReadString(name);
        }();
        setSetting(name, "");
        log.lines.clear();
        report.begin();
        EXPECT_EQ(d365->LoginD365(), -1) << name;
        EXPECT_EQ(log.lines, QStringList{QString(message)}) << name;
        EXPECT_EQ(report.outcome(false), RunReport::Outcome::Refused) << name;
        setSetting(name, kept);
    }
    // no [D365] at all: the first message
    registry->settings().remove("D365");
    log.lines.clear();
    EXPECT_EQ(d365->LoginD365(), -1);
    EXPECT_EQ(log.lines, QStringList{"Nav ievadīta Login Https adrese !!!"});
    EXPECT_EQ(fake.tokenRequests(), 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

// A 200 reply without a token is a login all the same: -1 would stop D365 until Start.
TEST_F(D365Test, ATokenReplyWithoutATokenStillLogsIn)
{
    fake.tokenBody = R"({"token_type":"Bearer"})";
    EXPECT_EQ(d365->LoginD365(), 1);
    EXPECT_TRUE(log.has(R"(Kļūda iegūstot piekļuves kodu (3) D365. Atbildē nav access_token: {"token_type":"Bearer"})"));
    EXPECT_TRUE(d365->connection().token().isEmpty());
    // the groups then fail on their requests and keep their due time for the next tick
    fake.reply("GetK42Vendors", 401, "Unauthorized");
    EXPECT_EQ(d365->GetGeneralData(), -1);
    EXPECT_TRUE(log.has("Kļūda iegūstot GetK42Vendors. StatusCode=401 Unauthorized"));
}

TEST_F(D365Test, SettingsAreReadAfreshAtEveryLogin)
{
    login();
    setSetting("ClientID", "another-client");
    login();
    const auto requests = fake.server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(formFields(requests[1]).at(1).second, "another-client");
}

// ---------------------------------------------------------------------------------------
// Request envelope and inner texts

TEST_F(D365Test, EveryBusinessCallIsAPostOfTheEnvelopeWithTheToken)
{
    login();
    ASSERT_EQ(d365->GetCategories(), 0);
    const auto requests = fake.server.requests();
    ASSERT_EQ(requests.size(), 2u);
    const RecordedRequest& r = requests[1];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.target, "/data");
    EXPECT_EQ(r.header("Content-Type"), "application/json");
    EXPECT_EQ(r.header("Authorization"), ("Bearer " + kToken).toStdString());
    EXPECT_EQ(r.body,
              R"({"_requestBody": {"Request": "{\"GetCategories\": {\"Query\": {\"Company\":\"K42\",\"ListView\": true}}}"}})");
    // only one Content-Type header
    EXPECT_EQ(r.headers.count("Content-Type"), 1u);
}

TEST_F(D365Test, TheEnvelopeKeepsAnyInnerTextIntact)
{
    const QString inner = QString::fromUtf8("{\"PostSAN\": [{\"Name\":\"SIA \\\"Piens\\\" C:\\\\dir\", \"Nr\":\"ā\u0001\"}]}");
    const QByteArray body = D365Connection::requestBody(inner);
    EXPECT_TRUE(body.startsWith(R"({"_requestBody": {"Request": ")"));
    EXPECT_TRUE(body.endsWith(R"("}})"));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << body.toStdString();
    EXPECT_EQ(doc.object().value("_requestBody").toObject().value("Request").toString(), inner);
}

namespace {

struct Golden {
    const char* operation;
    const char* inner;
};

// Inner texts as the service receives them; FROM 2026-11-30, TO 2026-12-08.
const Golden kGolden[] = {
    {"GetK42Vendors",
     R"({"GetK42Vendors":  {"Query": {"Company":"K42","Modified":{"FromDT": "2026-11-30","ToDT": "2026-12-08"}, "Sent": true, "VendorGroup":""}}})"},
    {"GetK42Customers",
     R"({"GetK42Customers":  {"Query": {"Company":"K42","Modified":{"FromDT": "2026-11-30","ToDT": "2026-12-08"}, "Sent": true, "CustomerGroup":""}}})"},
    {"GetK42Products",
     R"({"GetK42Products": {"Query": {"Company":"K42","Modified":{"FromDATE": "2026-11-30","ToDate": "2026-12-08"}, "Sent": true}}})"},
    {"GetCategories", R"({"GetCategories": {"Query": {"Company":"K42","ListView": true}}})"},
    {"GetPrices", R"({"GetPrices": {"Query": {"Company":"K42","Product":""}}})"},
    {"GetPurchPrices", R"({"GetPurchPrices": {"Query": {"Company":"K42","Product":""}}})"},
    {"GetPromoPeriod", R"({"GetPromoPeriod": {"Query": {"Company":"K42","Product":"", "Sent": true}}})"},
    {"GetPromoPeriodA", R"({"GetPromoPeriodA": {"Query": {"Company":"K42","Product":"","Sent": true}}})"},
    {"GetPurchaseOrders",
     R"({"GetPurchaseOrders":  {"Query": {"Company":"K42","Modified":{"FromDT": "2026-11-30","ToDT": "2026-12-08"}, "Sent": true}}})"},
    {"GetStoreSales",
     R"({"GetStoreSales":  {"Query": {"Company":"K42","Modified":{"FromDT": "2026-11-30","ToDT": "2026-12-08"}, "Sent": true}}})"},
    {"GetTransfers",
     R"({"GetTransfers":  {"Query": {"Company":"K42","Modified":{"FromDT": "2026-11-30","ToDT": "2026-12-08"}, "Sent": true}}})"},
    {"GetCatSort",
     R"({"GetCatSort":  {"Query": {"Company":"K42","Modified":{"FromDT": "2026-11-30","ToDT": "2026-12-08"}, "Sent": true}}})"},
    {"GetItemSort",
     R"({"GetItemSort":  {"Query": {"Company":"K42","Modified":{"FromDT": "2026-11-30","ToDT": "2026-12-08"}, "Sent": true}}})"},
    {"GetVENDGR",
     R"({"GetVENDGR":  {"Query": {"Company":"K42","Modified":{"FromDate": "2026-11-30","ToDate": "2026-12-08"}, "Sent": true}}})"},
};

QString goldenOf(const std::string& operation)
{
    for (const Golden& g : kGolden)
        if (operation == g.operation)
            return QString::fromUtf8(g.inner);
    return {};
}

}  // namespace

TEST_F(D365Test, InnerTextsOfTheOperationsThatRunHereAreSentByteForByte)
{
    for (const char* m : {"LastVendorsDate", "LastCustomersDate", "LastProductsDate", "LastSortimentsDate",
                          "LastVendorGraphDate"})
        setMark(m, "2026-11-30");
    login();
    ASSERT_EQ(d365->GetK42Vendors(), 0);
    ASSERT_EQ(d365->GetK42Customers(), 0);
    ASSERT_EQ(d365->GetK42Products(), 0);
    ASSERT_EQ(d365->GetCategories(), 0);
    ASSERT_EQ(d365->GetCatSort(), 0);
    ASSERT_EQ(d365->GetVENDGR(), 0);

    const auto calls = fake.calls();
    ASSERT_EQ(calls.size(), 7u);
    for (const auto& call : calls) {
        EXPECT_EQ(call.inner, goldenOf(call.operation)) << call.operation;
        // in the body every quote of the inner text is preceded by a backslash
        QString escaped = goldenOf(call.operation);
        escaped.replace("\"", "\\\"");
        EXPECT_EQ(QString::fromStdString(call.body), "{\"_requestBody\": {\"Request\": \"" + escaped + "\"}}")
            << call.operation;
    }
    EXPECT_EQ(fake.operations(), (std::vector<std::string>{"GetK42Vendors", "GetK42Customers", "GetK42Products",
                                                           "GetCategories", "GetCatSort", "GetItemSort", "GetVENDGR"}));
}

TEST_F(D365Test, InnerTextsOfEveryFetchOperation)
{
    for (const Golden& g : kGolden)
        EXPECT_EQ(D365Connection::fetchInner(g.operation, QDate(2026, 11, 30), QDate(2026, 12, 8)), QString::fromUtf8(g.inner))
            << g.operation;
    EXPECT_THROW(D365Connection::fetchInner("PostSAN", QDate(2026, 11, 30), QDate(2026, 12, 8)), D365Error);
}

// ---------------------------------------------------------------------------------------
// Marks

TEST_F(D365Test, MarksStartAt20December2022AndMoveOnlyOnSuccess)
{
    setMark("LastProductsDate", "not a date");
    login();
    ASSERT_EQ(d365->GetK42Vendors(), 0);   // never written
    ASSERT_EQ(d365->GetK42Products(), 0);  // unreadable
    auto calls = fake.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].inner.contains(R"("FromDT": "2022-12-20","ToDT": "2026-12-08")")) << calls[0].inner.toStdString();
    EXPECT_TRUE(calls[1].inner.contains(R"("FromDATE": "2022-12-20","ToDate": "2026-12-08")")) << calls[1].inner.toStdString();
    EXPECT_EQ(mark("LastVendorsDate"), "2026-12-07");
    EXPECT_EQ(mark("LastProductsDate"), "2026-12-07");

    // the next day asks from the day of the last success: the periods overlap
    clock.set(QDateTime(QDate(2026, 12, 8), QTime(6, 0)));
    fake.reply("GetK42Vendors", 500, "boom");
    EXPECT_EQ(d365->GetK42Vendors(), -1);
    EXPECT_TRUE(fake.calls().back().inner.contains(R"("FromDT": "2026-12-07","ToDT": "2026-12-09")"));
    EXPECT_EQ(mark("LastVendorsDate"), "2026-12-07");
    // categories keep no mark
    ASSERT_EQ(d365->GetCategories(), 0);
    EXPECT_EQ(mark("LastCategoriesDate"), "");
}

// Registry dates may carry a time of day; only a value that is no date at all restarts
// the period, and then a line says so.
TEST_F(D365Test, MarksAreReadFromDatesAndDateTimes)
{
    struct Case {
        const char* stored;
        const char* from;
        bool logged;
    };
    const Case cases[] = {
        {"2026-11-30", "2026-11-30", false},
        {"2026-11-30T17:45:10", "2026-11-30", false},
        {"", "2022-12-20", false},  // never written
        {"30.11.2026", "2022-12-20", true},
        {"not a date", "2022-12-20", true},
    };
    login();
    for (const Case& c : cases) {
        if (*c.stored)
            setMark("LastVendorsDate", c.stored);
        else
            registry->settings().remove("D365/LastVendorsDate");
        log.lines.clear();
        ASSERT_EQ(d365->GetK42Vendors(), 0) << c.stored;
        EXPECT_TRUE(fake.calls().back().inner.contains(QString(R"("FromDT": "%1")").arg(c.from))) << c.stored;
        EXPECT_EQ(log.has(QString("LastVendorsDate: datums \"%1\" nav nolasāms, lieto 20.12.2022").arg(c.stored)),
                  c.logged)
            << c.stored;
    }
}

// ---------------------------------------------------------------------------------------
// Fetch replies

TEST_F(D365Test, FetchFailuresAreLoggedWithTheReplyAndKeepTheMark)
{
    setMark("LastVendorsDate", "2026-12-01");
    login();

    fake.reply("GetK42Vendors", 500, "Internal error");
    EXPECT_EQ(d365->GetK42Vendors(), -1);
    EXPECT_TRUE(log.has("Kļūda iegūstot GetK42Vendors. StatusCode=500 Internal error"));

    fake.reply("GetK42Vendors", 200, "<html>maintenance</html>");
    EXPECT_EQ(d365->GetK42Vendors(), -1);
    EXPECT_TRUE(log.has("Kļūda iegūstot GetK42Vendors. StatusCode=200 <html>maintenance</html>"));

    setSetting("RESTHttps", "http://127.0.0.1:1/data");
    login();
    log.lines.clear();
    EXPECT_EQ(d365->GetK42Vendors(), -1);
    ASSERT_EQ(log.lines.size(), 2);
    EXPECT_EQ(log.lines[0], "Procesējam GetK42Vendors...");
    EXPECT_TRUE(log.lines[1].startsWith("Kļūda pie GetK42Vendors. Paziņojums :\n")) << log.lines[1].toStdString();

    EXPECT_FALSE(log.has("GetK42Vendors OK"));
    EXPECT_EQ(mark("LastVendorsDate"), "2026-12-01");
}

TEST_F(D365Test, AReplyWithoutItsListIsAnErrorOfTheRun)
{
    setMark("LastVendorsDate", "2026-12-01");
    login();
    for (const char* body : {R"({"status":"ok"})", R"({"data":[]})", R"({"data":[{"Customers":[]}]})",
                             R"({"data":[{"Vendors":null}]})", R"([1,2])"}) {
        fake.reply("GetK42Vendors", 200, body);
        try {
            d365->GetK42Vendors();
            ADD_FAILURE() << "no error for " << body;
        } catch (const D365Error& e) {
            EXPECT_TRUE(e.message().contains("data[0].Vendors")) << e.message().toStdString();
        }
    }
    EXPECT_EQ(mark("LastVendorsDate"), "2026-12-01");
    EXPECT_FALSE(log.has("GetK42Vendors OK"));
}

TEST_F(D365Test, AnEmptyListImportsNothingAndStillMovesTheMark)
{
    setMark("LastVendorsDate", "2026-12-01");
    login();
    const int clients = count("N_KLIENT");
    fake.reply("GetK42Vendors", 200, R"({"data":[{"Vendors":[]}]})");
    log.lines.clear();
    EXPECT_EQ(d365->GetK42Vendors(), 0);
    EXPECT_EQ(log.lines, (QStringList{"Procesējam GetK42Vendors...", "GetK42Vendors OK"}));
    EXPECT_EQ(count("N_KLIENT"), clients);
    EXPECT_EQ(mark("LastVendorsDate"), "2026-12-07");
}

// ---------------------------------------------------------------------------------------
// Groups

TEST_F(D365Test, GeneralDataStopsAtTheFirstOperationThatFails)
{
    login();
    fake.reply("GetCategories", 503, "busy");
    EXPECT_EQ(d365->GetGeneralData(), -1);
    EXPECT_EQ(fake.operations(), (std::vector<std::string>{"GetK42Vendors", "GetCategories"}));
    EXPECT_FALSE(log.has("GetK42Products"));
}

// Every group runs all its operations in their order.
TEST_F(D365Test, EveryGroupRunsItsOperationsInOrder)
{
    login();
    EXPECT_EQ(d365->GetGeneralData(), 1);
    EXPECT_EQ(fake.operations(), (std::vector<std::string>{"GetK42Vendors", "GetCategories", "GetK42Products", "GetPrices",
                                                           "GetPurchPrices", "GetPromoPeriodA", "GetCatSort",
                                                           "GetItemSort", "GetVENDGR"}));
    EXPECT_EQ(d365->GetPromotionData(), 1);
    EXPECT_EQ(d365->GetDocumentData(), 1);
    const auto ops = fake.operations();
    EXPECT_EQ(std::vector<std::string>(ops.begin() + 9, ops.end()),
              (std::vector<std::string>{"GetPromoPeriod", "GetK42Customers", "GetPurchaseOrders", "GetStoreSales",
                                        "GetTransfers"}));
    // with nothing ready, posting sends nothing and succeeds
    EXPECT_EQ(d365->PostDocuments(), 1);
    EXPECT_EQ(log.lines.last(), "PostINV OK");
    EXPECT_EQ(log.count("nav pieejams"), 0);
}

TEST_F(D365Test, ARecordThatCannotBeImportedLeavesTheGroupAsAnError)
{
    login();
    fake.records("GetK42Vendors", QJsonArray{QJsonObject{{"AccountNum", "V1"}}});
    EXPECT_THROW(d365->GetGeneralData(), D365Error);
    EXPECT_EQ(fake.operations(), std::vector<std::string>{"GetK42Vendors"});
}

// ---------------------------------------------------------------------------------------
// Post replies

TEST(D365PostReplyTest, TheServiceStatusDecides)
{
    auto reply = [](int status, const char* body) {
        HttpResponse r;
        r.status = status;
        r.body = body;
        return D365Connection::readPostReply(r);
    };
    D365PostReply r = reply(200, R"({"data":[{"StatusCode":1,"Message":"Dokuments saņemts","Id":"X1"}]})");
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.status, "1");
    EXPECT_EQ(r.message, "Dokuments saņemts");

    r = reply(200, R"({"StatusCode":0,"Message":"Nav preces P1"})");
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(r.status, "0");
    EXPECT_EQ(r.message, "Nav preces P1");

    // other spacing, a status as the last member, a quote inside the message
    r = reply(200, R"({ "Message" : "Ir \"OK\"", "StatusCode" : 1 })");
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.message, "Ir \"OK\"");

    EXPECT_FALSE(reply(500, R"({"StatusCode":1,"Message":"x"})").accepted);
    EXPECT_FALSE(reply(200, "StatusCode\":1, but not JSON").accepted);
    EXPECT_FALSE(reply(200, R"({"Message":"no status"})").accepted);
}
