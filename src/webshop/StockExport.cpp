#include "StockExport.h"

#include "WebShopConnection.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace {

const QString kSendable = QStringLiteral(
    "(N_PRGRUP.WEB_NESUTIT = 'F' OR N_PRGRUP.WEB_NESUTIT IS NULL) AND (N_KLPREC.WEB_NESUTIT = 'F' OR N_KLPREC.WEB_NESUTIT IS NULL)");

bool progressDue(int i)
{
    return i == 1 || i % 1000 == 0;
}

// A group article as the database compares it: trailing blanks do not count.
QString articleKey(const QString& artikuls7)
{
    qsizetype n = artikuls7.size();
    while (n > 0 && artikuls7.at(n - 1) == QLatin1Char(' '))
        --n;
    return artikuls7.left(n);
}

// The id of a one-column look-up; 0 when it found nothing.
int firstId(SqlQuery& q)
{
    q.open();
    return q.isEmpty() ? 0 : q.value(0).toInt();
}

}  // namespace

StockExport::StockExport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                         const WebShopOptions& options)
    : ctx_(context), shop_(shop), settings_(settings), options_(options)
{
}

bool StockExport::parseDepartments(const QString& text, QList<int>& keys)
{
    // Keys each followed by a separator; a missing last separator does not lose the last key.
    keys.clear();
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    for (const QString& p : parts) {
        bool ok = false;
        const int key = p.toInt(&ok);
        if (!ok)
            return false;
        keys << key;
    }
    return !keys.isEmpty();
}

QString StockExport::departmentList() const
{
    QStringList names;
    for (int i = 0; i < departments_.size(); ++i)
        names << QStringLiteral(":NOD%1").arg(i);
    return names.join(QStringLiteral(", "));
}

void StockExport::bindDepartments(SqlQuery& q) const
{
    for (int i = 0; i < departments_.size(); ++i)
        q.bind(QStringLiteral("NOD%1").arg(i), departments_.at(i));
}

void StockExport::run()
{
    if (!shop_.begin(settings_, ctx_.report))
        return;
    if (!parseDepartments(settings_.E_SHOP_ISNODALA, departments_)) {
        const QString line = QStringLiteral("WWW Nepareizs atlikumu nodaļu saraksts E_SHOP_ISNODALA: '%1', atlikumi nav sūtīti")
                                 .arg(settings_.E_SHOP_ISNODALA);
        ctx_.log.WriteLog(line);
        ctx_.report.fail(line);
        return;
    }
    try {
        productTotals();
        departmentStock();
    } catch (...) {
        // The server may have gone away: the next run connects and tests afresh.
        shop_.drop();
        throw;
    }
}

