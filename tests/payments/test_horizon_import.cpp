#include "support/FakeHttpServer.h"
#include "support/GoodsDb.h"
#include "support/Recorders.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "host/ProcessLog.h"
#include "payments/HorizonImport.h"
#include "platform/BusyFlag.h"
#include "platform/RunReport.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Registry.h"

#include <QFile>
#include <QSettings>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <memory>
#include <mutex>

namespace {

const QString kUser = QStringLiteral("grāmatvede");
const QString kPassword = QStringLiteral("Slepens:parole1");
const char* const kQueryPath = "/rest/TDdmMUSar/query";

QJsonObject payment(const QString& date, const QJsonValue& amount, const QString& purpose, const QString& counterParty,
                    const QString& document)
{
    return QJsonObject{{"PDOK", QJsonObject{{"DAT_DOK", date},
                                            {"SUMMA_PV", amount},
                                            {"PAMAT", purpose},
                                            {"K", QJsonObject{{"KODS", counterParty}}},
                                            {"BK", QJsonObject{{"DAR_REGNUM", document}}}}},
                       {"LASTEV", QJsonObject{{"LAIKS", date}}}};
}

std::string answerOf(const QJsonArray& rows)
{
    return QJsonDocument(QJsonObject{{"collection", QJsonObject{{"row", rows}}}}).toJson().toStdString();
}

// Customers the purpose texts of the tests name.
const char* const kCustomers[] = {
    "INSERT INTO N_KLIENT (ISN, GNOS, IDKODS) VALUES (101, 'SIA Alfa', '123456')",
    "INSERT INTO N_KLIENT (ISN, GNOS, IDKODS, KLKOMENT) VALUES (102, 'SIA Beta', '654321', 'E900')",
    "INSERT INTO N_KLIENT (ISN, GNOS, IDKODS) VALUES (103, 'Gamma', '12-345')",
    "INSERT INTO N_KLIENT (ISN, GNOS, IDKODS) VALUES (104, 'Delta', '23456')",
    "INSERT INTO N_KLIENT (ISN, GNOS, IDKODS) VALUES (105, 'Bez koda', '')",
    "INSERT INTO N_KLIENT (ISN, GNOS, IDKODS, KLKOMENT) VALUES (106, 'Epsilon', '777777', 'E123')",
};

class HorizonTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2024, 9, 20), QTime(10, 0))};
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};
    RecordingDialogs dialogs;
    BusyFlag busy;
    RunReport report;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<GoodsDb> db;
    std::unique_ptr<TMainFormDati> dati;
    std::unique_ptr<ExchangeContext> context;
    FakeHttpServer horizon;

    std::mutex mutex;
    int status = 200;
    std::string body = answerOf({});

    void SetUp() override
    {
        log.setProcessEvents(false);
        registry = std::make_unique<Registry>(dir.filePath("VARNIS-A.ini"));
        db = std::make_unique<GoodsDb>();
        for (const char* sql : kCustomers)
            db->exec(QString::fromUtf8(sql));
        db->close();
        dati = std::make_unique<TMainFormDati>(log, dialogs, clock);
        ASSERT_TRUE(dati->ConnectDatabase(db->path(), dir.filePath("tmp")));
        QDir(dir.path()).mkdir("tmp");
        context = std::make_unique<ExchangeContext>(ExchangeContext{log, busy, *registry, *dati, dialogs, clock, report});

        horizon.Get(kQueryPath, [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex);
            res.status = status;
            res.set_content(body, "application/json");
        });
        horizon.start();
        configure(horizon.url("/"), kUser, kPassword, "2024-09-01T00:00:00", 5);
    }

    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "Process log:\n" << logText().toStdString() << "\n";
    }

    void answer(int newStatus, const std::string& newBody)
    {
        std::lock_guard<std::mutex> lock(mutex);
        status = newStatus;
        body = newBody;
    }

    void configure(const QString& address, const QString& user, const QString& password, const QString& datumsNo,
                   int department)
    {
        RegistryKey rest(*registry);
        rest.OpenKey("ApmaksHorizonRest", true);
        rest.WriteString("RestAdrese", address);
        rest.WriteString("UserName", user);
        rest.WriteString("Pasword", password);
        if (!datumsNo.isEmpty())
            rest.WriteString("DatumsNo", datumsNo);
        rest.CloseKey();
        RegistryKey order(*registry);
        order.OpenKey("ApmaksOrder", true);
        order.WriteInteger("LastIsNodala", department);
        order.CloseKey();
    }

    bool run(HorizonTimeouts timeouts = {}) { return HorizonImport(*context, timeouts).HorizonProcessImports(); }

    // What the Horizon timer would log after its guard caught the run's error.
    QString runFailing()
    {
        try {
            run();
        } catch (const std::exception& e) {
            return errorText(e);
        }
        ADD_FAILURE() << "the run did not fail";
        return {};
    }

    QString logText() const
    {
        QFile f(log.filePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    bool logHas(const QString& fragment) const { return logText().contains(fragment); }
    int logCount(const QString& fragment) const { return static_cast<int>(logText().count(fragment)); }

    QString unmatchedPath() const { return dir.filePath("tmp/HorizonNeiegaja.txt"); }
    QStringList unmatchedLines() const
    {
        QFile f(unmatchedPath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    // Seen through the host's own transaction, committed or not.
    int hostCount(const QString& table, const QString& where = {})
    {
        SqlQuery q(dati->PRECES_DB(), "SELECT COUNT(*) FROM " + table + (where.isEmpty() ? "" : " WHERE " + where));
        q.open();
        return q.value(0).toInt();
    }
    QString klkoment(int isn)
    {
        return db->scalar("SELECT KLKOMENT FROM N_KLIENT WHERE ISN=:ISN", {{"ISN", isn}}).toString();
    }
};

}  // namespace

TEST(HorizonCode, PurposeTextsGiveTheirCodes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Identifikācijas numurs: 123456", "123456"},
        {"ID:- 123456789", "123456"},
        {"id 12-3456", "12-345"},
        {"Rēķins 15, ID 654321", "654321"},
        // one character after the label is skipped even when it is not a blank
        {"Identifikācijas numurs:123456", "23456"},
        // the label wins over an earlier "ID"
        {"PVN ID LV1, Identifikācijas numurs: 777777", "777777"},
        {"Avanss, Id: - 42 paldies", "42 pal"},
        // colons and dashes are dropped three rounds over, then no more
        {"ID : : - 12", "12"},
        {"ID ---5", "5"},
        {"ID ----5", "-5"},
        {"ID::::7", ":7"},
        // nothing after the mark: an empty code
        {"Apmaksa, Identifikācijas numurs:", ""},
        {"Apmaksa, Identifikācijas numurs: ", ""},
        {"Apmaksa ID", ""},
        {"Apmaksa ID -", ""},
        // any "id" counts, also inside a word
        {"Identifikācijas nr 5", "entifi"},
        {"Video kurss", "eo kur"},
    };
    for (auto [purpose, code] : cases) {
        const auto got = HorizonImport::identificationCode(QString::fromUtf8(purpose));
        ASSERT_TRUE(got.has_value()) << purpose;
        EXPECT_EQ(*got, QString::fromUtf8(code)) << purpose;
    }
    // Only a to z are upper-cased, and a text without the label or "ID" has no code.
    EXPECT_FALSE(HorizonImport::identificationCode("Pārskaitījums par precēm").has_value());
    EXPECT_FALSE(HorizonImport::identificationCode("").has_value());
}

TEST_F(HorizonTest, RequestCarriesTheDecodedFilterBasicCredentialsAndAcceptHeaders)
{
    EXPECT_TRUE(run());
    ASSERT_EQ(horizon.requestCount(), 1u);
    const RecordedRequest r = horizon.requests().front();
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.path, kQueryPath);
    EXPECT_EQ(r.param("columns"), "PDOK.DAT_DOK,PDOK.SUMMA_PV,PDOK.BK.DAR_REGNUM,PDOK.PAMAT,K.KODS,LASTEV.LAIKS");
    EXPECT_EQ(r.param("filter"), "LASTEV.LAIKS gt '2024-09-01' and startswith(K.KODS, 'E')");
    EXPECT_EQ(r.params.size(), 2u);
    // blanks and quotes travel encoded
    EXPECT_EQ(r.target.find(' '), std::string::npos);
    EXPECT_EQ(r.target.find('\''), std::string::npos);
    EXPECT_EQ(FakeHttpServer::basicCredentials(r), kUser.toStdString() + ":" + kPassword.toStdString());
    EXPECT_EQ(r.header("Accept"), "application/json, text/plain; q=0.9, text/html;q=0.8,");
    EXPECT_EQ(r.header("Accept-Charset"), "utf-8, *;q=0.8");
    EXPECT_EQ(r.headers.count("Authorization"), 1u);

    // The address is joined directly, so a service under a path keeps it; only the date part counts.
    configure(horizon.url("/horizon/"), kUser, kPassword, "2025-01-31T23:59:59", 5);
    horizon.Get("/horizon/rest/TDdmMUSar/query", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(answerOf({}), "application/json");
    });
    horizon.clearRequests();
    EXPECT_TRUE(run());
    ASSERT_EQ(horizon.requestCount(), 1u);
    EXPECT_EQ(horizon.requests().front().path, "/horizon/rest/TDdmMUSar/query");
    EXPECT_EQ(horizon.requests().front().param("filter"), "LASTEV.LAIKS gt '2025-01-31' and startswith(K.KODS, 'E')");
}

