#include "CustomerImport.h"

#include "ColumnWidths.h"
#include "WebCustomerIndex.h"
#include "WebShopConnection.h"
#include "WebShopText.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

namespace {

const char* const kCandidates =
    "select firstname, lastname, email, telephone, fax, password, salt, address_id, customer_id, 0 order_id, custom_field "
    "FROM customer union select shipping_firstname, shipping_lastname, email, telephone, fax, '' password, '' salt, "
    "0 address_id, Pasut.customer_id, Pasut.order_id, '' custom_field FROM `order` Pasut "
    "where Pasut.customer_id=0 and Pasut.order_status_id = 1 ORDER BY 1";

const char* const kGuestAddress =
    "SELECT Pasut.firstname, Pasut.lastname, Pasut.shipping_address_1 address_1, Pasut.shipping_address_2 address_2, "
    "Pasut.shipping_company company, Pasut.shipping_postcode postcode, Pasut.shipping_city city, "
    "Pasut.shipping_country_id country_id, Pasut.shipping_zone_id zone_id FROM `order` Pasut WHERE Pasut.order_id = :order_id";

// The addresses of every registered customer at once: one statement instead of one per customer.
const char* const kAddresses =
    "select address.customer_id, address.firstname, address.lastname, address.address_1, address.address_2, "
    "address.company, address.postcode, address.city, address.country_id, address.zone_id from address "
    "ORDER BY address.customer_id, address.address_id";

// RETURNING gives this insert's own key; the generator's current value may already be another
// attachment's.
const char* const kInsertCustomer =
    "INSERT INTO N_KLIENT (ISKLGRUPA, GNOS, PIRCEJS, E_KLIENTS, TELEFONS, FAKSS, PINKODS, ADRESE, ADRESE2, KONTS, "
    "ISBANKA, PASTINDEKS, VALSTS, VALSTS_KODS, PILSETA, SPECPVNLIKME, SUBSCRIBE_MAIL, IDKODS, WWW_CUSTOM_FIELD, REGNR) "
    "VALUES (1, :GNOS, 'T', 'T', :TELEFONS, :FAX, :PINKODS, :ADRESE, :ADRESE2, :KONTS, :ISBANKA, :PASTINDEKS, :VALSTS, "
    ":VALSTS_KODS, :PILSETA, -1, :E_MAIL, :IDKODS, :WWW_CUSTOM_FIELD, :REGNR) RETURNING ISN";

const char* const kInsertBranch =
    "INSERT INTO N_KL_STRV (ISKLIENT, GNOS, ADRESE, ATBILDPERSONA1, TELEFONS1, FAX1, E_MAIL1, WEB_FIRSTNAME, "
    "WEB_LASTNAME, WEB_ZONE_ID, ISNODALA_WWW) VALUES (:ISKLIENT, :GNOS, :ADRESE, :ATBILDPERSONA1, :TELEFONS1, :FAX1, "
    ":E_MAIL1, :WEB_FIRSTNAME, :WEB_LASTNAME, :ZONE_ID, :ISNODALA_WWW) RETURNING ISN";

CustomerImport::Address readAddress(const SqlQuery& q)
{
    CustomerImport::Address a;
    a.firstName = q.asString(QStringLiteral("firstname")).trimmed();
    a.lastName = q.asString(QStringLiteral("lastname")).trimmed();
    a.street = q.asString(QStringLiteral("address_1"));
    a.street2 = q.asString(QStringLiteral("address_2"));
    a.company = q.asString(QStringLiteral("company"));
    a.postcode = q.asString(QStringLiteral("postcode"));
    a.city = q.asString(QStringLiteral("city"));
    a.countryId = q.asInt(QStringLiteral("country_id"));
    a.zoneId = q.asInt(QStringLiteral("zone_id"));
    return a;
}

}  // namespace

CustomerImport::CustomerImport(ExchangeContext& context, WebShopConnection& shop, const ShopSettings& settings,
                               WebCustomerIndex& index)
    : ctx_(context), shop_(shop), settings_(settings), index_(index)
{
}

CustomerImport::~CustomerImport() = default;

void CustomerImport::failed(const QString& prefix, const QString& error)
{
    const QString line = prefix + error;
    ctx_.log.WriteLog(line);
    ctx_.report.fail(line);
}

