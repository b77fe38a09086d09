#include "D365MasterData.h"

#include "D365Connection.h"
#include "db/ExchangeContext.h"
#include "db/Mainformdatiform.h"
#include "db/SqlQuery.h"

#include <QJsonValue>

namespace {

const char* const kVendorSql =
    "UPDATE OR INSERT INTO N_KLIENT (IDKODS, GNOS, KONTS, ISBANKA, ARZEMPIEG, VALSTS, ADRESE, ADRESE2, REGNR, "
    "PVNKODS, PIEGADAT) values (:IDKODS, :GNOS, :KONTS, :ISBANKA, :ARZEMPIEG, :VALSTS, :ADRESE, :ADRESE2, :REG_NR, "
    ":PVN_KODS, 'T') MATCHING (IDKODS)";

const char* const kCustomerSql =
    "UPDATE OR INSERT INTO N_KLIENT (IDKODS, GNOS, KONTS, ISBANKA, VALSTS, ADRESE, ADRESELIST, REGNR, PVNKODS, "
    "KONSIGN, PIRCEJS, NELAUT_IZRAKSTIT) values (:IDKODS, :GNOS, :KONTS, :ISBANKA, :VALSTS, :ADRESE, :ADRESELIST, "
    ":REG_NR, :PVN_KODS, :KONSIGN, 'T', :NELAUT_IZRAKSTIT) MATCHING (IDKODS)";

const char* const kCategoryFindSql = "SELECT ISN FROM N_PRGRUP WHERE GRUPKOD=:GRUPKOD";
const char* const kCategoryInsertSql =
    "INSERT INTO N_PRGRUP (GRUPKOD, GNOS, ISPARENT, SORTIMENTS) values (:GRUPKOD, :GNOS, :ISPARENT, 'T')";
const char* const kCategoryUpdateSql = "UPDATE N_PRGRUP SET GRUPKOD=:GRUPKOD, GNOS=:GNOS, ISPARENT=:ISPARENT WHERE ISN=:ISN";

const char* const kProductSql =
    "UPDATE OR INSERT INTO N_KLPREC (ARTIKULS5, GNOS, INOS, ISSERTIF1, ISPRGRUPA, ISPRKLIENT, NODOKLIS, TARA, "
    "ARTIKULS, ARTIKULS2, ARTIKULS3, ARTIKULS4, ARTIKULI_N, ARTIKULS7, LITRAZA, NETTO, BRUTOSVARS, MERVIENIBA, "
    "SKKASTE, SKPALETE, PIEGSK, VALSTS, ALKOHOLS, EXPSVARI, EXPSVARI2, GABALPRECE, DERDIENAS_MAX, MAX_PASUT, "
    "GLABTEMP, MIN_PASUT, ST_PIEG_VEIDS, FAKT_PIEG_VEIDS, IEKSLOGISTS_FLAG, CUKURS, NEAKTIVA_PARD, NEAKTIVA, "
    "ISDEPOZITATARA, DEPOZITATARADAUDZUMS, KOMENTARS) values (:ARTIKULS5, :GNOS, :INOS, :ISSERTIF1, :ISPRGRUPA, "
    ":ISPRKLIENT, :NODOKLIS, :TARA, :ARTIKULS, :ARTIKULS2, :ARTIKULS3, :ARTIKULS4, :ARTIKULI_N, :ARTIKULS7, "
    ":LITRAZA, :NETTO, :BRUTOSVARS, :MERVIENIBA, :SKKASTE, :SKPALETE, :PIEGSK, :VALSTS, :ALKOHOLS, :EXPSVARI, "
    ":EXPSVARI2, :GABALPRECE, :DERDIENAS_MAX, :MAX_PASUT, :GLABTEMP, :MIN_PASUT, :ST_PIEG_VEIDS, :FAKT_PIEG_VEIDS, "
    ":IEKSLOGISTS_FLAG, :CUKURS, :NEAKTIVA_PARD, :NEAKTIVA, :ISDEPOZITATARA, :DEPOZITATARADAUDZUMS, :KOMENTARS) "
    "MATCHING (ARTIKULS5)";

}  // namespace

const char* D365MasterData::productStatement()
{
    return kProductSql;
}