TEST_F(HorizonTest, MissingSettingsAreShownAndNothingIsFetched)
{
    struct Case {
        QString address, user, password, message;
    };
    const Case cases[] = {
        {"", kUser, kPassword, "Nav ievādīta REST vietne !!!"},
        {horizon.url("/"), "", kPassword, "Nav ievādīts lietotāja vārds !!!"},
        {horizon.url("/"), kUser, "", "Nav ievādīta partole !!!"},
        {"", "", "", "Nav ievādīta REST vietne !!!"},
    };
    for (const Case& c : cases) {
        dialogs.messages.clear();
        configure(c.address, c.user, c.password, "2024-09-01T00:00:00", 5);
        EXPECT_FALSE(run());
        EXPECT_EQ(dialogs.messages, QStringList{c.message});
        EXPECT_FALSE(busy.isSet());
    }
    // Without the key no value is read, and the address is the first thing missing.
    registry->settings().remove("ApmaksHorizonRest");
    dialogs.messages.clear();
    EXPECT_FALSE(run());
    EXPECT_EQ(dialogs.messages, QStringList{"Nav ievādīta REST vietne !!!"});

    EXPECT_EQ(horizon.requestCount(), 0u);
    EXPECT_FALSE(logHas("Sāku Horizon..."));
}

