#pragma once

#include "support/FakeHttpServer.h"
#include "support/GoodsDb.h"
#include "support/Recorders.h"

#include "d365/D365Exchange.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/BusyFlag.h"
#include "platform/RunReport.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Registry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

// The process log as a list of lines.
class RecordingLog : public Log {
public:
    void WriteLog(const QString& message, bool replaceLast = false) override
    {
        if (replaceLast && !lines.isEmpty())
            lines.last() = message;
        else
            lines << message;
    }
    bool has(const QString& fragment) const { return count(fragment) > 0; }
    int count(const QString& fragment) const
    {
        int n = 0;
        for (const QString& l : lines)
            n += l.contains(fragment) ? 1 : 0;
        return n;
    }
    QStringList lines;
};

// A Dynamics 365 service on loopback: the token endpoint at /token and the business
// endpoint at /data. Business calls are answered by operation name (the single key of the
// inner text); an operation without a scripted reply gets an empty list.
class FakeD365 {
public:
    struct Reply {
        int status = 200;
        std::string body;
    };
    struct Call {
        std::string operation;
        QString inner;      // the Request string, as the service decodes it
        std::string body;   // the body as sent
        std::string contentType;
        std::string authorization;
    };

    int tokenStatus = 200;
    std::string tokenBody = R"({"token_type":"Bearer","expires_in":"3599","ext_expires_in":"3599","access_token":"eyJ0eXAi.tEst-Token_1~"})";

    FakeD365()
    {
        server.Post("/token", [this](const httplib::Request&, httplib::Response& res) {
            std::lock_guard<std::mutex> lock(mutex_);
            res.status = tokenStatus;
            res.set_content(tokenBody, "application/json");
        });
        server.Post("/data", [this](const httplib::Request& req, httplib::Response& res) {
            Call call;
            call.body = req.body;
            call.contentType = req.get_header_value("Content-Type");
            call.authorization = req.get_header_value("Authorization");
            const QJsonObject envelope = QJsonDocument::fromJson(QByteArray::fromStdString(req.body)).object();
            call.inner = envelope.value("_requestBody").toObject().value("Request").toString();
            const QJsonObject inner = QJsonDocument::fromJson(call.inner.toUtf8()).object();
            call.operation = inner.isEmpty() ? std::string() : inner.keys().first().toStdString();
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back(call);
            Reply reply;
            auto& queue = replies_[call.operation];
            if (!queue.empty()) {
                reply = queue.front();
                if (queue.size() > 1)
                    queue.erase(queue.begin());
            } else {
                reply.body = listBody(defaultList(call.operation), QJsonArray());
            }
            res.status = reply.status;
            const auto slow = trickleMs_.find(call.operation);
            if (slow == trickleMs_.end()) {
                res.set_content(reply.body, "application/json");
                return;
            }
            // ten pieces, trickleMs apart
            const std::string body = reply.body;
            const int pause = slow->second;
            res.set_chunked_content_provider("application/json", [body, pause](size_t offset, httplib::DataSink& sink) {
                if (offset >= body.size()) {
                    sink.done();
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(pause));
                const size_t piece = std::max<size_t>(1, body.size() / 10);
                return sink.write(body.data() + offset, std::min(piece, body.size() - offset));
            });
        });
        server.start();
    }

    // The replies of an operation, one per call; the last one stays for further calls.
    void reply(const std::string& operation, int status, const std::string& body)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_[operation] = {Reply{status, body}};
    }
    void replies(const std::string& operation, const std::vector<Reply>& list)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_[operation] = list;
    }
    // The replies of an operation arrive in ten pieces, pauseMs apart.
    void trickle(const std::string& operation, int pauseMs)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        trickleMs_[operation] = pauseMs;
    }
    void records(const std::string& operation, const QJsonArray& records)
    {
        reply(operation, 200, listBody(defaultList(operation), records));
    }

    static std::string listBody(const QString& listName, const QJsonArray& records)
    {
        QJsonObject first;
        first.insert(listName, records);
        QJsonObject root;
        root.insert("data", QJsonArray{first});
        return QJsonDocument(root).toJson(QJsonDocument::Compact).toStdString();
    }

    static QString defaultList(const std::string& operation)
    {
        static const std::map<std::string, QString> lists = {
            {"GetK42Vendors", "Vendors"},        {"GetK42Customers", "Customers"},   {"GetCategories", "Categories"},
            {"GetK42Products", "Products"},      {"GetCatSort", "CatSort"},          {"GetItemSort", "ItemSort"},
            {"GetVENDGR", "VendorSchedules"},    {"GetPrices", "GetPrices"},         {"GetPurchPrices", "GetPurchPrices"},
            {"GetPromoPeriod", "GetPromoPeriod"}, {"GetPromoPeriodA", "GetPromoPeriodA"},
            {"GetPurchaseOrders", "Purchase"},   {"GetStoreSales", "StoreSales"},    {"GetTransfers", "Transfers"}};
        const auto it = lists.find(operation);
        return it == lists.end() ? QString("List") : it->second;
    }

    std::vector<Call> calls() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    std::vector<std::string> operations() const
    {
        std::vector<std::string> names;
        for (const Call& c : calls())
            names.push_back(c.operation);
        return names;
    }
    // Requests that reached the token endpoint.
    int tokenRequests() const
    {
        int n = 0;
        for (const RecordedRequest& r : server.requests())
            n += r.path == "/token" ? 1 : 0;
        return n;
    }

    FakeHttpServer server;

private:
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    std::map<std::string, std::vector<Reply>> replies_;
    std::map<std::string, int> trickleMs_;
};