namespace {

const char* const kProductFindSql = "SELECT ISN FROM N_KLPREC WHERE ARTIKULS5=:ARTIKULS5";
const char* const kClientFindSql = "SELECT ISN FROM N_KLIENT WHERE IDKODS=:IDKODS";

const char* const kScheduleSql =
    "UPDATE OR INSERT INTO N_KLPASGRAF (ISKLIENT, TERMINS_FLAG, DIENA_DATUMS, PASUT_LAIKS, PIEGADE, PASUT_VEIDS, "
    "PIEGAD_VEIDS, NODALAS, KOMENTARS, PIEG_TERMINS_FLAG, D365_ID, IEVDAT, IEVKODS) values (:ISKLIENT, "
    ":TERMINS_FLAG, :DIENA_DATUMS, :PASUT_LAIKS, :PIEGADE, :PASUT_VEIDS, :PIEGAD_VEIDS, :NODALAS, :KOMENTARS, "
    ":PIEG_TERMINS_FLAG, :D365_ID, :IEVDAT, :IEVKODS) MATCHING (D365_ID)";
const char* const kScheduleDeleteSql = "DELETE FROM N_KLPASGRAF WHERE D365_ID=:D365_ID";

// Empty texts are stored as '' like every other text, never as NULL.
QVariant sqlText(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QString tf(bool value)
{
    return value ? QStringLiteral("T") : QStringLiteral("F");
}

// An address sent as null (or {}) has no parts; in any other one every part must be there.
QString addressPart(const D365Record& address, const QString& key)
{
    return address.json().isEmpty() ? QString() : address.text(key);
}

}  // namespace

D365MasterData::D365MasterData(ExchangeContext& context, D365Connection& connection)
    : ctx_(context), connection_(connection)
{
}

FbDatabase& D365MasterData::db() const
{
    return ctx_.dati.PRECES_DB();
}

void D365MasterData::commit()
{
    ctx_.dati.CommitRetaining();
}

int D365MasterData::isnOf(const QString& sql, const QString& name, const QString& value)
{
    SqlQuery q(db(), sql);
    q.bind(name, sqlText(value));
    q.open();
    return q.asInt(QStringLiteral("ISN"));
}

// ---------------------------------------------------------------------------------------
// Text rules

QString D365MasterData::addressText(const D365Record& address)
{
    QString text;
    for (const char* key : {"County", "City", "State", "Street", "ZipCode"}) {
        const QString part = addressPart(address, QLatin1String(key));
        if (!part.isEmpty())
            text += part + QLatin1Char(',');
    }
    text.chop(1);
    return text;
}

QString D365MasterData::addressList(const QJsonArray& addresses, const QString& where)
{
    QString text;
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        const QString at = QStringLiteral("%1, OtherAddress[%2]").arg(where).arg(i);
        if (!addresses.at(i).isObject())
            throw D365Error(at + QStringLiteral(": nav objekts"));
        const D365Record a(addresses.at(i).toObject(), at);
        for (const char* key : {"County", "City", "State", "Street"}) {
            const QString part = a.text(QLatin1String(key));
            if (!part.isEmpty())
                text += part + QLatin1Char(',');
        }
        const QString zip = a.text(QStringLiteral("ZipCode"));
        if (!zip.isEmpty())
            text += zip + QLatin1Char('|');
    }
    return text;
}

D365MasterData::OtherCodes D365MasterData::splitOtherCodes(const QString& itemBarCodeOther)
{
    OtherCodes codes;
    QString rest = itemBarCodeOther;
    // The next field, or false when it is empty; rest moves past it.
    auto nextField = [&rest](QString& into) {
        const qsizetype semicolon = rest.indexOf(QLatin1Char(';'));
        const QString field = semicolon < 0 ? rest : rest.left(semicolon);
        if (field.isEmpty())
            return false;
        into = field.left(13);
        rest = semicolon < 0 ? QString() : rest.mid(semicolon + 1);
        return true;
    };
    // Everything after the third code goes to ARTIKULI_N as it stands: A;B;C;D;E keeps D;E.
    if (nextField(codes.artikuls2) && nextField(codes.artikuls3) && nextField(codes.artikuls4))
        codes.artikuliN = rest;
    return codes;
}

