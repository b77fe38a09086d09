#include "EquinoxSendPartners.h"

#include "EquinoxXmlFile.h"

#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"
#include "platform/Log.h"
#include "platform/RunReport.h"

namespace {

const char* const kStoresSql =
    "SELECT N_DEPART.ISN FROM N_DEPART WHERE (N_DEPART.FLAG_3D IS NULL OR N_DEPART.FLAG_3D='F') AND "
    "(N_DEPART.BAZE_FLAG IS NULL OR N_DEPART.BAZE_FLAG='F') ORDER BY N_DEPART.BAZE_FLAG DESCENDING, "
    "N_DEPART.E_SHOP_KODS, N_DEPART.ISN";
const char* const kWarehousesSql =
    "SELECT N_DEPART.ISN FROM N_DEPART WHERE (N_DEPART.FLAG_3D IS NULL OR N_DEPART.FLAG_3D='F') AND "
    "N_DEPART.BAZE_FLAG='T' ORDER BY N_DEPART.BAZE_FLAG DESCENDING, N_DEPART.ISN";
const char* const kCustomersSql =
    "SELECT N_KLIENT.ISN FROM N_KLIENT, N_BANKA WHERE N_KLIENT.ISBANKA = N_BANKA.ISN AND "
    "(N_KLIENT.E_KLIENTS IS NULL OR N_KLIENT.E_KLIENTS='F')";
const char* const kDepartmentSql =
    "SELECT N_DEPART.ISN, 'F' PIRCEJS, 'F' PIEGADAT, N_DEPART.GNOS, '' REGNR, '' PVNKODS, '' VALSTS_KODS, "
    "'' PILSETA, '' PASTINDEKS, N_DEPART.TIRDZNADR ADRESE, N_DEPART.BAZE_FLAG, N_DEPART.LICENCE, "
    "N_DEPART.E_SHOP_KODS FROM N_DEPART WHERE (N_DEPART.FLAG_3D IS NULL OR N_DEPART.FLAG_3D='F') AND "
    "N_DEPART.ISN=:ISN";
const char* const kCustomerSql =
    "SELECT N_KLIENT.ISN, N_KLIENT.PIRCEJS, N_KLIENT.PIEGADAT, N_KLIENT.GNOS, N_KLIENT.REGNR, N_KLIENT.PVNKODS, "
    "N_KLIENT.VALSTS_KODS, N_KLIENT.PILSETA, N_KLIENT.PASTINDEKS, N_KLIENT.ADRESE, (SELECT N_LICENC.GNOS FROM "
    "N_LICENC WHERE N_LICENC.ISN=N_KLIENT.ISLICENC) LICENCE, ' ' E_SHOP_KODS FROM N_KLIENT WHERE N_KLIENT.ISN=:ISN";

QString flag(const SqlQuery& row, const char* column)
{
    return row.asString(QLatin1String(column)).trimmed();
}

}  // namespace

EquinoxSendPartners::EquinoxSendPartners(ExchangeContext& context, EquinoxLogin login)
    : context_(context), connection_(context, std::move(login))
{
}

QString EquinoxSendPartners::licenceNumber(const QString& licence, const QString& kind)
{
    const int from = licence.indexOf(kind);
    if (from < 0)
        return {};
    const int comma = licence.indexOf(QLatin1Char(','), from);
    return licence.mid(from, comma < 0 ? -1 : comma - from).trimmed();
}