bool CustomerImport::run()
{
    if (!shop_.begin(settings_, ctx_.report))
        return false;
    ctx_.log.WriteLog(QStringLiteral("WWW OC2 Klientu saņemšana ..."));
    QSqlDatabase shop = shop_.database();
    FbDatabase& goods = ctx_.dati.PRECES_DB();
    // The order import finds its customers here, also when this import stops early.
    index_.load(goods);

    QList<Candidate> candidates;
    {
        SqlQuery q(shop, QLatin1String(kCandidates));
        q.open();
        for (; !q.eof(); q.next()) {
            Candidate c;
            c.firstName = q.asString(QStringLiteral("firstname")).trimmed();
            c.lastName = q.asString(QStringLiteral("lastname")).trimmed();
            c.email = q.asString(QStringLiteral("email"));
            c.telephone = q.asString(QStringLiteral("telephone"));
            c.fax = q.asString(QStringLiteral("fax"));
            c.password = q.asString(QStringLiteral("password"));
            c.salt = q.asString(QStringLiteral("salt"));
            c.addressId = q.asInt(QStringLiteral("address_id"));
            c.customerId = q.asInt(QStringLiteral("customer_id"));
            c.orderId = q.asInt(QStringLiteral("order_id"));
            c.customField = q.asString(QStringLiteral("custom_field"));
            candidates << c;
        }
    }
    addresses_.clear();
    try {
        SqlQuery q(shop, QLatin1String(kAddresses));
        q.open();
        for (; !q.eof(); q.next())
            addresses_[q.asInt(QStringLiteral("customer_id"))] << readAddress(q);
    } catch (const std::exception& e) {
        // Without the addresses no customer can be made right.
        failed(QStringLiteral("Klientu saņemšana-Kļūda 1 "), errorText(e));
        return true;
    }

    const ColumnWidths klient(goods, QStringLiteral("N_KLIENT"));
    const ColumnWidths strv(goods, QStringLiteral("N_KL_STRV"));
    ZoneDepartments zones;
    zones.load(goods);
    klient_ = &klient;
    strv_ = &strv;
    zones_ = &zones;

    int created = 0;
    for (const Candidate& c : candidates) {
        // An empty e-mail would match every other one without an e-mail.
        const QString email = klient.fit(QStringLiteral("SUBSCRIBE_MAIL"), c.email.trimmed());
        if (email.isEmpty()) {
            ctx_.log.WriteLog(QStringLiteral("Klientu saņemšana: klients bez e-pasta netiek ievests (customer_id=%1, order_id=%2)")
                                  .arg(c.customerId).arg(c.orderId));
            continue;
        }
        QList<Address> addresses;
        if (!readAddresses(c, addresses))
            continue;
        int isKlient = index_.customerOf(email);
        if (isKlient == 0) {
            Address first;
            if (addresses.isEmpty()) {
                first.firstName = c.firstName;
                first.lastName = c.lastName;
            }
            try {
                isKlient = insertCustomer(c, addresses.isEmpty() ? first : addresses.first());
            } catch (const std::exception& e) {
                failed(QStringLiteral("Klientu saņemšana-Kļūda 2 "), errorText(e));
                continue;
            }
            index_.addCustomer(email, isKlient);
            ++created;
        }
        for (const Address& a : addresses) {
            try {
                insertBranch(c, isKlient, a);
            } catch (const std::exception& e) {
                failed(QStringLiteral("Klientu saņemšana-Kļūda 3 "), errorText(e));
            }
        }
    }
    ctx_.dati.CommitRetaining();
    ctx_.report.moved(created);
    ctx_.log.WriteLog(QStringLiteral("WWW OC2 Klienti saņemti "));
    klient_ = strv_ = nullptr;
    zones_ = nullptr;
    return true;
}

bool CustomerImport::readAddresses(const Candidate& c, QList<Address>& out)
{
    if (c.customerId != 0) {
        out = addresses_.value(c.customerId);
        return true;
    }
    try {
        if (!guestAddress_)
            guestAddress_ = std::make_unique<SqlQuery>(shop_.database(), QLatin1String(kGuestAddress));
        SqlQuery& q = *guestAddress_;
        q.bind(QStringLiteral("order_id"), c.orderId);
        q.open();
        for (; !q.eof(); q.next())
            out << readAddress(q);
        return true;
    } catch (const std::exception& e) {
        failed(QStringLiteral("Klientu saņemšana-Kļūda 1 "), errorText(e));
        return false;
    }
}

const CustomerImport::Country& CustomerImport::country(int countryId)
{
    auto it = countries_.constFind(countryId);
    if (it != countries_.constEnd())
        return it.value();
    Country found;
    QSqlDatabase shop = shop_.database();
    if (countryId > 0) {
        SqlQuery q(shop, QStringLiteral("SELECT country.name, country.iso_code_2 FROM country WHERE country_id=:country_id"));
        q.bind(QStringLiteral("country_id"), countryId);
        q.open();
        found = {q.asString(QStringLiteral("name")), q.asString(QStringLiteral("iso_code_2"))};
    }
    // No country, or one the shop does not know: the shop's home country.
    if (found.name.isEmpty() && found.isoCode2.isEmpty()) {
        SqlQuery q(shop, QStringLiteral("SELECT country.name, country.iso_code_2 FROM country WHERE iso_code_2='LV'"));
        q.open();
        found = {q.asString(QStringLiteral("name")), q.asString(QStringLiteral("iso_code_2"))};
    }
    return countries_.insert(countryId, found).value();
}

QString CustomerImport::customerName(const Candidate& c, const Address& a) const
{
    QString name = a.company.trimmed();
    if (name.isEmpty())
        name = (a.lastName + QLatin1Char(' ') + a.firstName).trimmed();
    if (name.isEmpty())
        name = QStringLiteral("Bez nosaukuma %1").arg(c.customerId);
    return name;
}