int D365MasterData::regularityCode(const QString& text)
{
    static const char* const kTexts[] = {"OnceAMonth", "Daily", "OnceAWeek", "EvenWeek", "OddWeek",
                                         "FirstFullWeekOfTheMonth", "LastFullWeekOfTheMonth", "OnceNextWeek"};
    for (int code = 0; code < 8; ++code)
        if (text == QLatin1String(kTexts[code]))
            return code;
    return 0;
}

// ---------------------------------------------------------------------------------------
// Look-ups

int D365MasterData::bankIsn(const QString& name, const QString& swift)
{
    SqlQuery find(db(), QStringLiteral("SELECT ISN FROM N_BANKA WHERE GNOS=:GNOS AND KODS = :KODS"));
    find.bind(QStringLiteral("GNOS"), sqlText(name.left(60))).bind(QStringLiteral("KODS"), sqlText(swift.left(30)));
    find.open();
    if (find.asInt(QStringLiteral("ISN")) == 0) {
        execSql(db(), QStringLiteral("INSERT INTO N_BANKA (GNOS, KODS) VALUES (:GNOS, :KODS)"),
                {{QStringLiteral("GNOS"), sqlText(name.left(60))}, {QStringLiteral("KODS"), sqlText(swift.left(30))}});
        find.open();
    }
    return find.asInt(QStringLiteral("ISN"));
}

int D365MasterData::certificateIsn(const QString& name)
{
    SqlQuery find(db(), QStringLiteral("SELECT ISN FROM N_SERTIF WHERE GNOS=:GNOS"));
    find.bind(QStringLiteral("GNOS"), sqlText(name.left(200)));
    find.open();
    if (find.asInt(QStringLiteral("ISN")) == 0) {
        execSql(db(), QStringLiteral("INSERT INTO N_SERTIF (GNOS, DERIGSLIDZ) VALUES (:GNOS, :DERIGSLIDZ)"),
                {{QStringLiteral("GNOS"), sqlText(name.left(200))},
                 {QStringLiteral("DERIGSLIDZ"), QDateTime(QDate(3000, 12, 31), QTime(0, 0))}});
        commit();
        find.open();
    }
    return find.asInt(QStringLiteral("ISN"));
}

int D365MasterData::clientIsnByCode(const QString& code)
{
    const QString kods = code.trimmed();
    const int client = isnOf(QStringLiteral("SELECT ISN FROM N_KLIENT WHERE IDKODS=:KODS"), QStringLiteral("KODS"), kods);
    if (client > 0)
        return client;
    SqlQuery branch(db(), QStringLiteral("SELECT ISN, ISKLIENT FROM N_KL_STRV WHERE KODS=:KODS"));
    branch.bind(QStringLiteral("KODS"), sqlText(kods));
    branch.open();
    return branch.asInt(QStringLiteral("ISKLIENT"));
}

// ---------------------------------------------------------------------------------------
// Operations

int D365MasterData::GetK42Vendors()
{
    SqlQuery write(db(), QString::fromLatin1(kVendorSql));
    return connection_.runFetch(
        QStringLiteral("GetK42Vendors"), QStringLiteral("Vendors"), QStringLiteral("LastVendorsDate"),
        [&](const D365Record& r) {
            write.bind(QStringLiteral("IDKODS"), sqlText(r.text(QStringLiteral("AccountNum"))));
            write.bind(QStringLiteral("GNOS"), sqlText(r.text(QStringLiteral("Name"))));
            write.bind(QStringLiteral("KONTS"), sqlText(r.text(QStringLiteral("BankAccountNum"))));
            write.bind(QStringLiteral("ISBANKA"),
                       bankIsn(r.text(QStringLiteral("BankName")), r.text(QStringLiteral("SWIFTNo"))));
            // Only the exact "false" marks a foreign supplier.
            write.bind(QStringLiteral("ARZEMPIEG"), tf(r.text(QStringLiteral("IsResident_LV")) == QLatin1String("false")));
            write.bind(QStringLiteral("REG_NR"), sqlText(r.text(QStringLiteral("RegNum"))));
            write.bind(QStringLiteral("PVN_KODS"), sqlText(r.text(QStringLiteral("VATNum"))));
            const D365Record primary = r.object(QStringLiteral("PrimaryAddress"));
            write.bind(QStringLiteral("VALSTS"), sqlText(addressPart(primary, QStringLiteral("CountryRegion"))));
            write.bind(QStringLiteral("ADRESE"), sqlText(addressText(primary)));
            write.bind(QStringLiteral("ADRESE2"), sqlText(addressText(r.object(QStringLiteral("DeliveryAddress")))));
            write.exec();
            commit();
        });
}