TEST_F(HorizonTest, MissingDateOrDepartmentEndsTheRunBeforeAnything)
{
    registry->settings().remove("ApmaksHorizonRest/DatumsNo");
    EXPECT_TRUE(runFailing().contains("DatumsNo"));
    configure(horizon.url("/"), kUser, kPassword, "2024-09-01T00:00:00", 5);
    registry->settings().remove("ApmaksOrder/LastIsNodala");
    EXPECT_TRUE(runFailing().contains("LastIsNodala"));
    registry->settings().setValue("ApmaksOrder/LastIsNodala", "pieci");
    EXPECT_TRUE(runFailing().contains("LastIsNodala"));
    EXPECT_EQ(horizon.requestCount(), 0u);
    EXPECT_FALSE(busy.isSet());
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(HorizonTest, BusyFlagRefusesSilently)
{
    busy.set(true, "WWW SendAtlikumi");
    EXPECT_FALSE(run());
    EXPECT_TRUE(busy.isSet());
    EXPECT_EQ(horizon.requestCount(), 0u);
    EXPECT_EQ(logText(), "");
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(HorizonTest, MatchedPaymentsBecomePrepaymentsOfTheDepartment)
{
    configure(horizon.url("/"), kUser, kPassword, "2024-09-01T00:00:00", 7);
    answer(200, answerOf({
                    payment("2024-09-05T10:11:12", 1234.56, "Identifikācijas numurs: 123456", "E100", "SW2024000001"),
                    payment("2024-09-06", 0.1, "Rēķins 15, ID 654321", "E200", "B-17"),
                    payment("2024-09-07", 300, "id 12-3456", "E300", "C1"),
                    payment("2024-09-08", 12345678.91, "Identifikācijas numurs:123456", "E400", "D1"),
                }));
    EXPECT_TRUE(run());
    EXPECT_FALSE(busy.isSet());
    EXPECT_TRUE(logHas("Sāku Horizon..."));
    EXPECT_TRUE(logHas("Horizon imports pabeigts"));
    EXPECT_FALSE(QFile::exists(unmatchedPath()));

    // committed: a separate attachment sees them
    ASSERT_EQ(db->count("O_APMAKS"), 4);
    SqlQuery q(db->connection(),
               "SELECT ISKLIENT, ISNODALA, ISAGENTS, APMAKS_SUM, APMAKS_DOK, APMAKS_DAT, PARPALIKUM, ISAPMAKSVEIDS, "
               "SANEM_IZR, FUS_EXPORT, NELEGALIZ FROM O_APMAKS ORDER BY APMAKS_DAT");
    q.open();
    const struct {
        int klient;
        QString doc;
        QDate date;
        double amount;
    } expected[] = {
        {101, "SW20240000", QDate(2024, 9, 5), 1234.56},
        {102, "B-17", QDate(2024, 9, 6), 0.1},
        {103, "C1", QDate(2024, 9, 7), 300.0},
        {104, "D1", QDate(2024, 9, 8), 12345678.91},
    };
    for (const auto& e : expected) {
        ASSERT_FALSE(q.eof());
        EXPECT_EQ(q.asInt("ISKLIENT"), e.klient);
        EXPECT_EQ(q.asInt("ISNODALA"), 7);
        EXPECT_EQ(q.asInt("ISAGENTS"), 1);
        EXPECT_EQ(q.asDouble("APMAKS_SUM"), 0.0);
        EXPECT_EQ(q.asDouble("PARPALIKUM"), e.amount);  // exactly the JSON number
        EXPECT_EQ(q.asString("APMAKS_DOK"), e.doc);
        EXPECT_EQ(q.asDateTime("APMAKS_DAT"), QDateTime(e.date, QTime(0, 0)));
        EXPECT_EQ(q.asInt("ISAPMAKSVEIDS"), 1);
        EXPECT_EQ(q.asInt("SANEM_IZR"), 2);
        EXPECT_EQ(q.asString("FUS_EXPORT").trimmed(), "F");
        EXPECT_EQ(q.asString("NELEGALIZ").trimmed(), "F");
        q.next();
    }
    EXPECT_EQ(klkoment(101), "E100");  // empty comment: the code without a comma
    EXPECT_EQ(klkoment(102), "E900,E200");
    EXPECT_EQ(klkoment(103), "E300");
    EXPECT_EQ(klkoment(104), "E400");
}

TEST_F(HorizonTest, SecondRunAddsNoPaymentAndListsTheCounterPartyOnce)
{
    answer(200, answerOf({
                    payment("2024-09-05", 10.0, "ID 123456", "E100", "P1"),
                    payment("2024-09-05", 20.0, "ID 123456", "E100", "P2"),
                    payment("2024-09-06", 30.0, "ID 123456", "E101", "P1"),
                    payment("2024-09-06", 40.0, "ID 777777", "E12", "P3"),
                }));
    EXPECT_TRUE(run());
    EXPECT_EQ(db->count("O_APMAKS"), 4);
    EXPECT_EQ(klkoment(101), "E100,E101");
    // "E12" is its own code even though "E123" holds it
    EXPECT_EQ(klkoment(106), "E123,E12");

    EXPECT_TRUE(run());
    EXPECT_TRUE(run());
    EXPECT_EQ(db->count("O_APMAKS"), 4);
    EXPECT_EQ(klkoment(101), "E100,E101");
    EXPECT_EQ(klkoment(106), "E123,E12");
    EXPECT_EQ(logCount("Horizon imports pabeigts"), 3);

    // A payment already booked by the back office under the same customer, date and number is skipped too.
    db->exec("INSERT INTO O_APMAKS (ISKLIENT, APMAKS_DAT, APMAKS_DOK, PARPALIKUM) VALUES (102, '10.09.2024', 'X9', 5)");
    dati->CommitRetaining();  // the host's snapshot shows others' work from its next transaction on
    answer(200, answerOf({payment("2024-09-10", 5.0, "ID 654321", "E200", "X9")}));
    EXPECT_TRUE(run());
    EXPECT_EQ(db->count("O_APMAKS", "ISKLIENT=102"), 1);
}

TEST_F(HorizonTest, LongDocumentNumbersAreStoredAndComparedByTenCharacters)
{
    answer(200, answerOf({
                    payment("2024-09-05", 10.0, "ID 123456", "E100", "ABCDEFGHIJKLMNOP"),
                    // same first ten characters, same customer and day: the same payment
                    payment("2024-09-05", 99.0, "ID 123456", "E100", "ABCDEFGHIJxyz"),
                    payment("2024-09-06", 11.0, "ID 123456", "E100", "ABCDEFGHIJKLMNOP"),
                }));
    EXPECT_TRUE(run());
    EXPECT_EQ(db->count("O_APMAKS"), 2);
    EXPECT_EQ(db->count("O_APMAKS", "APMAKS_DOK='ABCDEFGHIJ'"), 2);
    EXPECT_EQ(db->scalar("SELECT PARPALIKUM FROM O_APMAKS WHERE APMAKS_DAT='05.09.2024'").toDouble(), 10.0);
}

TEST_F(HorizonTest, UnmatchedPaymentsGoToTheFileInTheTemporaryDirectory)
{
    answer(200, answerOf({
                    payment("2024-09-05T08:00:00", 10.0, "Pārskaitījums par precēm", "E1", "A1"),
                    payment("2024-09-06", 20.0, "Rēķins 7, ID 999999", "E2", "A2"),
                    payment("2024-09-07", 30.0, "ID 123456", "E3", "A3"),
                    // nothing after the label: an empty code matches nobody, not even an empty IDKODS
                    payment("2024-09-08", 40.0, "Apmaksa, Identifikācijas numurs:", "E4", "A4"),
                    payment("2024-09-09", 50.0, "Avanss ID", "E5", "A5"),
                }));
    EXPECT_TRUE(run());
    EXPECT_EQ(db->count("O_APMAKS"), 1);
    EXPECT_EQ(db->count("O_APMAKS", "ISKLIENT=101"), 1);
    EXPECT_TRUE(klkoment(105).isEmpty());
    EXPECT_EQ(unmatchedLines(),
              (QStringList{"Nav atrasts pamatojumā ID | Kods=E1 | Pamat=Pārskaitījums par precēm Datums=2024-09-05T08:00:00",
                           "Nav atrasts klients pēc koda 999999 | Kods=E2 | Pamat=Rēķins 7, ID 999999 Datums=2024-09-06",
                           "Nav atrasts klients pēc koda  | Kods=E4 | Pamat=Apmaksa, Identifikācijas numurs: Datums=2024-09-08",
                           "Nav atrasts klients pēc koda  | Kods=E5 | Pamat=Avanss ID Datums=2024-09-09"}));
    EXPECT_TRUE(logHas("Horizon neatrastie dati saglabāti failā " + unmatchedPath()));
    EXPECT_TRUE(logHas("Horizon imports pabeigts"));

    // The next run with unmatched rows replaces the file; a run without them leaves it.
    answer(200, answerOf({payment("2024-09-10", 1.0, "bez koda", "E6", "A6")}));
    EXPECT_TRUE(run());
    EXPECT_EQ(unmatchedLines(), QStringList{"Nav atrasts pamatojumā ID | Kods=E6 | Pamat=bez koda Datums=2024-09-10"});
    answer(200, answerOf({}));
    EXPECT_TRUE(run());
    EXPECT_EQ(unmatchedLines().size(), 1);
    EXPECT_EQ(logCount("Horizon neatrastie dati saglabāti failā"), 2);
}

TEST_F(HorizonTest, EmptyRowArrayWritesNothing)
{
    answer(200, R"({"collection":{"row":[]}})");
    EXPECT_TRUE(run());
    EXPECT_EQ(db->count("O_APMAKS"), 0);
    EXPECT_FALSE(QFile::exists(unmatchedPath()));
    EXPECT_TRUE(logText().trimmed().endsWith("Horizon imports pabeigts"));
    EXPECT_FALSE(busy.isSet());
}

TEST_F(HorizonTest, ErrorStatusesAreLoggedWithTheirTextAndWriteNothing)
{
    answer(200, answerOf({payment("2024-09-05", 10.0, "ID 123456", "E100", "P1")}));
    for (const auto& [code, text] : {std::pair{500, "Iekšēja kļūda"}, std::pair{401, "Unauthorized"}}) {
        answer(code, text);
        EXPECT_FALSE(run());
        EXPECT_TRUE(logHas(QStringLiteral("Kļūda apmaksu importā no Horizon Rest savienojuma. Status Code=%1\n%2")
                               .arg(code)
                               .arg(QString::fromUtf8(text))));
        EXPECT_FALSE(busy.isSet());
    }
    EXPECT_EQ(logCount("Horizon imports pabeigts"), 2);
    EXPECT_EQ(hostCount("O_APMAKS"), 0);
    EXPECT_TRUE(klkoment(101).isEmpty());
    EXPECT_FALSE(logHas(kPassword));
}

TEST_F(HorizonTest, RefusedConnectionIsLoggedAndTheRunEnds)
{
    int freePort = 0;
    {
        FakeHttpServer probe;
        probe.start();
        freePort = probe.port();
    }
    configure(QStringLiteral("http://127.0.0.1:%1/").arg(freePort), kUser, kPassword, "2024-09-01", 5);
    EXPECT_FALSE(run());
    EXPECT_TRUE(logHas("Kļūda apmaksu importā no Horizon Rest savienojuma. Paziņojums :\n"));
    EXPECT_TRUE(logHas("Kļūda apmaksu importā no Horizon Rest savienojuma. Status Code=0"));
    EXPECT_TRUE(logHas("Horizon imports pabeigts"));
    EXPECT_FALSE(busy.isSet());
    EXPECT_FALSE(logHas(kPassword));
    EXPECT_EQ(hostCount("O_APMAKS"), 0);
}

TEST_F(HorizonTest, ServiceThatNeverAnswersTimesOut)
{
    FakeHttpServer silent;
    silent.Get(kQueryPath, silent.hang());
    silent.start();
    configure(silent.url("/"), kUser, kPassword, "2024-09-01", 5);
    EXPECT_FALSE(run(HorizonTimeouts{300, 300}));
    EXPECT_EQ(silent.requestCount(), 1u);
    EXPECT_TRUE(logHas("Kļūda apmaksu importā no Horizon Rest savienojuma. Paziņojums :\n"));
    EXPECT_TRUE(logText().contains("timed out", Qt::CaseInsensitive));
    EXPECT_TRUE(logHas("Horizon imports pabeigts"));
    EXPECT_FALSE(busy.isSet());
    EXPECT_EQ(hostCount("O_APMAKS"), 0);
}

TEST_F(HorizonTest, MalformedAnswersEndTheRunWithAClearError)
{
    const std::pair<std::string, const char*> cases[] = {
        {"<html>Maintenance</html>", "not valid JSON"},
        {R"({"collection":{"row":[)", "not valid JSON"},
        {R"({"rows":[]})", "\"collection\""},
        {R"({"collection":{"row":{"PDOK":{}}}})", "\"row\""},
        {"", "not valid JSON"},
    };
    for (const auto& [text, fragment] : cases) {
        answer(200, text);
        const QString error = runFailing();
        EXPECT_TRUE(error.contains(fragment)) << error.toStdString();
        EXPECT_FALSE(busy.isSet());
    }
    EXPECT_EQ(hostCount("O_APMAKS"), 0);
    EXPECT_FALSE(logHas("Horizon imports pabeigts"));
}

TEST_F(HorizonTest, BadRowEndsTheRunKeepsEarlierRowsAndARerunAddsNoDuplicates)
{
    const QJsonObject good = payment("2024-09-05", 10.0, "ID 123456", "E100", "P1");
    const QJsonObject after = payment("2024-09-06", 20.0, "ID 654321", "E200", "P2");
    QJsonObject withoutPdok{{"LASTEV", QJsonObject{{"LAIKS", "2024-09-05"}}}};
    QJsonObject stringAmount = payment("2024-09-06", 0, "ID 654321", "E200", "P9");
    QJsonObject pdok = stringAmount["PDOK"].toObject();
    pdok["SUMMA_PV"] = "20.00";
    stringAmount["PDOK"] = pdok;
    QJsonObject badDate = payment("2024-13-45", 1.0, "ID 654321", "E200", "P8");
    QJsonObject noBank = payment("2024-09-06", 1.0, "ID 654321", "E200", "P7");
    pdok = noBank["PDOK"].toObject();
    pdok.remove("BK");
    noBank["PDOK"] = pdok;

    const std::pair<QJsonObject, const char*> cases[] = {
        {withoutPdok, "row 2: no member PDOK"},
        {stringAmount, "row 2: PDOK.SUMMA_PV: '\"20.00\"' is not a valid floating point value"},
        {badDate, "row 2: PDOK.DAT_DOK"},
        {noBank, "row 2: no member PDOK.BK"},
    };
    for (const auto& [bad, fragment] : cases) {
        answer(200, answerOf({good, bad, after}));
        for (int attempt = 0; attempt < 2; ++attempt) {
            const QString error = runFailing();
            EXPECT_TRUE(error.contains(QString::fromUtf8(fragment))) << error.toStdString();
            EXPECT_FALSE(busy.isSet());
            // the row before the bad one stays in the host's transaction, once
            EXPECT_EQ(hostCount("O_APMAKS"), 1);
            EXPECT_EQ(hostCount("O_APMAKS", "ISKLIENT=102"), 0);
        }
    }
    // Once the service answers well, the rest comes in and the first row is not repeated.
    answer(200, answerOf({good, after}));
    EXPECT_TRUE(run());
    EXPECT_EQ(db->count("O_APMAKS"), 2);
    EXPECT_EQ(klkoment(101), "E100");
}

TEST_F(HorizonTest, NullTextsAndNumericCodesAreReadSafely)
{
    QJsonObject row = payment("2024-09-05", 15.5, "", "E100", "");
    QJsonObject pdok = row["PDOK"].toObject();
    pdok["PAMAT"] = QJsonValue::Null;
    row["PDOK"] = pdok;
    QJsonObject numeric = payment("2024-09-06", 1.0, "ID 123456", "E100", "");
    pdok = numeric["PDOK"].toObject();
    pdok["BK"] = QJsonObject{{"DAR_REGNUM", 4711}};
    numeric["PDOK"] = pdok;
    answer(200, answerOf({row, numeric}));
    EXPECT_TRUE(run());
    EXPECT_EQ(unmatchedLines(), QStringList{"Nav atrasts pamatojumā ID | Kods=E100 | Pamat= Datums=2024-09-05"});
    EXPECT_EQ(db->count("O_APMAKS", "APMAKS_DOK='4711'"), 1);
}

TEST_F(HorizonTest, ANullDocumentNumberIsTheEmptyTextSoARerunBooksNothingNew)
{
    QJsonObject row = payment("2024-09-05", 15.5, "ID 123456", "E100", "");
    QJsonObject pdok = row["PDOK"].toObject();
    pdok["BK"] = QJsonObject{{"DAR_REGNUM", QJsonValue::Null}};
    row["PDOK"] = pdok;
    answer(200, answerOf({row}));
    EXPECT_TRUE(run());
    EXPECT_TRUE(run());
    EXPECT_EQ(db->count("O_APMAKS"), 1);
    EXPECT_EQ(db->count("O_APMAKS", "APMAKS_DOK=''"), 1);
}