void StockExport::productTotals()
{
    QSqlDatabase shop = shop_.database();
    FbDatabase& goods = ctx_.dati.PRECES_DB();
    const bool atLeastOne = options_.chkAtlik1UnVairak;
    const bool grouped = options_.chkPrecGrupet7Artikuls;
    const QString deps = departmentList();

    SqlQuery u1(shop, QStringLiteral("UPDATE product_option_value SET quantity=:daudzums, subtract=%1 where product_option_value_id=:ID")
                          .arg(options_.LautAr0Atlik ? 0 : 1));
    if (atLeastOne)
        SqlQuery(shop, QStringLiteral("UPDATE product set quantity=1")).exec();

    QString g1Text = QStringLiteral(
        "SELECT O_TEKATLIK.ISPRECE, N_KLPREC.ARTIKULS7, SUM(O_TEKATLIK.ATLIKUMS) ATLIKUMS, 1 FLAG FROM O_TEKATLIK, N_KLPREC, N_PRGRUP "
        "WHERE O_TEKATLIK.ISPRECE = N_KLPREC.ISN AND N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND ")
        + kSendable + QStringLiteral(" AND O_TEKATLIK.ISNODALA IN (") + deps
        + QStringLiteral(") GROUP BY O_TEKATLIK.ISPRECE, N_KLPREC.ARTIKULS7 ");
    if (atLeastOne)
        g1Text += QStringLiteral(
                      " UNION SELECT N_KLPREC.ISN ISPRECE, N_KLPREC.ARTIKULS7, 1 ATLIKUMS, 2 FLAG FROM N_KLPREC, N_PRGRUP "
                      "WHERE N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND ")
            + kSendable
            + QStringLiteral(" AND NOT EXISTS (SELECT ISPRECE FROM O_TEKATLIK WHERE O_TEKATLIK.ISNODALA IN (") + deps
            + QStringLiteral(") AND O_TEKATLIK.ISPRECE = N_KLPREC.ISN) ");
    g1Text += QStringLiteral(" ORDER BY 1");
    SqlQuery g1(goods, g1Text);
    bindDepartments(g1);
    g1.open();
    const int count = g1.rowCount();

    // The variant attributes (G2) of all goods at once, keyed as G2 selects them: by the
    // group article with grouping, else by the good. One statement instead of one per row;
    // the goods database is only read here, so each row sees what its own G2 would give.
    struct Attribute {
        QVariant grupasId;
        int isPrece = 0;
        QString vertiba;
    };
    QHash<QString, QList<Attribute>> byArticle;
    QHash<int, QList<Attribute>> byGood;
    {
        SqlQuery g2(goods, QStringLiteral(
                               "SELECT O_ATRIBUTI.GRUPAS_ID, O_ATRIBUTI.ISPRECE, O_ATRIBUTI.VERTIBA, O_ATRIBUTI.VERTIBA2, "
                               "O_ATRIBUTI.VERTIBA3, O_ATRIBUTI.VERTIBA4, O_ATRIBUTI.VERTIBA5, N_KLPREC.ARTIKULS7 "
                               "FROM O_ATRIBUTI, N_KLPREC WHERE O_ATRIBUTI.ISPRECE = N_KLPREC.ISN AND O_ATRIBUTI.ATRIBUTS_OPCIJA=1 "
                               "ORDER BY O_ATRIBUTI.ISN"));
        g2.open();
        for (; !g2.eof(); g2.next()) {
            const Attribute a{g2.value(QStringLiteral("GRUPAS_ID")), g2.asInt(QStringLiteral("ISPRECE")),
                              g2.asString(QStringLiteral("VERTIBA"))};
            if (!grouped)
                byGood[a.isPrece] << a;
            else if (!g2.isNull(QStringLiteral("ARTIKULS7")))
                byArticle[articleKey(g2.asString(QStringLiteral("ARTIKULS7")))] << a;
        }
    }
    // The group article is bound, never pasted: a quote in it must not change the statement.
    SqlQuery g3(goods, QStringLiteral(
                           "SELECT SUM(O_TEKATLIK.ATLIKUMS) ATLIKUMS FROM O_TEKATLIK, N_KLPREC, N_PRGRUP "
                           "WHERE N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND O_TEKATLIK.ISPRECE = N_KLPREC.ISN AND ")
                           + kSendable + QStringLiteral(" AND O_TEKATLIK.ISNODALA IN (") + deps
                           + QStringLiteral(") AND N_KLPREC.ARTIKULS7=:ARTIKULS7"));
    SqlQuery g4(goods, QStringLiteral("SELECT SUM(O_TEKATLIK.ATLIKUMS) ATLIKUMS FROM O_TEKATLIK WHERE O_TEKATLIK.ISPRECE = :ISPRECE "
                                      "AND O_TEKATLIK.ISNODALA IN (")
                           + deps + QStringLiteral(") "));
    bindDepartments(g3);
    bindDepartments(g4);
    SqlQuery u3(shop, QStringLiteral("UPDATE product set quantity=:daudzums where product_id=:isprece"));
    SqlQuery s1(shop, QStringLiteral(
                          "SELECT product_option_value.product_option_value_id, product_option_value.option_value_id, "
                          "option_value_description.name FROM product_option_value, product_option, option_value_description "
                          "WHERE product_option_value.product_option_id = product_option.product_option_id AND "
                          "product_option_value.option_value_id = option_value_description.option_value_id AND "
                          "product_option_value.product_id = :ISPRECE AND product_option_value.option_id=:OPTION_ID"));

    // Every good of a group writes the same total; the goods database is only read here.
    QHash<QString, double> groupTotals;
    int i = 1;
    for (g1.first(); !g1.eof(); g1.next(), ++i) {
        if (progressDue(i))
            ctx_.log.WriteLog(QStringLiteral("WWW Preču atlikumi (kopējie) %1/%2").arg(i).arg(count), true);
        const int isPrece = g1.asInt(QStringLiteral("ISPRECE"));
        const QString artikuls7 = g1.asString(QStringLiteral("ARTIKULS7"));
        double quantity = 0;
        if (grouped) {
            auto it = groupTotals.constFind(artikuls7);
            if (it == groupTotals.constEnd()) {
                g3.bind(QStringLiteral("ARTIKULS7"), artikuls7);
                g3.open();
                it = groupTotals.insert(artikuls7, g3.asDouble(QStringLiteral("ATLIKUMS")));
            }
            quantity = it.value();
        } else {
            quantity = g1.asDouble(QStringLiteral("ATLIKUMS"));
        }
        // A product that may show only 1 keeps the 1 it got above.
        const bool keepsOne = atLeastOne && quantity <= 1;
        if (!keepsOne) {
            u3.bind(QStringLiteral("daudzums"), quantity).bind(QStringLiteral("isprece"), isPrece);
            u3.exec();
        }

        const QList<Attribute> attributes = grouped ? byArticle.value(articleKey(artikuls7)) : byGood.value(isPrece);
        for (const Attribute& a : attributes) {
            const QString& vertiba = a.vertiba;
            if (a.grupasId.isNull() || vertiba.isEmpty())
                continue;
            const int variant = a.isPrece;
            s1.bind(QStringLiteral("ISPRECE"), isPrece).bind(QStringLiteral("OPTION_ID"), a.grupasId.toInt());
            s1.open();
            // The option value of this variant: the one the catalogue keyed by the variant
            // good, else the one named by its value; a lone value of the option is taken as
            // it stands. Taking the first value for every variant would pour all variants'
            // stock into one value.
            int valueId = 0;
            int byName = 0;
            for (; !s1.eof(); s1.next()) {
                if (s1.asInt(QStringLiteral("option_value_id")) == variant) {
                    valueId = s1.asInt(QStringLiteral("product_option_value_id"));
                    break;
                }
                if (byName == 0 && s1.asString(QStringLiteral("name")).trimmed() == vertiba.trimmed())
                    byName = s1.asInt(QStringLiteral("product_option_value_id"));
            }
            if (valueId == 0)
                valueId = byName;
            if (valueId == 0 && s1.rowCount() > 0) {
                QSet<int> ids;
                for (s1.first(); !s1.eof(); s1.next())
                    ids.insert(s1.asInt(QStringLiteral("product_option_value_id")));
                if (ids.size() == 1)
                    valueId = *ids.constBegin();
            }
            if (valueId == 0)
                continue;  // the update would touch nothing
            double valueQuantity = 1;
            if (!keepsOne) {
                g4.bind(QStringLiteral("ISPRECE"), variant);
                g4.open();
                valueQuantity = g4.asDouble(QStringLiteral("ATLIKUMS"));
            }
            u1.bind(QStringLiteral("daudzums"), valueQuantity).bind(QStringLiteral("ID"), valueId);
            u1.exec();
        }
    }
    ctx_.log.WriteLog(QStringLiteral("Kopēji atlikumi aizsūtīti"));
}