void EquinoxSendPartners::writePartner(EquinoxXmlFile& f, const SqlQuery& row, bool department)
{
    using D = EquinoxXmlFile;
    const QString key = row.asString(QStringLiteral("ISN"));
    f.begin(D::Entity, "partner");
    f.field(D::Field, "partner_code", department ? QStringLiteral("ERP_") + key : key);
    QString type;
    if (department)
        type = flag(row, "BAZE_FLAG") == QLatin1String("T") ? QStringLiteral("ERP") : QStringLiteral("STORE");
    else
        type = flag(row, "PIRCEJS") == QLatin1String("T") ? QStringLiteral("CUSTOMER") : QStringLiteral("SUPPLIER");
    f.field(D::Field, "type", type);
    f.text(D::Field, "name", row.asString(QStringLiteral("GNOS")));
    f.text(D::Field, "registration_code", row.asString(QStringLiteral("REGNR")));
    f.text(D::Field, "vat_code", row.asString(QStringLiteral("PVNKODS")));
    const QString licence = row.asString(QStringLiteral("LICENCE"));
    const QString alcohol = licenceNumber(licence, QStringLiteral("Alkohola"));
    if (!alcohol.isEmpty())
        f.text(D::Field, "alc_lic_no", alcohol);
    const QString tobacco = licenceNumber(licence, QStringLiteral("Tabakas"));
    if (!tobacco.isEmpty())
        f.text(D::Field, "tab_lic_no", tobacco);
    f.begin(D::Field, "addresses");
    f.begin(D::Item, "address_data");
    f.field(D::ItemField, "address_type_id", QStringLiteral("POSTAL"));
    const QString country = row.asString(QStringLiteral("VALSTS_KODS"));
    if (country.trimmed().isEmpty())
        f.field(D::ItemField, "country_code", QStringLiteral("LVA"));
    else
        f.text(D::ItemField, "country_code", country);
    f.text(D::ItemField, "city", row.asString(QStringLiteral("PILSETA")));
    f.text(D::ItemField, "post_code", row.asString(QStringLiteral("PASTINDEKS")));
    f.text(D::ItemField, "street", row.asString(QStringLiteral("ADRESE")));
    // A customer's select gives a blank here, which the driver may pad further.
    f.text(D::ItemField, "ud_field_0", row.asString(QStringLiteral("E_SHOP_KODS")).trimmed());
    f.end(D::Item, "address_data");
    f.end(D::Field, "addresses");
    f.end(D::Entity, "partner");
}

QByteArray EquinoxSendPartners::departments(const char* listSql)
{
    EquinoxXmlFile file(connection_.xmlNamespace(), "partners");
    SqlQuery list(context_.dati.PRECES_DB(), QLatin1String(listSql));
    list.open();
    SqlQuery data(context_.dati.PRECES_DB(), QLatin1String(kDepartmentSql));
    for (; !list.eof(); list.next()) {
        data.bind(QStringLiteral("ISN"), list.asInt(QStringLiteral("ISN")));
        data.open();
        if (!data.isEmpty())
            writePartner(file, data, true);
    }
    context_.report.moved(file.entities());
    return file.close();
}

QByteArray EquinoxSendPartners::customers()
{
    EquinoxXmlFile file(connection_.xmlNamespace(), "partners");
    SqlQuery list(context_.dati.PRECES_DB(), QLatin1String(kCustomersSql));
    list.open();
    SqlQuery data(context_.dati.PRECES_DB(), QLatin1String(kCustomerSql));
    for (; !list.eof(); list.next()) {
        data.bind(QStringLiteral("ISN"), list.asInt(QStringLiteral("ISN")));
        data.open();
        if (!data.isEmpty())
            writePartner(file, data, false);
    }
    context_.report.moved(file.entities());
    return file.close();
}

bool EquinoxSendPartners::run()
{
    if (!connection_.check())
        return false;
    Log& log = context_.log;
    bool ok = true;
    log.WriteLog(QStringLiteral("Equinox Sagatavoju nodaļu sarakstu..."));
    ok = connection_.upload(QStringLiteral("stores.XML"), departments(kStoresSql)) && ok;
    const QByteArray warehouses = departments(kWarehousesSql);
    log.WriteLog(QStringLiteral("Equinox Nodaļu saraksta sagatavošana OK"));
    ok = connection_.upload(QStringLiteral("ERP.XML"), warehouses) && ok;
    log.WriteLog(QStringLiteral("Equinox Klientu sarakstu..."));
    const QByteArray partners = customers();
    log.WriteLog(QStringLiteral("Equinox Klientu saraksta sagatavošana OK"));
    ok = connection_.upload(QStringLiteral("partners.XML"), partners) && ok;
    return ok;
}
