#include "CustomerExport.h"

#include "ColumnWidths.h"
#include "CustomerImport.h"
#include "ShopPassword.h"
#include "WebCustomerIndex.h"
#include "WebShopConnection.h"
#include "WebShopText.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

namespace {

const char* const kCustomers =
    "SELECT N_KLIENT.ISN, N_KLIENT.GNOS, N_KLIENT.ATLAIDE, N_KLIENT.MAXPARADS, N_KLIENT.PVNKODS, N_KLIENT.REGNR, "
    "N_KLIENT.ADRESELIST, N_KLIENT.ATLGRUPA, N_KLIENT.CENUGRUPA, N_KLIENT.PINKODS, N_KLIENT.ADRESE, N_KLIENT.ADRESE2, "
    "N_KLIENT.TELEFONS, N_KLIENT.FAKSS, N_KLIENT.ISBANKA, N_KLIENT.KONTS, N_KLIENT.maxkavetdienas, N_KLIENT.PASTINDEKS, "
    "N_KLIENT.PILSETA, N_KLIENT.VALSTS, N_KLIENT.VALSTS_KODS, N_KLIENT.WWW_CUSTOM_FIELD FROM N_KLIENT "
    "WHERE N_KLIENT.PIRCEJS = 'T' AND N_KLIENT.E_KLIENTS = 'T' AND N_KLIENT.ISN IN "
    "(SELECT N_KL_STRV.ISKLIENT FROM N_KL_STRV WHERE N_KL_STRV.ISKLIENT=N_KLIENT.ISN) ORDER BY N_KLIENT.ISN";

const char* const kBranches =
    "SELECT GNOS, WEB_FIRSTNAME, WEB_LASTNAME, ADRESE, ATBILDPERSONA1, TELEFONS1, FAX1, E_MAIL1, WEB_ZONE_ID "
    "FROM N_KL_STRV WHERE ISKLIENT=:ISKLIENT ORDER BY ISN";

QString text(const SqlQuery& q, const char* field)
{
    return q.asString(QLatin1String(field)).trimmed();
}

}  // namespace

struct CustomerExport::Statements {
    Statements(const QSqlDatabase& db, bool approved)
        : maxCustomer(db, QStringLiteral("SELECT MAX(customer_id) MAX_VALUE FROM customer")),
          maxAddress(db, QStringLiteral("SELECT MAX(address_id) MAX_VALUE FROM address")),
          country(db, QStringLiteral("SELECT country_id FROM country WHERE iso_code_2=:iso_code_2")),
          customer(db, QStringLiteral(
              "INSERT INTO customer (customer_id, firstname, lastname, email, address_id, telephone, fax, password, salt, "
              "customer_group_id, status, %1cart, custom_field, ip, safe, token, date_added) VALUES (:id, :firstname, "
              ":lastname, :email_adress, :address_id, :telephone, :fax, :pasword, :salt, :customer_group_id, 1, %2'', "
              ":custom_field, ' ', 1, ' ', :date_added)")
                           .arg(approved ? QStringLiteral("approved, ") : QString(), approved ? QStringLiteral("1, ") : QString())),
          address(db, QStringLiteral(
              "INSERT INTO address (address_id, customer_id, firstname, lastname, address_1, address_2, company, postcode, "
              "city, country_id, zone_id) VALUES (:id, :isklient, :firstname, :lastname, :street, :street2, :company, "
              ":postcode, :city, :country_id, :zone_id)")),
          group(db, QStringLiteral("SELECT customer_group_id FROM customer_group WHERE customer_group_id=:id")),
          groupInsert(db, QStringLiteral("INSERT INTO customer_group (customer_group_id, approval, sort_order) VALUES (:id, 0, 1)")),
          description(db, QStringLiteral("INSERT INTO customer_group_description (customer_group_id, language_id, name) "
                                         "VALUES (:id, :language_id, :name)"))
    {
    }
    SqlQuery maxCustomer, maxAddress, country, customer, address, group, groupInsert, description;
};

CustomerExport::CustomerExport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings)
    : ctx_(context), shop_(shop), settings_(settings)
{
}

CustomerExport::~CustomerExport() = default;

QPair<QString, QString> CustomerExport::namesFromGnos(const QString& gnos)
{
    const QString name = gnos.trimmed();
    const int blank = name.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return {name, QString()};
    return {name.left(blank), name.mid(blank + 1).trimmed()};
}

