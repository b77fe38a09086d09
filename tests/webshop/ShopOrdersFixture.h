#pragma once

#include "WebShopFixture.h"

#include <QProcess>

// Shop customers and orders on top of the web shop fixture: rows are written whole, as the
// shop writes them, and the goods database holds the customer-order side.
class ShopOrdersFixture : public WebShopFixture {
protected:
    void SetUp() override
    {
        WebShopFixture::SetUp();
        shopSettings({{"WWW_COMPLETED", "Complete"}});
        languages({1, 2});
        shop->insert("country", {{"country_id", 117}, {"name", "Latvia"}, {"iso_code_2", "LV"}, {"iso_code_3", "LVA"}});
        shop->insert("country", {{"country_id", 123}, {"name", "Lithuania"}, {"iso_code_2", "LT"}, {"iso_code_3", "LTU"}});
        for (auto [id, name] : {std::pair{1, "Pending"}, {2, "Processing"}, {5, "Complete"}})
            shop->insert("order_status", {{"order_status_id", id}, {"language_id", 1}, {"name", name}});
        department(5, "Interneta veikals", 0);
        group(2);
    }

    // Shop side; more overrides any column.
    void insert(const QString& table, QVariantHash v, const QVariantHash& more)
    {
        v.insert(more);
        shop->insert(table, v);
    }
    void customer(int id, const QString& email, const QVariantHash& more = {})
    {
        insert("customer", {{"customer_id", id}, {"email", email}, {"firstname", "Anna"}, {"lastname", "Bērziņa"},
                            {"telephone", "+371 20000000"}, {"status", 1}, {"customer_group_id", 1}}, more);
    }
    void address(int customerId, const QString& street, const QVariantHash& more = {})
    {
        insert("address", {{"customer_id", customerId}, {"firstname", "Anna"}, {"lastname", "Bērziņa"}, {"address_1", street},
                           {"city", "Rīga"}, {"postcode", "LV-1010"}, {"country_id", 117}, {"zone_id", 0}}, more);
    }
    // A new order (status 1) shipped to Rīga.
    void order(int id, const QString& email, const QVariantHash& more = {})
    {
        insert("order", {{"order_id", id}, {"customer_id", 0}, {"email", email}, {"firstname", "Jānis"}, {"lastname", "Ozols"},
                         {"shipping_firstname", "Jānis"}, {"shipping_lastname", "Ozols"}, {"shipping_address_1", "Brīvības iela 1"},
                         {"shipping_city", "Rīga"}, {"shipping_postcode", "LV-1010"}, {"shipping_country", "Latvia"},
                         {"shipping_country_id", 117}, {"payment_code", "cod"}, {"shipping_code", "flat.flat"},
                         {"comment", "Zvanīt pirms"}, {"order_status_id", 1}}, more);
    }
    int orderLine(int orderId, int productId, const QString& model, int quantity, double price)
    {
        shop->insert("order_product", {{"order_id", orderId}, {"product_id", productId}, {"model", model},
                                       {"name", model}, {"quantity", quantity}, {"price", price}});
        return shop->scalar("SELECT MAX(order_product_id) FROM order_product").toInt();
    }
    // An option of an ordered line: the product's option value (made when missing) and its text.
    void orderOption(int orderId, int orderProductId, int productId, int optionId, int optionValueId, const QString& text)
    {
        int productOptionId = shop->scalar("SELECT product_option_id FROM product_option WHERE product_id=:p AND option_id=:o",
                                           {{"p", productId}, {"o", optionId}})
                                  .toInt();
        if (productOptionId == 0) {
            shop->insert("product_option", {{"product_id", productId}, {"option_id", optionId}, {"required", 1}});
            productOptionId = shop->scalar("SELECT MAX(product_option_id) FROM product_option").toInt();
        }
        shop->insert("product_option_value", {{"product_option_id", productOptionId}, {"product_id", productId},
                                              {"option_id", optionId}, {"option_value_id", optionValueId}});
        const int valueId = shop->scalar("SELECT MAX(product_option_value_id) FROM product_option_value").toInt();
        shop->insert("order_option", {{"order_id", orderId}, {"order_product_id", orderProductId},
                                      {"product_option_id", productOptionId}, {"product_option_value_id", valueId},
                                      {"name", "Opcija"}, {"value", text}, {"type", "select"}});
    }
    void orderTotal(int orderId, const QString& code, const QString& title, double value)
    {
        shop->insert("order_total", {{"order_id", orderId}, {"code", code}, {"title", title}, {"value", value}});
    }
    void coupon(int orderId, const QString& code, double amount)
    {
        shop->insert("coupon", {{"name", code}, {"code", code}, {"type", "F"}, {"status", 1}});
        const int id = shop->scalar("SELECT MAX(coupon_id) FROM coupon").toInt();
        shop->insert("coupon_history", {{"coupon_id", id}, {"order_id", orderId}, {"amount", amount}});
    }
    int status(int orderId) { return shop->scalar("SELECT order_status_id FROM `order` WHERE order_id=:id", {{"id", orderId}}).toInt(); }

    // Goods side.
    void paymentType(int isn, const QString& code, const QString& wwwImports)
    {
        goods->exec("INSERT INTO O_APMKONTI (ISN, GNOS, KODS, WWW_IMPORTS) VALUES (:I, :K, :K, :W)",
                    {{"I", isn}, {"K", code}, {"W", wwwImports}});
    }
    void zones(int department, const QString& list)
    {
        goods->exec("UPDATE N_DEPART SET WEB_ZONE_ID=:Z WHERE ISN=:I", {{"Z", list}, {"I", department}});
    }
    void goodWithPrice(int isn, const QString& artikuls, double vat, double price, const QString& artikuls7 = {})
    {
        goods->exec("INSERT INTO N_KLPREC (ISN, ISPRGRUPA, GNOS, ARTIKULS, ARTIKULS7, NODOKLIS, PARDCENA1) "
                    "VALUES (:I, 2, :G, :A, :A7, :N, :P)",
                    {{"I", isn}, {"G", "Prece " + artikuls}, {"A", artikuls},
                     {"A7", artikuls7.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(artikuls7)},
                     {"N", vat}, {"P", price}});
    }
    // The head of a shop order's customer order; 0 when none.
    int head(int orderId)
    {
        return goods->scalar("SELECT MAX(ISN) FROM O_PASPAV WHERE NR_PAVADZ=:N", {{"N", QString::number(orderId)}}).toInt();
    }
    QVariant headValue(int orderId, const QString& column)
    {
        return goods->scalar("SELECT " + column + " FROM O_PASPAV WHERE NR_PAVADZ=:N", {{"N", QString::number(orderId)}});
    }

    void receive()
    {
        if (!web)
            connect();
        report.begin();
        ASSERT_TRUE(web->ReceiveData());
    }

public:
    // SHA-1 of the shop's scheme as Python's hashlib computes it.
    static QString pythonHash(const QString& password, const QString& salt)
    {
        QProcess p;
        p.start("/usr/bin/python3",
                {"-c",
                 "import hashlib,sys\n"
                 "h=lambda b: hashlib.sha1(b).hexdigest().encode()\n"
                 "s=sys.argv[2].encode(); print(h(s+h(s+h(sys.argv[1].strip().encode()))).decode())",
                 password, salt});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
    static QString pythonSalt(const QString& text)
    {
        QProcess p;
        p.start("/usr/bin/python3", {"-c", "import hashlib,sys; print(hashlib.sha1(sys.argv[1].encode()).hexdigest()[:9])", text});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }
};