int D365MasterData::GetK42Customers()
{
    SqlQuery write(db(), QString::fromLatin1(kCustomerSql));
    return connection_.runFetch(
        QStringLiteral("GetK42Customers"), QStringLiteral("Customers"), QStringLiteral("LastCustomersDate"),
        [&](const D365Record& r) {
            write.bind(QStringLiteral("IDKODS"), sqlText(r.text(QStringLiteral("AccountNum"))));
            write.bind(QStringLiteral("GNOS"), sqlText(r.text(QStringLiteral("Name"))));
            write.bind(QStringLiteral("KONTS"), sqlText(r.text(QStringLiteral("BankAccountNum"))));
            write.bind(QStringLiteral("ISBANKA"),
                       bankIsn(r.text(QStringLiteral("BankName")), r.text(QStringLiteral("SWIFTNo"))));
            write.bind(QStringLiteral("REG_NR"), sqlText(r.text(QStringLiteral("RegNum"))));
            write.bind(QStringLiteral("PVN_KODS"), sqlText(r.text(QStringLiteral("VATNum"))));
            write.bind(QStringLiteral("KONSIGN"), sqlText(r.text(QStringLiteral("NumOfDays"))));
            write.bind(QStringLiteral("NELAUT_IZRAKSTIT"), tf(r.text(QStringLiteral("Blocked")) == QLatin1String("true")));
            const D365Record primary = r.object(QStringLiteral("PrimaryAddress"));
            write.bind(QStringLiteral("VALSTS"), sqlText(addressPart(primary, QStringLiteral("CountryRegion"))));
            write.bind(QStringLiteral("ADRESE"), sqlText(addressText(primary)));
            write.bind(QStringLiteral("ADRESELIST"), sqlText(addressList(r.array(QStringLiteral("OtherAddress")), r.where())));
            write.exec();
            commit();
        });
}

int D365MasterData::GetCategories()
{
    SqlQuery find(db(), QString::fromLatin1(kCategoryFindSql));
    SqlQuery insert(db(), QString::fromLatin1(kCategoryInsertSql));
    SqlQuery update(db(), QString::fromLatin1(kCategoryUpdateSql));
    return connection_.runFetch(
        QStringLiteral("GetCategories"), QStringLiteral("Categories"), QString(), [&](const D365Record& r) {
            // A parent that comes later in the list is 0 now and set by the next import.
            find.bind(QStringLiteral("GRUPKOD"), sqlText(r.text(QStringLiteral("ParentCode"))));
            find.open();
            const int parent = find.asInt(QStringLiteral("ISN"));
            const QString name = r.text(QStringLiteral("Name")).toUpper();
            const QString code = r.text(QStringLiteral("Code"));
            find.bind(QStringLiteral("GRUPKOD"), sqlText(code));
            find.open();
            const int isn = find.asInt(QStringLiteral("ISN"));
            SqlQuery& write = isn == 0 ? insert : update;
            write.bind(QStringLiteral("GRUPKOD"), sqlText(code));
            write.bind(QStringLiteral("GNOS"), sqlText(name));
            write.bind(QStringLiteral("ISPARENT"), parent);
            if (isn != 0)
                write.bind(QStringLiteral("ISN"), isn);
            write.exec();
            commit();
        });
}