void CustomerExport::run()
{
    if (!shop_.begin(settings_, ctx_.report))
        return;
    {
        WebCustomerIndex index;
        CustomerImport(ctx_, shop_, settings_, index).run();
    }
    QSqlDatabase shop = shop_.database();
    FbDatabase& goods = ctx_.dati.PRECES_DB();

    shopEmails_.clear();
    {
        SqlQuery q(shop, QStringLiteral("SELECT email FROM customer"));
        q.open();
        for (; !q.eof(); q.next())
            shopEmails_.insert(WebShopText::emailKey(q.asString(QStringLiteral("email"))));
    }
    languages_.clear();
    {
        SqlQuery q(shop, QStringLiteral("SELECT language_id from language"));
        q.open();
        for (; !q.eof(); q.next())
            languages_ << q.asInt(QStringLiteral("language_id"));
    }
    {
        // OpenCart 2 has customer.approved, OpenCart 3 has not.
        SqlQuery q(shop, QStringLiteral("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() "
                                        "AND TABLE_NAME = 'customer' AND COLUMN_NAME = 'approved'"));
        q.open();
        hasApproved_ = q.value(0).toInt() > 0;
    }
    q_ = std::make_unique<Statements>(shop, hasApproved_);

    SqlQuery customers(goods, QLatin1String(kCustomers));
    customers.open();
    const int count = customers.rowCount();
    SqlQuery branchQuery(goods, QLatin1String(kBranches));
    int i = 1;
    for (customers.first(); !customers.eof(); customers.next(), ++i) {
        if (i == 1 || i % 1000 == 0)
            ctx_.log.WriteLog(QStringLiteral("WWW Klienti %1/%2").arg(i).arg(count), true);
        branchQuery.bind(QStringLiteral("ISKLIENT"), customers.asInt(QStringLiteral("ISN")));
        branchQuery.open();
        QList<Branch> branches;
        for (; !branchQuery.eof(); branchQuery.next())
            branches << Branch{text(branchQuery, "GNOS"), text(branchQuery, "WEB_FIRSTNAME"), text(branchQuery, "WEB_LASTNAME"),
                               text(branchQuery, "ADRESE"), text(branchQuery, "ATBILDPERSONA1"),
                               text(branchQuery, "TELEFONS1"), text(branchQuery, "FAX1"), text(branchQuery, "E_MAIL1"),
                               branchQuery.asInt(QStringLiteral("WEB_ZONE_ID"))};
        if (!branches.isEmpty())
            exportCustomer(customers, branches);
    }
    ctx_.dati.CommitRetaining();
}

int CustomerExport::nextId(SqlQuery& q, int atLeast)
{
    q.open();
    return qMax(q.asInt(QStringLiteral("MAX_VALUE")) + 1, atLeast);
}

bool CustomerExport::insertOrReport(SqlQuery& q, const QString& table)
{
    try {
        q.exec();
        return true;
    } catch (const DbError& e) {
        const QString message = QStringLiteral("Kļūda ievietojot tabulā %1 (1) \n ").arg(table) + e.message();
        ctx_.dialogs.showMessage(message);
        ctx_.report.fail(message);
        return false;
    }
}

