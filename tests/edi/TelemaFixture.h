#pragma once

#include "support/FakeHttpServer.h"
#include "support/GoodsDb.h"
#include "support/Recorders.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "edi/TelemaExchange.h"
#include "host/ProcessLog.h"
#include "platform/BusyFlag.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/RunReport.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <iostream>
#include <thread>

// Telema on loopback, one for the test binary. By default it hands out a token, lists the
// documents still waiting, drops a document from the list when its feedback arrives and
// accepts every upload. Scripted replies take the place of the defaults, one per request.
class FakeTelema {
public:
    struct Reply {
        int status = 200;
        std::string body;
        int delayMs = 0;  // answer late (past the client's read time-out)
    };
    static constexpr const char* kToken = "tok-Ab.1_x";
    // Late enough for the client's read time-out of 500 ms, which is checked about once a second.
    static constexpr int kLate = 2500;

    static FakeTelema& instance()
    {
        static FakeTelema telema;
        return telema;
    }
    QString base() const { return server.url("/edi/api/v1/"); }
    void reset()
    {
        std::lock_guard<std::mutex> lock(mutex);
        token.clear(), data.clear(), feedback.clear(), upload.clear(), waiting.clear();
        server.clearRequests();
    }
    // A document waiting at Telema; document is the JSON value as text ("\"...\"" or null).
    void offer(const std::string& idJson, const std::string& document)
    {
        std::lock_guard<std::mutex> lock(mutex);
        waiting.push_back({idJson, document});
    }
    void offerXml(const std::string& idJson, const QString& xml)
    {
        offer(idJson, "\"" + xml.toUtf8().toBase64().toStdString() + "\"");
    }
    size_t waitingCount()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return waiting.size();
    }
    std::vector<RecordedRequest> requests(const std::string& method, const std::string& path) const
    {
        std::vector<RecordedRequest> out;
        for (const RecordedRequest& r : server.requests())
            if (r.method == method && r.path == "/edi/api/v1/" + path)
                out.push_back(r);
        return out;
    }
    // The documents uploaded, decoded.
    QStringList uploaded() const
    {
        QStringList out;
        for (const RecordedRequest& r : requests("POST", "data"))
            out << QString::fromUtf8(QByteArray::fromBase64(
                QJsonDocument::fromJson(QByteArray::fromStdString(r.body))["document"].toString().toLatin1()));
        return out;
    }

    std::mutex mutex;
    std::deque<Reply> token, data, feedback, upload;
    std::vector<std::pair<std::string, std::string>> waiting;
    FakeHttpServer server;

private:
    using Default = std::function<Reply(const httplib::Request&)>;
    FakeTelema()
    {
        serve("POST", "auth/accessToken", token, [](const httplib::Request&) {
            return Reply{200, std::string(R"({"accessToken":")") + kToken + R"(","expiresIn":3600})"};
        });
        serve("GET", "data", data, [this](const httplib::Request&) {
            std::string list;
            for (const auto& [id, document] : waiting)
                list += (list.empty() ? "{\"id\":" : ",{\"id\":") + id + ",\"document\":" + document + "}";
            return Reply{200, "{\"data\":{\"documents\":[" + list + "]}}"};
        });
        serve("POST", "data/feedback", feedback, [this](const httplib::Request& req) {
            const QJsonValue id = QJsonDocument::fromJson(QByteArray::fromStdString(req.body))["sessions"][0]["documents"][0]["id"];
            const std::string idJson = id.isString() ? "\"" + id.toString().toStdString() + "\"" : std::to_string(id.toInteger());
            std::erase_if(waiting, [&](const auto& w) { return w.first == idJson; });
            return Reply{200, R"({"message":"Feedback saved with 1 documents"})"};
        });
        serve("POST", "data", upload, [](const httplib::Request&) {
            return Reply{200, R"({"statusCode":1,"message":"Document accepted"})"};
        });
        server.start();
    }
    void serve(const std::string& method, const std::string& path, std::deque<Reply>& scripted, Default byDefault)
    {
        auto handler = [this, &scripted, byDefault](const httplib::Request& req, httplib::Response& res) {
            Reply reply;
            {
                std::lock_guard<std::mutex> lock(mutex);
                reply = scripted.empty() ? byDefault(req) : scripted.front();
                if (!scripted.empty())
                    scripted.pop_front();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMs));
            res.status = reply.status;
            res.set_content(reply.body, "application/json");
        };
        if (method == "GET")
            server.Get("/edi/api/v1/" + path, handler);
        else
            server.Post("/edi/api/v1/" + path, handler);
    }
};