int D365MasterData::GetK42Products()
{
    SqlQuery write(db(), QString::fromLatin1(kProductSql));
    return connection_.runFetch(
        QStringLiteral("GetK42Products"), QStringLiteral("Products"), QStringLiteral("LastProductsDate"),
        [&](const D365Record& r) {
            write.bind(QStringLiteral("ARTIKULS5"), sqlText(r.text(QStringLiteral("Product"))));
            const QString name = r.text(QStringLiteral("Name"));
            write.bind(QStringLiteral("GNOS"), sqlText(name));
            write.bind(QStringLiteral("INOS"), sqlText(name));
            const QString certificate = r.text(QStringLiteral("Certificate"));
            if (certificate.isEmpty())
                write.bindNull(QStringLiteral("ISSERTIF1"), QMetaType::Int);
            else
                write.bind(QStringLiteral("ISSERTIF1"), certificateIsn(certificate));
            write.bind(QStringLiteral("ISPRGRUPA"), isnOf(QString::fromLatin1(kCategoryFindSql), QStringLiteral("GRUPKOD"),
                                                          r.text(QStringLiteral("CategoryCode"))));
            const int vendor = isnOf(QString::fromLatin1(kClientFindSql), QStringLiteral("IDKODS"),
                                     r.text(QStringLiteral("PrimaryVendorId")));
            if (vendor > 0)
                write.bind(QStringLiteral("ISPRKLIENT"), vendor);
            else
                write.bindNull(QStringLiteral("ISPRKLIENT"), QMetaType::Int);
            write.bind(QStringLiteral("NODOKLIS"), r.number(QStringLiteral("VarnisVAT")));
            write.bind(QStringLiteral("TARA"), tf(r.text(QStringLiteral("PurchPackage")) == QLatin1String("true")));
            write.bind(QStringLiteral("ARTIKULS"), sqlText(r.text(QStringLiteral("ItemBarCodeMain")).left(25)));
            const OtherCodes other = splitOtherCodes(r.text(QStringLiteral("ItemBarCodeOther")));
            write.bind(QStringLiteral("ARTIKULS2"), sqlText(other.artikuls2));
            write.bind(QStringLiteral("ARTIKULS3"), sqlText(other.artikuls3));
            write.bind(QStringLiteral("ARTIKULS4"), sqlText(other.artikuls4));
            write.bind(QStringLiteral("ARTIKULI_N"), sqlText(other.artikuliN));
            write.bind(QStringLiteral("ARTIKULS7"), sqlText(r.text(QStringLiteral("OrvProductCode"))));
            write.bind(QStringLiteral("LITRAZA"), r.number(QStringLiteral("UnitBasicPackage")));
            write.bind(QStringLiteral("NETTO"), r.number(QStringLiteral("NetWeight")));
            write.bind(QStringLiteral("BRUTOSVARS"), r.number(QStringLiteral("GrossWeight")));
            write.bind(QStringLiteral("MERVIENIBA"), sqlText(r.text(QStringLiteral("PriceTagUnit"))));
            write.bind(QStringLiteral("SKKASTE"), r.number(QStringLiteral("TransportQty")));
            write.bind(QStringLiteral("SKPALETE"), r.number(QStringLiteral("TransportPalletQty")));
            if (r.text(QStringLiteral("DaysBetweenOrders")).isEmpty())
                write.bindNull(QStringLiteral("PIEGSK"), QMetaType::Double);
            else
                write.bind(QStringLiteral("PIEGSK"), r.number(QStringLiteral("DaysBetweenOrders")));
            write.bind(QStringLiteral("VALSTS"), sqlText(r.text(QStringLiteral("OrigCountryRegion"))));
            write.bind(QStringLiteral("ALKOHOLS"), r.number(QStringLiteral("AlcoholConcentration")));
            const bool scales = r.text(QStringLiteral("SendToScales")) == QLatin1String("true");
            write.bind(QStringLiteral("EXPSVARI"), tf(scales));
            write.bind(QStringLiteral("EXPSVARI2"), tf(scales));
            write.bind(QStringLiteral("GABALPRECE"), tf(!scales));
            // A number, possibly fractional; the column holds whole days.
            write.bind(QStringLiteral("DERDIENAS_MAX"), qRound64(r.number(QStringLiteral("BestBefore"))));
            write.bind(QStringLiteral("MAX_PASUT"), r.number(QStringLiteral("HighestQty")));
            // a range only when both ends are given: 8 with 0 is "0"
            const QString maxTemp = QStringLiteral("TempStoreMax");
            const QString minTemp = QStringLiteral("TempStoreMin");
            const bool tempRange = r.number(maxTemp) != 0.0 && r.number(minTemp) != 0.0;
            write.bind(QStringLiteral("GLABTEMP"),
                       tempRange ? r.text(maxTemp) + QStringLiteral(" - ") + r.text(minTemp) : QStringLiteral("0"));
            write.bind(QStringLiteral("MIN_PASUT"), r.number(QStringLiteral("LowestQty")));
            write.bind(QStringLiteral("ST_PIEG_VEIDS"), sqlText(r.text(QStringLiteral("StandartDeliveryType"))));
            write.bind(QStringLiteral("FAKT_PIEG_VEIDS"), sqlText(r.text(QStringLiteral("ActualDeliveryType"))));
            write.bind(QStringLiteral("IEKSLOGISTS_FLAG"),
                       r.text(QStringLiteral("InternalLogistics")) == QLatin1String("true") ? 1 : 0);
            write.bind(QStringLiteral("CUKURS"), r.number(QStringLiteral("NutriSugar")));
            const QString state = r.text(QStringLiteral("ProductLifecycleStateCode"));
            const bool all = state == QLatin1String("BloketsViss");
            write.bind(QStringLiteral("NEAKTIVA_PARD"), tf(all || state == QLatin1String("BloketsPardosanai")));
            write.bind(QStringLiteral("NEAKTIVA"), tf(all || state == QLatin1String("BloketsPirksanai")));
            const QString deposit = r.text(QStringLiteral("SuppItemId"));
            if (deposit.isEmpty()) {
                write.bindNull(QStringLiteral("ISDEPOZITATARA"), QMetaType::Int);
                write.bind(QStringLiteral("DEPOZITATARADAUDZUMS"), 0.0);
            } else {
                write.bind(QStringLiteral("ISDEPOZITATARA"),
                           isnOf(QString::fromLatin1(kProductFindSql), QStringLiteral("ARTIKULS5"), deposit));
                write.bind(QStringLiteral("DEPOZITATARADAUDZUMS"), r.number(QStringLiteral("MinimumQty")));
            }
            write.bind(QStringLiteral("KOMENTARS"), sqlText(r.text(QStringLiteral("ProdContentDescr"))));
            write.exec();
            commit();
        });
}

