#pragma once

#include "D365Fixture.h"

#include <atomic>
#include <chrono>
#include <thread>

// D365's business endpoint as the posting sees it: it answers by document number, an
// acceptance unless told otherwise; while hanging is set, every call waits without an answer.
// What it received is read back from the server's own record.
class PostingService {
public:
    struct Post {
        std::string operation;
        QString inner;     // the Request string, as the service decodes it
        std::string body;  // as sent
        QString number;    // PackingSlipNum (JournalId) of the first element
    };
    std::atomic<bool> hanging{false};

    PostingService()
    {
        server.Post("/data", [this](const httplib::Request& req, httplib::Response& res) {
            std::pair<int, std::string> reply{200, R"({"data":[{"StatusCode":1,"Message":"Dokuments saņemts"}]})"};
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (const auto it = replies_.find(parse(req.body).number); it != replies_.end())
                    reply = it->second;
            }
            while (hanging)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            res.status = reply.first;
            res.set_content(reply.second, "application/json");
        });
        server.start();
    }
    ~PostingService() { hanging = false; }

    void reply(const QString& number, int status, const std::string& body)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_[number] = {status, body};
    }
    void acceptAll()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_.clear();
    }
    std::vector<Post> posts() const
    {
        std::vector<Post> list;
        for (const RecordedRequest& r : server.requests())
            list.push_back(parse(r.body));
        return list;
    }
    // The document numbers posted by one operation (all when empty), in order.
    QStringList numbers(const std::string& operation = {}) const
    {
        QStringList list;
        for (const Post& p : posts())
            if (operation.empty() || p.operation == operation)
                list << p.number;
        return list;
    }

    FakeHttpServer server;

private:
    static Post parse(const std::string& body)
    {
        const QJsonObject envelope = QJsonDocument::fromJson(QByteArray::fromStdString(body)).object();
        Post post{{}, envelope.value("_requestBody").toObject().value("Request").toString(), body, {}};
        const QJsonObject inner = QJsonDocument::fromJson(post.inner.toUtf8()).object();
        if (!inner.isEmpty()) {
            post.operation = inner.keys().first().toStdString();
            const QJsonObject first = inner.begin()->toArray().first().toObject();
            post.number = first.value(first.contains("JournalId") ? "JournalId" : "PackingSlipNum").toString();
        }
        return post;
    }

    std::mutex mutex_;
    std::map<QString, std::pair<int, std::string>> replies_;
};

// A goods database with the clients and goods documents refer to, the exchange logged in
// against the posting service, and builders of ready documents numbered "N<isn>".
class D365PostingTest : public D365Test {
protected:
    static constexpr int kInventorySupplier = 90;
    static constexpr int kInventoryBuyer = 91;
    static constexpr int kNoCodeGoods = 103;  // a product without ARTIKULS5
    const QVariant null = QVariant(QMetaType(QMetaType::QString));
    PostingService service;

    void SetUp() override
    {
        D365Test::SetUp();
        setSetting("RESTHttps", service.server.url("/data"));
        d365->setInventoryClients({kInventorySupplier, kInventoryBuyer});
        const std::tuple<int, const char*, QVariant, const char*> clients[] = {
            {2, "SIA Piens", "V000102", "F"},         {21, "SIA Kafejnīca", "C000221", "F"},
            {22, "Bez koda", null, "F"},         {30, "Laura Krūmiņa", "2", "T"},
            {13876, "E-veikala pircēji", "C013876", "F"}, {kInventorySupplier, "Inventarizācija +", "INV+", "F"},
            {kInventoryBuyer, "Inventarizācija -", "INV-", "F"}};
        for (const auto& [isn, name, code, web] : clients)
            insert("N_KLIENT", {{"ISN", isn}, {"GNOS", name}, {"IDKODS", code}, {"E_KLIENTS", web}});
        const std::tuple<int, const char*, QVariant, const char*, double> goods[] = {
            {101, "100101", "P100101", "Piens 1% 1l", 21}, {102, "100102", "P100102", "Maize rudzu", 12},
            {kNoCodeGoods, "200103", null, "Mājas maize", 21}};
        for (const auto& [isn, code, d365Code, name, vat] : goods)
            insert("N_KLPREC", {{"ISN", isn}, {"ARTIKULS", code}, {"ARTIKULS5", d365Code}, {"GNOS", name}, {"NODOKLIS", vat}});
        insert("N_KLPASGRAF", {{"ISN", 1}, {"PIEGAD_VEIDS", "Bāzes piegāde"}});
        insert("N_KLPASGRAF", {{"ISN", 2}, {"PIEGAD_VEIDS", "Tiešā piegāde"}});
        insert("N_KLPASGRAF", {{"ISN", 3}, {"PIEGAD_VEIDS", "Cits"}});
        login();
    }

