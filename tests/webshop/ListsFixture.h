#pragma once

#include "WebShopFixture.h"

// Special prices and customer balances: the lists and balances entries on a real goods
// database and shop, with rows written as "COLUMN=value, ..." lists.
class ListsFixture : public WebShopFixture {
protected:
    void SetUp() override
    {
        WebShopFixture::SetUp();
        options({{"ExpTips", 2}, {"chkSpecCenas", "true"}});
        group(2);
        group(3, "T");
        goods->exec("INSERT INTO N_DEPART (ISN, GNOS, E_SHOP_KODS, CENKODS) VALUES (5, 'Interneta veikals', 0, 1)");
    }

    // INSERT from "A=1, B='x'" (values hold no ", "); a column named again takes the later value.
    void row(const QString& table, const QString& assignments)
    {
        QStringList columns, values;
        for (const QString& a : assignments.split(", ")) {
            const QString column = a.section('=', 0, 0).trimmed();
            qsizetype at = columns.indexOf(column);
            if (at < 0) {
                at = columns.size();
                columns << column;
                values << QString();
            }
            values[at] = a.section('=', 1);
        }
        goods->exec("INSERT INTO " + table + " (" + columns.join(", ") + ") VALUES (" + values.join(", ") + ")");
    }
    void priced(int isn, const QString& assignments = {}, int grp = 2)
    {
        good(isn, grp);
        if (!assignments.isEmpty())
            goods->exec(QString("UPDATE N_KLPREC SET %1 WHERE ISN=%2").arg(assignments).arg(isn));
    }
    // A web customer with a branch carrying the e-mail (none when email is null).
    void webCustomer(int isn, const QVariant& webId, const QString& email, const QString& more = {})
    {
        row("N_KLIENT", QString("ISN=%1, GNOS='Klients %1', E_KLIENTS='T', PIRCEJS='T', WEB_ID=%2%3")
                            .arg(isn).arg(webId.isNull() ? "NULL" : webId.toString(), more.isEmpty() ? "" : ", " + more));
        if (!email.isNull())
            goods->exec("INSERT INTO N_KL_STRV (ISKLIENT, GNOS, E_MAIL1) VALUES (:K, 'Filiāle', :E)", {{"K", isn}, {"E", email}});
    }
    void shopCustomer(int id, int groupId, const QString& email)
    {
        shop->insert("customer", {{"customer_id", id}, {"customer_group_id", groupId}, {"email", email}, {"status", 1}});
    }
    // The shop's rows as "product group price start end priority", in id order.
    QStringList specials(const QString& where = "1=1")
    {
        return shop
            ->scalar("SELECT GROUP_CONCAT(CONCAT_WS(' ', product_id, customer_group_id, CAST(price AS DOUBLE), date_start, "
                     "date_end, priority) ORDER BY product_special_id SEPARATOR '|') FROM product_special WHERE "
                     + where)
            .toString()
            .split('|', Qt::SkipEmptyParts);
    }
    void run(bool (WebShopExchange::*entry)())
    {
        if (!web)
            connect();
        ASSERT_TRUE((web.get()->*entry)());
    }
};
