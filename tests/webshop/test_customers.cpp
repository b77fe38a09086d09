#include "ShopOrdersFixture.h"

#include "webshop/CustomerExport.h"
#include "webshop/ShopPassword.h"
#include "webshop/WebCustomerIndex.h"
#include "webshop/WebShopText.h"

TEST(WebShopTexts, RegistrationNumberAddressTextAndZones)
{
    const std::pair<const char*, const char*> regNr[] = {
        {R"({"1":"x","2":"40003000001"})", "40003000001"}, {R"({"2":40003000001})", "40003000001"},
        {R"({"1":"x"})", ""}, {"[]", ""}, {"42", ""}, {"nav JSON", ""}, {"", ""}, {R"({"2":{"a":1}})", ""}};
    for (auto [field, expected] : regNr)
        EXPECT_EQ(WebShopText::regNr(field), expected) << field;

    EXPECT_EQ(WebShopText::addressText(" Brīvības iela 1 ", " Rīga", "", "Latvia "), "Brīvības iela 1,Rīga,Latvia");
    EXPECT_EQ(WebShopText::addressText(QString(70, 'x'), "Rīga", "", ""), QString(60, 'x'));
    EXPECT_EQ(WebShopText::emailKey(" Anna@Example.LV "), "anna@example.lv");

    EXPECT_EQ(ZoneDepartments::zones("|35|3513|"), (QList<int>{35, 3513}));
    EXPECT_EQ(ZoneDepartments::zones("0|x|7"), QList<int>{7});
    EXPECT_EQ(CustomerExport::namesFromGnos(" Bērziņa Anna Marija "), (QPair<QString, QString>{"Bērziņa", "Anna Marija"}));
    EXPECT_EQ(CustomerExport::namesFromGnos("SIA"), (QPair<QString, QString>{"SIA", ""}));
}

TEST(ShopPasswordScheme, HashAndSaltAreThoseOfPythonsHashlib)
{
    const std::pair<const char*, const char*> cases[] = {
        {"parole123", "a1b2c3d4e"}, {"  ar atstarpēm ", "000000000"}, {"Ķirbis ŽŪŅ", "zzz"}, {"", "abc123def"}};
    for (auto [password, salt] : cases)
        EXPECT_EQ(ShopPassword::hash(password, salt), ShopOrdersFixture::pythonHash(password, salt)) << password;
    const QDateTime at(QDate(2026, 12, 7), QTime(9, 5, 3));
    EXPECT_EQ(ShopPassword::salt(at), ShopOrdersFixture::pythonSalt("09:05:0307.12.2026"));
    EXPECT_NE(ShopPassword::randomPassword(), ShopPassword::randomPassword());
}

class CustomerImportTest : public ShopOrdersFixture {
protected:
    void import()
    {
        if (!web)
            connect();
        ASSERT_TRUE(web->ReceiveWebCustomers());
    }
    QVariant klient(const QString& column, const QString& where)
    {
        return goods->scalar("SELECT " + column + " FROM N_KLIENT WHERE " + where);
    }
};

