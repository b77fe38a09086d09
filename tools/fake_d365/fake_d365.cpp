// Demo stand-in for Dynamics 365: an OAuth token endpoint and the one business endpoint,
// answering the fetch operations with a handful of records that fit the demo goods
// database (scripts/demo/goods_data.py): its suppliers, customers, goods groups and goods,
// plus a few new ones; sales and purchase prices, promotions, and one document of each
// kind (receipt, return, store sale, transfer).
//
//   varnis-fake-d365 [--port 18365] [--client-id ID] [--secret S] [--products N]
//
//   POST /demo/oauth2/token                      grant_type=client_credentials, client_id, client_secret
//   POST /api/services/VarnisServices/Request    {"_requestBody": {"Request": "<operation JSON>"}}
//
// --products N adds N generated products to GetK42Products (for trying larger loads).
// Posted documents are accepted, all but the receipt ZP-004531, which is refused with
// status 0 and a message.

#include <QByteArray>
#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <httplib.h>
#include <map>
#include <mutex>
#include <string>

namespace {

const char* const kToken = "demo.eyJhdWQiOiJ2YXJuaXMifQ.fake-d365-token";

QJsonObject address(const QString& county, const QString& city, const QString& street, const QString& zip,
                    const QString& country = QStringLiteral("LV"))
{
    return QJsonObject{{"County", county}, {"City", city},    {"State", ""},
                       {"Street", street}, {"ZipCode", zip},  {"CountryRegion", country}};
}

QJsonObject vendor(const QString& account, const QString& name, const QString& reg, const QString& bank,
                   const QString& swift, const QString& iban, const QJsonObject& primary, bool resident = true)
{
    return QJsonObject{{"AccountNum", account},
                       {"Name", name},
                       {"BankAccountNum", iban},
                       {"BankName", bank},
                       {"SWIFTNo", swift},
                       {"IsResident_LV", resident ? "true" : "false"},
                       {"RegNum", reg},
                       {"VATNum", (resident ? "LV" : "LT") + reg},
                       {"PrimaryAddress", primary},
                       {"DeliveryAddress", primary}};
}

QJsonArray vendors()
{
    const QJsonObject zemgale = address("", "Jelgava", "Rūpniecības iela 10", "LV-3001");
    const QJsonObject kurzeme = address("", "Liepāja", "Ganību iela 40", "LV-3401");
    const QJsonObject vidzeme = address("", "Valmiera", "Rīgas iela 91", "LV-4201");
    const QJsonObject latgale = address("", "Daugavpils", "Cietokšņa iela 60", "LV-5401");
    const QJsonObject riga = address("", "Rīga", "Krasta iela 105", "LV-1019");
    return QJsonArray{
        vendor("V000102", "SIA Zemgales Piens", "40103000102", "Swedbank AS", "HABALV22", "LV17HABA0001020000102", zemgale),
        vendor("V000103", "SIA Kurzemes Maiznīca", "40003000103", "AS SEB banka", "UNLALV2X", "LV31UNLA0001030000103", kurzeme),
        vendor("V000104", "AS Vidzemes Gaļa", "40103000104", "Swedbank AS", "HABALV22", "LV58HABA0001040000104", vidzeme),
        vendor("V000105", "SIA Latgales Dārzeņi", "40003000105", "AS Citadele banka", "PARXLV22", "LV75PARX0001050000105", latgale),
        vendor("V000106", "SIA Baltijas Kafija", "40103000106", "AS SEB banka", "UNLALV2X", "LV08UNLA0001060000106", riga),
        vendor("V000107", "SIA Saldumu Nams", "40003000107", "Swedbank AS", "HABALV22", "LV35HABA0001070000107", riga),
        vendor("V000108", "SIA Daugavas Dzērieni", "40103000108", "Luminor Bank AS Latvijas filiāle", "RIKOLV2X",
               "LV62RIKO0001080000108", riga),
        vendor("V000109", "SIA Tīrības Serviss", "40003000109", "Swedbank AS", "HABALV22", "LV89HABA0001090000109", riga),
        vendor("V000110", "SIA Jūras Zivis", "40103000110", "AS SEB banka", "UNLALV2X", "LV16UNLA0001100000110", kurzeme),
        vendor("V000111", "SIA Baltic Pack", "40003000111", "AS Citadele banka", "PARXLV22", "LV43PARX0001110000111", riga),
        vendor("V000112", "UAB Baltic Drinks", "304512876", "AB SEB bankas", "CBVILT2X", "LT417044060008012345",
               address("", "Vilnius", "Konstitucijos pr. 7", "LT-09308", "LT"), false),
    };
}

QJsonObject customer(const QString& account, const QString& name, const QString& reg, const QJsonObject& primary,
                     const QJsonArray& others = {}, int days = 14, bool blocked = false)
{
    return QJsonObject{{"AccountNum", account},
                       {"Name", name},
                       {"BankAccountNum", ""},
                       {"BankName", "Swedbank AS"},
                       {"SWIFTNo", "HABALV22"},
                       {"RegNum", reg},
                       {"VATNum", "LV" + reg},
                       {"NumOfDays", days},
                       {"Blocked", blocked ? "true" : "false"},
                       {"PrimaryAddress", primary},
                       {"OtherAddress", others}};
}

QJsonArray customers()
{
    return QJsonArray{
        customer("C000221", "SIA Kafejnīca Rozmarīns", "50003000221", address("", "Rīga", "Tērbatas iela 14", "LV-1011")),
        customer("C000222", "SIA Veikals Pie Ezera", "40003000222", address("", "Jūrmala", "Jomas iela 30", "LV-2015"),
                 QJsonArray{address("", "Jūrmala", "Dubultu prospekts 5", "LV-2015"),
                            address("", "Sloka", "Talsu šoseja 31", "LV-2011")}),
        customer("C000223", "IK Bērziņš un dēli", "40003000223", address("", "Ogre", "Brīvības iela 33", "LV-5001"), {},
                 30, true),
        customer("C000900", "SIA Jaunā Kafejnīca", "40003000900", address("", "Cēsis", "Rīgas iela 2", "LV-4101"),
                 QJsonArray{address("", "Cēsis", "Vaļņu iela 1", "LV-4101")}, 7),
    };
}

QJsonArray categories()
{
    // The demo's goods groups (GRUPKOD 100 + key), then two new ones.
    const std::pair<const char*, const char*> groups[] = {
        {"102", "Piena produkti"}, {"103", "Maize un konditoreja"}, {"104", "Gaļa un gaļas izstrādājumi"},
        {"105", "Zivis un zivju produkti"}, {"106", "Augļi un dārzeņi"}, {"107", "Bakaleja"},
        {"108", "Kafija un tēja"}, {"109", "Saldumi"}, {"110", "Dzērieni"}, {"111", "Alkoholiskie dzērieni"},
        {"112", "Saldētie produkti"}, {"113", "Sadzīves ķīmija"}, {"114", "Higiēnas preces"},
        {"115", "Mājsaimniecības preces"}, {"116", "Tara un pakalpojumi"}};
    QJsonArray list;
    for (const auto& [code, name] : groups) {
        const QString c = QString::fromLatin1(code);
        const QString parent = c == "108" ? "107" : c == "111" ? "110" : "";
        list.append(QJsonObject{{"Code", c}, {"Name", QString::fromUtf8(name)}, {"ParentCode", parent}});
    }
    // a child before its parent: stored without a parent now, fixed by the next import
    list.append(QJsonObject{{"Code", "118"}, {"Name", "Bērnu biezeņi"}, {"ParentCode", "117"}});
    list.append(QJsonObject{{"Code", "117"}, {"Name", "Bērnu pārtika"}, {"ParentCode", ""}});
    return list;
}

QJsonObject product(const QString& code, const QString& name, const QString& category, const QString& vendor,
                    const QString& mainCode, const QString& otherCodes, double vat = 21)
{
    return QJsonObject{{"Product", code},
                       {"Name", name},
                       {"Certificate", ""},
                       {"CategoryCode", category},
                       {"PrimaryVendorId", vendor},
                       {"VarnisVAT", vat},
                       {"PurchPackage", "false"},
                       {"ItemBarCodeMain", mainCode},
                       {"ItemBarCodeOther", otherCodes},
                       {"OrvProductCode", "G" + mainCode},
                       {"UnitBasicPackage", 1},
                       {"NetWeight", 1},
                       {"GrossWeight", 1.06},
                       {"PriceTagUnit", "gab"},
                       {"TransportQty", 12},
                       {"TransportPalletQty", 720},
                       {"DaysBetweenOrders", 7},
                       {"OrigCountryRegion", "Latvija"},
                       {"AlcoholConcentration", 0},
                       {"SendToScales", "false"},
                       {"BestBefore", 14},
                       {"HighestQty", 240},
                       {"TempStoreMax", 6},
                       {"TempStoreMin", 2},
                       {"LowestQty", 12},
                       {"StandartDeliveryType", "BaseDelivery"},
                       {"ActualDeliveryType", "BaseDelivery"},
                       {"InternalLogistics", "true"},
                       {"NutriSugar", 0},
                       {"ProductLifecycleStateCode", ""},
                       {"SuppItemId", ""},
                       {"MinimumQty", 0},
                       {"ProdContentDescr", ""}};
}

QJsonObject with(QJsonObject o, const QString& key, const QJsonValue& value)
{
    o.insert(key, value);
    return o;
}

QJsonArray products(int generated)
{
    QJsonArray list{
        // goods the demo database already has (ARTIKULS5 P + article)
        product("P100100", "Piens 1% 0,5l", "102", "V000102", "100100", "4755404925249"),
        product("P100101", "Piens 1% 1l", "102", "V000102", "100101", "4757335338136"),
        product("P100102", "Piens 2% 0,5l", "102", "V000102", "100102", "4753091988745"),
        with(product("P100103", "Piens 2% 1l", "102", "V000102", "100103", "4751903317325;4751903317332"),
             "ProductLifecycleStateCode", "BloketsPirksanai"),
        // new goods
        with(product("P900001", "Auzu dzēriens 1l", "110", "V000108", "900001", "4750900000014"), "TempStoreMax", 0),
        with(product("P900002", "Ābolu biezenis bērniem 90g", "118", "V000105", "900002", "4750900000021"),
             "Certificate", "Bioloģiskās lauksaimniecības sertifikāts LV-BIO-01"),
        with(with(with(product("P900010", "Depozīta stikla pudele 0,5l", "116", "V000111", "900010", ""), "PurchPackage",
                       "true"),
                  "VarnisVAT", 0),
             "TempStoreMax", 0),
        with(with(with(with(product("P900003", "Alus 'Baltijas gaišais' 0,5l", "111", "V000112", "900003",
                                    "4770900000038;4770900000045"),
                            "AlcoholConcentration", 4.8),
                       "SuppItemId", "P900010"),
                  "MinimumQty", 1),
             "OrigCountryRegion", "Lietuva"),
        with(with(product("P900004", "Siers 'Rīgas' svērtais", "102", "V000102", "2000101000007", ""), "SendToScales",
                  "true"),
             "PriceTagUnit", "kg"),
        with(with(product("P900005", "Saldētas zemenes 400g", "112", "V000105", "900005", "4750900000052"), "TempStoreMax",
                  -18),
             "TempStoreMin", -25),
    };
    for (int n = 0; n < generated; ++n) {
        const QString code = QStringLiteral("P8%1").arg(n, 6, 10, QLatin1Char('0'));
        list.append(product(code, QStringLiteral("Prece %1").arg(n + 1), "107", "V000106", code.mid(1),
                            QStringLiteral("47508%1").arg(n, 8, 10, QLatin1Char('0'))));
    }
    return list;
}

QJsonArray catSort()
{
    return QJsonArray{
        QJsonObject{{"CategoryId", "102"}, {"ISNDepartment", 3}, {"AssortmentLevelId", "A"}},
        QJsonObject{{"CategoryId", "102"}, {"ISNDepartment", 4}, {"AssortmentLevelId", "B"}},
        QJsonObject{{"CategoryId", "117"}, {"ISNDepartment", 3}, {"AssortmentLevelId", "A"}},
        QJsonObject{{"CategoryId", "118"}, {"ISNDepartment", 5}, {"AssortmentLevelId", "C"}},
        QJsonObject{{"CategoryId", "111"}, {"ISNDepartment", 5}, {"AssortmentLevelId", "-"}},
    };
}

QJsonArray itemSort()
{
    return QJsonArray{
        QJsonObject{{"Product", "P100100"}, {"ISNDepartment", 3}, {"AssortmentLevelId", "A"}},
        QJsonObject{{"Product", "P900001"}, {"ISNDepartment", 3}, {"AssortmentLevelId", "A"}},
        QJsonObject{{"Product", "P900002"}, {"ISNDepartment", 4}, {"AssortmentLevelId", "B"}},
        QJsonObject{{"Product", "P900003"}, {"ISNDepartment", 5}, {"AssortmentLevelId", "-"}},
    };
}

QJsonObject schedule(const QString& id, const QString& vendor, const QString& regularity, int orderDay, int deliveryDay,
                     const QString& type, const QJsonArray& departments, const QString& status = QStringLiteral("Active"))
{
    return QJsonObject{{"OrderScheduleId", id},
                       {"Status", status},
                       {"VendAccount", vendor},
                       {"OrderRegularity", regularity},
                       {"OrderDateNum", 0},
                       {"OrderDay", orderDay},
                       {"OrderTime", "10:00"},
                       {"DeliveryDateNum", 0},
                       {"DeliveryDay", deliveryDay},
                       {"DeliveryTypeCode", "EDI"},
                       {"DeliveryType", type},
                       {"ChosenWarehouses", departments},
                       {"Comment", ""},
                       {"DeliveryRegularityInStore", regularity}};
}

QJsonArray schedules()
{
    auto deps = [](std::initializer_list<int> keys) {
        QJsonArray a;
        for (int k : keys)
            a.append(QJsonObject{{"ISNNodala", k}});
        return a;
    };
    return QJsonArray{
        schedule("OS005001", "V000102", "OnceAWeek", 1, 2, "BaseDelivery", deps({3, 4})),
        schedule("OS005002", "V000102", "OnceAWeek", 4, 5, "DirectDelivery", deps({3, 4})),
        schedule("OS005004", "V000106", "OnceAWeek", 3, 5, "BaseDelivery", deps({2, 3}), "Closed"),
        schedule("OS005101", "V000108", "EvenWeek", 2, 4, "DirectDelivery", deps({3, 4, 5})),
        schedule("OS005102", "V000112", "OnceAMonth", 0, 0, "BaseDelivery", deps({2})),
    };
}

// Dates of the promotions and documents, around the day the fake was started.
QString isoDay(int offset)
{
    return QDate::currentDate().addDays(offset).toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral("T00:00:00");
}

// Sales prices: level 3 (and 11) of "Top" goods at high risk is the level the central
// warehouse (department 2) sells at; the others set levels 4, 7 and 6.
QJsonArray prices()
{
    auto price = [](const char* product, const char* brand, const char* risk, const QJsonValue& value) {
        return QJsonObject{{"Product", product}, {"BrandType", brand}, {"PriceLevelType", risk}, {"SalesPrice", value}};
    };
    return QJsonArray{
        price("P100100", "Top", "PriceHighRisk", 0.59), price("P100101", "Top", "PriceHighRisk", 0.99),
        price("P100108", "Top", "PriceHighRisk", "0,89"), price("P100109", "Top", "PriceMediumRisk", 0.95),
        price("P100110", "Top", "PriceLowRisk", 0.99),   price("P100111", "Private", "", 0.49),
        price("P100112", "Top", "PriceNoRisk", 9.99),  // no level for it: nothing changes
    };
}

QJsonArray purchPrices()
{
    return QJsonArray{
        QJsonObject{{"Product", "P100100"}, {"PurchPrice", 0.41}, {"PromoPrice", "false"}},
        QJsonObject{{"Product", "P100101"}, {"PurchPrice", "0,69"}, {"PromoPrice", "true"}},
    };
}

QJsonObject promotion(const char* product, const char* type, const char* status, double price, const char* name)
{
    return QJsonObject{{"Product", product},      {"PromoType", type},          {"PromoStatus", status},
                       {"PromoPrice", price},     {"PromoDesignation", QString::fromUtf8(name)},
                       {"FromDatePromo", isoDay(-2)}, {"ToDatePromo", isoDay(12)}};
}

QJsonArray promotions()
{
    return QJsonArray{
        promotion("P100102", "Top", "Active", 0.45, "Piena nedēļa"),
        promotion("P100103", "Local", "Approved", 0.69, "Vietējais \"Svaigs\" piedāvājums"),
        promotion("P100104", "Top", "Closed", 0.30, "Beigusies akcija"),
    };
}

QJsonObject documentLine(const char* product, double qty)
{
    return QJsonObject{{"Product", product}, {"Qty", qty}};
}

QJsonArray purchaseOrders()
{
    return QJsonArray{
        QJsonObject{{"RecId", "5637144576"}, {"ReturnOrder", "false"}, {"ISNDepartment", 2}, {"OrderAccount", "V000102"},
                    {"InvoiceId", "ZP-2026-0412"}, {"DeliveryDate", isoDay(-1)}, {"InvoiceDate", isoDay(-2)},
                    {"line", QJsonArray{documentLine("P100100", 48), documentLine("P100101", 24),
                                        documentLine("P900001", 12)}}},
        QJsonObject{{"RecId", "5637144577"}, {"ReturnOrder", "true"}, {"ISNDepartment", 2}, {"OrderAccount", "V000102"},
                    {"InvoiceId", "AT-2026-0031"}, {"DeliveryDate", isoDay(-1)}, {"InvoiceDate", isoDay(-1)},
                    {"line", QJsonArray{documentLine("P100102", 3)}}},
    };
}

QJsonArray storeSales()
{
    auto sold = [](const char* product, double qty, double price) {
        return QJsonObject{{"Product", product}, {"Qty", qty}, {"SalesPrice", price}};
    };
    return QJsonArray{QJsonObject{{"RecId", "5637150001"}, {"ISNDepartment", 3}, {"OrderAccount", "C000221"},
                                  {"InvoiceId", "RIGA-Z-0087"}, {"InvoiceDate", isoDay(-1)},
                                  {"line", QJsonArray{sold("P100100", 6, 0.59), sold("P100108", 2, 0.89)}}}};
}

QJsonArray transfers()
{
    auto moved = [](const char* product, double qty, const char* certificate) {
        return QJsonObject{{"Product", product}, {"Qty", qty}, {"Certificate", QString::fromUtf8(certificate)}};
    };
    return QJsonArray{QJsonObject{{"RecId", "5637160001"}, {"JournalId", "PAR-2026-0190"}, {"TransDate", isoDay(-1)},
                                  {"ISNDepartmentFrom", 2}, {"ISNDepartmentTo", 3},
                                  {"line", QJsonArray{moved("P100100", 12, ""),
                                                      moved("P100105", 6, "PVD atzinums 2024/118")}}}};
}

QString listOf(const QString& operation)
{
    static const std::map<QString, QString> lists = {
        {"GetK42Vendors", "Vendors"},      {"GetK42Customers", "Customers"},    {"GetCategories", "Categories"},
        {"GetK42Products", "Products"},    {"GetCatSort", "CatSort"},           {"GetItemSort", "ItemSort"},
        {"GetVENDGR", "VendorSchedules"},  {"GetPurchaseOrders", "Purchase"},   {"GetStoreSales", "StoreSales"},
        {"GetTransfers", "Transfers"}};
    const auto it = lists.find(operation);
    return it == lists.end() ? operation : it->second;  // the price lists are named after their operation
}

std::string json(const QJsonObject& o)
{
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

void logLine(const QString& text)
{
    char stamp[32];
    const std::time_t t = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&t));
    std::printf("%s %s\n", stamp, text.toUtf8().constData());
    std::fflush(stdout);
}