int CustomerImport::insertCustomer(const Candidate& c, const Address& a)
{
    const ColumnWidths& w = *klient_;
    FbDatabase& goods = ctx_.dati.PRECES_DB();
    const QString gnos = w.fit(QStringLiteral("GNOS"), customerName(c, a), 60);
    const Country& land = country(a.countryId);

    SqlQuery bank(goods, QStringLiteral("SELECT ISN FROM N_BANKA WHERE GNOS=:GNOS"));
    bank.bind(QStringLiteral("GNOS"), gnos);
    bank.open();

    const QString pinkods = c.salt.isEmpty() ? c.password : c.password + QLatin1Char(':') + c.salt;
    SqlQuery q(goods, QLatin1String(kInsertCustomer));
    q.bind(QStringLiteral("GNOS"), gnos)
        .bind(QStringLiteral("TELEFONS"), w.fit(QStringLiteral("TELEFONS"), c.telephone, 30))
        .bind(QStringLiteral("FAX"), w.fit(QStringLiteral("FAKSS"), c.fax))
        .bind(QStringLiteral("PINKODS"), w.fit(QStringLiteral("PINKODS"), pinkods))
        .bind(QStringLiteral("ADRESE"), w.fit(QStringLiteral("ADRESE"), a.street, 60))
        .bind(QStringLiteral("ADRESE2"), w.fit(QStringLiteral("ADRESE2"), a.street2, 60))
        .bind(QStringLiteral("KONTS"), QString(QLatin1String("")))
        .bind(QStringLiteral("ISBANKA"), bank.asInt(QStringLiteral("ISN")))
        .bind(QStringLiteral("PASTINDEKS"), w.fit(QStringLiteral("PASTINDEKS"), a.postcode, 10))
        .bind(QStringLiteral("VALSTS"), w.fit(QStringLiteral("VALSTS"), land.name, 40))
        .bind(QStringLiteral("VALSTS_KODS"), w.fit(QStringLiteral("VALSTS_KODS"), land.isoCode2, 40))
        .bind(QStringLiteral("PILSETA"), w.fit(QStringLiteral("PILSETA"), a.city))
        .bind(QStringLiteral("E_MAIL"), w.fit(QStringLiteral("SUBSCRIBE_MAIL"), c.email.trimmed()))
        .bind(QStringLiteral("IDKODS"), w.fit(QStringLiteral("IDKODS"), QString::number(c.customerId)))
        .bind(QStringLiteral("WWW_CUSTOM_FIELD"), w.fit(QStringLiteral("WWW_CUSTOM_FIELD"), c.customField))
        .bind(QStringLiteral("REGNR"), w.fit(QStringLiteral("REGNR"), WebShopText::regNr(c.customField), 15));
    q.open();
    const int isn = q.asInt(QStringLiteral("ISN"));
    SqlQuery confirm(goods, QStringLiteral("SELECT ISN FROM N_KLIENT WHERE ISN=:ISN"));
    confirm.bind(QStringLiteral("ISN"), isn);
    confirm.open();
    if (isn <= 0 || confirm.isEmpty())
        throw DbError(QStringLiteral("N_KLIENT ISN=%1 nav atrasts pēc ievietošanas").arg(isn));
    return isn;
}

void CustomerImport::insertBranch(const Candidate& c, int isKlient, const Address& a)
{
    const ColumnWidths& w = *strv_;
    const QString email = w.fit(QStringLiteral("E_MAIL1"), c.email.trimmed());
    const QString first = w.fit(QStringLiteral("WEB_FIRSTNAME"), a.firstName);
    const QString last = w.fit(QStringLiteral("WEB_LASTNAME"), a.lastName);
    const QString adrese = w.fit(QStringLiteral("ADRESE"),
                                 WebShopText::addressText(a.street, a.city, a.postcode, country(a.countryId).name));
    if (index_.hasBranch(isKlient, email, first, last, adrese))
        return;
    const int department = zones_->departmentOf(a.zoneId);
    SqlQuery q(ctx_.dati.PRECES_DB(), QLatin1String(kInsertBranch));
    q.bind(QStringLiteral("ISKLIENT"), isKlient)
        .bind(QStringLiteral("GNOS"), w.fit(QStringLiteral("GNOS"), customerName(c, a), 60))
        .bind(QStringLiteral("ADRESE"), adrese)
        .bind(QStringLiteral("ATBILDPERSONA1"), w.fit(QStringLiteral("ATBILDPERSONA1"), (a.lastName + QLatin1Char(' ') + a.firstName).trimmed()))
        .bind(QStringLiteral("TELEFONS1"), w.fit(QStringLiteral("TELEFONS1"), c.telephone))
        .bind(QStringLiteral("FAX1"), w.fit(QStringLiteral("FAX1"), c.fax))
        .bind(QStringLiteral("E_MAIL1"), email)
        .bind(QStringLiteral("WEB_FIRSTNAME"), first)
        .bind(QStringLiteral("WEB_LASTNAME"), last)
        .bind(QStringLiteral("ZONE_ID"), a.zoneId)
        .bind(QStringLiteral("ISNODALA_WWW"), department);
    q.open();
    index_.addBranch(email, {q.asInt(QStringLiteral("ISN")), isKlient, department, adrese, first, last});
}