int D365MasterData::GetCatSort()
{
    const QString logName = QStringLiteral("GetSortiments");
    const QString mark = QStringLiteral("LastSortimentsDate");
    connection_.startLine(logName);
    const QDate from = connection_.readMark(mark);
    const QDate to = connection_.today().addDays(1);

    // FLAG 1 rows hold a category, FLAG 2 rows a product, both in ISPRGRUPA_PRECE.
    const char* const deleteSql[] = {
        nullptr,
        "DELETE FROM O_SORTIMENTS WHERE ISNODALA=:ISNODALA AND ISPRGRUPA_PRECE=:ISPRGRUPA_PRECE AND FLAG=1",
        "DELETE FROM O_SORTIMENTS WHERE ISNODALA=:ISNODALA AND ISPRGRUPA_PRECE=:ISPRGRUPA_PRECE AND FLAG=2"};
    const char* const upsertSql[] = {
        nullptr,
        "UPDATE OR INSERT INTO O_SORTIMENTS (ISNODALA, ISPRGRUPA_PRECE, FLAG, VEIDS) values (:ISNODALA, "
        ":ISPRGRUPA_PRECE, 1, :VEIDS) MATCHING (ISNODALA, ISPRGRUPA_PRECE, FLAG)",
        "UPDATE OR INSERT INTO O_SORTIMENTS (ISNODALA, ISPRGRUPA_PRECE, FLAG, VEIDS) values (:ISNODALA, "
        ":ISPRGRUPA_PRECE, 2, :VEIDS) MATCHING (ISNODALA, ISPRGRUPA_PRECE, FLAG)"};
    auto importLevel = [&](const D365Record& r, int flag, int key) {
        if (key <= 0)
            return;
        const QString level = r.text(QStringLiteral("AssortmentLevelId"));
        QVariantHash params{{QStringLiteral("ISNODALA"), r.integer(QStringLiteral("ISNDepartment"))},
                            {QStringLiteral("ISPRGRUPA_PRECE"), key}};
        if (level == QLatin1String("-")) {
            execSql(db(), QString::fromLatin1(deleteSql[flag]), params);
        } else {
            params.insert(QStringLiteral("VEIDS"), sqlText(level));
            execSql(db(), QString::fromLatin1(upsertSql[flag]), params);
        }
        commit();
    };

    QJsonArray records;
    if (connection_.fetch(logName, D365Connection::fetchInner(QStringLiteral("GetCatSort"), from, to),
                          QStringLiteral("CatSort"), records) < 0)
        return -1;
    connection_.walk(QStringLiteral("GetCatSort"), records, [&](const D365Record& r) {
        importLevel(r, 1,
                    isnOf(QString::fromLatin1(kCategoryFindSql), QStringLiteral("GRUPKOD"), r.text(QStringLiteral("CategoryId"))));
    });
    if (connection_.fetch(logName, D365Connection::fetchInner(QStringLiteral("GetItemSort"), from, to),
                          QStringLiteral("ItemSort"), records) < 0)
        return -1;
    connection_.walk(QStringLiteral("GetItemSort"), records, [&](const D365Record& r) {
        importLevel(r, 2,
                    isnOf(QString::fromLatin1(kProductFindSql), QStringLiteral("ARTIKULS5"), r.text(QStringLiteral("Product"))));
    });
    connection_.writeMark(mark);
    connection_.endLine(logName);
    return 0;
}