// The one document number the demo's service refuses, as D365 does with bad data.
const char* const kRefusedDocument = "ZP-004531";

// A posted document: accepted, unless it is the refused one.
std::string postReply(const QString& operation, const QJsonArray& elements)
{
    const QJsonObject first = elements.isEmpty() ? QJsonObject() : elements.first().toObject();
    const QString number = first.value(first.contains("JournalId") ? "JournalId" : "PackingSlipNum").toString();
    if (number == QLatin1String(kRefusedDocument)) {
        logLine(QStringLiteral("%1 %2: refused").arg(operation, number));
        return R"({"data":[{"StatusCode":0,"Message":"Piegādātāja pavadzīme jau ir reģistrēta"}]})";
    }
    logLine(QStringLiteral("%1 %2: accepted, %3 lines").arg(operation, number).arg(elements.size()));
    return R"({"data":[{"StatusCode":1,"Message":"Dokuments saņemts"}]})";
}

}  // namespace

int main(int argc, char** argv)
{
    int port = 18365;
    std::string clientId = "varnis-demo";
    std::string secret = "demo-secret";
    int generated = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--port" && hasValue)
            port = std::atoi(argv[++i]);
        else if (a == "--client-id" && hasValue)
            clientId = argv[++i];
        else if (a == "--secret" && hasValue)
            secret = argv[++i];
        else if (a == "--products" && hasValue)
            generated = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: %s [--port N] [--client-id ID] [--secret S] [--products N]\n", argv[0]);
            return 2;
        }
    }

    std::map<QString, QJsonArray> data = {
        {"GetK42Vendors", vendors()},   {"GetK42Customers", customers()}, {"GetCategories", categories()},
        {"GetK42Products", products(generated)}, {"GetCatSort", catSort()},  {"GetItemSort", itemSort()},
        {"GetVENDGR", schedules()},     {"GetPrices", prices()},           {"GetPurchPrices", purchPrices()},
        {"GetPromoPeriod", promotions()}, {"GetPromoPeriodA", promotions()}, {"GetPurchaseOrders", purchaseOrders()},
        {"GetStoreSales", storeSales()}, {"GetTransfers", transfers()}};
    std::mutex mutex;

    httplib::Server server;
    server.Post("/demo/oauth2/token", [&](const httplib::Request& req, httplib::Response& res) {
        if (req.get_param_value("grant_type") != "client_credentials" || req.get_param_value("client_id") != clientId
            || req.get_param_value("client_secret") != secret) {
            logLine(QStringLiteral("token: refused (client_id %1)").arg(QString::fromStdString(req.get_param_value("client_id"))));
            res.status = 401;
            res.set_content(R"({"error":"invalid_client","error_description":"Unknown client or wrong secret"})",
                            "application/json");
            return;
        }
        logLine(QStringLiteral("token: issued for resource %1").arg(QString::fromStdString(req.get_param_value("resource"))));
        res.set_content(std::string(R"({"token_type":"Bearer","expires_in":"3599","ext_expires_in":"3599","access_token":")")
                            + kToken + "\"}",
                        "application/json");
    });
    server.Post("/api/services/VarnisServices/Request", [&](const httplib::Request& req, httplib::Response& res) {
        if (req.get_header_value("Authorization") != std::string("Bearer ") + kToken) {
            logLine(QStringLiteral("request without a valid token"));
            res.status = 401;
            res.set_content(R"({"Message":"Authorization has been denied for this request."})", "application/json");
            return;
        }
        const QJsonObject envelope = QJsonDocument::fromJson(QByteArray::fromStdString(req.body)).object();
        const QString request = envelope.value("_requestBody").toObject().value("Request").toString();
        const QJsonObject inner = QJsonDocument::fromJson(request.toUtf8()).object();
        if (inner.size() != 1) {
            logLine(QStringLiteral("unreadable request: %1").arg(QString::fromStdString(req.body).left(200)));
            res.status = 400;
            res.set_content(R"({"Message":"Request must name one operation"})", "application/json");
            return;
        }
        const QString operation = inner.keys().first();
        if (operation.startsWith("Post")) {
            res.set_content(postReply(operation, inner.value(operation).toArray()), "application/json");
            return;
        }
        std::lock_guard<std::mutex> lock(mutex);
        const QJsonArray records = data.count(operation) ? data[operation] : QJsonArray();
        logLine(QStringLiteral("%1: %2 records").arg(operation).arg(records.size()));
        QJsonObject first;
        first.insert(listOf(operation), records);
        res.set_content(json(QJsonObject{{"data", QJsonArray{first}}}), "application/json");
    });

    if (!server.bind_to_port("127.0.0.1", port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", port);
        return 1;
    }
    logLine(QStringLiteral("fake D365 on http://127.0.0.1:%1/").arg(port));
    server.listen_after_bind();
    return 0;
}