void CustomerExport::exportCustomer(const SqlQuery& k, const QList<Branch>& branches)
{
    const QString email = ColumnWidths::cut(branches.first().email, 96);
    // Without an e-mail nobody can log in, and it would match every other customer without one.
    if (email.isEmpty() || shopEmails_.contains(WebShopText::emailKey(email)))
        return;
    const int isKlient = k.asInt(QStringLiteral("ISN"));
    const QString gnos = text(k, "GNOS");
    const int id = nextId(q_->maxCustomer, 2);
    int addressId = nextId(q_->maxAddress, 1);

    // The stored hash and salt, or a plain password hashed now and stored back; a customer
    // without one gets a password nobody knows rather than the empty one.
    const QString pinkods = k.asString(QStringLiteral("PINKODS")).trimmed();
    QString password, salt, storeBack;
    const int colon = pinkods.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        password = pinkods.left(colon);
        salt = pinkods.mid(colon + 1);
    } else {
        salt = ShopPassword::salt(ctx_.clock.now());
        password = ShopPassword::hash(pinkods.isEmpty() ? ShopPassword::randomPassword() : pinkods, salt);
        storeBack = password + QLatin1Char(':') + salt;
    }

    auto names = [&gnos](const Branch& b) {
        if (!b.firstName.isEmpty() || !b.lastName.isEmpty())
            return QPair<QString, QString>{b.lastName, b.firstName};
        return namesFromGnos(gnos);
    };
    const Branch& first = branches.first();
    const QPair<QString, QString> firstNames = names(first);
    const QString telephone = text(k, "TELEFONS").isEmpty() ? first.telephone : text(k, "TELEFONS");
    const QString fax = text(k, "FAKSS").isEmpty() ? first.fax : text(k, "FAKSS");

    SqlQuery& customer = q_->customer;
    customer.bind(QStringLiteral("id"), id)
        .bind(QStringLiteral("firstname"), ColumnWidths::cut(firstNames.second, 32))
        .bind(QStringLiteral("lastname"), ColumnWidths::cut(firstNames.first, 32))
        .bind(QStringLiteral("email_adress"), email)
        .bind(QStringLiteral("address_id"), addressId)
        .bind(QStringLiteral("telephone"), ColumnWidths::cut(telephone, 32))
        .bind(QStringLiteral("fax"), ColumnWidths::cut(fax, 32))
        .bind(QStringLiteral("pasword"), password)
        .bind(QStringLiteral("salt"), salt)
        .bind(QStringLiteral("customer_group_id"), id)
        .bind(QStringLiteral("custom_field"), k.asString(QStringLiteral("WWW_CUSTOM_FIELD")))
        .bind(QStringLiteral("date_added"), ctx_.clock.now().date().toString(QStringLiteral("yyyy-MM-dd")));
    if (!insertOrReport(customer, QStringLiteral("customer")))
        return;
    shopEmails_.insert(WebShopText::emailKey(email));
    ctx_.report.moved(1);
    if (!storeBack.isEmpty()) {
        SqlQuery update(ctx_.dati.PRECES_DB(), QStringLiteral("UPDATE N_KLIENT SET PINKODS=:PINKODS WHERE ISN=:ISN"));
        update.bind(QStringLiteral("PINKODS"), storeBack).bind(QStringLiteral("ISN"), isKlient);
        update.exec();
    }

    // One address per branch, each with its own id; the first is the customer's.
    SqlQuery& country = q_->country;
    country.bind(QStringLiteral("iso_code_2"), text(k, "VALSTS_KODS"));
    country.open();
    const int countryId = country.asInt(QStringLiteral("country_id"));
    SqlQuery& address = q_->address;
    for (int b = 0; b < branches.size(); ++b) {
        const Branch& branch = branches.at(b);
        if (b > 0)
            addressId = nextId(q_->maxAddress, 1);
        const QPair<QString, QString> n = names(branch);
        address.bind(QStringLiteral("id"), addressId)
            .bind(QStringLiteral("isklient"), id)
            .bind(QStringLiteral("firstname"), ColumnWidths::cut(n.second, 32))
            .bind(QStringLiteral("lastname"), ColumnWidths::cut(n.first, 32))
            .bind(QStringLiteral("street"), ColumnWidths::cut(branch.adrese, 128))
            .bind(QStringLiteral("street2"), ColumnWidths::cut(b == 0 ? text(k, "ADRESE2") : QString(QLatin1String("")), 128))
            .bind(QStringLiteral("company"), ColumnWidths::cut(gnos, 40))
            .bind(QStringLiteral("postcode"), ColumnWidths::cut(text(k, "PASTINDEKS"), 10))
            .bind(QStringLiteral("city"), ColumnWidths::cut(text(k, "PILSETA"), 128))
            .bind(QStringLiteral("country_id"), countryId)
            .bind(QStringLiteral("zone_id"), branch.zoneId);
        insertOrReport(address, QStringLiteral("address"));
    }

    SqlQuery& group = q_->group;
    group.bind(QStringLiteral("id"), id);
    group.open();
    if (!group.isEmpty())
        return;
    SqlQuery& groupInsert = q_->groupInsert;
    groupInsert.bind(QStringLiteral("id"), id);
    if (!insertOrReport(groupInsert, QStringLiteral("customer_group")))
        return;
    SqlQuery& description = q_->description;
    for (int language : languages_) {
        description.bind(QStringLiteral("id"), id)
            .bind(QStringLiteral("language_id"), language)
            .bind(QStringLiteral("name"), ColumnWidths::cut(gnos, 32));
        insertOrReport(description, QStringLiteral("customer_group_description"));
    }
}