TEST_F(CustomerImportTest, CustomersAndGuestsBecomeCustomersWithBranchesOnce)
{
    department(6, "Rīgas noliktava", 0);
    department(7, "Tālā noliktava", 0);
    zones(6, "|35|");
    zones(7, "|3|");
    customer(7, " Anna@Example.LV ", {{"password", "5f4dcc3b5aa765d61d8327deb882cf99aaaaaaaa"}, {"salt", "s4lt"},
                                      {"custom_field", R"({"1":"","2":"40003000001"})"}});
    address(7, "Brīvības iela 1", {{"company", "SIA Anna"}, {"zone_id", 35}});
    address(7, "Krasta iela 5", {{"city", "Jūrmala"}, {"postcode", ""}, {"country_id", 0}, {"zone_id", 0}});
    customer(9, "bez@vardiem.lv", {{"firstname", ""}, {"lastname", ""}});
    address(9, "Ielas 2", {{"firstname", ""}, {"lastname", ""}});
    // A guest with two orders to two addresses, and a known branch in another case.
    order(20, "viesis@example.lv");
    order(21, "viesis@example.lv", {{"shipping_address_1", "Kalna iela 3"}, {"shipping_zone_id", 3}});
    goods->exec("INSERT INTO N_KLIENT (ISN, GNOS, SUBSCRIBE_MAIL) VALUES (300, 'Zināms', 'zinams@example.lv')");
    goods->exec("INSERT INTO N_KL_STRV (ISN, ISKLIENT, E_MAIL1, ADRESE) VALUES (301, 300, 'ZINAMS@example.lv ', 'Cita')");
    customer(11, "zinams@EXAMPLE.lv");

    import();
    const QString anna = "SUBSCRIBE_MAIL='Anna@Example.LV'";
    EXPECT_EQ(klient("GNOS || '|' || PINKODS || '|' || REGNR || '|' || IDKODS || '|' || VALSTS || VALSTS_KODS || '|' || "
                     "PIRCEJS || E_KLIENTS || '|' || CAST(SPECPVNLIKME AS INTEGER)", anna).toString(),
              "SIA Anna|5f4dcc3b5aa765d61d8327deb882cf99aaaaaaaa:s4lt|40003000001|7|LatviaLV|TT|-1");
    const int annaIsn = klient("ISN", anna).toInt();
    EXPECT_EQ(goods->count("N_KL_STRV", QString("ISKLIENT=%1").arg(annaIsn)), 2);
    EXPECT_EQ(goods->scalar(QString("SELECT ISNODALA_WWW FROM N_KL_STRV WHERE ADRESE='Brīvības iela 1,Rīga,LV-1010,Latvia' "
                                    "AND ISKLIENT=%1").arg(annaIsn)).toInt(), 6);
    // No country: the shop's home country; zone 0 is served by no department.
    EXPECT_EQ(goods->scalar(QString("SELECT ISNODALA_WWW FROM N_KL_STRV WHERE ADRESE='Krasta iela 5,Jūrmala,Latvia' "
                                    "AND ISKLIENT=%1").arg(annaIsn)).toInt(), 0);
    EXPECT_EQ(klient("GNOS", "IDKODS='9'").toString(), "Bez nosaukuma 9");
    EXPECT_EQ(goods->count("N_KLIENT", "SUBSCRIBE_MAIL='viesis@example.lv' AND IDKODS='0'"), 1);
    const int guest = klient("ISN", "SUBSCRIBE_MAIL='viesis@example.lv'").toInt();
    EXPECT_EQ(goods->count("N_KL_STRV", QString("ISKLIENT=%1").arg(guest)), 2);
    // Zone 3 is not found in "|35|".
    EXPECT_EQ(goods->scalar(QString("SELECT ISNODALA_WWW FROM N_KL_STRV WHERE ISKLIENT=%1 AND ADRESE LIKE 'Kalna%'")
                                .arg(guest)).toInt(), 7);
    EXPECT_EQ(goods->count("N_KLIENT", "UPPER(SUBSCRIBE_MAIL) LIKE '%ZINAMS%'"), 1);
    EXPECT_EQ(goods->count("N_KL_STRV", "ISKLIENT=300"), 1);
    EXPECT_TRUE(logHas("WWW OC2 Klientu saņemšana ..."));
    EXPECT_TRUE(logHas("WWW OC2 Klienti saņemti "));

    const int customers = goods->count("N_KLIENT");
    const int branches = goods->count("N_KL_STRV");
    import();
    EXPECT_EQ(goods->count("N_KLIENT"), customers);
    EXPECT_EQ(goods->count("N_KL_STRV"), branches);
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Done);
}