void StockExport::departmentStock()
{
    if (settings_.E_SHOP_ATLIK_ATRIBUTS.trimmed().isEmpty()) {
        ctx_.log.WriteLog(QStringLiteral("Nav ievadīts atlikuma atribūts, atlikumus pa nodaļām nesūtām"));
        return;
    }
    ctx_.log.WriteLog(QStringLiteral("Sāku atlikumu sūtīīsanu pa nodaļām ..."));
    const int optionId = settings_.E_SHOP_ATLIK_ATRIBUTS.trimmed().toInt();
    QSqlDatabase shop = shop_.database();
    FbDatabase& goods = ctx_.dati.PRECES_DB();
    const QString deps = departmentList();

    SqlQuery l1(shop, QStringLiteral("SELECT language_id from language"));
    l1.open();
    QList<int> languages;
    for (; !l1.eof(); l1.next())
        languages << l1.asInt(QStringLiteral("language_id"));

    SqlQuery g5(goods, QStringLiteral("SELECT N_DEPART.GNOS, N_DEPART.E_SHOP_KODS FROM N_DEPART WHERE N_DEPART.ISN IN (") + deps
                           + QStringLiteral(") AND N_DEPART.E_SHOP_KODS!=0"));
    bindDepartments(g5);
    g5.open();
    SqlQuery o1(shop, QStringLiteral("SELECT option_value_id FROM option_value WHERE option_value_id=:option_value_id AND option_id=:option_id"));
    SqlQuery o2(shop, QStringLiteral("INSERT INTO option_value (option_value_id, option_id, sort_order) values (:option_value_id, :option_id, 1)"));
    SqlQuery o3(shop, QStringLiteral("SELECT option_value_id FROM option_value_description WHERE option_value_id=:option_value_id "
                                     "AND language_id=:language_id AND option_id=:option_id"));
    SqlQuery o4(shop, QStringLiteral("INSERT INTO option_value_description (option_value_id, language_id, option_id, name) "
                                     "values (:option_value_id, :language_id, :option_id, :name)"));
    for (; !g5.eof(); g5.next()) {
        const int kods = g5.asInt(QStringLiteral("E_SHOP_KODS"));
        o1.bind(QStringLiteral("option_value_id"), kods).bind(QStringLiteral("option_id"), optionId);
        if (firstId(o1) == 0) {
            o2.bind(QStringLiteral("option_value_id"), kods).bind(QStringLiteral("option_id"), optionId);
            o2.exec();
        }
        for (int language : languages) {
            o3.bind(QStringLiteral("option_value_id"), kods).bind(QStringLiteral("language_id"), language)
                .bind(QStringLiteral("option_id"), optionId);
            if (firstId(o3) != 0)
                continue;
            try {
                o4.bind(QStringLiteral("option_value_id"), kods).bind(QStringLiteral("language_id"), language)
                    .bind(QStringLiteral("option_id"), optionId).bind(QStringLiteral("name"), g5.asString(QStringLiteral("GNOS")));
                o4.exec();
            } catch (const DbError& e) {
                const QString text = QStringLiteral("Kļūda ievietojot tabulā option_value_description (1) \n ") + e.message();
                ctx_.dialogs.showMessage(text);
                ctx_.report.fail(text);
            }
        }
    }

    SqlQuery g6(goods, QStringLiteral(
                           "SELECT O_TEKATLIK.ISPRECE, N_DEPART.E_SHOP_KODS, SUM(O_TEKATLIK.ATLIKUMS) ATLIKUMS "
                           "FROM O_TEKATLIK, N_DEPART, N_KLPREC, N_PRGRUP WHERE O_TEKATLIK.ISNODALA = N_DEPART.ISN AND "
                           "N_KLPREC.ISPRGRUPA = N_PRGRUP.ISN AND O_TEKATLIK.ISPRECE = N_KLPREC.ISN AND ")
                           + kSendable + QStringLiteral(" AND O_TEKATLIK.ISNODALA IN (") + deps
                           + QStringLiteral(") GROUP BY O_TEKATLIK.ISPRECE, N_DEPART.E_SHOP_KODS "
                                            "ORDER BY O_TEKATLIK.ISPRECE, N_DEPART.E_SHOP_KODS"));
    bindDepartments(g6);
    g6.open();
    const int count = g6.rowCount();

    // Option rows are made only for products the shop has: a good missing there gets nothing.
    QSet<int> products;
    {
        SqlQuery p(shop, QStringLiteral("SELECT product_id FROM product"));
        p.open();
        products.reserve(p.rowCount());
        for (; !p.eof(); p.next())
            products.insert(p.asInt(QStringLiteral("product_id")));
    }

    SqlQuery u1(shop, QStringLiteral("UPDATE product_option_value SET quantity=:daudzums, subtract=%1 where product_option_value_id=:ID")
                          .arg(options_.LautAr0Atlik ? 0 : 1));
    SqlQuery p1(shop, QStringLiteral("SELECT product_option_id FROM product_option WHERE product_id=:ISPRECE AND option_id=:option_id"));
    SqlQuery p2(shop, QStringLiteral("INSERT INTO product_option (product_id, option_id, required) values (:ISPRECE, :option_id, 1)"));
    SqlQuery p3(shop, QStringLiteral("SELECT product_option_value_id FROM product_option_value WHERE product_option_id=:product_option_id "
                                     "AND product_id=:ISPRECE AND option_id=:option_id AND option_value_id=:option_value_id"));
    SqlQuery p4(shop, QStringLiteral("INSERT INTO product_option_value (product_option_id, product_id, option_id, option_value_id) "
                                     "values (:product_option_id, :ISPRECE, :option_id, :option_value_id)"));
    int i = 1;
    for (; !g6.eof(); g6.next(), ++i) {
        if (progressDue(i))
            ctx_.log.WriteLog(QStringLiteral("Preču atlikumi nodaļās %1/%2").arg(i).arg(count), true);
        const int isPrece = g6.asInt(QStringLiteral("ISPRECE"));
        const int kods = g6.asInt(QStringLiteral("E_SHOP_KODS"));
        // A department without a shop code has no option value to carry its stock.
        if (kods == 0 || !products.contains(isPrece))
            continue;
        p1.bind(QStringLiteral("ISPRECE"), isPrece).bind(QStringLiteral("option_id"), optionId);
        int productOptionId = firstId(p1);
        if (productOptionId == 0) {
            p2.bind(QStringLiteral("ISPRECE"), isPrece).bind(QStringLiteral("option_id"), optionId);
            p2.exec();
            productOptionId = firstId(p1);
        }
        p3.bind(QStringLiteral("product_option_id"), productOptionId).bind(QStringLiteral("ISPRECE"), isPrece)
            .bind(QStringLiteral("option_id"), optionId).bind(QStringLiteral("option_value_id"), kods);
        int valueId = firstId(p3);
        if (valueId == 0) {
            p4.bind(QStringLiteral("product_option_id"), productOptionId).bind(QStringLiteral("ISPRECE"), isPrece)
                .bind(QStringLiteral("option_id"), optionId).bind(QStringLiteral("option_value_id"), kods);
            p4.exec();
            valueId = firstId(p3);
        }
        u1.bind(QStringLiteral("daudzums"), g6.asDouble(QStringLiteral("ATLIKUMS"))).bind(QStringLiteral("ID"), valueId);
        u1.exec();
    }
    ctx_.log.WriteLog(QStringLiteral("Atlikumi pa nodaļām iesūtīti"));
}