    void insert(const QString& table, const QVariantHash& row)
    {
        QStringList columns = row.keys();
        columns.sort();
        seed(QStringLiteral("INSERT INTO %1 (%2) VALUES (:%3)").arg(table, columns.join(", "), columns.join(", :")), row);
    }

    // kind: SAN, IZR, PAR, PAS or ATGR; INV documents are SAN and IZR ones of the inventory
    // clients. Each line is the usual one (goods 101, 2 × 5.00) with its overrides.
    void document(const QString& kind, int isn, const QVariantHash& head = {},
                  const QList<QVariantHash>& lines = {QVariantHash()})
    {
        struct Kind {
            const char *head, *line, *key;
            QVariantHash headColumns, lineColumns;
        };
        const QVariantHash common{{"NR_PAVADZ", QStringLiteral("N%1").arg(isn)}, {"D365_READY", "T"},
                                  {"KOPSUMMA", 12.1}, {"PVNSUMMA", 2.1}, {"BEZPVNSUMMA", 10.0}};
        const QDateTime day(QDate(2026, 12, 1), QTime(0, 0));
        const QString order = QStringLiteral("P%1").arg(isn);
        const std::map<QString, Kind> kinds = {
            {"SAN", {"O_PAVADZ", "O_PRECE", "ISPAVADZ",
                     {{"ISKLIENT", 2}, {"ISNODALA", 3}, {"DAT_PAVADZ", day}, {"PASUT_NR", order}}, {{"PARD_CENA", 12.1}}}},
            {"IZR", {"O_PAVOUT", "O_PRCOUT", "ISPAVOUT",
                     {{"ISKLIENT", 21}, {"ISNODALA", 3}, {"DATUMS", day}, {"PASUT_NR", order}}, {{"PIECENOJ", -10.0}}}},
            {"PAR", {"O_PARPAV", "O_PARPRC", "ISPARVPAV",
                     {{"ISNODALANO", 2}, {"ISNODALAUZ", 4}, {"DATUMS", day}, {"PASUT_NR", order}}, {{"PARD_CENA", 6.05}}}},
            {"PAS", {"O_PASPAV", "O_PASPRC", "ISPASPAV",
                     {{"ISKLIENT", 2}, {"ISNODALA", 3}, {"ISNODALAUZ", 4}, {"DATUMS", day}, {"PIEGADPIRCEJS", 1},
                      {"DAT_PIEGADE", day.addDays(2)}, {"APMNOTEIKUMI", 1}},
                     {{"ATLAIDE", 10.0}}}},
            {"ATGR", {"O_ATGPAV", "O_ATGPRC", "ISATGPAV",
                      {{"ISKLIENT", 30}, {"ISNODALA", 3}, {"DATUMS", day}, {"FROM_WHAT", 2}}, {{"IEP_CENA", 4.0}}}}};
        const Kind& k = kinds.at(kind);
        QVariantHash h = common;
        h.insert(k.headColumns);
        h.insert(head);
        h.insert("ISN", isn);
        insert(k.head, h);
        for (const QVariantHash& more : lines) {
            QVariantHash l{{k.key, isn}, {"ISPRECE", 101}, {"DAUDZUMS", 2.0}, {"CENA", 5.0}};
            l.insert(k.lineColumns);
            l.insert(more);
            insert(k.line, l);
        }
    }

    QVariant column(const QString& table, int isn, const QString& name)
    {
        return value(QStringLiteral("SELECT %1 FROM %2 WHERE ISN=%3").arg(name, table).arg(isn));
    }
};