TEST_F(CustomerImportTest, BadCandidatesAreLoggedSkippedOrCutAndTheImportGoesOn)
{
    customer(1, "krievs@example.lv", {{"firstname", "Иван"}, {"lastname", "Иванов"}});
    address(1, "Ielas 1", {{"firstname", "Иван"}, {"lastname", "Иванов"}});
    customer(2, "o'brien@example.lv", {{"firstname", "Sean"}, {"lastname", "O'Brien"}, {"custom_field", QString(3000, 'c')}});
    address(2, "Ielas 2", {{"firstname", "Sean"}, {"lastname", "O'Brien"}, {"city", QString(100, 'R')}, {"country_id", 999}});
    customer(3, "  ");
    customer(4, "pedejais@example.lv");
    address(4, "Ielas 4", {{"firstname", "Branch"}});
    goods->exec("CREATE EXCEPTION TEST_FAIL 'Testa kļūda'");
    goods->exec("CREATE TRIGGER TEST_FAIL_BRANCH FOR N_KL_STRV ACTIVE BEFORE INSERT POSITION 5 AS "
                "BEGIN IF (NEW.WEB_FIRSTNAME = 'Branch') THEN EXCEPTION TEST_FAIL; END");

    import();
    EXPECT_EQ(logCount("Klientu saņemšana-Kļūda 2 "), 1);  // WIN1257 cannot hold the names
    EXPECT_EQ(goods->count("N_KLIENT", "SUBSCRIBE_MAIL='krievs@example.lv'"), 0);
    // Cut to their columns; an unknown country is the shop's home country.
    EXPECT_EQ(goods->scalar("SELECT CHAR_LENGTH(WWW_CUSTOM_FIELD) || '|' || CHAR_LENGTH(PILSETA) || '|' || VALSTS_KODS "
                            "FROM N_KLIENT WHERE SUBSCRIBE_MAIL='o''brien@example.lv'").toString(), "2000|60|LV");
    EXPECT_EQ(goods->count("N_KL_STRV", "ATBILDPERSONA1='O''Brien Sean'"), 1);
    EXPECT_TRUE(logHas("Klientu saņemšana: klients bez e-pasta netiek ievests (customer_id=3, order_id=0)"));
    EXPECT_EQ(logCount("Klientu saņemšana-Kļūda 3 "), 1);
    EXPECT_EQ(goods->count("N_KLIENT", "SUBSCRIBE_MAIL='pedejais@example.lv'"), 1);
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Failed);
}

class CustomerExportTest : public ShopOrdersFixture {
protected:
    void SetUp() override
    {
        ShopOrdersFixture::SetUp();
        options({{"ExpTips", 2}, {"chkKlienti", "true"}});
    }
    void webCustomer(int isn, const QString& gnos, const QString& pinkods, const QList<QVariantHash>& branches)
    {
        goods->exec("INSERT INTO N_KLIENT (ISN, GNOS, PIRCEJS, E_KLIENTS, PINKODS, TELEFONS, PILSETA, PASTINDEKS, VALSTS_KODS, "
                    "WWW_CUSTOM_FIELD) VALUES (:I, :G, 'T', 'T', :P, '', 'Rīga', 'LV-1010', 'LV ', '{\"2\":\"LV1\"}')",
                    {{"I", isn}, {"G", gnos}, {"P", pinkods}});
        for (const QVariantHash& b : branches) {
            QVariantHash v = b;
            v["K"] = isn;
            goods->exec("INSERT INTO N_KL_STRV (ISKLIENT, GNOS, ADRESE, E_MAIL1, WEB_FIRSTNAME, WEB_LASTNAME, TELEFONS1, WEB_ZONE_ID) "
                        "VALUES (:K, :G, :A, :E, :F, :L, '2222', 35)",
                        {{"K", isn}, {"G", gnos}, {"A", v.value("A")}, {"E", v.value("E")}, {"F", v.value("F", "")},
                         {"L", v.value("L", "")}});
        }
    }
    void exportCustomers()
    {
        if (!web)
            connect();
        report.begin();
        ASSERT_TRUE(web->SendKlasif());
    }
    QVariant shopCustomer(const QString& column, const QString& email)
    {
        return shop->scalar("SELECT " + column + " FROM customer WHERE email=:e", {{"e", email}});
    }
};