// A goods database, the data module on it, a settings file whose [D365] points at the
// fake service, and the exchange under test.
class D365Test : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 12, 7), QTime(10, 0))};
    RecordingLog log;
    RecordingDialogs dialogs;
    BusyFlag busy;
    RunReport report;
    GoodsDb goods;
    FakeD365 fake;
    std::unique_ptr<Registry> registry;
    std::unique_ptr<TMainFormDati> dati;
    std::unique_ptr<ExchangeContext> ctx;
    std::unique_ptr<D365Exchange> d365;

    void SetUp() override
    {
        registry = std::make_unique<Registry>(dir.filePath("VARNIS-A.ini"));
        setSetting("LoginHttps", fake.server.url("/token"));
        setSetting("RESTHttps", fake.server.url("/data"));
        setSetting("ClientID", "varnis-client");
        setSetting("SecretKey", "s3cret");
        dati = std::make_unique<TMainFormDati>(log, dialogs, clock);
        ASSERT_TRUE(dati->ConnectDatabase(goods.path(), dir.path()));
        ctx = std::make_unique<ExchangeContext>(ExchangeContext{log, busy, *registry, *dati, dialogs, clock, report});
        d365 = std::make_unique<D365Exchange>(*ctx);
    }

    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "Process log:\n" << log.lines.join('\n').toStdString() << "\nMessages: "
                      << dialogs.messages.join(" | ").toStdString() << "\n";
    }

    void setSetting(const QString& name, const QString& value)
    {
        RegistryKey key(*registry);
        key.OpenKey("D365", true);
        key.WriteString(name, value);
    }
    void setMark(const QString& name, const QString& raw)
    {
        RegistryKey key(*registry);
        key.OpenKey("D365", true);
        key.WriteString(name, raw);
    }
    QString mark(const QString& name)
    {
        RegistryKey key(*registry);
        key.OpenKey("D365", true);
        return key.ReadString(name);
    }

    void login() { ASSERT_EQ(d365->LoginD365(), 1) << log.lines.join('\n').toStdString(); }

    // Set-up rows written through the data module and committed, so it sees them at once.
    void seed(const QString& sql, const QVariantHash& params = {})
    {
        execSql(dati->PRECES_DB(), sql, params);
        dati->CommitRetaining();
    }
    // Set-up statements (DDL) on the file, then the data module connects afresh and sees them.
    void reconnectAfter(const QStringList& sql)
    {
        dati->CommitRetaining();
        for (const QString& statement : sql)
            goods.exec(statement);
        goods.close();
        ASSERT_TRUE(dati->ConnectDatabase(goods.path(), dir.path()));
    }
    // A trigger that refuses the inserts into table for which condition holds, the first
    // `times` of them only (a generator counts outside any transaction).
    void refuseInserts(const QString& table, const QString& condition, int times)
    {
        reconnectAfter({"CREATE EXCEPTION TEST_REFUSED 'Testa kļūda'", "CREATE GENERATOR TEST_REFUSALS",
                        QStringLiteral("CREATE TRIGGER TEST_REFUSE_%1 FOR %1 ACTIVE BEFORE INSERT POSITION 5 AS "
                                       "BEGIN IF ((%2) AND GEN_ID(TEST_REFUSALS, 1) <= %3) THEN EXCEPTION TEST_REFUSED; END")
                            .arg(table, condition)
                            .arg(times)});
    }

    // A goods row with the D365 product number and further columns; returns its key.
    int goodsRow(const QString& artikuls5, const QVariantHash& columns = {})
    {
        QVariantHash row{{"ARTIKULS5", artikuls5}, {"ARTIKULS", "A-" + artikuls5}, {"GNOS", "Prece " + artikuls5},
                         {"NODOKLIS", 21.0}, {"ISPRGRUPA", 1}};
        for (auto it = columns.constBegin(); it != columns.constEnd(); ++it)
            row.insert(it.key(), it.value());
        QStringList names = row.keys();
        seed(QStringLiteral("INSERT INTO N_KLPREC (%1) VALUES (:%2)").arg(names.join(", "), names.join(", :")), row);
        return value("SELECT ISN FROM N_KLPREC WHERE ARTIKULS5=:P", {{"P", artikuls5}}).toInt();
    }
    int departmentRow(const QString& name, int cenkods, const QString& kods = {})
    {
        seed("INSERT INTO N_DEPART (GNOS, CENKODS, KODS) VALUES (:G, :C, :K)", {{"G", name}, {"C", cenkods}, {"K", kods}});
        return value("SELECT MAX(ISN) FROM N_DEPART").toInt();
    }
    void stockOf(int isprece, int isnodala, double qty)
    {
        seed("INSERT INTO O_TEKATLIK (ISPRECE, ISNODALA, ATLIKUMS) VALUES (:P, :N, :Q)", {{"P", isprece}, {"N", isnodala}, {"Q", qty}});
    }
    void inAssortment(int isprece, int isnodala)
    {
        seed("INSERT INTO O_SORTIMENTS (ISNODALA, ISPRGRUPA_PRECE, FLAG, VEIDS) VALUES (:N, :P, 2, 'A')",
             {{"P", isprece}, {"N", isnodala}});
    }
    double number(const QString& sql, const QVariantHash& params = {}) { return value(sql, params).toDouble(); }

    QVariant value(const QString& sql, const QVariantHash& params = {}) { return goods.scalar(sql, params); }
    QString text(const QString& sql, const QVariantHash& params = {}) { return value(sql, params).toString().trimmed(); }
    int count(const QString& table, const QString& where = {}) { return goods.count(table, where); }
};