// A Telema run on a fresh goods database with departments, a supplier, a customer with a
// branch and two goods; set-up rows are written before the data module connects.
class TelemaTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    ProcessLog log{clock, dir.filePath("VarnisProcess.log")};
    RecordingDialogs dialogs;
    BusyFlag busy;
    RunReport report;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<GoodsDb> db;
    std::unique_ptr<TMainFormDati> dati;
    std::unique_ptr<ExchangeContext> context;
    std::unique_ptr<TelemaExchange> telema;
    FakeTelema& fake = FakeTelema::instance();

    void SetUp() override
    {
        log.setProcessEvents(false);
        fake.reset();
        registry = std::make_unique<Registry>(dir.filePath("VARNIS-A.ini"));
        configure();
    }
    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "Process log:\n" << logText().toStdString() << "\nMessages:\n"
                      << dialogs.messages.join("\n---\n").toStdString() << "\n";
    }

    // extra: further set-up statements, run before the data module connects.
    void open(const QStringList& extra = {})
    {
        db = std::make_unique<GoodsDb>();
        const QStringList rows{
            "INSERT INTO N_ISI (ISN, ISIORGNOS, ISIREGNR, ISINOD_NR, ISIORGADR, ISIORGVALSTS, ISIBANKNOS, ISIBANKKODS, "
            "ISIKORKONTS) VALUES (1, 'SIA Daugava', '40103564821', 'LV40103564821', 'Krasta iela 52', 'Latvija', "
            "'Swedbank AS', 'HABALV22', 'LV80HABA0551034218765')",
            "INSERT INTO N_DEPART (ISN, GNOS, KODS, TELEMAA_KODS, TIRDZNADR, ADRESE) VALUES "
            "(2, 'Noliktava', 'N01', '4750000000011', 'Granīta iela 14', 'Granīta iela 14')",
            "INSERT INTO N_DEPART (ISN, GNOS, KODS, TELEMAA_KODS) VALUES (3, 'Veikals', 'V02', '4750000000028')",
            "INSERT INTO N_KLIENT (ISN, GNOS, REGNR, PVNKODS, FTP_KLKODS, PIEGADAT, FTP_ISNODALA, FTP_ARTIKULS3, "
            "EDISOFT_ARTIK_NR, FTP_MERV_FLAG, FTP_MERVIEN) VALUES (2, 'Piens SIA', '40003000001', 'LV40003000001', "
            "'4751000000001', 'T', 0, 3, 2, 2, 'kaste')",
            "INSERT INTO N_KLIENT (ISN, GNOS, REGNR, PVNKODS, IDKODS, PIRCEJS, FTP_TIPS, ADRESE) VALUES "
            "(4, 'Kafejnīca Rīts', '40003000004', 'LV40003000004', 'C000004', 'T', 4, 'Tērbatas iela 5')",
            "INSERT INTO N_KL_STRV (ISN, ISKLIENT, GNOS, KODS, FTP_KLKODS, ADRESE) VALUES "
            "(7, 4, 'Rīts Centrs', '4750000000099', 'STRV-7', 'Brīvības iela 1')",
            "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ARTIKULS2, NODOKLIS, NEWIEPCENA, PARDCENA1, MERVIENIBA, "
            "EXPSVARI) VALUES (100, 'Piens 1l', '4750000001001', 'P-1001', 21, 0.80, 1.21, 'gab', 'F')",
            "INSERT INTO N_KLPREC (ISN, GNOS, ARTIKULS, ARTIKULS3, NODOKLIS, PARDCENA1, MERVIENIBA, EXPSVARI) "
            "VALUES (101, 'Siers', '4750000001002', 'SUP-9', 12, 4.84, 'kg', 'T')",
            "SET GENERATOR N_KLPRECGEN TO 101",
            "SET GENERATOR N_KLIENTGEN TO 10",
            "SET GENERATOR N_KL_STRVGEN TO 10",
        };
        for (const QString& sql : rows + extra)
            db->exec(sql);
        db->close();
        dati = std::make_unique<TMainFormDati>(log, dialogs, clock);
        ASSERT_TRUE(dati->ConnectDatabase(db->path(), dir.path()));
        context = std::make_unique<ExchangeContext>(ExchangeContext{log, busy, *registry, *dati, dialogs, clock, report});
        telema = std::make_unique<TelemaExchange>(*context, TelemaTimeouts{2000, 500});
    }

    // [Telema] with all switches off, but for the values given; a value "-" is left out.
    void configure(const QMap<QString, QString>& values = {})
    {
        QSettings& s = registry->settings();
        s.remove("Telema");
        QMap<QString, QString> all{{"RESTHttps", fake.base()}, {"ClientID", "varnis"}, {"SecretKey", "s3&<c\"r"},
                                   {"SanPZImports", "false"}, {"PasutImports", "false"}, {"PasutExports", "false"},
                                   {"IzrPZExports", "false"}, {"SanNeapstiprin", "false"}, {"Isnodala", "0"},
                                   {"PasutijumaDatumaFlag", "0"}, {"KlientaAtpazisana", "0"}};
        all.insert(values);
        for (auto it = all.begin(); it != all.end(); ++it)
            if (it.value() != "-")
                s.setValue("Telema/" + it.key(), it.value());
        s.sync();
    }

    bool run()
    {
        report.begin();
        return telema->TelemaProcess();
    }
    QString logText() const
    {
        QFile f(log.filePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    bool logHas(const QString& fragment) const { return logText().contains(fragment); }
    int logCount(const QString& fragment) const { return static_cast<int>(logText().count(fragment)); }
    int count(const QString& table, const QString& where = {}) { return db->count(table, where); }
    QVariant scalar(const QString& sql) { return db->scalar(sql); }

    // A trigger that refuses the first `times` inserts into the table.
    static QStringList refusing(const QString& table, int times)
    {
        return {"CREATE EXCEPTION TEST_FAIL 'Testa kļūda'", "CREATE GENERATOR TEST_FAILS",
                QStringLiteral("CREATE TRIGGER TEST_FAIL_%1 FOR %1 ACTIVE BEFORE INSERT POSITION 5 AS BEGIN "
                               "IF (GEN_ID(TEST_FAILS, 1) <= %2) THEN EXCEPTION TEST_FAIL; END").arg(table).arg(times)};
    }
};