TEST_F(CustomerExportTest, WebCustomersBecomeShopCustomersWithOneAddressPerBranchAndTheirOwnGroup)
{
    webCustomer(400, "Bērziņa Anna", "slepens", {{{"A", "Brīvības iela 1,Rīga"}, {"E", " anna@example.lv"}},
                                                 {{"A", "Krasta iela 5,Jūrmala"}, {"E", "anna@example.lv"}, {"F", "Ilze"}, {"L", "Kalna"}}});
    webCustomer(401, "Ozols Jānis", "abcdef0123:xyz", {{{"A", "Ielas 1"}, {"E", "janis@example.lv"}, {"F", "Jānis"}, {"L", "Ozols"}}});
    webCustomer(402, "Viesis", "", {{{"A", "Ielas 2"}, {"E", "viesis@example.lv"}}});
    webCustomer(403, "Zināms", "", {{{"A", "Ielas 3"}, {"E", "ZINAMS@example.lv"}}});
    webCustomer(404, "Bez e-pasta", "x", {{{"A", "Ielas 4"}, {"E", ""}}});
    customer(77, "zinams@example.lv");

    exportCustomers();
    // Ids follow the shop's largest, and the customer group has the customer's id.
    EXPECT_EQ(shopCustomer("customer_id", "anna@example.lv").toInt(), 78);
    const int anna = shopCustomer("customer_id", "anna@example.lv").toInt();
    EXPECT_EQ(shopCustomer("customer_group_id", "anna@example.lv").toInt(), anna);
    // Names from the customer's name when the branch has none; custom_field in its own column.
    EXPECT_EQ(shopCustomer("CONCAT(lastname, '/', firstname, '|', custom_field, '|', COALESCE(cart, ''), '|', approved, '|', telephone)",
                           "anna@example.lv").toString(), R"(Bērziņa/Anna|{"2":"LV1"}||1|2222)");
    // The plain password is hashed with a new salt and stored back as hash:salt.
    const QString salt = shopCustomer("salt", "anna@example.lv").toString();
    EXPECT_EQ(salt, pythonSalt("10:00:0007.12.2026"));
    EXPECT_EQ(shopCustomer("password", "anna@example.lv").toString(), pythonHash("slepens", salt));
    EXPECT_EQ(goods->scalar("SELECT PINKODS FROM N_KLIENT WHERE ISN=400").toString(), pythonHash("slepens", salt) + ":" + salt);
    EXPECT_EQ(shopCustomer("CONCAT(password, ':', salt)", "janis@example.lv").toString(), "abcdef0123:xyz");
    // No password: a random one, never the empty one.
    EXPECT_NE(shopCustomer("password", "viesis@example.lv").toString(), pythonHash("", shopCustomer("salt", "viesis@example.lv").toString()));
    EXPECT_TRUE(goods->scalar("SELECT PINKODS FROM N_KLIENT WHERE ISN=402").toString().contains(':'));
    EXPECT_EQ(shop->count("customer", "email LIKE '%zinams%'"), 1);
    EXPECT_EQ(shop->count("customer"), 4);

    // One address per branch, each with its own id and street; the first is the customer's.
    EXPECT_EQ(shop->count("address", QString("customer_id=%1").arg(anna)), 2);
    EXPECT_EQ(shop->scalar("SELECT address_1 FROM address WHERE address_id=:a", {{"a", shopCustomer("address_id", "anna@example.lv")}})
                  .toString(), "Brīvības iela 1,Rīga");
    EXPECT_EQ(shop->scalar("SELECT CONCAT(firstname, ' ', lastname, '|', zone_id, '|', country_id) FROM address "
                           "WHERE address_1='Krasta iela 5,Jūrmala'").toString(), "Ilze Kalna|35|117");
    EXPECT_EQ(shop->count("customer_group"), 3);
    EXPECT_EQ(shop->count("customer_group_description", QString("customer_group_id=%1 AND name='Bērziņa Anna'").arg(anna)), 2);
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Done);

    // Again: known by e-mail, nothing new.
    const int addresses = shop->count("address");
    exportCustomers();
    EXPECT_EQ(shop->count("customer"), 4);
    EXPECT_EQ(shop->count("address"), addresses);
}

TEST_F(CustomerExportTest, OpenCart3WithoutApprovedAndAFailedInsertThatIsShown)
{
    shop->exec("ALTER TABLE customer DROP COLUMN approved");
    shop->exec("CREATE TRIGGER refuse BEFORE INSERT ON customer FOR EACH ROW "
                 "IF NEW.email = 'atteikts@example.lv' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'Atteikts'; END IF");
    webCustomer(400, "Atteikts", "a", {{{"A", "Ielas 1"}, {"E", "atteikts@example.lv"}}});
    webCustomer(401, "Pieņemts", "b", {{{"A", "Ielas 2"}, {"E", "pienemts@example.lv"}}});
    exportCustomers();
    ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.messages.join("\n").toStdString();
    EXPECT_TRUE(dialogs.messages[0].startsWith("Kļūda ievietojot tabulā customer (1) \n "));
    EXPECT_TRUE(dialogs.messages[0].contains("Atteikts"));
    // An empty shop gives the first id 2, also after a refused insert.
    EXPECT_EQ(shopCustomer("CONCAT(customer_id, '/', customer_group_id)", "pienemts@example.lv").toString(), "2/2");
    EXPECT_EQ(shop->count("customer"), 1);
    EXPECT_EQ(shop->count("address"), 1);
    // The goods side keeps its plain password while the shop has none for it.
    EXPECT_EQ(goods->scalar("SELECT PINKODS FROM N_KLIENT WHERE ISN=400").toString(), "a");
    EXPECT_EQ(report.outcome(true), RunReport::Outcome::Failed);
}