int D365MasterData::GetVENDGR()
{
    SqlQuery upsert(db(), QString::fromLatin1(kScheduleSql));
    SqlQuery remove(db(), QString::fromLatin1(kScheduleDeleteSql));
    return connection_.runFetch(
        QStringLiteral("GetVENDGR"), QStringLiteral("VendorSchedules"), QStringLiteral("LastVendorGraphDate"),
        [&](const D365Record& r) {
            if (r.text(QStringLiteral("Status")) != QLatin1String("Active")) {
                remove.bind(QStringLiteral("D365_ID"), sqlText(r.text(QStringLiteral("OrderScheduleId"))));
                remove.exec();
                commit();
                return;
            }
            upsert.bind(QStringLiteral("D365_ID"), sqlText(r.text(QStringLiteral("OrderScheduleId"))));
            upsert.bind(QStringLiteral("ISKLIENT"), clientIsnByCode(r.text(QStringLiteral("VendAccount"))));
            upsert.bind(QStringLiteral("TERMINS_FLAG"), regularityCode(r.text(QStringLiteral("OrderRegularity"))));
            const int orderDate = r.integer(QStringLiteral("OrderDateNum"));
            upsert.bind(QStringLiteral("DIENA_DATUMS"), orderDate > 0 ? orderDate : r.integer(QStringLiteral("OrderDay")));
            upsert.bind(QStringLiteral("PASUT_LAIKS"), sqlText(r.text(QStringLiteral("OrderTime"))));
            const int deliveryDate = r.integer(QStringLiteral("DeliveryDateNum"));
            upsert.bind(QStringLiteral("PIEGADE"), deliveryDate > 0 ? deliveryDate : r.integer(QStringLiteral("DeliveryDay")));
            upsert.bind(QStringLiteral("PASUT_VEIDS"), sqlText(r.text(QStringLiteral("DeliveryTypeCode"))));
            const QString kind = r.text(QStringLiteral("DeliveryType"));
            QString deliveryKind = QStringLiteral("");
            if (kind == QLatin1String("BaseDelivery"))
                deliveryKind = QStringLiteral("Bāzes piegāde");
            else if (kind == QLatin1String("DirectDelivery"))
                deliveryKind = QStringLiteral("Tiešā piegāde");
            upsert.bind(QStringLiteral("PIEGAD_VEIDS"), deliveryKind);
            QString departments;
            const QJsonArray warehouses = r.array(QStringLiteral("ChosenWarehouses"));
            for (qsizetype i = 0; i < warehouses.size(); ++i) {
                const QString at = QStringLiteral("%1, ChosenWarehouses[%2]").arg(r.where()).arg(i);
                if (!warehouses.at(i).isObject())
                    throw D365Error(at + QStringLiteral(": nav objekts"));
                const D365Record warehouse(warehouses.at(i).toObject(), at);
                departments += QLatin1Char('|') + warehouse.text(QStringLiteral("ISNNodala")) + QLatin1Char('|');
            }
            upsert.bind(QStringLiteral("NODALAS"), sqlText(departments));
            upsert.bind(QStringLiteral("KOMENTARS"), sqlText(r.text(QStringLiteral("Comment"))));
            upsert.bind(QStringLiteral("PIEG_TERMINS_FLAG"),
                        regularityCode(r.text(QStringLiteral("DeliveryRegularityInStore"))));
            upsert.bindNull(QStringLiteral("IEVDAT"), QMetaType::QDateTime);
            upsert.bindNull(QStringLiteral("IEVKODS"), QMetaType::QString);
            upsert.exec();
            commit();
        });
}
